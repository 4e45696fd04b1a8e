// Whole-process read of each real Access file: our reader program against mdb-schema on the same
// file. Prints the ratio of the medians per file and over all files at the end.
#include "bench/ProcessBench.h"
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

} // namespace

int main(int argc, char** argv) {
    const QString reader = vantor::AccessReaderProgram();
    const QString mdbSchema = QStandardPaths::findExecutable(QStringLiteral("mdb-schema"));
    QStringList files = testFiles();
    for (const QString& file : files) {
        std::string name = QFileInfo(file).fileName().toStdString();
        vantor::bench::Repeated(
            benchmark::RegisterBenchmark(
                ("reader/" + name).c_str(),
                [reader, file](benchmark::State& s) {
                    vantor::bench::RunToEnd(s, {{reader, QStringLiteral("--"), file}});
                }),
            5);
        vantor::bench::Repeated(
            benchmark::RegisterBenchmark(
                ("mdb-schema/" + name).c_str(),
                [mdbSchema, file](benchmark::State& s) {
                    if (mdbSchema.isEmpty()) {
                        s.SkipWithError("mdb-schema is not installed (Debian package mdbtools)");
                        return;
                    }
                    vantor::bench::RunToEnd(s, {{mdbSchema, file}});
                }),
            5);
    }
    benchmark::Initialize(&argc, argv);
    vantor::bench::MedianReporter reporter;
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
