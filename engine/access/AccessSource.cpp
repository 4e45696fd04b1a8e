#include "engine/access/AccessSource.h"

#include "engine/FileIdentity.h"
#include "engine/access/AccessErrors.h"
#include "engine/access/JetHeader.h"
#include "engine/access/OfficeCrypto.h"
#include "engine/access/ReaderProcess.h"

#include <QFile>
#include <QFileInfo>

namespace vantor {

std::unique_ptr<Source> OpenAccessFile(const DatabaseLogin& login, ReaderEntry entry) {
    CheckAccessOpen(login.path, login.user, login.password);
    return std::make_unique<AccessSource>(login.path, ReaderLimits(), login.password, entry);
}

void CheckAccessOpen(const QString& path, const QString& userId, const QString& password) {
    RefuseNonFile(path);
    QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw accesserr::FileNotFound(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The file cannot be read: %1.").arg(file.errorString()));
    QString whyNot;
    const QByteArray firstPage = file.read(kOfficeEncryptionPageBytes);
    file.close();
    std::optional<JetHeader> header = ParseJetHeader(firstPage, &whyNot);
    if (!header)
        throw accesserr::UnrecognizedFormat(path);
    bool defaultUser =
        userId.isEmpty() || userId.compare(QLatin1String("Admin"), Qt::CaseInsensitive) == 0;
    if (header->IsOfficeEncrypted()) {
        // The description of the encryption is read at once, so that an unusable one is said on
        // open; the password itself costs a slow key derivation and is checked by the reader.
        if (!ParseOfficeEncryption(firstPage, &whyNot))
            throw accesserr::Encrypted(path, whyNot);
        if (password.isEmpty())
            throw accesserr::WrongPassword(path);
        if (!defaultUser)
            throw accesserr::WrongAccount();
        return;
    }
    if (!header->password.isEmpty()) {
        if (password != header->password)
            throw accesserr::WrongPassword(path);
        if (!defaultUser)
            throw accesserr::WrongAccount();
        return;
    }
    if (!defaultUser || !password.isEmpty())
        throw accesserr::WrongAccount();
}

AccessSource::AccessSource(QString path, ReaderLimits limits, QString password, ReaderEntry entry)
    : path_(std::move(path)), limits_(limits), password_(std::move(password)), entry_(entry) {}

void AccessSource::execute(const QString& statement) {
    Q_UNUSED(statement);
    throw accesserr::ReadOnly(path_);
}

void AccessSource::prefetch() {
    if (!loaded() && !pending_)
        pending_ = startRead();
}

std::unique_ptr<PendingAccessRead> AccessSource::startRead() const {
    return std::make_unique<PendingAccessRead>(path_, limits_, password_, stopToken(), entry_);
}

std::unique_ptr<PendingAccessRead> AccessSource::takeRead() {
    return pending_ ? std::move(pending_) : startRead();
}

Schema AccessSource::load() {
    return takeRead()->Take();
}

Schema AccessSource::loadTableByTable(const TableSink& take) {
    if (loaded())
        return Source::loadTableByTable(take);
    // Nothing is kept: a schema without its tables must never stand for the file's.
    return takeRead()->Take(take);
}

} // namespace vantor
