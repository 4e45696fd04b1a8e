#pragma once

#include <QProcess>
#include <QtGlobal>

namespace vantor {

// How much the reader process may use before the parent gives up on the file.
struct ReaderLimits {
    int timeoutMs = 30000;
    qint64 memoryBytes = qint64(1) << 30;
    qint64 maxOutputBytes = qint64(256) << 20;
};

// The limits in the form a child applies them to itself.
struct ChildLimits {
    quint64 memoryBytes = 0;
    quint64 cpuSeconds = 0;
    quint64 fileBytes = 0;
};
ChildLimits ChildLimitsOf(const ReaderLimits& limits);

// Puts the calling process, a child between fork and its work, under the limits and hands it
// answerFd (when 0 or more) as descriptor 3. Only async-signal-safe calls.
void LimitThisChild(const ChildLimits& limits, int answerFd);

// Makes the process, once started, run under the limits: address space, CPU time as a backstop
// to the parent's clock, the size of the files it writes, no core files, and death with its
// parent. An answerFd of 0 or more is handed to the child as descriptor 3. Does nothing where
// the platform offers no such limits.
void ApplyChildLimits(QProcess& process, const ReaderLimits& limits, int answerFd = -1);

} // namespace vantor
