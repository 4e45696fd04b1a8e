#include "tests/access/writer/SchemaShape.h"

#include <QJsonArray>
#include <QStringList>

namespace vantor::test {

namespace {

// Vantor's model gives ADO type codes; long text and long binary carry no length.
QString familyOf(const Column& c) {
    const qint32 length = c.maxLength.value_or(0);
    switch (c.dataType) {
    case 130:
    case 202:
        return length > 0 ? QStringLiteral("text(%1)").arg(length) : QStringLiteral("memo");
    case 203:
        return QStringLiteral("memo");
    case 128:
        return length > 0 ? QStringLiteral("binary(%1)").arg(length) : QStringLiteral("ole");
    case 205:
        return QStringLiteral("ole");
    case 17:
        return QStringLiteral("byte");
    case 2:
        return QStringLiteral("short");
    case 3:
        return c.autoNumber ? QStringLiteral("counter") : QStringLiteral("long");
    case 4:
        return QStringLiteral("single");
    case 5:
        return QStringLiteral("double");
    case 6:
        return QStringLiteral("currency");
    case 7:
        return QStringLiteral("datetime");
    case 11:
        return QStringLiteral("yesno");
    case 72:
        return QStringLiteral("guid");
    case 131:
        return QStringLiteral("decimal(%1,%2)")
            .arg(c.precision.value_or(0))
            .arg(c.scale.value_or(0));
    default:
        return QStringLiteral("ado%1").arg(c.dataType);
    }
}

QString familyOf(const QJsonObject& c) {
    const QString type = c["type"].toString();
    const int units = c["units"].toInt();
    if (type == "TEXT")
        return QStringLiteral("text(%1)").arg(units);
    if (type == "MEMO")
        return QStringLiteral("memo");
    if (type == "BINARY")
        return QStringLiteral("binary(%1)").arg(units);
    if (type == "OLE")
        return QStringLiteral("ole");
    if (type == "LONG")
        return c["autoNumber"].toBool() ? QStringLiteral("counter") : QStringLiteral("long");
    if (type == "NUMERIC")
        return QStringLiteral("decimal(%1,%2)").arg(c["precision"].toInt()).arg(c["scale"].toInt());
    static const QHash<QString, QString> plain = {
        {"BYTE", "byte"},     {"INT", "short"},      {"FLOAT", "single"},
        {"DOUBLE", "double"}, {"MONEY", "currency"}, {"SHORT_DATE_TIME", "datetime"},
        {"BOOLEAN", "yesno"}, {"GUID", "guid"}};
    return plain.value(type, type.toLower());
}

QString flags(bool primary, bool unique, bool required, bool ignoreNulls) {
    return QStringLiteral("%1%2%3%4")
        .arg(primary ? "P" : "-", unique ? "U" : "-", required ? "R" : "-",
             ignoreNulls ? "I" : "-");
}

} // namespace

QSet<QString> ShapeOf(const Schema& schema) {
    QSet<QString> lines;
    for (const Table& t : schema.tables) {
        if (t.kind != ObjectKind::Table)
            continue;
        lines << "table " + t.name;
        for (const Column& c : t.columns)
            lines << QStringLiteral("column %1.%2 %3").arg(t.name, c.name, familyOf(c));
        for (const Index& i : t.indexes) {
            QStringList columns;
            for (const IndexColumn& c : i.columns)
                columns << (c.descending ? "-" : "+") + c.name;
            lines << QStringLiteral("index %1.%2 (%3) %4")
                         .arg(t.name, i.name, columns.join(','),
                              flags(i.primary, i.unique, i.required, i.ignoreNulls));
        }
    }
    // Saved queries by name: Jackcess spells their SQL otherwise, and views are queries to it.
    for (const View& v : schema.views)
        if (!v.hidden)
            lines << "query " + v.name;
    for (const Query& q : schema.queries)
        if (!q.hidden)
            lines << "query " + q.name;
    for (const Relationship& r : schema.relationships) {
        QStringList columns;
        for (const RelationshipColumn& c : r.columns)
            columns << c.column + "=" + c.referencedColumn;
        lines << QStringLiteral("relationship %1 %2->%3 (%4)")
                     .arg(r.name, r.table, r.referencedTable, columns.join(','));
    }
    return lines;
}

QSet<QString> ShapeOf(const QJsonObject& jackcessSchema) {
    QSet<QString> lines;
    for (const QJsonValue& tv : jackcessSchema["tables"].toArray()) {
        const QJsonObject t = tv.toObject();
        if (t["system"].toBool() || t["kind"].toString() != "LOCAL")
            continue;
        const QString table = t["name"].toString();
        lines << "table " + table;
        for (const QJsonValue& cv : t["columns"].toArray())
            lines << QStringLiteral("column %1.%2 %3")
                         .arg(table, cv["name"].toString(), familyOf(cv.toObject()));
        for (const QJsonValue& iv : t["indexes"].toArray()) {
            const QJsonObject i = iv.toObject();
            if (i["foreignKey"].toBool())
                continue; // a relationship's own index, which Vantor shows as the relationship
            QStringList columns;
            for (const QJsonValue& c : i["columns"].toArray())
                columns << (c["ascending"].toBool() ? "+" : "-") + c["name"].toString();
            lines << QStringLiteral("index %1.%2 (%3) %4")
                         .arg(table, i["name"].toString(), columns.join(','),
                              flags(i["primary"].toBool(), i["unique"].toBool(),
                                    i["required"].toBool(), i["ignoreNulls"].toBool()));
        }
    }
    for (const QJsonValue& qv : jackcessSchema["queries"].toArray())
        if (!qv["hidden"].toBool())
            lines << "query " + qv["name"].toString();
    for (const QJsonValue& rv : jackcessSchema["relationships"].toArray()) {
        const QJsonObject r = rv.toObject();
        if (r["systemTables"].toBool())
            continue;
        QStringList columns;
        for (const QJsonValue& c : r["columns"].toArray())
            columns << c["column"].toString() + "=" + c["referencedColumn"].toString();
        lines << QStringLiteral("relationship %1 %2->%3 (%4)")
                     .arg(r["name"].toString(), r["table"].toString(),
                          r["referencedTable"].toString(), columns.join(','));
    }
    return lines;
}

} // namespace vantor::test
