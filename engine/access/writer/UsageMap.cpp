#include "engine/access/writer/UsageMap.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"

#include <algorithm>

namespace vantor::jet {

namespace {

constexpr int kBitmapPageHeader = 4;

void addBits(const QByteArray& bits, quint32 first, quint32 limit, QList<quint32>& pages) {
    for (qsizetype byte = 0; byte < bits.size(); ++byte) {
        const auto value = static_cast<quint8>(bits[byte]);
        for (int bit = 0; value != 0 && bit < 8; ++bit) {
            if ((value & (1u << bit)) == 0)
                continue;
            quint32 page = first + quint32(byte) * 8 + bit;
            if (page < limit)
                pages.append(page);
        }
    }
}

} // namespace

bool UsageMap::Contains(quint32 page) const {
    return std::binary_search(pages.begin(), pages.end(), page);
}

UsageMap ParseUsageMap(const PageFile& file, const QByteArray& row) {
    UsageMap map;
    quint8 kind = U8(row, 0);
    if (kind == 0) {
        map.kind = UsageMap::Kind::Inline;
        map.start = U32(row, 1);
        map.bitmap = row.mid(5);
        // Bits past the end of the file stand for pages that are not there yet.
        addBits(map.bitmap, map.start, file.PageCount(), map.pages);
        return map;
    }
    if (kind != 1)
        RaiseDamaged(QStringLiteral("a usage map of unknown kind %1").arg(kind));
    map.kind = UsageMap::Kind::Reference;
    const quint32 pagesPerBitmap = quint32(file.PageSize() - kBitmapPageHeader) * 8;
    for (qsizetype at = 1; at + 4 <= row.size(); at += 4) {
        quint32 bitmapPage = U32(row, at);
        map.referencePages.append(bitmapPage);
        if (bitmapPage == 0)
            continue;
        QByteArray page = file.Page(bitmapPage);
        if (U8(page, 0) != kUsageBitmapPageType)
            RaiseDamaged(QStringLiteral("a usage map points at page %1, which is no bitmap")
                             .arg(bitmapPage));
        quint32 first = quint32(map.referencePages.size() - 1) * pagesPerBitmap;
        addBits(page.mid(kBitmapPageHeader), first, file.PageCount(), map.pages);
    }
    return map;
}

UsageMap ReadUsageMap(const PageFile& file, RowPointer where) {
    if (where.page == 0)
        RaiseDamaged(QStringLiteral("a usage map on page 0"));
    return ParseUsageMap(file, ReadRowBytes(file, where));
}

} // namespace vantor::jet

namespace vantor::jet {

namespace {

constexpr int kInlineBitsOffset = 5;

void writeMapRow(PageFile& file, RowPointer where, const QByteArray& row) {
    QByteArray page = file.Page(where.page);
    const RowSlot slot = SlotOf(page, where.row);
    if (slot.end - slot.start != row.size())
        RaiseDamaged(QStringLiteral("a usage map row changed size"));
    page.replace(slot.start, row.size(), row);
    file.WritePage(where.page, page);
}

void setBit(QByteArray& bytes, qsizetype bitsAt, quint32 bit, bool on) {
    quint8 byte = U8(bytes, bitsAt + bit / 8);
    byte = on ? quint8(byte | (1u << (bit % 8))) : quint8(byte & ~(1u << (bit % 8)));
    PutU8(bytes, bitsAt + bit / 8, byte);
}

quint32 pagesPerBitmapPage(const PageFile& file) {
    return quint32(file.PageSize() - kBitmapPageHeader) * 8;
}

void addToReference(PageFile& file, PageAllocator& allocator, QByteArray& row, quint32 page) {
    const quint32 perPage = pagesPerBitmapPage(file);
    const qsizetype pointerAt = 1 + 4 * qsizetype(page / perPage);
    quint32 bitmapPage = U32(row, pointerAt);
    if (bitmapPage == 0) {
        QByteArray fresh(file.PageSize(), '\0');
        fresh[0] = static_cast<char>(kUsageBitmapPageType);
        fresh[1] = 0x01;
        bitmapPage = allocator.NewPage(fresh);
        PutU32(row, pointerAt, bitmapPage);
    }
    QByteArray bitmap = file.Page(bitmapPage);
    if (U8(bitmap, 0) != kUsageBitmapPageType)
        RaiseDamaged(
            QStringLiteral("a usage map points at page %1, which is no bitmap").arg(bitmapPage));
    setBit(bitmap, kBitmapPageHeader, page % perPage, true);
    file.WritePage(bitmapPage, bitmap);
}

} // namespace

void AddPageToMap(PageFile& file, PageAllocator& allocator, RowPointer where, quint32 page) {
    QByteArray row = ReadRowBytes(file, where);
    const UsageMap map = ParseUsageMap(file, row);
    if (map.kind == UsageMap::Kind::Reference) {
        addToReference(file, allocator, row, page);
        writeMapRow(file, where, row);
        return;
    }
    const quint32 window = quint32(map.bitmap.size()) * 8;
    if (page >= map.start && page < map.start + window) {
        setBit(row, kInlineBitsOffset, page - map.start, true);
        writeMapRow(file, where, row);
        return;
    }
    QList<quint32> pages = map.pages;
    pages.append(page);
    std::sort(pages.begin(), pages.end());
    const quint32 newStart = (pages.first() / 8) * 8;
    if (window > 0 && pages.last() - newStart < window) {
        row.replace(kInlineBitsOffset, map.bitmap.size(), QByteArray(map.bitmap.size(), '\0'));
        PutU32(row, 1, newStart);
        for (quint32 p : pages)
            setBit(row, kInlineBitsOffset, p - newStart, true);
        writeMapRow(file, where, row);
        return;
    }
    // The pages no longer fit one window: keep them in bitmap pages instead.
    row.fill('\0');
    PutU8(row, 0, 1);
    for (quint32 p : pages)
        addToReference(file, allocator, row, p);
    writeMapRow(file, where, row);
}

void RemovePageFromMap(PageFile& file, RowPointer where, quint32 page) {
    QByteArray row = ReadRowBytes(file, where);
    const UsageMap map = ParseUsageMap(file, row);
    if (!map.Contains(page))
        return;
    if (map.kind == UsageMap::Kind::Inline) {
        setBit(row, kInlineBitsOffset, page - map.start, false);
        writeMapRow(file, where, row);
        return;
    }
    const quint32 perPage = pagesPerBitmapPage(file);
    const quint32 bitmapPage = map.referencePages.value(page / perPage);
    QByteArray bitmap = file.Page(bitmapPage);
    setBit(bitmap, kBitmapPageHeader, page % perPage, false);
    file.WritePage(bitmapPage, bitmap);
}

} // namespace vantor::jet
