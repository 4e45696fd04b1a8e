#pragma once

#include "script/AccessFileRun.h"
#include "script/BatchRunner.h"
#include "script/CopyVerification.h"

#include <QString>
#include <functional>

namespace vantor {

class ScriptEditControl;
class Session;
class Source;

// The editor's lines as they stood when a run started, so that the run reads no widget from
// its own thread.
class EditorLines : public LineSource {
public:
    explicit EditorLines(const ScriptEditControl& editor);
    qint64 LineCount() const override { return lines_.size(); }
    QString Line(qint64 index) const override { return lines_.at(index); }

private:
    QStringList lines_;
};

// Runs the editor's script batch by batch against target in the session's background, leaving
// the run's marks in the editor and a line per batch in the session's log; targetName says
// there which database it was. finished hears the outcome on the editor's thread. False, with
// nothing started, while the session is busy with other work. The editor must stay until the
// session's work has ended (cancel and wait for it before closing the editor).
bool StartEditorRun(ScriptEditControl& editor, Source* target, const QString& targetName,
                    Session& session, std::function<void(const BatchRunResult&)> finished);

// Runs the editor's script on the Access file at path in the session's background as `run --on`
// does: a copy is changed, proven and put in the file's place, keeping the original beside it.
// The steps show as the session's progress and log lines, the session's cancel stops the run
// between batches, and the batches that ran are marked once it ends; finished hears the report on
// the editor's thread. False, with nothing started, while the session is busy. The editor must
// stay until the session's work has ended.
bool StartEditorAccessRun(ScriptEditControl& editor, const QString& path, const QString& targetName,
                          Session& session, std::function<void(const AccessRunReport&)> finished);

// Tries the editor's script on a copy of the Access file at path, the target side of the
// session's comparison, in the session's background, and compares the changed copy with the
// other side; the file is only read. Progress, log and cancel as for StartEditorAccessRun; the
// comparison must stay as it is until finished hears the verdict on the editor's thread.
bool StartEditorCopyVerification(ScriptEditControl& editor, Side target, const QString& path,
                                 Session& session,
                                 std::function<void(const CopyVerification&)> finished);

} // namespace vantor
