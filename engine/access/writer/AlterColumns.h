#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QString>
#include <optional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Why ALTER TABLE … ADD cannot be written (constraints, a type the writer does not store), or
// nothing when it can.
std::optional<QString> WhyAddColumnsNotWritable(const AlterAddStmt& statement);

// Adds columns to a user table. Every row is written again with the new columns empty (Yes/No
// ones false), so that readers which do not expect rows shorter than their table read them
// too, and the table's indexes are filled again for the rows' new places. NOT NULL and DEFAULT
// go into the table's properties. A required or AutoNumber column on a table that holds rows is
// refused: its rows would break the rule at once.
void AddColumns(PageFile& file, PageAllocator& allocator, const AlterAddStmt& statement,
                KeyFormat format, quint8 sortVersion);

// Removes columns from a user table, their values from every row and their properties from the
// table's. A column an index or relationship uses is refused with Jet's error. The others keep
// their numbers, slots and offsets, as Access leaves them.
void DropColumns(PageFile& file, PageAllocator& allocator, const AlterDropColumnsStmt& statement,
                 KeyFormat format);

} // namespace vantor::jet
