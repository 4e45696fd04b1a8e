#include "engine/access/writer/PageAllocator.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/PageFile.h"

namespace vantor::jet {

namespace {

constexpr quint32 kGlobalMapPage = 1;
constexpr int kMapStartOffset = 1;
constexpr int kMapBitsOffset = 5;

} // namespace

bool PageAllocator::IsFree(quint32 page) const {
    const QByteArray bytes = file_.Page(kGlobalMapPage);
    const RowSlot slot = SlotOf(bytes, 0);
    const QByteArray row = bytes.mid(slot.start, slot.end - slot.start);
    if (U8(row, 0) != 0)
        RaiseDamaged(QStringLiteral("the global usage map is not inline"));
    const quint32 start = U32(row, kMapStartOffset);
    const quint32 window = quint32(row.size() - kMapBitsOffset) * 8;
    if (page < start || page >= start + window)
        return false; // outside the window every page counts as used
    const quint32 bit = page - start;
    return (U8(row, kMapBitsOffset + bit / 8) & (1u << (bit % 8))) != 0;
}

bool PageAllocator::setFree(quint32 page, bool free) {
    QByteArray bytes = file_.Page(kGlobalMapPage);
    const RowSlot slot = SlotOf(bytes, 0);
    QByteArray row = bytes.mid(slot.start, slot.end - slot.start);
    if (U8(row, 0) != 0)
        RaiseDamaged(QStringLiteral("the global usage map is not inline"));
    quint32 start = U32(row, kMapStartOffset);
    const quint32 window = quint32(row.size() - kMapBitsOffset) * 8;
    if (window == 0)
        RaiseDamaged(QStringLiteral("the global usage map is empty"));
    // Pages below the window count as used for good, as they do for Jet: one freed there stays
    // unused until the file is compacted, which is no damage.
    if (page < start)
        return false;
    if (page >= start + window) {
        // Move the window up so the page lies in its middle. Pages that drop out below count as
        // used from then on; pages newly covered are free only when they are past the file's end.
        const quint32 newStart = ((page - window / 2) / 8) * 8;
        QByteArray bits(int(window / 8), '\0');
        for (quint32 p = newStart; p < newStart + window; ++p) {
            bool pageFree = false;
            if (p >= start && p < start + window) {
                const quint32 old = p - start;
                pageFree = (U8(row, kMapBitsOffset + old / 8) & (1u << (old % 8))) != 0;
            } else {
                pageFree = p >= file_.PageCount();
            }
            if (pageFree)
                bits[(p - newStart) / 8] =
                    static_cast<char>(bits[(p - newStart) / 8] | (1 << ((p - newStart) % 8)));
        }
        start = newStart;
        PutU32(row, kMapStartOffset, start);
        row.replace(kMapBitsOffset, bits.size(), bits);
    }
    const quint32 bit = page - start;
    quint8 byte = U8(row, kMapBitsOffset + bit / 8);
    byte = free ? quint8(byte | (1u << (bit % 8))) : quint8(byte & ~(1u << (bit % 8)));
    PutU8(row, kMapBitsOffset + bit / 8, byte);
    bytes.replace(slot.start, row.size(), row);
    file_.WritePage(kGlobalMapPage, bytes);
    return true;
}

quint32 PageAllocator::NewPage(const QByteArray& contents) {
    // A freed page inside the file is taken first, so that dropping and creating again does not
    // make the file grow.
    const QByteArray bytes = file_.Page(kGlobalMapPage);
    const RowSlot slot = SlotOf(bytes, 0);
    const QByteArray row = bytes.mid(slot.start, slot.end - slot.start);
    if (U8(row, 0) != 0)
        RaiseDamaged(QStringLiteral("the global usage map is not inline"));
    const quint32 start = U32(row, kMapStartOffset);
    for (qsizetype byte = kMapBitsOffset; byte < row.size(); ++byte) {
        const quint8 bits = U8(row, byte);
        for (int bit = 0; bits != 0 && bit < 8; ++bit) {
            const quint32 page = start + quint32(byte - kMapBitsOffset) * 8 + bit;
            if ((bits & (1u << bit)) == 0 || page <= kGlobalMapPage || page >= file_.PageCount())
                continue;
            file_.WritePage(page, contents);
            setFree(page, false);
            return page;
        }
    }
    return PageAtEnd(contents);
}

quint32 PageAllocator::PageAtEnd(const QByteArray& contents) {
    const quint32 page = file_.AppendPage(contents);
    setFree(page, false);
    return page;
}

void PageAllocator::FreePage(quint32 page) {
    if (page <= kGlobalMapPage)
        RaiseDamaged(QStringLiteral("page %1 cannot be freed").arg(page));
    // A page the map cannot mark free still counts as used, so it must no longer look like the
    // table definition or index it held: readers would take it for a live one.
    if (!setFree(page, true))
        file_.WritePage(page, QByteArray(file_.PageSize(), '\0'));
}

} // namespace vantor::jet
