#include "engine/access/reader/CatalogPages.h"

#include "engine/access/reader/MdbSchemaReader.h"

#include <QByteArray>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace vantor {

namespace {

constexpr quint32 kCatalogPage = 2; // MSysObjects' definition, in every version
constexpr quint32 kUsageMapPage = 1;
constexpr quint8 kDataPage = 0x01;
constexpr quint8 kDefinitionPage = 0x02;
constexpr quint8 kIndexNodePage = 0x03;
constexpr quint8 kIndexLeafPage = 0x04;
constexpr quint16 kDeletedRow = 0x8000;
constexpr quint16 kRowStartBits = 0x1FFF;

[[noreturn]] void damaged(const QString& reason) {
    throw DamagedFile(reason.toStdString());
}

// Where the fields of a page lie: Jet 3 packs its headers tighter than later versions.
struct Layout {
    int pageSize;
    bool jet3;
    int slotCount() const { return jet3 ? 8 : 12; }
    int slots() const { return jet3 ? 10 : 14; }
    int nextLeaf() const { return jet3 ? 12 : 16; }
    int tailChild() const { return jet3 ? 16 : 20; }
    int entryEnds() const { return jet3 ? 22 : 27; }
    int entries() const { return jet3 ? 0xF8 : 0x1E0; }
};

// The file's pages as copies, which no later read can change: straight from the watched stream
// where it can be read, else out of libmdb's buffer.
class Pages {
public:
    Pages(MdbHandle* mdb, qint64 count, const PageReads* reads = nullptr)
        : mdb_(mdb), count_(count), layout_{static_cast<int>(mdb->fmt->pg_size), IS_JET3(mdb) != 0},
          reads_(reads) {}
    const Layout& layout() const { return layout_; }
    qint64 count() const { return count_; }

    // The page, or nothing when it cannot be read; a page past the end of the file is damage of
    // its own, the file cut short, and says so.
    std::optional<QByteArray> Read(quint32 page) const {
        if (page >= count_)
            damaged(QStringLiteral("The file ends before page %1, which the catalog needs: it "
                                   "was cut short.")
                        .arg(page));
        // The checks of one table after another often look at one page again.
        if (page == lastNumber_ && !last_.isNull())
            return last_;
        if (std::optional<QByteArray> direct = ReadRun(page, 1)) {
            last_ = *direct;
        } else {
            if (mdb_read_pg(mdb_, page) != layout_.pageSize)
                return std::nullopt;
            last_ = QByteArray(reinterpret_cast<const char*>(mdb_->pg_buf), layout_.pageSize);
        }
        lastNumber_ = page;
        return last_;
    }

    // count pages from first on, all in the file, in one read; nothing where they cannot be read
    // so, and each is then read on its own.
    std::optional<QByteArray> ReadRun(quint32 first, quint32 count) const {
        QByteArray run(qsizetype(count) * layout_.pageSize, Qt::Uninitialized);
        if (!ReadRunInto(first, count, run.data()))
            return std::nullopt;
        return run;
    }
    // The same into memory of the caller's, which a pass over many runs keeps for all of them.
    bool ReadRunInto(quint32 first, quint32 count, char* out) const {
        return reads_ && mdb_->f->db_key == 0 && qint64(first) + count <= count_ &&
               ReadPagesAtOnce(*reads_, static_cast<size_t>(layout_.pageSize), first, count, out);
    }

private:
    MdbHandle* mdb_;
    qint64 count_;
    Layout layout_;
    const PageReads* reads_;
    mutable quint32 lastNumber_ = 0;
    mutable QByteArray last_;
};

quint32 le(const QByteArray& bytes, qsizetype at, int size) {
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(bytes[at + i]);
    return v;
}

quint8 type(const QByteArray& page) {
    return static_cast<quint8>(page[0]);
}

// Where a row of a data page starts and ends as the slot table bounds it; nothing when the slot
// makes no sense.
std::optional<std::pair<int, int>> rowBounds(const QByteArray& page, const Layout& layout,
                                             int row) {
    const int slots = static_cast<int>(le(page, layout.slotCount(), 2));
    if (row >= slots || layout.slots() + 2 * slots > layout.pageSize)
        return std::nullopt;
    const int start = static_cast<int>(le(page, layout.slots() + 2 * row, 2) & kRowStartBits);
    const int end =
        row == 0 ? layout.pageSize
                 : static_cast<int>(le(page, layout.slots() + 2 * (row - 1), 2) & kRowStartBits);
    if (start < layout.slots() + 2 * slots || start >= end || end > layout.pageSize)
        return std::nullopt;
    return std::pair(start, end);
}

// A row of a data page as the slot table bounds it; nothing when the slot makes no sense.
std::optional<QByteArray> rowOf(const QByteArray& page, const Layout& layout, int row) {
    const std::optional<std::pair<int, int>> bounds = rowBounds(page, layout, row);
    if (!bounds)
        return std::nullopt;
    return page.mid(bounds->first, bounds->second - bounds->first);
}

// Whether a row could be a page map: it is there and starts with a map's kind.
bool mapLike(const QByteArray& page, const Layout& layout, int row) {
    const std::optional<std::pair<int, int>> bounds = rowBounds(page, layout, row);
    return bounds && (page[bounds->first] == 0 || page[bounds->first] == 1);
}

// The rows of a page of rows that could be page maps; rows past 255 cannot be pointed at.
std::bitset<256> mapLikeRows(const QByteArray& page, const Layout& layout) {
    std::bitset<256> rows;
    const int slots = std::min<int>(256, static_cast<int>(le(page, layout.slotCount(), 2)));
    for (int row = 0; row < slots; ++row)
        if (mapLike(page, layout, row))
            rows.set(size_t(row));
    return rows;
}

// The pages the file's own map marks in use; the map's first row on page 1 holds it, either as
// a bitmap there or as pointers to pages of bitmap (a set bit is a free page). Pages outside
// what the map covers count as used, as Jet counts them.
std::vector<bool> pagesInUse(const Pages& pages) {
    const Layout& layout = pages.layout();
    const QString unreadable =
        QStringLiteral("The map of the pages in use (page 1) is unreadable.");
    std::optional<QByteArray> page = pages.Read(kUsageMapPage);
    if (!page || type(*page) != kDataPage)
        damaged(unreadable);
    std::optional<QByteArray> map = rowOf(*page, layout, 0);
    if (!map || map->size() < 5)
        damaged(unreadable);
    std::vector<bool> used(static_cast<size_t>(pages.count()), true);
    auto markFree = [&used](const QByteArray& bitmap, qsizetype from, qint64 firstPage) {
        for (qsizetype bit = 0; bit < (bitmap.size() - from) * 8; ++bit) {
            const qint64 at = firstPage + bit;
            if (at >= 0 && at < static_cast<qint64>(used.size()) &&
                (static_cast<quint8>(bitmap[from + bit / 8]) >> (bit % 8) & 1))
                used[static_cast<size_t>(at)] = false;
        }
    };
    constexpr char kInlineMap = 0x00;
    constexpr char kReferenceMap = 0x01;
    if (map->at(0) == kInlineMap) {
        markFree(*map, 5, le(*map, 1, 4));
    } else if (map->at(0) == kReferenceMap) {
        const qint64 pagesPerBitmap = qint64(layout.pageSize - 4) * 8;
        constexpr quint8 kBitmapPage = 0x05;
        for (qsizetype i = 0; 1 + 4 * i + 4 <= map->size(); ++i) {
            const quint32 at = le(*map, 1 + 4 * i, 4);
            if (at == 0)
                continue;
            std::optional<QByteArray> bitmap = pages.Read(at);
            if (!bitmap || type(*bitmap) != kBitmapPage)
                damaged(QStringLiteral("The map of the pages in use refers to page %1, which "
                                       "holds no map.")
                            .arg(at));
            markFree(*bitmap, 4, i * pagesPerBitmap);
        }
    } else {
        damaged(unreadable);
    }
    // Page 0 and the map's own page are always in use, whatever a damaged map says.
    used[0] = used[kUsageMapPage] = true;
    return used;
}

// Whether a definition page is the first of its chain: only the first has the table's header.
// Access leaves continuation pages of tables long gone marked in use, so those prove nothing.
bool startsADefinition(const QByteArray& page, const Layout& layout) {
    constexpr quint32 kDefinitionMark = 1625;
    constexpr quint8 kUserTable = 0x4E, kSystemTable = 0x53;
    const auto tableType = static_cast<quint8>(page[layout.jet3 ? 20 : 40]);
    return (tableType == kUserTable || tableType == kSystemTable) &&
           (layout.jet3 || le(page, 12, 4) == kDefinitionMark);
}

PagesInUse scanPagesInUse(const Pages& pages, const std::vector<bool>& used,
                          std::pair<int, int> mapOffsets) {
    const Layout& layout = pages.layout();
    PagesInUse out;
    constexpr quint32 kRunPages = 64;
    // Left uninitialised: every run is read into it before it is looked at.
    const auto run =
        std::make_unique_for_overwrite<char[]>(size_t(kRunPages) * size_t(layout.pageSize));
    bool runRead = false;
    std::optional<quint32> runStart;
    for (quint32 at = 0; at < used.size(); ++at) {
        if (!used[at])
            continue;
        if (runStart != at - at % kRunPages) {
            runStart = at - at % kRunPages;
            runRead = pages.ReadRunInto(
                *runStart,
                std::min<quint32>(kRunPages, static_cast<quint32>(used.size()) - *runStart),
                run.get());
        }
        std::optional<QByteArray> page =
            runRead ? QByteArray::fromRawData(
                          run.get() + qsizetype(at - *runStart) * layout.pageSize, layout.pageSize)
                    : pages.Read(at);
        if (!page)
            damaged(QStringLiteral("Page %1 cannot be read.").arg(at));
        if (type(*page) == kDefinitionPage) {
            out.definitionPages.emplace(at, le(*page, 4, 4));
            if (startsADefinition(*page, layout))
                out.pageMaps.emplace(
                    at, std::pair(le(*page, mapOffsets.first, 4), le(*page, mapOffsets.second, 4)));
        } else if (type(*page) == kDataPage) {
            if (const std::bitset<256> maps = mapLikeRows(*page, layout); maps.any())
                out.mapLikeRows.emplace(at, maps);
            if (le(*page, 4, 4) == kCatalogPage) {
                const int slots = static_cast<int>(le(*page, layout.slotCount(), 2));
                if (layout.slots() + 2 * slots > layout.pageSize)
                    damaged(QStringLiteral("Catalog page %1 claims more rows than it can hold.")
                                .arg(at));
                for (int row = 0; row < slots; ++row)
                    if (!(le(*page, layout.slots() + 2 * row, 2) & kDeletedRow))
                        out.catalogRows.insert(at << 8 | static_cast<quint32>(row));
            }
        }
    }
    return out;
}

// The first page of each index of the catalog, from its definition.
QList<quint32> catalogIndexRoots(MdbHandle* mdb, const Pages& pages) {
    const MdbFormatConstants* fmt = mdb->fmt;
    const bool jet3 = pages.layout().jet3;
    std::optional<QByteArray> def = pages.Read(kCatalogPage);
    const QString unreadable =
        QStringLiteral("The definition of the catalog (page %1) is unreadable.").arg(kCatalogPage);
    if (!def || type(*def) != kDefinitionPage)
        damaged(unreadable);
    auto at = [&](qsizetype pos, int size) {
        if (pos < 0 || pos + size > def->size())
            damaged(unreadable);
        return le(*def, pos, size);
    };
    const quint32 columns = at(fmt->tab_num_cols_offset, 2);
    const quint32 realIndexes = at(fmt->tab_num_ridxs_offset, 4);
    qsizetype pos = fmt->tab_cols_start_offset + qsizetype(realIndexes) * fmt->tab_ridx_entry_size +
                    qsizetype(columns) * fmt->tab_col_entry_size;
    for (quint32 i = 0; i < columns; ++i)
        pos += (jet3 ? 1 : 2) + at(pos, jet3 ? 1 : 2);
    QList<quint32> roots;
    for (quint32 i = 0; i < realIndexes; ++i, pos += jet3 ? 39 : 52)
        roots.append(at(pos + (jet3 ? 0 : 4) + 34, 4));
    if (roots.isEmpty())
        damaged(QStringLiteral("The definition of the catalog (page %1) lists no index.")
                    .arg(kCatalogPage));
    return roots;
}

// The entries of an index page, each as stored (a shared prefix left off all but the first).
QList<QByteArray> entriesOf(const QByteArray& page, const Layout& layout) {
    QList<QByteArray> out;
    qsizetype start = 0;
    const qsizetype room = layout.pageSize - layout.entries();
    for (qsizetype end = 1; end <= room && layout.entryEnds() + end / 8 < layout.entries(); ++end)
        if (static_cast<quint8>(page[layout.entryEnds() + end / 8]) >> (end % 8) & 1) {
            out.append(page.mid(layout.entries() + start, end - start));
            start = end;
        }
    return out;
}

quint32 be(const QByteArray& bytes, qsizetype at, int size) {
    quint32 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | static_cast<quint8>(bytes[at + i]);
    return v;
}

// Every row an index of the catalog points at, walking from its root down its first children
// and then along its leaves.
std::set<RowPointer> indexedRows(const Pages& pages, const std::vector<bool>& used, quint32 root) {
    const Layout& layout = pages.layout();
    auto broken = [root](quint32 page) {
        damaged(QStringLiteral("The catalog's index that starts on page %1 is broken at page %2.")
                    .arg(root)
                    .arg(page));
    };
    std::set<quint32> visited;
    auto indexPage = [&](quint32 at) {
        std::optional<QByteArray> page = pages.Read(at);
        if (!used[at])
            broken(at);
        if (!page || visited.contains(at) || le(*page, 4, 4) != kCatalogPage ||
            (type(*page) != kIndexNodePage && type(*page) != kIndexLeafPage))
            broken(at);
        visited.insert(at);
        return *page;
    };
    quint32 at = root;
    QByteArray page = indexPage(at);
    while (type(page) == kIndexNodePage) {
        const QList<QByteArray> entries = entriesOf(page, layout);
        if (!entries.isEmpty() && entries.first().size() < 4)
            broken(at);
        at = entries.isEmpty() ? le(page, layout.tailChild(), 4)
                               : be(entries.first(), entries.first().size() - 4, 4);
        page = indexPage(at);
    }
    std::set<RowPointer> out;
    for (;;) {
        for (const QByteArray& entry : entriesOf(page, layout)) {
            if (entry.size() < 4)
                broken(at);
            out.insert(be(entry, entry.size() - 4, 3) << 8 | static_cast<quint8>(entry.back()));
        }
        const quint32 next = le(page, layout.nextLeaf(), 4);
        if (next == 0)
            return out;
        at = next;
        page = indexPage(at);
        if (type(page) != kIndexLeafPage)
            broken(at);
    }
}

void checkIndexesAgainstRows(MdbHandle* mdb, const Pages& pages, const std::vector<bool>& used,
                             const std::set<RowPointer>& rows) {
    for (quint32 root : catalogIndexRoots(mdb, pages)) {
        const std::set<RowPointer> indexed = indexedRows(pages, used, root);
        for (RowPointer row : indexed)
            if (!rows.contains(row)) {
                // A row on a page past the end was lost to the cut, which says more.
                if (qint64(row >> 8) >= pages.count())
                    pages.Read(row >> 8);
                damaged(QStringLiteral("The catalog's index (page %1) lists row %2 of page %3, "
                                       "which the catalog lacks.")
                            .arg(root)
                            .arg(row & 0xFF)
                            .arg(row >> 8));
            }
        for (RowPointer row : rows)
            if (!indexed.contains(row))
                damaged(QStringLiteral("Row %1 of catalog page %2 is missing from the catalog's "
                                       "index (page %3).")
                            .arg(row & 0xFF)
                            .arg(row >> 8)
                            .arg(root));
    }
}

// libmdb follows a table's page maps as soon as it opens the table and does not survive one that
// points at a row that is not there, so those rows are looked at first.
void checkPageMaps(const Pages& pages, const PagesInUse& found, const CatalogTablePage& table) {
    const auto [owned, free] = found.pageMaps.at(table.page); // the caller saw it is there
    for (quint32 pointer : {owned, free}) {
        const quint32 page = pointer >> 8;
        const int row = static_cast<int>(pointer & 0xFF);
        bool isMap = false;
        if (page < found.inUse.size() && found.inUse[page]) {
            const auto rows = found.mapLikeRows.find(page);
            isMap = rows != found.mapLikeRows.end() && rows->second.test(size_t(row));
        } else {
            std::optional<QByteArray> holder = pages.Read(page);
            isMap = holder && type(*holder) == kDataPage && mapLike(*holder, pages.layout(), row);
        }
        if (!isMap)
            damaged(QStringLiteral("The definition of table '%1' (page %2) keeps its map of "
                                   "pages in row %3 of page %4, which holds no such map.")
                        .arg(table.name)
                        .arg(table.page)
                        .arg(row)
                        .arg(page));
    }
}

// The variable-length slot that holds the catalog's Name column, from the catalog's definition.
std::optional<int> catalogNameSlot(MdbHandle* mdb, const Pages& pages) {
    const MdbFormatConstants* fmt = mdb->fmt;
    std::optional<QByteArray> def = pages.Read(kCatalogPage);
    if (!def)
        return std::nullopt;
    const quint32 columns = le(*def, fmt->tab_num_cols_offset, 2);
    const qsizetype descriptors =
        fmt->tab_cols_start_offset +
        qsizetype(le(*def, fmt->tab_num_ridxs_offset, 4)) * fmt->tab_ridx_entry_size;
    qsizetype name = descriptors + qsizetype(columns) * fmt->tab_col_entry_size;
    for (quint32 i = 0; i < columns && name + 2 <= def->size(); ++i) {
        const qsizetype length = le(*def, name, 2);
        if (name + 2 + length > def->size())
            return std::nullopt;
        QString stored;
        for (qsizetype at = name + 2; at + 1 < name + 2 + length; at += 2)
            stored.append(QChar(static_cast<char16_t>(le(*def, at, 2))));
        if (stored == QLatin1String("Name"))
            return static_cast<int>(le(
                *def,
                descriptors + qsizetype(i) * fmt->tab_col_entry_size + fmt->tab_col_offset_var, 2));
        name += 2 + length;
    }
    return std::nullopt;
}

// A variable-length value of a Jet 4 row, or nothing when it is null or lies outside the row.
std::optional<QByteArray> variableValue(const QByteArray& row, int slot) {
    if (row.size() < 2)
        return std::nullopt;
    const qsizetype mask = (le(row, 0, 2) + 7) / 8;
    const qsizetype count = row.size() - mask - 2;
    if (count < 0 || slot >= static_cast<int>(le(row, count, 2)))
        return std::nullopt;
    const qsizetype startAt = count - 2 - 2 * qsizetype(slot);
    const qsizetype endAt = startAt - 2; // the next slot's start, or the end of the data
    if (endAt < 0)
        return std::nullopt;
    const quint32 start = le(row, startAt, 2), end = le(row, endAt, 2);
    if (start > end || end > static_cast<quint32>(row.size()))
        return std::nullopt;
    return row.mid(start, end - start);
}

// libmdb turns text that is not UTF-16 into question marks without a word, so a name garbled
// into half a surrogate pair would read as another name; the stored bytes show it.
void checkStoredNames(MdbHandle* mdb, const Pages& pages, const std::set<RowPointer>& rows) {
    if (pages.layout().jet3) // code-page text: every byte is a character
        return;
    const std::optional<int> slot = catalogNameSlot(mdb, pages);
    if (!slot)
        return;
    constexpr quint16 kOverflowRow = 0x4000;
    std::optional<QByteArray> page;
    quint32 pageNumber = 0;
    for (RowPointer pointer : rows) {
        if (!page || pageNumber != pointer >> 8) {
            pageNumber = pointer >> 8;
            page = pages.Read(pageNumber);
        }
        const int row = static_cast<int>(pointer & 0xFF);
        if (!page || le(*page, pages.layout().slots() + 2 * row, 2) & kOverflowRow)
            continue;
        std::optional<QByteArray> bytes = rowOf(*page, pages.layout(), row);
        std::optional<QByteArray> name = bytes ? variableValue(*bytes, *slot) : std::nullopt;
        // Jet 4 compresses some text to one byte a character; Access never does so to names.
        if (!name || name->startsWith("\xFF\xFE"))
            continue;
        bool whole = name->size() % 2 == 0;
        for (qsizetype i = 0; whole && i + 1 < name->size(); i += 2) {
            const QChar unit(static_cast<char16_t>(le(*name, i, 2)));
            const bool pairedHigh =
                unit.isHighSurrogate() && i + 3 < name->size() &&
                QChar(static_cast<char16_t>(le(*name, i + 2, 2))).isLowSurrogate();
            if (pairedHigh)
                i += 2;
            else if (unit.isSurrogate())
                whole = false;
        }
        if (!whole)
            damaged(QStringLiteral("Row %1 of catalog page %2 holds a name that is not text: "
                                   "half of a UTF-16 surrogate pair, or an odd number of bytes.")
                        .arg(row)
                        .arg(pageNumber));
    }
}

void checkDefinitionsOwned(const Pages& pages, const PagesInUse& found,
                           const QList<CatalogTablePage>& tables) {
    std::set<quint32> owned;
    for (const CatalogTablePage& table : tables) {
        quint32 page = table.page;
        if (!found.pageMaps.contains(page))
            damaged(QStringLiteral("The catalog places table '%1' on page %2, which holds no "
                                   "table definition.")
                        .arg(table.name)
                        .arg(page));
        checkPageMaps(pages, found, table);
        // A chain is as long as the definitions in use at most; a longer one loops.
        for (qsizetype steps = 0; page != 0; ++steps) {
            if (page >= pages.count())
                pages.Read(page); // says the file was cut short
            if (!found.definitionPages.contains(page) ||
                steps > qsizetype(found.definitionPages.size()))
                damaged(QStringLiteral("The definition of table '%1' continues on page %2, "
                                       "which holds none.")
                            .arg(table.name)
                            .arg(page));
            owned.insert(page);
            page = found.definitionPages.at(page);
        }
    }
    for (const auto& [page, maps] : found.pageMaps)
        if (!owned.contains(page))
            damaged(QStringLiteral("Page %1 holds a table definition that no catalog row owns.")
                        .arg(page));
}

} // namespace

PagesInUse ScanCatalogPages(MdbHandle* mdb, qint64 pageCount, const PageReads* reads) {
    const Pages pages(mdb, pageCount, reads);
    const std::vector<bool> used = pagesInUse(pages);
    PagesInUse found = scanPagesInUse(
        pages, used, {mdb->fmt->tab_usage_map_offset, mdb->fmt->tab_free_map_offset});
    found.inUse = used;
    checkIndexesAgainstRows(mdb, pages, used, found.catalogRows);
    checkStoredNames(mdb, pages, found.catalogRows);
    return found;
}

void CheckCatalogAgainstPages(MdbHandle* mdb, qint64 pageCount, const PagesInUse& found,
                              const CatalogAsRead& catalog, const PageReads* reads) {
    if (catalog.rows != qsizetype(found.catalogRows.size()))
        damaged(QStringLiteral("The catalog holds %1 rows, but %2 of them could be read.")
                    .arg(qsizetype(found.catalogRows.size()))
                    .arg(catalog.rows));
    checkDefinitionsOwned(Pages(mdb, pageCount, reads), found, catalog.tables);
}

} // namespace vantor
