// Whole-process `vantor-cli dump` and `compare` of large Access files against mdb-schema on the
// same files, how the cost grows from 250 to 4,000 tables, and the peak memory of each program.
// The files are made by bench/make-large-files.sh into $VANTOR_LARGE_FILES (default
// /tmp/vantor-large); without them, or without mdb-schema, it says so and measures nothing.
#include "bench/ProcessBench.h"
#include "engine/access/ReaderProcess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const int kSizes[] = {250, 1000, 4000};

QString largeFolder() {
    const QString fromEnv = qEnvironmentVariable("VANTOR_LARGE_FILES");
    return fromEnv.isEmpty() ? QStringLiteral("/tmp/vantor-large") : fromEnv;
}

QString largeFile(const QString& name) {
    return QDir(largeFolder()).filePath(name);
}

QString sized(int tables) {
    return largeFile(QStringLiteral("large-%1.accdb").arg(tables));
}

void registerRun(const std::string& name, std::vector<QStringList> commands, int repetitions) {
    vantor::bench::Repeated(benchmark::RegisterBenchmark(name.c_str(),
                                                         [commands](benchmark::State& s) {
                                                             vantor::bench::RunToEnd(s, commands);
                                                         }),
                            repetitions);
}

// The largest resident size of the command and every process it waited for, in KiB, as GNU
// time measures it; -1 when it did not run to a good end. A child of this program itself would
// count this program's own pages as its own up to its start, which time's small size avoids.
long peakKiB(const QStringList& command) {
    const QString time = QStringLiteral("/usr/bin/time");
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("peak"));
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(time,
            QStringList{QStringLiteral("-f"), QStringLiteral("%M"), QStringLiteral("-o"), out} +
                command);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() > 1)
        return -1;
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    // time puts a note on the first line when the command exits with other than 0.
    const long kib = f.readAll().trimmed().split('\n').last().toLong(&ok);
    return ok ? kib : -1;
}

// The median of five peaks, since the resident size of a short run varies by a few pages.
long medianPeakKiB(const QStringList& command) {
    std::vector<long> peaks;
    for (int i = 0; i < 5; ++i)
        peaks.push_back(peakKiB(command));
    std::sort(peaks.begin(), peaks.end());
    return peaks[peaks.size() / 2];
}

// The least-squares line through (tables, ms) and how well it fits.
struct Fit {
    double msPerTable = 0, fixedMs = 0, r2 = 0;
};

Fit fitLine(const std::vector<std::pair<double, double>>& points) {
    const double n = static_cast<double>(points.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    for (const auto& [x, y] : points) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        syy += y * y;
    }
    Fit f;
    const double d = n * sxx - sx * sx;
    if (n < 2 || d == 0)
        return f;
    f.msPerTable = (n * sxy - sx * sy) / d;
    f.fixedMs = (sy - f.msPerTable * sx) / n;
    const double r = (n * sxy - sx * sy) / std::sqrt(d * (n * syy - sy * sy));
    f.r2 = r * r;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const QString reader = vantor::AccessReaderProgram();
    const QString cli = QFileInfo(reader).dir().filePath(QStringLiteral("vantor-cli"));
    const QString mdbSchema = QStandardPaths::findExecutable(QStringLiteral("mdb-schema"));
    if (mdbSchema.isEmpty()) {
        std::fprintf(stderr, "skipped: mdb-schema is not installed (Debian package mdbtools)\n");
        return 0;
    }
    const QString changed = largeFile(QStringLiteral("large-1000-changed.accdb"));
    const QString jet4 = largeFile(QStringLiteral("large-1000.mdb"));
    for (const QString& f : {sized(250), sized(1000), sized(4000), changed, jet4})
        if (!QFileInfo(f).isFile()) {
            std::fprintf(stderr,
                         "skipped: %s is missing; make the files with "
                         "bench/make-large-files.sh %s\n",
                         qPrintable(f), qPrintable(largeFolder()));
            return 0;
        }

    for (int n : kSizes) {
        const int repetitions = n > 1000 ? 3 : 7;
        registerRun("cli-dump/" + std::to_string(n), {{cli, "dump", sized(n)}}, repetitions);
        registerRun("mdb-schema/" + std::to_string(n), {{mdbSchema, sized(n), "postgres"}},
                    repetitions);
    }
    registerRun("cli-dump/1000.mdb", {{cli, "dump", jet4}}, 7);
    registerRun("mdb-schema/1000.mdb", {{mdbSchema, jet4, "postgres"}}, 7);
    registerRun("cli-compare/1000+changed", {{cli, "compare", sized(1000), changed}}, 7);
    registerRun("mdb-schema-both/1000+changed",
                {{mdbSchema, sized(1000), "postgres"}, {mdbSchema, changed, "postgres"}}, 7);
    registerRun("cli-compare/250+1000", {{cli, "compare", sized(250), sized(1000)}}, 7);
    registerRun("mdb-schema-both/250+1000",
                {{mdbSchema, sized(250), "postgres"}, {mdbSchema, sized(1000), "postgres"}}, 7);

    benchmark::Initialize(&argc, argv);
    vantor::bench::MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto ratio = [&](const char* label, const std::string& ours, const std::string& theirs) {
        const double a = reporter.Median(ours), b = reporter.Median(theirs);
        if (a > 0 && b > 0)
            std::printf("  %-34s %8.1f ms / %8.1f ms = %.2fx\n", label, a, b, a / b);
    };
    std::printf("\nvantor-cli / mdb-schema, ratio of medians (goal: at most 2x):\n");
    for (int n : kSizes)
        ratio(qPrintable(QStringLiteral("dump, %1 tables").arg(n)), "cli-dump/" + std::to_string(n),
              "mdb-schema/" + std::to_string(n));
    ratio("dump, 1000 tables, Jet 4 .mdb", "cli-dump/1000.mdb", "mdb-schema/1000.mdb");
    ratio("compare 1000 with its changed copy", "cli-compare/1000+changed",
          "mdb-schema-both/1000+changed");
    ratio("compare 250 with 1000", "cli-compare/250+1000", "mdb-schema-both/250+1000");

    std::vector<std::pair<double, double>> points;
    for (int n : kSizes)
        if (double ms = reporter.Median("cli-dump/" + std::to_string(n)); ms > 0)
            points.push_back({double(n), ms});
    const Fit fit = fitLine(points);
    std::printf("\ndump time against tables: %.3f ms per table + %.1f ms, r^2 = %.4f\n",
                fit.msPerTable, fit.fixedMs, fit.r2);
    for (const auto& [n, ms] : points)
        std::printf("  %5.0f tables: %8.1f ms, the line says %8.1f ms\n", n, ms,
                    fit.fixedMs + fit.msPerTable * n);

    std::printf(
        "\npeak memory (largest resident size of the program or its reader, median of 5):\n");
    const long start = medianPeakKiB({cli, "--version"});
    std::printf("  %-34s %8.1f MiB\n", "vantor-cli --version", start / 1024.0);
    for (int n : kSizes)
        std::printf("  %-34s %8.1f MiB   mdb-schema %6.1f MiB\n",
                    qPrintable(QStringLiteral("dump, %1 tables").arg(n)),
                    medianPeakKiB({cli, "dump", sized(n)}) / 1024.0,
                    medianPeakKiB({mdbSchema, sized(n), "postgres"}) / 1024.0);
    std::printf("  %-34s %8.1f MiB\n", "compare 1000 with its changed copy",
                medianPeakKiB({cli, "compare", sized(1000), changed}) / 1024.0);
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("dump.txt"));
    QProcess::execute(cli, {QStringLiteral("dump"), sized(1000), QStringLiteral("-o"), text});
    const double textMiB = QFileInfo(text).size() / 1048576.0;
    std::printf("  the goal for 1000 tables: start + 4 x the dump's %.2f MiB of text = %.1f MiB\n",
                textMiB, start / 1024.0 + 4 * textMiB);
    benchmark::Shutdown();
    return 0;
}
