#pragma once

#include "model/Schema.h"
#include "script/AccessScriptRun.h"

namespace vantor {

// What a script makes of an Access file, found on a copy that is thrown away afterwards.
struct CopyRunOutcome {
    BatchRunResult run; // as a run on the file itself would report it
    Schema changed;     // the copy read back after the run, proven as a real run proves it
};

// Runs the script on a copy of the Access file at path, in a folder of its own, through the
// same steps as a real run (the writer's checks, applying in a process of its own, the proof),
// and reads the changed copy back. The file itself is only read, never locked, backed up or
// replaced, so that a user can see what a run would give before allowing one; the copy is gone
// when this returns. A refusal or fault raises Error, naming the file rather than the copy.
CopyRunOutcome RunScriptOnCopyOf(const LineSource& script, const QString& path,
                                 AccessRunOptions options);

} // namespace vantor
