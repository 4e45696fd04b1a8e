#include "engine/SchemaRowsets.h"

#include "engine/SnapshotJson.h"
#include "model/KeyedCollection.h"
#include "model/VantorError.h"

#include <algorithm>

namespace vantor {

namespace {

// Case-insensitive order with the exact spelling as a tie-breaker, so the order is total. Each
// name is folded once, not once per comparison: folding is what sorting a large schema costs.
template <typename T, typename Group, typename Name>
void sortByName(QList<T>& items, Group groupOf, Name nameOf) {
    struct Keyed {
        QString group;
        QString folded;
        T item;
    };
    QList<Keyed> keyed;
    keyed.reserve(items.size());
    for (const T& item : items)
        keyed.append({groupOf(item), FoldKey(nameOf(item)), item});
    std::sort(keyed.begin(), keyed.end(), [&nameOf](const Keyed& a, const Keyed& b) {
        if (a.group != b.group)
            return a.group < b.group;
        int c = a.folded.compare(b.folded);
        return c != 0 ? c < 0 : nameOf(a.item) < nameOf(b.item);
    });
    for (qsizetype i = 0; i < items.size(); ++i)
        items[i] = keyed[i].item;
}

template <typename T, typename Name> void sortByName(QList<T>& items, Name nameOf) {
    sortByName(
        items, [](const T&) { return QString(); }, nameOf);
}

std::shared_ptr<Recordset> tablesRowset(const DbSchema& schema) {
    QList<std::pair<QString, QString>> rows; // type, name
    for (const SchemaTable& t : schema.tables)
        rows.append({t.type, t.name});
    for (const SchemaView& v : schema.views)
        rows.append({QStringLiteral("VIEW"), v.name});
    sortByName(
        rows, [](const auto& row) { return row.first; },
        [](const auto& row) { return row.second; });
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
    sortByName(columns, [](const SchemaColumn* c) { return c->name; });
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
        sortByName(tables, [](const SchemaTable* t) { return t->name; });
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
    sortByName(views, [](const SchemaView* v) { return v->name; });
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
