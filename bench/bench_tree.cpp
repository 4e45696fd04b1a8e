// Rebuilding the navigator's object tree from a large comparison.
#include "engine/Session.h"
#include "engine/snapshot/SnapshotSource.h"
#include "ui/navigator/Navigator.h"

#include "bench/QtBenchMain.h"

#include <QApplication>
#include <array>
#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

// Two schemas of n objects each: mostly tables, one in ten a view, every state present, and
// the system tables that the tree leaves out.
std::array<Schema, 2> fakeSchemas(int n) {
    std::array<Schema, 2> schemas;
    for (int i = 0; i < n; ++i) {
        const QString name = QStringLiteral("Object%1").arg(i, 5, 10, QLatin1Char('0'));
        const int state = i % 4; // equal, different, only primary, only secondary
        for (int side : {0, 1}) {
            if ((state == 2 && side == 1) || (state == 3 && side == 0))
                continue;
            const int size = state == 1 && side == 1 ? 80 : 50;
            if (i % 10 == 0) {
                schemas[side].views.append({name, QStringLiteral("SELECT %1 FROM T").arg(size)});
                continue;
            }
            Table table;
            table.name = name;
            table.kind = i % 97 == 0 ? ObjectKind::SystemTable : ObjectKind::Table;
            Column column;
            column.name = QStringLiteral("Name");
            column.dataType = 130;
            column.maxLength = size;
            table.columns.append(column);
            schemas[side].tables.append(table);
        }
    }
    return schemas;
}

void BM_FillTree(benchmark::State& state) {
    const std::array<Schema, 2> schemas = fakeSchemas(static_cast<int>(state.range(0)));
    Session session([&schemas](const DatabaseLogin& login) {
        return std::make_unique<ScratchSource>(schemas[login.path == QLatin1String("sec")]);
    });
    session.setLogin(Side::Primary, {QStringLiteral("pri"), {}, {}});
    session.setLogin(Side::Secondary, {QStringLiteral("sec"), {}, {}});
    session.refresh();
    Navigator nav(session);
    nav.resize(300, 600);
    nav.show();
    for (auto _ : state) {
        nav.fillTree();
        // Includes laying out and painting the rebuilt tree, as the user would wait for it.
        QApplication::processEvents();
        benchmark::DoNotOptimize(nav.nodes().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillTree)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
