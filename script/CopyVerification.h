#pragma once

#include "engine/Compare.h"
#include "script/AccessCopyRun.h"

#include <optional>

namespace vantor {

// Whether a script brings an Access file in line with the other database, found on a copy of
// the file that is thrown away.
struct CopyVerification {
    QString path;                   // the target file, which was only read
    std::optional<QString> refused; // why the script could not be tried at all
    BatchRunResult run;
    Diff after;                 // the other side against the changed copy
    QStringList stillDiffering; // "[name] (TYPE) state" of every shown object not equal
    int objects = 0;            // shown objects after the script

    bool Converged() const {
        return !refused && run.Succeeded() && !run.stopped && stillDiffering.isEmpty();
    }
};

// Runs the script on a copy of the target side's Access file (RunScriptOnCopyOf) and compares
// the changed copy with the other side of diff, with the settings diff was made with. Refusals
// and faults become the result's reason, so a caller on another thread has nothing to catch.
CopyVerification VerifyScriptOnCopy(const LineSource& script, const Diff& diff, Side target,
                                    const QString& path, const AccessRunOptions& options);

// What a user is told: the verdict first, then how far the script came and what still differs.
QString CopyVerificationSummary(const CopyVerification& verification);

} // namespace vantor
