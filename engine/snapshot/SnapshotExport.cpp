#include "engine/snapshot/SnapshotExport.h"

#include "engine/Connection.h"
#include "engine/SchemaRowsets.h"
#include "engine/SnapshotJson.h"
#include "engine/snapshot/SnapshotFile.h"
#include "model/VantorError.h"

#include <algorithm>

namespace vantor {

namespace {

std::optional<DbSchema> wholeSchema(Connection& cn) {
    std::shared_ptr<Recordset> rs;
    try {
        rs = cn.OpenSchema(kSchemaWholeSnapshot);
    } catch (const VantorError&) {
        return std::nullopt; // a back end that keeps no whole schema
    }
    if (rs->Eof())
        return std::nullopt;
    rs->MoveFirst();
    return ReadSnapshotJson(rs->Fields(kSnapshotColumn).Value().toByteArray(),
                            QStringLiteral("(the open database)"));
}

QList<SchemaColumn> columnsOf(Connection& cn, const QString& table) {
    auto rs = cn.OpenSchema(adSchemaColumns, {QVariant(), QVariant(), table, QVariant()});
    QList<SchemaColumn> columns;
    if (!rs->Eof())
        rs->MoveFirst();
    for (; !rs->Eof(); rs->MoveNext()) {
        SchemaColumn c;
        c.name = rs->Fields(schemacol::ColumnName).Value().toString();
        c.dataType = rs->Fields(schemacol::DataType).Value().toInt();
        QVariant length = rs->Fields(schemacol::CharacterMaximumLength).Value();
        if (!length.isNull())
            c.maxLength = length.toInt();
        c.nullable = rs->Fields(schemacol::IsNullable).Value().toBool();
        if (rs->ColumnNames().contains(schemacol::OrdinalPosition))
            c.ordinal = rs->Fields(schemacol::OrdinalPosition).Value().toInt();
        columns.append(c);
    }
    rs->Close();
    // Rowsets come in name order; the snapshot keeps the table's own order where it is known.
    bool ordered = std::all_of(columns.begin(), columns.end(),
                               [](const SchemaColumn& c) { return c.ordinal > 0; });
    if (ordered)
        std::stable_sort(
            columns.begin(), columns.end(),
            [](const SchemaColumn& a, const SchemaColumn& b) { return a.ordinal < b.ordinal; });
    else
        for (qsizetype i = 0; i < columns.size(); ++i)
            columns[i].ordinal = static_cast<qint32>(i + 1);
    return columns;
}

DbSchema schemaFromRowsets(Connection& cn) {
    DbSchema schema;
    auto tables = cn.OpenSchema(adSchemaTables);
    if (!tables->Eof())
        tables->MoveFirst();
    for (; !tables->Eof(); tables->MoveNext()) {
        QString type = tables->Fields(schemacol::TableType).Value().toString();
        if (type == QLatin1String("VIEW"))
            continue; // views come with their definitions from the views rowset
        SchemaTable t;
        t.name = tables->Fields(schemacol::TableName).Value().toString();
        t.type = type;
        schema.tables.append(t);
    }
    tables->Close();
    for (SchemaTable& t : schema.tables)
        t.columns = columnsOf(cn, t.name);
    auto views = cn.OpenSchema(adSchemaViews);
    if (!views->Eof())
        views->MoveFirst();
    for (; !views->Eof(); views->MoveNext())
        schema.views.append({views->Fields(schemacol::TableName).Value().toString(),
                             views->Fields(schemacol::ViewDefinition).Value().toString()});
    views->Close();
    return schema;
}

} // namespace

DbSchema ReadDatabaseSchema(Connection& cn) {
    if (std::optional<DbSchema> whole = wholeSchema(cn))
        return *whole;
    return schemaFromRowsets(cn);
}

void SaveSnapshot(const DbSchema& schema, const QString& path) {
    ReplaceFileAtomically(path, WriteSnapshotJson(schema));
}

void ExportSnapshot(Connection& cn, const QString& path) {
    SaveSnapshot(ReadDatabaseSchema(cn), path);
}

} // namespace vantor
