#include "engine/access/writer/AlterColumnType.h"

#include "engine/access/writer/CatalogProperties.h"
#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/CreateTable.h"
#include "engine/access/writer/DropTable.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableRewrite.h"
#include "engine/access/writer/ValueConversion.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr int kMapRowSize = 69;
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

} // namespace

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
    if (InRelationship(file, table.name, old.name))
        RaiseDdlError(
            QStringLiteral("Vantor cannot change the field '%1' while a relationship uses "
                           "it; drop the relationship first.")
                .arg(old.name));

    ColumnDef c = *NewColumnDef(s.column.column, sortVersion);
    const bool becomesAutoNumber = (c.flags & kAutoNumberFlags) != 0;
    if (becomesAutoNumber && (old.flags & kAutoNumberFlags) == 0 && RowsOf(file, before) > 0)
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
                            : FixedAreaEnd(after);
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
    RewriteRows(file, allocator, before, after, format, [&](RowValues values) {
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
        ReleaseLongValue(file, allocator, after, field);
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
