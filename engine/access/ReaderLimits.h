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

// Makes the process, once started, run under the limits: address space, CPU time as a backstop
// to the parent's clock, no core files, and death with its parent. Does nothing where the
// platform offers no such limits.
void ApplyChildLimits(QProcess& process, const ReaderLimits& limits);

} // namespace vantor
