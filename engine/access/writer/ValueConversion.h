#pragma once

#include "engine/access/writer/TableDef.h"

#include <QByteArray>
#include <optional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// One stored value of a column as the column of another type stores it, converted as Jet converts
// on ALTER COLUMN: numbers keep their value (rounded half to even where the new type has fewer
// decimals), text keeps its characters, Yes/No is -1 or 0 as a number. A value that does not fit
// raises Jet's error; a conversion Vantor does not make (dates and Yes/No as text, for one)
// raises its own. Memo and OLE values are read whole and stored again when their type changes.
std::optional<QByteArray> ConvertValue(PageFile& file, PageAllocator& allocator,
                                       const ColumnDef& from, const ColumnDef& to,
                                       const std::optional<QByteArray>& value);

} // namespace vantor::jet
