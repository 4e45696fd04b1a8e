#include "ui/editor/ScriptDialog.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptFiles.h"
#include "ui/editor/ScriptWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QShortcut>
#include <QVBoxLayout>

namespace vantor {

namespace {

// The dialog around the script window; a run under way stops before the dialog goes. Every
// way of leaving it (its close button, Escape, the window's own Close button) asks about
// unsaved edits, since each of them would lose the same work.
class ScriptDialog : public QDialog {
public:
    ScriptDialog(QWidget* parent, Session& session) : QDialog(parent), session_(session) {}
    ScriptWindow* editor = nullptr;
    ScriptFileCommands* files = nullptr;

    void reject() override {
        if (files && !files->settleEdits())
            return;
        QDialog::reject();
    }

    void done(int result) override {
        if (editor && editor->isRunning()) {
            session_.cancel();
            session_.waitForWork();
        }
        QDialog::done(result);
    }

private:
    Session& session_;
};

} // namespace

void ShowScriptWindow(QWidget* parent, Session& session, Desktop& desktop, const QString& script,
                      Side target, bool chooseTarget) {
    ScriptDialog dialog(parent, session);
    dialog.setObjectName(QStringLiteral("ScriptWindow"));
    dialog.setWindowTitle(ScriptWindow::DefaultCaption());
    dialog.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* editor = new ScriptWindow(session, desktop, &dialog);
    dialog.editor = editor;
    dialog.files = new ScriptFileCommands(*editor, desktop);
    auto* save = new QShortcut(QKeySequence::Save, &dialog);
    QObject::connect(save, &QShortcut::activated, dialog.files, &ScriptFileCommands::save);
    auto* saveAs = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")), &dialog);
    QObject::connect(saveAs, &QShortcut::activated, dialog.files, &ScriptFileCommands::saveAs);
    layout->addWidget(editor);
    // Closed databases are no target, even while their comparison is still shown.
    if (session.diff() && session.isOpen())
        editor->setTargets(session.login(Side::Primary).path, session.login(Side::Secondary).path);
    editor->targetField()->setText(target == Side::Secondary ? QStringLiteral("1")
                                                             : QStringLiteral("0"));
    editor->targetChoice()->setEnabled(chooseTarget);
    editor->setScript(script);
    editor->prepareBookmarks();
    // The main window shows the run's hint in its status bar, when there is one to show it.
    QWidget* main = parent ? parent->window() : nullptr;
    if (main && main->metaObject()->indexOfSlot("setStatusText(QString)") >= 0)
        QObject::connect(editor, &ScriptWindow::statusMessage, main, [main](const QString& text) {
            QMetaObject::invokeMethod(main, "setStatusText", Q_ARG(QString, text));
        });
    dialog.resize(960, 640);
    editor->editor()->setFocus();
    dialog.exec();
}

} // namespace vantor
