#include "engine/access/ScriptRunFiles.h"

#include "model/Error.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantor {

namespace {

const QString kCopyMark = QStringLiteral(".vantor-run-");
const QString kBackupMark = QStringLiteral(".backup-");

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// errno in words, with what it means for the user's file where that is not plain.
QString reasonOf(int error) {
    QString reason = QString::fromLocal8Bit(strerror(error));
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return reason + QStringLiteral(" (the disk is full)");
    case EFBIG:
        return reason + QStringLiteral(" (more than this process may write)");
    case EACCES:
    case EPERM:
    case EROFS:
        return reason + QStringLiteral(" (the folder cannot be written)");
    default:
        return reason;
    }
}

[[noreturn]] void fail(const QString& what, const QString& path, int error) {
    throw Error(ErrorCode::Provider,
                QStringLiteral("Cannot %1 '%2': %3.").arg(what, path, reasonOf(error)));
}

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            close(fd);
    }
};

bool writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, static_cast<size_t>(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

void syncFolder(const QString& folder) {
    Descriptor dir{open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd < 0 || fsync(dir.fd) != 0)
        fail(QStringLiteral("force to disk the folder"), folder, errno);
}

} // namespace

std::optional<QString> AccessLockFileOf(const QString& database) {
    const QFileInfo info(database);
    const QStringList filters{info.completeBaseName() + QStringLiteral(".ldb"),
                              info.completeBaseName() + QStringLiteral(".laccdb")};
    const QStringList found =
        info.dir().entryList(filters, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    if (found.isEmpty())
        return std::nullopt;
    return info.dir().absoluteFilePath(found.first());
}

QString RunLock::PathFor(const QString& database) {
    const QFileInfo info(database);
    return info.dir().absoluteFilePath(QLatin1Char('.') + info.fileName() +
                                       QStringLiteral(".vantor-lock"));
}

RunLock::RunLock(const QString& database) : path_(PathFor(database)) {
    // A run that let go removes the file, so a lock taken on a file no longer at the path is
    // taken again on the one there now.
    for (;;) {
        fd_ = open(native(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            fail(QStringLiteral("create the lock file"), path_, errno);
        if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd_);
            fd_ = -1;
            if (error == EWOULDBLOCK)
                throw Error(ErrorCode::Provider,
                            QStringLiteral("Another Vantor run is changing '%1' (it holds '%2'); "
                                           "try again when it has finished.")
                                .arg(database, path_));
            fail(QStringLiteral("lock"), path_, error);
        }
        struct stat held = {}, named = {};
        if (fstat(fd_, &held) == 0 && stat(native(path_).constData(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return;
        close(fd_);
        fd_ = -1;
    }
}

RunLock::~RunLock() {
    if (fd_ < 0)
        return;
    unlink(native(path_).constData());
    close(fd_);
}

QString WorkingCopyPath(const QString& database) {
    const QFileInfo info(database);
    return info.dir().absoluteFilePath(QLatin1Char('.') + info.fileName() + kCopyMark +
                                       QString::number(getpid()));
}

int RemoveStrayCopies(const QString& database) {
    const QFileInfo info(database);
    QDir dir = info.dir();
    int removed = 0;
    const QString copyPrefix = QLatin1Char('.') + info.fileName() + kCopyMark;
    for (const QString& name : dir.entryList({copyPrefix + QLatin1Char('*')},
                                             QDir::Files | QDir::Hidden | QDir::System)) {
        if (name.startsWith(copyPrefix) && QFile::remove(dir.absoluteFilePath(name)))
            ++removed;
    }
    // A backup is a second name of the original until the copy replaces it; one that still is
    // belongs to a run killed in between and is the database itself.
    const FileVersion current = VersionOf(database);
    for (const QString& name :
         dir.entryList({info.fileName() + kBackupMark + QLatin1Char('*')}, QDir::Files)) {
        const FileVersion backup = VersionOf(dir.absoluteFilePath(name));
        if (backup.device == current.device && backup.inode == current.inode &&
            QFile::remove(dir.absoluteFilePath(name)))
            ++removed;
    }
    if (removed > 0)
        syncFolder(dir.absolutePath());
    return removed;
}

FileVersion VersionOf(const QString& path) {
    struct stat st = {};
    if (stat(native(path).constData(), &st) != 0)
        fail(QStringLiteral("read the state of"), path, errno);
    return {st.st_dev, st.st_ino, st.st_size,
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_mode};
}

void CopyToDisk(const QString& from, const QString& target) {
    Descriptor in{open(native(from).constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        fail(QStringLiteral("read"), from, errno);
    struct stat st = {};
    if (fstat(in.fd, &st) != 0)
        fail(QStringLiteral("read"), from, errno);
    Descriptor out{open(native(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        st.st_mode & 0777)};
    if (out.fd < 0)
        fail(QStringLiteral("create the working copy"), target, errno);
    auto failCopy = [&](const QString& what, const QString& path, int error) {
        unlink(native(target).constData());
        fail(what, path, error);
    };
    constexpr size_t kChunk = size_t(1) << 20;
    auto buffer = std::make_unique<char[]>(kChunk);
    for (;;) {
        const ssize_t n = read(in.fd, buffer.get(), kChunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failCopy(QStringLiteral("read"), from, errno);
        if (n == 0)
            break;
        if (!writeAll(out.fd, buffer.get(), n))
            failCopy(QStringLiteral("write the working copy"), target, errno);
    }
    // umask may have narrowed the mode given to open.
    if (fchmod(out.fd, st.st_mode & 07777) != 0 || fsync(out.fd) != 0)
        failCopy(QStringLiteral("write the working copy"), target, errno);
}

QString KeepBackup(const QString& database) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = database + kBackupMark + stamp;
    for (int n = 1;; ++n) {
        const QString backup = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        // A second name costs nothing and holds the very bytes the user had.
        if (link(native(database).constData(), native(backup).constData()) == 0) {
            syncFolder(folderOf(database));
            return backup;
        }
        if (errno == EEXIST)
            continue;
        if (errno != EPERM && errno != EXDEV && errno != EOPNOTSUPP && errno != EMLINK)
            fail(QStringLiteral("keep the backup"), backup, errno);
        CopyToDisk(database, backup);
        syncFolder(folderOf(database));
        return backup;
    }
}

void ReplaceWithCopy(const QString& copy, const QString& database) {
    // Whatever the writer left in the page cache is on the disk before its name is.
    {
        Descriptor written{open(native(copy).constData(), O_RDONLY | O_CLOEXEC)};
        if (written.fd < 0 || fsync(written.fd) != 0)
            fail(QStringLiteral("force to disk the working copy"), copy, errno);
    }
    if (rename(native(copy).constData(), native(database).constData()) != 0)
        fail(QStringLiteral("put the new version in the place of"), database, errno);
    syncFolder(folderOf(database));
}

} // namespace vantor
