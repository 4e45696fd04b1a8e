#include "ui/shell/ScriptDocuments.h"
#include "tests/ui/support/UiSession.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/frmEditor.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/frmNav.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/RecentFiles.h"
#include "ui/shell/frmMDI.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

// Script documents in the main window: numbering, opening, saving and the unsaved-changes
// questions, on real files in a temporary folder.
class ScriptDocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<frmMDI> window;

    AnsweringUi& ui() { return session->ui; }
    ScriptDocuments& docs() { return window->Documents(); }
    QString path(const char* name) { return dir->filePath(QString::fromUtf8(name)); }

    QStringList tabTexts() const {
        QStringList texts;
        for (int i = 0; i < window->tb->count(); ++i)
            texts << window->tb->tabText(i);
        return texts;
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        dir = std::make_unique<QTemporaryDir>();
        RecentFiles::SetDefaultFile(path("recent.rct"));
        window = std::make_unique<frmMDI>();
        window->show();
    }

    void cleanup() {
        window.reset();
        RecentFiles::SetDefaultFile(QString());
        session.reset();
        dir.reset();
    }

    void filesAndUntitledScriptsShareTheNumbering() {
        QVERIFY(WriteFile(path("a.sql"), "select 1"));
        QCOMPARE(docs().NewDocument()->windowTitle(), QString("Untitled 1"));
        frmEditor* opened = docs().OpenDocument(path("a.sql"));
        QCOMPARE(opened->Tag(), QString("2"));
        QCOMPARE(opened->ed->Text(), QString("select 1"));
        QVERIFY(opened->IsFile());
        QCOMPARE(docs().NewDocument()->windowTitle(), QString("Untitled 3"));
        QCOMPARE(tabTexts(), QStringList({"Untitled 1", "a.sql", "Untitled 3"}));

        // The same path again brings up its document; nothing new is made.
        QCOMPARE(docs().OpenDocument(path("a.sql")), opened);
        QCOMPARE(window->Docs.UBound(), 3);
        QCOMPARE(window->tb->currentIndex(), 1);
    }

    void aMissingFileIsCreatedOnlyWhenTheUserSaysSo() {
        const QString missing = path("new.sql");
        ui().answers = {mb::No};
        QVERIFY(!docs().OpenDocument(missing));
        QCOMPARE(ui().messages[0].prompt,
                 QString("The file: %1\ndoes not exist. Do you wish to create it?").arg(missing));
        QCOMPARE(ui().messages[0].buttons, mb::YesNo | mb::Question);
        QCOMPARE(window->tb->count(), 0);

        QCOMPARE(docs().OpenDocument(missing)->windowTitle(), missing); // answered Yes
    }

    void aBinaryFileIsNotOpenedWhereASaveWouldDestroyIt() {
        const QByteArray database("Standard Jet DB\0\0\x01payload", 24);
        QVERIFY(WriteFile(path("orders.mdb"), database));
        QVERIFY(!docs().OpenDocument(path("orders.mdb")));
        QCOMPARE(ui().messages.size(), 1);
        QVERIFY(ui().Prompts()[0].contains("not a text file"));
        QCOMPARE(window->tb->count(), 0);
        QCOMPARE(FileBytes(path("orders.mdb")), database);
    }

    void saveAsAsksBeforeReplacingAndNamesTheDocumentAfterTheFile() {
        frmEditor* editor = docs().NewDocument();
        QTest::keyClicks(editor->ed, "select 2");
        QVERIFY(editor->Changed());
        QCOMPARE(window->tb->tabIcon(0).cacheKey(), DocumentTabIcon(true).cacheKey());

        // Cancel changes nothing and says nothing.
        QVERIFY(!docs().SaveDocumentAs());
        QVERIFY(ui().messages.isEmpty());
        QCOMPARE(editor->windowTitle(), QString("Untitled 1"));
        QVERIFY(editor->Changed());

        // An existing name is replaced only after a Yes; No asks for another name.
        QVERIFY(WriteFile(path("taken.sql"), "keep me"));
        ui().fileNames = {path("taken.sql"), path("mine.sql")};
        ui().answers = {mb::No};
        QVERIFY(docs().SaveDocumentAs());
        QCOMPARE(ui().Prompts(),
                 QStringList({path("taken.sql") + " Already exists.\nDo you want to replace it?"}));
        QCOMPARE(FileBytes(path("taken.sql")), QByteArray("keep me"));
        QCOMPARE(FileBytes(path("mine.sql")), QByteArray("select 2"));
        QCOMPARE(editor->windowTitle(), path("mine.sql"));
        QVERIFY(editor->IsFile() && !editor->Changed());
        QCOMPARE(tabTexts(), QStringList({"mine.sql"}));
        QCOMPARE(window->tb->tabIcon(0).cacheKey(), DocumentTabIcon(false).cacheKey());
        QCOMPARE(window->Recent().Slot(1), path("mine.sql"));

        // Later saves go to that file without a dialog.
        QTest::keyClicks(editor->ed, "-- ");
        QVERIFY(docs().SaveDocument());
        QCOMPARE(FileBytes(path("mine.sql")), QByteArray("select 2-- "));
        QCOMPARE(ui().fileDialogFilters.size(), 3);
    }

    void aFailedSaveSaysSoAndKeepsTheChanges() {
        frmEditor* editor = docs().NewDocument();
        QTest::keyClicks(editor->ed, "work");
        ui().fileNames = {path("no such folder/w.sql")};
        QVERIFY(!docs().SaveDocument());
        QCOMPARE(ui().messages.size(), 1);
        QCOMPARE(ui().messages[0].buttons, mb::Critical);
        QVERIFY(editor->Changed());
        QCOMPARE(editor->windowTitle(), QString("Untitled 1"));

        QCOMPARE(ScriptDocuments::GetFileExtension("/db/a.b/Fix.SQL"), QString("sql"));
        QCOMPARE(ScriptDocuments::GetFileExtension("README"), QString(" "));
    }

    void saveAllSavesFilesAndAsksANameForUntitledOnes() {
        QVERIFY(WriteFile(path("b.sql"), "b"));
        frmEditor* file = docs().OpenDocument(path("b.sql"));
        frmEditor* untitled = docs().NewDocument();
        QTest::keyClicks(file->ed, "x");
        QTest::keyClicks(untitled->ed, "u");
        window->CurrentDoc = 1;
        ui().fileNames = {path("u.sql")};
        window->tBar_ButtonClick("saveall");
        QCOMPARE(FileBytes(path("b.sql")), QByteArray("xb"));
        QCOMPARE(FileBytes(path("u.sql")), QByteArray("u"));
        QCOMPARE(ui().fileDialogFilters.size(), 1);
        QCOMPARE(window->CurrentDoc, 1);
    }

    void unsavedEditsAreNeverLostWithoutAsking() {
        frmEditor* editor = docs().NewDocument();
        QMdiSubWindow* sub = window->Docs.Item(1);
        QTest::keyClicks(editor->ed, "precious");

        ui().answers = {mb::Cancel};
        QVERIFY(!sub->close());
        QCOMPARE(ui().messages[0].buttons, mb::YesNoCancel | mb::Exclamation);
        QVERIFY(ui().Prompts()[0].contains("Untitled 1"));

        // Closing the main window asks too; Cancel keeps everything open.
        ui().answers = {mb::Cancel};
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());

        // Yes saves (here through Save As) before the window goes, and the tab goes with it.
        ui().answers = {mb::Yes};
        ui().fileNames = {path("precious.sql")};
        QVERIFY(sub->close());
        QCOMPARE(FileBytes(path("precious.sql")), QByteArray("precious"));
        QCOMPARE(window->tb->count(), 0);

        // No lets it go; an unchanged document and the shared script window never ask.
        frmEditor* other = docs().NewDocument();
        QTest::keyClicks(other->ed, "scratch");
        ui().messages.clear();
        ui().answers = {mb::No};
        QVERIFY(window->Docs.Item(2)->close());
        QCOMPARE(ui().messages.size(), 1);
        docs().NewDocument();
        ui().messages.clear();
        QVERIFY(window->Docs.Item(3)->close());
        QVERIFY(ui().messages.isEmpty());
    }

    void readmeRecentEntriesAndTheFileBrowserOpenDocuments() {
        window->Menu().Item("mnReadme")->trigger();
        QVERIFY(docs().CurrentDocument()->ed->Text().contains("Connect and Compare"));

        QVERIFY(WriteFile(path("c.sql"), "c"));
        Q_EMIT window->Nav()->OpenFileRequested(path("c.sql"));
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("c.sql"));

        // The open command adds to the recent list; a recent entry opens without adding.
        QVERIFY(WriteFile(path("d.sql"), "d"));
        ui().fileNames = {path("d.sql")};
        docs().OpenCommand();
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("d.sql"));
        QCOMPARE(ui().fileDialogFilters[0], window->FileFilter);
        QCOMPARE(window->Recent().Slot(1), path("d.sql"));
        Q_EMIT window->RecentFileRequested(path("c.sql"));
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("c.sql"));
        QCOMPARE(window->Recent().Slot(2), QString());
    }

    void reloadAsksBeforeDroppingEdits() {
        QVERIFY(WriteFile(path("r.sql"), "old"));
        frmEditor* editor = docs().OpenDocument(path("r.sql"));
        QVERIFY(WriteFile(path("r.sql"), "new"));
        QTest::keyClicks(editor->ed, "mine ");
        ui().answers = {mb::No};
        window->tBar_ButtonClick("reload");
        QCOMPARE(editor->ed->Text(), QString("mine old"));
        window->tBar_ButtonClick("reload"); // answered Yes
        QCOMPARE(editor->ed->Text(), QString("new"));
        QVERIFY(!editor->Changed());
    }
};

QTEST_MAIN(ScriptDocumentsTest)
#include "ScriptDocumentsTest.moc"
