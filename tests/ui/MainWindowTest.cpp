#include "ui/shell/MainWindow.h"
#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareOptionsDialog.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/AboutDialog.h"
#include "ui/shell/HelpCommands.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/WaitWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

WaitWindow* shownWaitWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* wait = qobject_cast<WaitWindow*>(w))
            return wait;
    return nullptr;
}

} // namespace

// The main window's own commands and windows: the database commands, the View and Window
// menus, the document tabs, the log, the wait window, the help and the about box.
class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<MainWindow> window;

    AnsweringDesktop& desktop() { return ui->desktop; }
    QAction* item(const char* name) { return window->menu().action(QLatin1String(name)); }

    void connectExamples() {
        MakeExampleDatabases();
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        QCOMPARE(window->navigator()->objectTree()->topLevelItemCount(), 1);
    }

    QMdiSubWindow* addDocument(const QString& title) {
        ScriptWindow* editor = window->documents().NewDocument();
        editor->setWindowTitle(title);
        return qobject_cast<QMdiSubWindow*>(editor->parentWidget());
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        window = ui->NewMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        ui.reset();
    }

    void commandsThatNeedADatabaseSayTheyDoAndDoNothingElse() {
        ModalDialogs dialogs;
        for (const char* name : {"mnNew", "open", "mnRef", "mnPriCreate", "mnPriDrop", "mnPriAlter",
                                 "mnSecCreate", "mnSecDrop", "mnSecAlter"})
            item(name)->trigger();
        window->openRecentFile(0);
        FindButton(*window->mainToolBar(), "open")->trigger();
        QTest::keyClick(window->navigator()->objectTree(), Qt::Key_F5);
        window->compareView()->markButton(0)->click();
        QCOMPARE(desktop().Prompts(), QStringList(13, "Please open database first.!"));
        QCOMPARE(dialogs.Seen() + desktop().fileDialogFilters.size(), 0);
        QVERIFY(!ui->session.isBusy());
    }

    void commandLineConnectsLikeTheDialogAndRefreshComparesAgain() {
        window->connectAtStart("memory:nowhere", "memory:neither");
        ui->session.waitForWork();
        QCOMPARE(desktop().Prompts().size(), 1);
        QVERIFY(desktop().Prompts()[0].startsWith("Cannot open database.\n\n"));
        QVERIFY(window->connectDialog()->isVisible());
        QCOMPARE(window->connectDialog()->databasePath(0)->text(), QString("memory:nowhere"));

        desktop().messages.clear();
        auto dbs = MakeExampleDatabases();
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        QVERIFY(desktop().messages.isEmpty());
        QCOMPARE(dbs.pri->opens.last().user, QString("Admin"));
        QVERIFY(!window->connectDialog()->isVisible());
        QVERIFY(window->navigator()->node(":Customers"));

        // Refresh Schema compares again.
        dbs.sec->AddTable("Added").Column("Z", 3);
        item("mnRef")->trigger();
        ui->session.waitForWork();
        QCOMPARE(window->statusText(),
                 QString("8 objects: 3 equal, 2 different, 1 only in the primary, 2 only in the "
                         "secondary database"));
    }

    void disconnectAllEmptiesTreeAndPanesButKeepsTheComparison() {
        connectExamples();
        Navigator* nav = window->navigator();
        ShowObject(*nav, "Customers");
        QVERIFY(!window->compareView()->pane(0)->toPlainText().isEmpty());

        item("mnDisconect")->trigger();
        QCOMPARE(nav->objectTree()->topLevelItemCount(), 0);
        QVERIFY(window->compareView()->pane(0)->toPlainText().isEmpty());
        QVERIFY(window->compareView()->pane(1)->toPlainText().isEmpty());
        QVERIFY(!ui->session.isOpen());

        // The comparison stays, so a database command passes its test; a second disconnect of
        // closed databases is harmless, and a refresh opens them again.
        ModalDialogs dialogs;
        item("mnNew")->trigger();
        QCOMPARE(dialogs.Seen(), 1);
        item("mnDisconect")->trigger();
        QVERIFY(desktop().Prompts().isEmpty());
        item("mnRef")->trigger();
        ui->session.waitForWork();
        QVERIFY(ui->session.isOpen());
        QVERIFY(nav->node(":Customers"));
    }

    // The pop-up menu of an object shows it and writes either side's scripts; a command that
    // cannot apply says why instead.
    void theObjectMenuComparesAndWritesEachSidesScripts() {
        connectExamples();
        QStringList scripts;
        ModalDialogs dialogs([&scripts](QWidget* dialog) {
            if (auto* editor = dialog->findChild<ScriptWindow*>())
                scripts << editor->targetField()->text() + ":" + editor->editor()->Text();
        });
        Navigator* nav = window->navigator();
        auto popUpOn = [nav](const QString& name) {
            QTreeWidget* tree = nav->objectTree();
            Q_EMIT tree->customContextMenuRequested(
                tree->visualItemRect(nav->node(":" + name)).center());
            QTRY_VERIFY(nav->objectMenu()->isVisible());
            nav->objectMenu()->hide();
        };
        auto trigger = [nav](const char* name) {
            QAction* action = nav->objectMenu()->findChild<QAction*>(QLatin1String(name));
            QVERIFY2(action, name);
            action->trigger();
        };
        popUpOn("OnlyPri");
        trigger("mnObjSecondaryCREATE");
        QCOMPARE(window->compareView()->currentObject(), QString("OnlyPri"));
        trigger("mnObjSecondaryDROP"); // the secondary database has no OnlyPri
        popUpOn("Open Orders");
        trigger("mnObjPrimaryALTER"); // a view has no ALTER
        trigger("mnObjPrimaryDROP");
        QTRY_COMPARE(scripts.size(), 2);
        QVERIFY(scripts[0].startsWith("1:CREATE TABLE [OnlyPri]"));
        QCOMPARE(scripts[1], QString("0:DROP VIEW [Open Orders]"));
        QCOMPARE(desktop().Prompts(),
                 QStringList({"The secondary database has no 'OnlyPri' to drop.",
                              "'Open Orders' is a view, and views have no ALTER: use Drop and "
                              "Create to replace it."}));
        QVERIFY(!window->compareView()->alterButton(0)->isEnabled());
        QCOMPARE(window->compareView()->alterButton(0)->toolTip(), desktop().Prompts()[1]);
    }

    // Indexes and properties get their own statements, or a reason when no statement applies,
    // instead of the text in the pane.
    void theScriptButtonsWriteEachKindsOwnStatements() {
        ExampleDatabases dbs = MakeExampleDatabases();
        Index byCustomer{"ByCustomer", {{"CustomerID", false}}};
        byCustomer.unique = true;
        Table& orders = dbs.pri->schema.tables[2];
        orders.indexes << byCustomer;
        orders.columns[0].description = "Order number";
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        QStringList scripts;
        ModalDialogs dialogs([&scripts](QWidget* dialog) {
            if (auto* editor = dialog->findChild<ScriptWindow*>())
                scripts << editor->editor()->Text();
        });
        CompareView* compare = window->compareView();
        compare->showObject("Orders.ByCustomer");
        QVERIFY(!compare->alterButton(1)->isEnabled()); // only one side has it
        QVERIFY(compare->alterButton(1)->toolTip().contains("only in the primary database"));
        compare->createScript(1);
        compare->dropScript(0);
        compare->showObject("Orders (properties)");
        QVERIFY(!compare->dropButton(0)->isEnabled());
        QVERIFY(compare->dropButton(0)->toolTip().startsWith("Field and table properties"));
        QTRY_COMPARE(scripts.size(), 2);
        QCOMPARE(scripts[0], QString("CREATE UNIQUE INDEX [ByCustomer] ON [Orders] ([CustomerID])"
                                     "\r\nGO\r\n"));
        QCOMPARE(scripts[1], QString("DROP INDEX [ByCustomer] ON [Orders]\r\nGO\r\n"));
    }

    // Documents start aimed at the secondary database, named with its side; a failed connect
    // leaves them no target at all, and the status bar no counts of the comparison it cleared.
    void documentsNameTheirTargetAndLoseItWhenAConnectFails() {
        connectExamples();
        ScriptWindow* doc = window->documents().NewDocument();
        QCOMPARE(doc->targetChoice()->currentText(), QString("Secondary: memory:sec"));
        QCOMPARE(doc->targetChoice()->itemText(0), QString("Primary: memory:pri"));
        window->connectAtStart("memory:pri", "memory:gone");
        ui->session.waitForWork();
        QCOMPARE(doc->targetChoice()->count(), 0);
        QVERIFY(!doc->targetChoice()->isEnabled());
        QVERIFY(window->statusText().startsWith("Nothing is compared now."));
    }

    // The comparison window grows with the main window, and tiling many windows never makes one
    // smaller than it can show.
    void windowsFollowTheMainWindowAndTilingNeverSqueezesThem() {
        QMdiSubWindow* compare = window->compareWindow();
        QWidget* area = window->mdiArea()->viewport();
        QTRY_COMPARE(compare->geometry(), area->rect());
        window->resize(window->width() + 200, window->height() + 100);
        QTRY_COMPARE(compare->geometry(), area->rect());

        for (int i = 0; i < 12; ++i)
            window->documents().NewDocument();
        for (const char* tiling : {"mnSplitHoriz", "mnSplitVertical"}) {
            item(tiling)->trigger();
            for (QMdiSubWindow* w : window->mdiArea()->subWindowList()) {
                QVERIFY2(w->height() >= w->minimumSizeHint().height(), tiling);
                QVERIFY2(w->width() >= w->minimumSizeHint().width(), tiling);
            }
        }
    }

    // The options chosen in the dialog apply at once and are kept for the next run.
    void compareOptionsApplyAtOnceAndAreKeptBetweenRuns() {
        connectExamples();
        ModalDialogs dialogs([](QWidget* dialog) {
            auto* options = qobject_cast<CompareOptionsDialog*>(dialog);
            QVERIFY(options && options->kindBox(KindGroup::Views)->isChecked());
            options->kindBox(KindGroup::Views)->setChecked(false);
            options->excludeBox()->setPlainText("only*\n");
            options->accept();
        });
        item("mnCompareOptions")->trigger();
        ui->session.waitForWork();
        Navigator* nav = window->navigator();
        QVERIFY(!nav->node(":Open Orders") && !nav->node(":OnlyPri") && !nav->node(":OnlySec"));
        QVERIFY(nav->node(":Customers"));

        window.reset();
        ui->session.setCompareSettings({});
        window = ui->NewMainWindow();
        QCOMPARE(ui->session.compareSettings().exclude, QStringList({"only*"}));
        QVERIFY(!ui->session.compareSettings().compares(KindGroup::Views));
    }

    void viewTogglesKeepMarksAndWindowsInStep() {
        item("mnObjBrowser")->trigger();
        QVERIFY(!item("mnObjBrowser")->isChecked());
        QVERIFY(window->navigatorDock()->isHidden());
        item("mnObjBrowser")->trigger();
        QVERIFY(window->navigatorDock()->isVisible());
        item("DisplayLogWindow")->trigger();
        QVERIFY(window->logDock()->isHidden());

        // Closing a window by its own button takes its mark away.
        window->navigatorDock()->close();
        QVERIFY(!item("mnObjBrowser")->isChecked());
        window->compareWindow()->close();
        QVERIFY(!item("mnTblCmp")->isChecked());

        // A double-click in the tree brings the comparison window back.
        connectExamples();
        ShowObject(*window->navigator(), "Orders");
        QVERIFY(window->compareWindow()->isVisible());
        QVERIFY(item("mnTblCmp")->isChecked());

        // After Close All Windows, View > Table Compare and a double-click give a working one.
        item("CloseAllWindows")->trigger();
        QVERIFY(window->compareWindow()->isHidden());
        item("mnTblCmp")->trigger();
        QVERIFY(window->compareWindow()->isVisible());
        ShowObject(*window->navigator(), "Customers");
        QCOMPARE(window->compareView()->objectLabel()->text(), QString("Customers"));
        QVERIFY(!window->compareView()->pane(0)->toPlainText().isEmpty());
    }

    void tilingLaysTheOpenWindowsOutWithoutGapsOrOverlap() {
        // Room for three windows in a row or a column at their minimum size.
        window->resize(1600, 1300);
        QMdiSubWindow* a = window->compareWindow();
        QMdiSubWindow* b = addDocument("b");
        QMdiSubWindow* c = addDocument("c");
        QTRY_VERIFY(window->mdiArea()->viewport()->height() > 900);
        QRect space = window->mdiArea()->viewport()->rect();
        auto tiled = [&] {
            return a->geometry().united(c->geometry()) == space &&
                   !a->geometry().intersects(b->geometry()) &&
                   !b->geometry().intersects(c->geometry()) &&
                   a->width() * a->height() + b->width() * b->height() + c->width() * c->height() ==
                       space.width() * space.height();
        };
        FindButton(*window->mainToolBar(), "tilehor")->trigger();
        QVERIFY(tiled());
        QCOMPARE(a->width(), space.width());
        item("mnSplitVertical")->trigger();
        QVERIFY(tiled());
        QCOMPARE(a->height(), space.height());

        // A hidden window keeps out of the tiling; a minimised one goes to the bottom row.
        a->hide();
        b->showMinimized();
        window->arrange(Arrangement::TileHorizontal);
        QCOMPARE(c->geometry(), space);
        window->arrange(Arrangement::ArrangeIcons);
        QCOMPARE(b->geometry().bottomLeft(), space.bottomLeft());
    }

    void documentsAreReachedFromTheWindowListAndTheTabsAndClosedFromTheToolBar() {
        QMdiSubWindow* first = addDocument("Untitled 1");
        window->mdiArea()->setActiveSubWindow(first);
        Q_EMIT window->menu().windowList->aboutToShow();
        QStringList entries;
        for (QAction* a : window->menu().windowList->actions())
            entries << a->text() + (a->isChecked() ? "*" : "");
        QCOMPARE(entries, QStringList({"SQL Comparison.", "Untitled 1*"}));
        window->menu().windowList->actions().first()->trigger();
        QCOMPARE(window->mdiArea()->activeSubWindow(), window->compareWindow());

        QMdiSubWindow* second = addDocument("Untitled 2");
        QTabBar* tabs = window->documentTabs();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QCOMPARE(window->mdiArea()->activeSubWindow(), first);
        QTest::mouseClick(tabs, Qt::RightButton, {}, tabs->tabRect(1).center());
        QCOMPARE(window->mdiArea()->activeSubWindow(), second);
        QCOMPARE(window->documents().CurrentNumber(), 2);
        FindButton(*window->mainToolBar(), "close")->trigger();
        QTRY_VERIFY(!window->documents().Window(2));
        QVERIFY(window->documents().Window(1));

        // Close All closes the documents; the comparison window only hides.
        item("CloseAllWindows")->trigger();
        QTRY_VERIFY(!window->documents().Window(1));
        QVERIFY(window->compareWindow()->isHidden());
        QVERIFY(!item("mnTblCmp")->isChecked());
    }

    // What the session says is shown stamped and as plain text; the right button alone opens
    // the menu that copies, saves or clears it.
    void theLogShowsStampedPlainLinesAndItsMenuCopiesSavesOrClears() {
        LogWindow* log = window->logWindow();
        ui->session.log("Connecting <b>a</b> with b");
        QVERIFY_THROWS_EXCEPTION(Error, ui->session.open()); // both paths empty: error 1001
        QStringList lines = log->text->toPlainText().split('\n');
        QCOMPARE(lines.size(), 2);
        QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ");
        QVERIFY(stamp.match(lines[0]).hasMatch());
        QVERIFY(lines[0].endsWith("Connecting <b>a</b> with b"));
        QVERIFY(lines[1].endsWith("Error 1001: Enter Primary and Secondary Database (error 1001: "
                                  "no database was named)"));

        QTest::mouseClick(log->text->viewport(), Qt::LeftButton);
        QVERIFY(!log->menu->isVisible());
        QTest::mousePress(log->text->viewport(), Qt::RightButton);
        QVERIFY(log->menu->isVisible());
        log->menu->hide();

        const QString saved = ui->files.filePath("log.txt");
        log->text->setPlainText("one\ntwo");
        log->copyAction->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("one\ntwo"));
        desktop().fileNames = {saved, "", ui->files.filePath("no/such/log.txt")};
        log->saveAction->trigger();
        QCOMPARE(FileBytes(saved), QByteArray("one\ntwo\n"));
        log->saveAction->trigger(); // cancelled: nothing is written or said
        QVERIFY(desktop().messages.isEmpty());
        log->saveAction->trigger();
        QCOMPARE(desktop().messages.size(), 1);

        log->clearAction->trigger();
        log->copyAction->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString());
    }

    void aWaitWindowShowsTheProgressAtTheScreensCornerWhileSchemasLoad() {
        bool sawTableLoading = false;
        connect(&ui->session, &Session::progressed, this, [&sawTableLoading] {
            const WaitWindow* wait = shownWaitWindow();
            sawTableLoading =
                sawTableLoading ||
                (wait && wait->isVisible() &&
                 wait->caption()->text() == "Analyzing tables: Customers" &&
                 wait->progressBar()->value() > 0 &&
                 wait->pos() == QGuiApplication::primaryScreen()->geometry().topLeft());
        });
        connectExamples();
        QVERIFY(sawTableLoading);
        QVERIFY(!shownWaitWindow());
        QVERIFY(!QApplication::overrideCursor());

        // Also when the databases cannot be opened.
        window->connectAtStart("memory:absent", "memory:absent");
        ui->session.waitForWork();
        QVERIFY(!shownWaitWindow());
        QVERIFY(!QApplication::overrideCursor());
    }

    void theHelpMenuAndButtonOpenTheHelpAndThePagesOrSayWhyNot() {
        const QUrl index = QUrl::fromLocalFile(HelpIndexPath());
        item("mnHelpGen")->trigger();
        FindButton(*window->mainToolBar(), "help")->trigger();
        item("mnHelpOnline")->trigger();
        item("mnProductWeb")->trigger();
        // No web page stands behind the web items: they open the help the program brings.
        QCOMPARE(desktop().openedUrls, QList<QUrl>(4, index));
        QVERIFY(desktop().messages.isEmpty());

        // Missing help names every place looked at; an address no browser takes is shown.
        QStringList nowhere = {"/nonexistent/one/help/index.html",
                               "/nonexistent/two/share/vantor/help/index.html"};
        ShowHelp(desktop(), nowhere);
        QCOMPARE(desktop().openedUrls.size(), 4);
        for (const QString& place : nowhere)
            QVERIFY2(desktop().Prompts().value(0).contains(place), qPrintable(place));
        desktop().browserTakesUrls = false;
        OpenUrl(desktop(), "https://example.org/");
        QCOMPARE(desktop().Prompts().size(), 2);
        QVERIFY(desktop().Prompts()[1].contains("https://example.org/"));
    }

    // The menu opens the about box modally; its button starts the first system information
    // program installed, or says there is none.
    void theAboutBoxStartsSystemInformationOrSaysItIsUnavailable() {
        const QString program = WriteProgram(ui->files.path(), "fake-sysinfo");
        ModalDialogs dialogs([&](QWidget* dialog) {
            auto* about = qobject_cast<AboutDialog*>(dialog);
            if (!about)
                return;
            about->sysInfoPrograms = {"vantor-no-such-sysinfo"};
            about->sysInfoSearchPaths = {ui->files.path()};
            QTest::mouseClick(about->sysInfoButton, Qt::LeftButton);
            about->sysInfoPrograms << "fake-sysinfo";
            about->startSysInfo();
        });
        item("mnAbout")->trigger();
        QCOMPARE(dialogs.Seen(), 1);
        QCOMPARE(desktop().Prompts(),
                 QStringList({"System Information Is Unavailable At This Time"}));
        QTRY_VERIFY(QFile::exists(program + ".ran"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
