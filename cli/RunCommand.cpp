#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/CompareSession.h"
#include "cli/Credentials.h"
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

// Lines as people count them, from 1.
QString linesOf(const ScriptBatch& b) {
    if (b.lastLine < b.firstLine)
        return QStringLiteral("no lines");
    if (b.lastLine == b.firstLine)
        return QStringLiteral("line %1").arg(b.firstLine + 1);
    return QStringLiteral("lines %1-%2").arg(b.firstLine + 1).arg(b.lastLine + 1);
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

QJsonObject batchJson(const ScriptBatch& b) {
    return {{QStringLiteral("number"), b.number},
            {QStringLiteral("firstLine"), b.firstLine + 1},
            {QStringLiteral("lastLine"), b.lastLine + 1},
            {QStringLiteral("executed"), b.executed}};
}

QByteArray resultJson(const QString& script, const QString& database, const BatchRunResult& r) {
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
                       "first error ends the run; batches before it stay applied. Access files "
                       "are read-only\nhere: run scripts against a .json snapshot. Exit code 0 "
                       "when every batch ran, 2 otherwise."));
    parser.AddOption(QStringLiteral("on"), QStringLiteral("The database to run the script on."),
                     QStringLiteral("DATABASE"));
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
    auto source = OpenDatabase(login);

    const bool json = parser.Format() == QLatin1String("json");
    PrintingObserver printer(!json);
    BatchRunResult result = BatchRunner().Run(TextLineSource(text), source.get(), &printer);
    source.reset();

    if (json)
        WriteOutput(QString(), resultJson(scriptPath, login.path, result));
    if (result.failure) {
        PrintError(FailedBatchSentence(*result.failure));
        if (!result.batches.empty())
            PrintError(QStringLiteral("The batches before it stay applied."));
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
    }
    return ExitEqual;
}

} // namespace vantor::cli
