#include "ui/shell/ScriptDocuments.h"
#include "engine/Session.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/RecentFiles.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

// Script documents in the main window: numbering, opening, saving and the unsaved-changes
// questions, on real files in a temporary folder.
class ScriptDocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> fixture;
    std::unique_ptr<MainWindow> window;

    AnsweringDesktop& desktop() { return fixture->desktop; }
    ScriptDocuments& docs() { return window->documents(); }
    QString path(const char* name) { return fixture->files.filePath(QString::fromUtf8(name)); }

    QStringList tabTexts() const {
        return Texts(window->documentTabs()->count(),
                     [this](int i) { return window->documentTabs()->tabText(i); });
    }

private Q_SLOTS:
    void init() {
        fixture = std::make_unique<UiFixture>();
        window = fixture->NewMainWindow();
        window->show();
    }

    void cleanup() {
        window.reset();
        fixture.reset();
    }

    void filesAndUntitledScriptsShareTheNumbering() {
        QVERIFY(WriteFile(path("a.sql"), "select 1"));
        FindButton(*window->mainToolBar(), "new")->trigger();
        QCOMPARE(docs().CurrentDocument()->windowTitle(), QString("Untitled 1"));
        ScriptWindow* opened = docs().OpenDocument(path("a.sql"));
        QCOMPARE(opened->editor()->Text(), QString("select 1"));
        QCOMPARE(docs().NewDocument()->windowTitle(), QString("Untitled 3"));
        QCOMPARE(tabTexts(), QStringList({"Untitled 1", "a.sql", "Untitled 3"}));
        QCOMPARE(window->documentTabs()->tabToolTip(1), path("a.sql"));

        // The same path again brings up its document; nothing new is made.
        QCOMPARE(docs().OpenDocument(path("a.sql")), opened);
        QCOMPARE(window->documents().Count(), 3);
        QCOMPARE(window->documentTabs()->currentIndex(), 1);
    }

    void aMissingFileIsCreatedOnlyWhenTheUserSaysSoAndABinaryOneNever() {
        const QString missing = path("new.sql");
        desktop().answers = {mb::No};
        QVERIFY(!docs().OpenDocument(missing));
        QCOMPARE(desktop().messages[0].prompt,
                 QString("The file: %1\ndoes not exist. Do you wish to create it?").arg(missing));
        QCOMPARE(desktop().messages[0].buttons, mb::YesNo | mb::Question);

        // A database opened as a script would be destroyed by the next save.
        const QByteArray database("Standard Jet DB\0\0\x01payload", 24);
        QVERIFY(WriteFile(path("orders.mdb"), database));
        QVERIFY(!docs().OpenDocument(path("orders.mdb")));
        QVERIFY(desktop().Prompts()[1].contains("not a text file"));
        QCOMPARE(window->documentTabs()->count(), 0);
        QCOMPARE(FileBytes(path("orders.mdb")), database);

        QCOMPARE(docs().OpenDocument(missing)->windowTitle(), missing); // answered Yes
    }

    void saveAsAsksBeforeReplacingAndNamesTheDocumentAfterTheFile() {
        ScriptWindow* editor = docs().NewDocument();
        QTest::keyClicks(editor->editor(), "select 2");
        QVERIFY(editor->isChanged());
        QCOMPARE(window->documentTabs()->tabIcon(0).cacheKey(), DocumentTabIcon(true).cacheKey());

        // Cancel changes nothing and says nothing; a failed write says so and keeps the edits.
        FindButton(*window->mainToolBar(), "saveas")->trigger();
        QVERIFY(desktop().messages.isEmpty());
        desktop().fileNames = {path("no such folder/w.sql")};
        QVERIFY(!docs().SaveDocument());
        QCOMPARE(desktop().messages.size(), 1);
        QCOMPARE(editor->windowTitle(), QString("Untitled 1"));
        QVERIFY(editor->isChanged());
        desktop().messages.clear();

        // An existing name is replaced only after a Yes; No asks for another name.
        QVERIFY(WriteFile(path("taken.sql"), "keep me"));
        desktop().fileNames = {path("taken.sql"), path("mine.sql")};
        desktop().answers = {mb::No};
        QVERIFY(docs().SaveDocumentAs());
        QCOMPARE(desktop().Prompts(),
                 QStringList({path("taken.sql") + " Already exists.\nDo you want to replace it?"}));
        QCOMPARE(FileBytes(path("taken.sql")), QByteArray("keep me"));
        QCOMPARE(FileBytes(path("mine.sql")), QByteArray("select 2"));
        QCOMPARE(editor->windowTitle(), path("mine.sql"));
        QCOMPARE(tabTexts(), QStringList({"mine.sql"}));
        QCOMPARE(window->documentTabs()->tabIcon(0).cacheKey(), DocumentTabIcon(false).cacheKey());
        QCOMPARE(window->recentFiles().Slot(1), path("mine.sql"));

        // Later saves go to that file without a dialog.
        QTest::keyClicks(editor->editor(), "-- ");
        QVERIFY(docs().SaveDocument());
        QCOMPARE(FileBytes(path("mine.sql")), QByteArray("select 2-- "));
        QCOMPARE(desktop().fileDialogFilters.size(), 4);
    }

    // Neither a script nor the log is ever written over a database: not over the session's
    // own, reached by any path, and not over any Access file.
    void savingNeverReplacesADatabase() {
        const QByteArray jet("\0\1\0\0Standard Jet DB\0payload", 28);
        QVERIFY(WriteFile(path("primary.json"), "{}"));
        QVERIFY(WriteFile(path("elsewhere.accdb"), jet));
        QVERIFY(WriteFile(path("jet-copy.sql"), jet));
        QVERIFY(QFile::link(path("primary.json"), path("link.sql")));
        window->session().setLogin(Side::Primary, {path("primary.json"), {}, {}});
        ScriptWindow* editor = docs().NewDocument();
        QTest::keyClicks(editor->editor(), "select 3");

        const QString refusal("Refusing to write '%1': it is ");
        desktop().fileNames = {path("link.sql"), path("elsewhere.accdb"), path("jet-copy.sql"),
                               path("new.MDE")};
        for (int i = 0; i < 4; ++i)
            QVERIFY(!docs().SaveDocumentAs());
        QCOMPARE(desktop().Prompts(),
                 QStringList({refusal.arg(path("link.sql")) + "the primary database '" +
                                  path("primary.json") + "', which would be replaced.",
                              refusal.arg(path("elsewhere.accdb")) +
                                  "an Access database, and Vantor never writes over one.",
                              refusal.arg(path("jet-copy.sql")) +
                                  "an Access database, and Vantor never writes over one.",
                              refusal.arg(path("new.MDE")) +
                                  "an Access database, and Vantor never writes over one."}));
        QCOMPARE(desktop().messages[0].buttons, mb::Critical);
        QCOMPARE(FileBytes(path("primary.json")), QByteArray("{}"));
        QCOMPARE(FileBytes(path("elsewhere.accdb")), jet);
        QCOMPARE(FileBytes(path("jet-copy.sql")), jet);
        QVERIFY(!QFile::exists(path("new.MDE")));
        QVERIFY(editor->isChanged());
        QCOMPARE(editor->windowTitle(), QString("Untitled 1"));

        // A script whose file became a database since it was opened is not saved over it.
        QVERIFY(WriteFile(path("was-text.sql"), "select 4"));
        ScriptWindow* opened = docs().OpenDocument(path("was-text.sql"));
        QVERIFY(opened);
        QTest::keyClicks(opened->editor(), "x");
        QVERIFY(WriteFile(path("was-text.sql"), jet));
        desktop().messages.clear();
        QVERIFY(!docs().SaveDocument());
        QCOMPARE(desktop().messages.size(), 1);
        QCOMPARE(FileBytes(path("was-text.sql")), jet);

        // The log's Save to file refuses the same way.
        desktop().messages.clear();
        desktop().fileNames = {path("link.sql")};
        window->logWindow()->saveAction->trigger();
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].startsWith(refusal.arg(path("link.sql"))));
        QCOMPARE(FileBytes(path("primary.json")), QByteArray("{}"));
    }

    void saveAllSavesFilesAndAsksANameForUntitledOnes() {
        QVERIFY(WriteFile(path("b.sql"), "b"));
        ScriptWindow* file = docs().OpenDocument(path("b.sql"));
        ScriptWindow* untitled = docs().NewDocument();
        QTest::keyClicks(file->editor(), "x");
        QTest::keyClicks(untitled->editor(), "u");
        window->mdiArea()->setActiveSubWindow(docs().Window(1));
        desktop().fileNames = {path("u.sql")};
        FindButton(*window->mainToolBar(), "saveall")->trigger();
        QCOMPARE(FileBytes(path("b.sql")), QByteArray("xb"));
        QCOMPARE(FileBytes(path("u.sql")), QByteArray("u"));
        QCOMPARE(desktop().fileDialogFilters.size(), 1);
        QCOMPARE(window->documents().CurrentNumber(), 1);
    }

    void unsavedEditsAreNeverLostWithoutAsking() {
        ScriptWindow* editor = docs().NewDocument();
        QMdiSubWindow* sub = window->documents().Window(1);
        QTest::keyClicks(editor->editor(), "precious");

        desktop().answers = {mb::Cancel};
        QVERIFY(!sub->close());
        QCOMPARE(desktop().messages[0].buttons, mb::YesNoCancel | mb::Exclamation);
        QVERIFY(desktop().Prompts()[0].contains("Untitled 1"));

        // Closing the main window asks too; Cancel keeps everything open.
        desktop().answers = {mb::Cancel};
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());

        // Yes saves (here through Save As) before the window goes, and the tab goes with it.
        desktop().answers = {mb::Yes};
        desktop().fileNames = {path("precious.sql")};
        QVERIFY(sub->close());
        QCOMPARE(FileBytes(path("precious.sql")), QByteArray("precious"));
        QCOMPARE(window->documentTabs()->count(), 0);

        // No lets it go; an unchanged document and the shared script window never ask.
        ScriptWindow* other = docs().NewDocument();
        QTest::keyClicks(other->editor(), "scratch");
        desktop().messages.clear();
        desktop().answers = {mb::No};
        QVERIFY(window->documents().Window(2)->close());
        QCOMPARE(desktop().messages.size(), 1);
        docs().NewDocument();
        desktop().messages.clear();
        QVERIFY(window->documents().Window(3)->close());
        QVERIFY(desktop().messages.isEmpty());
    }

    void readmeRecentEntriesAndTheFileBrowserOpenDocuments() {
        window->menu().action("mnReadme")->trigger();
        QVERIFY(docs().CurrentDocument()->editor()->Text().contains("Connect and Compare"));

        QVERIFY(WriteFile(path("c.sql"), "c"));
        Q_EMIT window->navigator()->openFileRequested(path("c.sql"));
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("c.sql"));

        // The open command adds to the recent list; a recent entry opens without adding.
        QVERIFY(WriteFile(path("d.sql"), "d"));
        desktop().fileNames = {path("d.sql")};
        docs().OpenCommand();
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("d.sql"));
        QCOMPARE(window->recentFiles().Slot(1), path("d.sql"));
        docs().OpenDocument(path("c.sql"));
        QCOMPARE(docs().CurrentDocument()->windowTitle(), path("c.sql"));
        QCOMPARE(window->recentFiles().Slot(2), QString());
    }

    void reloadAsksBeforeDroppingEdits() {
        QVERIFY(WriteFile(path("r.sql"), "old"));
        ScriptWindow* editor = docs().OpenDocument(path("r.sql"));
        QVERIFY(WriteFile(path("r.sql"), "new"));
        QTest::keyClicks(editor->editor(), "mine ");
        desktop().answers = {mb::No};
        FindButton(*window->mainToolBar(), "reload")->trigger();
        QCOMPARE(editor->editor()->Text(), QString("mine old"));
        FindButton(*window->mainToolBar(), "reload")->trigger(); // answered Yes
        QCOMPARE(editor->editor()->Text(), QString("new"));
        QVERIFY(!editor->isChanged());
    }
};

QTEST_MAIN(ScriptDocumentsTest)
#include "ScriptDocumentsTest.moc"
