#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/snapshot/JetDdlStatements.h"

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Adds an index to a user table and fills it from the table's rows; a unique or primary index
// over duplicates, or a required one over nulls, raises Jet's error.
void CreateIndex(PageFile& file, PageAllocator& allocator, const CreateIndexStmt& statement,
                 KeyFormat format);

// Removes an index from a user table, and its pages when no other index shares them; an index
// that a relationship relies on is refused with Jet's error.
void DropIndex(PageFile& file, PageAllocator& allocator, const DropIndexStmt& statement);

} // namespace vantor::jet
