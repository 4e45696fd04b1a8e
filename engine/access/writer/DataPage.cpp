#include "engine/access/writer/DataPage.h"

#include "engine/access/writer/PageFile.h"

namespace vantor::jet {

namespace {

constexpr int kSlotCountOffset = 12;
constexpr int kSlotTableOffset = 14;
constexpr quint16 kOffsetMask = 0x1fff;
constexpr quint16 kDeletedFlag = 0x8000;
constexpr quint16 kOverflowFlag = 0x4000;
constexpr int kMaxRowsPerPage = 255;

} // namespace

int SlotCount(const QByteArray& page) {
    if (U8(page, 0) != kDataPageType)
        RaiseDamaged(QStringLiteral("a row was looked for on a page that holds no rows"));
    int count = U16(page, kSlotCountOffset);
    if (count > kMaxRowsPerPage || kSlotTableOffset + 2 * count > page.size())
        RaiseDamaged(QStringLiteral("a data page claims %1 rows").arg(count));
    return count;
}

RowSlot SlotOf(const QByteArray& page, int row) {
    int count = SlotCount(page);
    if (row < 0 || row >= count)
        RaiseDamaged(QStringLiteral("row %1 is not on its page").arg(row));
    quint16 word = U16(page, kSlotTableOffset + 2 * row);
    RowSlot slot;
    slot.start = word & kOffsetMask;
    slot.end =
        row == 0 ? int(page.size()) : (U16(page, kSlotTableOffset + 2 * (row - 1)) & kOffsetMask);
    slot.deleted = (word & kDeletedFlag) != 0;
    slot.overflow = (word & kOverflowFlag) != 0 && !slot.deleted;
    if (slot.start < kSlotTableOffset + 2 * count || slot.end < slot.start)
        RaiseDamaged(QStringLiteral("row %1 of a data page has a broken extent").arg(row));
    return slot;
}

QByteArray ReadRowBytes(const PageFile& file, RowPointer where) {
    QByteArray page = file.Page(where.page);
    RowSlot slot = SlotOf(page, where.row);
    return page.mid(slot.start, slot.end - slot.start);
}

std::optional<QByteArray> ReadRow(const PageFile& file, RowPointer where) {
    QByteArray page = file.Page(where.page);
    RowSlot slot = SlotOf(page, where.row);
    if (slot.deleted)
        return std::nullopt;
    QByteArray row = page.mid(slot.start, slot.end - slot.start);
    if (!slot.overflow)
        return row;
    RowPointer target = RowPointer::FromRaw(U32(row, 0));
    QByteArray targetPage = file.Page(target.page);
    RowSlot moved = SlotOf(targetPage, target.row);
    if (moved.overflow)
        RaiseDamaged(QStringLiteral("a moved row points at another moved row"));
    return targetPage.mid(moved.start, moved.end - moved.start);
}

} // namespace vantor::jet
