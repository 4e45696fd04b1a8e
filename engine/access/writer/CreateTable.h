#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/TableDef.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QString>
#include <optional>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// Raises Jet's error for a table or field name that Access does not allow.
void RequireValidName(const QString& name);

// The stored form of a new column of this type (number, slot and offset left for the caller),
// or nothing for a type the writer does not store.
std::optional<ColumnDef> NewColumnDef(const Column& column, quint8 sortVersion);

// Why CREATE TABLE cannot write this statement (a column type, size or clause the writer does not
// store yet), or nothing when it can.
std::optional<QString> WhyCreateTableNotWritable(const CreateTableStmt& statement);

// Adds a user table: its definition and usage maps, its catalog row (both catalog indexes kept in
// step), the permissions a new table inherits from the Tables container, an empty index for
// each PRIMARY KEY or UNIQUE constraint and a relationship for each FOREIGN KEY. New text columns
// sort by the file's sort version. Raises Jet's error for a name that is taken or not allowed.
void CreateTable(PageFile& file, PageAllocator& allocator, const CreateTableStmt& statement,
                 KeyFormat format, quint8 sortVersion);

} // namespace vantor::jet
