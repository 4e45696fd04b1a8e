#include "engine/FileIdentity.h"

#include "model/Error.h"

#include <QFile>
#include <QFileInfo>
#include <optional>
#include <sys/stat.h>

namespace vantor {

namespace {

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
};

// The file a path leads to after every link; nothing when it does not exist.
std::optional<Identity> identityOf(const QString& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Identity{st.st_dev, st.st_ino};
}

// Jet and ACE write their engine's name at byte 4 of every database; a copy or link under
// another name still starts that way.
bool startsAsAccessDatabase(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

} // namespace

bool HasAccessFileName(const QString& path) {
    for (const char* ending : {".mdb", ".accdb", ".mde", ".accde"})
        if (path.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return true;
    return false;
}

QString OutputHazard(const QString& target, const std::vector<NamedInput>& inputs) {
    const QString refusal = QStringLiteral("Refusing to write '%1': ").arg(target);
    if (const std::optional<Identity> written = identityOf(target)) {
        for (const NamedInput& input : inputs) {
            const std::optional<Identity> read = identityOf(input.path);
            if (read && read->device == written->device && read->inode == written->inode)
                return refusal + QStringLiteral("it is the %1 '%2', which would be replaced.")
                                     .arg(input.role, input.path);
        }
    }
    const QFileInfo info(target);
    const QString linked = info.isSymLink() ? info.symLinkTarget() : QString();
    if (HasAccessFileName(target) || HasAccessFileName(linked) || startsAsAccessDatabase(target))
        return refusal + QStringLiteral("it is an Access database, and Vantor never writes over "
                                        "one.");
    return QString();
}

QString NonFileKind(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("a character device");
    if (S_ISBLK(st.st_mode))
        return QStringLiteral("a block device");
    return QStringLiteral("not a regular file");
}

void RefuseNonFile(const QString& path) {
    if (const QString kind = NonFileKind(path); !kind.isEmpty())
        throw Error(
            ErrorCode::Provider,
            QStringLiteral("Cannot open '%1': it is %2, not a database file.").arg(path, kind));
}

} // namespace vantor
