#pragma once

#include "engine/snapshot/FileStamp.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vantor {

struct FileContents {
    QByteArray data;
    FileStamp stamp; // the version that data was read from
};

// Reads a whole file, making sure no writer changed it while it was read.
FileContents ReadWholeFile(const QString& path);

// Replaces the file's contents so that a crash at any moment leaves either the old or the new
// bytes: a temporary file in the same folder is written, forced to disk and renamed over the
// file. Returns the stamp of the new version; on failure the file is untouched and a VantorError
// explains why.
FileStamp ReplaceFileAtomically(const QString& path, const QByteArray& data);

// Points in ReplaceFileAtomically where tests make a write fail by throwing from the hook.
enum class WriteStage { HalfWritten, BeforeRename };
void SetWriteFaultHookForTesting(std::function<void(WriteStage)> hook);

} // namespace vantor
