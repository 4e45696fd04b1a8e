// Rebuilding the navigator's object tree from a large comparison.
#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "ui/compare/frmCompare.h"
#include "ui/navigator/frmNav.h"

#include "bench/QtBenchMain.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

// A comparison of n objects: mostly tables, one in ten a view, every state present, and the
// system tables that the tree leaves out.
void fakeComparison(int n) {
    Engine = std::make_shared<clsEngine>();
    auto all = std::make_shared<clsObjects>();
    for (int i = 0; i < n; ++i) {
        auto object = std::make_shared<clsObject>();
        QString type = i % 10 == 0   ? QStringLiteral("VIEW")
                       : i % 97 == 0 ? QStringLiteral("SYSTEM TABLE")
                                     : QStringLiteral("TABLE");
        QString name = QStringLiteral("Object%1").arg(i, 5, 10, QLatin1Char('0'));
        object->xType(type);
        object->Parent(QLatin1Char(':') + type);
        object->Obj_Name(name);
        object->Obj_Key(QLatin1Char(':') + name);
        object->Status(static_cast<qint16>(i % 4));
        all->Add(object, object->Obj_Key());
    }
    Engine->Tables = all;
    Engine->TablesPri = all;
}

void BM_FillTvObjects(benchmark::State& state) {
    fakeComparison(static_cast<int>(state.range(0)));
    frmCompare compare;
    frmNav nav(&compare);
    nav.resize(300, 600);
    nav.show();
    for (auto _ : state) {
        nav.Fill_TvObjects();
        // Includes laying out and painting the rebuilt tree, as the user would wait for it.
        QApplication::processEvents();
        benchmark::DoNotOptimize(nav.Nodes().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    ResetGlobals();
}
BENCHMARK(BM_FillTvObjects)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
