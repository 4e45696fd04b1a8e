#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// What identifies one version of a file on disk: a file replaced by rename or rewritten in place
// gets another stamp.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

// The platform-specific part of durable file replacement, kept in one place.
FileStamp StampOfPath(const QString& path);
FileStamp StampOfHandle(int handle);
// Forces the file's data to the disk; false when the disk reports a failure.
bool SyncHandle(int handle);
// Makes a rename inside the folder of path survive a crash.
void SyncFolderOf(const QString& path);

} // namespace vantor
