#pragma once

#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/TableDef.h"

namespace vantor::jet {

class PageFile;
class PageAllocator;

// A row's stored bytes from its values (by the table's column order, as DecodeRow gives them),
// laid out for the table's current column and slot counts.
QByteArray EncodeRow(const TableDef& def, const RowValues& values);

// Stores a row on one of the table's pages (a new one when none has room) and returns where it
// went; the definition's row count goes up, for the caller to write back.
RowPointer InsertRow(PageFile& file, PageAllocator& allocator, TableDef& def,
                     const QByteArray& row);

// Marks a live row deleted (and the moved row an overflow slot points at); the definition's row
// count goes down, for the caller to write back.
void DeleteRow(PageFile& file, TableDef& def, RowPointer where);

} // namespace vantor::jet
