#pragma once

#include "engine/access/writer/IndexKey.h"

#include <QString>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Removes a user table: its catalog and permission rows (their indexes kept in step), and every
// page it owned given back to the file. Raises Jet's error for a table that is not there, is a
// system table or link, or takes part in a relationship.
void DropTable(PageFile& file, PageAllocator& allocator, const QString& name, KeyFormat format);

} // namespace vantor::jet
