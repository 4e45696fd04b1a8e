#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// ADO type code of a text column, whose definition carries its length.
constexpr qint32 adWChar = 130;
// ADO type code of a binary column: fixed-size with a length, OLE Object without one.
constexpr qint32 adBinary = 128;

// The text that follows a column name in a column definition: SQL type, the clause suffix where
// the type takes one, the list separator and the line break, all upper case; empty for a type
// code that has no SQL spelling here.
QString SqlDataType(qint32 dataType, qint32 size, const QString& suffix);
// The same text appended to out, for a text made of many columns.
void AppendSqlDataType(QString& out, qint32 dataType, qint32 size, const QString& suffix);

} // namespace vantor
