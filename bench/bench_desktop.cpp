// The desktop's script and file work at sizes users reach: walking a long script through the
// editor, running a script of many statements on a snapshot, and listing a large folder.
#include "engine/Session.h"
#include "ui/editor/EditorRun.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/navigator/FolderPanel.h"

#include "bench/QtBenchMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
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

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
