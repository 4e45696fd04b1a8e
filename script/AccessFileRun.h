#pragma once

#include "script/AccessScriptRun.h"

#include <optional>

namespace vantor {

// Whether path names an Access file (.mdb, .accdb), which a script changes only through a copy
// that is proven before it takes the file's place.
bool IsAccessFilePath(const QString& path);

// Where a run keeps the original of path, as a user is told before the first run: beside it,
// the name followed by the date and time of the run.
QString BackupPlaceOf(const QString& path);

// A run on an Access file as a window shows it: how far it came, where the original was kept,
// or why the file was left as it was.
struct AccessRunReport {
    BatchRunResult run;
    QString backup;
    std::optional<QString> leftAsItWas; // a refusal, or a fault before the copy took its place
};

// RunScriptOnAccess, with every refusal and fault turned into the report's reason and a stop
// before anything ran into a stopped run, so that a caller on another thread has nothing to
// catch.
AccessRunReport ReportedAccessRun(const LineSource& script, const QString& path,
                                  const AccessRunOptions& options);

} // namespace vantor
