#pragma once

#include "script/BatchRunner.h"

#include <QString>
#include <memory>

namespace vantor {

class Connection;
class ScriptEditControl;

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
// editor and a line per batch in the log; targetName says in the log which database it was.
BatchRunResult RunEditorScript(ScriptEditControl& editor, const std::shared_ptr<Connection>& target,
                               const QString& targetName);

} // namespace vantor
