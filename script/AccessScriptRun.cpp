#include "script/AccessScriptRun.h"

#include "engine/Source.h"

namespace vantor {

namespace {

// Takes every batch as if it ran, so that the script is cut exactly as on any database.
class BatchCollector : public Source, public BatchObserver {
public:
    void execute(const QString&) override {}
    void BatchFinished(const ScriptBatch& batch) override { batches.push_back(batch); }
    std::vector<ScriptBatch> batches;

protected:
    Schema load() override { return Schema(); }
};

} // namespace

QString LinesOf(const ScriptBatch& b) {
    if (b.lastLine < b.firstLine)
        return QStringLiteral("no lines");
    if (b.lastLine == b.firstLine)
        return QStringLiteral("line %1").arg(b.firstLine + 1);
    return QStringLiteral("lines %1-%2").arg(b.firstLine + 1).arg(b.lastLine + 1);
}

AccessScriptOutcome RunScriptOnAccess(const LineSource& script, const QString& path,
                                      const AccessRunOptions& options) {
    BatchCollector collector;
    const BatchRunResult cut = BatchRunner().Run(script, &collector, &collector);
    AccessScriptOutcome outcome;
    if (cut.failure) { // the script itself could not be read
        outcome.run = cut;
        return outcome;
    }
    QList<AccessBatch> sent;
    std::vector<size_t> positions; // of each batch sent among all batches
    for (size_t i = 0; i < collector.batches.size(); ++i) {
        const ScriptBatch& b = collector.batches[i];
        if (!b.executed)
            continue;
        sent << AccessBatch{b.text, QStringLiteral("Batch %1 (%2)").arg(b.number).arg(LinesOf(b))};
        positions.push_back(i);
    }
    if (sent.isEmpty()) {
        outcome.run = cut;
        return outcome;
    }
    const AccessRunResult result = RunScriptOnAccessFile(path, sent, options);
    outcome.backup = result.backup;
    const auto applied = static_cast<size_t>(result.applied);
    // Skipped batches after the last one applied count as done, unless a batch sent later did
    // not run.
    const size_t done = applied == positions.size() ? collector.batches.size() : positions[applied];
    outcome.run.batches.assign(collector.batches.begin(),
                               collector.batches.begin() + static_cast<qsizetype>(done));
    if (result.failure) {
        ScriptBatch failed = collector.batches[done];
        failed.executed = false;
        outcome.run.failure =
            BatchFailure{failed, result.failure->number, result.failure->description};
    } else {
        outcome.run.stopped = result.stopped && done < collector.batches.size();
    }
    return outcome;
}

} // namespace vantor
