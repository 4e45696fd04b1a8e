#include "engine/access/AccessBackend.h"

#include "engine/access/AccessErrors.h"
#include "engine/access/JetHeader.h"
#include "engine/access/ReaderProcess.h"

#include <QFile>
#include <QFileInfo>

namespace vantor {

bool AccessBackend::Accepts(const QString& dataSource) const {
    return dataSource.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           dataSource.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

std::unique_ptr<BackendSession> AccessBackend::Open(const OpenRequest& request) const {
    CheckAccessOpen(request.dataSource, request.userId, request.password);
    return std::make_unique<AccessSession>(request.dataSource, ReaderLimits());
}

void CheckAccessOpen(const QString& path, const QString& userId, const QString& password) {
    QFileInfo info(path);
    if (!info.exists() || info.isDir())
        throw accesserr::FileNotFound(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The file cannot be read: %1.").arg(file.errorString()));
    QString whyNot;
    std::optional<JetHeader> header = ParseJetHeader(file.read(kJetHeaderBytes), &whyNot);
    file.close();
    if (!header)
        throw accesserr::UnrecognizedFormat(path);
    if (header->IsOfficeEncrypted())
        throw accesserr::Encrypted(path);
    bool defaultUser =
        userId.isEmpty() || userId.compare(QLatin1String("Admin"), Qt::CaseInsensitive) == 0;
    if (!header->password.isEmpty()) {
        if (password != header->password)
            throw accesserr::WrongPassword();
        if (!defaultUser)
            throw accesserr::WrongAccount();
        return;
    }
    if (!defaultUser || !password.isEmpty())
        throw accesserr::WrongAccount();
}

AccessSession::AccessSession(QString path, ReaderLimits limits)
    : path_(std::move(path)), limits_(limits) {}

void AccessSession::Execute(const QString& commandText) {
    Q_UNUSED(commandText);
    throw accesserr::ReadOnly(path_);
}

DbSchema AccessSession::LoadSchema() {
    return RunAccessReader(path_, limits_);
}

} // namespace vantor
