#include "engine/VariantConvert.h"

#include "model/VantorError.h"

#include <cmath>

namespace vantor {

namespace {

constexpr qint32 kTypeMismatch = 13;
constexpr qint32 kInvalidUseOfNull = 94;

VantorError typeMismatch() {
    return VantorError(kTypeMismatch, QStringLiteral("Type mismatch"));
}

void requireNotNull(const QVariant& value) {
    if (value.isNull())
        throw VantorError(kInvalidUseOfNull, QStringLiteral("Invalid use of Null"));
}

double numberOf(const QString& text) {
    bool ok = false;
    double d = text.trimmed().toDouble(&ok);
    if (!ok)
        throw typeMismatch();
    return d;
}

qint16 roundToInt16(double d) {
    double rounded = std::nearbyint(d); // the default rounding mode rounds half to even
    if (!std::isfinite(rounded) || std::fabs(rounded) > 1e15)
        throw VantorError(err::Overflow, QStringLiteral("Overflow"));
    return ToInt16(static_cast<qint64>(rounded));
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

qint16 VariantToInt16(const QVariant& value) {
    requireNotNull(value);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? -1 : 0;
    if (isNumber(value))
        return roundToInt16(value.toDouble());
    return roundToInt16(numberOf(value.toString()));
}

bool VariantToBool(const QVariant& value) {
    requireNotNull(value);
    if (isNumber(value))
        return value.toDouble() != 0;
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    return numberOf(text) != 0;
}

qint16 LengthToInt16(const QVariant& value) {
    if (value.isNull())
        return 0;
    // A number that is not negative reads the same with a leading "0"; a negative one is no
    // number then.
    if (isNumber(value) && value.typeId() != QMetaType::Bool && value.toDouble() >= 0)
        return roundToInt16(value.toDouble());
    return roundToInt16(numberOf(QLatin1Char('0') + value.toString()));
}

} // namespace vantor
