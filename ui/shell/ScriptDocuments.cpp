#include "ui/shell/ScriptDocuments.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/icons/Icons.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/RecentFiles.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>

namespace vantor {

namespace {

QString mdiTitle(const ScriptWindow* editor) {
    return editor->windowTitle() + (editor->Changed() ? QStringLiteral(" *") : QString());
}

} // namespace

ScriptDocuments::ScriptDocuments(MainWindow& main) : QObject(&main), main_(main) {
    main_.DocumentWindowFactory = [this](int n) {
        ScriptWindow* editor = createWindow(n);
        editor->setWindowTitle(UntitledCaption(n));
        return qobject_cast<QMdiSubWindow*>(editor->parentWidget());
    };
    connect(&main_, &MainWindow::NewDocumentRequested, this, [this] { NewDocument(); });
    connect(&main_, &MainWindow::OpenRequested, this, &ScriptDocuments::OpenCommand);
    connect(&main_, &MainWindow::RecentFileRequested, this,
            [this](const QString& path) { OpenDocument(path); });
    connect(&main_, &MainWindow::SaveAsRequested, this, [this] { SaveDocumentAs(); });
    connect(&main_, &MainWindow::SaveRequested, this, [this] { SaveDocument(); });
    connect(&main_, &MainWindow::SaveAllRequested, this, &ScriptDocuments::SaveAllDocuments);
    connect(&main_, &MainWindow::ReloadRequested, this, &ScriptDocuments::ReloadDocument);
    connect(main_.MdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        if (ScriptWindow* editor = Document(main_.Docs.IndexOf(w)))
            refreshTab(editor);
    });
}

int ScriptDocuments::GetFreeDocIndex() {
    return main_.Docs.GetFreeDocIndex();
}

ScriptWindow* ScriptDocuments::Document(int n) const {
    QMdiSubWindow* window = main_.Docs.Item(n);
    return window ? qobject_cast<ScriptWindow*>(window->widget()) : nullptr;
}

ScriptWindow* ScriptDocuments::CurrentDocument() const {
    return Document(main_.CurrentDoc);
}

ScriptWindow* ScriptDocuments::createWindow(int n) {
    auto* editor = new ScriptWindow(main_.session(), main_.desktop());
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
    connect(editor, &ScriptWindow::ChangedFlagChanged, this, [this, editor, window] {
        window->setWindowTitle(mdiTitle(editor));
        refreshTab(editor);
    });
    connect(editor, &ScriptWindow::NewRequested, this, [this] { NewDocument(); });
    connect(editor, &ScriptWindow::OpenRequested, this, &ScriptDocuments::OpenCommand);
    connect(editor, &ScriptWindow::SaveRequested, this, [this, n] {
        activate(n);
        SaveDocument();
    });
    return editor;
}

void ScriptDocuments::addTab(int n, ScriptWindow* editor) {
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

void ScriptDocuments::refreshTab(ScriptWindow* editor) {
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

ScriptWindow* ScriptDocuments::NewDocument() {
    const int n = GetFreeDocIndex();
    ScriptWindow* editor = createWindow(n);
    editor->Changed(false);
    editor->setWindowTitle(UntitledCaption(n));
    addTab(n, editor);
    activate(n);
    main_.session().log(QStringLiteral("New script document %1").arg(UntitledCaption(n)));
    return editor;
}

bool ScriptDocuments::FileExists(const QString& path) {
    return QFileInfo(path).isFile();
}

QString ScriptDocuments::GetFileExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot < 0 ? QStringLiteral(" ") : path.mid(dot + 1).toLower();
}

ScriptWindow* ScriptDocuments::OpenDocument(const QString& path) {
    if (path.isEmpty())
        return nullptr;
    const bool exists = FileExists(path);
    if (!exists) {
        const QString question = QStringLiteral("The file: %1\ndoes not exist. Do you wish to "
                                                "create it?")
                                     .arg(path);
        if (main_.desktop().MsgBox(question, mb::YesNo | mb::Question,
                                   QStringLiteral("Create File")) != mb::Yes)
            return nullptr;
    }
    for (int n = 1; n <= main_.Docs.UBound(); ++n) {
        ScriptWindow* open = Document(n);
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
        main_.desktop().MsgBox(
            QStringLiteral("The file %1 was not opened as a script: %2.").arg(path, failure),
            mb::Exclamation);
        return nullptr;
    }
    const int n = GetFreeDocIndex();
    ScriptWindow* editor = createWindow(n);
    editor->SetScript(text);
    editor->Changed(false);
    editor->setWindowTitle(path);
    editor->IsFile(true);
    editor->Filename(path);
    editor->OnLoad();
    addTab(n, editor);
    activate(n);
    main_.session().log(QStringLiteral("Opened the script %1").arg(path));
    return editor;
}

void ScriptDocuments::OpenCommand() {
    const QString name = main_.desktop().OpenFileName(&main_, QStringLiteral("Open a SQL file..."),
                                                      main_.FileFilter);
    if (name.isEmpty())
        return;
    OpenDocument(name);
    remember(name);
}

void ScriptDocuments::remember(const QString& path) {
    RecentFiles& recent = main_.Recent();
    if (!recent.AddRecentFile(path))
        main_.session().log(
            QStringLiteral("The recent file list could not be saved to %1").arg(recent.File()));
}

bool ScriptDocuments::writeTo(ScriptWindow* editor, const QString& path) {
    if (editor->ed->SaveFile(path))
        return true;
    main_.desktop().MsgBox(
        QStringLiteral("The script could not be saved to %1. Check that the folder "
                       "exists and that you may write there.")
            .arg(path),
        mb::Critical, QStringLiteral("Save"));
    return false;
}

bool ScriptDocuments::SaveDocument() {
    ScriptWindow* editor = CurrentDocument();
    if (!editor)
        return false;
    if (!editor->IsFile())
        return SaveDocumentAs();
    const QString path = editor->windowTitle();
    if (!writeTo(editor, path))
        return false;
    editor->Changed(false);
    refreshTab(editor);
    main_.session().log(QStringLiteral("Saved the script %1").arg(path));
    return true;
}

bool ScriptDocuments::SaveDocumentAs() {
    ScriptWindow* editor = CurrentDocument();
    if (!editor)
        return false;
    QString path;
    for (;;) {
        path = main_.desktop().SaveFileName(
            &main_, QStringLiteral("Save document... ") + editor->windowTitle(), main_.FileFilter);
        if (path.isEmpty())
            return false;
        if (!FileExists(path))
            break;
        const QString question =
            path + QStringLiteral(" Already exists.\nDo you want to replace it?");
        if (main_.desktop().MsgBox(question, mb::YesNo | mb::Question,
                                   QStringLiteral("Overwrite")) == mb::Yes)
            break;
    }
    if (!writeTo(editor, path))
        return false;
    editor->setWindowTitle(path);
    editor->IsFile(true);
    editor->Filename(path);
    editor->Changed(false);
    refreshTab(editor);
    remember(path);
    main_.session().log(QStringLiteral("Saved the script as %1").arg(path));
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
    ScriptWindow* editor = CurrentDocument();
    if (!editor || !editor->IsFile())
        return;
    const QString path = editor->windowTitle();
    if (editor->Changed() &&
        main_.desktop().MsgBox(
            QStringLiteral("Reload %1 from its file and lose the changes made since it "
                           "was saved?")
                .arg(path),
            mb::YesNo | mb::Question, QStringLiteral("Reload")) != mb::Yes)
        return;
    QString text;
    if (const QString failure = ScriptEditControl::ReadScriptFile(path, text); !failure.isEmpty()) {
        main_.desktop().MsgBox(
            QStringLiteral("The file %1 could not be read again (%2); the document is "
                           "left as it was.")
                .arg(path, failure),
            mb::Exclamation);
        return;
    }
    editor->SetScript(text);
    editor->Changed(false);
    refreshTab(editor);
}

bool ScriptDocuments::askToSave(ScriptWindow* editor) {
    const int n = editor->Tag().toInt();
    activate(n);
    const int answer = main_.desktop().MsgBox(
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
        ScriptWindow* editor = Document(n);
        if (editor && editor->Changed() && !askToSave(editor))
            return false;
    }
    return true;
}

void ScriptDocuments::offerTargets(ScriptWindow* editor) {
    const Session& session = main_.session();
    if (!session.diff())
        return;
    editor->SetTargets(session.login(Side::Primary).path, session.login(Side::Secondary).path);
    editor->cbTgt->setEnabled(true);
}

void ScriptDocuments::RefreshTargets() {
    for (int n = 1; n <= main_.Docs.UBound(); ++n)
        if (ScriptWindow* editor = Document(n))
            offerTargets(editor);
}

bool ScriptDocuments::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Close)
        return QObject::eventFilter(watched, event);
    auto* window = qobject_cast<QMdiSubWindow*>(watched);
    auto* editor = window ? qobject_cast<ScriptWindow*>(window->widget()) : nullptr;
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
