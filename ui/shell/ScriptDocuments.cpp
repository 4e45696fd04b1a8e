#include "ui/shell/ScriptDocuments.h"

#include "engine/Session.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptFiles.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/icons/Icons.h"
#include "ui/shell/Desktop.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/SaveGuard.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>

namespace vantor {

namespace {

QString mdiTitle(const ScriptWindow* editor) {
    return editor->windowTitle() + (editor->isChanged() ? QStringLiteral(" *") : QString());
}

} // namespace

ScriptDocuments::ScriptDocuments(MainWindow& main, QTabBar& tabs)
    : QObject(&main), main_(main), tabs_(tabs) {
    connect(main_.mdiArea(), &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        const int n = slots_.IndexOf(w);
        if (n && n != closing_)
            current_ = n;
        if (ScriptWindow* editor = Document(n))
            refreshTab(editor);
        EnableDocumentCommands();
    });
    connect(&tabs_, &QTabBar::tabBarClicked, this, &ScriptDocuments::activateTab);
    // A comparison that failed leaves no database to aim at.
    connect(&main_.session(), &Session::cleared, this, &ScriptDocuments::ForgetTargets);
    EnableDocumentCommands();
}

void ScriptDocuments::ForgetTargets() {
    for (int n = 1; n <= slots_.UBound(); ++n) {
        ScriptWindow* editor = Document(n);
        if (!editor)
            continue;
        const bool aimed = editor->targetChoice()->count() > 0 && editor->hasTarget();
        editor->clearTargets();
        // Aimed again only by the user's choice: the next database may not be the one the
        // script was meant for.
        editor->forgetTarget();
        if (aimed)
            main_.session().log(
                QStringLiteral("The script %1 is aimed at no database now: its database was closed")
                    .arg(editor->windowTitle()));
    }
}

int ScriptDocuments::GetFreeDocIndex() {
    return slots_.GetFreeDocIndex();
}

ScriptWindow* ScriptDocuments::Document(int n) const {
    QMdiSubWindow* window = slots_.Item(n);
    return window ? qobject_cast<ScriptWindow*>(window->widget()) : nullptr;
}

ScriptWindow* ScriptDocuments::CurrentDocument() const {
    return current_ == closing_ ? nullptr : Document(current_);
}

void ScriptDocuments::EnableDocumentCommands() {
    const ScriptWindow* editor = CurrentDocument();
    for (const char* key : {"close", "save", "saveas"})
        if (QAction* button = FindButton(*main_.mainToolBar(), QLatin1String(key)))
            button->setEnabled(editor != nullptr);
    if (QAction* reload = FindButton(*main_.mainToolBar(), QStringLiteral("reload")))
        reload->setEnabled(editor && editor->isFile());
}

void ScriptDocuments::followClosedDocument(int n) {
    closing_ = n;
    if (current_ == n)
        current_ = 0;
    EnableDocumentCommands();
    // Once the window is gone, the commands act on the document the area activated next, if
    // any.
    QMetaObject::invokeMethod(
        this,
        [this] {
            closing_ = 0;
            if (!CurrentDocument())
                current_ = slots_.IndexOf(main_.mdiArea()->activeSubWindow());
            EnableDocumentCommands();
        },
        Qt::QueuedConnection);
}

void ScriptDocuments::CloseCurrentDocument() {
    if (QMdiSubWindow* window = slots_.Item(current_))
        window->close();
}

void ScriptDocuments::activateTab(int index) {
    if (index < 0)
        return;
    bool ok = false;
    const int n = tabs_.tabData(index).toString().mid(3).toInt(&ok);
    if (!ok || n < 1 || n > slots_.UBound())
        return;
    if (!slots_.Item(n)) {
        ScriptWindow* editor = createWindow(n);
        editor->setWindowTitle(UntitledCaption(n));
    }
    QMdiSubWindow* window = slots_.Item(n);
    window->show();
    KeepInside(*main_.mdiArea(), *window);
    main_.mdiArea()->setActiveSubWindow(window);
    window->setFocus();
}

ScriptWindow* ScriptDocuments::createWindow(int n) {
    auto* editor = new ScriptWindow(main_.session(), main_.desktop());
    editor->setTag(QString::number(n));
    // Documents start aimed at the secondary database, as File > New Script does.
    editor->targetField()->setText(QStringLiteral("1"));
    offerTargets(editor);
    QMdiSubWindow* window = main_.mdiArea()->addSubWindow(editor);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(DocumentTabIcon(false));
    window->resize(760, 480);
    window->installEventFilter(this);
    slots_.Set(n, window);
    connect(editor, &QWidget::windowTitleChanged, window,
            [window, editor] { window->setWindowTitle(mdiTitle(editor)); });
    connect(editor, &ScriptWindow::statusMessage, &main_, &MainWindow::setStatusText);
    connect(editor, &ScriptWindow::changedFlagChanged, this, [this, editor, window] {
        window->setWindowTitle(mdiTitle(editor));
        refreshTab(editor);
    });
    connect(editor, &ScriptWindow::newRequested, this, [this] { NewDocument(); });
    connect(editor, &ScriptWindow::openRequested, this, &ScriptDocuments::OpenCommand);
    connect(editor, &ScriptWindow::saveRequested, this, [this, n] {
        activate(n);
        SaveDocument();
    });
    return editor;
}

void ScriptDocuments::addTab(int n, ScriptWindow* editor) {
    const int index = tabs_.addTab(DocumentTabIcon(false), editor->windowTitle());
    tabs_.setTabData(index, QStringLiteral("key%1").arg(n));
    refreshTab(editor);
}

void ScriptDocuments::removeTab(int n) {
    const QString key = QStringLiteral("key%1").arg(n);
    for (int i = 0; i < tabs_.count(); ++i)
        if (tabs_.tabData(i).toString() == key)
            tabs_.removeTab(i--);
}

void ScriptDocuments::refreshTab(ScriptWindow* editor) {
    // A window that is closing has no tab any more.
    const QString key = QStringLiteral("key") + editor->tag();
    for (int i = 0; i < tabs_.count(); ++i) {
        if (tabs_.tabData(i).toString() != key)
            continue;
        const QString caption = editor->windowTitle();
        tabs_.setTabText(i, GetFileTitle(caption));
        tabs_.setCurrentIndex(i);
        tabs_.setTabToolTip(i, caption);
        tabs_.setTabIcon(i, DocumentTabIcon(editor->isChanged()));
    }
}

void ScriptDocuments::activate(int n) {
    QMdiSubWindow* window = slots_.Item(n);
    if (!window)
        return;
    window->show();
    main_.mdiArea()->setActiveSubWindow(window);
    current_ = n;
    EnableDocumentCommands();
}

ScriptWindow* ScriptDocuments::NewDocument() {
    const int n = GetFreeDocIndex();
    ScriptWindow* editor = createWindow(n);
    editor->setChanged(false);
    editor->setWindowTitle(UntitledCaption(n));
    addTab(n, editor);
    activate(n);
    KeepInside(*main_.mdiArea(), *slots_.Item(n));
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
    for (int n = 1; n <= slots_.UBound(); ++n) {
        ScriptWindow* open = Document(n);
        if (open && open->isFile() && open->fileName() == path) {
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
    editor->setScript(text);
    editor->setChanged(false);
    editor->setWindowTitle(path);
    editor->setIsFile(true);
    editor->setFileName(path);
    // Nothing says which database a file was written for, so F5 asks before it runs.
    editor->forgetTarget();
    editor->prepareBookmarks();
    addTab(n, editor);
    activate(n);
    KeepInside(*main_.mdiArea(), *slots_.Item(n));
    main_.session().log(QStringLiteral("Opened the script %1").arg(path));
    return editor;
}

void ScriptDocuments::OpenCommand() {
    const QString name = main_.desktop().OpenFileName(&main_, QStringLiteral("Open a SQL file..."),
                                                      MainWindow::ScriptFileFilter());
    if (name.isEmpty())
        return;
    OpenDocument(name);
    remember(name);
}

void ScriptDocuments::remember(const QString& path) {
    RecentFiles& recent = main_.recentFiles();
    if (!recent.AddRecentFile(path))
        main_.session().log(
            QStringLiteral("The recent file list could not be saved to %1").arg(recent.File()));
}

bool ScriptDocuments::writeTo(ScriptWindow* editor, const QString& path) {
    if (RefuseHarmfulSave(main_.desktop(), main_.session(), path))
        return false;
    if (editor->editor()->SaveFile(path))
        return true;
    ShowSaveFailure(main_.desktop(), path);
    return false;
}

bool ScriptDocuments::SaveDocument() {
    ScriptWindow* editor = CurrentDocument();
    if (!editor)
        return false;
    if (!editor->isFile())
        return SaveDocumentAs();
    const QString path = editor->windowTitle();
    if (!writeTo(editor, path))
        return false;
    editor->setChanged(false);
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
            &main_, QStringLiteral("Save document... ") + editor->windowTitle(),
            MainWindow::ScriptFileFilter());
        if (path.isEmpty() || RefuseHarmfulSave(main_.desktop(), main_.session(), path))
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
    editor->setIsFile(true);
    editor->setFileName(path);
    editor->setChanged(false);
    refreshTab(editor);
    EnableDocumentCommands();
    remember(path);
    main_.session().log(QStringLiteral("Saved the script as %1").arg(path));
    return true;
}

void ScriptDocuments::SaveAllDocuments() {
    const int remembered = current_;
    for (int n = 1; n <= slots_.UBound(); ++n) {
        if (!Document(n))
            continue;
        activate(n);
        SaveDocument();
    }
    activate(remembered);
}

void ScriptDocuments::ReloadDocument() {
    ScriptWindow* editor = CurrentDocument();
    if (!editor || !editor->isFile())
        return;
    const QString path = editor->windowTitle();
    if (editor->isChanged() &&
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
    editor->setScript(text);
    editor->setChanged(false);
    refreshTab(editor);
}

bool ScriptDocuments::askToSave(ScriptWindow* editor) {
    const int n = editor->tag().toInt();
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
    editor->setChanged(false);
    return true;
}

bool ScriptDocuments::QueryCloseAll() {
    for (int n = 1; n <= slots_.UBound(); ++n) {
        ScriptWindow* editor = Document(n);
        if (editor && editor->isChanged() && !askToSave(editor))
            return false;
    }
    return true;
}

void ScriptDocuments::offerTargets(ScriptWindow* editor) {
    const Session& session = main_.session();
    if (!session.diff() || !session.isOpen())
        return;
    editor->setTargets(session.login(Side::Primary).path, session.login(Side::Secondary).path);
    editor->targetChoice()->setEnabled(true);
}

void ScriptDocuments::RefreshTargets() {
    for (int n = 1; n <= slots_.UBound(); ++n)
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
    if (editor->isChanged() && !askToSave(editor)) {
        event->ignore();
        return true;
    }
    // The runner reads the editor until it ends, so a run under way stops first.
    if (editor->isRunning()) {
        main_.session().cancel();
        main_.session().waitForWork();
    }
    removeTab(editor->tag().toInt());
    followClosedDocument(editor->tag().toInt());
    return false;
}

} // namespace vantor
