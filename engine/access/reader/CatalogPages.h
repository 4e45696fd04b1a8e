#pragma once

#include <QList>
#include <QString>
#include <bitset>
#include <map>
#include <set>
#include <vector>

#include "engine/access/reader/WatchedPages.h"

// After the standard headers: glib pulls in C++ headers of its own inside libmdb's extern "C".
#include <mdbtools.h>

namespace vantor {

// A table as a catalog row places it: its name and the page its definition starts on.
struct CatalogTablePage {
    QString name;
    quint32 page = 0;
};

// What libmdb made of the catalog, to be held against the pages themselves.
struct CatalogAsRead {
    qsizetype rows = 0; // every row libmdb gave, named or not
    QList<CatalogTablePage> tables;
};

using RowPointer = quint32; // page << 8 | row, as index entries store it

// What one pass over the pages the file marks in use finds.
struct PagesInUse {
    std::set<RowPointer> catalogRows;           // live rows on the catalog's data pages
    std::map<quint32, quint32> definitionPages; // each table definition page -> the next in chain
    // The row pointers to the two page maps of each page that starts a table definition.
    std::map<quint32, std::pair<quint32, quint32>> pageMaps;
    // The pages the pass looked at (those in use), and on its pages of rows the rows that could
    // hold a page map, which starts with its kind, 0 or 1: the tables' maps are then checked
    // without reading their pages again.
    std::vector<bool> inUse;
    std::map<quint32, std::bitset<256>> mapLikeRows;
};

// Jet pages carry no checksums, so a lost or overwritten catalog page shows only where the file
// contradicts itself; these two hold the catalog against the pages and throw DamagedFile naming
// the page where they disagree, before libmdb could read what is left as a smaller schema.
// Both may read pages through libmdb's own page buffer, so they run between libmdb's reads of
// tables, never during one; with the watched stream's reads they read most pages past it.

// Reads each page in use once and checks that every live row of the catalog has its entry in
// each of the catalog's indexes, and every entry its row. Runs before libmdb reads the catalog.
// With reads (the watched stream's), the pass reads many pages at a time where it can.
PagesInUse ScanCatalogPages(MdbHandle* mdb, qint64 pageCount, const PageReads* reads = nullptr);

// Checks that libmdb gave every live row of the catalog, that each table's definition and page
// maps are where its row says, and that every table definition in use belongs to a table of the
// catalog.
void CheckCatalogAgainstPages(MdbHandle* mdb, qint64 pageCount, const PagesInUse& found,
                              const CatalogAsRead& catalog, const PageReads* reads = nullptr);

} // namespace vantor
