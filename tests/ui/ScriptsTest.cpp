#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareView.h"
#include "ui/editor/ScriptDialog.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

// What a script window showed when it opened.
struct Shown {
    QString text;
    QString oneOrTwo;
    QString target;
};

} // namespace

// Script windows: editing, bookmarks, keys and runs against real snapshot files, and the
// scripts the comparison window writes for either database. The copies of the two example
// snapshots are compared: the newer schema as the primary database, the older as the secondary.
class ScriptsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<CompareView> compare;
    std::unique_ptr<Navigator> nav;
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

    void show(const QString& name) {
        nav->tvDbObj->setCurrentItem(nav->Node(":" + name));
        nav->tvDbObj_DblClick();
    }

    // Runs a command and records the script window it opens, if any; with run set, the
    // script is executed with F5 and the closing question answered Yes.
    QList<Shown> command(const std::function<void()>& click, bool run = false) {
        QList<Shown> shown;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            shown << Shown{editor->ed->Text(), editor->txtOneOrTwo->text(),
                           editor->cbTgt->currentText()};
            if (run) {
                desktop().answers.push_back(mb::Yes);
                QTest::keyClick(editor->ed, Qt::Key_F5);
            }
        });
        click();
        return shown;
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        dir = std::make_unique<QTemporaryDir>();
        primary = CopyExample("orders-v2.json", dir->filePath("v2.json"));
        secondary = CopyExample("orders-v1.json", dir->filePath("v1.json"));
        QVERIFY(ui->Compare(primary, secondary));
        compare = std::make_unique<CompareView>(ui->session, ui->desktop);
        nav = std::make_unique<Navigator>(ui->session, ui->desktop, *compare);
        nav->Fill_TvObjects();
    }

    void cleanup() {
        nav.reset();
        compare.reset();
        ui.reset();
        dir.reset();
    }

    void bookmarksToggleWrapClearAndLeadTheRun() {
        auto editor = newEditor();
        editor->SetScript("a\r\nb\r\nc\r\nd");
        ScriptEditControl* ed = editor->ed;
        ed->setCursorPosition(1, 0);
        editor->ToolbarButtonClick("tbmark");
        ed->setCursorPosition(3, 0);
        editor->ToolbarButtonClick("tbmark");
        QCOMPARE(ed->Bookmarks(), QList<qint64>({1, 3}));
        editor->ToolbarButtonClick("npbmark");
        QCOMPARE(ed->CaretLine(), 1); // past the last one it starts again at the top
        editor->ToolbarButtonClick("pbmark");
        QCOMPARE(ed->CaretLine(), 3);
        editor->ToolbarButtonClick("cbmark");
        QVERIFY(ed->Bookmarks().isEmpty());

        // Prepared for a run: old bookmarks gone, line 0 marked and bookmarked.
        ed->setCursorPosition(2, 0);
        editor->ToolbarButtonClick("tbmark");
        ed->setCursorPosition(0, 0);
        editor->OnLoad();
        QCOMPARE(ed->Bookmarks(), QList<qint64>({0}));
        QVERIFY(ed->HasRunMark(0));

        // A run moves to the next bookmark after each batch, wrapping round to the first.
        editor->SetScript("-- a\r\nGO\r\n-- b\r\nGO\r\n-- c\r\nGO\r\n-- d");
        ed->setCursorPosition(4, 0);
        editor->ToolbarButtonClick("tbmark");
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
        QVERIFY(hasTable(primary, "T one"));
        QVERIFY(hasTable(primary, "T two"));
        QCOMPARE(FileBytes(secondary), untouchedSecondary);
        // The run leaves its marks: where it started, and the line after each batch's first.
        QVERIFY(editor->ed->HasStartMark(0));
        QVERIFY(editor->ed->HasRunMark(0));
        QVERIFY(editor->ed->HasRunMark(3));

        const QByteArray untouchedPrimary = FileBytes(primary);
        run("CREATE TABLE [T three] (C int)", 1);
        QVERIFY(hasTable(secondary, "T three"));
        QCOMPARE(FileBytes(primary), untouchedPrimary);
    }

    void firstErrorStopsTheRunAndKeepsWhatRanBefore() {
        auto main = ui->NewMainWindow();
        main->StatusText("before");
        auto editor = run("CREATE TABLE [T five] (A int)\r\nGO\r\nCREATE TABLE [T five] (A int)\r\n"
                          "GO\r\nCREATE TABLE [T six] (A int)\r\nGO",
                          0, main.get());
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].contains("T five"));
        QCOMPARE(desktop().messages[0].buttons, mb::Exclamation);
        QVERIFY(hasTable(primary, "T five"));
        QVERIFY(!hasTable(primary, "T six"));
        QCOMPARE(main->lblStatus->text(), QString("before"));
        QVERIFY(editor->ed->Text().startsWith("CREATE TABLE [T five]"));

        // A run that ends normally points at the refresh, whatever the answer.
        run("DROP TABLE [T five]", 0, main.get());
        QCOMPARE(main->lblStatus->text(), ScriptWindow::RefreshHint());
    }

    void runningWithoutOpenDatabasesSaysWhatToDo() {
        ui->session.close();
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
        QString target, oneOrTwo, text;
        bool chooseTarget = true;
        bool closedByEscape = false;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<ScriptWindow*>();
            target = editor->cbTgt->currentText();
            oneOrTwo = editor->txtOneOrTwo->text();
            chooseTarget = editor->cbTgt->isEnabled();
            QTest::keyClicks(editor->ed, "edited ");
            text = editor->ed->Text();
            QTest::keyClick(editor->ed, Qt::Key_Escape);
            closedByEscape = !dialog->isVisible();
        });
        ShowScriptWindow(nullptr, ui->session, ui->desktop, "DROP TABLE [X]", Side::Secondary);
        QCOMPARE(dialogs.Seen(), 1);
        QCOMPARE(target, secondary);
        QCOMPARE(oneOrTwo, QString("1"));
        QVERIFY(!chooseTarget);
        QCOMPARE(text, QString("edited DROP TABLE [X]"));
        QVERIFY(closedByEscape);
        QVERIFY(desktop().messages.isEmpty());
    }

    void createTakesTheOtherSidesDefinitionOrTheOnlyOne() {
        show("Customers"); // in both
        const QString primaryDefinition = compare->PaneText(0);
        const QString secondaryDefinition = compare->PaneText(1);
        QVERIFY(primaryDefinition.contains("[E-Mail]"));
        QVERIFY(!secondaryDefinition.contains("[E-Mail]"));
        QCOMPARE(command([&] { compare->cmdCrt_Click(0); }).value(0).text, secondaryDefinition);
        QCOMPARE(command([&] { compare->cmdCrt_Click(1); }).value(0).text, primaryDefinition);

        show("Shippers"); // only in the secondary database
        const QString onlyDefinition = compare->PaneText(1);
        QVERIFY(onlyDefinition.startsWith("CREATE TABLE [Shippers]"));
        QCOMPARE(command([&] { compare->cmdCrt_Click(0); }).value(0).text, onlyDefinition);
        QCOMPARE(command([&] { compare->cmdCrt_Click(1); }).value(0).text, onlyDefinition);
    }

    void dropAndAlterFollowTheObjectsType() {
        show("Product List");
        QCOMPARE(command([&] { compare->cmdDrop_Click(1); }).value(0).text,
                 QString("DROP VIEW [Product List]"));
        QCOMPARE(command([&] { compare->cmdAlter_Click(1); }).size(), 0); // views have no ALTER

        show("Customers");
        QCOMPARE(command([&] { compare->cmdDrop_Click(0); }).value(0).text,
                 QString("DROP TABLE [Customers]"));
        // Only the primary database has the E-Mail column: one side adds it, the other drops it.
        const QString toSecondary = command([&] { compare->cmdAlter_Click(1); }).value(0).text;
        const QString toPrimary = command([&] { compare->cmdAlter_Click(0); }).value(0).text;
        QVERIFY(toSecondary.startsWith("ALTER TABLE [Customers]\r\n ADD \r\n"));
        QVERIFY(toSecondary.contains("[E-Mail]"));
        QVERIFY(toPrimary.contains(" DROP COLUMN \r\n"));
        QVERIFY(toPrimary.contains("[E-Mail]"));
        QVERIFY(desktop().messages.isEmpty());
    }

    // Every button opens one script window, aimed at the database of the pane it sits under.
    void buttonsUnderEachPaneAimAtThatPanesDatabase() {
        show("Customers");
        for (int side : {0, 1}) {
            const QString target = side == 0 ? primary : secondary;
            for (QPushButton* button :
                 {compare->cmdCrt[side], compare->cmdDrop[side], compare->cmdAlter[side]}) {
                QList<Shown> shown = command([&] { button->click(); });
                QCOMPARE(shown.size(), 1);
                QCOMPARE(shown[0].target, target);
                QCOMPARE(shown[0].oneOrTwo, QString::number(side));
            }
        }
    }

    void unknownOrMissingObjectsAreNamedAndOpenNothing() {
        compare->lblTbl[0]->setText("Gone Table");
        QCOMPARE(command([&] { compare->cmdDrop_Click(1); }).size(), 0);
        QCOMPARE(command([&] { compare->cmdAlter_Click(1); }).size(), 0);
        QCOMPARE(desktop().messages.size(), 2);
        QVERIFY(desktop().Prompts()[0].contains("'Gone Table'"));

        desktop().messages.clear();
        compare->lblTbl[0]->clear();
        QCOMPARE(command([&] { compare->cmdDrop_Click(0); }).size(), 0);
        QCOMPARE(desktop().messages.size(), 1);
    }

    // Running each differing object's script for the secondary database makes both equal.
    void secondarySideScriptsConvergeTheExamples() {
        QList<DiffEntry> differing;
        for (const DiffEntry& entry : ui->session.diff()->entries)
            if (entry.state != ObjectState::Equal && !IsSystemKind(entry.kind))
                differing << entry;
        QVERIFY(differing.size() >= 5);
        for (const DiffEntry& entry : differing) {
            show(entry.name);
            switch (entry.state) {
            case ObjectState::Different:
                if (entry.isView()) {
                    command([&] { compare->cmdDrop_Click(1); }, true);
                    command([&] { compare->cmdCrt_Click(1); }, true);
                } else {
                    command([&] { compare->cmdAlter_Click(1); }, true);
                }
                break;
            case ObjectState::OnlyPrimary:
                command([&] { compare->cmdCrt_Click(1); }, true);
                break;
            case ObjectState::OnlySecondary:
                command([&] { compare->cmdDrop_Click(1); }, true);
                break;
            case ObjectState::Equal:
                break;
            }
            for (const auto& message : desktop().messages)
                QVERIFY2(message.prompt == ScriptWindow::ClosingQuestion(),
                         qPrintable(entry.name + ": " + message.prompt));
        }
        nav->Reload();
        for (const DiffEntry& entry : ui->session.diff()->entries)
            QVERIFY2(entry.state == ObjectState::Equal, qPrintable(entry.name));
    }
};

QTEST_MAIN(ScriptsTest)
#include "ScriptsTest.moc"
