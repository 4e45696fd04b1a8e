#include "engine/access/writer/RowWriter.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/UsageMap.h"

#include "model/Error.h"

#include <QSet>

#include <algorithm>

namespace vantor::jet {

namespace {

constexpr int kFreeSpaceOffset = 2;
constexpr int kOwnerOffset = 4;
constexpr int kSlotCountOffset = 12;
constexpr int kSlotTableOffset = 14;
constexpr int kMaxRowsPerPage = 255;
constexpr int kMaxRowSize = 4060;
constexpr quint16 kDeletedFlags = 0xc000;
constexpr quint16 kOffsetMask = 0x1fff;

QByteArray newDataPage(const PageFile& file, quint32 tablePage) {
    QByteArray page(file.PageSize(), '\0');
    PutU8(page, 0, kDataPageType);
    PutU8(page, 1, 0x01);
    PutU16(page, kFreeSpaceOffset, static_cast<quint16>(file.PageSize() - kSlotTableOffset));
    PutU32(page, kOwnerOffset, tablePage);
    return page;
}

bool fits(const QByteArray& page, quint32 tablePage, qsizetype rowSize) {
    return U8(page, 0) == kDataPageType && U32(page, kOwnerOffset) == tablePage &&
           U16(page, kSlotCountOffset) < kMaxRowsPerPage &&
           U16(page, kFreeSpaceOffset) >= rowSize + 2;
}

// The rows of a page that a live moved row of the table points at. Access flags such a row as
// deleted so that a scan meets it only through its pointer, yet its bytes are the row's own.
QSet<int> movedRowsOn(const PageFile& file, const UsageMap& owned, quint32 tablePage,
                      quint32 target) {
    QSet<int> rows;
    for (quint32 number : owned.pages) {
        const QByteArray page = file.Page(number);
        if (U8(page, 0) != kDataPageType || U32(page, kOwnerOffset) != tablePage)
            continue;
        for (int row = 0; row < SlotCount(page); ++row) {
            const RowSlot slot = SlotOf(page, row);
            if (!slot.overflow || slot.end - slot.start < 4)
                continue;
            const RowPointer moved = RowPointer::FromRaw(U32(page, slot.start));
            if (moved.page == target)
                rows.insert(moved.row);
        }
    }
    return rows;
}

// Whether a row's bytes may be given back: deleted, and no moved row's new place.
bool isDead(const RowSlot& slot, int row, const QSet<int>& moved) {
    return slot.deleted && !moved.contains(row);
}

// The room a page would have once its dead rows' bytes were given back.
int roomAfterCompaction(const QByteArray& page, const QSet<int>& moved) {
    const int slots = SlotCount(page);
    int used = 0;
    for (int row = 0; row < slots; ++row) {
        const RowSlot slot = SlotOf(page, row);
        if (!isDead(slot, row, moved))
            used += slot.end - slot.start;
    }
    return int(page.size()) - kSlotTableOffset - 2 * slots - used;
}

// Packs a page's live rows against its end so that dead rows' bytes can be used again. Every
// row keeps its number, which is what indexes, long values and moved rows point at; a dead row
// keeps its slot with no bytes.
QByteArray compactPage(const QByteArray& page, const QSet<int>& moved) {
    const int slots = SlotCount(page);
    const int tableEnd = kSlotTableOffset + 2 * slots;
    QByteArray packed(page.size(), '\0');
    packed.replace(0, tableEnd, page.left(tableEnd));
    int end = int(page.size());
    for (int row = 0; row < slots; ++row) {
        const RowSlot slot = SlotOf(page, row);
        const quint16 word = U16(page, kSlotTableOffset + 2 * row);
        if (!isDead(slot, row, moved)) {
            const int length = slot.end - slot.start;
            end -= length;
            packed.replace(end, length, page.mid(slot.start, length));
        }
        PutU16(packed, kSlotTableOffset + 2 * row,
               static_cast<quint16>((word & ~kOffsetMask) | quint16(end)));
    }
    PutU16(packed, kFreeSpaceOffset, static_cast<quint16>(end - tableEnd));
    return packed;
}

} // namespace

QByteArray EncodeRow(const TableDef& def, const RowValues& values) {
    if (values.size() != def.columns.size())
        RaiseDamaged(QStringLiteral("a row of %1 values for %2 columns")
                         .arg(values.size())
                         .arg(def.columns.size()));
    const int columnCount = def.maxColumns;
    QByteArray mask((columnCount + 7) / 8, '\0');
    int fixedSize = 0;
    for (const ColumnDef& c : def.columns)
        if (c.IsFixed() && c.type != TypeBoolean)
            fixedSize = std::max(fixedSize, c.fixedOffset + c.length);
    QByteArray row(2 + fixedSize, '\0');
    PutU16(row, 0, static_cast<quint16>(columnCount));
    QList<QByteArray> slots(def.varColumns);
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const std::optional<QByteArray>& value = values[i];
        if (c.number >= columnCount)
            RaiseDamaged(
                QStringLiteral("column %1 is numbered beyond the table's count").arg(c.name));
        const bool present = c.type == TypeBoolean
                                 ? (value && !value->isEmpty() && value->at(0) != 0)
                                 : value.has_value();
        if (present)
            mask[c.number / 8] = static_cast<char>(mask[c.number / 8] | (1 << (c.number % 8)));
        if (!value || c.type == TypeBoolean)
            continue;
        if (c.IsFixed()) {
            if (value->size() != c.length)
                RaiseDamaged(QStringLiteral("a value of %1 bytes for column %2")
                                 .arg(value->size())
                                 .arg(c.name));
            row.replace(2 + c.fixedOffset, value->size(), *value);
        } else {
            if (c.varIndex >= def.varColumns)
                RaiseDamaged(QStringLiteral("column %1 has no variable slot").arg(c.name));
            slots[c.varIndex] = *value;
        }
    }
    if (def.varColumns > 0) {
        QList<quint16> starts;
        for (const QByteArray& slot : slots) {
            starts.append(static_cast<quint16>(row.size()));
            row.append(slot);
        }
        const auto end = static_cast<quint16>(row.size());
        AppendU16(row, end);
        for (qsizetype k = starts.size() - 1; k >= 0; --k)
            AppendU16(row, starts[k]);
        AppendU16(row, def.varColumns);
    }
    row.append(mask);
    if (row.size() > kMaxRowSize)
        throw Error(ErrorCode::Provider, QStringLiteral("Record is too large."));
    return row;
}

RowPointer InsertRow(PageFile& file, PageAllocator& allocator, TableDef& def,
                     const QByteArray& row) {
    const RowPointer ownedMap = RowPointer::FromRaw(def.ownedMap);
    const RowPointer freeMap = RowPointer::FromRaw(def.freeMap);
    const UsageMap owned = ReadUsageMap(file, ownedMap);
    const UsageMap withSpace = ReadUsageMap(file, freeMap);
    quint32 target = 0;
    for (auto it = owned.pages.crbegin(); it != owned.pages.crend() && target == 0; ++it) {
        if (!withSpace.Contains(*it))
            continue;
        const QByteArray page = file.Page(*it);
        if (fits(page, def.page, row.size())) {
            target = *it;
        } else if (fits(page, def.page, 0)) {
            const QSet<int> moved = movedRowsOn(file, owned, def.page, *it);
            if (roomAfterCompaction(page, moved) >= row.size() + 2) {
                file.WritePage(*it, compactPage(page, moved));
                target = *it;
            }
        }
    }
    if (target == 0) {
        target = allocator.NewPage(newDataPage(file, def.page));
        AddPageToMap(file, allocator, ownedMap, target);
        AddPageToMap(file, allocator, freeMap, target);
    }
    QByteArray page = file.Page(target);
    const int slots = SlotCount(page);
    const int lowest = slots == 0 ? file.PageSize()
                                  : (U16(page, kSlotTableOffset + 2 * (slots - 1)) & kOffsetMask);
    const int start = lowest - int(row.size());
    if (start < kSlotTableOffset + 2 * (slots + 1))
        RaiseDamaged(QStringLiteral("page %1 has less room than its header says").arg(target));
    page.replace(start, row.size(), row);
    PutU16(page, kSlotTableOffset + 2 * slots, static_cast<quint16>(start));
    PutU16(page, kSlotCountOffset, static_cast<quint16>(slots + 1));
    PutU16(page, kFreeSpaceOffset,
           static_cast<quint16>(start - (kSlotTableOffset + 2 * (slots + 1))));
    file.WritePage(target, page);
    ++def.rowCount;
    return {target, static_cast<quint8>(slots)};
}

void DeleteRow(PageFile& file, TableDef& def, RowPointer where) {
    QByteArray page = file.Page(where.page);
    const RowSlot slot = SlotOf(page, where.row);
    if (slot.deleted || U32(page, kOwnerOffset) != def.page)
        RaiseDamaged(QStringLiteral("row %1 of page %2 is not a live row of the table")
                         .arg(where.row)
                         .arg(where.page));
    if (slot.overflow) {
        const RowPointer moved =
            RowPointer::FromRaw(U32(page.mid(slot.start, slot.end - slot.start), 0));
        if (moved.page != where.page) {
            QByteArray other = file.Page(moved.page);
            SlotOf(other, moved.row);
            const qsizetype at = kSlotTableOffset + 2 * moved.row;
            PutU16(other, at, U16(other, at) | kDeletedFlags);
            file.WritePage(moved.page, other);
        } else {
            const qsizetype at = kSlotTableOffset + 2 * moved.row;
            PutU16(page, at, U16(page, at) | kDeletedFlags);
        }
    }
    const qsizetype at = kSlotTableOffset + 2 * where.row;
    PutU16(page, at, U16(page, at) | kDeletedFlags);
    file.WritePage(where.page, page);
    if (def.rowCount > 0)
        --def.rowCount;
}

} // namespace vantor::jet
