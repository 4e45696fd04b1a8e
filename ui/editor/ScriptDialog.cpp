#include "ui/editor/ScriptDialog.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vantor {

namespace {

// The dialog around the script window, kept open while its script runs.
class ScriptDialog : public QDialog {
public:
    explicit ScriptDialog(QWidget* parent) : QDialog(parent) {}
    ScriptWindow* editor = nullptr;

    void reject() override {
        if (!editor || !editor->IsRunning())
            QDialog::reject();
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (editor && editor->IsRunning())
            event->ignore();
        else
            QDialog::closeEvent(event);
    }
};

} // namespace

void ShowScriptWindow(QWidget* parent, Session& session, Desktop& desktop, const QString& script,
                      Side target, bool chooseTarget) {
    ScriptDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ScriptWindow"));
    dialog.setWindowTitle(ScriptWindow::DefaultCaption());
    dialog.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* editor = new ScriptWindow(session, desktop, &dialog);
    dialog.editor = editor;
    layout->addWidget(editor);
    if (session.diff())
        editor->SetTargets(session.login(Side::Primary).path, session.login(Side::Secondary).path);
    editor->txtOneOrTwo->setText(target == Side::Secondary ? QStringLiteral("1")
                                                           : QStringLiteral("0"));
    editor->cbTgt->setEnabled(chooseTarget);
    editor->SetScript(script);
    editor->OnLoad();
    dialog.resize(960, 640);
    editor->ed->setFocus();
    dialog.exec();
}

} // namespace vantor
