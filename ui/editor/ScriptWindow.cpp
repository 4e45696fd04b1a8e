#include "ui/editor/ScriptWindow.h"

#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/frmEditor.h"

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
    frmEditor* editor = nullptr;

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

void ShowScriptWindow(QWidget* parent, const QString& script, ScriptTarget target,
                      bool chooseTarget) {
    ScriptDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ScriptWindow"));
    dialog.setWindowTitle(frmEditor::DefaultCaption());
    dialog.setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* editor = new frmEditor(&dialog);
    dialog.editor = editor;
    layout->addWidget(editor);
    if (Engine)
        editor->SetTargets(Engine->DbPathPrimary(), Engine->DbPathSecondary());
    editor->txtOneOrTwo->setText(QString::number(static_cast<int>(target)));
    editor->cbTgt->setEnabled(chooseTarget);
    editor->SetScript(script);
    editor->OnLoad();
    dialog.resize(960, 640);
    editor->ed->setFocus();
    dialog.exec();
}

} // namespace vantor
