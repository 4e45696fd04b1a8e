#include "engine/Connection.h"
#include "engine/clsEngine.h"
#include "model/VantorError.h"
#include "tests/support/TestPaths.h"
#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiSession.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/editor/frmEditor.h"
#include "ui/icons/Icons.h"
#include "ui/shell/frmMDI.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace vantor;
using namespace vantor::test;

// The script window: its tool bars, bookmarks, keys and the runs against real snapshot files.
class ScriptEditorTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<QTemporaryDir> dir;
    QString primary, secondary;

    AnsweringUi& ui() { return session->ui; }

    void openBoth(const QString& primaryPath, const QString& secondaryPath) {
        Engine = std::make_shared<clsEngine>();
        Engine->DbPathPrimary(primaryPath);
        Engine->DbPathSecondary(secondaryPath);
        QVERIFY(Engine->DbOpen());
    }

    // Runs text in a fresh editor aimed by oneOrTwo and answers the closing question.
    std::unique_ptr<frmEditor> run(const QString& text, const QString& oneOrTwo = "0",
                                   int answer = mb::No) {
        auto editor = std::make_unique<frmEditor>();
        editor->txtOneOrTwo->setText(oneOrTwo);
        editor->SetScript(text);
        ui().answers.push_back(answer);
        editor->ToolbarButtonClick("exec");
        return editor;
    }

    bool hasTable(const QString& path, const QString& name) {
        return FileBytes(path).contains(QString("\"name\": \"%1\"").arg(name).toUtf8());
    }

    // An editor in a shown MDI window, as the desktop hosts its documents.
    QMdiSubWindow* hosted(QMdiArea& area, frmEditor* editor) {
        area.show();
        QMdiSubWindow* sub = area.addSubWindow(editor);
        sub->show();
        return sub;
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        dir = std::make_unique<QTemporaryDir>();
        primary = CopyExample("orders-v1.json", dir->filePath("pri.json"));
        secondary = CopyExample("orders-v1.json", dir->filePath("sec.json"));
        openBoth(primary, secondary);
    }

    void cleanup() {
        session.reset();
        dir.reset();
    }

    void bookmarksToggleWrapAndClear() {
        frmEditor editor;
        editor.SetScript("a\r\nb\r\nc\r\nd");
        ScriptEditControl* ed = editor.ed;
        ed->setCursorPosition(1, 0);
        editor.ToolbarButtonClick("tbmark");
        ed->setCursorPosition(3, 0);
        editor.ToolbarButtonClick("tbmark");
        QCOMPARE(ed->Bookmarks(), QList<qint64>({1, 3}));
        editor.ToolbarButtonClick("npbmark");
        QCOMPARE(ed->CaretLine(), 1); // past the last one it starts again at the top
        editor.ToolbarButtonClick("pbmark");
        QCOMPARE(ed->CaretLine(), 3);
        editor.ToolbarButtonClick("cbmark");
        QVERIFY(ed->Bookmarks().isEmpty());

        // Prepared for a run: old bookmarks gone, line 0 marked and bookmarked.
        ed->setCursorPosition(2, 0);
        editor.ToolbarButtonClick("tbmark");
        ed->setCursorPosition(0, 0);
        editor.OnLoad();
        QCOMPARE(ed->Bookmarks(), QList<qint64>({0}));
        QVERIFY(ed->HasRunMark(0));
    }

    void aRunMovesFromBookmarkToBookmarkBatchByBatch() {
        frmEditor editor;
        editor.SetScript("-- a\r\nGO\r\n-- b\r\nGO\r\n-- c\r\nGO\r\n-- d");
        editor.ed->setCursorPosition(4, 0);
        editor.ToolbarButtonClick("tbmark");
        editor.ed->setCursorPosition(0, 0);
        ui().answers = {mb::No};
        editor.ToolbarButtonClick("exec");
        QCOMPARE(ui().Prompts(), QStringList({frmEditor::ClosingQuestion()}));
        QCOMPARE(editor.ed->CaretLine(), 4); // three batches later, always back at the one
    }

    void editingButtonsWorkAndNeverLoseTheScript() {
        frmEditor editor;
        editor.SetScript("select 1");
        QApplication::clipboard()->clear();
        editor.ToolbarButtonClick("undo"); // the script put in is not an edit to undo
        editor.ToolbarButtonClick("paste");
        QCOMPARE(editor.ed->Text(), QString("select 1"));
        QVERIFY(!editor.Changed());

        editor.ed->selectAll();
        editor.ToolbarButtonClick("cut");
        QVERIFY(editor.Changed());
        editor.ToolbarButtonClick("undo");
        editor.ToolbarButtonClick("redo");
        QCOMPARE(editor.ed->Text(), QString());
        editor.ToolbarButtonClick("paste");
        editor.ToolbarButtonClick("no such key");
        QCOMPARE(editor.ed->Text(), QString("select 1"));
    }

    void doActCaptionsSelectsAndMarksItsTab() {
        frmMDI main;
        main.tb->addTab("x");
        main.tb->setTabData(0, "key1");
        main.tb->addTab("y");
        main.tb->setTabData(1, "key2");
        frmEditor editor;
        editor.Tag("2");
        editor.setWindowTitle("/srv/scripts/fix orders.sql");
        editor.Changed(true);
        editor.DoAct();
        QCOMPARE(main.tb->tabText(1), QString("fix orders.sql"));
        QCOMPARE(main.tb->tabToolTip(1), QString("/srv/scripts/fix orders.sql"));
        QCOMPARE(main.tb->currentIndex(), 1);
        QCOMPARE(main.tb->tabIcon(1).cacheKey(), DocumentTabIcon(true).cacheKey());

        editor.Tag("9");
        try {
            editor.DoAct();
            QFAIL("a tag without a tab must be reported");
        } catch (const VantorError& e) {
            QCOMPARE(e.Number(), err::ElementNotFound);
        }
    }

    void scriptRunsBatchByBatchOnTheChosenDatabaseOnly() {
        const QByteArray untouchedSecondary = FileBytes(secondary);
        auto editor = run("CREATE TABLE [T one] (A int)\r\n go \r\n\r\nGO\r\n"
                          "CREATE TABLE [T two] (B int)\r\n");
        QCOMPARE(ui().Prompts(), QStringList({frmEditor::ClosingQuestion()}));
        QCOMPARE(ui().messages[0].buttons, mb::YesNo | mb::Exclamation);
        QVERIFY(hasTable(primary, "T one"));
        QVERIFY(hasTable(primary, "T two"));
        QCOMPARE(FileBytes(secondary), untouchedSecondary);
        // The run leaves its marks: where it started, and the line after each batch's first.
        QVERIFY(editor->ed->HasStartMark(0));
        QVERIFY(editor->ed->HasRunMark(0));
        QVERIFY(editor->ed->HasRunMark(3));

        const QByteArray untouchedPrimary = FileBytes(primary);
        run("CREATE TABLE [T three] (C int)", "1");
        QVERIFY(hasTable(secondary, "T three"));
        QCOMPARE(FileBytes(primary), untouchedPrimary);
    }

    void shortBatchesAreSkippedCountingTheirLineBreaks() {
        const QByteArray before = FileBytes(primary);
        // Nothing at all, one separator, five empty lines, eight characters: nothing is sent.
        for (const QString& script : {QString(), QString("GO"), QString("\r\n\r\n\r\n\r\n"),
                                      QString("GO\r\nGO\r\n12345678\r\nGO")}) {
            ui().messages.clear();
            run(script);
            QCOMPARE(ui().Prompts(), QStringList({frmEditor::ClosingQuestion()}));
        }
        QCOMPARE(FileBytes(primary), before);

        // Six empty lines, nine characters, or a GO that does not stand alone on its line
        // ("GO;", a tab before it) reach the database as they are, which rejects them.
        for (const QString& script :
             {QString("\r\n\r\n\r\n\r\n\r\n"), QString("123456789"),
              QString("CREATE TABLE [T four] (A int)\r\nGO;\r\n\tGO\r\n")}) {
            ui().messages.clear();
            run(script);
            QCOMPARE(ui().messages.size(), 1);
            QVERIFY(ui().Prompts()[0] != frmEditor::ClosingQuestion());
        }
        QCOMPARE(FileBytes(primary), before);
    }

    void firstErrorStopsTheRunAndKeepsWhatRanBefore() {
        frmMDI main;
        main.StatusText("before");
        auto editor = run("CREATE TABLE [T five] (A int)\r\nGO\r\nCREATE TABLE [T five] (A int)\r\n"
                          "GO\r\nCREATE TABLE [T six] (A int)\r\nGO");
        QCOMPARE(ui().messages.size(), 1);
        QVERIFY(ui().Prompts()[0].contains("T five"));
        QCOMPARE(ui().messages[0].buttons, mb::Exclamation);
        QVERIFY(hasTable(primary, "T five"));
        QVERIFY(!hasTable(primary, "T six"));
        QCOMPARE(main.lblStatus->text(), QString("before"));
        QVERIFY(editor->ed->Text().startsWith("CREATE TABLE [T five]"));

        // A run that ends normally points at the refresh, whatever the answer.
        run("DROP TABLE [T five]");
        QCOMPARE(main.lblStatus->text(), frmEditor::RefreshHint());
    }

    void accessFilesRefuseScriptsAsAnyProviderError() {
        const QString access = SharedAccessDir() + "/queryTestV2007.accdb";
        if (!QFile::exists(access))
            QSKIP("the shared Access files are not here");
        const QString copy = dir->filePath("copy.accdb");
        QVERIFY(QFile::copy(access, copy));
        openBoth(copy, secondary);
        const QByteArray before = FileBytes(copy);
        run("CREATE TABLE [T seven] (A int)");
        QCOMPARE(ui().messages.size(), 1);
        QVERIFY(ui().Prompts()[0].contains("read-only", Qt::CaseInsensitive));
        QCOMPARE(FileBytes(copy), before);
    }

    void runningWithoutOpenDatabasesSaysWhatToDo() {
        ResetGlobals();
        InstallDesktopUi(&ui());
        run("CREATE TABLE [T eight] (A int)");
        QCOMPARE(ui().messages.size(), 1);
        QVERIFY(ui().Prompts()[0].contains("Connect and Compare"));
    }

    void f5RunsLikeExecAndYesClosesTheWindow() {
        QMdiArea area;
        auto* editor = new frmEditor;
        QMdiSubWindow* sub = hosted(area, editor);
        editor->SetScript("CREATE TABLE [T nine] (A int)");
        ui().answers.push_back(mb::Yes);
        QTest::keyClick(editor->ed, Qt::Key_F5);
        QVERIFY(hasTable(primary, "T nine"));
        QCOMPARE(ui().Prompts(), QStringList({frmEditor::ClosingQuestion()}));
        QTRY_VERIFY(!sub->isVisible());
    }

    void aRunningScriptCannotBeClosedOrStartedAgain() {
        // The run lets events through between batches; here they are the user's impatience.
        struct ImpatientUi : AnsweringUi {
            std::function<void()> meddle;
            void DoEvents() override {
                if (meddle)
                    meddle();
            }
        } impatient;
        InstallDesktopUi(&impatient);
        QMdiArea area;
        auto* editor = new frmEditor;
        QMdiSubWindow* sub = hosted(area, editor);
        editor->SetScript("CREATE TABLE [T ten] (A int)\r\nGO\r\nCREATE TABLE [T eleven] (A int)");
        impatient.meddle = [&] {
            QTest::keyClick(editor->ed, Qt::Key_Escape);
            QTest::keyClick(editor->ed, Qt::Key_F5);
            editor->ToolbarButtonClick("close");
            QVERIFY(sub->isVisible());
        };
        impatient.answers = {mb::No};
        editor->ToolbarButtonClick("exec");
        InstallDesktopUi(&ui());
        QCOMPARE(impatient.Prompts(), QStringList({frmEditor::ClosingQuestion()}));
        QVERIFY(hasTable(primary, "T eleven"));
        QVERIFY(sub->isVisible());
        QVERIFY(!editor->ed->isReadOnly());
    }

    void sharedWindowIsModalAimedAndClosesOnEscapeWithoutAQuestion() {
        QString target, oneOrTwo, text;
        bool chooseTarget = true;
        bool closedByEscape = false;
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* editor = dialog->findChild<frmEditor*>();
            target = editor->cbTgt->currentText();
            oneOrTwo = editor->txtOneOrTwo->text();
            chooseTarget = editor->cbTgt->isEnabled();
            QTest::keyClicks(editor->ed, "edited ");
            text = editor->ed->Text();
            QTest::keyClick(editor->ed, Qt::Key_Escape);
            closedByEscape = !dialog->isVisible();
        });
        ShowScriptWindow(nullptr, "DROP TABLE [X]", ScriptTarget::Secondary);
        QCOMPARE(dialogs.Seen(), 1);
        QCOMPARE(target, secondary);
        QCOMPARE(oneOrTwo, QString("1"));
        QVERIFY(!chooseTarget);
        QCOMPARE(text, QString("edited DROP TABLE [X]"));
        QVERIFY(closedByEscape);
        QVERIFY(ui().messages.isEmpty());
    }

    void targetChoiceAndTheHiddenFieldFollowEachOther() {
        frmEditor editor;
        editor.SetTargets(primary, secondary);
        QCOMPARE(editor.cbTgt->currentText(), primary);
        editor.txtOneOrTwo->setText("1");
        QCOMPARE(editor.cbTgt->currentText(), secondary);
        editor.cbTgt->setEnabled(true);
        editor.cbTgt->setCurrentIndex(0);
        Q_EMIT editor.cbTgt->activated(0);
        QCOMPARE(editor.txtOneOrTwo->text(), QString("0"));
    }
};

QTEST_MAIN(ScriptEditorTest)
#include "ScriptEditorTest.moc"
