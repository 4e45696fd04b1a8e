#pragma once

#include "model/VantorError.h"

#include <QString>

namespace vantor {

// The errors of the Access back end, worded as Jet words them where Jet has words for them.
namespace accesserr {
// DB_SEC_E_AUTH_FAILED, the number of Jet's logon errors.
constexpr qint32 AuthFailed = -2147217843;

VantorError FileNotFound(const QString& path);
// reason, when given, becomes the description's second sentence.
VantorError UnrecognizedFormat(const QString& path, const QString& reason = QString());
// A file whose pages contradict its catalog; reason says what was found.
VantorError Damaged(const QString& path, const QString& reason);
// A file encrypted in a way the reader cannot undo; reason says which way, or what is wrong
// with the description of it.
VantorError Encrypted(const QString& path, const QString& reason);
VantorError WrongPassword();
VantorError WrongAccount();
VantorError ReadOnly(const QString& path);
} // namespace accesserr

} // namespace vantor
