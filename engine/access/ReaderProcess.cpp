#include "engine/access/ReaderProcess.h"

#include "engine/SnapshotJson.h"
#include "engine/access/AccessErrors.h"
#include "engine/access/ReaderProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <cerrno>
#include <unistd.h>

namespace vantor {

namespace {

constexpr int kPollMs = 50;
constexpr qsizetype kStderrTail = 4096;

QString programDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // Test programs and tools may run without an application object.
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
        .absolutePath();
}

QString secondsText(int ms) {
    return QString::number((ms + 999) / 1000);
}

QString mebibytesText(qint64 bytes) {
    return QString::number(bytes >> 20);
}

bool soundsOutOfMemory(const QByteArray& stderrTail) {
    return stderrTail.contains("failed to allocate") || stderrTail.contains("bad_alloc") ||
           stderrTail.contains("out of memory");
}

// The reader's own reason comes last, after anything a library printed before it.
QString lastLine(const QByteArray& text) {
    QString s = QString::fromUtf8(text).trimmed();
    return s.mid(s.lastIndexOf(QLatin1Char('\n')) + 1).trimmed();
}

// Reads the answer through its descriptor: asking the temporary file for its name would give it
// one in the temporary folder, where a schema read from an encrypted file could outlive a crash.
bool readWhole(int fd, QByteArray& out) {
    char chunk[65536];
    for (off_t offset = 0;;) {
        ssize_t n = pread(fd, chunk, sizeof chunk, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(chunk, n);
        offset += n;
    }
}

} // namespace

QString AccessReaderProgram() {
    QString fromEnv = qEnvironmentVariable(kReaderProgramEnv);
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QDir program(programDir());
    const QString name = QString::fromLatin1(kReaderProgramName);
    const QString beside = program.absoluteFilePath(name);
    // An installed program keeps its helper out of the PATH, under libexec.
    const QString installed =
        QDir::cleanPath(program.absoluteFilePath(QStringLiteral("../libexec/vantor/") + name));
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile())
        return installed;
    return beside;
}

PendingAccessRead::PendingAccessRead(QString path, ReaderLimits limits, const QString& password)
    : path_(std::move(path)), limits_(limits),
      answer_(QDir(QDir::tempPath()).filePath(QStringLiteral("vantor-answer-XXXXXX"))),
      deadline_(limits.timeoutMs) {
    // A failure to start is kept for Take, so that starting early changes no outcome.
    try {
        start(password);
    } catch (const VantorError& e) {
        startError_ = e;
    }
}

PendingAccessRead::~PendingAccessRead() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(-1);
    }
}

void PendingAccessRead::start(const QString& password) {
    const QString& path = path_;
    if (!answer_.open())
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("No temporary file for the reader's answer could be made in "
                                 "%1: %2.")
                      .arg(QDir::tempPath(), answer_.errorString()));

    QProcess& process = process_;
    process.setProgram(AccessReaderProgram());
    QStringList arguments{QString::fromLatin1(kReaderAnswerFdOption),
                          QString::number(kReaderAnswerFd)};
    if (!password.isEmpty())
        arguments << QString::fromLatin1(kReaderPasswordOption);
    process.setArguments(arguments << QStringLiteral("--") << path);
    if (password.isEmpty())
        process.setStandardInputFile(QProcess::nullDevice());
    ApplyChildLimits(process, limits_, answer_.handle());
    process.start(password.isEmpty() ? QIODevice::ReadOnly : QIODevice::ReadWrite);
    if (!process.waitForStarted())
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The reader program '%1' could not be started: %2.")
                      .arg(process.program(), process.errorString()));
    if (!password.isEmpty()) {
        // A pipe holds far more than any password, so this never waits for the reader.
        process.write(password.toUtf8());
        process.closeWriteChannel();
    }
}

DbSchema PendingAccessRead::Take() {
    if (startError_)
        throw *startError_;
    const QString& path = path_;
    const ReaderLimits& limits = limits_;
    QProcess& process = process_;
    QTemporaryFile& answer = answer_;
    QDeadlineTimer& deadline = deadline_;
    const QString tooLarge = QStringLiteral("The reader's answer grew beyond %1 MiB.")
                                 .arg(mebibytesText(limits.maxOutputBytes));
    QByteArray errTail;
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(
            static_cast<int>(qMin<qint64>(kPollMs, qMax<qint64>(1, deadline.remainingTime()))));
        // What the reader prints on standard output is libmdb's chatter, never its answer.
        process.readAllStandardOutput();
        errTail = (errTail + process.readAllStandardError()).right(kStderrTail);
        if (process.state() == QProcess::NotRunning)
            break;
        QString stopReason;
        if (answer.size() > limits.maxOutputBytes)
            stopReason = tooLarge;
        else if (deadline.hasExpired())
            stopReason = QStringLiteral("Reading the file took longer than the limit of %1 s.")
                             .arg(secondsText(limits.timeoutMs));
        if (!stopReason.isEmpty()) {
            process.kill();
            process.waitForFinished(-1);
            throw accesserr::UnrecognizedFormat(path, stopReason);
        }
    }
    errTail = (errTail + process.readAllStandardError()).right(kStderrTail);
    if (answer.size() > limits.maxOutputBytes)
        throw accesserr::UnrecognizedFormat(path, tooLarge);

    const QString memoryReason =
        QStringLiteral("Reading the file needed more than the reader's memory limit of %1 MiB.")
            .arg(mebibytesText(limits.memoryBytes));
    if (process.exitStatus() == QProcess::CrashExit) {
        if (soundsOutOfMemory(errTail))
            throw accesserr::UnrecognizedFormat(path, memoryReason);
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The reader stopped unexpectedly while reading the file."));
    }
    switch (process.exitCode()) {
    case readerexit::Ok:
        break;
    case readerexit::OutOfMemory:
        throw accesserr::UnrecognizedFormat(path, memoryReason);
    case readerexit::Encrypted:
        throw accesserr::Encrypted(path, lastLine(errTail));
    case readerexit::WrongPassword:
        throw accesserr::WrongPassword();
    case readerexit::Damaged:
        throw accesserr::Damaged(path, lastLine(errTail));
    case readerexit::Unreadable:
        throw accesserr::UnrecognizedFormat(path);
    default:
        throw accesserr::UnrecognizedFormat(path,
                                            QStringLiteral("The reader failed (exit code %1): %2")
                                                .arg(process.exitCode())
                                                .arg(lastLine(errTail)));
    }
    QByteArray answerBytes;
    if (!readWhole(answer.handle(), answerBytes))
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The reader's answer cannot be read back."));
    try {
        return ReadSnapshotJson(answerBytes, path);
    } catch (const VantorError&) {
        throw accesserr::UnrecognizedFormat(
            path, QStringLiteral("The reader's answer was not a valid schema."));
    }
}

DbSchema RunAccessReader(const QString& path, const ReaderLimits& limits, const QString& password) {
    return PendingAccessRead(path, limits, password).Take();
}

} // namespace vantor
