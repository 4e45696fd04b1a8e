#pragma once

#include "engine/Compare.h"

#include <QString>
#include <QStringList>

namespace vantor {

// The ALTER TABLE script that makes target's columns those of source: one ADD statement for the
// columns target lacks, one DROP COLUMN statement for the columns only target has, and an ALTER
// COLUMN batch for each column whose type, size or nullability differs. A batch that destroys
// data (the DROP COLUMN, an ALTER COLUMN to a type that may not hold every value) starts with a
// "-- Data loss:" comment line, and each such batch is described in losses when given. Empty
// (nothing to run) when either side is missing or is not a table.
QString AlterTableScript(const Table* source, const Table* target, const QString& tableName,
                         QStringList* losses = nullptr);

// Whether every value of a column of type from fits a column of type to; false for a shorter
// text and for a type change that can cut or refuse values.
bool HoldsEveryValue(const Column& from, const Column& to);

// The script that makes the target side's object name like the other side's, as the diff holds
// them: ALTER TABLE for a table, DROP and CREATE for a query, index or relationship, the default
// values for properties, and what only Access can change on "-- " lines; empty for a view (the
// comparison window drops and creates it) and when the diff lacks the object on either side.
// When the new definition needs what the target lacks (a field, a table, a unique index), the
// script says so on "-- " lines and drops nothing.
QString AlterScriptFor(const Diff& diff, const QString& name, Side target);

// The script that creates side's object name in a database that lacks it, and the one that
// drops it; what no statement can do is said on "-- " lines instead. Empty when the side lacks
// the object.
QString CreateScriptFor(const Diff& diff, const QString& name, Side side);
QString DropScriptFor(const Diff& diff, const QString& name, Side side);

} // namespace vantor
