#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/TableScan.h"

#include <QByteArray>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// The whole property blob (LvProp) of a catalog object; empty when it has none.
QByteArray ReadObjectProperties(const PageFile& file, const CatalogObject& object);

// Replaces an object's property blob (an empty blob removes it). Its catalog row is written
// anew, so the catalog's indexes are filled again; the old blob's long value rows go.
void WriteObjectProperties(PageFile& file, PageAllocator& allocator, const CatalogObject& object,
                           const QByteArray& blob, KeyFormat format);

// Stores a long value for a row's field: in the field itself when small, else on pages of its own
// (one row, or a chain of rows). Returns the field's bytes.
QByteArray StoreLongValue(PageFile& file, PageAllocator& allocator, const QByteArray& value);

// Marks the rows a long value field of the owner's rows points at deleted, giving back the pages
// of long values that are left with no live row (out of the owner's maps first); a value held in
// the field is left alone.
void ReleaseLongValue(PageFile& file, PageAllocator& allocator, const TableDef& owner,
                      const QByteArray& field);

} // namespace vantor::jet
