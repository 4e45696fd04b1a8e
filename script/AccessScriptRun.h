#pragma once

#include "engine/access/AccessScriptRun.h"
#include "script/BatchRunner.h"

namespace vantor {

struct AccessScriptOutcome {
    BatchRunResult run; // as a run on any database reports it
    QString backup;     // where the original was kept; empty when none was
};

// Cuts the script into batches as BatchRunner does and runs those it would send on the Access
// file with RunScriptOnAccessFile, so that the batches, the failure and the stop read as on any
// other database. A refusal, or a fault that left the file as it was, raises Error.
AccessScriptOutcome RunScriptOnAccess(const LineSource& script, const QString& path,
                                      const AccessRunOptions& options);

// "lines 3-5", "line 3" or "no lines", as people count lines, from 1.
QString LinesOf(const ScriptBatch& batch);

} // namespace vantor
