#pragma once

// What the whole-process benchmarks share: running a program to its end per iteration, and a
// reporter that keeps the medians so that a benchmark's main can print ratios.
#include <QProcess>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <map>
#include <string>

namespace vantor::bench {

// Runs each command of the list to its end, one after the other, per iteration.
inline void RunToEnd(benchmark::State& state, const std::vector<QStringList>& commands) {
    for (auto _ : state) {
        for (const QStringList& command : commands) {
            QProcess p;
            p.setStandardOutputFile(QProcess::nullDevice());
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(command.first(), command.mid(1));
            if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
                state.SkipWithError("the program did not finish");
                return;
            }
        }
    }
}

// Milliseconds of wall time, repeated, reported as aggregates only: what the ratios are made of.
inline void Repeated(benchmark::internal::Benchmark* b, int repetitions) {
    b->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}

class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // The median of a benchmark, or 0 when it did not run.
    double Median(const std::string& name) const {
        auto it = medians.find(name);
        return it == medians.end() ? 0 : it->second;
    }
};

} // namespace vantor::bench
