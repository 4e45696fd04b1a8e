#include "tests/ui/support/ModalDialogs.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareView.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainToolBars.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/MdiArrange.h"
#include "ui/shell/ScriptDocuments.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

// What the main window must not lose or misstate: the comparison window after it was closed,
// the target of each script document as databases come and go, the document the tool bar acts
// on, the script buttons, and the layouts the Window commands promise.
class KeepingWorkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<MainWindow> window;

    AnsweringDesktop& desktop() { return ui->desktop; }
    QAction* item(const char* name) { return window->menu().action(QLatin1String(name)); }
    QAction* button(const char* key) { return FindButton(*window->mainToolBar(), key); }

    ExampleDatabases connectExamples() {
        ExampleDatabases dbs = MakeExampleDatabases();
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        return dbs;
    }

    QString logText() const { return window->logWindow()->text->toPlainText(); }

    QMdiSubWindow* frameOf(ScriptWindow* editor) {
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

    // However the comparison window was closed, it comes back with its panes and buttons, in
    // front of the documents, showing the object asked for.
    void theComparisonWindowComesBackWholeAndInFront() {
        connectExamples();
        CompareView* compare = window->compareView();
        const QList<std::pair<const char*, std::function<void()>>> closings = {
            {"Close All Windows", [this] { item("CloseAllWindows")->trigger(); }},
            {"its own close button", [this] { window->compareWindow()->close(); }},
        };
        for (const auto& [how, close] : closings) {
            close();
            QTRY_VERIFY2(window->compareWindow()->isHidden(), how);
            item("mnTblCmp")->trigger();
            QVERIFY2(compare->isVisible() && compare->pane(0)->isVisible() &&
                         compare->pane(1)->isVisible() && compare->createButton(1)->isVisible(),
                     how);

            // A double-click brings it back as well, in front of the document last opened.
            close();
            QTRY_VERIFY2(window->compareWindow()->isHidden(), how);
            window->documents().NewDocument();
            ShowObject(*window->navigator(), "Customers");
            QVERIFY2(compare->isVisible() && compare->pane(0)->isVisible(), how);
            QVERIFY2(compare->pane(0)->toPlainText().startsWith("CREATE TABLE [Customers]"), how);
            QCOMPARE(window->mdiArea()->activeSubWindow(), window->compareWindow());
        }
    }

    // A document follows the session: Disconnect All leaves it aimed at nothing and the log says
    // so; F5 then says that no database is open and the log tells of no run. Once the databases
    // are back, F5 asks which of them to run on.
    void disconnectingClearsTheTargetOfEveryDocument() {
        ExampleDatabases dbs = connectExamples();
        ScriptWindow* doc = window->documents().NewDocument();
        QCOMPARE(doc->targetChoice()->currentText(), QString("Secondary: memory:sec"));
        doc->setScript("CREATE TABLE [Fresh] (A int)");

        item("mnDisconect")->trigger();
        QCOMPARE(doc->targetChoice()->count(), 0);
        QVERIFY(!doc->hasTarget());
        QVERIFY(logText().contains("The script Untitled 1 is aimed at no database now"));
        QTest::keyClick(doc->editor(), Qt::Key_F5);
        QVERIFY(!ui->session.isBusy());
        QCOMPARE(desktop().Prompts().size(), 1);
        QVERIFY(desktop().Prompts()[0].startsWith("No database is open to run the script on."));
        QVERIFY(!logText().contains("Running the script"));
        // Nor does a new script window offer the closed databases.
        int offered = -1;
        {
            ModalDialogs dialogs([&offered](QWidget* dialog) {
                if (auto* editor = dialog->findChild<ScriptWindow*>())
                    offered = editor->targetChoice()->count();
            });
            item("mnNew")->trigger();
        }
        QCOMPARE(offered, 0);

        item("mnRef")->trigger();
        ui->session.waitForWork();
        QCOMPARE(doc->targetChoice()->count(), 2);
        QCOMPARE(doc->targetChoice()->currentIndex(), -1);
        desktop().messages.clear();
        desktop().answers = {mb::Cancel};
        QTest::keyClick(doc->editor(), Qt::Key_F5);
        QVERIFY(!ui->session.isBusy());
        QCOMPARE(desktop().Prompts().size(), 1);
        QVERIFY(desktop().Prompts()[0].startsWith("The script is not aimed at a database yet."));
        QVERIFY(dbs.pri->executed.isEmpty() && dbs.sec->executed.isEmpty());

        // No: the secondary database, which the choice then shows.
        desktop().answers = {mb::No, mb::No};
        QTest::keyClick(doc->editor(), Qt::Key_F5);
        ui->session.waitForWork();
        QCOMPARE(dbs.sec->executed, QStringList({"CREATE TABLE [Fresh] (A int)\r\n"}));
        QVERIFY(dbs.pri->executed.isEmpty());
        QCOMPARE(doc->targetChoice()->currentText(), QString("Secondary: memory:sec"));
    }

    // A script read from a file says nothing of the database it was written for: it is aimed
    // at none, and Yes to the question runs it on the primary database.
    void aScriptOpenedFromAFileRunsOnlyWhereTheUserSays() {
        ExampleDatabases dbs = connectExamples();
        const QString path = ui->files.filePath("saved.sql");
        QVERIFY(WriteFile(path, "DROP TABLE [OnlyPri]"));
        ScriptWindow* doc = window->documents().OpenDocument(path);
        QVERIFY(doc);
        QVERIFY(!doc->hasTarget());
        QCOMPARE(doc->targetChoice()->currentIndex(), -1);
        QVERIFY(doc->targetChoice()->isEnabled());

        desktop().answers = {mb::Yes, mb::No};
        QTest::keyClick(doc->editor(), Qt::Key_F5);
        ui->session.waitForWork();
        QCOMPARE(dbs.pri->executed, QStringList({"DROP TABLE [OnlyPri]\r\n"}));
        QVERIFY(dbs.sec->executed.isEmpty());
        // A new document is written in Vantor and keeps the side it starts with.
        QVERIFY(window->documents().NewDocument()->hasTarget());
    }

    // The tool bar's document commands act on the document in front; once it is closed they
    // are disabled until a document is in front again.
    void documentCommandsFollowTheDocumentInFront() {
        const auto enabled = [this] {
            QString states;
            for (const char* key : {"close", "save", "saveas", "reload"})
                states += button(key)->isEnabled() ? '1' : '0';
            return states;
        };
        QCOMPARE(enabled(), QString("0000"));
        ScriptWindow* first = window->documents().NewDocument();
        QCOMPARE(enabled(), QString("1110")); // nothing to reload an untitled script from
        ScriptWindow* second = window->documents().NewDocument();
        QTest::keyClicks(second->editor(), "x");
        desktop().answers = {mb::No};
        button("close")->trigger();
        QTRY_VERIFY(!window->documents().Window(2));
        QTRY_COMPARE(enabled(), QString("0000"));
        QCOMPARE(window->documents().CurrentDocument(), nullptr);
        button("saveas")->trigger(); // disabled: no file dialog
        QVERIFY(desktop().fileDialogFilters.isEmpty());

        QTabBar* tabs = window->documentTabs();
        QCOMPARE(tabs->count(), 1);
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QCOMPARE(window->documents().CurrentDocument(), first);
        QCOMPARE(enabled(), QString("1110"));

        const QString path = ui->files.filePath("first.sql");
        desktop().fileNames = {path};
        button("saveas")->trigger();
        QCOMPARE(first->fileName(), path);
        QCOMPARE(enabled(), QString("1111"));

        button("close")->trigger();
        QTRY_VERIFY(!window->documents().Window(1));
        QCOMPARE(window->documents().CurrentDocument(), nullptr);
        QCOMPARE(enabled(), QString("0000"));
        button("save")->trigger();
        QCOMPARE(desktop().fileDialogFilters.size(), 1); // the one Save As asked with
        QCOMPARE(desktop().messages.size(), 1);
    }

    // Each button under a pane is enabled only where it writes something: Create on the side
    // that lacks the object, Alter where the two differ in what ALTER can change, Drop where
    // the object is; with no object shown none is.
    void theScriptButtonsAreEnabledOnlyWhereTheyWriteSomething_data() {
        QTest::addColumn<QString>("object");
        // Create, Alter, Drop of the primary side, then of the secondary side.
        QTest::addColumn<QString>("states");
        QTest::newRow("nothing shown") << ""
                                       << "000000";
        QTest::newRow("equal table") << "Orders"
                                     << "001001";
        QTest::newRow("different table") << "Customers"
                                         << "011011";
        QTest::newRow("primary only") << "OnlyPri"
                                      << "001100";
        QTest::newRow("secondary only") << "OnlySec"
                                        << "100001";
        QTest::newRow("different view") << "Open Orders"
                                        << "001001";
        QTest::newRow("index of one side") << "Orders.ByCustomer"
                                           << "001100";
    }
    void theScriptButtonsAreEnabledOnlyWhereTheyWriteSomething() {
        QFETCH(QString, object);
        QFETCH(QString, states);
        ExampleDatabases dbs = MakeExampleDatabases();
        Index byCustomer{"ByCustomer", {{"CustomerID", false}}};
        dbs.pri->schema.findTable("Orders")->indexes << byCustomer;
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        CompareView* compare = window->compareView();
        if (!object.isEmpty()) {
            compare->showObject(object);
            QCOMPARE(compare->currentObject(), object);
        }
        QString shown;
        for (int side : {0, 1})
            for (QPushButton* b : {compare->createButton(side), compare->alterButton(side),
                                   compare->dropButton(side)})
                shown += b->isEnabled() ? '1' : '0';
        QCOMPARE(shown, states);

        // What a disabled button would do from the menu is said, and no window opens.
        ModalDialogs dialogs;
        int refused = 0;
        for (const char* name : {"mnPriCreate", "mnPriAlter", "mnSecCreate", "mnSecAlter"}) {
            const int side = name[2] == 'P' ? 0 : 1;
            const bool create = QByteArray(name).endsWith("Create");
            if (states[side * 3 + (create ? 0 : 1)] == '0') {
                item(name)->trigger();
                ++refused;
            }
        }
        QCOMPARE(dialogs.Seen(), 0);
        QCOMPARE(desktop().messages.size(), refused);
    }

    // Alter that cannot put the other side's primary key in place, for want of its field, drops
    // nothing and says why; the other way round it replaces the key.
    void alterNeverDropsWhatItCannotPutBack() {
        auto dbs = MakeExampleDatabases();
        Index onId{"PrimaryKey", {{"ID", false}}};
        onId.primary = onId.unique = onId.required = true;
        Index onName{"PrimaryKey", {{"Name", false}}};
        onName.primary = onName.unique = onName.required = true;
        dbs.pri->AddTable("People").Column("ID", 3, {}, false).Column("Name", 202, 50, false);
        dbs.pri->schema.findTable("People")->indexes << onId;
        dbs.sec->AddTable("People").Column("Name", 202, 50, false);
        dbs.sec->schema.findTable("People")->indexes << onName;
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        CompareView* compare = window->compareView();
        compare->showObject("People.PrimaryKey");
        QCOMPARE(compare->currentObject(), QString("People.PrimaryKey"));

        QStringList scripts;
        ModalDialogs dialogs([&scripts](QWidget* dialog) {
            if (auto* editor = dialog->findChild<ScriptWindow*>())
                scripts << editor->editor()->Text();
        });
        compare->alterButton(1)->click();
        compare->alterButton(0)->click();
        QTRY_COMPARE(scripts.size(), 2);
        QVERIFY2(scripts[0].contains("[ID]") && scripts[0].contains("Nothing is dropped"),
                 qPrintable(scripts[0]));
        for (const QString& line : scripts[0].split("\r\n", Qt::SkipEmptyParts))
            QVERIFY2(line.startsWith("-- "), qPrintable(line));
        QVERIFY2(scripts[1].contains("DROP") && scripts[1].contains("([Name])"),
                 qPrintable(scripts[1]));
    }

    // Tile Horizontal stacks the windows, Tile Vertical sets them side by side, Cascade steps
    // them down from the corner filling the area, and a new document opens wholly inside it.
    void eachArrangementDoesWhatItsNameSays() {
        QMdiArea* area = window->mdiArea();
        window->documents().NewDocument();
        window->documents().NewDocument();
        const QList<QMdiSubWindow*> windows = area->subWindowList(QMdiArea::CreationOrder);
        QCOMPARE(windows.size(), 3);
        for (QMdiSubWindow* w : windows)
            QVERIFY(area->viewport()->rect().contains(w->geometry()));

        window->arrange(Arrangement::TileHorizontal);
        for (int i = 1; i < 3; ++i) {
            QCOMPARE(windows[i]->x(), windows[0]->x());
            QCOMPARE(windows[i]->y(), windows[i - 1]->geometry().bottom() + 1);
        }
        window->arrange(Arrangement::TileVertical);
        for (int i = 1; i < 3; ++i) {
            QCOMPARE(windows[i]->y(), windows[0]->y());
            QCOMPARE(windows[i]->x(), windows[i - 1]->geometry().right() + 1);
        }
        window->arrange(Arrangement::Cascade);
        const QRect space = area->viewport()->rect();
        QCOMPARE(windows[0]->pos(), space.topLeft());
        for (int i = 1; i < 3; ++i) {
            QVERIFY(windows[i]->x() > windows[i - 1]->x());
            QVERIFY(windows[i]->y() > windows[i - 1]->y());
            QCOMPARE(windows[i]->size(), windows[0]->size());
        }
        QCOMPARE(windows[2]->geometry().bottomRight(), space.bottomRight());
        QCOMPARE(area->activeSubWindow(), windows[2]);
    }

    // Help > Check Update Application names the installed version and where updates come from.
    void checkUpdateTellsTheVersionAndWhereUpdatesComeFrom() {
        item("mnCheckUpdate")->trigger();
        QCOMPARE(desktop().Prompts().size(), 1);
        QVERIFY(desktop().Prompts()[0].contains(QStringLiteral(VANTOR_VERSION)));
        QVERIFY(desktop().Prompts()[0].contains("distribution's packages"));
    }

    // The log keeps "Error N: text" and adds what N stands for; a database that was open and
    // cannot be opened again is error 10002, and views are named as views while they are read.
    void errorsInTheLogSayWhatTheirNumbersMean() {
        QStringList captions;
        connect(&ui->session, &Session::progressed, this,
                [&captions](const QString& caption) { captions << caption; });
        ExampleDatabases dbs = connectExamples();
        QVERIFY(captions.contains("Analyzing view: Open Orders"));
        QVERIFY(captions.contains("Analyzing tables: Customers"));
        QVERIFY(!captions.contains("Analyzing tables: Open Orders"));

        ui->session.log("Error 12345: A number nobody knows.");
        dbs.sec->failOpen = Error(ErrorCode::Provider, "Could not find file 'sec'.");
        item("mnRef")->trigger();
        ui->session.waitForWork();
        const QStringList lines = logText().split('\n');
        QVERIFY(lines.filter("Error 12345").value(0).endsWith("A number nobody knows."));
        QVERIFY2(lines.filter("Error -2147467259")
                     .value(0)
                     .endsWith(
                         "Could not find file 'sec'. (error -2147467259: the database engine could "
                         "not do what was asked)"),
                 qPrintable(logText()));
        QVERIFY2(
            lines.filter("Error 10002")
                .value(0)
                .endsWith("Error 10002: Connection Closed. (error 10002: a database that was open "
                          "could not be opened again)"),
            qPrintable(logText()));

        // A first connect that fails is no closed connection.
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        QCOMPARE(logText().count("Error 10002"), 1);
    }
};

QTEST_MAIN(KeepingWorkTest)
#include "KeepingWorkTest.moc"
