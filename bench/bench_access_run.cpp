// A 100-statement script run on a large Access file (1,000 tables, made by Jackcess's
// GenerateLarge) the way `vantor-cli run` does it, and the share of the time that goes to
// copying the file, writing the copy and proving it. Skips while the writer refuses the file.
#include "engine/access/writer/JetWriter.h"
#include "script/AccessScriptRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace {

using namespace vantor;

QString hundredStatements() {
    QStringList batches;
    for (int n = 1; n <= 40; ++n)
        batches << QStringLiteral("CREATE TABLE [Bench%1] ([Id] INTEGER, [Name] TEXT(50))").arg(n);
    for (int n = 1; n <= 40; ++n)
        batches << QStringLiteral("CREATE INDEX [ByName] ON [Bench%1] ([Name])").arg(n);
    for (int n = 1; n <= 20; ++n)
        batches << QStringLiteral("DROP TABLE [Bench%1]").arg(n);
    return batches.join(QStringLiteral("\r\nGO\r\n")) + QStringLiteral("\r\n");
}

// Makes the large file once; empty when Jackcess cannot run here.
QString largeFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("large.accdb"));
    QProcess generate;
    generate.start(QStringLiteral("bash"),
                   {QStringLiteral(VANTOR_SOURCE_DIR "/../shared/tools/jackcess/run"),
                    QStringLiteral("GenerateLarge"), path, QStringLiteral("1000")});
    generate.waitForFinished(10 * 60 * 1000);
    return generate.exitCode() == 0 && QFile::exists(path) ? path : QString();
}

void RunOnLargeFile(benchmark::State& state, const QString& large) {
    if (large.isEmpty()) {
        state.SkipWithError("Jackcess's GenerateLarge cannot run here");
        return;
    }
    if (std::optional<QString> why = WhyFileNotWritable(large)) {
        state.SkipWithError(("the writer refuses the file: " + why->toStdString()).c_str());
        return;
    }
    const QString script = hundredStatements();
    std::map<AccessRunStage, double> spent; // ms from the stage before
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("site.accdb"));
        QFile::copy(large, db);
        QElapsedTimer clock;
        AccessRunOptions options = DefaultAccessRunOptions();
        options.keepBackup = false;
        options.reached = [&](AccessRunStage stage) {
            spent[stage] += static_cast<double>(clock.nsecsElapsed()) / 1e6;
            clock.restart();
        };
        state.ResumeTiming();
        clock.start();
        const AccessScriptOutcome outcome = RunScriptOnAccess(TextLineSource(script), db, options);
        if (!outcome.run.Succeeded()) {
            state.SkipWithError("the script did not run through");
            return;
        }
    }
    const double total = [&] {
        double sum = 0;
        for (const auto& [stage, ms] : spent)
            sum += ms;
        return sum > 0 ? sum : 1;
    }();
    // The proof is the read back of the copy and its comparison; reading the original and its
    // rows before the copy is part of it too.
    state.counters["read%"] = 100 * spent[AccessRunStage::Predicted] / total;
    state.counters["copy%"] = 100 * spent[AccessRunStage::Copied] / total;
    state.counters["write%"] = 100 * spent[AccessRunStage::Applied] / total;
    state.counters["prove%"] =
        100 * (spent[AccessRunStage::ReadBack] + spent[AccessRunStage::Proven]) / total;
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString large = largeFile(dir);
    benchmark::RegisterBenchmark("run/100-statements-on-1000-tables",
                                 [large](benchmark::State& s) { RunOnLargeFile(s, large); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
