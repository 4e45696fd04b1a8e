#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "cli/Credentials.h"
#include "engine/access/AccessSource.h"
#include "script/AccessScriptRun.h"
#include "script/BatchRunner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace vantor::cli {

namespace {

QString readScript(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CliError(
            QStringLiteral("Cannot read the script '%1': %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    auto encoding = QStringConverter::encodingForData(data);
    QStringDecoder decode(encoding.value_or(QStringConverter::Utf8));
    QString text = decode(data);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

QString linesOf(const ScriptBatch& b) {
    return LinesOf(b);
}

class PrintingObserver : public BatchObserver {
public:
    explicit PrintingObserver(bool print) : print_(print) {}
    void BatchFinished(const ScriptBatch& b) override {
        if (!print_)
            return;
        WriteOutput(QString(), QStringLiteral("batch %1, %2: %3\n")
                                   .arg(b.number)
                                   .arg(linesOf(b), b.executed ? QStringLiteral("executed")
                                                               : QStringLiteral("skipped"))
                                   .toUtf8());
    }

private:
    bool print_;
};

bool isAccessFile(const QString& path) {
    return path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

// An Access file is never written in place: a proven copy replaces it, and the original is kept
// beside it unless the user declined.
AccessScriptOutcome runOnAccessFile(const QString& text, const DatabaseLogin& login,
                                    bool keepBackup, bool printBatches) {
    CheckAccessOpen(login.path, login.user, login.password);
    AccessRunOptions options = DefaultAccessRunOptions();
    options.keepBackup = keepBackup;
    options.progress = [](const QString& line) { PrintError(line); };
    AccessScriptOutcome outcome = RunScriptOnAccess(TextLineSource(text), login.path, options);
    PrintingObserver printer(printBatches);
    for (const ScriptBatch& b : outcome.run.batches)
        printer.BatchFinished(b);
    return outcome;
}

QJsonObject batchJson(const ScriptBatch& b) {
    return {{QStringLiteral("number"), b.number},
            {QStringLiteral("firstLine"), b.firstLine + 1},
            {QStringLiteral("lastLine"), b.lastLine + 1},
            {QStringLiteral("executed"), b.executed}};
}

QByteArray resultJson(const QString& script, const QString& database, const BatchRunResult& r,
                      const QString& backup) {
    QJsonArray batches;
    for (const ScriptBatch& b : r.batches)
        batches.append(batchJson(b));
    QJsonValue failure;
    if (r.failure) {
        QJsonObject f = batchJson(r.failure->batch);
        f.remove(QStringLiteral("executed"));
        f.insert(QStringLiteral("error"), r.failure->number);
        f.insert(QStringLiteral("description"), r.failure->description);
        failure = f;
    }
    QJsonObject root{{QStringLiteral("script"), script},
                     {QStringLiteral("database"), database},
                     {QStringLiteral("succeeded"), r.Succeeded()},
                     {QStringLiteral("batches"), batches},
                     {QStringLiteral("failure"), failure}};
    if (!backup.isEmpty())
        root.insert(QStringLiteral("backup"), backup);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

QString FailedBatchSentence(const BatchFailure& failure) {
    return QStringLiteral("Batch %1 (%2) failed: %3")
        .arg(failure.batch.number)
        .arg(linesOf(failure.batch), failure.description);
}

int RunCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("run"), QStringLiteral("SCRIPT --on DATABASE [options]"),
        QStringLiteral("Runs a script file against a database batch by batch, as the script "
                       "window does: the text is cut\nat lines that read GO (any case, blanks "
                       "around it), batches of 10 characters or fewer are skipped,\nand the "
                       "first error ends the run; batches before it stay applied. An Access file "
                       "is never written\nin place: a copy beside it is changed, read back and "
                       "proven, then replaces it, and the\noriginal is kept as a backup beside "
                       "it. Exit code 0 when every batch ran, 2 otherwise."));
    parser.AddOption(QStringLiteral("on"), QStringLiteral("The database to run the script on."),
                     QStringLiteral("DATABASE"));
    parser.AddOption(QStringLiteral("no-backup"),
                     QStringLiteral("Keep no backup of an Access file the script changes."));
    parser.AddFormat({QStringLiteral("text"), QStringLiteral("json")});
    parser.AddOneSideLogin();
    if (!parser.Parse(args, 1))
        return ExitEqual;
    if (!parser.IsSet(QStringLiteral("on")))
        parser.Fail(QStringLiteral("--on DATABASE is required"));

    const QString scriptPath = parser.Positionals().first();
    const QString text = readScript(scriptPath);
    DatabaseLogin login =
        ReadLogin(parser, parser.Value(QStringLiteral("on")), QString(), QStringLiteral("target"));
    const bool json = parser.Format() == QLatin1String("json");
    BatchRunResult result;
    QString backup;
    if (isAccessFile(login.path)) {
        AccessScriptOutcome outcome =
            runOnAccessFile(text, login, !parser.IsSet(QStringLiteral("no-backup")), !json);
        result = std::move(outcome.run);
        backup = outcome.backup;
    } else {
        auto source = OpenDatabase(login);
        PrintingObserver printer(!json);
        result = BatchRunner().Run(TextLineSource(text), source.get(), &printer);
    }

    if (json)
        WriteOutput(QString(), resultJson(scriptPath, login.path, result, backup));
    if (result.failure) {
        PrintError(FailedBatchSentence(*result.failure));
        if (!result.batches.empty())
            PrintError(QStringLiteral("The batches before it stay applied."));
        if (!backup.isEmpty())
            PrintError(QStringLiteral("The original is kept as '%1'.").arg(backup));
        return ExitTrouble;
    }
    if (!json) {
        qsizetype executed = std::count_if(result.batches.begin(), result.batches.end(),
                                           [](const ScriptBatch& b) { return b.executed; });
        WriteOutput(QString(), QStringLiteral("%1 batches, %2 executed, %3 skipped.\n")
                                   .arg(result.batches.size())
                                   .arg(executed)
                                   .arg(static_cast<qsizetype>(result.batches.size()) - executed)
                                   .toUtf8());
        if (!backup.isEmpty())
            WriteOutput(QString(),
                        QStringLiteral("The original is kept as '%1'.\n").arg(backup).toUtf8());
    }
    return ExitEqual;
}

} // namespace vantor::cli
