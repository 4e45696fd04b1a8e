#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QString>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Adds an enforced relationship from the foreign table's columns to the referenced table's
// primary key (or the columns the constraint names, which must carry a unique index): its rows in
// MSysRelationships, its catalog row and permissions, and the pair of indexes that enforce it,
// each naming the other. Raises Jet's error, and writes nothing, when a row of the foreign table
// refers to a row that does not exist.
void CreateRelationship(PageFile& file, PageAllocator& allocator, const QString& foreignTable,
                        const DdlConstraint& constraint, KeyFormat format);

// Removes the relationship so named whose foreign side is the table, with everything
// CreateRelationship adds, giving back the pages of an index nothing else uses. False when the
// table has no such relationship.
bool DropRelationship(PageFile& file, PageAllocator& allocator, const QString& foreignTable,
                      const QString& name, KeyFormat format);

} // namespace vantor::jet
