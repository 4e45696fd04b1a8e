#include "ui/editor/ScriptFiles.h"

#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/SaveGuard.h"

#include <QComboBox>
#include <QFileInfo>

namespace vantor {

namespace {

const QString kScriptFilter =
    QStringLiteral("SQL Files (*.sql);;Text Files (*.txt);;All Files (*)");

} // namespace

void ShowSaveFailure(Desktop& desktop, const QString& path) {
    const QString title = QStringLiteral("Error: 75");
    desktop.MsgBox(title + QStringLiteral("\nThe script could not be saved to %1. Check that the "
                                          "folder exists and that you may write there.")
                               .arg(path),
                   mb::Critical, title);
}

ScriptFileCommands::ScriptFileCommands(ScriptWindow& window, Desktop& desktop)
    : QObject(&window), window_(window), desktop_(desktop) {
    connect(&window_, &ScriptWindow::openRequested, this, &ScriptFileCommands::open);
    connect(&window_, &ScriptWindow::saveRequested, this, &ScriptFileCommands::save);
    connect(&window_, &ScriptWindow::saveAsRequested, this, &ScriptFileCommands::saveAs);
    connect(&window_, &ScriptWindow::newRequested, this, &ScriptFileCommands::startNew);
}

bool ScriptFileCommands::mayDiscardEdits(const QString& what) {
    return !window_.isChanged() ||
           desktop_.MsgBox(QStringLiteral("The script has changes that are not saved. %1 and lose "
                                          "them?")
                               .arg(what),
                           mb::YesNo | mb::Question, QStringLiteral("Unsaved changes")) == mb::Yes;
}

bool ScriptFileCommands::open() {
    if (!mayDiscardEdits(QStringLiteral("Open another script")))
        return false;
    const QString path =
        desktop_.OpenFileName(&window_, QStringLiteral("Open a SQL file..."), kScriptFilter);
    if (path.isEmpty())
        return false;
    QString text;
    if (const QString failure = ScriptEditControl::ReadScriptFile(path, text); !failure.isEmpty()) {
        desktop_.MsgBox(
            QStringLiteral("The file %1 was not opened as a script: %2.").arg(path, failure),
            mb::Exclamation);
        return false;
    }
    window_.setScript(text);
    window_.setFileName(path);
    window_.setIsFile(true);
    window_.setChanged(false);
    window_.window()->setWindowTitle(path);
    // The file was not written for the side the window was opened for: F5 asks which one.
    window_.forgetTarget();
    window_.targetChoice()->setEnabled(window_.targetChoice()->count() >= 2);
    return true;
}

bool ScriptFileCommands::writeTo(const QString& path) {
    if (RefuseHarmfulSave(desktop_, window_.session(), path))
        return false;
    if (!window_.editor()->SaveFile(path)) {
        ShowSaveFailure(desktop_, path);
        return false;
    }
    window_.setFileName(path);
    window_.setIsFile(true);
    window_.setChanged(false);
    window_.window()->setWindowTitle(path);
    return true;
}

bool ScriptFileCommands::save() {
    return window_.isFile() ? writeTo(window_.fileName()) : saveAs();
}

bool ScriptFileCommands::saveAs() {
    for (;;) {
        const QString path =
            desktop_.SaveFileName(&window_, QStringLiteral("Save script as..."), kScriptFilter);
        if (path.isEmpty() || RefuseHarmfulSave(desktop_, window_.session(), path))
            return false;
        if (!QFileInfo::exists(path) ||
            desktop_.MsgBox(path + QStringLiteral(" Already exists.\nDo you want to replace it?"),
                            mb::YesNo | mb::Question, QStringLiteral("Overwrite")) == mb::Yes)
            return writeTo(path);
    }
}

void ScriptFileCommands::startNew() {
    if (!mayDiscardEdits(QStringLiteral("Start a new script")))
        return;
    window_.setScript(QString());
    window_.setFileName(QString());
    window_.setIsFile(false);
    window_.setChanged(false);
    window_.window()->setWindowTitle(ScriptWindow::DefaultCaption());
}

bool ScriptFileCommands::settleEdits() {
    if (!window_.isChanged())
        return true;
    const int answer = desktop_.MsgBox(
        QStringLiteral("The script has changes that are not saved.\nSave them before it closes?"),
        mb::YesNoCancel | mb::Exclamation, QStringLiteral("Unsaved changes"));
    if (answer == mb::Cancel)
        return false;
    return answer == mb::No || save();
}

} // namespace vantor
