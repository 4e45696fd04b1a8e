#pragma once

#include "engine/Source.h"
#include "engine/access/ReaderAnswer.h"
#include "engine/access/ReaderLimits.h"
#include "model/Error.h"
#include "model/Schema.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>
#include <memory>
#include <optional>
#include <stop_token>
#include <sys/types.h>

namespace vantor {

// The reader program: where VANTOR_MDB_READER names it, else beside the running program, else
// in ../libexec/vantor from there (an installed program); a missing one is named beside.
QString AccessReaderProgram();

// Runs the reader on the file and returns the schema it printed. Every failure is raised as
// Jet's "Unrecognized database format" error, with the reason when the reader was stopped, except
// a damaged file, a wrong password and an encryption the reader cannot undo, which say so. The
// password of an encrypted file reaches the reader on its standard input.
Schema RunAccessReader(const QString& path, const ReaderLimits& limits = {},
                       const QString& password = {});

// The same read, started at once and finished by Take, so that two files are read side by side.
// The time limit counts from the start. A reader whose answer is never taken is stopped, and so
// is one whose stop is requested while Take waits (Take then raises WorkCancelled).
// With an entry, a program of one thread forks a child that runs it under the same limits
// instead of starting the reader program: the child loads nothing, which makes a short-lived
// program much faster. A program that runs other threads starts the reader program all the same.
class PendingAccessRead {
public:
    PendingAccessRead(QString path, ReaderLimits limits, const QString& password = {},
                      std::stop_token stop = {}, ReaderEntry entry = nullptr);
    ~PendingAccessRead();
    PendingAccessRead(const PendingAccessRead&) = delete;
    PendingAccessRead& operator=(const PendingAccessRead&) = delete;

    // Waits for the reader within the limits; call once. With a sink, each table goes to it as
    // soon as it is read and the schema returned has none; the sink must not raise Error.
    Schema Take(const TableSink& takeTable = {});

private:
    void start(const QString& password);
    void fork(const QString& password, ReaderEntry entry);
    // Waits within the limits for the reader to end; returns the end of what it said on
    // standard error.
    QByteArray waitForReader();
    QByteArray waitForChild();
    // The reason to stop the reader now, if any: a requested stop raises WorkCancelled.
    QString reasonToStop() const;
    QString tooLarge() const;
    // Why a reader that ran out of time, by the clock or by processor time, was stopped.
    QString overTime() const;
    // How long to wait before the next look at the reader.
    int pollMs() const;
    // Raises the error that the reader's exit stands for, if any; exitCode is the signal's number
    // when the reader crashed.
    void throwOnFailure(bool crashed, int exitCode, const QByteArray& errTail) const;
    void stopChild();
    // Reads what the reader has added to its answer since the last look.
    void readNewAnswer();

    QString path_;
    ReaderLimits limits_;
    QTemporaryFile answer_;
    std::unique_ptr<QProcess> process_; // the reader program, when no child was forked
    QDeadlineTimer deadline_;
    std::stop_token stop_;
    std::optional<Error> startError_;
    // The forked child, and the end of the pipe its standard error goes to.
    pid_t child_ = -1;
    int childErr_ = -1;
    int childStatus_ = 0;
    // The answer as read so far; a fault in it is kept until the reader's exit is known.
    ReaderAnswerReader answerReader_;
    qint64 answerRead_ = 0;
    std::optional<Error> answerError_;
    bool answerUnreadable_ = false;
};

} // namespace vantor
