#include "engine/snapshot/SnapshotFile.h"

#include "model/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vantor {

namespace {

constexpr int kReadAttempts = 3;

[[noreturn]] void failWrite(const QString& path, const QString& reason) {
    throw Error(ErrorCode::Provider, QStringLiteral("Could not save the snapshot '%1': %2. The "
                                                    "file was left as it was.")
                                         .arg(path, reason));
}

} // namespace

FileContents ReadWholeFile(const QString& path) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        FileContents out;
        out.stamp = StampOfPath(path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(ErrorCode::Provider, QStringLiteral("Could not read the snapshot '%1': "
                                                            "%2.")
                                                 .arg(path, file.errorString()));
        out.data = file.readAll();
        file.close();
        if (StampOfPath(path) == out.stamp)
            return out;
    }
    throw Error(ErrorCode::Provider,
                QStringLiteral("Could not read the snapshot '%1': another program keeps "
                               "changing it.")
                    .arg(path));
}

FileStamp ReplaceFileAtomically(const QString& path, const QByteArray& data,
                                const WriteFaultHook& faultAt) {
    auto reachStage = [&faultAt](WriteStage stage) {
        if (faultAt)
            faultAt(stage);
    };
    // Writing through a link must replace the file it points to, not the link.
    QFileInfo info(path);
    QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    if (target.isEmpty())
        failWrite(path, QStringLiteral("the link points to no file"));

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        failWrite(path, file.errorString());
    qsizetype half = data.size() / 2;
    if (file.write(data.constData(), half) != half)
        failWrite(path, file.errorString());
    reachStage(WriteStage::HalfWritten);
    if (file.write(data.constData() + half, data.size() - half) != data.size() - half ||
        !file.flush())
        failWrite(path, file.errorString());
    if (!SyncHandle(file.handle()))
        failWrite(path, QStringLiteral("the disk reported a failure while saving"));
    // Rename keeps the inode, size and time of the temporary file, so its stamp is the new one.
    FileStamp stamp = StampOfHandle(file.handle());
    reachStage(WriteStage::BeforeRename);
    if (!file.commit())
        failWrite(path, file.errorString());
    SyncFolderOf(target);
    return stamp.exists ? stamp : StampOfPath(target);
}

} // namespace vantor
