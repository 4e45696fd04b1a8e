#include "engine/SnapshotJson.h"

#include "engine/JsonLayout.h"
#include "model/Error.h"
#include "model/Kinds.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <initializer_list>

namespace vantor {

namespace {

QJsonValue optionalInt(const std::optional<qint32>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

// The keys added after the first release are written only when they differ from their default,
// so a schema without them keeps the bytes it always had.
void putText(QJsonObject& o, const char* key, const std::optional<QString>& v) {
    if (v)
        o[QLatin1String(key)] = *v;
}
void putText(QJsonObject& o, const char* key, const QString& v) {
    if (!v.isEmpty())
        o[QLatin1String(key)] = v;
}
void putFlag(QJsonObject& o, const char* key, bool v) {
    if (v)
        o[QLatin1String(key)] = true;
}

QJsonObject columnJson(const Column& c) {
    QJsonObject o;
    o["name"] = c.name;
    o["dataType"] = c.dataType;
    o["maxLength"] = optionalInt(c.maxLength);
    o["nullable"] = c.nullable;
    o["ordinal"] = c.ordinal;
    o["autoNumber"] = c.autoNumber;
    o["default"] = c.defaultValue ? QJsonValue(*c.defaultValue) : QJsonValue(QJsonValue::Null);
    o["allowZeroLength"] = c.allowZeroLength;
    o["description"] = c.description;
    if (c.precision)
        o["precision"] = *c.precision;
    if (c.scale)
        o["scale"] = *c.scale;
    putFlag(o, "required", c.required);
    putText(o, "validationRule", c.validationRule);
    putText(o, "validationText", c.validationText);
    putText(o, "caption", c.caption);
    putText(o, "format", c.format);
    putText(o, "inputMask", c.inputMask);
    if (c.decimalPlaces)
        o["decimalPlaces"] = *c.decimalPlaces;
    if (c.valueType)
        o["valueType"] = *c.valueType;
    if (c.valueMaxLength)
        o["valueMaxLength"] = *c.valueMaxLength;
    return o;
}

QJsonObject indexJson(const Index& index) {
    QJsonArray columns;
    for (const auto& c : index.columns)
        columns.append(QJsonObject{{"name", c.name}, {"descending", c.descending}});
    QJsonObject o{{"name", index.name},
                  {"primary", index.primary},
                  {"unique", index.unique},
                  {"columns", columns}};
    putFlag(o, "ignoreNulls", index.ignoreNulls);
    putFlag(o, "required", index.required);
    return o;
}

QJsonObject relationshipJson(const Relationship& r) {
    QJsonArray columns;
    for (const auto& c : r.columns)
        columns.append(QJsonObject{{"column", c.column}, {"referencedColumn", c.referencedColumn}});
    QJsonObject o{{"name", r.name},
                  {"table", r.table},
                  {"referencedTable", r.referencedTable},
                  {"columns", columns},
                  {"enforced", r.enforced},
                  {"cascadeUpdate", r.cascadeUpdate},
                  {"cascadeDelete", r.cascadeDelete}};
    putFlag(o, "oneToOne", r.oneToOne);
    putFlag(o, "cascadeToNull", r.cascadeToNull);
    return o;
}

QJsonObject viewJson(const View& v) {
    QJsonObject o{{"name", v.name}, {"definition", v.definition}};
    putFlag(o, "hidden", v.hidden);
    return o;
}

QJsonObject queryJson(const Query& q) {
    QJsonObject o{{"name", q.name}, {"kind", QueryKindName(q.kind)}, {"sql", q.sql}};
    if (!q.parameters.isEmpty()) {
        QJsonArray parameters;
        for (const QueryParameter& p : q.parameters)
            parameters.append(QJsonObject{{"name", p.name}, {"type", p.type}});
        o["parameters"] = parameters;
    }
    putText(o, "connect", q.connect);
    putFlag(o, "hidden", q.hidden);
    return o;
}

// Reads one value of the document, naming its place on failure.
class Reader {
public:
    explicit Reader(QString sourceName) : source_(std::move(sourceName)) {}

    [[noreturn]] void fail(const QString& where, const QString& what) const {
        throw Error(
            ErrorCode::Provider,
            QStringLiteral("The snapshot '%1' is not valid: %2 %3.").arg(source_, where, what));
    }

    // keys lists every key the object may have: a misspelt or unknown one is refused rather
    // than silently dropped with what it held.
    QJsonObject object(const QJsonValue& v, const QString& where,
                       std::initializer_list<const char*> keys) const {
        if (!v.isObject())
            fail(where, QStringLiteral("must be an object"));
        QJsonObject o = v.toObject();
        for (auto it = o.constBegin(); it != o.constEnd(); ++it)
            if (std::none_of(keys.begin(), keys.end(),
                             [&](const char* k) { return it.key() == QLatin1String(k); }))
                fail(where, QStringLiteral("has an unknown field '%1'").arg(it.key()));
        return o;
    }
    std::optional<QString> optionalString(const QJsonObject& o, const QString& key,
                                          const QString& where) const {
        QJsonValue v = o.value(key);
        if (v.isUndefined())
            return std::nullopt;
        if (!v.isString())
            fail(where + "." + key, QStringLiteral("must be a string"));
        return v.toString();
    }
    QJsonArray array(const QJsonObject& o, const QString& key, const QString& where,
                     bool required = true) const {
        QJsonValue v = o.value(key);
        if (v.isUndefined() && !required)
            return {};
        if (!v.isArray())
            fail(where + "." + key, QStringLiteral("must be an array"));
        return v.toArray();
    }
    QString string(const QJsonObject& o, const QString& key, const QString& where,
                   bool required = true) const {
        QJsonValue v = o.value(key);
        if (v.isUndefined() && !required)
            return {};
        if (!v.isString())
            fail(where + "." + key, QStringLiteral("must be a string"));
        return v.toString();
    }
    bool boolean(const QJsonObject& o, const QString& key, const QString& where,
                 bool fallback) const {
        QJsonValue v = o.value(key);
        if (v.isUndefined())
            return fallback;
        if (!v.isBool())
            fail(where + "." + key, QStringLiteral("must be true or false"));
        return v.toBool();
    }
    std::optional<qint32> integer(const QJsonObject& o, const QString& key, const QString& where,
                                  bool required) const {
        QJsonValue v = o.value(key);
        if (v.isUndefined() || v.isNull()) {
            if (required)
                fail(where + "." + key, QStringLiteral("must be a whole number"));
            return std::nullopt;
        }
        double d = v.toDouble();
        if (!v.isDouble() || d != static_cast<double>(static_cast<qint64>(d)) ||
            d < -2147483648.0 || d > 2147483647.0)
            fail(where + "." + key, QStringLiteral("must be a whole number"));
        return static_cast<qint32>(d);
    }

private:
    QString source_;
};

Column readColumn(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o =
        r.object(v, where, {"name",           "dataType",       "maxLength", "nullable",
                            "ordinal",        "autoNumber",     "default",   "allowZeroLength",
                            "description",    "precision",      "scale",     "required",
                            "validationRule", "validationText", "caption",   "format",
                            "inputMask",      "decimalPlaces",  "valueType", "valueMaxLength"});
    Column c;
    c.name = r.string(o, "name", where);
    c.dataType = *r.integer(o, "dataType", where, true);
    c.maxLength = r.integer(o, "maxLength", where, false);
    c.nullable = r.boolean(o, "nullable", where, true);
    c.ordinal = r.integer(o, "ordinal", where, false).value_or(0);
    c.autoNumber = r.boolean(o, "autoNumber", where, false);
    QJsonValue def = o.value("default");
    if (def.isString())
        c.defaultValue = def.toString();
    else if (!def.isUndefined() && !def.isNull())
        r.fail(where + ".default", QStringLiteral("must be a string or null"));
    c.allowZeroLength = r.boolean(o, "allowZeroLength", where, false);
    c.description = r.string(o, "description", where, false);
    c.precision = r.integer(o, "precision", where, false);
    c.scale = r.integer(o, "scale", where, false);
    c.required = r.boolean(o, "required", where, false);
    c.validationRule = r.optionalString(o, "validationRule", where);
    c.validationText = r.optionalString(o, "validationText", where);
    c.caption = r.optionalString(o, "caption", where);
    c.format = r.optionalString(o, "format", where);
    c.inputMask = r.optionalString(o, "inputMask", where);
    c.decimalPlaces = r.integer(o, "decimalPlaces", where, false);
    c.valueType = r.integer(o, "valueType", where, false);
    c.valueMaxLength = r.integer(o, "valueMaxLength", where, false);
    constexpr qint32 kComplex = 13;
    if ((c.valueType || c.valueMaxLength) && c.dataType != kComplex)
        r.fail(where + ".valueType", QStringLiteral("belongs to multi-value columns only"));
    return c;
}

Index readIndex(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o =
        r.object(v, where, {"name", "primary", "unique", "columns", "ignoreNulls", "required"});
    Index index;
    index.name = r.string(o, "name", where);
    index.primary = r.boolean(o, "primary", where, false);
    index.unique = r.boolean(o, "unique", where, false);
    index.ignoreNulls = r.boolean(o, "ignoreNulls", where, false);
    index.required = r.boolean(o, "required", where, false);
    QJsonArray columns = r.array(o, "columns", where);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        QString at = QStringLiteral("%1.columns[%2]").arg(where).arg(i);
        QJsonObject c = r.object(columns[i], at, {"name", "descending"});
        index.columns.append({r.string(c, "name", at), r.boolean(c, "descending", at, false)});
    }
    return index;
}

Table readTable(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o = r.object(v, where,
                             {"name", "type", "columns", "indexes", "description", "validationRule",
                              "validationText", "linkedDatabase", "connect", "foreignName"});
    Table t;
    t.name = r.string(o, "name", where);
    const QString type = r.string(o, "type", where, false);
    if (!type.isEmpty()) {
        std::optional<ObjectKind> kind = ObjectKindOfTypeName(type);
        if (!kind || !IsTableKind(*kind))
            r.fail(where + ".type", QStringLiteral("is not a kind of table: '%1'").arg(type));
        t.kind = *kind;
    }
    QJsonArray columns = r.array(o, "columns", where);
    for (qsizetype i = 0; i < columns.size(); ++i)
        t.columns.append(
            readColumn(r, columns[i], QStringLiteral("%1.columns[%2]").arg(where).arg(i)));
    QJsonArray indexes = r.array(o, "indexes", where, false);
    for (qsizetype i = 0; i < indexes.size(); ++i)
        t.indexes.append(
            readIndex(r, indexes[i], QStringLiteral("%1.indexes[%2]").arg(where).arg(i)));
    t.description = r.string(o, "description", where, false);
    t.validationRule = r.optionalString(o, "validationRule", where);
    t.validationText = r.optionalString(o, "validationText", where);
    t.linkedDatabase = WithoutPassword(r.string(o, "linkedDatabase", where, false));
    t.connect = WithoutPassword(r.string(o, "connect", where, false));
    t.foreignName = r.string(o, "foreignName", where, false);
    return t;
}

Relationship readRelationship(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o = r.object(v, where,
                             {"name", "table", "referencedTable", "columns", "enforced",
                              "cascadeUpdate", "cascadeDelete", "oneToOne", "cascadeToNull"});
    Relationship rel;
    rel.name = r.string(o, "name", where);
    rel.table = r.string(o, "table", where);
    rel.referencedTable = r.string(o, "referencedTable", where);
    QJsonArray columns = r.array(o, "columns", where);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        QString at = QStringLiteral("%1.columns[%2]").arg(where).arg(i);
        QJsonObject c = r.object(columns[i], at, {"column", "referencedColumn"});
        rel.columns.append({r.string(c, "column", at), r.string(c, "referencedColumn", at)});
    }
    rel.enforced = r.boolean(o, "enforced", where, false);
    rel.cascadeUpdate = r.boolean(o, "cascadeUpdate", where, false);
    rel.cascadeDelete = r.boolean(o, "cascadeDelete", where, false);
    rel.oneToOne = r.boolean(o, "oneToOne", where, false);
    rel.cascadeToNull = r.boolean(o, "cascadeToNull", where, false);
    return rel;
}

View readView(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o = r.object(v, where, {"name", "definition", "hidden"});
    return {r.string(o, "name", where), r.string(o, "definition", where),
            r.boolean(o, "hidden", where, false)};
}

Query readQuery(const Reader& r, const QJsonValue& v, const QString& where) {
    QJsonObject o = r.object(v, where, {"name", "kind", "sql", "parameters", "connect", "hidden"});
    Query q;
    q.name = r.string(o, "name", where);
    const QString kind = r.string(o, "kind", where);
    std::optional<QueryKind> known = QueryKindOfName(kind);
    if (!known)
        r.fail(where + ".kind", QStringLiteral("is not a kind of query: '%1'").arg(kind));
    q.kind = *known;
    q.sql = r.string(o, "sql", where);
    QJsonArray parameters = r.array(o, "parameters", where, false);
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        QString at = QStringLiteral("%1.parameters[%2]").arg(where).arg(i);
        QJsonObject p = r.object(parameters[i], at, {"name", "type"});
        q.parameters.append({r.string(p, "name", at), r.string(p, "type", at)});
    }
    q.connect = WithoutPassword(r.string(o, "connect", where, false));
    q.hidden = r.boolean(o, "hidden", where, false);
    return q;
}

// 1-based line and column of a byte offset, counting columns in characters.
std::pair<int, int> lineAndColumn(const QByteArray& data, qsizetype offset) {
    offset = qBound<qsizetype>(0, offset, data.size());
    QByteArray before = data.left(offset);
    int line = static_cast<int>(before.count('\n')) + 1;
    qsizetype lineStart = before.lastIndexOf('\n') + 1;
    int column = static_cast<int>(QString::fromUtf8(before.mid(lineStart)).size()) + 1;
    return {line, column};
}

} // namespace

QJsonObject SnapshotTableJson(const Table& t) {
    QJsonArray columns;
    for (const Column& c : t.columns)
        columns.append(columnJson(c));
    QJsonArray indexes;
    for (const Index& i : t.indexes)
        indexes.append(indexJson(i));
    QJsonObject o{
        {"name", t.name}, {"type", TypeName(t.kind)}, {"columns", columns}, {"indexes", indexes}};
    putText(o, "description", t.description);
    putText(o, "validationRule", t.validationRule);
    putText(o, "validationText", t.validationText);
    putText(o, "linkedDatabase", t.linkedDatabase);
    putText(o, "connect", t.connect);
    putText(o, "foreignName", t.foreignName);
    return o;
}

QByteArray WriteSnapshotJson(const Schema& schema) {
    QJsonArray tables;
    for (const Table& t : schema.tables)
        tables.append(SnapshotTableJson(t));
    QJsonArray views;
    for (const View& v : schema.views)
        views.append(viewJson(v));
    QJsonArray relationships;
    for (const Relationship& r : schema.relationships)
        relationships.append(relationshipJson(r));

    QJsonObject root{{"format", kSnapshotFormatName},
                     {"version", kSnapshotVersion},
                     {"tables", tables},
                     {"views", views},
                     {"relationships", relationships}};
    if (!schema.sourceFormat.isEmpty())
        root["sourceFormat"] = schema.sourceFormat;
    if (!schema.queries.isEmpty()) {
        QJsonArray queries;
        for (const Query& q : schema.queries)
            queries.append(queryJson(q));
        root["queries"] = queries;
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Schema ReadSnapshotJson(const QByteArray& data, const QString& sourceName) {
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        auto [line, column] = lineAndColumn(data, parseError.offset);
        throw Error(ErrorCode::Provider,
                    QStringLiteral("The snapshot '%1' is not valid JSON: %2 at line %3, "
                                   "column %4.")
                        .arg(sourceName, parseError.errorString())
                        .arg(line)
                        .arg(column));
    }
    Reader r(sourceName);
    const JsonLayout layout = ScanJsonLayout(data);
    auto at = [&](qsizetype offset) {
        auto [line, column] = lineAndColumn(data, offset);
        return QStringLiteral("at line %1, column %2").arg(line).arg(column);
    };
    // The parser keeps the last of two equal keys; the first one's value would be lost unseen.
    if (layout.repeated)
        r.fail(layout.repeated->where, QStringLiteral("gives the field '%1' twice (the second %2)")
                                           .arg(layout.repeated->key, at(layout.repeated->offset)));
    if (!doc.isObject())
        r.fail(QStringLiteral("the document"), QStringLiteral("must be an object"));
    QJsonObject root = r.object(
        doc.object(), QStringLiteral("the document"),
        {"format", "version", "sourceFormat", "tables", "views", "relationships", "queries"});
    if (root.value("format").toString() != kSnapshotFormatName)
        r.fail(QStringLiteral("format"), QStringLiteral("must be \"%1\"").arg(kSnapshotFormatName));
    qint32 version = *r.integer(root, "version", QStringLiteral("the document"), true);
    if (version < 1 || version > kSnapshotVersion)
        r.fail(QStringLiteral("version %1").arg(version),
               QStringLiteral("is not supported by this version of Vantor (it reads up to %1)")
                   .arg(kSnapshotVersion));

    Schema schema;
    schema.sourceFormat = r.string(root, "sourceFormat", "the document", false);
    QJsonArray tables = r.array(root, "tables", QStringLiteral("the document"));
    for (qsizetype i = 0; i < tables.size(); ++i)
        schema.tables.append(readTable(r, tables[i], QStringLiteral("tables[%1]").arg(i)));
    QJsonArray views = r.array(root, "views", QStringLiteral("the document"));
    for (qsizetype i = 0; i < views.size(); ++i) {
        schema.views.append(readView(r, views[i], QStringLiteral("views[%1]").arg(i)));
    }
    QJsonArray relationships = r.array(root, "relationships", "the document", false);
    for (qsizetype i = 0; i < relationships.size(); ++i)
        schema.relationships.append(
            readRelationship(r, relationships[i], QStringLiteral("relationships[%1]").arg(i)));
    QJsonArray queries = r.array(root, "queries", "the document", false);
    for (qsizetype i = 0; i < queries.size(); ++i)
        schema.queries.append(readQuery(r, queries[i], QStringLiteral("queries[%1]").arg(i)));

    // Tables, views and queries share one set of names in Access, matched in any letter case; a
    // second object of a name would stand in for the first in every comparison.
    QHash<QString, QString> placeOfName;
    auto claim = [&](const QString& name, const QString& place) {
        const QString key = FoldKey(name);
        if (const auto it = placeOfName.constFind(key); it != placeOfName.constEnd())
            r.fail(place, QStringLiteral("%1 is named '%2', as %3 is already")
                              .arg(at(layout.elementOffsets.value(place)), name, it.value()));
        placeOfName.insert(key, place);
    };
    for (qsizetype i = 0; i < schema.tables.size(); ++i)
        claim(schema.tables[i].name, QStringLiteral("tables[%1]").arg(i));
    for (qsizetype i = 0; i < schema.views.size(); ++i)
        claim(schema.views[i].name, QStringLiteral("views[%1]").arg(i));
    for (qsizetype i = 0; i < schema.queries.size(); ++i)
        claim(schema.queries[i].name, QStringLiteral("queries[%1]").arg(i));
    return schema;
}

} // namespace vantor
