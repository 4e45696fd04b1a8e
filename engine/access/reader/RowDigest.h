#pragma once

#include "engine/access/WriterProtocol.h"

namespace vantor {

// Reads every row of every local user table of the Access file through libmdb. Raises
// UnreadableFile when the file or a table cannot be read.
QList<TableRowDigest> DigestMdbRows(const QString& path);

// Writes DigestMdbRows's answer as JSON to answerFd; returns the reader's exit code.
int RunRowDigest(const QString& path, int answerFd);

} // namespace vantor
