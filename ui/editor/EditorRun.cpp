#include "ui/editor/EditorRun.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"

#include <QMetaObject>
#include <algorithm>
#include <memory>

namespace vantor {

namespace {

// The runner's marks become the editor's markers. The runner calls from its own thread, so
// each mark is handed to the editor's thread; the editor outlives the run (see StartEditorRun).
class EditorMarks : public BatchObserver {
public:
    EditorMarks(ScriptEditControl& editor, Session& session)
        : editor_(editor), session_(session), bookmarks_(editor.Bookmarks()),
          caret_(editor.CaretLine()) {}

    // The runner marks a batch's line before it knows whether the batch is sent; the marker
    // goes on only once the batch has run, so a skipped batch is never shown as run.
    void MarkCurrentLine(qint64 line) override { Q_UNUSED(line); }
    void MarkStartLine(qint64 line) override {
        onEditor([line](ScriptEditControl& e) { e.MarkStartLine(line); });
    }
    // The editor's own search scans every line; once per batch that would make long scripts
    // take quadratic time, so the run looks the bookmarks up in the list taken at its start.
    void NextBookmark() override {
        if (bookmarks_.isEmpty())
            return;
        auto next = std::upper_bound(bookmarks_.cbegin(), bookmarks_.cend(), caret_);
        caret_ = next == bookmarks_.cend() ? bookmarks_.first() : *next;
        onEditor([line = caret_](ScriptEditControl& e) { e.GoToLine(line); });
    }
    void BatchFinished(const ScriptBatch& batch) override {
        if (!batch.executed)
            return;
        onEditor([line = batch.firstLine](ScriptEditControl& e) { e.MarkRunLine(line); });
        session_.log(QStringLiteral("Batch %1 (lines %2-%3) executed.")
                         .arg(batch.number)
                         .arg(batch.firstLine + 1)
                         .arg(batch.lastLine + 1));
    }

private:
    template <typename Change> void onEditor(Change change) {
        ScriptEditControl* editor = &editor_;
        QMetaObject::invokeMethod(
            editor, [editor, change] { change(*editor); }, Qt::QueuedConnection);
    }

    ScriptEditControl& editor_;
    Session& session_;
    const QList<qint64> bookmarks_;
    qint64 caret_;
};

QString firstLineOf(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype end = trimmed.indexOf(QLatin1Char('\r'));
    return end < 0 ? trimmed : trimmed.left(end);
}

void logOutcome(const BatchRunResult& result, Session& session) {
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
    } else if (result.stopped) {
        session.log(QStringLiteral("Script cancelled: %1 of its batches were executed before it "
                                   "stopped and stay applied.")
                        .arg(executed));
    } else {
        session.log(QStringLiteral("Script finished: %1 batches executed, %2 skipped.")
                        .arg(executed)
                        .arg(static_cast<qint64>(result.batches.size()) - executed));
    }
}

// Each step of a run on an Access file is a caption of the wait window and a line of the log.
AccessRunOptions runOptions(Session& session, const std::stop_token& stop) {
    AccessRunOptions options = DefaultAccessRunOptions();
    options.stop = stop;
    Session* said = &session;
    options.progress = [said, step = 0](const QString& line) mutable {
        step = step >= 90 ? 1 : step + 1;
        said->log(line);
        Q_EMIT said->progressed(line, step);
    };
    return options;
}

// The batches that ran on the file, marked and logged as a run on any database marks them.
void markBatches(const BatchRunResult& result, ScriptEditControl& editor, Session& session) {
    for (const ScriptBatch& batch : result.batches) {
        if (!batch.executed)
            continue;
        editor.MarkRunLine(batch.firstLine);
        session.log(QStringLiteral("Batch %1 (lines %2-%3) executed.")
                        .arg(batch.number)
                        .arg(batch.firstLine + 1)
                        .arg(batch.lastLine + 1));
    }
}

} // namespace

EditorLines::EditorLines(const ScriptEditControl& editor) {
    const qint64 count = editor.LineCount();
    lines_.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        lines_ << editor.LineText(i);
}

bool StartEditorRun(ScriptEditControl& editor, Source* target, const QString& targetName,
                    Session& session, std::function<void(const BatchRunResult&)> finished) {
    if (session.isBusy())
        return false;
    session.log(QStringLiteral("Running the script on %1").arg(targetName));
    editor.ClearRunMarks();
    auto lines = std::make_shared<const EditorLines>(editor);
    auto marks = std::make_shared<EditorMarks>(editor, session);
    auto result = std::make_shared<BatchRunResult>();
    return session.runInBackground(
        [lines, marks, result, target](const std::stop_token& stop) {
            *result = BatchRunner().Run(*lines, target, marks.get(), stop);
        },
        [result, &session, finished = std::move(finished)] {
            logOutcome(*result, session);
            finished(*result);
        });
}

} // namespace vantor

namespace vantor {

bool StartEditorAccessRun(ScriptEditControl& editor, const QString& path, const QString& targetName,
                          Session& session, std::function<void(const AccessRunReport&)> finished) {
    if (session.isBusy())
        return false;
    session.log(QStringLiteral("Running the script on %1").arg(targetName));
    editor.ClearRunMarks();
    editor.MarkStartLine(0);
    auto lines = std::make_shared<const EditorLines>(editor);
    auto report = std::make_shared<AccessRunReport>();
    Session* said = &session;
    return session.runInBackground(
        [lines, report, path, said](const std::stop_token& stop) {
            *report = ReportedAccessRun(*lines, path, runOptions(*said, stop));
        },
        [report, &editor, &session, targetName, finished = std::move(finished)] {
            markBatches(report->run, editor, session);
            if (report->leftAsItWas)
                session.log(QStringLiteral("The script did not run on %1: %2")
                                .arg(targetName, *report->leftAsItWas));
            else
                logOutcome(report->run, session);
            finished(*report);
        });
}

bool StartEditorCopyVerification(ScriptEditControl& editor, Side target, const QString& path,
                                 Session& session,
                                 std::function<void(const CopyVerification&)> finished) {
    const Diff* diff = session.diff();
    if (session.isBusy() || !diff)
        return false;
    session.log(QStringLiteral("Trying the script on a copy of %1").arg(path));
    auto lines = std::make_shared<const EditorLines>(editor);
    auto verdict = std::make_shared<CopyVerification>();
    Session* said = &session;
    return session.runInBackground(
        [lines, verdict, diff, target, path, said](const std::stop_token& stop) {
            *verdict = VerifyScriptOnCopy(*lines, *diff, target, path, runOptions(*said, stop));
        },
        [verdict, &session, finished = std::move(finished)] {
            session.log(CopyVerificationSummary(*verdict).split(QLatin1Char('\n')).first());
            finished(*verdict);
        });
}

} // namespace vantor
