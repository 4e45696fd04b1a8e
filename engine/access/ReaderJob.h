#pragma once

#include "engine/access/ReaderLimits.h"

#include <QByteArray>
#include <QString>
#include <stop_token>

namespace vantor {

// What the reader program does besides reading a schema, and how a requested stop reaches it.
struct ReaderJob {
    QString modeOption; // kReaderApplyOption or kReaderDigestOption
    QString path;
    QByteArray input; // on standard input
    ReaderLimits limits;
    // Apply runs are asked to stop between two batches (see WriterProtocol.h) and waited for;
    // other jobs are stopped at once and raise WorkCancelled.
    bool stopsBetweenBatches = false;
};

// Runs the reader program on the job within its limits and returns its answer. A program that
// crashed, was stopped, ran out of time or failed raises Error with the reason, which names
// what (verb) it was doing.
QByteArray RunReaderJob(const ReaderJob& job, const QString& verb, const std::stop_token& stop);

} // namespace vantor
