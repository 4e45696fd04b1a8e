#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QString>
#include <optional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Why ALTER TABLE … ALTER COLUMN cannot be written (constraints, a type the writer does not
// store), or nothing when it can.
std::optional<QString> WhyAlterColumnNotWritable(const AlterColumnStmt& statement);

// Gives a column of a user table a new type, size, nullability or default, converting every
// row's value as Jet does. A value that does not fit or convert, or a null under NOT NULL, fails
// the statement with Jet's error and nothing written. A column a relationship uses is refused.
void AlterColumn(PageFile& file, PageAllocator& allocator, const AlterColumnStmt& statement,
                 KeyFormat format, quint8 sortVersion);

} // namespace vantor::jet
