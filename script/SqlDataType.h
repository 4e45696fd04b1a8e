#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// ADO type code of a text column, the one type whose definition carries its length.
constexpr qint16 adWChar = 130;

// The text that follows a column name in a column definition: SQL type, the clause suffix where
// the type takes one, the list separator and the line break, all upper case; empty for a type
// code that has no SQL spelling here.
QString SqlDataType(qint16 FieldType, qint16 FieldSize, const QString& Suffix);

} // namespace vantor
