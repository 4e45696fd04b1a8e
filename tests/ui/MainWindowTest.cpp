#include "engine/clsEngine.h"
#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/frmCompare.h"
#include "ui/compare/frmConnect.h"
#include "ui/navigator/frmNav.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/frmMDI.h"
#include "ui/shell/frmOutput.h"

#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

const QString kFirst = QStringLiteral("Please open database first.!");

QStringList captionsOf(const QMenu* menu) {
    QStringList captions;
    for (const QAction* a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return captions;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<frmMDI> window;

    AnsweringUi& ui() { return session->ui; }
    QAction* item(const char* name) { return window->Menu().Item(QLatin1String(name)); }

    void connectExamples() {
        MakeExampleDatabases();
        window->ConnectAtStart("memory:pri", "memory:sec");
        QVERIFY(Engine);
        QCOMPARE(window->Nav()->tvDbObj->topLevelItemCount(), 1);
    }

    QMdiSubWindow* addDocument(const QString& title) {
        auto* w = window->MdiArea()->addSubWindow(new QTextEdit());
        w->setWindowTitle(title);
        int n = window->Docs.GetFreeDocIndex();
        window->Docs.Set(n, w);
        int tab = window->tb->addTab(title);
        window->tb->setTabData(tab, QStringLiteral("key%1").arg(n));
        w->show();
        return w;
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        window = std::make_unique<frmMDI>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() {
        window.reset();
        session.reset();
    }

    void startsWithCaptionDocksAndComparisonWindow() {
        QCOMPARE(window->windowTitle(),
                 QString("Vantor Ver.3.0.0 (for Microsoft Access Database)"));
        QCOMPARE(window->dockWidgetArea(window->NavDock()), Qt::LeftDockWidgetArea);
        QCOMPARE(window->dockWidgetArea(window->OutputDock()), Qt::BottomDockWidgetArea);
        QVERIFY(window->Nav()->isVisible());
        QVERIFY(window->Output()->isVisible());
        QVERIFY(window->CompareWindow()->isVisible());
        for (const char* name : {"mnObjBrowser", "mnTblCmp", "DisplayLogWindow"})
            QVERIFY2(item(name)->isChecked(), name);
        QVERIFY(!Engine);
    }

    void menuTreeHasEveryItemInOrderWithShortcuts() {
        MainMenu& m = window->Menu();
        QCOMPARE(
            captionsOf(m.mnFile),
            QStringList({"&Connect and Compare...", "&Disconnect All", "&Refresh Schema", "-",
                         "&New Script", "&Open...", "&Save", "Save &As...", "Save All &Queries",
                         "&Print...", "-", "&Recent File List", "E&xit"}));
        QCOMPARE(
            captionsOf(m.mnEdit),
            QStringList({"Primary database script CREATE", "Primary database script DROP",
                         "Primary database script ALTER", "-", "Secondary database script CREATE",
                         "Secondary database script DROP", "Secondary database script ALTER"}));
        QCOMPARE(captionsOf(m.mnView),
                 QStringList({"Object browser.", "Table Compare.", "Display &Log window."}));
        QCOMPARE(captionsOf(m.mnAddIns), QStringList({"Unknown"}));
        QCOMPARE(captionsOf(m.mnWindow),
                 QStringList({"&Tile Horizontal", "&Tile Vertical", "Arrange Icons", "&Casade", "-",
                              "Close All Windows", "-", "&Show File in Browser", "Window List"}));
        QCOMPARE(captionsOf(m.mnHelp), QStringList({"&General Help", "Help Online", "-", "&Readme",
                                                    "Orvel Compare Website", "-",
                                                    "&Check Update Application", "&About"}));
        QStringList bar;
        for (QMenu* top : {m.mnFile, m.mnEdit, m.mnView, m.mnAddIns, m.mnWindow, m.mnHelp})
            bar << top->title();
        QCOMPARE(bar, QStringList({"&File", "&Edit", "&View", "&Add-Ins", "&Window", "&Help"}));

        QStringList shortcuts;
        for (const char* name :
             {"new", "mnRef", "open", "mnSave", "mnSecCreate", "mnSecDrop", "mnSecAlter"})
            shortcuts << item(name)->shortcut().toString();
        QCOMPARE(shortcuts, QStringList({"Ctrl+N", "F5", "Ctrl+O", "Ctrl+S", "F6", "F7", "F8"}));
    }

    void toolBarsCarryTheirKeysAndToolTips() {
        QStringList keys;
        for (QAction* a : window->tBar->actions())
            if (!a->isSeparator())
                keys << ButtonKey(a);
        QCOMPARE(keys.size(), 36);
        for (const QString& key : keys)
            QVERIFY2(!FindButton(*window->tBar, key)->icon().isNull(), qPrintable(key));
        QCOMPARE(window->tbMacro->actions().size(), 11);
        QCOMPARE(ButtonKey(window->tbMacro->actions().last()), QString("cmac"));
    }

    void commandsThatNeedADatabaseSayTheyDoAndDoNothingElse() {
        ModalDialogs dialogs;
        QSignalSpy open(window.get(), &frmMDI::OpenRequested);
        QSignalSpy recent(window.get(), &frmMDI::RecentFileRequested);
        item("mnNew")->trigger();
        item("open")->trigger();
        window->mnuRec_Click(0);
        window->tBar_ButtonClick("open");
        QCOMPARE(ui().Prompts(), QStringList(4, kFirst));
        QCOMPARE(ui().messages[0].buttons, mb::Exclamation);
        QCOMPARE(dialogs.Seen() + open.count() + recent.count(), 0);

        // The script commands of the Edit menu ask the comparison window, which checks too.
        ui().messages.clear();
        for (const char* name :
             {"mnPriCreate", "mnPriDrop", "mnPriAlter", "mnSecCreate", "mnSecDrop", "mnSecAlter"})
            item(name)->trigger();
        QCOMPARE(ui().Prompts(), QStringList(6, kFirst));
    }

    void disconnectAllEmptiesTreeAndPanesButKeepsTheEngine() {
        connectExamples();
        frmNav* nav = window->Nav();
        nav->tvDbObj->setCurrentItem(nav->Node(":Customers"));
        nav->tvDbObj_DblClick();
        QVERIFY(!window->Compare()->ed[0]->toPlainText().isEmpty());
        auto engine = Engine;

        item("mnDisconect")->trigger();
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);
        QVERIFY(window->Compare()->ed[0]->toPlainText().isEmpty());
        QVERIFY(window->Compare()->ed[1]->toPlainText().isEmpty());
        QCOMPARE(CnPrimary->State(), adStateClosed);
        QCOMPARE(CnSecondary->State(), adStateClosed);
        QCOMPARE(Engine, engine);

        // The engine stays, so a database command passes its test; a second disconnect of
        // closed connections is harmless.
        ModalDialogs dialogs;
        item("mnNew")->trigger();
        QCOMPARE(dialogs.Seen(), 1);
        item("mnDisconect")->trigger();
        QVERIFY(ui().messages.isEmpty());
    }

    void refreshSchemaComparesAgainAndWithoutEngineAsksForADatabase() {
        item("mnRef")->trigger();
        QCOMPARE(ui().Prompts(), QStringList({kFirst}));

        auto dbs = MakeExampleDatabases();
        window->ConnectAtStart("memory:pri", "memory:sec");
        dbs.sec->AddTable("Added").Column("Z", 3);
        item("mnRef")->trigger();
        QTreeWidgetItem* added = window->Nav()->Node(":Added");
        QVERIFY(added);
        QCOMPARE(added->parent(), window->Nav()->Node(":TABLE"));
        QVERIFY(window->lblStatus->text().contains("7 objects"));
    }

    void viewTogglesKeepMarksAndWindowsInStep() {
        item("mnObjBrowser")->trigger();
        QVERIFY(!item("mnObjBrowser")->isChecked());
        QVERIFY(window->NavDock()->isHidden());
        item("mnObjBrowser")->trigger();
        QVERIFY(window->NavDock()->isVisible());
        item("DisplayLogWindow")->trigger();
        QVERIFY(window->OutputDock()->isHidden());

        // Closing a window by its own button takes its mark away.
        window->NavDock()->close();
        QVERIFY(!item("mnObjBrowser")->isChecked());
        window->CompareWindow()->close();
        QVERIFY(!item("mnTblCmp")->isChecked());

        // A double-click in the tree brings the comparison window back.
        connectExamples();
        window->Nav()->tvDbObj->setCurrentItem(window->Nav()->Node(":Orders"));
        window->Nav()->tvDbObj_DblClick();
        QVERIFY(window->CompareWindow()->isVisible());
        QVERIFY(item("mnTblCmp")->isChecked());
    }

    void toolBarDispatchesKnownKeysAndIgnoresTheRest() {
        QList<std::shared_ptr<QSignalSpy>> spies;
        for (auto signal :
             {&frmMDI::NewDocumentRequested, &frmMDI::SaveAllRequested, &frmMDI::SaveAsRequested,
              &frmMDI::ReloadRequested, &frmMDI::HelpRequested})
            spies << std::make_shared<QSignalSpy>(window.get(), signal);
        // A new document needs no database, unlike the menu's New Script.
        for (const char* key : {"new", "saveall", "saveas", "reload", "help", "save", "print",
                                "undo", "find", "ctag", "start", "nonsense"})
            window->tBar_ButtonClick(QLatin1String(key));
        for (const auto& spy : spies)
            QCOMPARE(spy->count(), 1);
        QVERIFY(ui().messages.isEmpty());
    }

    void tilingLaysTheOpenWindowsOutWithoutGapsOrOverlap() {
        QMdiSubWindow* a = window->CompareWindow();
        QMdiSubWindow* b = addDocument("b");
        QMdiSubWindow* c = addDocument("c");
        QRect space = window->MdiArea()->viewport()->rect();
        auto tiled = [&] {
            return a->geometry().united(c->geometry()) == space &&
                   !a->geometry().intersects(b->geometry()) &&
                   !b->geometry().intersects(c->geometry()) &&
                   a->width() * a->height() + b->width() * b->height() + c->width() * c->height() ==
                       space.width() * space.height();
        };
        FindButton(*window->tBar, "tilehor")->trigger();
        QVERIFY(tiled());
        QCOMPARE(a->width(), space.width());
        item("mnSplitVertical")->trigger();
        QVERIFY(tiled());
        QCOMPARE(a->height(), space.height());

        // A hidden window keeps out of the tiling; a minimised one goes to the bottom row.
        a->hide();
        b->showMinimized();
        window->Arrange(arrange::TileHorizontal);
        QCOMPARE(c->geometry(), space);
        window->Arrange(arrange::ArrangeIcons);
        QCOMPARE(b->geometry().bottomLeft(), space.bottomLeft());
    }

    void closeAllWindowsClosesDocumentsAndHidesTheComparisonWindow() {
        QMdiSubWindow* doc = addDocument("Untitled 1");
        doc->setAttribute(Qt::WA_DeleteOnClose);
        item("CloseAllWindows")->trigger();
        QTRY_VERIFY(!window->Docs.Item(1));
        QVERIFY(window->CompareWindow()->isHidden());
        QVERIFY(!item("mnTblCmp")->isChecked());
    }

    void windowListNamesTheOpenWindowsAndChecksTheActiveOne() {
        QMdiSubWindow* doc = addDocument("Untitled 1");
        window->MdiArea()->setActiveSubWindow(doc);
        Q_EMIT window->Menu().WindowList->aboutToShow();
        QStringList entries;
        for (QAction* a : window->Menu().WindowList->actions())
            entries << a->text() + (a->isChecked() ? "*" : "");
        QCOMPARE(entries, QStringList({"SQL Comparison.", "Untitled 1*"}));

        window->Menu().WindowList->actions().first()->trigger();
        QCOMPARE(window->MdiArea()->activeSubWindow(), window->CompareWindow());
    }

    void tabStripActivatesItsDocumentAndRemakesAClosedOne() {
        QMdiSubWindow* first = addDocument("Untitled 1");
        QMdiSubWindow* second = addDocument("Untitled 2");
        window->tb_MouseDown(0);
        QCOMPARE(window->MdiArea()->activeSubWindow(), first);
        QCOMPARE(window->CurrentDoc, 1);

        // The tool bar's "close" closes the current document.
        second->setAttribute(Qt::WA_DeleteOnClose);
        window->tb_MouseDown(1);
        QCOMPARE(window->CurrentDoc, 2);
        FindButton(*window->tBar, "close")->trigger();
        QTRY_VERIFY(!window->Docs.Item(2));

        int made = 0;
        window->DocumentWindowFactory = [&](int n) {
            ++made;
            auto* w = window->MdiArea()->addSubWindow(new QTextEdit());
            w->setWindowTitle(QStringLiteral("Untitled %1").arg(n));
            return w;
        };
        window->tb_MouseUp(1, Qt::RightButton);
        QCOMPARE(made, 1);
        QVERIFY(window->Docs.Item(2));
        QCOMPARE(window->MdiArea()->activeSubWindow(), window->Docs.Item(2));
    }

    void commandLineConnectsLikeTheDialogAndKeepsItOpenOnFailure() {
        window->ConnectAtStart("memory:nowhere", "memory:neither");
        QCOMPARE(ui().Prompts().size(), 1);
        QVERIFY(ui().Prompts()[0].startsWith("Cannot open database.\n\n"));
        QVERIFY(window->Connect()->isVisible());
        QCOMPARE(window->Connect()->txtDb[0]->text(), QString("memory:nowhere"));

        ui().messages.clear();
        MakeExampleDatabases();
        window->ConnectAtStart("memory:pri", "memory:sec");
        QVERIFY(ui().messages.isEmpty());
        QCOMPARE(Engine->DbUserPrimary(), QString("Admin"));
        QVERIFY(!window->Connect()->isVisible());
        QVERIFY(window->Nav()->Node(":Customers"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
