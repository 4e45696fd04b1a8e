#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdlStatements.h"

namespace vantor::jet {

class PageFile;
class PageAllocator;
struct TableDef;

// The user table so named, or Jet's error for one that is missing, a link or a system table.
CatalogObject RequireUserTable(const PageFile& file, const QString& name);

// Stores a usage map row on the page that holds the table's own maps when it has room, else on
// a new page of its own.
RowPointer AddMapRow(PageFile& file, PageAllocator& allocator, const TableDef& def,
                     const QByteArray& row);

// Adds an index to a user table and fills it from the table's rows; a unique or primary index
// over duplicates, or a required one over nulls, raises Jet's error.
void CreateIndex(PageFile& file, PageAllocator& allocator, const CreateIndexStmt& statement,
                 KeyFormat format);

// Removes an index from a user table, and its pages when no other index shares them; an index
// that a relationship relies on is refused with Jet's error.
void DropIndex(PageFile& file, PageAllocator& allocator, const DropIndexStmt& statement);

} // namespace vantor::jet
