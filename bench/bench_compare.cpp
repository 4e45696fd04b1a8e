// Comparing large schemas, alone and through a session, and marking long texts.
#include "engine/Compare.h"
#include "engine/Session.h"

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
