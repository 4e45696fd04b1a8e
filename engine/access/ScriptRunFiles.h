#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>

namespace vantor {

// The files a script run on an Access file makes beside it: a lock, a hidden working copy and
// the backup of the original. Each failure raises Error with a sentence that names the file.

// The lock file Access keeps beside a database it has open (.ldb, .laccdb, any letter case),
// if there is one.
std::optional<QString> AccessLockFileOf(const QString& database);

// Holds the lock that keeps two runs on one database from interleaving: a hidden file beside it
// locked with flock, so that a run that dies lets go of it at once. The file is removed when the
// lock is let go.
class RunLock {
public:
    // Raises Error when another run holds the lock or the folder cannot be written.
    explicit RunLock(const QString& database);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    static QString PathFor(const QString& database);

private:
    QString path_;
    int fd_ = -1;
};

// The hidden name of this process's working copy of the database, in the same folder.
QString WorkingCopyPath(const QString& database);
// Removes the working copies, and the backups never followed by a replacement, that runs killed
// before their end left beside the database. Only call while holding the RunLock: no live run
// owns them then. Returns how many were removed.
int RemoveStrayCopies(const QString& database);

// What identifies one version of a file: a file replaced or written meanwhile differs.
struct FileVersion {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;
    mode_t mode = 0;
    bool operator==(const FileVersion&) const = default;
};
FileVersion VersionOf(const QString& path);

// Copies the file to target, which must not exist, with the same permissions, and forces the
// copy to disk. On failure nothing of the copy is left.
void CopyToDisk(const QString& from, const QString& target);

// Keeps the database, as it is, under a new name beside it that no program takes for a
// database, and returns that name.
QString KeepBackup(const QString& database);

// Puts the copy in the database's place in one step and forces the folder to disk.
void ReplaceWithCopy(const QString& copy, const QString& database);

} // namespace vantor
