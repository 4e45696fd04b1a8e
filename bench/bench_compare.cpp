// Comparing large schemas, alone and through a session, the sync script of a large comparison,
// and marking long texts.
#include "engine/Compare.h"
#include "engine/Session.h"
#include "script/SyncScript.h"

#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

// Column c of table t; on the secondary side every tenth table has one text column resized.
Column column(int t, int c, bool secondary) {
    static const int types[] = {3, 130, 7, 5, 11, 130, 6, 2, 4, 17};
    Column col;
    col.name = QStringLiteral("Column%1").arg(c, 2, 10, QLatin1Char('0'));
    col.dataType = types[c % 10];
    if (col.dataType == 130)
        col.maxLength = (secondary && t % 10 == 0 && c == 1) ? 60 : 50;
    col.nullable = c % 3 != 0;
    col.ordinal = c + 1;
    return col;
}

// A schema of the given number of tables with twenty columns each.
std::shared_ptr<const Schema> schemaOf(int tables, bool secondary) {
    auto schema = std::make_shared<Schema>();
    schema->tables.reserve(tables);
    for (int t = 0; t < tables; ++t) {
        Table table;
        table.name = QStringLiteral("Table%1").arg(t, 5, 10, QLatin1Char('0'));
        for (int c = 0; c < 20; ++c)
            table.columns.append(column(t, c, secondary));
        schema->tables.append(table);
    }
    return schema;
}

void BM_Compare(benchmark::State& state) {
    const int tables = static_cast<int>(state.range(0));
    const auto primary = schemaOf(tables, false);
    const auto secondary = schemaOf(tables, true);
    std::array<int, 4> counts{};
    for (auto _ : state)
        counts = Compare(primary, secondary).countsByState();
    state.counters["different"] = counts[static_cast<size_t>(ObjectState::Different)];
    state.SetComplexityN(tables);
}
BENCHMARK(BM_Compare)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The schema of schemaOf with three indexes on each table (the primary key, one unique, one
// plain), a relationship from two tables in every five to the table before them (2,000 in 5,000
// tables), and a caption and description on every eighth table's
// first fields. On the secondary side every tenth table's plain index is unique and every tenth
// relationship cascades deletes.
std::shared_ptr<const Schema> wholeSchemaOf(int tables, bool secondary) {
    auto schema = std::make_shared<Schema>(*schemaOf(tables, secondary));
    for (int t = 0; t < tables; ++t) {
        Table& table = schema->tables[t];
        Index key;
        key.name = QStringLiteral("PrimaryKey");
        key.columns = {{table.columns[0].name, false}};
        key.primary = key.unique = key.required = true;
        Index unique;
        unique.name = QStringLiteral("ByColumn01");
        unique.columns = {{table.columns[1].name, false}, {table.columns[2].name, true}};
        unique.unique = true;
        Index plain;
        plain.name = QStringLiteral("ByColumn03");
        plain.columns = {{table.columns[3].name, false}};
        plain.unique = secondary && t % 10 == 0;
        table.indexes = {key, unique, plain};
        if (t % 8 == 0) {
            table.description = QStringLiteral("Table number %1").arg(t);
            table.columns[1].caption = QStringLiteral("Name");
        }
    }
    for (int t = 1, made = 0; t < tables; ++t) {
        if (t % 5 != 1 && t % 5 != 2)
            continue;
        Relationship r;
        r.name = QStringLiteral("Link%1").arg(t, 5, 10, QLatin1Char('0'));
        r.table = schema->tables[t].name;
        r.referencedTable = schema->tables[t - 1].name;
        r.columns = {{QStringLiteral("Column00"), QStringLiteral("Column00")}};
        r.enforced = true;
        r.cascadeDelete = secondary && made % 10 == 0;
        schema->relationships.append(r);
        ++made;
    }
    return schema;
}

void BM_CompareWholeSchema(benchmark::State& state) {
    const int tables = static_cast<int>(state.range(0));
    const auto primary = wholeSchemaOf(tables, false);
    const auto secondary = wholeSchemaOf(tables, true);
    std::array<int, 4> counts{};
    size_t objects = 0;
    for (auto _ : state) {
        const Diff diff = Compare(primary, secondary);
        counts = diff.countsByState();
        objects = diff.entries.size();
    }
    state.counters["objects"] = static_cast<double>(objects);
    state.counters["relationships"] = static_cast<double>(primary->relationships.size());
    state.counters["different"] = counts[static_cast<size_t>(ObjectState::Different)];
    state.SetComplexityN(tables);
}
BENCHMARK(BM_CompareWholeSchema)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The sync script of the same pair: every tenth table's index and relationship made again, with
// the relationships in the way of the index dropped and added back.
void BM_SyncScriptWholeSchema(benchmark::State& state) {
    const int tables = static_cast<int>(state.range(0));
    const Diff diff = Compare(wholeSchemaOf(tables, false), wholeSchemaOf(tables, true));
    size_t steps = 0;
    for (auto _ : state)
        steps = BuildSyncScript(diff, Side::Secondary).steps.size();
    state.counters["steps"] = static_cast<double>(steps);
    state.SetComplexityN(tables);
}
BENCHMARK(BM_SyncScriptWholeSchema)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// A database held in memory, so that the session's own work is what is measured.
class HeldSource : public Source {
public:
    explicit HeldSource(std::shared_ptr<const Schema> schema) : schema_(std::move(schema)) {}
    void execute(const QString&) override {}

protected:
    Schema load() override { return *schema_; }

private:
    std::shared_ptr<const Schema> schema_;
};

// A refresh as the desktop runs it: both sides opened and read, compared, progress signalled.
void BM_SessionRefresh(benchmark::State& state) {
    const int tables = static_cast<int>(state.range(0));
    const auto primary = schemaOf(tables, false);
    const auto secondary = schemaOf(tables, true);
    Session session([&](const DatabaseLogin& login) -> std::unique_ptr<Source> {
        return std::make_unique<HeldSource>(login.path == QLatin1String("p") ? primary : secondary);
    });
    session.setLogin(Side::Primary, {QStringLiteral("p"), {}, {}});
    session.setLogin(Side::Secondary, {QStringLiteral("s"), {}, {}});
    qint64 signals = 0;
    QObject::connect(&session, &Session::progressed, [&signals] { ++signals; });
    for (auto _ : state)
        session.refresh();
    state.counters["progress_signals"] = static_cast<double>(signals) / state.iterations();
    state.SetComplexityN(tables);
}
BENCHMARK(BM_SessionRefresh)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Two CREATE TABLE-like texts of the given size that differ in one line of every fifty.
std::pair<QString, QString> texts(qsizetype size) {
    QString src;
    QString tgt;
    src.reserve(size);
    tgt.reserve(size);
    for (int line = 0; src.size() < size; ++line) {
        const QString text = QStringLiteral("   [Column%1] TEXT(50)  NOT NULL , \r\n").arg(line);
        src += text;
        tgt += line % 50 == 7 ? QString(text).replace(QStringLiteral("50"), QStringLiteral("80"))
                              : text;
    }
    return {src, tgt};
}

void BM_MarkDifferingText(benchmark::State& state) {
    const auto [src, tgt] = texts(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(MarkDifferingText(src, tgt).first.size());
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MarkDifferingText)
    ->Arg(10 * 1024)
    ->Arg(100 * 1024)
    ->Arg(1024 * 1024)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
