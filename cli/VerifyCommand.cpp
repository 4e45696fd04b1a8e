#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/Credentials.h"
#include "cli/Reports.h"
#include "engine/snapshot/SnapshotSource.h"
#include "model/Error.h"
#include "script/AccessCopyRun.h"
#include "script/BatchRunner.h"
#include "script/SyncScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantor::cli {

namespace {

const QString kScratchName = QStringLiteral("verify-target");

struct Verification {
    Side target = Side::Secondary;
    bool onCopy = false; // run on a copy of the real file rather than in memory
    SyncScript script;
    BatchRunResult run;
    Diff afterDiff;
    CompareReport after;
    QStringList reasons; // per object of after, empty where it converged

    qsizetype Executed() const {
        return std::count_if(run.batches.begin(), run.batches.end(),
                             [](const ScriptBatch& b) { return b.executed; });
    }
    bool Converged() const { return run.Succeeded() && after.AllEqual(); }
};

QString clipped(const QString& line) {
    constexpr qsizetype kLongest = 70;
    return line.size() > kLongest ? line.left(kLongest) + QChar(0x2026) : line;
}

QString firstDifference(const QString& pri, const QString& sec) {
    const QStringList a = pri.split(QStringLiteral("\r\n"));
    const QStringList b = sec.split(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (a.value(i) == b.value(i))
            continue;
        QString text = QStringLiteral("line %1 reads \"%2\" in the primary and \"%3\" in the "
                                      "secondary database")
                           .arg(i + 1)
                           .arg(clipped(a.value(i)), clipped(b.value(i)));
        if (a.value(i).compare(b.value(i), Qt::CaseInsensitive) == 0)
            text += QStringLiteral(", which differ only in letter case: no ALTER TABLE changes "
                                   "that");
        return text + QLatin1Char('.');
    }
    return QStringLiteral("the definitions differ.");
}

QString reasonFor(const ReportedObject& o, const std::vector<SyncNote>& notes) {
    QStringList reasons;
    for (const SyncNote& note : notes)
        if (FoldKey(note.name) == FoldKey(o.name))
            reasons << note.reason;
    if (!reasons.isEmpty())
        return reasons.join(u' ');
    switch (o.state) {
    case ObjectState::Different:
        return QStringLiteral("still different after the script: ") +
               firstDifference(o.entry->primaryText, o.entry->secondaryText);
    case ObjectState::OnlyPrimary:
        return QStringLiteral("still only in the primary database.");
    case ObjectState::OnlySecondary:
        return QStringLiteral("still only in the secondary database.");
    case ObjectState::Equal:
        break;
    }
    return QString();
}

QByteArray asText(const Verification& v) {
    const QString targetPath = v.target == Side::Primary ? v.after.primary : v.after.secondary;
    QString text;
    if (v.script.steps.empty()) {
        text = QStringLiteral("Script for the %1 database: empty.\n").arg(SideName(v.target));
    } else {
        const qsizetype batches =
            static_cast<qsizetype>(v.run.batches.size()) + (v.run.failure ? 1 : 0);
        text =
            QStringLiteral("Script for the %1 database: %2 %3, %4 executed on %5 copy of %6.\n")
                .arg(SideName(v.target))
                .arg(batches)
                .arg(batches == 1 ? QStringLiteral("batch") : QStringLiteral("batches"))
                .arg(v.Executed())
                .arg(v.onCopy ? QStringLiteral("a") : QStringLiteral("an in-memory"), targetPath);
        if (v.onCopy)
            text += QStringLiteral("The copy was written by the writer, proven and removed; %1 "
                                   "itself was only read.\n")
                        .arg(targetPath);
    }
    if (!v.script.dataLoss.isEmpty())
        text += v.script.DataLossSummary() + QStringLiteral(".\n");
    if (v.run.failure)
        text += FailedBatchSentence(*v.run.failure) + QLatin1Char('\n');
    const auto total = static_cast<qsizetype>(v.after.objects.size());
    if (v.Converged()) {
        text +=
            QStringLiteral("Converged: all %1 objects are equal after the script.\n").arg(total);
        return text.toUtf8();
    }
    const std::array<int, 4> totals = v.after.Totals();
    text += QStringLiteral("Not converged: %1 of %2 objects still differ.\n")
                .arg(total - totals[0])
                .arg(total);
    for (size_t i = 0; i < v.after.objects.size(); ++i) {
        const ReportedObject& o = v.after.objects[i];
        if (o.state != ObjectState::Equal)
            text += QStringLiteral("  %1 [%2] %3: %4\n")
                        .arg(o.type, o.name, StateWord(o.state), v.reasons[i]);
    }
    return text.toUtf8();
}

QByteArray asJson(const Verification& v) {
    QJsonArray objects;
    for (size_t i = 0; i < v.after.objects.size(); ++i) {
        const ReportedObject& o = v.after.objects[i];
        QJsonObject entry{{QStringLiteral("name"), o.name},
                          {QStringLiteral("type"), o.type},
                          {QStringLiteral("status"), StateNumber(o.state)},
                          {QStringLiteral("state"), StateWord(o.state)}};
        if (!v.reasons[i].isEmpty())
            entry.insert(QStringLiteral("reason"), v.reasons[i]);
        objects.append(entry);
    }
    QJsonValue failure;
    if (v.run.failure)
        failure = QJsonObject{{QStringLiteral("batch"), v.run.failure->batch.number},
                              {QStringLiteral("firstLine"), v.run.failure->batch.firstLine + 1},
                              {QStringLiteral("lastLine"), v.run.failure->batch.lastLine + 1},
                              {QStringLiteral("description"), v.run.failure->description}};
    QJsonObject root{{QStringLiteral("primary"), v.after.primary},
                     {QStringLiteral("secondary"), v.after.secondary},
                     {QStringLiteral("target"), SideName(v.target)},
                     {QStringLiteral("onCopy"), v.onCopy},
                     {QStringLiteral("converged"), v.Converged()},
                     {QStringLiteral("batches"), static_cast<qint64>(v.run.batches.size())},
                     {QStringLiteral("executed"), static_cast<qint64>(v.Executed())},
                     {QStringLiteral("failure"), failure},
                     {QStringLiteral("notes"), QJsonArray::fromStringList(v.script.NoteTexts())},
                     {QStringLiteral("dataLoss"), QJsonArray::fromStringList(v.script.dataLoss)},
                     {QStringLiteral("objects"), objects}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool isAccessFile(const QString& path) {
    return path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

// The script runs on a copy of the real file, written and proven as a run would, so that a user
// sees convergence on the file itself; the file is only read.
Schema runOnCopy(Verification& v, const DatabaseLogin& target, bool quiet) {
    AccessRunOptions options = DefaultAccessRunOptions();
    if (!quiet)
        options.progress = [](const QString& line) { PrintError(line); };
    CopyRunOutcome outcome =
        RunScriptOnCopyOf(TextLineSource(v.script.Text()), target.path, options);
    v.run = std::move(outcome.run);
    return std::move(outcome.changed);
}

} // namespace

int VerifyCommand(const QStringList& args) {
    CommandParser parser(
        QStringLiteral("verify"), QStringLiteral("PRIMARY SECONDARY --target SIDE [options]"),
        QStringLiteral("Writes the script as `script` does, runs it on an in-memory copy of the "
                       "target (the target\nitself is never touched), compares again and reports "
                       "whether every table and view is now equal,\nlisting what did not converge "
                       "and why. With --on-copy the script runs on a\ncopy of the target Access "
                       "file as `run` would (written, read back and proven), and the copy\nis "
                       "removed afterwards. Exit code 0 when converged, 1 when not, 2 on an "
                       "error."));
    AddTargetOption(parser);
    parser.AddOption(QStringLiteral("on-copy"),
                     QStringLiteral("Run the script on a copy of the target Access file, not in "
                                    "memory; the file itself is only read."));
    parser.AddFormat({QStringLiteral("text"), QStringLiteral("json")});
    AddOutputOption(parser);
    AddAllOption(parser);
    AddCompareOptions(parser);
    AddQuietOption(parser);
    parser.AddTwoSideLogins();
    if (!parser.Parse(args, 2))
        return ExitEqual;
    const Side target = TargetSide(parser);
    const CompareSettings settings = CompareSettingsOf(parser);

    const QStringList paths = parser.Positionals();
    RefuseHarmfulOutput(parser.Value(QStringLiteral("output")),
                        {{QStringLiteral("primary database"), paths[0]},
                         {QStringLiteral("secondary database"), paths[1]}});
    DatabaseLogin primary =
        ReadLogin(parser, paths[0], QStringLiteral("primary-"), QStringLiteral("primary"));
    DatabaseLogin secondary =
        ReadLogin(parser, paths[1], QStringLiteral("secondary-"), QStringLiteral("secondary"));
    const bool onCopy = parser.IsSet(QStringLiteral("on-copy"));
    const DatabaseLogin& targetLogin = target == Side::Primary ? primary : secondary;
    if (onCopy && !isAccessFile(targetLogin.path))
        throw CliError(QStringLiteral("--on-copy tries the script on a copy of an Access file "
                                      "(.mdb, .accdb), and the target '%1' is not one: verify "
                                      "it without --on-copy.")
                           .arg(targetLogin.path));
    ProgressLine progress(ShowsProgress(parser));

    Verification v;
    v.target = target;
    v.onCopy = onCopy;
    auto before = OpenAndCompare(primary, secondary, settings, &progress);
    const Diff& diff = *before->diff();
    v.script = BuildSyncScript(diff, target);
    std::shared_ptr<const Schema> converted;
    if (onCopy) {
        progress.Clear();
        converted = std::make_shared<const Schema>(
            runOnCopy(v, targetLogin, parser.IsSet(QStringLiteral("quiet"))));
    } else {
        // The copy lives in this process only, so the script can run without touching the
        // target.
        ScratchSource copy(diff.schema(target));
        v.run = BatchRunner().Run(TextLineSource(v.script.Text()), &copy);
        converted = std::make_shared<const Schema>(copy.schema());
    }
    const CompareOptions options{settings, {}};
    v.afterDiff = target == Side::Primary ? Compare(converted, diff.secondary, options)
                                          : Compare(diff.primary, converted, options);
    v.after = {primary.path, secondary.path, ReportedObjects(v.afterDiff, settings.showHidden)};
    for (const ReportedObject& o : v.after.objects)
        v.reasons << (o.state == ObjectState::Equal ? QString() : reasonFor(o, v.script.notes));

    WriteOutput(parser.Value(QStringLiteral("output")),
                parser.Format() == QLatin1String("json") ? asJson(v) : asText(v));
    return v.Converged() ? ExitEqual : ExitDifferent;
}

} // namespace vantor::cli
