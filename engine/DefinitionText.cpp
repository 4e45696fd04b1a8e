#include "engine/DefinitionText.h"

#include "engine/SchemaDdl.h"
#include "engine/SchemaDump.h"
#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

#include <algorithm>

namespace vantor {

namespace {

const QString kGo = QStringLiteral("GO");
const QString kIndent = QStringLiteral("   ");

QString statementText(const QString& statement, const QStringList& lost) {
    if (lost.isEmpty())
        return statement + CrLf + kGo + CrLf;
    QString text;
    for (const QString& sentence : lost)
        text += QStringLiteral("-- ") + sentence + CrLf;
    return text + Commented(statement) + kGo + CrLf;
}

// One line per value, kept on its line whatever breaks the value holds.
QString propertyLine(const QString& name, const QString& value) {
    QString flat = value;
    flat.replace(QLatin1String("\r\n"), QLatin1String("\\n")).replace(u'\n', QLatin1String("\\n"));
    return kIndent + name + QStringLiteral(": ") + flat + CrLf;
}

QString optionalLine(const QString& name, const std::optional<QString>& value) {
    return value ? propertyLine(name, *value) : QString();
}

QString fieldLines(const Column& c) {
    QString lines;
    lines += optionalLine(QStringLiteral("Default Value"), c.defaultValue);
    if (!c.description.isEmpty())
        lines += propertyLine(QStringLiteral("Description"), c.description);
    lines += optionalLine(QStringLiteral("Caption"), c.caption);
    lines += optionalLine(QStringLiteral("Format"), c.format);
    lines += optionalLine(QStringLiteral("Input Mask"), c.inputMask);
    if (c.decimalPlaces)
        lines += propertyLine(QStringLiteral("Decimal Places"), QString::number(*c.decimalPlaces));
    lines += optionalLine(QStringLiteral("Validation Rule"), c.validationRule);
    lines += optionalLine(QStringLiteral("Validation Text"), c.validationText);
    // Jet DDL has no type for a multi-value column; what one value holds is compared here.
    if (c.valueType)
        lines += propertyLine(QStringLiteral("Values"), JetTypeText(c).section(u' ', 0, 0));
    // Required is not among them: the table's own text says NOT NULL, and compares it.
    if (c.allowZeroLength)
        lines += propertyLine(QStringLiteral("Allow Zero Length"), QStringLiteral("Yes"));
    return lines;
}

QString tableLines(const Table& t) {
    QString lines;
    if (!t.description.isEmpty())
        lines += propertyLine(QStringLiteral("Description"), t.description);
    lines += optionalLine(QStringLiteral("Validation Rule"), t.validationRule);
    lines += optionalLine(QStringLiteral("Validation Text"), t.validationText);
    return lines;
}

} // namespace

QString Commented(const QString& text) {
    QString out;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString bare = line;
        if (bare.endsWith(u'\r'))
            bare.chop(1);
        out += QStringLiteral("-- ") + bare + CrLf;
    }
    return out;
}

QString IndexDefinition(const QString& table, const Index& index) {
    return statementText(CreateIndexText(table, index), InexpressibleSettings(index));
}

QString RelationshipDefinition(const Relationship& relationship) {
    return statementText(AddRelationshipText(relationship), InexpressibleSettings(relationship));
}

QString QueryDefinition(const Query& query) {
    QStringList lost = InexpressibleSettings(query);
    // The connection is compared too, though no statement can carry it.
    if (!query.connect.isEmpty())
        lost << QStringLiteral("ODBC Connect Str: ") + query.connect;
    QString statement = CreateProcedureText(query);
    if (statement.isNull()) {
        statement = query.sql;
        while (statement.endsWith(u'\n') || statement.endsWith(u'\r'))
            statement.chop(1);
        lost.prepend(QStringLiteral("%1 query [%2]").arg(QueryKindName(query.kind), query.name));
    }
    return statementText(statement, lost);
}

bool HasProperties(const Table& table) {
    // Asked of every table of both sides, so it looks without writing the lines.
    if (!table.description.isEmpty() || table.validationRule || table.validationText)
        return true;
    return std::any_of(table.columns.begin(), table.columns.end(), [](const Column& c) {
        return c.defaultValue || !c.description.isEmpty() || c.caption || c.format || c.inputMask ||
               c.decimalPlaces || c.validationRule || c.validationText || c.allowZeroLength ||
               c.valueType;
    });
}

QString PropertiesDefinition(const Table& table) {
    const QString own = tableLines(table);
    QString text = QStringLiteral("TABLE ") + SqlBracket(table.name) + CrLf + own;
    bool any = !own.isEmpty();
    for (const Column* c : ColumnsByName(table)) {
        const QString lines = fieldLines(*c);
        if (lines.isEmpty())
            continue;
        text += QStringLiteral("FIELD ") + SqlBracket(c->name) + CrLf + lines;
        any = true;
    }
    if (!any)
        text += kIndent + QStringLiteral("(no properties set)") + CrLf;
    return text;
}

bool HasLinkSource(const Table& table) {
    return table.kind == ObjectKind::Link || table.kind == ObjectKind::PassThrough ||
           !table.linkedDatabase.isEmpty() || !table.connect.isEmpty() ||
           !table.foreignName.isEmpty();
}

QString LinkSourceDefinition(const Table& table) {
    QString text = QStringLiteral("LINK ") + SqlBracket(table.name) + CrLf;
    if (!table.linkedDatabase.isEmpty())
        text += propertyLine(QStringLiteral("Database"), table.linkedDatabase);
    if (!table.connect.isEmpty())
        text += propertyLine(QStringLiteral("Connect"), table.connect);
    if (!table.foreignName.isEmpty())
        text += propertyLine(QStringLiteral("Source Table"), table.foreignName);
    return text;
}

} // namespace vantor
