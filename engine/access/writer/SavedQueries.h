#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/query/QueryRows.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QString>
#include <optional>
#include <variant>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// What a CREATE VIEW or CREATE PROCEDURE stores, or why it cannot be stored exactly. A view
// must be a select query without parameters, as Jet requires.
std::variant<jetsql::StorableQuery, QString> StoredQueryOf(const CreateViewStmt& statement);
std::variant<jetsql::StorableQuery, QString> StoredQueryOf(const CreateProcedureStmt& statement);

// Adds a saved query as Access keeps one: its catalog row (type 5, its kind in the flags), its
// MSysQueries rows in order, and the permissions a new object inherits from the Tables
// container, every index of the three tables kept in step. Raises Jet's error for a name that is
// taken or not allowed, and the writer's when the rows cannot be stored as they are.
void CreateSavedQuery(PageFile& file, PageAllocator& allocator, const QString& name,
                      const jetsql::StorableQuery& query, KeyFormat format);

// Removes a saved query's catalog row (and the properties in it), its MSysQueries rows and its
// permissions. DROP VIEW takes only a select query without parameters (what the reader calls a
// view), DROP PROCEDURE any saved query, so that a select procedure a script created can be
// dropped by the script again; anything else raises Jet's error for a missing object.
void DropSavedQuery(PageFile& file, PageAllocator& allocator, const QString& name, bool view,
                    KeyFormat format);

} // namespace vantor::jet
