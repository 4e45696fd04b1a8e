#include "ui/shell/ScriptDocuments.h"

#include "engine/Globals.h"
#include "engine/UserInterface.h"
#include "engine/clsEngine.h"
#include "model/VantorError.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/frmEditor.h"
#include "ui/icons/Icons.h"
#include "ui/shell/ActivityLog.h"
#include "ui/shell/DesktopUserInterface.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/frmMDI.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>

namespace vantor {

namespace {

QString mdiTitle(const frmEditor* editor) {
    return editor->windowTitle() + (editor->Changed() ? QStringLiteral(" *") : QString());
}

} // namespace

ScriptDocuments::ScriptDocuments(frmMDI& main) : QObject(&main), main_(main) {
    main_.DocumentWindowFactory = [this](int n) {
        frmEditor* editor = createWindow(n);
        editor->setWindowTitle(UntitledCaption(n));
        return qobject_cast<QMdiSubWindow*>(editor->parentWidget());
    };
    connect(&main_, &frmMDI::NewDocumentRequested, this, [this] { NewDocument(); });
    connect(&main_, &frmMDI::OpenRequested, this, &ScriptDocuments::OpenCommand);
    connect(&main_, &frmMDI::RecentFileRequested, this,
            [this](const QString& path) { OpenDocument(path); });
    connect(&main_, &frmMDI::SaveAsRequested, this, [this] { SaveDocumentAs(); });
    connect(&main_, &frmMDI::SaveRequested, this, [this] { SaveDocument(); });
    connect(&main_, &frmMDI::SaveAllRequested, this, &ScriptDocuments::SaveAllDocuments);
    connect(&main_, &frmMDI::ReloadRequested, this, &ScriptDocuments::ReloadDocument);
    connect(main_.MdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (frmEditor* editor = Document(main_.Docs.IndexOf(w)))
            refreshTab(editor);
    });
}

int ScriptDocuments::GetFreeDocIndex() {
    return main_.Docs.GetFreeDocIndex();
}

frmEditor* ScriptDocuments::Document(int n) const {
    QMdiSubWindow* window = main_.Docs.Item(n);
    return window ? qobject_cast<frmEditor*>(window->widget()) : nullptr;
}

frmEditor* ScriptDocuments::CurrentDocument() const {
    return Document(main_.CurrentDoc);
}

frmEditor* ScriptDocuments::createWindow(int n) {
    auto* editor = new frmEditor;
    editor->Tag(QString::number(n));
    offerTargets(editor);
    QMdiSubWindow* window = main_.MdiArea()->addSubWindow(editor);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(DocumentTabIcon(false));
    window->resize(760, 480);
    window->installEventFilter(this);
    main_.Docs.Set(n, window);
    connect(editor, &QWidget::windowTitleChanged, window,
            [window, editor] { window->setWindowTitle(mdiTitle(editor)); });
    connect(editor, &frmEditor::ChangedFlagChanged, this, [this, editor, window] {
        window->setWindowTitle(mdiTitle(editor));
        refreshTab(editor);
    });
    connect(editor, &frmEditor::NewRequested, this, [this] { NewDocument(); });
    connect(editor, &frmEditor::OpenRequested, this, &ScriptDocuments::OpenCommand);
    connect(editor, &frmEditor::SaveRequested, this, [this, n] {
        activate(n);
        SaveDocument();
    });
    return editor;
}

void ScriptDocuments::addTab(int n, frmEditor* editor) {
    const int index = main_.tb->addTab(DocumentTabIcon(false), editor->windowTitle());
    main_.tb->setTabData(index, QStringLiteral("key%1").arg(n));
    refreshTab(editor);
}

void ScriptDocuments::removeTab(int n) {
    const QString key = QStringLiteral("key%1").arg(n);
    for (int i = 0; i < main_.tb->count(); ++i)
        if (main_.tb->tabData(i).toString() == key)
            main_.tb->removeTab(i--);
}

void ScriptDocuments::refreshTab(frmEditor* editor) {
    try {
        editor->DoAct();
    } catch (const std::exception&) {
        // A window that is closing has no tab any more.
    }
}

void ScriptDocuments::activate(int n) {
    QMdiSubWindow* window = main_.Docs.Item(n);
    if (!window)
        return;
    window->show();
    main_.MdiArea()->setActiveSubWindow(window);
    main_.CurrentDoc = n;
}

frmEditor* ScriptDocuments::NewDocument() {
    const int n = GetFreeDocIndex();
    frmEditor* editor = createWindow(n);
    editor->Changed(false);
    editor->setWindowTitle(UntitledCaption(n));
    addTab(n, editor);
    activate(n);
    Log().Write(QStringLiteral("New script document %1").arg(UntitledCaption(n)));
    return editor;
}

bool ScriptDocuments::FileExists(const QString& path) {
    return QFileInfo(path).isFile();
}

QString ScriptDocuments::GetFileExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < 0 ? QStringLiteral(" ") : path.mid(dot + 1).toLower();
}

frmEditor* ScriptDocuments::OpenDocument(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    const bool exists = FileExists(path);
    if (!exists) {
        const QString question = QStringLiteral("The file: %1\ndoes not exist. Do you wish to "
                                                "create it?")
                                     .arg(path);
        if (Ui().MsgBox(question, mb::YesNo | mb::Question, QStringLiteral("Create File")) !=
            mb::Yes)
            return nullptr;
    }
    for (int n = 1; n <= main_.Docs.UBound(); ++n) {
        frmEditor* open = Document(n);
        if (open && open->IsFile() && open->Filename() == path) {
            activate(n);
            return open;
        }
    }
    // A file that is there but cannot be read must not become an empty document whose next
    // save would overwrite it.
    QString text;
    if (const QString failure = exists ? ScriptEditControl::ReadScriptFile(path, text) : QString();
        !failure.isEmpty()) {
        Ui().MsgBox(
            QStringLiteral("The file %1 was not opened as a script: %2.").arg(path, failure),
            mb::Exclamation);
        return nullptr;
    }
    const int n = GetFreeDocIndex();
    frmEditor* editor = createWindow(n);
    editor->SetScript(text);
    editor->Changed(false);
    editor->setWindowTitle(path);
    editor->IsFile(true);
    editor->Filename(path);
    editor->OnLoad();
    addTab(n, editor);
    activate(n);
    Log().Write(QStringLiteral("Opened the script %1").arg(path));
    return editor;
}

void ScriptDocuments::OpenCommand() {
    const QString name =
        DesktopUi().OpenFileName(&main_, QStringLiteral("Open a SQL file..."), main_.FileFilter);
    if (name.isEmpty())
        return;
    OpenDocument(name);
    main_.Recent().AddRecentFile(name);
}

bool ScriptDocuments::writeTo(frmEditor* editor, const QString& path) {
    if (editor->ed->SaveFile(path))
        return true;
    Ui().MsgBox(QStringLiteral("The script could not be saved to %1. Check that the folder "
                               "exists and that you may write there.")
                    .arg(path),
                mb::Critical, QStringLiteral("Save"));
    return false;
}

bool ScriptDocuments::SaveDocument() {
    frmEditor* editor = CurrentDocument();
    if (!editor)
        return false;
    if (!editor->IsFile())
        return SaveDocumentAs();
    const QString path = editor->windowTitle();
    if (!writeTo(editor, path))
        return false;
    editor->Changed(false);
    refreshTab(editor);
    Log().Write(QStringLiteral("Saved the script %1").arg(path));
    return true;
}

bool ScriptDocuments::SaveDocumentAs() {
    frmEditor* editor = CurrentDocument();
    if (!editor)
        return false;
    QString path;
    for (;;) {
        path = DesktopUi().SaveFileName(
            &main_, QStringLiteral("Save document... ") + editor->windowTitle(), main_.FileFilter);
        if (path.isEmpty())
            return false;
        if (!FileExists(path))
            break;
        const QString question =
            path + QStringLiteral(" Already exists.\nDo you want to replace it?");
        if (Ui().MsgBox(question, mb::YesNo | mb::Question, QStringLiteral("Overwrite")) == mb::Yes)
            break;
    }
    if (!writeTo(editor, path))
        return false;
    editor->setWindowTitle(path);
    editor->IsFile(true);
    editor->Filename(path);
    editor->Changed(false);
    refreshTab(editor);
    main_.Recent().AddRecentFile(path);
    Log().Write(QStringLiteral("Saved the script as %1").arg(path));
    return true;
}

void ScriptDocuments::SaveAllDocuments() {
    const int remembered = main_.CurrentDoc;
    for (int n = 1; n <= main_.Docs.UBound(); ++n) {
        if (!Document(n))
            continue;
        activate(n);
        SaveDocument();
    }
    activate(remembered);
}

void ScriptDocuments::ReloadDocument() {
    frmEditor* editor = CurrentDocument();
    if (!editor || !editor->IsFile())
        return;
    const QString path = editor->windowTitle();
    if (editor->Changed() &&
        Ui().MsgBox(QStringLiteral("Reload %1 from its file and lose the changes made since it "
                                   "was saved?")
                        .arg(path),
                    mb::YesNo | mb::Question, QStringLiteral("Reload")) != mb::Yes)
        return;
    QString text;
    if (const QString failure = ScriptEditControl::ReadScriptFile(path, text); !failure.isEmpty()) {
        Ui().MsgBox(QStringLiteral("The file %1 could not be read again (%2); the document is "
                                   "left as it was.")
                        .arg(path, failure),
                    mb::Exclamation);
        return;
    }
    editor->SetScript(text);
    editor->Changed(false);
    refreshTab(editor);
}

bool ScriptDocuments::askToSave(frmEditor* editor) {
    const int n = editor->Tag().toInt();
    activate(n);
    const int answer = Ui().MsgBox(
        QStringLiteral("The script %1 has changes that are not saved.\nSave them before it "
                       "closes?")
            .arg(editor->windowTitle()),
        mb::YesNoCancel | mb::Exclamation, QStringLiteral("Unsaved changes"));
    if (answer == mb::Cancel)
        return false;
    if (answer == mb::Yes)
        return SaveDocument();
    editor->Changed(false);
    return true;
}

bool ScriptDocuments::QueryCloseAll() {
    for (int n = 1; n <= main_.Docs.UBound(); ++n) {
        frmEditor* editor = Document(n);
        if (editor && editor->Changed() && !askToSave(editor))
            return false;
    }
    return true;
}

void ScriptDocuments::offerTargets(frmEditor* editor) {
    if (!Engine)
        return;
    editor->SetTargets(Engine->DbPathPrimary(), Engine->DbPathSecondary());
    editor->cbTgt->setEnabled(true);
}

void ScriptDocuments::RefreshTargets() {
    for (int n = 1; n <= main_.Docs.UBound(); ++n)
        if (frmEditor* editor = Document(n))
            offerTargets(editor);
}

bool ScriptDocuments::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    auto* window = qobject_cast<QMdiSubWindow*>(watched);
    auto* editor = window ? qobject_cast<frmEditor*>(window->widget()) : nullptr;
    if (!editor)
        return false;
    if (editor->IsRunning() || (editor->Changed() && !askToSave(editor))) {
        event->ignore();
        return true;
    }
    removeTab(editor->Tag().toInt());
    return false;
}

} // namespace vantor
