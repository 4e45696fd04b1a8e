#pragma once

#include "model/Schema.h"

#include <QString>

namespace vantor {

// Line end of every generated script.
inline const QString CrLf = QStringLiteral("\r\n");

QString SqlBracket(const QString& text);
QString SqlParen(const QString& text);

// "DROP TABLE [N]" or "DROP VIEW [N]"; a null string for any other kind of object, which has no
// DROP statement.
QString SqlDrop(ObjectKind kind, const QString& name);

// The clause a column definition carries after its type: " not null" for a required column.
// AutoNumber is not written: the definitions compare tables by their columns' types, sizes and
// nullability.
QString ColumnSuffix(const Column& column);

// The CREATE TABLE batch of a table, its columns by name, ended by a GO line; empty for a table
// without columns, which cannot be created.
QString CreateTableText(const Table& table);
// The same batch with the columns in the order Access's design view shows them, which a table
// made by a script should keep.
QString CreateTableTextInDesignOrder(const Table& table);

// The CREATE VIEW batch of a view: its stored definition under a line that names it, then GO.
QString CreateViewText(const View& view);

// Removes the separator (comma, optional blank, line break) that ends a list of column
// definitions; a list that does not end in one is left as it is.
void ChopListSeparator(QString& list);

// Length of text without the blanks at either end (tabs and line breaks count).
qsizetype BlankTrimmedLength(QStringView text);

} // namespace vantor
