// vantor-run-to-stage DATABASE SCRIPT [STAGE] [--no-backup]: runs the script on the Access file
// as the command line does, but with every file and statement let through to the writer, and
// kills itself dead on reaching STAGE (Locked, Predicted, Copied, Applied, ReadBack, Proven,
// BackedUp, Replaced). Prints "applied N", the failure and the backup on standard output; an error
// goes to standard error with exit code 2.
#include "model/Error.h"
#include "script/AccessScriptRun.h"

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    using namespace vantor;
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 64;
    QFile script(args[2]);
    if (!script.open(QIODevice::ReadOnly))
        return 64;
    const QString killAt = args.value(3);
    static const char* const kStages[] = {"Locked",   "Predicted", "Copied",   "Applied",
                                          "ReadBack", "Proven",    "BackedUp", "Replaced"};
    AccessRunOptions options;
    options.keepBackup = !args.contains(QStringLiteral("--no-backup"));
    options.reached = [&killAt](AccessRunStage stage) {
        if (killAt == QLatin1String(kStages[static_cast<int>(stage)]))
            raise(SIGKILL);
    };
    options.progress = [](const QString& line) {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    };
    try {
        const AccessScriptOutcome outcome = RunScriptOnAccess(
            TextLineSource(QString::fromUtf8(script.readAll())), args[1], options);
        std::printf("applied %d\n", static_cast<int>(std::count_if(
                                        outcome.run.batches.begin(), outcome.run.batches.end(),
                                        [](const ScriptBatch& b) { return b.executed; })));
        if (outcome.run.failure)
            std::printf("failure %d %s\n", static_cast<int>(outcome.run.failure->batch.number),
                        outcome.run.failure->description.toUtf8().constData());
        if (!outcome.backup.isEmpty())
            std::printf("backup %s\n", outcome.backup.toUtf8().constData());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", DescriptionOf(e).toUtf8().constData());
        return 2;
    }
}
