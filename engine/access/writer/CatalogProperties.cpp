#include "engine/access/writer/CatalogProperties.h"

#include "engine/access/writer/ColumnProperties.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/UsageMap.h"

#include <QSet>

namespace vantor::jet {

namespace {

// What CREATE TABLE already keeps in the catalog row; larger blobs go to pages of their own.
constexpr int kMaxInlineValue = 2000;
constexpr int kMaxSingleRow = 4076;
constexpr int kChainPiece = 4072;
constexpr int kFieldSize = 12;
constexpr int kSlotTableOffset = 14;
constexpr quint32 kSingleRowKind = 0x40000000;
constexpr quint32 kLengthMask = 0x3fffffff;
constexpr quint16 kDeletedFlags = 0xc000;

qsizetype lvPropPosition(const TableDef& objects) {
    for (qsizetype i = 0; i < objects.columns.size(); ++i)
        if (objects.columns[i].name.compare(QLatin1String("LvProp"), Qt::CaseInsensitive) == 0)
            return i;
    RaiseDamaged(QStringLiteral("the catalog lacks its column LvProp"));
}

RowValues catalogRow(const PageFile& file, const TableDef& objects, const CatalogObject& object) {
    const std::optional<QByteArray> row = ReadRow(file, object.where);
    if (!row)
        RaiseDamaged(QStringLiteral("the catalog row of %1 is gone").arg(object.name));
    return DecodeRow(objects, *row);
}

// A page of long value rows holding exactly one row.
QByteArray longValuePage(const PageFile& file, const QByteArray& row) {
    QByteArray page(file.PageSize(), '\0');
    PutU8(page, 0, kDataPageType);
    PutU8(page, 1, 0x01);
    page.replace(4, 4, QByteArray("LVAL", 4));
    const int start = file.PageSize() - int(row.size());
    page.replace(start, row.size(), row);
    PutU16(page, 12, 1);
    PutU16(page, kSlotTableOffset, static_cast<quint16>(start));
    PutU16(page, 2, static_cast<quint16>(start - kSlotTableOffset - 2));
    return page;
}

// Takes a page out of every map of the table, so that nothing still counts it as the table's
// once it is given back.
void forgetPage(PageFile& file, const TableDef& owner, quint32 page) {
    QList<quint32> maps{owner.ownedMap, owner.freeMap};
    for (const LongValueMaps& lv : owner.longValueMaps)
        maps << lv.ownedMap << lv.freeMap;
    for (quint32 map : maps)
        if (RowPointer::FromRaw(map).page != 0)
            RemovePageFromMap(file, RowPointer::FromRaw(map), page);
}

// Marks a long value row deleted, and gives its page back once no live row is left on it.
void markDeleted(PageFile& file, PageAllocator& allocator, const TableDef& owner, RowPointer where,
                 QSet<quint32>& freed) {
    if (freed.contains(where.page))
        return;
    QByteArray page = file.Page(where.page);
    if (U8(page, 0) != kDataPageType)
        RaiseDamaged(QStringLiteral("a long value points at page %1").arg(where.page));
    SlotOf(page, where.row);
    const qsizetype at = kSlotTableOffset + 2 * qsizetype(where.row);
    PutU16(page, at, U16(page, at) | kDeletedFlags);
    file.WritePage(where.page, page);
    if (page.mid(4, 4) != QByteArray("LVAL", 4))
        return;
    for (int row = 0; row < SlotCount(page); ++row)
        if (!SlotOf(page, row).deleted)
            return;
    forgetPage(file, owner, where.page);
    allocator.FreePage(where.page);
    freed.insert(where.page);
}

} // namespace

QByteArray StoreLongValue(PageFile& file, PageAllocator& allocator, const QByteArray& value) {
    if (value.size() <= kMaxInlineValue)
        return InlineLongValue(value);
    QByteArray field;
    if (value.size() <= kMaxSingleRow) {
        const quint32 page = allocator.NewPage(longValuePage(file, value));
        AppendU32(field, quint32(value.size()) | kSingleRowKind);
        AppendU32(field, RowPointer{page, 0}.Raw());
        AppendU32(field, 0);
        return field;
    }
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < value.size(); at += kChainPiece)
        pieces.append(value.mid(at, kChainPiece));
    QList<quint32> pages;
    for (qsizetype i = 0; i < pieces.size(); ++i)
        pages.append(allocator.NewPage(QByteArray(file.PageSize(), '\0')));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QByteArray row;
        AppendU32(row, i + 1 < pages.size() ? RowPointer{pages[i + 1], 0}.Raw() : 0);
        file.WritePage(pages[i], longValuePage(file, row + pieces[i]));
    }
    AppendU32(field, quint32(value.size()) & kLengthMask);
    AppendU32(field, RowPointer{pages.first(), 0}.Raw());
    AppendU32(field, 0);
    return field;
}

void ReleaseLongValue(PageFile& file, PageAllocator& allocator, const TableDef& owner,
                      const QByteArray& field) {
    if (field.size() < kFieldSize)
        RaiseDamaged(QStringLiteral("a long value field of %1 bytes").arg(field.size()));
    const quint32 word = U32(field, 0);
    const quint32 kind = word & ~kLengthMask;
    RowPointer at = RowPointer::FromRaw(U32(field, 4));
    QSet<quint32> freed;
    if (kind == kSingleRowKind) {
        markDeleted(file, allocator, owner, at, freed);
        return;
    }
    if (kind != 0)
        return; // held in the field
    QSet<quint32> seen;
    while (!at.IsNull() && !seen.contains(at.Raw()) && !freed.contains(at.page)) {
        seen.insert(at.Raw());
        const RowPointer next = RowPointer::FromRaw(U32(ReadRowBytes(file, at), 0));
        markDeleted(file, allocator, owner, at, freed);
        at = next;
    }
}

QByteArray ReadObjectProperties(const PageFile& file, const CatalogObject& object) {
    const TableDef objects = ReadTableDef(file, kCatalogPage);
    const std::optional<QByteArray> field =
        catalogRow(file, objects, object).value(lvPropPosition(objects));
    return field ? ReadLongValue(file, *field) : QByteArray();
}

void WriteObjectProperties(PageFile& file, PageAllocator& allocator, const CatalogObject& object,
                           const QByteArray& blob, KeyFormat format) {
    TableDef objects = ReadTableDef(file, kCatalogPage);
    RowValues values = catalogRow(file, objects, object);
    const qsizetype position = lvPropPosition(objects);
    if (const std::optional<QByteArray>& old = values.value(position))
        ReleaseLongValue(file, allocator, objects, *old);
    values[position] = blob.isEmpty()
                           ? std::nullopt
                           : std::optional<QByteArray>(StoreLongValue(file, allocator, blob));
    const QByteArray row = EncodeRow(objects, values);
    DeleteRow(file, objects, object.where);
    InsertRow(file, allocator, objects, row);
    for (int i = 0; i < objects.realIndexes.size(); ++i)
        FillIndexFromRows(file, allocator, objects, i, format);
    WriteTableDef(file, allocator, objects);
}

} // namespace vantor::jet
