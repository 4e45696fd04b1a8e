#include "engine/snapshot/SnapshotBackend.h"

#include "engine/SchemaRowsets.h"
#include "engine/SnapshotJson.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/SnapshotFile.h"
#include "engine/snapshot/SnapshotWriter.h"
#include "model/VantorError.h"

#include <QFileInfo>

namespace vantor {

namespace {

class SnapshotSession : public SchemaSession {
public:
    explicit SnapshotSession(QString path) : path_(std::move(path)) {}

    // A malformed file must fail the open itself, not a later schema query.
    void LoadNow() { Schema(); }

    void Execute(const QString& commandText) override {
        DbSchema& current = Schema();
        if (StampOfPath(path_) != stamp_)
            throw VantorError(err::Provider,
                              QStringLiteral("The snapshot '%1' was changed by another program "
                                             "since it was opened; the statement was not run. "
                                             "Open the database again to see that change.")
                                  .arg(path_));
        DbSchema next = current;
        ApplyJetDdl(next, commandText);
        stamp_ = ReplaceFileAtomically(path_, writer_.Write(next));
        current = std::move(next);
    }

protected:
    DbSchema LoadSchema() override {
        FileContents file = ReadWholeFile(path_);
        DbSchema schema = ReadSnapshotJson(file.data, path_);
        stamp_ = file.stamp;
        return schema;
    }

private:
    QString path_;
    FileStamp stamp_;
    SnapshotWriter writer_;
};

} // namespace

bool SnapshotBackend::Accepts(const QString& dataSource) const {
    return dataSource.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
}

std::unique_ptr<BackendSession> SnapshotBackend::Open(const OpenRequest& request) const {
    // A snapshot holds no password: any user name opens it, a password never matches.
    if (!request.password.isEmpty())
        throw VantorError(err::Provider, QStringLiteral("Not a valid account name or password."));
    if (!QFileInfo(request.dataSource).isFile())
        throw VantorError(err::Provider,
                          QStringLiteral("Could not find file '%1'.").arg(request.dataSource));
    auto session =
        std::make_unique<SnapshotSession>(QFileInfo(request.dataSource).absoluteFilePath());
    session->LoadNow();
    return session;
}

} // namespace vantor
