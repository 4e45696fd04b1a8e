#pragma once

#include "engine/Compare.h"

#include <QString>

namespace vantor {

// The ALTER TABLE script that makes target's columns those of source: one ADD statement for the
// columns target lacks, one DROP COLUMN statement for the columns only target has, and an ALTER
// COLUMN batch for each column whose type, size or nullability differs. Empty (nothing to run)
// when either side is missing or is not a table.
QString AlterTableScript(const Table* source, const Table* target, const QString& tableName);

// The script that makes the target side's table tableName like the other side's, as the diff
// holds them; empty when the diff has no such table on both sides.
QString AlterScriptFor(const Diff& diff, const QString& tableName, Side target);

} // namespace vantor
