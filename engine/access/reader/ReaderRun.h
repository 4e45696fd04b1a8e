#pragma once

#include <QByteArray>
#include <QString>

namespace vantor {

// Reads the Access file at path and writes its schema to answerFd (see ReaderAnswer.h); returns the
// reader's exit code (see ReaderProtocol.h), with its reason as the last line on standard
// error. The reader program runs it, and so does a child forked to read a file in isolation.
int RunReader(const QString& path, const QString& password, int answerFd);

// Writes all of bytes to the descriptor, however the system splits the writes; false when it
// refuses.
bool WriteAll(int fd, const QByteArray& bytes);

} // namespace vantor
