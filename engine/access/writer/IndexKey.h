#pragma once

#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/TableDef.h"

#include <QByteArray>

namespace vantor::jet {

class PageFile;

// How the file encodes keys: Jet 4 keeps the older decimal encoding that ACE corrected.
struct KeyFormat {
    bool legacyDecimal = false;
};

// Whether Vantor can encode keys over this column (text only in the General sort orders).
bool CanEncodeKeyColumn(const ColumnDef& column);

// The key bytes of one row in one index, as the index's leaf entries hold them before the row
// pointer; long text values are read from the file.
QByteArray EncodeIndexKey(const PageFile& file, const TableDef& def, const RealIndexDef& index,
                          const RowValues& row, KeyFormat format);

// Whether every key column of the row is null (ignore-nulls indexes leave such rows out).
bool AllKeyColumnsNull(const TableDef& def, const RealIndexDef& index, const RowValues& row);

} // namespace vantor::jet
