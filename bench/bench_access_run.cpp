// Scripts run on a large Access file (1,000 tables with rows and relationships, made by
// Jackcess's GenerateLarge) the way `vantor-cli run` does it, and the share of the time that goes
// to reading the original, copying it, writing the copy, proving it and swapping it in: a
// 100-statement script of tables and indexes, and 100 views. The file is made outside the
// repository once:
//   ../shared/tools/jackcess/run GenerateLarge /tmp/big/big.accdb 1000
// VANTOR_BENCH_LARGE_FILE names another. A benchmark skips when the file is missing or the writer
// refuses it or one of its statements.
#include "engine/access/writer/JetWriter.h"
#include "script/AccessScriptRun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

using namespace vantor;

QString largeFile() {
    const QString given = qEnvironmentVariable("VANTOR_BENCH_LARGE_FILE");
    return given.isEmpty() ? QStringLiteral("/tmp/big/big.accdb") : given;
}

QString tableName(int n) {
    return QStringLiteral("[Table %1]").arg(n, 4, 10, QLatin1Char('0'));
}

// New tables, indexes over the file's own tables (which hold rows) and new ones, and drops of
// both: the statements a sync script between two versions of a large database is made of.
QStringList hundredStatements() {
    QStringList batches;
    for (int n = 1; n <= 30; ++n)
        batches << QStringLiteral("CREATE TABLE [Bench%1] ([Id] COUNTER PRIMARY KEY, [Name] "
                                  "TEXT(50) NOT NULL, [Amount] CURRENCY, [Notes] MEMO)")
                       .arg(n);
    for (int n = 1; n <= 30; ++n)
        batches << QStringLiteral("CREATE INDEX [BenchByName] ON [Bench%1] ([Name])").arg(n);
    for (int n = 0; n < 20; ++n)
        batches << QStringLiteral("CREATE INDEX [BenchIx] ON %1 ([Field 01], [Field 02] DESC)")
                       .arg(tableName(n * 50));
    for (int n = 0; n < 10; ++n)
        batches << QStringLiteral("DROP INDEX [BenchIx] ON %1").arg(tableName(n * 50));
    for (int n = 1; n <= 10; ++n)
        batches << QStringLiteral("DROP TABLE [Bench%1]").arg(n);
    return batches;
}

QStringList hundredViews() {
    QStringList batches;
    for (int n = 0; n < 100; ++n)
        batches << QStringLiteral("CREATE VIEW [BenchView%1] AS SELECT [ID], [Field 00] FROM %2 "
                                  "WHERE [Field 01] > %3")
                       .arg(n)
                       .arg(tableName(n * 10))
                       .arg(n % 5);
    return batches;
}

void RunOnLargeFile(benchmark::State& state, const QStringList& batches) {
    const QString large = largeFile();
    if (!QFile::exists(large)) {
        state.SkipWithError(
            ("no large file at " + large.toStdString() + "; make it with Jackcess's GenerateLarge")
                .c_str());
        return;
    }
    if (std::optional<QString> why = WhyFileNotWritable(large)) {
        state.SkipWithError(("the writer refuses the file: " + why->toStdString()).c_str());
        return;
    }
    for (const QString& batch : batches)
        if (std::optional<QString> why = WhyStatementNotWritable(ParseJetDdl(batch))) {
            state.SkipWithError(
                ("the writer refuses " + batch.toStdString() + ": " + why->toStdString()).c_str());
            return;
        }
    const QString script = batches.join(QStringLiteral("\r\nGO\r\n")) + QStringLiteral("\r\n");
    std::map<AccessRunStage, double> spent; // ms from the stage before
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("site.accdb"));
        QFile::copy(large, db);
        QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
        QElapsedTimer clock;
        AccessRunOptions options = DefaultAccessRunOptions();
        options.keepBackup = false;
        options.reached = [&](AccessRunStage stage) {
            const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            spent[stage] += ms;
            // A run takes minutes on a loaded machine: each stage is shown as it ends.
            std::fprintf(stderr, "  stage %d after %.0f ms\n", int(stage), ms);
            clock.restart();
        };
        state.ResumeTiming();
        clock.start();
        const AccessScriptOutcome outcome = RunScriptOnAccess(TextLineSource(script), db, options);
        if (!outcome.run.Succeeded()) {
            state.SkipWithError(
                ("the script did not run through: " +
                 (outcome.run.failure ? outcome.run.failure->description : QString()).toStdString())
                    .c_str());
            return;
        }
    }
    double total = 0;
    for (const auto& [stage, ms] : spent)
        total += ms;
    total = total > 0 ? total : 1;
    // Reading the original and its rows and predicting the result come before the copy; the
    // proof is the read back of the copy, its rows and the comparison.
    state.counters["read%"] =
        100 * (spent[AccessRunStage::Locked] + spent[AccessRunStage::Predicted]) / total;
    state.counters["copy%"] = 100 * spent[AccessRunStage::Copied] / total;
    state.counters["write%"] = 100 * spent[AccessRunStage::Applied] / total;
    state.counters["prove%"] =
        100 * (spent[AccessRunStage::ReadBack] + spent[AccessRunStage::Proven]) / total;
    state.counters["swap%"] =
        100 * (spent[AccessRunStage::BackedUp] + spent[AccessRunStage::Replaced]) / total;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark(
        "run/100-statements-on-1000-tables",
        [](benchmark::State& s) { RunOnLargeFile(s, hundredStatements()); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::RegisterBenchmark("run/100-views-on-1000-tables",
                                 [](benchmark::State& s) { RunOnLargeFile(s, hundredViews()); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
