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
// file. Returns the stamp of the new version; on failure the file is untouched and a Error
// explains why.
// faultAt, when set, is called at each stage of the write, so that a test can make it fail there
// by throwing.
enum class WriteStage { HalfWritten, BeforeRename };
using WriteFaultHook = std::function<void(WriteStage)>;
FileStamp ReplaceFileAtomically(const QString& path, const QByteArray& data,
                                const WriteFaultHook& faultAt = {});

} // namespace vantor
