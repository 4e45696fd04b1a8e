#include "engine/access/AccessScriptRun.h"

#include "engine/access/AccessErrors.h"
#include "engine/access/ReaderJob.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/ScriptRunFiles.h"
#include "engine/access/writer/JetWriter.h"
#include "model/Error.h"

#include <QFile>
#include <QFileInfo>

namespace vantor {

namespace {

// Removes the working copy when the run leaves before the copy took the original's place.
class WorkingCopy {
public:
    explicit WorkingCopy(QString path) : path_(std::move(path)) {}
    ~WorkingCopy() {
        if (!path_.isEmpty())
            QFile::remove(path_);
    }
    WorkingCopy(const WorkingCopy&) = delete;
    WorkingCopy& operator=(const WorkingCopy&) = delete;
    const QString& path() const { return path_; }
    void Release() { path_.clear(); }

private:
    QString path_;
};

QString unchanged(const QString& database) {
    return QStringLiteral("'%1' was left as it was").arg(database);
}

// Runs work, adding to any error it raises that the original was not touched.
template <typename Work>
auto leavingOriginal(const QString& database, const QString& step, Work work) {
    try {
        return work();
    } catch (const Error& e) {
        throw Error(
            e.code(),
            QStringLiteral("%1 failed, so %2: %3").arg(step, unchanged(database), e.description()));
    }
}

QList<TableRowDigest> digestRows(const QString& path, const AccessRunOptions& options) {
    ReaderLimits limits = options.readLimits;
    limits.timeoutMs = qMax(limits.timeoutMs, options.writeLimits.timeoutMs);
    const QByteArray answer =
        RunReaderJob({QString::fromLatin1(kReaderDigestOption), path, {}, limits, false},
                     QStringLiteral("reading every row"), {});
    return RowDigestsFromJson(answer);
}

ApplyAnswer applyBatches(const QString& copy, const QList<AccessBatch>& batches, qint32 count,
                         const AccessRunOptions& options) {
    QStringList texts;
    for (qint32 i = 0; i < count; ++i)
        texts << batches[i].text;
    const QByteArray answer = RunReaderJob({QString::fromLatin1(kReaderApplyOption), copy,
                                            ApplyRequestToJson(texts), options.writeLimits, true},
                                           QStringLiteral("writing"), options.stop);
    ApplyAnswer applied = ApplyAnswerFromJson(answer);
    if (applied.applied > count)
        throw Error(ErrorCode::Provider,
                    QStringLiteral("The writer claims more batches than it was given."));
    return applied;
}

void checkStillClosed(const QString& database) {
    if (std::optional<QString> lockFile = AccessLockFileOf(database))
        throw Error(ErrorCode::Provider,
                    QStringLiteral("'%1' is open in Access (its lock file '%2' exists). Close it "
                                   "there and run the script again; nothing was written.")
                        .arg(database, *lockFile));
}

} // namespace

AccessRunOptions DefaultAccessRunOptions() {
    AccessRunOptions options;
    options.whyFileNotWritable = WhyFileNotWritable;
    options.whyStatementNotWritable = WhyStatementNotWritable;
    return options;
}

AccessRunResult RunScriptOnAccessFile(const QString& path, const QList<AccessBatch>& batches,
                                      const AccessRunOptions& options) {
    auto say = [&options](const QString& line) {
        if (options.progress)
            options.progress(line);
    };
    auto reached = [&options](AccessRunStage stage) {
        if (options.reached)
            options.reached(stage);
    };
    // A link is followed, so that the copy and the backup sit beside the file it names and the
    // file, not the link, is replaced.
    const QFileInfo named(path);
    const QString database =
        named.canonicalFilePath().isEmpty() ? named.absoluteFilePath() : named.canonicalFilePath();
    if (!QFileInfo(database).isFile())
        throw accesserr::FileNotFound(path);
    if (options.whyFileNotWritable)
        if (std::optional<QString> why = options.whyFileNotWritable(database))
            throw Error(ErrorCode::Provider,
                        QStringLiteral("Vantor cannot change '%1'; nothing was written: %2")
                            .arg(database, *why));
    // Replacing goes by the folder's permissions, so a file marked read-only would be changed
    // all the same: its mark is taken as the user's word.
    if ((VersionOf(database).mode & 0222) == 0)
        throw Error(ErrorCode::Provider,
                    QStringLiteral("'%1' is marked read-only; nothing was written.").arg(database));
    checkStillClosed(database);
    const StatementVerdict verdict =
        options.whyStatementNotWritable
            ? options.whyStatementNotWritable
            : StatementVerdict([](const DdlStatement&) { return std::optional<QString>(); });
    QList<DdlStatement> statements;
    try {
        statements = CheckBatchesWritable(batches, verdict);
    } catch (const Error& e) {
        // The batch says what cannot run; the user also needs to know on which file.
        throw Error(e.code(), QStringLiteral("'%1': %2").arg(database, e.description()));
    }

    const RunLock lock(database);
    reached(AccessRunStage::Locked);
    if (const int strays = RemoveStrayCopies(database); strays > 0)
        say(QStringLiteral("Removed %1 file(s) that an earlier run, stopped before its end, left "
                           "beside '%2'.")
                .arg(strays)
                .arg(database));
    checkStillClosed(database);

    const FileVersion start = VersionOf(database);
    const Schema original =
        PendingAccessRead(database, options.readLimits, {}, options.stop).Take();
    const PredictedRun prediction = PredictRun(original, batches, statements);
    AccessRunResult result;
    if (prediction.runnable == 0) {
        result.failure = prediction.failure;
        return result;
    }
    const QList<TableRowDigest> before =
        leavingOriginal(database, QStringLiteral("Reading its rows"),
                        [&] { return digestRows(database, options); });

    reached(AccessRunStage::Predicted);

    say(QStringLiteral("Copying '%1' to change the copy.").arg(database));
    WorkingCopy copy(WorkingCopyPath(database));
    leavingOriginal(database, QStringLiteral("Copying it"),
                    [&] { CopyToDisk(database, copy.path()); });
    reached(AccessRunStage::Copied);

    say(QStringLiteral("Running %1 batch(es) on the copy.").arg(prediction.runnable));
    const ApplyAnswer answer = leavingOriginal(database, QStringLiteral("Changing the copy"), [&] {
        return applyBatches(copy.path(), batches, prediction.runnable, options);
    });
    reached(AccessRunStage::Applied);
    result.applied = answer.applied;
    result.stopped = answer.stopped;
    result.failure = answer.failure;
    if (!answer.failure && !answer.stopped)
        result.failure = prediction.failure;
    say(QStringLiteral("%1 batch(es) ran on the copy.").arg(answer.applied));
    if (answer.applied == 0)
        return result;

    say(QStringLiteral("Reading the copy back to prove it."));
    const Schema predicted = PredictedSchema(original, batches, answer.applied);
    const Schema readBack = leavingOriginal(database, QStringLiteral("Reading the copy back"), [&] {
        return PendingAccessRead(copy.path(), options.readLimits).Take();
    });
    const QList<TableRowDigest> after =
        leavingOriginal(database, QStringLiteral("Reading the copy's rows"),
                        [&] { return digestRows(copy.path(), options); });
    reached(AccessRunStage::ReadBack);
    const QStringList differences = WhatDiffers(
        predicted, readBack, RowEffectsOf(statements.first(answer.applied)), before, after);
    if (!differences.isEmpty())
        throw Error(ErrorCode::Provider,
                    QStringLiteral("The written copy is not what the script makes, so %1: %2.")
                        .arg(unchanged(database), differences.join(QStringLiteral("; "))));
    reached(AccessRunStage::Proven);

    if (!(VersionOf(database) == start))
        throw Error(ErrorCode::Provider,
                    QStringLiteral("'%1' was changed by another program while the script ran, "
                                   "so it was left as that program wrote it.")
                        .arg(database));
    checkStillClosed(database);
    if (options.keepBackup) {
        result.backup = leavingOriginal(database, QStringLiteral("Keeping a backup"),
                                        [&] { return KeepBackup(database); });
        reached(AccessRunStage::BackedUp);
    }
    try {
        ReplaceWithCopy(copy.path(), database);
    } catch (const Error& e) {
        // The backup holds what the original still holds.
        if (!result.backup.isEmpty())
            QFile::remove(result.backup);
        throw Error(e.code(), QStringLiteral("%1; %2.").arg(e.description(), unchanged(database)));
    }
    copy.Release();
    reached(AccessRunStage::Replaced);
    say(result.backup.isEmpty() ? QStringLiteral("Replaced '%1'; no backup was kept.").arg(database)
                                : QStringLiteral("Replaced '%1'; the original is kept as '%2'.")
                                      .arg(database, result.backup));
    return result;
}

} // namespace vantor
