#pragma once

#include "model/Kinds.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace vantor {

class Source;

// Where a script's lines come from: the editor in the desktop, a file on the command line.
// Lines are indexed from 0 and read without their line break.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual qint64 LineCount() const = 0;
    virtual QString Line(qint64 index) const = 0;
};

// A script held as text, cut into lines the way an editor shows them: at CR LF, LF or a lone
// CR, and an empty text or a text ending in a line break still has a last, empty line.
class TextLineSource : public LineSource {
public:
    explicit TextLineSource(const QString& text);
    qint64 LineCount() const override { return lines_.size(); }
    QString Line(qint64 index) const override;

private:
    QStringList lines_;
};

// One batch of a run: the lines it was collected from (indexes from 0; an empty batch between
// two separator lines has LastLine() == FirstLine() - 1) and whether it went to the database.
struct ScriptBatch {
    qint64 number = 0; // 1-based, counting skipped batches too
    qint64 firstLine = 0;
    qint64 lastLine = -1;
    QString text; // each line followed by CR LF, the separator and comment lines left out
    bool executed = false;
};

struct BatchFailure {
    ScriptBatch batch; // the batch being collected or run when the run ended
    qint32 number = 0;
    QString description; // for a provider error, the provider's own text
};

struct BatchRunResult {
    std::vector<ScriptBatch> batches; // every batch that completed, executed or skipped
    std::optional<BatchFailure> failure;
    // The run was stopped on request before the batch after the last one listed was sent.
    bool stopped = false;
    bool Succeeded() const { return !failure.has_value() && !stopped; }
};

// What a front end sees of a run while it goes. The editor maps the two line marks onto its
// own markers: MarkCurrentLine is the editor's mark 56, MarkStartLine its mark 83, and
// NextBookmark its command 206.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    virtual void MarkCurrentLine(qint64 line) { Q_UNUSED(line); }
    virtual void MarkStartLine(qint64 line) { Q_UNUSED(line); }
    virtual void NextBookmark() {}
    virtual void BatchStarting(const ScriptBatch& batch) { Q_UNUSED(batch); }
    virtual void BatchFinished(const ScriptBatch& batch) { Q_UNUSED(batch); }
};

// Cuts a script at lines that read "GO" (any letter case, blanks around it) and sends each
// batch longer than ten characters to the target in order; the first error ends the run and
// earlier batches stay applied, as nothing wraps them in a transaction. Comment lines are left
// out of what is sent, since Jet refuses a comment inside a statement.
class BatchRunner {
public:
    // A missing target fails at the first batch that would be sent, with error 91. A requested
    // stop is heeded between batches, never inside one.
    BatchRunResult Run(const LineSource& script, Source* target, BatchObserver* observer = nullptr,
                       const std::stop_token& stop = {}) const;

    static bool IsSeparator(const QString& line);
    // A line whose first characters after blanks and tabs are "--".
    static bool IsComment(const QString& line);
    // The length test counts the CR LF pairs and ignores blanks (only blanks) at both ends.
    static bool IsWorthSending(const QString& batchText);
};

// The side the editor's target field names, read as the platform reads numbers from text: 0
// (and anything that does not start with a number) aims at the primary database.
Side TargetSide(const QString& oneOrTwo);

} // namespace vantor
