#pragma once

#include "script/BatchRunner.h"

#include <QString>

namespace vantor {

class ScriptEditControl;
class Session;
class Source;

// The editor's lines, read one at a time as the runner asks for them.
class EditorLineSource : public LineSource {
public:
    explicit EditorLineSource(const ScriptEditControl& editor) : editor_(editor) {}
    qint64 LineCount() const override;
    QString Line(qint64 index) const override;

private:
    const ScriptEditControl& editor_;
};

// Runs the editor's script batch by batch against target, leaving the run's marks in the
// editor and a line per batch in the session's log; targetName says there which database it was.
BatchRunResult RunEditorScript(ScriptEditControl& editor, Source* target, const QString& targetName,
                               Session& session);

} // namespace vantor
