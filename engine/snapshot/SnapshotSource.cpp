#include "engine/snapshot/SnapshotSource.h"

#include "engine/SnapshotJson.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/SnapshotFile.h"
#include "engine/snapshot/SnapshotWriter.h"
#include "model/Error.h"

#include <QFileInfo>

namespace vantor {

namespace {

class SnapshotSource : public Source {
public:
    SnapshotSource(QString path, WriteFaultHook faultAt)
        : path_(std::move(path)), faultAt_(std::move(faultAt)) {}

    void execute(const QString& statement) override {
        Schema& current = mutableSchema();
        if (StampOfPath(path_) != stamp_)
            throw Error(ErrorCode::Provider,
                        QStringLiteral("The snapshot '%1' was changed by another program "
                                       "since it was opened; the statement was not run. "
                                       "Open the database again to see that change.")
                            .arg(path_));
        Schema next = current;
        ApplyJetDdl(next, statement);
        stamp_ = ReplaceFileAtomically(path_, writer_.Write(next), faultAt_);
        current = std::move(next);
    }

protected:
    Schema load() override {
        FileContents file = ReadWholeFile(path_);
        Schema schema = ReadSnapshotJson(file.data, path_);
        stamp_ = file.stamp;
        return schema;
    }

private:
    QString path_;
    WriteFaultHook faultAt_;
    FileStamp stamp_;
    SnapshotWriter writer_;
};

} // namespace

std::unique_ptr<Source> OpenSnapshotFile(const DatabaseLogin& login, WriteFaultHook faultAt) {
    // A snapshot holds no password: any user name opens it, a password never matches.
    if (!login.password.isEmpty())
        throw Error(ErrorCode::Provider, QStringLiteral("Not a valid account name or password."));
    if (!QFileInfo(login.path).isFile())
        throw Error(ErrorCode::Provider,
                    QStringLiteral("Could not find file '%1'.").arg(login.path));
    auto source = std::make_unique<SnapshotSource>(QFileInfo(login.path).absoluteFilePath(),
                                                   std::move(faultAt));
    // A malformed file must fail the open itself, not a later read.
    source->schema();
    return source;
}

void SaveSnapshot(const Schema& schema, const QString& path) {
    ReplaceFileAtomically(path, WriteSnapshotJson(schema));
}

void ScratchSource::execute(const QString& statement) {
    Schema& current = mutableSchema();
    Schema next = current;
    ApplyJetDdl(next, statement);
    current = std::move(next);
}

} // namespace vantor
