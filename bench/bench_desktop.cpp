// The desktop's script and file work at sizes users reach: walking a long script through the
// editor, running a script of many statements on a snapshot, and listing a large folder; and
// comparing two 1,000-table Access files: connecting, comparing and filling the tree, then
// scrolling the tree and switching the comparison window from object to object.
#include "engine/Session.h"
#include "ui/compare/CompareView.h"
#include "ui/editor/EditorRun.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/navigator/FolderPanel.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/Desktop.h"

#include "bench/QtBenchMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

using namespace vantor;

namespace {

// A run from start to end, the editor's marks included, as the user waits for it.
BatchRunResult runToEnd(ScriptEditControl& editor, Source* target, Session& session) {
    BatchRunResult out;
    StartEditorRun(editor, target, QStringLiteral("the bench"), session,
                   [&out](const BatchRunResult& result) { out = result; });
    session.waitForWork();
    return out;
}

// A script of n lines in which every batch is too short to send: the cost is the editor's.
void BM_WalkScriptInEditor(benchmark::State& state) {
    QString script;
    for (int i = 0; i < state.range(0) / 2; ++i)
        script += QStringLiteral("-- %1\r\nGO\r\n").arg(i % 1000);
    ScriptEditControl editor;
    editor.Text(script);
    // As a script window prepares it: a bookmark on the first line, which the run follows.
    editor.ExecuteCmd(ScriptEditControl::ToggleBookmark);
    Session session;
    for (auto _ : state) {
        BatchRunResult result = runToEnd(editor, nullptr, session);
        benchmark::DoNotOptimize(result.batches.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WalkScriptInEditor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// n CREATE TABLE batches on a copy of the example snapshot, each written to the file at once.
void BM_RunScriptOnSnapshot(benchmark::State& state) {
    QString script;
    for (int i = 0; i < state.range(0); ++i)
        script += QStringLiteral("CREATE TABLE [Bench %1] (A int, B text(20))\r\nGO\r\n").arg(i);
    ScriptEditControl editor;
    editor.Text(script);
    Session session;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("db.json"));
        QFile::copy(QStringLiteral(VANTOR_SOURCE_DIR "/examples/orders-v1.json"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        std::unique_ptr<Source> target = OpenDatabaseFile({path, {}, {}});
        state.ResumeTiming();
        BatchRunResult result = runToEnd(editor, target.get(), session);
        if (!result.Succeeded())
            state.SkipWithError(qPrintable(result.failure->description));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RunScriptOnSnapshot)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// The Folders tab listing a folder of n files with their icons.
void BM_ListFolder(benchmark::State& state) {
    QTemporaryDir dir;
    for (int i = 0; i < state.range(0); ++i) {
        QFile file(dir.filePath(QStringLiteral("script%1.%2").arg(i).arg(i % 3 ? "sql" : "txt")));
        file.open(QIODevice::WriteOnly);
    }
    FolderPanel panel;
    for (auto _ : state) {
        panel.files->clear();
        panel.listFiles(dir.path());
        benchmark::DoNotOptimize(panel.files->topLevelItemCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListFolder)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

// The large files of bench/make-large-files.sh, from $VANTOR_LARGE_FILES or /tmp/vantor-large.
QString largeFile(const char* name) {
    const QString folder = qEnvironmentVariable("VANTOR_LARGE_FILES");
    return QDir(folder.isEmpty() ? QStringLiteral("/tmp/vantor-large") : folder)
        .filePath(QLatin1String(name));
}

// A desktop that answers nothing: the benchmarks ask the user no questions.
class QuietDesktop : public Desktop {
public:
    int MsgBox(const QString&, int, const QString&) override { return mb::OK; }
    QString OpenFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return {}; }
    bool OpenUrl(const QUrl&) override { return false; }
};

// The main window's parts for two large files, compared once.
struct LargeComparison {
    Session session;
    QuietDesktop desktop;
    Navigator nav{session};
    CompareView compare{session, desktop};

    // False, with the reason given to state, when the files are missing or do not compare.
    bool Start(benchmark::State& state) {
        const QString primary = largeFile("large-1000.accdb");
        const QString secondary = largeFile("large-1000-changed.accdb");
        if (!QFileInfo(primary).isFile() || !QFileInfo(secondary).isFile()) {
            state.SkipWithError("the large files are missing: bench/make-large-files.sh");
            return false;
        }
        QObject::connect(&nav, &Navigator::objectActivated, &compare, &CompareView::showObject);
        nav.resize(300, 700);
        nav.show();
        compare.resize(900, 700);
        compare.show();
        if (!session.startCompare({primary, {}, {}}, {secondary, {}, {}}))
            return false;
        session.waitForWork();
        QApplication::processEvents();
        if (!session.diff()) {
            state.SkipWithError("the large files did not compare");
            return false;
        }
        return true;
    }
};

// Connecting to two 1,000-table files, reading and comparing them off the user's thread, and
// filling the tree, painted, as the connect dialog's OK starts it.
void BM_ConnectCompareAndFillTreeLarge(benchmark::State& state) {
    LargeComparison c;
    if (!c.Start(state))
        return;
    for (auto _ : state) {
        c.session.startRefresh();
        c.session.waitForWork();
        QApplication::processEvents();
        benchmark::DoNotOptimize(c.nav.nodes().size());
    }
}
BENCHMARK(BM_ConnectCompareAndFillTreeLarge)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One step of the tree's scroll bar, painted: the time per step of scrolling through all of it.
void BM_ScrollTreeLarge(benchmark::State& state) {
    LargeComparison c;
    if (!c.Start(state))
        return;
    QScrollBar* bar = c.nav.objectTree()->verticalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        c.nav.objectTree()->viewport()->repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollTreeLarge)->Unit(benchmark::kMicrosecond);

// Showing the next object of the tree in the comparison window, its definitions marked.
void BM_SwitchObjectLarge(benchmark::State& state) {
    LargeComparison c;
    if (!c.Start(state))
        return;
    const Diff* diff = c.session.diff();
    QStringList names;
    for (const DiffEntry& entry : diff->entries)
        if (!IsSystemKind(entry.kind))
            names << entry.name;
    qsizetype at = 0;
    for (auto _ : state) {
        c.compare.showObject(names[at]);
        c.compare.repaint();
        QApplication::processEvents();
        at = (at + 1) % names.size();
    }
}
BENCHMARK(BM_SwitchObjectLarge)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
