#include "engine/access/writer/AlterColumns.h"

#include "engine/access/writer/CatalogProperties.h"
#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/CreateTable.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableRewrite.h"
#include "engine/access/writer/TableScan.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr int kMaxColumns = 255;
constexpr int kMapRowSize = 69;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void requireDroppable(const PageFile& file, const TableDef& def, const QString& table,
                      const ColumnDef& column) {
    for (const LogicalIndexDef& l : def.logicalIndexes) {
        // A relationship's own index answers for the relationship below.
        if (l.foreignKeySide != 0)
            continue;
        for (const IndexColumnRef& ref : def.realIndexes.value(l.realIndex).UsedColumns())
            if (ref.number == column.number)
                RaiseDdlError(QStringLiteral("Cannot delete field '%1'; it is part of the index "
                                             "'%2'. Drop the index first.")
                                  .arg(column.name, l.name));
    }
    if (InRelationship(file, table, column.name))
        RaiseDdlError(
            QStringLiteral("Cannot delete field '%1'; it is part of one or more relationships.")
                .arg(column.name));
    if (column.type == TypeComplex)
        RaiseDdlError(QStringLiteral("Vantor cannot drop the attachment or multi-valued field "
                                     "'%1' from an Access file yet.")
                          .arg(column.name));
}

} // namespace

std::optional<QString> WhyAddColumnsNotWritable(const AlterAddStmt& s) {
    bool constraints = !s.constraints.isEmpty();
    for (const DdlColumn& c : s.columns)
        constraints = constraints || !c.constraints.isEmpty();
    if (constraints)
        return QStringLiteral("Vantor cannot add PRIMARY KEY, UNIQUE or FOREIGN KEY constraints to "
                              "a table of an Access file with ALTER TABLE yet.");
    for (const DdlColumn& c : s.columns)
        if (!NewColumnDef(c.column, 0))
            return QStringLiteral("Vantor cannot add the column '%1' to an Access file: its type "
                                  "is not one it writes yet.")
                .arg(c.column.name);
    return std::nullopt;
}

void AddColumns(PageFile& file, PageAllocator& allocator, const AlterAddStmt& s, KeyFormat format,
                quint8 sortVersion) {
    if (std::optional<QString> why = WhyAddColumnsNotWritable(s))
        RaiseDdlError(*why);
    const CatalogObject table = RequireUserTable(file, s.table);
    const TableDef before = ReadTableDef(file, quint32(table.id));
    const bool holdsRows = RowsOf(file, before) > 0;
    TableDef after = before;
    QList<ColumnProperties> properties;
    for (const DdlColumn& ddl : s.columns) {
        RequireValidName(ddl.column.name);
        for (const ColumnDef& c : after.columns)
            if (sameName(c.name, ddl.column.name))
                RaiseDdlError(QStringLiteral("Field '%1' already exists in table '%2'.")
                                  .arg(ddl.column.name, table.name));
        if (after.columns.size() >= kMaxColumns || after.maxColumns >= kMaxColumns)
            RaiseDdlError(QStringLiteral("Too many fields defined."));
        const bool required = !ddl.alwaysRequired && ddl.nullable == false;
        if (holdsRows && (required || ddl.column.autoNumber))
            RaiseDdlError(
                QStringLiteral("Vantor cannot add the %1 field '%2' to table '%3' "
                               "while the table holds rows.")
                    .arg(required ? QStringLiteral("required") : QStringLiteral("AutoNumber"),
                         ddl.column.name, table.name));
        ColumnDef c = *NewColumnDef(ddl.column, sortVersion);
        c.number = after.maxColumns;
        c.spareNumber = c.number;
        ++after.maxColumns;
        c.varIndex = after.varColumns;
        if (!c.IsFixed())
            ++after.varColumns;
        else if (c.type != TypeBoolean)
            c.fixedOffset = FixedAreaEnd(after);
        if (c.IsLongValue()) {
            const QByteArray empty(kMapRowSize, '\0');
            const quint32 owned = AddMapRow(file, allocator, after, empty).Raw();
            const quint32 free = AddMapRow(file, allocator, after, empty).Raw();
            after.longValueMaps.append({c.number, owned, free});
        }
        after.columns.append(c);
        if (required || ddl.column.defaultValue)
            properties.append({ddl.column.name, required, ddl.column.defaultValue});
    }
    const qsizetype added = after.columns.size() - before.columns.size();
    RewriteRows(file, allocator, before, after, format, [added](RowValues values) {
        for (qsizetype i = 0; i < added; ++i)
            values.append(std::nullopt);
        return values;
    });
    WriteTableDef(file, allocator, after);
    if (properties.isEmpty())
        return;
    QByteArray blob = ReadObjectProperties(file, table);
    for (const ColumnProperties& p : properties)
        blob = WithColumnProperties(blob, p.column, p.required, p.defaultValue);
    WriteObjectProperties(file, allocator, table, blob, format);
}

void DropColumns(PageFile& file, PageAllocator& allocator, const AlterDropColumnsStmt& s,
                 KeyFormat format) {
    const CatalogObject table = RequireUserTable(file, s.table);
    const TableDef before = ReadTableDef(file, quint32(table.id));
    TableDef after = before;
    QList<qsizetype> kept;
    for (qsizetype i = 0; i < before.columns.size(); ++i)
        kept.append(i);
    QStringList dropped;
    QList<qsizetype> droppedLongValues; // positions in `before`
    QSet<quint32> freed;
    for (const QString& name : s.columns) {
        qsizetype position = -1;
        for (qsizetype i = 0; i < after.columns.size(); ++i)
            if (sameName(after.columns[i].name, name))
                position = i;
        if (position < 0)
            RaiseDdlError(
                QStringLiteral("Field '%1' does not exist in table '%2'.").arg(name, table.name));
        const ColumnDef column = after.columns[position];
        requireDroppable(file, after, table.name, column);
        if (column.IsLongValue()) {
            droppedLongValues.append(kept[position]);
            for (const LongValueMaps& maps : after.longValueMaps)
                if (maps.column == column.number) {
                    DropMapRow(file, allocator, RowPointer::FromRaw(maps.ownedMap), freed);
                    DropMapRow(file, allocator, RowPointer::FromRaw(maps.freeMap), freed);
                }
            after.longValueMaps.removeIf(
                [&](const LongValueMaps& maps) { return maps.column == column.number; });
        }
        after.columns.removeAt(position);
        kept.removeAt(position);
        dropped.append(column.name);
    }
    if (after.columns.isEmpty())
        RaiseDdlError(QStringLiteral("Vantor cannot drop every field of table '%1'; drop the "
                                     "table instead.")
                          .arg(table.name));

    // The dropped memo and OLE values' own rows go with them.
    QList<QByteArray> orphans;
    RewriteRows(file, allocator, before, after, format, [&](const RowValues& values) {
        for (qsizetype position : droppedLongValues)
            if (const std::optional<QByteArray>& field = values.value(position))
                orphans.append(*field);
        RowValues left;
        for (qsizetype position : kept)
            left.append(values.value(position));
        return left;
    });
    for (const QByteArray& field : orphans)
        ReleaseLongValue(file, allocator, after, field);
    WriteTableDef(file, allocator, after);

    const QByteArray blob = ReadObjectProperties(file, table);
    QByteArray trimmed = blob;
    for (const QString& name : dropped)
        trimmed = WithoutColumnProperties(trimmed, name);
    if (trimmed != blob)
        WriteObjectProperties(file, allocator, table, trimmed, format);
}

} // namespace vantor::jet
