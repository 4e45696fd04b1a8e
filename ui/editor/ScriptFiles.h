#pragma once

#include <QObject>
#include <QString>

namespace vantor {

class Desktop;
class ScriptWindow;

// Error 75, as the platform reports a file it cannot write, in the design's box: titled
// "Error: 75", its text that line, a line break and what went wrong.
void ShowSaveFailure(Desktop& desktop, const QString& path);

// The file buttons of a script window that stands alone (the shared script window): Open, Save,
// Save As and New act on the window itself, and closing it with unsaved edits asks first.
class ScriptFileCommands : public QObject {
    Q_OBJECT

public:
    ScriptFileCommands(ScriptWindow& window, Desktop& desktop);

    bool open();
    // Saves to the window's file, or asks for one when it has none.
    bool save();
    bool saveAs();
    void startNew();
    // Asks what to do with unsaved edits: false when the user keeps the window open (Cancel,
    // or a save that did not happen).
    bool settleEdits();

private:
    // Asks before edits are replaced; true when they may go.
    bool mayDiscardEdits(const QString& what);
    bool writeTo(const QString& path);

    ScriptWindow& window_;
    Desktop& desktop_;
};

} // namespace vantor
