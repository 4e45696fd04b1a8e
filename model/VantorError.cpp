#include "model/VantorError.h"

#include <limits>

namespace vantor {

VantorError::VantorError(qint32 number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

qint16 ToInt16(qint64 value) {
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw VantorError(err::Overflow, QStringLiteral("Overflow"));
    return static_cast<qint16>(value);
}

} // namespace vantor
