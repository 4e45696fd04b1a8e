#include "engine/SchemaRowsets.h"

#include "engine/SnapshotJson.h"
#include "model/KeyedCollection.h"
#include "model/VantorError.h"

#include <algorithm>

namespace vantor {

namespace {

// Case-insensitive order with the exact spelling as a tie-breaker, so the order is total.
bool nameLess(const QString& a, const QString& b) {
    int c = FoldKey(a).compare(FoldKey(b));
    return c != 0 ? c < 0 : a < b;
}

std::shared_ptr<Recordset> tablesRowset(const DbSchema& schema) {
    QList<std::pair<QString, QString>> rows; // type, name
    for (const SchemaTable& t : schema.tables)
        rows.append({t.type, t.name});
    for (const SchemaView& v : schema.views)
        rows.append({QStringLiteral("VIEW"), v.name});
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first < b.first;
        return nameLess(a.second, b.second);
    });
    QList<QVariantList> out;
    out.reserve(rows.size());
    for (const auto& [type, name] : rows)
        out.append({name, type});
    return std::make_shared<Recordset>(QStringList{schemacol::TableName, schemacol::TableType},
                                       out);
}

void appendColumns(const SchemaTable& t, QList<QVariantList>& out) {
    QList<const SchemaColumn*> columns;
    for (const SchemaColumn& c : t.columns)
        columns.append(&c);
    std::sort(columns.begin(), columns.end(), [](const SchemaColumn* a, const SchemaColumn* b) {
        return nameLess(a->name, b->name);
    });
    for (const SchemaColumn* c : columns)
        out.append({t.name, c->name, c->dataType,
                    c->maxLength ? QVariant(*c->maxLength) : QVariant(), c->nullable, c->ordinal});
}

std::shared_ptr<Recordset> columnsRowset(const DbSchema& schema, const QString& tableName) {
    QList<QVariantList> out;
    if (!tableName.isEmpty()) {
        if (const SchemaTable* t = schema.FindTable(tableName))
            appendColumns(*t, out);
    } else {
        QList<const SchemaTable*> tables;
        for (const SchemaTable& t : schema.tables)
            tables.append(&t);
        std::sort(tables.begin(), tables.end(), [](const SchemaTable* a, const SchemaTable* b) {
            return nameLess(a->name, b->name);
        });
        for (const SchemaTable* t : tables)
            appendColumns(*t, out);
    }
    return std::make_shared<Recordset>(
        QStringList{schemacol::TableName, schemacol::ColumnName, schemacol::DataType,
                    schemacol::CharacterMaximumLength, schemacol::IsNullable,
                    schemacol::OrdinalPosition},
        out);
}

std::shared_ptr<Recordset> viewsRowset(const DbSchema& schema) {
    QList<const SchemaView*> views;
    for (const SchemaView& v : schema.views)
        views.append(&v);
    std::sort(views.begin(), views.end(),
              [](const SchemaView* a, const SchemaView* b) { return nameLess(a->name, b->name); });
    QList<QVariantList> out;
    for (const SchemaView* v : views)
        out.append({v->name, v->definition});
    return std::make_shared<Recordset>(QStringList{schemacol::TableName, schemacol::ViewDefinition},
                                       out);
}

} // namespace

std::shared_ptr<Recordset> SchemaRowset(const DbSchema& schema, qint32 schemaKind,
                                        const QVariantList& criteria) {
    switch (schemaKind) {
    case adSchemaTables:
        return tablesRowset(schema);
    case adSchemaColumns:
        return columnsRowset(schema, CriteriaTableName(criteria));
    case adSchemaViews:
        return viewsRowset(schema);
    case kSchemaWholeSnapshot:
        return std::make_shared<Recordset>(QStringList{kSnapshotColumn},
                                           QList<QVariantList>{{WriteSnapshotJson(schema)}});
    default:
        throw VantorError(err::Provider, QStringLiteral("Object or provider is not capable of "
                                                        "performing requested operation."));
    }
}

DbSchema& SchemaSession::Schema() {
    if (loadError_)
        throw *loadError_;
    if (!schema_) {
        try {
            schema_ = LoadSchema();
        } catch (const VantorError& e) {
            loadError_ = e;
            throw;
        }
    }
    return *schema_;
}

std::shared_ptr<Recordset> SchemaSession::OpenSchema(qint32 schema, const QVariantList& criteria) {
    return SchemaRowset(Schema(), schema, criteria);
}

} // namespace vantor
