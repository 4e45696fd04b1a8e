#include "script/AccessFileRun.h"

#include "engine/Source.h"
#include "model/Error.h"

namespace vantor {

bool IsAccessFilePath(const QString& path) {
    return path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

QString BackupPlaceOf(const QString& path) {
    return path + QStringLiteral(".backup-<date>-<time>");
}

AccessRunReport ReportedAccessRun(const LineSource& script, const QString& path,
                                  const AccessRunOptions& options) {
    AccessRunReport report;
    try {
        AccessScriptOutcome outcome = RunScriptOnAccess(script, path, options);
        report.run = std::move(outcome.run);
        report.backup = outcome.backup;
    } catch (const Error& e) {
        report.leftAsItWas = e.description();
    } catch (const WorkCancelled&) {
        report.run.stopped = true;
    } catch (const std::exception& e) {
        report.leftAsItWas = DescriptionOf(e);
    }
    return report;
}

} // namespace vantor
