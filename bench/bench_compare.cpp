// Refresh over large schemas and CmpString over long texts.
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "engine/memory/MemoryBackend.h"
#include "model/KeyedCollection.h"

#include <QHash>
#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

// An in-memory database that finds a table's columns by name at once, so that the benchmark
// measures the engine rather than a back end's search.
struct IndexedDatabase {
    QList<QVariantList> tableRows;
    QHash<QString, QList<QVariantList>> columnRows; // by folded table name
};

QHash<QString, std::shared_ptr<IndexedDatabase>>& databases() {
    static QHash<QString, std::shared_ptr<IndexedDatabase>> all;
    return all;
}

class IndexedSession : public BackendSession {
public:
    explicit IndexedSession(std::shared_ptr<IndexedDatabase> db) : db_(std::move(db)) {}

    std::shared_ptr<Recordset> OpenSchema(qint32 schema, const QVariantList& criteria) override {
        if (schema == adSchemaTables)
            return std::make_shared<Recordset>(
                QStringList{schemacol::TableName, schemacol::TableType}, db_->tableRows);
        if (schema == adSchemaColumns)
            return std::make_shared<Recordset>(
                QStringList{schemacol::TableName, schemacol::ColumnName, schemacol::DataType,
                            schemacol::CharacterMaximumLength, schemacol::IsNullable},
                db_->columnRows.value(FoldKey(CriteriaTableName(criteria))));
        return std::make_shared<Recordset>(
            QStringList{schemacol::TableName, schemacol::ViewDefinition}, QList<QVariantList>());
    }
    void Execute(const QString&) override {}

private:
    std::shared_ptr<IndexedDatabase> db_;
};

class IndexedBackend : public Backend {
public:
    bool Accepts(const QString& dataSource) const override {
        return dataSource.startsWith(QStringLiteral("indexed:"));
    }
    std::unique_ptr<BackendSession> Open(const OpenRequest& request) const override {
        return std::make_unique<IndexedSession>(databases().value(request.dataSource));
    }
};

// Column c of table t; on the secondary side every tenth table has one text column resized.
QVariantList columnRow(const QString& table, int t, int c, bool secondary) {
    static const int types[] = {3, 130, 7, 5, 11, 130, 6, 2, 4, 17};
    const int type = types[c % 10];
    QVariant length;
    if (type == 130)
        length = (secondary && t % 10 == 0 && c == 1) ? 60 : 50;
    return {table, QStringLiteral("Column%1").arg(c, 2, 10, QLatin1Char('0')), type, length,
            c % 3 != 0};
}

QString prepare(int tables, bool secondary) {
    const QString source =
        QStringLiteral("indexed:%1:%2").arg(secondary ? "sec" : "pri").arg(tables);
    if (databases().contains(source))
        return source;
    auto db = std::make_shared<IndexedDatabase>();
    for (int t = 0; t < tables; ++t) {
        const QString name = QStringLiteral("Table%1").arg(t, 5, 10, QLatin1Char('0'));
        db->tableRows.append({name, QStringLiteral("TABLE")});
        QList<QVariantList>& rows = db->columnRows[FoldKey(name)];
        for (int c = 0; c < 20; ++c)
            rows.append(columnRow(name, t, c, secondary));
    }
    databases().insert(source, db);
    return source;
}

void BM_Refresh(benchmark::State& state) {
    static const bool registered = [] {
        BackendRegistry::Instance().Register(std::make_shared<IndexedBackend>());
        return true;
    }();
    (void)registered;
    const int tables = static_cast<int>(state.range(0));
    Engine = std::make_shared<clsEngine>();
    Engine->DbPathPrimary(prepare(tables, false));
    Engine->DbPathSecondary(prepare(tables, true));
    if (!Engine->DbOpen())
        state.SkipWithError("cannot open");
    int different = 0;
    for (auto _ : state) {
        if (!Engine->Refresh())
            state.SkipWithError("Refresh failed");
        different = 0;
        for (const auto& o : *Engine->Tables)
            different += o->Status() == 1;
    }
    state.counters["different"] = different;
    state.SetComplexityN(tables);
    Engine.reset();
}
BENCHMARK(BM_Refresh)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The test back end as it is: it searches all tables for each column query.
void BM_RefreshMemoryBackend(benchmark::State& state) {
    const int tables = static_cast<int>(state.range(0));
    auto pri = MemoryDatabase::Create("bench-pri");
    auto sec = MemoryDatabase::Create("bench-sec");
    for (int t = 0; t < tables; ++t) {
        const QString name = QStringLiteral("Table%1").arg(t, 5, 10, QLatin1Char('0'));
        MemoryTable& p = pri->AddTable(name);
        MemoryTable& s = sec->AddTable(name);
        for (int c = 0; c < 20; ++c) {
            const QVariantList pr = columnRow(name, t, c, false);
            const QVariantList sr = columnRow(name, t, c, true);
            p.Column(pr[1].toString(), pr[2].toInt(), pr[3], pr[4].toBool());
            s.Column(sr[1].toString(), sr[2].toInt(), sr[3], sr[4].toBool());
        }
    }
    Engine = std::make_shared<clsEngine>();
    Engine->DbPathPrimary("memory:bench-pri");
    Engine->DbPathSecondary("memory:bench-sec");
    if (!Engine->DbOpen())
        state.SkipWithError("cannot open");
    for (auto _ : state)
        if (!Engine->Refresh())
            state.SkipWithError("Refresh failed");
    state.SetComplexityN(tables);
    Engine.reset();
    MemoryDatabase::DropAll();
}
BENCHMARK(BM_RefreshMemoryBackend)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// Two CREATE TABLE-like texts of the given size that differ in letter case throughout and in a
// few characters every hundred.
std::pair<QString, QString> texts(qsizetype size) {
    QString src;
    src.reserve(size);
    int line = 0;
    while (src.size() < size)
        src += QStringLiteral("   [Column%1] TEXT(50)  NOT NULL , \r\n").arg(line++);
    src.truncate(size);
    QString tgt = src.toLower();
    for (qsizetype i = 50; i < tgt.size(); i += 100)
        tgt[i] = QLatin1Char('#');
    return {src, tgt};
}

void BM_CmpString(benchmark::State& state) {
    const auto [src, tgt] = texts(state.range(0));
    clsEngine engine;
    for (auto _ : state) {
        engine.CmpString(src, tgt);
        benchmark::DoNotOptimize(engine.PosDiffPri.size());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CmpString)
    ->Arg(10 * 1024)
    ->Arg(100 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
