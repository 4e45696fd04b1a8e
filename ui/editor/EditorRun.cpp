#include "ui/editor/EditorRun.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"

#include <QApplication>
#include <algorithm>

namespace vantor {

namespace {

// The runner's marks become the editor's markers; the window repaints between batches so
// that a long run shows how far it has come.
class EditorMarks : public BatchObserver {
public:
    EditorMarks(ScriptEditControl& editor, Session& session)
        : editor_(editor), session_(session), bookmarks_(editor.Bookmarks()) {}

    void MarkCurrentLine(qint64 line) override { editor_.MarkRunLine(line); }
    void MarkStartLine(qint64 line) override { editor_.MarkStartLine(line); }
    // The editor's own search scans every line; once per batch that would make long scripts
    // take quadratic time, so the run looks the bookmarks up in the list taken at its start.
    void NextBookmark() override {
        if (bookmarks_.isEmpty())
            return;
        const qint64 caret = editor_.CaretLine();
        auto next = std::upper_bound(bookmarks_.cbegin(), bookmarks_.cend(), caret);
        editor_.GoToLine(next == bookmarks_.cend() ? bookmarks_.first() : *next);
    }
    void BatchFinished(const ScriptBatch& batch) override {
        if (batch.executed)
            session_.log(QStringLiteral("Batch %1 (lines %2-%3) executed.")
                             .arg(batch.number)
                             .arg(batch.firstLine + 1)
                             .arg(batch.lastLine + 1));
        // Repaint only: a click or key now would start a command in the middle of the run.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    ScriptEditControl& editor_;
    Session& session_;
    const QList<qint64> bookmarks_;
};

QString firstLineOf(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype end = trimmed.indexOf(QLatin1Char('\r'));
    return end < 0 ? trimmed : trimmed.left(end);
}

} // namespace

qint64 EditorLineSource::LineCount() const {
    return editor_.LineCount();
}

QString EditorLineSource::Line(qint64 index) const {
    return editor_.LineText(index);
}

BatchRunResult RunEditorScript(ScriptEditControl& editor, Source* target, const QString& targetName,
                               Session& session) {
    session.log(QStringLiteral("Running the script on %1").arg(targetName));
    editor.ClearRunMarks();
    EditorMarks marks(editor, session);
    BatchRunResult result = BatchRunner().Run(EditorLineSource(editor), target, &marks);
    qint64 executed = 0;
    for (const ScriptBatch& batch : result.batches)
        executed += batch.executed ? 1 : 0;
    if (result.failure) {
        const ScriptBatch& failed = result.failure->batch;
        session.log(QStringLiteral("Batch %1 (line %2: %3) failed: %4")
                        .arg(failed.number)
                        .arg(failed.firstLine + 1)
                        .arg(firstLineOf(failed.text), result.failure->description));
        session.log(QStringLiteral("Script stopped: %1 of its batches were executed before the "
                                   "error and stay applied.")
                        .arg(executed));
    } else {
        session.log(QStringLiteral("Script finished: %1 batches executed, %2 skipped.")
                        .arg(executed)
                        .arg(static_cast<qint64>(result.batches.size()) - executed));
    }
    return result;
}

} // namespace vantor
