#include "engine/access/ReaderJob.h"

#include "engine/Source.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/WriterProtocol.h"
#include "model/Error.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryFile>
#include <unistd.h>

namespace vantor {

namespace {

constexpr int kPollMs = 50;
constexpr qsizetype kStderrTail = 4096;

QString lastLine(const QByteArray& text) {
    QString s = QString::fromUtf8(text).trimmed();
    return s.mid(s.lastIndexOf(QLatin1Char('\n')) + 1).trimmed();
}

Error jobError(const QString& verb, const QString& reason) {
    return Error(ErrorCode::Provider,
                 QStringLiteral("The reader program failed while %1: %2").arg(verb, reason));
}

QByteArray readWhole(QTemporaryFile& file) {
    file.seek(0);
    return file.readAll();
}

} // namespace

QByteArray RunReaderJob(const ReaderJob& job, const QString& verb, const std::stop_token& stop) {
    QTemporaryFile answer(QDir(QDir::tempPath()).filePath(QStringLiteral("vantor-answer-XXXXXX")));
    if (!answer.open())
        throw jobError(verb, QStringLiteral("no temporary file for its answer could be made in "
                                            "%1: %2.")
                                 .arg(QDir::tempPath(), answer.errorString()));
    QProcess process;
    process.setProgram(AccessReaderProgram());
    process.setArguments({QString::fromLatin1(kReaderAnswerFdOption),
                          QString::number(kReaderAnswerFd), job.modeOption, QStringLiteral("--"),
                          job.path});
    if (job.input.isEmpty())
        process.setStandardInputFile(QProcess::nullDevice());
    ApplyChildLimits(process, job.limits, answer.handle());
    process.start();
    if (!process.waitForStarted())
        throw jobError(verb, QStringLiteral("the program '%1' could not be started: %2.")
                                 .arg(process.program(), process.errorString()));
    bool askedToStop = false;
    // A stop asked for already goes with the request, so that no batch runs.
    auto askToStop = [&] {
        process.write("\nstop\n");
        process.closeWriteChannel();
        askedToStop = true;
    };
    if (!job.input.isEmpty()) {
        process.write(job.input);
        if (job.stopsBetweenBatches && stop.stop_requested())
            askToStop();
        else if (job.stopsBetweenBatches)
            process.write("\n");
        else
            process.closeWriteChannel();
    }
    const QDeadlineTimer deadline(job.limits.timeoutMs);
    QByteArray errTail;
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(
            static_cast<int>(qMin<qint64>(kPollMs, qMax<qint64>(1, deadline.remainingTime()))));
        process.readAllStandardOutput(); // libmdb's chatter, never the answer
        errTail = (errTail + process.readAllStandardError()).right(kStderrTail);
        if (process.state() == QProcess::NotRunning)
            break;
        if (stop.stop_requested() && !askedToStop) {
            if (!job.stopsBetweenBatches) {
                process.kill();
                process.waitForFinished(-1);
                throw WorkCancelled();
            }
            askToStop();
        }
        if (deadline.hasExpired() || answer.size() > job.limits.maxOutputBytes) {
            process.kill();
            process.waitForFinished(-1);
            throw jobError(verb, deadline.hasExpired()
                                     ? QStringLiteral("it took longer than the limit of %1 s.")
                                           .arg((job.limits.timeoutMs + 999) / 1000)
                                     : QStringLiteral("its answer grew beyond the limit."));
        }
    }
    errTail = (errTail + process.readAllStandardError()).right(kStderrTail);
    if (process.exitStatus() == QProcess::CrashExit)
        throw jobError(verb, QStringLiteral("it stopped unexpectedly."));
    switch (process.exitCode()) {
    case readerexit::Ok:
        return readWhole(answer);
    case readerexit::OutOfMemory:
        throw jobError(verb, QStringLiteral("it needed more than its memory limit of %1 MiB.")
                                 .arg(job.limits.memoryBytes >> 20));
    default:
        throw jobError(verb, lastLine(errTail).isEmpty()
                                 ? QStringLiteral("exit code %1.").arg(process.exitCode())
                                 : lastLine(errTail));
    }
}

} // namespace vantor
