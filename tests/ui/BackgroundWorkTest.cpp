#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"
#include "ui/navigator/Navigator.h"
#include "ui/shell/LogWindow.h"
#include "ui/shell/MainMenu.h"
#include "ui/shell/MainWindow.h"
#include "ui/shell/ScriptDocuments.h"
#include "ui/shell/WaitWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <thread>

using namespace vantor;
using namespace vantor::test;

namespace {

WaitWindow* shownWaitWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* wait = qobject_cast<WaitWindow*>(w); wait && wait->isVisible())
            return wait;
    return nullptr;
}

} // namespace

// Reading, comparing and running scripts happen away from the window, which stays usable, can
// stop the work, and keeps what it showed when the work is cancelled or the window closes.
class BackgroundWorkTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<MainWindow> window;
    ExampleDatabases dbs;

    QAction* item(const char* name) { return window->menu().action(QLatin1String(name)); }
    // A missing pane reads as a text no test expects, so the test fails rather than crashes.
    QString logText() const {
        const auto* pane = window->logWindow()->findChild<QTextEdit*>();
        return pane ? pane->toPlainText() : QStringLiteral("(the log has no text pane)");
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        window = ui->NewMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        dbs = MakeExampleDatabases();
        window->connectAtStart("memory:pri", "memory:sec");
        ui->session.waitForWork();
        window->showObject("Customers");
    }
    void cleanup() {
        window.reset();
        ui.reset();
    }

    void theWindowStaysResponsiveWhileASlowDatabaseIsRead() {
        dbs.sec->holdReads = true;
        item("mnRef")->trigger();
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, [&ticks] { ++ticks; });
        clock.start(5);
        QTRY_VERIFY(ticks >= 10);
        QVERIFY(ui->session.isBusy());
        WaitWindow* wait = shownWaitWindow();
        QVERIFY(wait);
        QCOMPARE(wait->caption()->text(), QString("Analyzing Tables..."));
        // Commands that would start more work on the databases wait meanwhile.
        QVERIFY(!item("mnRef")->isEnabled() && !item("new")->isEnabled());
        QVERIFY(item("mnNew")->isEnabled());

        dbs.sec->AddTable("Later").Column("A", 3);
        dbs.sec->holdReads = false;
        QTRY_VERIFY(!ui->session.isBusy());
        QVERIFY(!shownWaitWindow());
        QVERIFY(item("mnRef")->isEnabled());
        QVERIFY(window->navigator()->node(":Later"));
        QVERIFY(ui->desktop.messages.isEmpty());
    }

    void cancellingALoadKeepsWhatWasShown() {
        const Diff* before = ui->session.diff();
        const QString shown = window->compareView()->pane(1)->toPlainText();
        dbs.sec->holdReads = true;
        dbs.sec->AddTable("Later").Column("A", 3);
        item("mnRef")->trigger();
        QTRY_VERIFY(shownWaitWindow());
        shownWaitWindow()->cancelButton()->click();
        QTRY_VERIFY(!ui->session.isBusy());

        QCOMPARE(ui->session.diff(), before);
        QVERIFY(ui->session.isOpen());
        QVERIFY(window->navigator()->node(":Customers"));
        QVERIFY(!window->navigator()->node(":Later"));
        QCOMPARE(window->compareView()->currentObject(), QString("Customers"));
        QCOMPARE(window->compareView()->pane(1)->toPlainText(), shown);
        QVERIFY(ui->desktop.messages.isEmpty());
        QVERIFY(logText().contains("was cancelled; the comparison shown before stays"));

        // A cancelled connection to other databases keeps the old ones and offers the dialog
        // again with the names typed.
        auto slow = MemoryDatabase::Create("slow");
        slow->holdReads = true;
        ConnectDialog* dialog = window->connectDialog();
        dialog->show();
        dialog->databasePath(1)->setText("memory:slow");
        dialog->okButton()->click();
        QTRY_VERIFY(shownWaitWindow());
        QVERIFY(!dialog->okButton()->isEnabled());
        ui->session.cancel();
        QTRY_VERIFY(!ui->session.isBusy());
        QCOMPARE(ui->session.login(Side::Secondary).path, QString("memory:sec"));
        QVERIFY(dialog->isVisible() && dialog->okButton()->isEnabled());
        QCOMPARE(dialog->databasePath(1)->text(), QString("memory:slow"));
    }

    void closingTheMainWindowDuringAReadStopsItAndKeepsTheLog() {
        dbs.sec->holdReads = true;
        item("mnRef")->trigger();
        QTRY_VERIFY(shownWaitWindow());
        QVERIFY(window->close());
        QVERIFY(!ui->session.isBusy());
        QVERIFY(!shownWaitWindow());
        const QString log = logText();
        QVERIFY(log.contains("Refreshing the schemas of memory:pri and memory:sec"));
        QVERIFY(log.contains("was cancelled"));
        QVERIFY(ui->session.diff());
    }

    void closingTheMainWindowDuringAScriptRunStopsItBetweenBatches() {
        ScriptWindow* editor = window->documents().NewDocument();
        editor->setScript("CREATE TABLE [A] (X int)\r\nGO\r\nCREATE TABLE [B] (X int)");
        editor->targetField()->setText("1");
        dbs.sec->holdExecutes = true;
        editor->runScript();
        QTRY_VERIFY(dbs.sec->executing.load());
        std::thread release([this] {
            QThread::msleep(50);
            dbs.sec->holdExecutes = false;
        });
        QVERIFY(window->close());
        release.join();
        QVERIFY(!ui->session.isBusy());
        QCOMPARE(dbs.sec->executed, QStringList({"CREATE TABLE [A] (X int)\r\n"}));
        const QString log = logText();
        QVERIFY(log.contains("Batch 1 (lines 1-1) executed."));
        QVERIFY(log.contains("Script cancelled: 1 of its batches were executed"));
    }
};

QTEST_MAIN(BackgroundWorkTest)
#include "BackgroundWorkTest.moc"
