// Jet DDL against a large schema snapshot: each Execute must be on disk when it returns, so the
// cost per statement is the apply, the serialisation and one durable file replacement.
#include "engine/SnapshotJson.h"
#include "engine/Source.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/SnapshotSource.h"
#include "engine/snapshot/SnapshotWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

constexpr int kTables = 1000;
constexpr int kBatches = 1000;

Schema largeSchema() {
    Schema s;
    for (int t = 0; t < kTables; ++t) {
        ApplyJetDdl(s, QStringLiteral("CREATE TABLE [Table %1] ([ID] COUNTER PRIMARY KEY, "
                                      "[Name] TEXT(50) NOT NULL, [Notes] MEMO, [Amount] CURRENCY, "
                                      "[Created] DATETIME, [Active] YESNO, [Ratio] DOUBLE, "
                                      "[Code] TEXT(10))")
                           .arg(t));
    }
    for (int v = 0; v < kTables / 10; ++v)
        ApplyJetDdl(s, QStringLiteral("CREATE VIEW [View %1] AS SELECT * FROM [Table %1];").arg(v));
    return s;
}

// The batches a sync script sends, spread over the tables: add, alter and drop a column, and
// drop and re-create a view.
QString batch(int i) {
    int table = i % kTables;
    switch (i % 4) {
    case 0:
        return QStringLiteral("ALTER TABLE [Table %1]\r\n ADD \r\n   [Extra %2] TEXT(40)  \r\n")
            .arg(table)
            .arg(i);
    case 1:
        return QStringLiteral("ALTER TABLE [Table %1]\r\n ALTER COLUMN \r\n  [Code] TEXT(20) "
                              "NOT NULL \r\n")
            .arg(table);
    case 2:
        return QStringLiteral("ALTER TABLE [Table %1]\r\n DROP COLUMN \r\n   [Ratio]\r\n")
            .arg(table);
    default:
        return QStringLiteral("CREATE TABLE [New %1]\r\n(   [ID] INTEGER,\r\n   [Name] TEXT(50)  "
                              "\r\n)\r\n")
            .arg(i);
    }
}

void runBatches(benchmark::State& state, const QString& folder) {
    QTemporaryDir dir(folder + QStringLiteral("/vantor-bench-XXXXXX"));
    QString path = dir.filePath(QStringLiteral("large.json"));
    Schema schema = largeSchema();
    state.counters["file_bytes"] = static_cast<double>(WriteSnapshotJson(schema).size());
    for (auto _ : state) {
        state.PauseTiming();
        SaveSnapshot(schema, path);
        std::unique_ptr<Source> snapshot = OpenDatabaseFile({path, {}, {}});
        state.ResumeTiming();
        for (int i = 0; i < kBatches; ++i)
            snapshot->execute(batch(i));
    }
    state.SetItemsProcessed(state.iterations() * kBatches);
}

void BM_ThousandBatchesOnDisk(benchmark::State& state) {
    runBatches(state, QDir::tempPath());
}

// The same on a memory file system shows what the disk's flush costs.
void BM_ThousandBatchesInMemoryFs(benchmark::State& state) {
    runBatches(state, QStringLiteral("/dev/shm"));
}

void BM_SerialiseWholeSchema(benchmark::State& state) {
    Schema schema = largeSchema();
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteSnapshotJson(schema));
}

void BM_SerialiseAfterOneStatement(benchmark::State& state) {
    Schema schema = largeSchema();
    SnapshotWriter writer;
    writer.Write(schema);
    int i = 0;
    for (auto _ : state) {
        ApplyJetDdl(schema, batch(i++ * 4)); // adds a column to the next table each time
        benchmark::DoNotOptimize(writer.Write(schema));
    }
}

void BM_ApplyOneStatement(benchmark::State& state) {
    Schema schema = largeSchema();
    int i = 0;
    for (auto _ : state)
        ApplyJetDdl(schema, batch(i++ * 4)); // adds a column to the next table each time
}

} // namespace

BENCHMARK(BM_ThousandBatchesOnDisk)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ThousandBatchesInMemoryFs)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SerialiseWholeSchema)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerialiseAfterOneStatement)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyOneStatement)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
