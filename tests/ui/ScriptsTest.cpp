#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/ScriptDocuments.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <functional>
#include <thread>

using namespace vantor;
using namespace vantor::test;

// Script windows: editing, bookmarks, keys and runs against real snapshot files, and the
// scripts the comparison window writes for either database. The copies of the two example
// snapshots are compared: the newer schema as the primary database, the older as the secondary.
class ScriptsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    QString primary, secondary;

    AnsweringDesktop& desktop() { return ui->desktop; }

    std::unique_ptr<ScriptWindow> newEditor() {
        return std::make_unique<ScriptWindow>(ui->session, ui->desktop);
    }

    // Runs text in the editor, its target chosen as a user would, and answers No to closing the
    // window.
    void runIn(ScriptWindow& editor, const QString& text, int target = 0) {
        editor.setTargets(primary, secondary);
        editor.targetChoice()->setCurrentIndex(target);
        Q_EMIT editor.targetChoice()->activated(target);
        editor.setScript(text);
        desktop().answers.push_back(mb::No);
        editor.button("exec")->trigger();
        ui->session.waitForWork();
    }
    std::unique_ptr<ScriptWindow> run(const QString& text, int target = 0) {
        auto editor = newEditor();
        runIn(*editor, text, target);
        return editor;
    }

    bool hasTable(const QString& path, const QString& name) {
        return FileBytes(path).contains(QString("\"name\": \"%1\"").arg(name).toUtf8());
    }

    // Clicks the button under a pane and gives the script of the window it opens, a null string
    // when none opens; with run set, F5 runs a script aimed right and Yes closes the window.
    QString scriptFrom(QPushButton* (CompareView::*button)(int) const, int side, bool run = false) {
        QStringList scripts;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            QVERIFY(editor);
            // A script written for one database must never run on the other.
            const bool aimed = editor->targetField()->text() == QString::number(side) &&
                               editor->targetChoice()->currentText() ==
                                   (side == 0 ? "Primary: " + primary : "Secondary: " + secondary);
            scripts << (aimed ? editor->editor()->Text() : QStringLiteral("<aimed elsewhere>"));
            if (run && aimed) {
                desktop().answers.push_back(mb::Yes);
                QTest::keyClick(editor->editor(), Qt::Key_F5);
                ui->session.waitForWork();
            }
        });
        (ui->compare.*button)(side)->click();
        return scripts.size() > 1 ? QStringLiteral("<several windows>") : scripts.value(0);
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        primary = CopyExample("orders-v2.json", ui->files.filePath("v2.json"));
        secondary = CopyExample("orders-v1.json", ui->files.filePath("v1.json"));
        QVERIFY(ui->Compare(primary, secondary));
        ui->nav.fillTree();
    }

    void cleanup() { ui.reset(); }

    void bookmarksToggleWrapClearAndLeadTheRun() {
        auto editor = newEditor();
        editor->setScript("a\r\nb\r\nc\r\nd");
        ScriptEditControl* ed = editor->editor();
        auto markAt = [&](int line) {
            ed->setCursorPosition(line, 0);
            editor->button("tbmark")->trigger();
        };
        markAt(1);
        markAt(3);
        QCOMPARE(ed->Bookmarks(), QList<qint64>({1, 3}));
        editor->button("npbmark")->trigger();
        QCOMPARE(ed->CaretLine(), 1); // past the last one it starts again at the top
        editor->button("pbmark")->trigger();
        QCOMPARE(ed->CaretLine(), 3);
        editor->button("cbmark")->trigger();
        QVERIFY(ed->Bookmarks().isEmpty());

        // Prepared for a run: old bookmarks gone, line 0 marked and bookmarked.
        markAt(2);
        ed->setCursorPosition(0, 0);
        editor->prepareBookmarks();
        QCOMPARE(ed->Bookmarks(), QList<qint64>({0}));
        QVERIFY(ed->HasRunMark(0));

        // A run moves to the next bookmark after each batch, wrapping round to the first.
        editor->setScript("-- a\r\nGO\r\n-- b\r\nGO\r\n-- c\r\nGO\r\n-- d");
        markAt(4);
        ed->setCursorPosition(0, 0);
        desktop().answers = {mb::No};
        editor->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(ed->CaretLine(), 4); // three batches later, always back at the one
    }

    void theScriptPutInIsNoEditButTheEditingButtonsAre() {
        auto editor = newEditor();
        editor->setScript("select 1");
        editor->button("undo")->trigger();
        QCOMPARE(editor->editor()->Text(), QString("select 1"));
        QVERIFY(!editor->isChanged());
        editor->editor()->selectAll();
        for (const char* key : {"cut", "paste", "paste"})
            editor->button(key)->trigger();
        QCOMPARE(editor->editor()->Text(), QString("select 1select 1"));
        QVERIFY(editor->isChanged());
    }

    void scriptRunsBatchByBatchOnTheChosenDatabaseOnly() {
        const QByteArray untouchedSecondary = FileBytes(secondary);
        auto editor = run("CREATE TABLE [T one] (A int)\r\n go \r\n\r\nGO\r\n"
                          "CREATE TABLE [T two] (B int)\r\n");
        // One question after the run, never a second one in a row.
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::ClosingQuestion()}));
        QCOMPARE(desktop().messages[0].buttons, mb::YesNo | mb::Exclamation);
        QVERIFY(hasTable(primary, "T one") && hasTable(primary, "T two"));
        QCOMPARE(FileBytes(secondary), untouchedSecondary);
        // The run leaves its marks: where it started, and the first line of each batch that ran;
        // the empty batch between the two separators was skipped and is not marked as run.
        QVERIFY(editor->editor()->HasStartMark(0) && editor->editor()->HasRunMark(0) &&
                editor->editor()->HasRunMark(4));
        QVERIFY(!editor->editor()->HasRunMark(2) && !editor->editor()->HasRunMark(3));

        const QByteArray untouchedPrimary = FileBytes(primary);
        run("CREATE TABLE [T three] (C int)", 1);
        QVERIFY(hasTable(secondary, "T three"));
        QCOMPARE(FileBytes(primary), untouchedPrimary);
    }

    void firstErrorStopsTheRunAndAClosedDatabaseSaysWhatToDo() {
        auto main = ui->NewMainWindow();
        main->setStatusText("before");
        // A script document shows its run's hint in the main window's status bar.
        ScriptWindow* editor = main->documents().NewDocument();
        runIn(*editor, "CREATE TABLE [T five] (A int)\r\nGO\r\nCREATE TABLE [T five] (A int)\r\n"
                       "GO\r\nCREATE TABLE [T six] (A int)\r\nGO");
        QCOMPARE(desktop().messages.size(), 1);
        // The message names the batch and its first line, which is selected in the editor.
        QVERIFY(desktop().Prompts()[0].startsWith(
            "Batch 2 failed at line 3: CREATE TABLE [T five] (A int)\n\n"));
        QCOMPARE(editor->editor()->selectedText(), QString("CREATE TABLE [T five] (A int)"));
        QVERIFY(hasTable(primary, "T five"));
        QVERIFY(!hasTable(primary, "T six"));
        QCOMPARE(main->statusText(), QString("before"));
        QVERIFY(editor->editor()->Text().startsWith("CREATE TABLE [T five]"));

        // A run that ends normally points at the refresh, whatever the answer.
        runIn(*main->documents().NewDocument(), "DROP TABLE [T five]");
        QCOMPARE(main->statusText(), ScriptWindow::RefreshHint());

        // Without open databases nothing runs, and the user learns what to do first.
        ui->session.close();
        desktop().messages.clear();
        run("CREATE TABLE [T eight] (A int)");
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].contains("Connect and Compare"));
    }

    // While its script runs the window stays usable, F5 starts nothing more, and the closing
    // question comes once the run has ended.
    void f5RunsTheScriptOnceAndYesClosesTheWindowAfterwards() {
        QMdiArea area;
        auto* editor = new ScriptWindow(ui->session, ui->desktop);
        area.show();
        QPointer<QMdiSubWindow> sub = area.addSubWindow(editor);
        sub->show();
        editor->setScript("CREATE TABLE [T ten] (A int)\r\nGO\r\nCREATE TABLE [T eleven] (A int)");
        desktop().answers = {mb::Yes};
        QTest::keyClick(editor->editor(), Qt::Key_F5);
        QVERIFY(editor->isRunning() && editor->editor()->isReadOnly());
        QVERIFY(!editor->button("exec")->isEnabled());
        QTest::keyClick(editor->editor(), Qt::Key_F5);
        QTRY_VERIFY(!ui->session.isBusy());
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::ClosingQuestion()}));
        QVERIFY(hasTable(primary, "T eleven"));
        QTRY_VERIFY(!sub || !sub->isVisible());
    }

    // A script that went through is not run on the same database again without asking.
    void aScriptThatRanCompletelyAsksBeforeRunningAgain() {
        auto editor = run("CREATE TABLE [T twelve] (A int)");
        desktop().messages.clear();
        desktop().answers = {mb::No};
        editor->button("exec")->trigger();
        QVERIFY(!ui->session.isBusy());
        QCOMPARE(desktop().Prompts(),
                 QStringList({"This script has already run completely on the primary database " +
                              primary + ". Run it again?"}));

        // Changed, it runs without the question.
        desktop().messages.clear();
        editor->editor()->Text("DROP TABLE [T twelve]");
        desktop().answers = {mb::No};
        editor->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::ClosingQuestion()}));
        QVERIFY(!hasTable(primary, "T twelve"));
    }

    // Closing the window of a running script stops the run between two batches; what ran stays
    // and the log says how far it came.
    void closingARunningScriptStopsItBetweenBatches() {
        auto dbs = MakeExampleDatabases();
        QVERIFY(ui->Compare("memory:pri", "memory:sec"));
        QStringList log;
        connect(&ui->session, &Session::logged, this,
                [&log](const QString& line) { log << line.mid(21); });
        QMdiArea area;
        auto* editor = new ScriptWindow(ui->session, ui->desktop);
        QPointer<QMdiSubWindow> sub = area.addSubWindow(editor);
        area.show();
        sub->show();
        editor->setScript("CREATE TABLE [A] (X int)\r\nGO\r\nCREATE TABLE [B] (X int)");
        dbs.pri->holdExecutes = true;
        QTest::keyClick(editor->editor(), Qt::Key_F5);
        QTRY_VERIFY(dbs.pri->executing.load());
        std::thread release([&dbs] {
            QThread::msleep(50);
            dbs.pri->holdExecutes = false;
        });
        QTest::keyClick(editor->editor(), Qt::Key_Escape);
        release.join();
        QVERIFY(!ui->session.isBusy());
        QVERIFY(!sub || !sub->isVisible());
        QCOMPARE(dbs.pri->executed, QStringList({"CREATE TABLE [A] (X int)\r\n"}));
        QCOMPARE(log.mid(1), QStringList({"Batch 1 (lines 1-1) executed.",
                                          "Script cancelled: 1 of its batches were executed "
                                          "before it stopped and stay applied."}));
        QVERIFY(desktop().messages.isEmpty());
    }

    // The shared window opens modal and aimed as written; untouched, Escape closes it at once.
    // With edits, Escape, its own Close button and its frame's close button each ask the same
    // question: Cancel keeps the window and the edits, No lets it go.
    void everyWayOfClosingTheSharedWindowAsksAboutUnsavedEdits() {
        QStringList seen;
        {
            ModalDialogs untouched([&](QWidget* dialog) {
                auto* editor = dialog->findChild<ScriptWindow*>();
                QVERIFY(editor);
                seen << editor->targetChoice()->currentText() << editor->targetField()->text()
                     << (editor->targetChoice()->isEnabled() ? "choosable" : "fixed");
                QTest::keyClick(editor->editor(), Qt::Key_Escape);
                seen << (dialog->isVisible() ? "open" : "closed");
            });
            ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        }
        QCOMPARE(seen, QStringList({"Secondary: " + secondary, "1", "fixed", "closed"}));
        QVERIFY(desktop().messages.isEmpty());

        using Close = std::function<void(QWidget*, ScriptWindow*)>;
        const QList<std::pair<QString, Close>> routes = {
            {"Escape",
             [](QWidget*, ScriptWindow* e) { QTest::keyClick(e->editor(), Qt::Key_Escape); }},
            {"Close me", [](QWidget*, ScriptWindow* e) { e->button("close")->trigger(); }},
            {"frame", [](QWidget* dialog, ScriptWindow*) { dialog->close(); }},
        };
        for (const auto& [route, close] : routes) {
            seen.clear();
            desktop().messages.clear();
            ModalDialogs edited([&, close = close](QWidget* dialog) {
                auto* editor = dialog->findChild<ScriptWindow*>();
                QVERIFY(editor);
                QTest::keyClicks(editor->editor(), "edited ");
                desktop().answers = {mb::Cancel};
                close(dialog, editor);
                seen << (dialog->isVisible() ? "open" : "closed") << editor->editor()->Text();
                desktop().answers = {mb::No};
                close(dialog, editor);
                seen << (dialog->isVisible() ? "open" : "closed");
            });
            ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
            QVERIFY2(seen == QStringList({"open", "edited DROP TABLE [X]", "closed"}),
                     qPrintable(route + ": " + seen.join('|')));
            QCOMPARE(desktop().messages.size(), 2);
            QVERIFY2(desktop().Prompts()[0].contains("Save them before it closes?"),
                     qPrintable(route));
        }
    }

    // The shared script window keeps work: Ctrl+S and its Save button save the script (asking a
    // name the first time), a failed save shows error 75, and its close button asks about
    // unsaved edits.
    void theSharedWindowSavesItsScriptAndAsksBeforeLosingEdits() {
        const QString saved = ui->files.filePath("kept.sql");
        QStringList seen;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            QVERIFY(editor);
            dialog->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            editor->editor()->setFocus();
            QTest::keyClicks(editor->editor(), "-- note ");
            desktop().fileNames = {saved};
            QTest::keySequence(editor->editor(), QKeySequence::Save);
            seen << dialog->windowTitle() << (editor->isChanged() ? "changed" : "saved");
            QTest::keyClicks(editor->editor(), "x");
            desktop().fileNames = {ui->files.filePath("no/such/folder/x.sql")};
            editor->saveAsRequested();
            desktop().answers = {mb::Cancel};
            dialog->close();
            seen << (dialog->isVisible() ? "kept open" : "closed");
            desktop().answers = {mb::No};
            dialog->close();
            seen << (dialog->isVisible() ? "kept open" : "closed");
        });
        ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        QCOMPARE(seen, QStringList({saved, "saved", "kept open", "closed"}));
        QCOMPARE(FileBytes(saved), QByteArray("-- note DROP TABLE [X]"));
        QCOMPARE(desktop().messages.size(), 3);
        QVERIFY(desktop().Prompts()[0].startsWith("Error: 75\nThe script could not be saved to "));
        QCOMPARE(desktop().messages[0].buttons, int(mb::Critical));
        QVERIFY(desktop().Prompts()[1].contains("Save them before it closes?"));
    }

    // A script saved over a compared database would destroy it, whatever path leads there.
    void theSharedWindowNeverSavesOverADatabase() {
        const QByteArray before = FileBytes(secondary);
        const QString link = ui->files.filePath("script.sql");
        QVERIFY(QFile::link(secondary, link));
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            QVERIFY(editor);
            desktop().fileNames = {link};
            editor->saveAsRequested();
            desktop().answers = {mb::No};
            dialog->close();
        });
        ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        QVERIFY(!desktop().messages.isEmpty());
        QCOMPARE(desktop().Prompts()[0], "Refusing to write '" + link +
                                             "': it is the secondary database '" + secondary +
                                             "', which would be replaced.");
        QCOMPARE(desktop().messages[0].buttons, int(mb::Critical));
        QCOMPARE(FileBytes(secondary), before);
    }

    // The shared window's Open and New buttons replace its script only once unsaved edits are
    // given up, and a file that cannot be read leaves the script as it was. A file opened there
    // was not written for the side the window was aimed at, so it is aimed at none.
    void theSharedWindowOpensAndStartsScriptsWithoutLosingEdits() {
        const QString kept = ui->files.filePath("kept.sql");
        QVERIFY(WriteFile(kept, "DROP TABLE [Kept]"));
        QStringList seen;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            QVERIFY(editor);
            QTest::keyClicks(editor->editor(), "-- mine ");
            desktop().answers = {mb::No};
            editor->button("open")->trigger(); // the edits are kept
            seen << editor->editor()->Text();
            desktop().answers = {mb::Yes};
            desktop().fileNames = {ui->files.filePath("missing.sql")};
            editor->button("open")->trigger();
            seen << editor->editor()->Text();
            desktop().answers = {mb::Yes};
            desktop().fileNames = {kept};
            editor->button("open")->trigger();
            seen << editor->editor()->Text() << dialog->windowTitle()
                 << (editor->hasTarget() ? "aimed" : "unaimed")
                 << (editor->targetChoice()->isEnabled() ? "choosable" : "fixed");
            editor->button("new")->trigger(); // nothing unsaved: no question
            seen << editor->editor()->Text() << (editor->isChanged() ? "changed" : "clean");
            dialog->close();
        });
        ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        QCOMPARE(seen,
                 QStringList({"-- mine DROP TABLE [X]", "-- mine DROP TABLE [X]",
                              "DROP TABLE [Kept]", kept, "unaimed", "choosable", "", "clean"}));
        QCOMPARE(desktop().messages.size(), 4); // two questions, a failed open, one question
        QVERIFY(desktop().Prompts()[2].startsWith("The file "));
    }

    // The secondary side's scripts are proved by running them below; the primary side's take
    // what the secondary database defines.
    void primarySideScriptsFollowTheSecondaryDatabase() {
        ShowObject(ui->nav, "Customers"); // only the primary database has the E-Mail column
        // Both databases have the table: Create would only fail on either of them.
        QVERIFY(scriptFrom(&CompareView::createButton, 0).isNull());
        QVERIFY(!ui->compare.createButton(1)->isEnabled());
        QCOMPARE(scriptFrom(&CompareView::dropButton, 0), QString("DROP TABLE [Customers]"));
        const QString toPrimary = scriptFrom(&CompareView::alterButton, 0);
        QVERIFY(toPrimary.contains(" DROP COLUMN \r\n"));
        QVERIFY(toPrimary.contains("[E-Mail]"));

        ShowObject(ui->nav, "Shippers"); // only in the secondary database
        QVERIFY(ui->compare.paneText(1).startsWith("CREATE TABLE [Shippers]"));
        QCOMPARE(scriptFrom(&CompareView::createButton, 0), ui->compare.paneText(1));

        ShowObject(ui->nav, "Product List");
        QVERIFY(scriptFrom(&CompareView::alterButton, 1).isNull()); // views have no ALTER
        QVERIFY(desktop().messages.isEmpty());
    }

    // An object that a new comparison no longer holds leaves the view, and the commands that
    // need one say so.
    void commandsWithoutAShownObjectSaySoAndOpenNothing() {
        ShowObject(ui->nav, "Shippers");
        QVERIFY(WriteFile(secondary, FileBytes(primary)));
        ui->commands.refresh();
        ui->session.waitForWork();
        QVERIFY(ui->compare.currentObject().isEmpty());
        QVERIFY(ui->compare.pane(1)->toPlainText().isEmpty());
        for (int side : {0, 1})
            for (QPushButton* b : {ui->compare.createButton(side), ui->compare.alterButton(side),
                                   ui->compare.dropButton(side)})
                QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        // The menu's commands, which stay enabled, say why they do nothing.
        ModalDialogs dialogs;
        ui->compare.dropScript(1);
        ui->compare.alterScript(0);
        ui->compare.createScript(1);
        QCOMPARE(dialogs.Seen(), 0);
        QCOMPARE(desktop().Prompts(), QStringList(3, "No table or view is shown. Double-click one "
                                                     "in the object tree first."));
    }

    // Running each differing table's and view's script for the secondary database makes them
    // equal, which proves each button's script on that side and its aim.
    void secondarySideScriptsConvergeTheExamples() {
        QList<DiffEntry> differing;
        for (const DiffEntry& entry : ui->session.diff()->entries)
            if (entry.state != ObjectState::Equal && (entry.isTable() || entry.isView()))
                differing << entry;
        QVERIFY(differing.size() >= 5);
        for (const DiffEntry& entry : differing) {
            ShowObject(ui->nav, entry.name);
            // Views have no ALTER: a differing one is dropped, and once the comparison knows it
            // is gone, created again.
            const bool replace = entry.state == ObjectState::Different && entry.isView();
            if (entry.state == ObjectState::OnlySecondary || replace)
                scriptFrom(&CompareView::dropButton, 1, true);
            if (replace) {
                ui->commands.refresh();
                ui->session.waitForWork();
                ShowObject(ui->nav, entry.name);
            }
            if (entry.state == ObjectState::OnlyPrimary || replace)
                scriptFrom(&CompareView::createButton, 1, true);
            if (entry.state == ObjectState::Different && !entry.isView())
                scriptFrom(&CompareView::alterButton, 1, true);
            for (const auto& message : desktop().messages)
                QVERIFY2(message.prompt == ScriptWindow::ClosingQuestion(),
                         qPrintable(entry.name + ": " + message.prompt));
        }
        ui->commands.refresh();
        ui->session.waitForWork();
        for (const DiffEntry& entry : ui->session.diff()->entries)
            if (entry.isTable() || entry.isView())
                QVERIFY2(entry.state == ObjectState::Equal, qPrintable(entry.name));
    }
};

QTEST_MAIN(ScriptsTest)
#include "ScriptsTest.moc"
