#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/TableDef.h"

#include <QString>
#include <functional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// How many live rows the table holds, counted on its pages.
qsizetype RowsOf(const PageFile& file, const TableDef& def);

// Writes every row again for the table's new definition, `convert` turning a row's old values
// into its new ones. The table's data pages are filled afresh in their order, so the rows keep
// their order; pages left over are given back and every index is filled again. The caller writes
// the definition.
void RewriteRows(PageFile& file, PageAllocator& allocator, const TableDef& before, TableDef& after,
                 KeyFormat format, const std::function<RowValues(const RowValues&)>& convert);

// The fixed area's end over the table's live columns, where a new fixed column goes.
quint16 FixedAreaEnd(const TableDef& def);

// Whether a relationship of the file joins on this column of this table.
bool InRelationship(const PageFile& file, const QString& table, const QString& column);

} // namespace vantor::jet
