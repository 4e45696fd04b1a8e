#pragma once

#include "ui/editor/QsciHeaders.h"
#include <QString>

namespace vantor {

// The code editor of a script window: SQL highlighting, line numbers, a bookmark margin, and
// the operations the script window and the runner use, with line indexes counted from 0.
class ScriptEditControl : public QsciScintilla {
    Q_OBJECT

public:
    // Editor command numbers for the bookmarks.
    enum Command {
        ToggleBookmark = 204,
        PreviousBookmark = 205,
        NextBookmark = 206,
        ClearBookmarks = 207
    };

    explicit ScriptEditControl(QWidget* parent = nullptr);

    QString Text() const;
    void Text(const QString& text);
    // Reads a script file into text; an empty answer when that worked, else why not.
    static QString ReadScriptFile(const QString& path, QString& text);
    // Writes the text to the file atomically; false (file unchanged) when that fails.
    bool SaveFile(const QString& path) const;

    qint64 LineCount() const;
    // The line without its line break; an index outside the text raises error 5.
    QString LineText(qint64 line) const;

    // Runs one of the bookmark commands; other numbers do nothing.
    void ExecuteCmd(int command);
    bool HasBookmark(qint64 line) const;
    QList<qint64> Bookmarks() const;

    // The two marks a run leaves: where it has come to, and where it started.
    void MarkRunLine(qint64 line);
    void MarkStartLine(qint64 line);
    void ClearRunMarks();
    bool HasRunMark(qint64 line) const;
    bool HasStartMark(qint64 line) const;
    qint64 CaretLine() const;
    // Puts the caret at the start of the line and scrolls it into view.
    void GoToLine(qint64 line);

private:
    QList<qint64> linesWithMarker(int marker) const;

    int bookmarkMarker_ = 0;
    int runMarker_ = 1;
    int startMarker_ = 2;
};

} // namespace vantor
