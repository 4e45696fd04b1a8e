#include "model/Error.h"

namespace vantor {

Error::Error(ErrorCode code, const QString& description)
    : std::runtime_error(description.toStdString()), code_(code), description_(description) {}

QString DescriptionOf(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return error->description();
    return QString::fromLocal8Bit(e.what());
}

} // namespace vantor
