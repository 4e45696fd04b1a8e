#pragma once

#include "engine/access/ReaderLimits.h"
#include "engine/access/ScriptRunProof.h"
#include "engine/access/WriterProtocol.h"

#include <QString>
#include <functional>
#include <optional>
#include <stop_token>

namespace vantor {

// The points a run passes on its way, in order; a test may end the process dead at each.
enum class AccessRunStage {
    Locked,
    Predicted, // the original read, its rows digested, the batches run on its schema in memory
    Copied,
    Applied,
    ReadBack,
    Proven,
    BackedUp,
    Replaced
};

struct AccessRunOptions {
    bool keepBackup = true;
    // For reading the original and the copy and for digesting their rows.
    ReaderLimits readLimits;
    // For the writer, which may take much longer and writes a file as large as the database.
    ReaderLimits writeLimits{10 * 60 * 1000, qint64(2) << 30, qint64(4) << 30};
    std::stop_token stop;
    // Log lines that say how far the run came.
    std::function<void(const QString&)> progress;
    // The writer's verdicts on the file and on each statement; they refuse what it cannot write.
    std::function<std::optional<QString>(const QString& path)> whyFileNotWritable;
    StatementVerdict whyStatementNotWritable;
    // Reached at each stage, for tests only.
    std::function<void(AccessRunStage)> reached;
};

// The verdicts of the writer built into Vantor.
AccessRunOptions DefaultAccessRunOptions();

struct AccessRunResult {
    qint32 applied = 0; // the batches now in the file, all of them before any failure or stop
    std::optional<ApplyFailure> failure; // batch counted from 0 among those given
    bool stopped = false;
    QString backup; // where the original was kept; empty when none was
};

// Runs the batches on the Access file without ever writing the file itself: after the checks
// (the writer can write the file and every statement, no statement changes a linked table,
// Access does not have the file open, no other run holds it), a copy beside it is changed by the
// writer in a process of its own, read back, and proven to hold the schema that the same batches
// make of an in-memory copy of the original's and the same rows in every table they leave
// alone; then the original is kept as a backup (unless asked not to) and the copy renamed over
// it. A failing batch ends the run and leaves no trace; the batches before it stay applied. Any
// refusal or fault raises Error, and the original is as it was.
AccessRunResult RunScriptOnAccessFile(const QString& path, const QList<AccessBatch>& batches,
                                      const AccessRunOptions& options);

} // namespace vantor
