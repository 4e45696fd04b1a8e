#include "engine/access/writer/IndexBuild.h"

#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "model/Error.h"

#include <QtEndian>
#include <algorithm>
#include <tuple>

namespace vantor::jet {

namespace {

constexpr int kEntriesOffset = 0x1e0;
constexpr int kBitmapOffset = 27;
constexpr int kMaxEntryBytes = 3616;

void appendBigEndian(QByteArray& out, quint32 value, int size) {
    for (int i = size - 1; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

QByteArray entryBytes(const IndexEntry& entry, bool leaf) {
    QByteArray out = entry.key;
    appendBigEndian(out, entry.row.page, 3);
    out.append(static_cast<char>(entry.row.row));
    if (!leaf)
        appendBigEndian(out, entry.child, 4);
    return out;
}

qsizetype commonPrefix(const QByteArray& a, const QByteArray& b) {
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

// The page's shared prefix: what the first and last keys have in common, which every key
// between them shares as they are sorted.
qsizetype prefixOf(const QList<IndexEntry>& entries) {
    return entries.size() < 2 ? 0 : commonPrefix(entries.first().key, entries.last().key);
}

// Groups sorted entries into pages that each hold at most the page's entry bytes.
QList<QList<IndexEntry>> packEntries(const QList<IndexEntry>& entries, bool leaf) {
    QList<QList<IndexEntry>> pages;
    QList<IndexEntry> current;
    qsizetype total = 0;
    for (const IndexEntry& entry : entries) {
        const qsizetype size = entryBytes(entry, leaf).size();
        if (size > kMaxEntryBytes)
            RaiseDamaged(QStringLiteral("an index entry of %1 bytes").arg(size));
        if (!current.isEmpty()) {
            const qsizetype prefix = commonPrefix(current.first().key, entry.key);
            if (total + size - qsizetype(current.size()) * prefix > kMaxEntryBytes) {
                pages.append(current);
                current.clear();
                total = 0;
            }
        }
        current.append(entry);
        total += size;
    }
    if (!current.isEmpty() || pages.isEmpty())
        pages.append(current);
    return pages;
}

struct PlannedPage {
    IndexPage page;
    QList<qsizetype> children; // positions in the level below
    qsizetype parentGroup = 0;
};

} // namespace

QByteArray SerializeIndexPage(const IndexPage& page, quint32 tablePage, int pageSize) {
    QByteArray out(pageSize, '\0');
    PutU8(out, 0, page.leaf ? kIndexLeafPageType : kIndexNodePageType);
    PutU8(out, 1, 0x01);
    PutU32(out, 4, tablePage);
    PutU32(out, 12, page.previous);
    PutU32(out, 16, page.next);
    PutU32(out, 20, page.tail);
    const qsizetype prefix = page.prefixLength >= 0 ? page.prefixLength : prefixOf(page.entries);
    PutU16(out, 24, static_cast<quint16>(prefix));
    qsizetype at = 0;
    for (qsizetype i = 0; i < page.entries.size(); ++i) {
        QByteArray bytes = entryBytes(page.entries[i], page.leaf);
        if (i > 0) {
            if (bytes.left(prefix) != page.entries.first().key.left(prefix))
                RaiseDamaged(QStringLiteral("index entries without their page's prefix"));
            bytes = bytes.mid(prefix);
        }
        if (at + bytes.size() > kMaxEntryBytes)
            RaiseDamaged(QStringLiteral("index entries overflow their page"));
        out.replace(kEntriesOffset + at, bytes.size(), bytes);
        at += bytes.size();
        PutU8(out, kBitmapOffset + at / 8,
              quint8(U8(out, kBitmapOffset + at / 8) | (1u << (at % 8))));
    }
    PutU16(out, 2, static_cast<quint16>(kMaxEntryBytes - at));
    return out;
}

void RebuildIndex(PageFile& file, PageAllocator& allocator, quint32 tablePage,
                  const RealIndexDef& index, const QList<IndexEntry>& entries) {
    // Plan the levels bottom up, each page's entries known, page numbers not yet.
    QList<QList<PlannedPage>> levels;
    QList<PlannedPage> leaves;
    for (const QList<IndexEntry>& group : packEntries(entries, true)) {
        PlannedPage planned;
        planned.page.leaf = true;
        planned.page.entries = group;
        leaves.append(planned);
    }
    levels.append(leaves);
    while (levels.last().size() > 1) {
        const QList<PlannedPage>& below = levels.last();
        // Node entries name each child by its last entry; the children then split into parents.
        QList<IndexEntry> childEntries;
        for (qsizetype i = 0; i < below.size(); ++i) {
            IndexEntry e = below[i].page.entries.last();
            e.child = quint32(i); // a position for now
            childEntries.append(e);
        }
        QList<PlannedPage> parents;
        for (const QList<IndexEntry>& group : packEntries(childEntries, false)) {
            PlannedPage planned;
            planned.page.leaf = false;
            for (const IndexEntry& e : group)
                planned.children.append(qsizetype(e.child));
            planned.page.entries = group;
            parents.append(planned);
        }
        levels.append(parents);
    }

    // Number the pages: the root keeps its page, then the index's own pages, then new ones.
    QList<quint32> reusable;
    const UsageMap owned = ReadUsageMap(file, RowPointer::FromRaw(index.ownedMap));
    for (quint32 page : owned.pages) {
        if (page == index.rootPage)
            continue;
        const QByteArray bytes = file.Page(page);
        const quint8 type = U8(bytes, 0);
        if ((type == kIndexLeafPageType || type == kIndexNodePageType) &&
            U32(bytes, 4) == tablePage)
            reusable.append(page);
    }
    QByteArray placeholder(file.PageSize(), '\0');
    placeholder[0] = static_cast<char>(kIndexLeafPageType);
    placeholder[1] = 0x01;
    QList<QList<quint32>> numbers;
    for (qsizetype level = 0; level < levels.size(); ++level) {
        QList<quint32> levelNumbers;
        for (qsizetype i = 0; i < levels[level].size(); ++i) {
            if (level == levels.size() - 1) {
                levelNumbers.append(index.rootPage);
            } else if (!reusable.isEmpty()) {
                levelNumbers.append(reusable.takeFirst());
            } else {
                const quint32 page = allocator.NewPage(placeholder);
                AddPageToMap(file, allocator, RowPointer::FromRaw(index.ownedMap), page);
                levelNumbers.append(page);
            }
        }
        numbers.append(levelNumbers);
    }

    for (qsizetype level = 0; level < levels.size(); ++level) {
        QList<PlannedPage>& pages = levels[level];
        for (qsizetype i = 0; i < pages.size(); ++i) {
            IndexPage& page = pages[i].page;
            page.number = numbers[level][i];
            if (!page.leaf) {
                for (qsizetype c = 0; c < page.entries.size(); ++c)
                    page.entries[c].child = numbers[level - 1][pages[i].children[c]];
                // With two children or more, the last is reached through the tail alone.
                if (page.entries.size() > 1) {
                    page.tail = page.entries.last().child;
                    page.entries.removeLast();
                }
            }
        }
        // Leaves link from first to last; nodes link only within their parent.
        for (qsizetype i = 0; i < pages.size(); ++i) {
            bool linked = level == 0;
            if (!linked && level + 1 < levels.size()) {
                for (const PlannedPage& parent : levels[level + 1])
                    if (parent.children.contains(i) && i > 0 && parent.children.contains(i - 1))
                        linked = true;
            }
            if (i > 0 && linked) {
                pages[i].page.previous = pages[i - 1].page.number;
                pages[i - 1].page.next = pages[i].page.number;
            }
        }
    }
    for (const QList<PlannedPage>& level : levels)
        for (const PlannedPage& planned : level)
            file.WritePage(planned.page.number,
                           SerializeIndexPage(planned.page, tablePage, file.PageSize()));
    for (quint32 page : reusable) {
        RemovePageFromMap(file, RowPointer::FromRaw(index.ownedMap), page);
        allocator.FreePage(page);
    }
}

} // namespace vantor::jet

namespace vantor::jet {

void FillIndexFromRows(PageFile& file, PageAllocator& allocator, TableDef& def, int realIndex,
                       KeyFormat format) {
    RealIndexDef& index = def.realIndexes[realIndex];
    for (const IndexColumnRef& ref : index.UsedColumns()) {
        const ColumnDef* column = def.ColumnByNumber(ref.number);
        if (!column || !CanEncodeKeyColumn(*column))
            throw Error(ErrorCode::Provider,
                        QStringLiteral("Vantor cannot write the keys of an index over column %1: "
                                       "its type or sort order has no key form Vantor knows.")
                            .arg(column ? column->name : QString::number(ref.number)));
    }
    QList<IndexEntry> entries;
    ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
        const RowValues values = DecodeRow(def, row);
        if (index.IgnoreNulls() && AllKeyColumnsNull(def, index, values))
            return;
        entries.append({EncodeIndexKey(file, def, index, values, format), where, 0});
    });
    std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return std::tie(a.key, a.row.page, a.row.row) < std::tie(b.key, b.row.page, b.row.row);
    });
    // Several rows whose key columns are all null do not collide.
    const QByteArray nullKey =
        EncodeIndexKey(file, def, index, RowValues(def.columns.size(), std::nullopt), format);
    quint32 distinct = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0 && entries[i].key == entries[i - 1].key) {
            if (index.Unique() && entries[i].key != nullKey)
                throw Error(ErrorCode::Provider,
                            QStringLiteral("The changes you requested to the table were not "
                                           "successful because they would create duplicate values "
                                           "in the index, primary key, or relationship."));
            continue;
        }
        ++distinct;
    }
    RebuildIndex(file, allocator, def.page, index, entries);
    qToLittleEndian(distinct, index.counts.data() + 4);
}

} // namespace vantor::jet
