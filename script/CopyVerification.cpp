#include "script/CopyVerification.h"

#include "engine/Source.h"
#include "model/Error.h"

namespace vantor {

namespace {

QString stateWords(ObjectState state) {
    switch (state) {
    case ObjectState::Equal:
        return QStringLiteral("equal");
    case ObjectState::Different:
        return QStringLiteral("still different");
    case ObjectState::OnlyPrimary:
        return QStringLiteral("still only in the primary database");
    case ObjectState::OnlySecondary:
        return QStringLiteral("still only in the secondary database");
    }
    return QString();
}

QString batchesRun(const BatchRunResult& run) {
    qsizetype executed = 0;
    for (const ScriptBatch& b : run.batches)
        executed += b.executed ? 1 : 0;
    return QStringLiteral("%1 of its batches ran on the copy").arg(executed);
}

} // namespace

CopyVerification VerifyScriptOnCopy(const LineSource& script, const Diff& diff, Side target,
                                    const QString& path, const AccessRunOptions& options) {
    CopyVerification v;
    v.path = path;
    try {
        CopyRunOutcome outcome = RunScriptOnCopyOf(script, path, options);
        v.run = std::move(outcome.run);
        auto changed = std::make_shared<const Schema>(std::move(outcome.changed));
        const CompareOptions compare{diff.settings, {}};
        v.after = target == Side::Primary ? Compare(changed, diff.secondary, compare)
                                          : Compare(diff.primary, changed, compare);
    } catch (const Error& e) {
        v.refused = e.description();
        return v;
    } catch (const WorkCancelled&) {
        v.run.stopped = true;
        return v;
    } catch (const std::exception& e) {
        v.refused = DescriptionOf(e);
        return v;
    }
    for (const DiffEntry& e : v.after.entries) {
        if (e.hidden && !diff.settings.showHidden)
            continue;
        ++v.objects;
        if (e.state != ObjectState::Equal)
            v.stillDiffering << QStringLiteral("[%1] (%2) %3")
                                    .arg(e.name, TypeName(e.kind), stateWords(e.state));
    }
    return v;
}

QString CopyVerificationSummary(const CopyVerification& v) {
    if (v.refused)
        return QStringLiteral("The script could not be tried on a copy of %1.\n\n%2")
            .arg(v.path, *v.refused);
    if (v.run.stopped)
        return QStringLiteral("The trial on a copy of %1 was stopped; the file itself was only "
                              "read.")
            .arg(v.path);
    QString text;
    if (v.Converged())
        text = QStringLiteral("Converged: on a copy of %1 the script makes all %2 objects equal "
                              "to the other database (%3).")
                   .arg(v.path)
                   .arg(v.objects)
                   .arg(batchesRun(v.run));
    else
        text = QStringLiteral("Not converged: on a copy of %1, %2 of %3 objects still differ "
                              "after the script (%4).")
                   .arg(v.path)
                   .arg(v.stillDiffering.size())
                   .arg(v.objects)
                   .arg(batchesRun(v.run));
    if (v.run.failure)
        text += QStringLiteral("\n\nBatch %1 (%2) failed on the copy: %3")
                    .arg(v.run.failure->batch.number)
                    .arg(LinesOf(v.run.failure->batch), v.run.failure->description);
    // A long list would push the verdict off the screen; the first few say where to look.
    constexpr qsizetype kListed = 12;
    if (!v.stillDiffering.isEmpty()) {
        text +=
            QLatin1String("\n\n") +
            v.stillDiffering.first(qMin(kListed, v.stillDiffering.size())).join(QLatin1Char('\n'));
        if (v.stillDiffering.size() > kListed)
            text += QStringLiteral("\nand %1 more.").arg(v.stillDiffering.size() - kListed);
    }
    text += QStringLiteral("\n\nThe copy was written, proven and removed; %1 itself was only "
                           "read.")
                .arg(v.path);
    return text;
}

} // namespace vantor
