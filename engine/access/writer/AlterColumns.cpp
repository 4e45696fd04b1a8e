#include "engine/access/writer/AlterColumns.h"

#include "engine/access/writer/CatalogProperties.h"
#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/CreateTable.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "engine/access/writer/ValueConversion.h"

#include <QSet>
#include <functional>

namespace vantor::jet {

namespace {

constexpr int kMaxColumns = 255;
constexpr int kMapRowSize = 69;
constexpr qint32 kTopParentId = 0x0F000000;
// Column flags that follow from the type: fixed length, AutoNumber (long and GUID), hyperlink.
constexpr quint8 kTypeFlags = 0x01 | 0x04 | 0x40 | 0x80;
constexpr quint8 kAutoNumberFlags = 0x04 | 0x40;
constexpr quint8 kCalculatedFlags = 0xc0;

bool isText(const ColumnDef& c) {
    return c.type == TypeText || c.type == TypeMemo;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

qsizetype rowsOf(const PageFile& file, const TableDef& def) {
    qsizetype rows = 0;
    ForEachRow(file, def, [&rows](RowPointer, const QByteArray&) { ++rows; });
    return rows;
}

constexpr int kSlotTableOffset = 14;
constexpr int kMaxRowsPerPage = 255;

QByteArray emptyDataPage(int pageSize, quint32 tablePage) {
    QByteArray page(pageSize, '\0');
    PutU8(page, 0, kDataPageType);
    PutU8(page, 1, 0x01);
    PutU16(page, 2, static_cast<quint16>(pageSize - kSlotTableOffset));
    PutU32(page, 4, tablePage);
    return page;
}

// Puts a row after a page's last one when it has room.
bool appendRow(QByteArray& page, const QByteArray& row) {
    const int slots = U16(page, 12);
    const int free = U16(page, 2);
    if (slots >= kMaxRowsPerPage || free < row.size() + 2)
        return false;
    const int lowest =
        slots == 0 ? int(page.size()) : (U16(page, kSlotTableOffset + 2 * (slots - 1)) & 0x1fff);
    const int start = lowest - int(row.size());
    page.replace(start, row.size(), row);
    PutU16(page, kSlotTableOffset + 2 * slots, static_cast<quint16>(start));
    PutU16(page, 12, static_cast<quint16>(slots + 1));
    PutU16(page, 2, static_cast<quint16>(free - row.size() - 2));
    return true;
}

// Writes every row again for the table's new definition, `convert` turning a row's old values
// into its new ones. The table's data pages are filled afresh in their order, so the rows keep
// their order; pages left over are given back and every index is filled again. The caller writes
// the definition.
void rewriteRows(PageFile& file, PageAllocator& allocator, const TableDef& before, TableDef& after,
                 KeyFormat format, const std::function<RowValues(const RowValues&)>& convert) {
    QList<QByteArray> rows;
    // Every row is encoded before any is touched, so a row that no longer fits fails first.
    ForEachRow(file, before, [&](RowPointer, const QByteArray& row) {
        rows.append(EncodeRow(after, convert(DecodeRow(before, row))));
    });
    if (rows.isEmpty())
        return;
    // Nothing but the table's indexes points at its rows, and those are filled again below.
    const RowPointer ownedMap = RowPointer::FromRaw(after.ownedMap);
    const RowPointer freeMap = RowPointer::FromRaw(after.freeMap);
    QList<quint32> pages;
    for (quint32 number : ReadUsageMap(file, ownedMap).pages) {
        const QByteArray page = file.Page(number);
        if (U8(page, 0) == kDataPageType && U32(page, 4) == after.page)
            pages.append(number);
    }
    const UsageMap withSpace = ReadUsageMap(file, freeMap);
    after.rowCount = 0;
    qsizetype next = 0;
    for (quint32 number : pages) {
        QByteArray page = emptyDataPage(file.PageSize(), after.page);
        while (next < rows.size() && appendRow(page, rows[next])) {
            ++next;
            ++after.rowCount;
        }
        if (U16(page, 12) == 0) {
            RemovePageFromMap(file, ownedMap, number);
            RemovePageFromMap(file, freeMap, number);
            allocator.FreePage(number);
            continue;
        }
        file.WritePage(number, page);
        if (!withSpace.Contains(number))
            AddPageToMap(file, allocator, freeMap, number);
    }
    for (; next < rows.size(); ++next)
        InsertRow(file, allocator, after, rows[next]);
    for (int i = 0; i < after.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, after, i, format);
}

// The fixed area's end over the table's live columns, where a new fixed column goes.
quint16 fixedAreaEnd(const TableDef& def) {
    int end = 0;
    for (const ColumnDef& c : def.columns)
        if (c.IsFixed() && c.type != TypeBoolean)
            end = std::max(end, c.fixedOffset + c.length);
    return static_cast<quint16>(end);
}

// Whether a relationship of the file joins on this column of this table.
bool inRelationship(const PageFile& file, const QString& table, const QString& column) {
    const QList<CatalogObject> catalog = ReadCatalog(file);
    qint32 tables = 0;
    for (const CatalogObject& o : catalog)
        if (o.parentId == kTopParentId && o.name == QLatin1String("Tables"))
            tables = o.id;
    for (const CatalogObject& o : catalog) {
        if (o.parentId != tables || o.name != QLatin1String("MSysRelationships"))
            continue;
        const TableDef def = ReadTableDef(file, quint32(o.id));
        QHash<QString, qsizetype> at;
        for (qsizetype i = 0; i < def.columns.size(); ++i)
            at.insert(def.columns[i].name.toLower(), i);
        auto text = [&](const RowValues& values, const char* name) {
            const std::optional<QByteArray> value = values.value(at.value(name, -1));
            return value ? DecodeText(*value) : QString();
        };
        bool used = false;
        ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
            const RowValues values = DecodeRow(def, row);
            used = used ||
                   (sameName(text(values, "szobject"), table) &&
                    sameName(text(values, "szcolumn"), column)) ||
                   (sameName(text(values, "szreferencedobject"), table) &&
                    sameName(text(values, "szreferencedcolumn"), column));
        });
        return used;
    }
    return false;
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
    if (inRelationship(file, table, column.name))
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
    const bool holdsRows = rowsOf(file, before) > 0;
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
            c.fixedOffset = fixedAreaEnd(after);
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
    rewriteRows(file, allocator, before, after, format, [added](RowValues values) {
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
    rewriteRows(file, allocator, before, after, format, [&](const RowValues& values) {
        for (qsizetype position : droppedLongValues)
            if (const std::optional<QByteArray>& field = values.value(position))
                orphans.append(*field);
        RowValues left;
        for (qsizetype position : kept)
            left.append(values.value(position));
        return left;
    });
    for (const QByteArray& field : orphans)
        ReleaseLongValue(file, allocator, field);
    WriteTableDef(file, allocator, after);

    const QByteArray blob = ReadObjectProperties(file, table);
    QByteArray trimmed = blob;
    for (const QString& name : dropped)
        trimmed = WithoutColumnProperties(trimmed, name);
    if (trimmed != blob)
        WriteObjectProperties(file, allocator, table, trimmed, format);
}

std::optional<QString> WhyAlterColumnNotWritable(const AlterColumnStmt& s) {
    if (!s.column.constraints.isEmpty())
        return QStringLiteral("Vantor cannot add PRIMARY KEY, UNIQUE or FOREIGN KEY constraints to "
                              "a table of an Access file with ALTER TABLE yet.");
    if (!NewColumnDef(s.column.column, 0))
        return QStringLiteral("Vantor cannot give the column '%1' of an Access file this type "
                              "yet.")
            .arg(s.column.column.name);
    return std::nullopt;
}

void AlterColumn(PageFile& file, PageAllocator& allocator, const AlterColumnStmt& s,
                 KeyFormat format, quint8 sortVersion) {
    if (std::optional<QString> why = WhyAlterColumnNotWritable(s))
        RaiseDdlError(*why);
    const CatalogObject table = RequireUserTable(file, s.table);
    const TableDef before = ReadTableDef(file, quint32(table.id));
    qsizetype position = -1;
    for (qsizetype i = 0; i < before.columns.size(); ++i)
        if (sameName(before.columns[i].name, s.column.column.name))
            position = i;
    if (position < 0)
        RaiseDdlError(QStringLiteral("Field '%1' does not exist in table '%2'.")
                          .arg(s.column.column.name, table.name));
    const ColumnDef old = before.columns[position];
    if (old.type == TypeComplex || (old.extraFlags & kCalculatedFlags) != 0)
        RaiseDdlError(QStringLiteral("Vantor cannot change the attachment, multi-valued or "
                                     "calculated field '%1' yet.")
                          .arg(old.name));
    // Whether Jet converts a related field in place is not known here; refuse rather than guess.
    if (inRelationship(file, table.name, old.name))
        RaiseDdlError(
            QStringLiteral("Vantor cannot change the field '%1' while a relationship uses "
                           "it; drop the relationship first.")
                .arg(old.name));

    ColumnDef c = *NewColumnDef(s.column.column, sortVersion);
    const bool becomesAutoNumber = (c.flags & kAutoNumberFlags) != 0;
    if (becomesAutoNumber && (old.flags & kAutoNumberFlags) == 0 && rowsOf(file, before) > 0)
        RaiseDdlError(QStringLiteral("Vantor cannot make the field '%1' an AutoNumber while table "
                                     "'%2' holds rows.")
                          .arg(old.name, table.name));
    bool indexed = false;
    for (const RealIndexDef& index : before.realIndexes)
        for (const IndexColumnRef& ref : index.UsedColumns())
            indexed = indexed || ref.number == old.number;
    if (indexed && c.IsLongValue())
        RaiseDdlError(QStringLiteral("Vantor cannot make the indexed field '%1' a memo or OLE "
                                     "field.")
                          .arg(old.name));

    TableDef after = before;
    after.columns.removeAt(position);
    c.number = old.number;
    c.spareNumber = old.spareNumber;
    c.name = old.name;
    c.flags = quint8((old.flags & ~kTypeFlags) | (c.flags & kTypeFlags));
    if (isText(old) && isText(c)) {
        c.typeInfo = old.typeInfo;
        c.extraFlags = old.extraFlags;
    }
    c.varIndex = old.varIndex;
    if (!c.IsFixed() && old.IsFixed())
        c.varIndex = after.varColumns++;
    if (c.IsFixed() && c.type != TypeBoolean)
        c.fixedOffset = old.IsFixed() && old.type != TypeBoolean && c.length <= old.length
                            ? old.fixedOffset
                            : fixedAreaEnd(after);
    QSet<quint32> freed;
    if (old.IsLongValue() && !c.IsLongValue()) {
        for (const LongValueMaps& maps : after.longValueMaps)
            if (maps.column == old.number) {
                DropMapRow(file, allocator, RowPointer::FromRaw(maps.ownedMap), freed);
                DropMapRow(file, allocator, RowPointer::FromRaw(maps.freeMap), freed);
            }
        after.longValueMaps.removeIf(
            [&](const LongValueMaps& maps) { return maps.column == old.number; });
    }
    if (c.IsLongValue() && !old.IsLongValue()) {
        const QByteArray empty(kMapRowSize, '\0');
        const quint32 owned = AddMapRow(file, allocator, after, empty).Raw();
        const quint32 free = AddMapRow(file, allocator, after, empty).Raw();
        after.longValueMaps.append({c.number, owned, free});
    }
    after.columns.insert(position, c);

    const bool required = s.column.nullable == false && !s.column.alwaysRequired;
    QList<QByteArray> replaced; // long values the rows no longer point at
    rewriteRows(file, allocator, before, after, format, [&](RowValues values) {
        const std::optional<QByteArray> was = values.value(position);
        values[position] = ConvertValue(file, allocator, old, c, was);
        if (required && !values[position])
            RaiseDdlError(QStringLiteral("The field '%1.%2' cannot contain a Null value because "
                                         "the Required property for this field is set to True. "
                                         "Enter a value in this field.")
                              .arg(table.name, old.name));
        if (old.IsLongValue() && was && values[position] != was)
            replaced.append(*was);
        return values;
    });
    for (const QByteArray& field : replaced)
        ReleaseLongValue(file, allocator, field);
    WriteTableDef(file, allocator, after);

    // Nullability changes only where the statement says, or where Yes/No refused nulls by type.
    std::optional<bool> requiredProperty;
    if (s.column.nullable || s.column.alwaysRequired)
        requiredProperty = required;
    else if (old.type == TypeBoolean)
        requiredProperty = false;
    if (!requiredProperty && !s.column.column.defaultValue)
        return;
    const QByteArray blob = ReadObjectProperties(file, table);
    const QByteArray changed =
        WithColumnProperties(blob, old.name, requiredProperty, s.column.column.defaultValue);
    if (changed != blob)
        WriteObjectProperties(file, allocator, table, changed, format);
}

} // namespace vantor::jet
