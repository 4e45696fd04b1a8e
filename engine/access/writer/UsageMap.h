#pragma once

#include "engine/access/writer/JetBytes.h"

#include <QList>

namespace vantor::jet {

class PageFile;

// A set of pages kept as a row: either a bitmap over a window of pages inside the row, or
// pointers to bitmap pages that together cover the whole file.
struct UsageMap {
    enum class Kind { Inline, Reference };
    Kind kind = Kind::Inline;
    quint32 start = 0;             // first page of an inline map's window
    QByteArray bitmap;             // an inline map's bits, page start + k at byte k/8, bit k%8
    QList<quint32> referencePages; // a reference map's bitmap pages, 0 where none is needed yet
    QList<quint32> pages;          // the pages in the set, ascending

    bool Contains(quint32 page) const;
};

// Parses a map row; bitmap pages of a reference map are read from the file.
UsageMap ParseUsageMap(const PageFile& file, const QByteArray& row);
UsageMap ReadUsageMap(const PageFile& file, RowPointer where);

} // namespace vantor::jet

namespace vantor::jet {

class PageAllocator;

// Adds a page to the map whose row is given, moving an inline map's window or turning it into a
// reference map when the page lies outside; the row keeps its size.
void AddPageToMap(PageFile& file, PageAllocator& allocator, RowPointer where, quint32 page);
// Takes a page out of the map; a page the map does not hold is left alone.
void RemovePageFromMap(PageFile& file, RowPointer where, quint32 page);

} // namespace vantor::jet
