#include "engine/access/writer/IndexPages.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/PageFile.h"

#include <QSet>

namespace vantor::jet {

namespace {

constexpr int kPreviousOffset = 12;
constexpr int kNextOffset = 16;
constexpr int kTailOffset = 20;
constexpr int kPrefixOffset = 24;
constexpr int kBitmapOffset = 27;
constexpr int kEntriesOffset = 0x1e0;
constexpr int kLeafPointerSize = 4;
constexpr int kChildPointerSize = 4;
// Index trees are shallow; a deeper one is a loop in a damaged file.
constexpr int kMaxDepth = 32;

quint32 bigEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | U8(bytes, at + i);
    return value;
}

} // namespace

IndexPage ReadIndexPage(const PageFile& file, quint32 number) {
    const QByteArray page = file.Page(number);
    const quint8 type = U8(page, 0);
    if (type != kIndexLeafPageType && type != kIndexNodePageType)
        RaiseDamaged(QStringLiteral("page %1 is no index page").arg(number));
    IndexPage out;
    out.number = number;
    out.leaf = type == kIndexLeafPageType;
    out.previous = U32(page, kPreviousOffset);
    out.next = U32(page, kNextOffset);
    out.tail = U32(page, kTailOffset);
    const int prefixLength = U16(page, kPrefixOffset);
    out.prefixLength = prefixLength;
    const int pointerSize = kLeafPointerSize + (out.leaf ? 0 : kChildPointerSize);

    QByteArray prefix;
    qsizetype entryStart = kEntriesOffset;
    for (qsizetype bit = 0; bit < qsizetype(kEntriesOffset - kBitmapOffset) * 8; ++bit) {
        if ((U8(page, kBitmapOffset + bit / 8) & (1u << (bit % 8))) == 0)
            continue;
        const qsizetype entryEnd = kEntriesOffset + bit;
        QByteArray stored = Slice(page, entryStart, entryEnd - entryStart);
        QByteArray entry = out.entries.isEmpty() ? stored : prefix + stored;
        if (out.entries.isEmpty())
            prefix = Slice(entry, 0, qMin<qsizetype>(prefixLength, entry.size()));
        if (entry.size() < pointerSize)
            RaiseDamaged(QStringLiteral("an index entry of %1 bytes on page %2")
                             .arg(entry.size())
                             .arg(number));
        IndexEntry e;
        const qsizetype rowAt = entry.size() - pointerSize;
        e.key = entry.left(rowAt);
        e.row = {bigEndian(entry, rowAt, 3), U8(entry, rowAt + 3)};
        if (!out.leaf)
            e.child = bigEndian(entry, rowAt + kLeafPointerSize, kChildPointerSize);
        out.entries.append(e);
        entryStart = entryEnd;
    }
    return out;
}

QList<IndexEntry> ReadLeafEntries(const PageFile& file, quint32 rootPage) {
    IndexPage page = ReadIndexPage(file, rootPage);
    for (int depth = 0; !page.leaf; ++depth) {
        if (depth > kMaxDepth)
            RaiseDamaged(QStringLiteral("the index under page %1 has no bottom").arg(rootPage));
        quint32 child = page.entries.isEmpty() ? page.tail : page.entries.first().child;
        page = ReadIndexPage(file, child);
    }
    QList<IndexEntry> entries;
    QSet<quint32> seen{page.number};
    while (true) {
        if (!page.leaf)
            RaiseDamaged(QStringLiteral("a leaf of an index links to a node page"));
        entries.append(page.entries);
        if (page.next == 0)
            break;
        if (seen.contains(page.next))
            RaiseDamaged(QStringLiteral("the leaves of an index link in a circle"));
        seen.insert(page.next);
        page = ReadIndexPage(file, page.next);
    }
    return entries;
}

} // namespace vantor::jet
