#pragma once

#include "model/clsObject.h"

#include <QString>

namespace vantor {

// The ALTER TABLE script that makes target's columns those of source: one ADD statement for the
// columns target lacks, one DROP COLUMN statement for the columns only target has, and an ALTER
// COLUMN batch for each column whose type, size or nullability differs. Empty (nothing to run)
// when either side is missing or is not a table.
QString AlterTableScript(const clsObject* source, const clsObject* target,
                         const QString& tableName);

// The script for the primary database's table tableName, after the secondary one (and the
// reverse), as the global Engine loaded them.
QString AlterScriptPrimary(const QString& tableName);
QString AlterScriptSecondary(const QString& tableName);

} // namespace vantor
