#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/shell/MainWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>

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

    std::unique_ptr<ScriptWindow> newEditor(QWidget* parent = nullptr) {
        return std::make_unique<ScriptWindow>(ui->session, ui->desktop, parent);
    }

    // Runs text in a fresh editor, its target chosen as a user would, and answers the closing
    // question.
    std::unique_ptr<ScriptWindow> run(const QString& text, int target = 0,
                                      QWidget* parent = nullptr) {
        auto editor = newEditor(parent);
        editor->SetTargets(primary, secondary);
        editor->cbTgt->setCurrentIndex(target);
        Q_EMIT editor->cbTgt->activated(target);
        editor->SetScript(text);
        desktop().answers.push_back(mb::No);
        editor->ToolbarButtonClick("exec");
        return editor;
    }

    bool hasTable(const QString& path, const QString& name) {
        return FileBytes(path).contains(QString("\"name\": \"%1\"").arg(name).toUtf8());
    }

    // Clicks the button under a pane and gives the script of the window it opens, a null string
    // when none opens; with run set, F5 runs a script aimed right and Yes closes the window.
    QString scriptFrom(const std::array<QPushButton*, 2>& buttons, int side, bool run = false) {
        QStringList scripts;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            // A script written for one database must never run on the other.
            const bool aimed = editor->txtOneOrTwo->text() == QString::number(side) &&
                               editor->cbTgt->currentText() == (side == 0 ? primary : secondary);
            scripts << (aimed ? editor->ed->Text() : QStringLiteral("<aimed elsewhere>"));
            if (run && aimed) {
                desktop().answers.push_back(mb::Yes);
                QTest::keyClick(editor->ed, Qt::Key_F5);
            }
        });
        buttons[side]->click();
        return scripts.size() > 1 ? QStringLiteral("<several windows>") : scripts.value(0);
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        primary = CopyExample("orders-v2.json", ui->files.filePath("v2.json"));
        secondary = CopyExample("orders-v1.json", ui->files.filePath("v1.json"));
        QVERIFY(ui->Compare(primary, secondary));
        ui->nav.Fill_TvObjects();
    }

    void cleanup() { ui.reset(); }

    void bookmarksToggleWrapClearAndLeadTheRun() {
        auto editor = newEditor();
        editor->SetScript("a\r\nb\r\nc\r\nd");
        ScriptEditControl* ed = editor->ed;
        auto markAt = [&](int line) {
            ed->setCursorPosition(line, 0);
            editor->ToolbarButtonClick("tbmark");
        };
        markAt(1);
        markAt(3);
        QCOMPARE(ed->Bookmarks(), QList<qint64>({1, 3}));
        editor->ToolbarButtonClick("npbmark");
        QCOMPARE(ed->CaretLine(), 1); // past the last one it starts again at the top
        editor->ToolbarButtonClick("pbmark");
        QCOMPARE(ed->CaretLine(), 3);
        editor->ToolbarButtonClick("cbmark");
        QVERIFY(ed->Bookmarks().isEmpty());

        // Prepared for a run: old bookmarks gone, line 0 marked and bookmarked.
        markAt(2);
        ed->setCursorPosition(0, 0);
        editor->OnLoad();
        QCOMPARE(ed->Bookmarks(), QList<qint64>({0}));
        QVERIFY(ed->HasRunMark(0));

        // A run moves to the next bookmark after each batch, wrapping round to the first.
        editor->SetScript("-- a\r\nGO\r\n-- b\r\nGO\r\n-- c\r\nGO\r\n-- d");
        markAt(4);
        ed->setCursorPosition(0, 0);
        desktop().answers = {mb::No};
        editor->ToolbarButtonClick("exec");
        QCOMPARE(ed->CaretLine(), 4); // three batches later, always back at the one
    }

    void theScriptPutInIsNoEditButTheEditingButtonsAre() {
        auto editor = newEditor();
        editor->SetScript("select 1");
        editor->ToolbarButtonClick("undo");
        QCOMPARE(editor->ed->Text(), QString("select 1"));
        QVERIFY(!editor->Changed());
        editor->ed->selectAll();
        for (const char* key : {"cut", "no such key", "paste", "paste"})
            editor->ToolbarButtonClick(key);
        QCOMPARE(editor->ed->Text(), QString("select 1select 1"));
        QVERIFY(editor->Changed());
    }

    void scriptRunsBatchByBatchOnTheChosenDatabaseOnly() {
        const QByteArray untouchedSecondary = FileBytes(secondary);
        auto editor = run("CREATE TABLE [T one] (A int)\r\n go \r\n\r\nGO\r\n"
                          "CREATE TABLE [T two] (B int)\r\n");
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::ClosingQuestion()}));
        QCOMPARE(desktop().messages[0].buttons, mb::YesNo | mb::Exclamation);
        QVERIFY(hasTable(primary, "T one") && hasTable(primary, "T two"));
        QCOMPARE(FileBytes(secondary), untouchedSecondary);
        // The run leaves its marks: where it started, and the line after each batch's first.
        QVERIFY(editor->ed->HasStartMark(0) && editor->ed->HasRunMark(0) &&
                editor->ed->HasRunMark(3));

        const QByteArray untouchedPrimary = FileBytes(primary);
        run("CREATE TABLE [T three] (C int)", 1);
        QVERIFY(hasTable(secondary, "T three"));
        QCOMPARE(FileBytes(primary), untouchedPrimary);
    }

    void firstErrorStopsTheRunAndAClosedDatabaseSaysWhatToDo() {
        auto main = ui->NewMainWindow();
        main->StatusText("before");
        auto editor = run("CREATE TABLE [T five] (A int)\r\nGO\r\nCREATE TABLE [T five] (A int)\r\n"
                          "GO\r\nCREATE TABLE [T six] (A int)\r\nGO",
                          0, main.get());
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].contains("T five"));
        QVERIFY(hasTable(primary, "T five"));
        QVERIFY(!hasTable(primary, "T six"));
        QCOMPARE(main->lblStatus->text(), QString("before"));
        QVERIFY(editor->ed->Text().startsWith("CREATE TABLE [T five]"));

        // A run that ends normally points at the refresh, whatever the answer.
        run("DROP TABLE [T five]", 0, main.get());
        QCOMPARE(main->lblStatus->text(), ScriptWindow::RefreshHint());

        // Without open databases nothing runs, and the user learns what to do first.
        ui->session.close();
        desktop().messages.clear();
        run("CREATE TABLE [T eight] (A int)");
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].contains("Connect and Compare"));
    }

    void f5RunsTheScriptWhichNeitherClosesNorStartsAgainUntilYesClosesTheWindow() {
        QMdiArea area;
        auto* editor = new ScriptWindow(ui->session, ui->desktop);
        area.show();
        QMdiSubWindow* sub = area.addSubWindow(editor);
        sub->show();
        editor->SetScript("CREATE TABLE [T ten] (A int)\r\nGO\r\nCREATE TABLE [T eleven] (A int)");
        // The run lets events through between batches; here they bring the user's impatience.
        int meddled = 0;
        bool stayedOpen = true;
        QTimer impatience;
        connect(&impatience, &QTimer::timeout, [&] {
            if (!editor->IsRunning())
                return;
            ++meddled;
            QTest::keyClick(editor->ed, Qt::Key_Escape);
            QTest::keyClick(editor->ed, Qt::Key_F5);
            editor->ToolbarButtonClick("close");
            stayedOpen = stayedOpen && sub->isVisible() && editor->ed->isReadOnly();
        });
        impatience.start(0);
        desktop().answers = {mb::Yes};
        QTest::keyClick(editor->ed, Qt::Key_F5);
        impatience.stop();
        QVERIFY(meddled > 0);
        QVERIFY(stayedOpen);
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::ClosingQuestion()}));
        QVERIFY(hasTable(primary, "T eleven"));
        QTRY_VERIFY(!sub->isVisible());
    }

    void sharedWindowIsModalAimedAndClosesOnEscapeWithoutAQuestion() {
        QStringList seen;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            QTest::keyClicks(editor->ed, "edited ");
            seen << editor->cbTgt->currentText() << editor->txtOneOrTwo->text()
                 << (editor->cbTgt->isEnabled() ? "choosable" : "fixed") << editor->ed->Text();
            QTest::keyClick(editor->ed, Qt::Key_Escape);
            seen << (dialog->isVisible() ? "open" : "closed");
        });
        ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        QCOMPARE(seen, QStringList({secondary, "1", "fixed", "edited DROP TABLE [X]", "closed"}));
        QVERIFY(desktop().messages.isEmpty());
    }

    // The secondary side's scripts are proved by running them below; the primary side's take
    // what the secondary database defines.
    void primarySideScriptsFollowTheSecondaryDatabase() {
        ShowObject(ui->nav, "Customers"); // only the primary database has the E-Mail column
        QCOMPARE(scriptFrom(ui->compare.cmdCrt, 0), ui->compare.PaneText(1));
        QCOMPARE(scriptFrom(ui->compare.cmdDrop, 0), QString("DROP TABLE [Customers]"));
        const QString toPrimary = scriptFrom(ui->compare.cmdAlter, 0);
        QVERIFY(toPrimary.contains(" DROP COLUMN \r\n"));
        QVERIFY(toPrimary.contains("[E-Mail]"));

        ShowObject(ui->nav, "Shippers"); // only in the secondary database
        QVERIFY(ui->compare.PaneText(1).startsWith("CREATE TABLE [Shippers]"));
        QCOMPARE(scriptFrom(ui->compare.cmdCrt, 0), ui->compare.PaneText(1));

        ShowObject(ui->nav, "Product List");
        QVERIFY(scriptFrom(ui->compare.cmdAlter, 1).isNull()); // views have no ALTER
        QVERIFY(desktop().messages.isEmpty());
    }

    void unknownOrMissingObjectsAreNamedAndOpenNothing() {
        ui->compare.lblTbl[0]->setText("Gone Table");
        QVERIFY(scriptFrom(ui->compare.cmdDrop, 1).isNull());
        QVERIFY(scriptFrom(ui->compare.cmdAlter, 1).isNull());
        QCOMPARE(desktop().messages.size(), 2);
        QVERIFY(desktop().Prompts()[0].contains("'Gone Table'"));

        desktop().messages.clear();
        ui->compare.lblTbl[0]->clear();
        QVERIFY(scriptFrom(ui->compare.cmdDrop, 0).isNull());
        QCOMPARE(desktop().messages.size(), 1);
    }

    // Running each differing object's script for the secondary database makes both equal, which
    // proves each button's script on that side and its aim.
    void secondarySideScriptsConvergeTheExamples() {
        QList<DiffEntry> differing;
        for (const DiffEntry& entry : ui->session.diff()->entries)
            if (entry.state != ObjectState::Equal && !IsSystemKind(entry.kind))
                differing << entry;
        QVERIFY(differing.size() >= 5);
        for (const DiffEntry& entry : differing) {
            ShowObject(ui->nav, entry.name);
            // Views have no ALTER: a differing one is dropped and created again.
            const bool replace = entry.state == ObjectState::Different && entry.isView();
            if (entry.state == ObjectState::OnlySecondary || replace)
                scriptFrom(ui->compare.cmdDrop, 1, true);
            if (entry.state == ObjectState::OnlyPrimary || replace)
                scriptFrom(ui->compare.cmdCrt, 1, true);
            if (entry.state == ObjectState::Different && !entry.isView())
                scriptFrom(ui->compare.cmdAlter, 1, true);
            for (const auto& message : desktop().messages)
                QVERIFY2(message.prompt == ScriptWindow::ClosingQuestion(),
                         qPrintable(entry.name + ": " + message.prompt));
        }
        ui->nav.Reload();
        for (const DiffEntry& entry : ui->session.diff()->entries)
            QVERIFY2(entry.state == ObjectState::Equal, qPrintable(entry.name));
    }
};

QTEST_MAIN(ScriptsTest)
#include "ScriptsTest.moc"
