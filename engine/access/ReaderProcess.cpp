#include "engine/access/ReaderProcess.h"

#include "engine/Source.h"
#include "engine/access/AccessErrors.h"
#include "engine/access/ReaderAnswer.h"
#include "engine/access/ReaderProtocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantor {

namespace {

constexpr int kPollMs = 50;
// While the reader writes, its answer is read this often, so that the schema is built on the
// second processor as the answer grows rather than all at once after it.
constexpr int kAnswerPollMs = 4;
constexpr qsizetype kAnswerPiece = qsizetype(64) * 1024;
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

// Only a program of one thread may fork and go on working in the child: another thread could
// hold a lock that the child would wait for without end.
bool runsOneThread() {
    QFile status(QStringLiteral("/proc/self/stat"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    // The fields after the name, which may itself hold blanks, end with ')'; threads is 20th.
    const QByteArray line = status.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 17 && fields[17] == "1";
}

// A copy of fd numbered above the standard ones and descriptor 3, so that setting those up in
// the child never overwrites it.
int highCopy(int fd) {
    return fcntl(fd, F_DUPFD, kReaderAnswerFd + 1);
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

PendingAccessRead::PendingAccessRead(QString path, ReaderLimits limits, const QString& password,
                                     std::stop_token stop, ReaderEntry entry)
    : path_(std::move(path)), limits_(limits),
      answer_(QDir(QDir::tempPath()).filePath(QStringLiteral("vantor-answer-XXXXXX"))),
      deadline_(limits.timeoutMs), stop_(std::move(stop)) {
    // A failure to start is kept for Take, so that starting early changes no outcome.
    try {
        if (entry && runsOneThread())
            fork(password, entry);
        else
            start(password);
    } catch (const Error& e) {
        startError_ = e;
    }
}

PendingAccessRead::~PendingAccessRead() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(-1);
    }
    stopChild();
    if (childErr_ >= 0)
        close(childErr_);
}

void PendingAccessRead::stopChild() {
    if (child_ <= 0)
        return;
    kill(child_, SIGKILL);
    while (waitpid(child_, &childStatus_, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
}

void PendingAccessRead::fork(const QString& password, ReaderEntry entry) {
    if (!answer_.open())
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("No temporary file for the reader's answer could be made in "
                                  "%1: %2.")
                       .arg(QDir::tempPath(), answer_.errorString()));
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0)
        throw accesserr::UnrecognizedFormat(path_,
                                            QStringLiteral("The reader could not be started: %1.")
                                                .arg(QString::fromLocal8Bit(strerror(errno))));
    const ChildLimits limits = ChildLimitsOf(limits_);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The child: nothing but the answer, a pipe for its reasons and /dev/null stay open.
        const int answer = highCopy(answer_.handle());
        const int err = highCopy(errPipe[1]);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (answer < 0 || err < 0 || null < 0 || dup2(null, STDIN_FILENO) < 0 ||
            dup2(null, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0)
            _exit(readerexit::Unreadable);
        LimitThisChild(limits, answer);
        close_range(kReaderAnswerFd + 1, ~0U, 0);
        // Whatever the parent left in its buffers is not the child's to write.
        _exit(entry(path_, password, kReaderAnswerFd));
    }
    close(errPipe[1]);
    if (pid < 0) {
        close(errPipe[0]);
        throw accesserr::UnrecognizedFormat(path_,
                                            QStringLiteral("The reader could not be started: %1.")
                                                .arg(QString::fromLocal8Bit(strerror(errno))));
    }
    child_ = pid;
    childErr_ = errPipe[0];
    fcntl(childErr_, F_SETFL, O_NONBLOCK);
}

void PendingAccessRead::start(const QString& password) {
    if (!answer_.open())
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("No temporary file for the reader's answer could be made in "
                                  "%1: %2.")
                       .arg(QDir::tempPath(), answer_.errorString()));

    process_ = std::make_unique<QProcess>();
    process_->setProgram(AccessReaderProgram());
    QStringList arguments{QString::fromLatin1(kReaderAnswerFdOption),
                          QString::number(kReaderAnswerFd)};
    if (!password.isEmpty())
        arguments << QString::fromLatin1(kReaderPasswordOption);
    process_->setArguments(arguments << QStringLiteral("--") << path_);
    if (password.isEmpty())
        process_->setStandardInputFile(QProcess::nullDevice());
    ApplyChildLimits(*process_, limits_, answer_.handle());
    process_->start(password.isEmpty() ? QIODevice::ReadOnly : QIODevice::ReadWrite);
    if (!process_->waitForStarted())
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("The reader program '%1' could not be started: %2.")
                       .arg(process_->program(), process_->errorString()));
    if (!password.isEmpty()) {
        // A pipe holds far more than any password, so this never waits for the reader.
        process_->write(password.toUtf8());
        process_->closeWriteChannel();
    }
}

Schema PendingAccessRead::Take(const TableSink& takeTable) {
    if (startError_)
        throw *startError_;
    if (takeTable)
        answerReader_.HandTablesTo(takeTable);
    if (childErr_ >= 0) {
        const QByteArray errTail = waitForChild();
        throwOnFailure(WIFSIGNALED(childStatus_),
                       WIFEXITED(childStatus_)     ? WEXITSTATUS(childStatus_)
                       : WIFSIGNALED(childStatus_) ? WTERMSIG(childStatus_)
                                                   : -1,
                       errTail);
    } else {
        const QByteArray errTail = waitForReader();
        throwOnFailure(process_->exitStatus() == QProcess::CrashExit, process_->exitCode(),
                       errTail);
    }
    readNewAnswer();
    if (answerUnreadable_)
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("The reader's answer cannot be read back."));
    try {
        if (answerError_)
            throw *answerError_;
        return answerReader_.Finish();
    } catch (const Error&) {
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("The reader's answer was not a valid schema."));
    }
}

void PendingAccessRead::readNewAnswer() {
    if (answerError_ || answerUnreadable_)
        return;
    // The answer is read through its descriptor, never by name: asking the temporary file for
    // its name would give it one in the temporary folder, where a schema read from an encrypted
    // file could outlive a crash. pread leaves the offset the reader writes at alone.
    QByteArray piece(kAnswerPiece, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = pread(answer_.handle(), piece.data(), static_cast<size_t>(piece.size()),
                                static_cast<off_t>(answerRead_));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            answerUnreadable_ = true;
        if (n <= 0)
            return;
        answerRead_ += n;
        try {
            answerReader_.Add(piece.constData(), n);
        } catch (const Error& e) {
            // What the reader's exit says comes first; this is raised only if it says nothing.
            answerError_ = e;
            return;
        }
    }
}

QString PendingAccessRead::tooLarge() const {
    return QStringLiteral("The reader's answer grew beyond %1 MiB.")
        .arg(mebibytesText(limits_.maxOutputBytes));
}

QString PendingAccessRead::reasonToStop() const {
    if (stop_.stop_requested())
        throw WorkCancelled();
    if (answer_.size() > limits_.maxOutputBytes)
        return tooLarge();
    if (deadline_.hasExpired())
        return overTime();
    return QString();
}

QString PendingAccessRead::overTime() const {
    return QStringLiteral("Reading the file took longer than the limit of %1 s; the file is "
                          "probably damaged.")
        .arg(secondsText(limits_.timeoutMs));
}

int PendingAccessRead::pollMs() const {
    const int poll = answerError_ || answerUnreadable_ ? kPollMs : kAnswerPollMs;
    return static_cast<int>(qMin<qint64>(poll, qMax<qint64>(1, deadline_.remainingTime())));
}

QByteArray PendingAccessRead::waitForReader() {
    QByteArray errTail;
    while (process_->state() != QProcess::NotRunning) {
        process_->waitForFinished(pollMs());
        // What the reader prints on standard output is libmdb's chatter, never its answer.
        process_->readAllStandardOutput();
        errTail = (errTail + process_->readAllStandardError()).right(kStderrTail);
        if (process_->state() == QProcess::NotRunning)
            break;
        readNewAnswer();
        QString stopReason;
        try {
            stopReason = reasonToStop();
        } catch (const WorkCancelled&) {
            process_->kill();
            process_->waitForFinished(-1);
            throw;
        }
        if (!stopReason.isEmpty()) {
            process_->kill();
            process_->waitForFinished(-1);
            throw accesserr::UnrecognizedFormat(path_, stopReason);
        }
    }
    errTail = (errTail + process_->readAllStandardError()).right(kStderrTail);
    // The file size limit stops a reader whose answer outgrew it between two looks.
    if (answer_.size() > limits_.maxOutputBytes)
        throw accesserr::UnrecognizedFormat(path_, tooLarge());
    return errTail;
}

QByteArray PendingAccessRead::waitForChild() {
    QByteArray errTail;
    auto readErr = [this, &errTail] {
        char chunk[4096];
        ssize_t n;
        while ((n = read(childErr_, chunk, sizeof chunk)) > 0)
            errTail = (errTail + QByteArray(chunk, n)).right(kStderrTail);
    };
    for (;;) {
        const pid_t ended = waitpid(child_, &childStatus_, WNOHANG);
        if (ended == child_) {
            child_ = -1;
            break;
        }
        if (ended < 0 && errno == ECHILD) {
            // Someone else reaped the child, so how it ended is unknown: nothing it wrote counts.
            child_ = -1;
            childStatus_ = SIGKILL;
            break;
        }
        pollfd err{childErr_, POLLIN, 0};
        poll(&err, 1, pollMs());
        readErr();
        readNewAnswer();
        QString stopReason;
        try {
            stopReason = reasonToStop();
        } catch (const WorkCancelled&) {
            stopChild();
            throw;
        }
        if (!stopReason.isEmpty()) {
            stopChild();
            throw accesserr::UnrecognizedFormat(path_, stopReason);
        }
    }
    readErr();
    // The file size limit stops a reader whose answer outgrew it between two looks.
    if (answer_.size() > limits_.maxOutputBytes)
        throw accesserr::UnrecognizedFormat(path_, tooLarge());
    return errTail;
}

void PendingAccessRead::throwOnFailure(bool crashed, int exitCode,
                                       const QByteArray& errTail) const {
    // The processor time limit backs up the clock; a reader with several threads can reach it
    // first, and the file is then the same one that would have run out of time.
    if (crashed && exitCode == SIGXCPU)
        throw accesserr::UnrecognizedFormat(path_, overTime());
    const QString memoryReason =
        QStringLiteral("Reading the file needed more than the reader's memory limit of %1 MiB.")
            .arg(mebibytesText(limits_.memoryBytes));
    if (crashed) {
        if (soundsOutOfMemory(errTail))
            throw accesserr::UnrecognizedFormat(path_, memoryReason);
        throw accesserr::UnrecognizedFormat(
            path_, QStringLiteral("The reader stopped unexpectedly while reading the file."));
    }
    switch (exitCode) {
    case readerexit::Ok:
        return;
    case readerexit::OutOfMemory:
        throw accesserr::UnrecognizedFormat(path_, memoryReason);
    case readerexit::Encrypted:
        throw accesserr::Encrypted(path_, lastLine(errTail));
    case readerexit::WrongPassword:
        throw accesserr::WrongPassword(path_);
    case readerexit::Damaged:
        throw accesserr::Damaged(path_, lastLine(errTail));
    case readerexit::Unreadable:
        throw accesserr::UnrecognizedFormat(path_);
    default:
        throw accesserr::UnrecognizedFormat(path_,
                                            QStringLiteral("The reader failed (exit code %1): %2")
                                                .arg(exitCode)
                                                .arg(lastLine(errTail)));
    }
}

Schema RunAccessReader(const QString& path, const ReaderLimits& limits, const QString& password) {
    return PendingAccessRead(path, limits, password).Take();
}

} // namespace vantor
