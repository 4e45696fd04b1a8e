#pragma once

#include <QVariant>
#include <QtGlobal>

namespace vantor {

// Conversions of provider values the way the platform's runtime converts them: a null is
// "Invalid use of Null" (94), text that is no number is "Type mismatch" (13), a value outside
// 16 bits is "Overflow" (6). Fractions round half to even.
qint16 VariantToInt16(const QVariant& value);
bool VariantToBool(const QVariant& value);

// A maximum length as the engine reads it: the text "0" followed by the value, so a null gives 0.
qint16 LengthToInt16(const QVariant& value);

} // namespace vantor
