#pragma once

#include "engine/access/writer/IndexKey.h"

#include "engine/access/writer/JetBytes.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <functional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Removes a user table: its catalog and permission rows (their indexes kept in step), and every
// page it owned given back to the file. Raises Jet's error for a table that is not there, is a
// system table or link, or takes part in a relationship.
void DropTable(PageFile& file, PageAllocator& allocator, const QString& name, KeyFormat format);

// Marks a usage map's row deleted and gives back its bitmap pages, and the holder page when it
// holds no other live row; `freed` collects the pages given back.
void DropMapRow(PageFile& file, PageAllocator& allocator, RowPointer where, QSet<quint32>& freed);
// Gives back every page of a map that `owned` says belongs to what is being dropped.
void FreeMappedPages(PageFile& file, PageAllocator& allocator, quint32 mapPointer,
                     const std::function<bool(const QByteArray&)>& owned, QSet<quint32>& freed);

} // namespace vantor::jet
