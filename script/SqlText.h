#pragma once

#include "model/clsField.h"

#include <QString>

namespace vantor {

// Line end of every generated script.
inline const QString CrLf = QStringLiteral("\r\n");

QString SqlBracket(const QString& text);
QString SqlParen(const QString& text);

// "DROP TABLE [N]" or "DROP VIEW [N]"; a null string for any other object type, which has no
// DROP statement.
QString SqlDrop(const QString& xType, const QString& name);

// The clause a column definition carries after its type: " not null" for a required column,
// then " identity" for an automatically numbered one.
QString ColumnSuffix(const clsField& column);

// Removes the separator (comma, optional blank, line break) that ends a list of column
// definitions; a list that does not end in one is left as it is.
void ChopListSeparator(QString& list);

// Length of text without the blanks at either end (tabs and line breaks count).
qsizetype BlankTrimmedLength(const QString& text);

} // namespace vantor
