// Whole-process read of each real Access file: our reader program against mdb-schema on the same
// file. Prints the ratio of the medians per file and over all files at the end.
#include "engine/access/ReaderProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

QStringList testFiles() {
    QStringList files;
    QString shared = QStringLiteral(VANTOR_SOURCE_DIR "/../shared/testdata/access");
    QDirIterator it(shared, {"*.mdb", "*.accdb"}, QDir::Files);
    while (it.hasNext())
        files.append(it.next());
    QDirIterator fetched(QStringLiteral(VANTOR_BINARY_DIR "/testdata"), {"*.mdb"}, QDir::Files);
    while (fetched.hasNext())
        files.append(fetched.next());
    files.sort();
    return files;
}

void runToEnd(benchmark::State& state, const QString& program, const QStringList& args) {
    for (auto _ : state) {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(program, args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
            state.SkipWithError("the program did not finish");
            return;
        }
    }
}

// Keeps the medians of the repetitions so that main can print the ratios.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    const QString reader = vantor::AccessReaderProgram();
    const QString mdbSchema = QStandardPaths::findExecutable(QStringLiteral("mdb-schema"));
    QStringList files = testFiles();
    for (const QString& file : files) {
        std::string name = QFileInfo(file).fileName().toStdString();
        benchmark::RegisterBenchmark(("reader/" + name).c_str(),
                                     [reader, file](benchmark::State& s) {
                                         runToEnd(s, reader, {QStringLiteral("--"), file});
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(
            ("mdb-schema/" + name).c_str(),
            [mdbSchema, file](benchmark::State& s) {
                if (mdbSchema.isEmpty()) {
                    s.SkipWithError("mdb-schema is not installed (Debian package mdbtools)");
                    return;
                }
                runToEnd(s, mdbSchema, {file});
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    }
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    double ours = 0, theirs = 0;
    std::printf("\nreader / mdb-schema, ratio of medians:\n");
    for (const QString& file : files) {
        std::string name = QFileInfo(file).fileName().toStdString();
        auto a = reporter.medians.find("reader/" + name);
        auto b = reporter.medians.find("mdb-schema/" + name);
        if (a == reporter.medians.end() || b == reporter.medians.end() || b->second <= 0)
            continue;
        std::printf("  %-36s %6.1f ms / %6.1f ms = %.2fx\n", name.c_str(), a->second, b->second,
                    a->second / b->second);
        ours += a->second;
        theirs += b->second;
    }
    if (theirs > 0)
        std::printf("  all files: %.1f ms / %.1f ms = %.2fx\n", ours, theirs, ours / theirs);
    benchmark::Shutdown();
    return 0;
}
