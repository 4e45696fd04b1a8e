#pragma once

#include "engine/access/writer/IndexKey.h"
#include "engine/snapshot/JetDdlStatements.h"

#include <QList>
#include <QString>

namespace vantor::jet {

class PageFile;
class PageAllocator;

// A statement's constraints in the order Jet applies them: each column's own (given that
// column), then the table's.
QList<DdlConstraint> ConstraintsInOrder(const QList<DdlColumn>& columns,
                                        const QList<DdlConstraint>& tableConstraints);

// Adds PRIMARY KEY, UNIQUE and FOREIGN KEY constraints to a user table that may hold rows, one
// after the other; an unnamed key index takes Access's name for it (PrimaryKey, Index, Index1…).
// Raises Jet's error for duplicates or nulls under a key, or rows that break a foreign key.
void AddConstraints(PageFile& file, PageAllocator& allocator, const QString& table,
                    const QList<DdlConstraint>& constraints, KeyFormat format);

// Removes the table's index so named, or else the relationship so named whose foreign side the
// table is; Jet's error when neither exists.
void DropConstraint(PageFile& file, PageAllocator& allocator,
                    const AlterDropConstraintStmt& statement, KeyFormat format);

} // namespace vantor::jet
