#pragma once

#include "engine/access/writer/IndexPages.h"
#include "engine/access/writer/TableDef.h"

#include <QByteArray>
#include <QList>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// The bytes of one index page holding the given entries (sorted), with its links.
QByteArray SerializeIndexPage(const IndexPage& page, quint32 tablePage, int pageSize);

// Replaces the whole tree of an index by one holding exactly these entries, which must be sorted
// by key and then row. The root stays on its page; the index's other pages are reused, more are
// taken when needed and the ones left over are freed, its usage map following along.
void RebuildIndex(PageFile& file, PageAllocator& allocator, quint32 tablePage,
                  const RealIndexDef& index, const QList<IndexEntry>& entries);

} // namespace vantor::jet

namespace vantor::jet {

struct KeyFormat;

// Fills an index from the table's rows as they are now (rows with all key columns null left out
// of an ignore-nulls index) and sets its count of distinct keys. A unique index over duplicate
// keys raises Jet's duplicate-value error and writes nothing.
void FillIndexFromRows(PageFile& file, PageAllocator& allocator, TableDef& def, int realIndex,
                       KeyFormat format);

} // namespace vantor::jet
