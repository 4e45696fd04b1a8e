#pragma once

#include "model/Error.h"

#include <QString>

namespace vantor::accesserr {

Error FileNotFound(const QString& path);
// reason, when given, becomes the description's second sentence.
Error UnrecognizedFormat(const QString& path, const QString& reason = QString());
// A file whose pages contradict its catalog; reason says what was found.
Error Damaged(const QString& path, const QString& reason);
// A file encrypted in a way the reader cannot undo; reason says which way, or what is wrong
// with the description of it.
Error Encrypted(const QString& path, const QString& reason);
Error WrongPassword(const QString& path);
Error WrongAccount();
Error ReadOnly(const QString& path);
} // namespace vantor::accesserr
