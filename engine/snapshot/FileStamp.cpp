#include "engine/snapshot/FileStamp.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vantor {

#ifdef Q_OS_UNIX

namespace {
FileStamp fromStat(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.size = static_cast<qint64>(st.st_size);
    s.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}
} // namespace

FileStamp StampOfPath(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return fromStat(st);
}

FileStamp StampOfHandle(int handle) {
    struct stat st {};
    if (::fstat(handle, &st) != 0)
        return {};
    return fromStat(st);
}

bool SyncHandle(int handle) {
    return ::fsync(handle) == 0;
}

void SyncFolderOf(const QString& path) {
    QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

#else

FileStamp StampOfPath(const QString& path) {
    QFileInfo info(path);
    if (!info.exists())
        return {};
    FileStamp s;
    s.exists = true;
    s.size = info.size();
    s.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    return s;
}

// Without a handle-based query the stamp is taken from the path after the rename.
FileStamp StampOfHandle(int) {
    return {};
}

// QSaveFile flushes the file to the disk itself on commit.
bool SyncHandle(int) {
    return true;
}

void SyncFolderOf(const QString&) {}

#endif

} // namespace vantor
