#include "engine/clsEngine.h"
#include "tests/ui/support/UiSession.h"
#include "ui/shell/ActivityLog.h"
#include "ui/shell/frmOutput.h"
#include "ui/shell/frmProses.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace vantor;
using namespace vantor::test;

class ToolWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    AnsweringUi& ui() { return session->ui; }

private Q_SLOTS:
    void init() { session = std::make_unique<UiSession>(); }
    void cleanup() { session.reset(); }

    void logMenuOpensOnTheRightButtonOnly() {
        frmOutput log;
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        QTest::mouseClick(log.txtOut->viewport(), Qt::LeftButton);
        QVERIFY(!log.MEdit->isVisible());
        QTest::mousePress(log.txtOut->viewport(), Qt::RightButton);
        QVERIFY(log.MEdit->isVisible());
        log.MEdit->hide();
    }

    void copyAndClearWorkOnTheWholeLog() {
        frmOutput log;
        log.txtOut->setPlainText("first\nsecond");
        log.MCopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("first\nsecond"));
        log.MClear->trigger();
        log.MCopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString());
    }

    void saveWritesTheLogAsTextAndCancelWritesNothing() {
        QTemporaryDir dir;
        frmOutput log;
        log.txtOut->setPlainText("one\ntwo");
        QString path = dir.filePath("log.txt");
        ui().fileNames.push_back(path);
        log.MSave->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("one\ntwo\n"));

        log.MSave->trigger(); // no name queued: the user cancels
        QCOMPARE(ui().fileDialogFilters.size(), 2);
        QVERIFY(ui().messages.isEmpty());

        ui().fileNames.push_back(dir.filePath("no/such/folder/log.txt"));
        log.MSave->trigger();
        QCOMPARE(ui().messages.size(), 1);
        QCOMPARE(ui().messages[0].buttons, mb::Critical);
    }

    void logLinesAreStampedPlainTextEvenWhenTheyLookLikeMarkup() {
        frmOutput log;
        Log().Write("Connecting <b>a</b> with b");
        clsEngine engine;
        Log().Follow(engine);
        engine.DbOpen(); // both paths empty: error 1001
        QStringList lines = log.txtOut->toPlainText().split('\n');
        QCOMPARE(lines.size(), 2);
        QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ");
        QVERIFY(stamp.match(lines[0]).hasMatch());
        QVERIFY(lines[0].endsWith("Connecting <b>a</b> with b"));
        QVERIFY(lines[1].endsWith("Error 1001: Enter Primary and Secondary Database"));
    }

    void waitWindowShowsProgressOnTopAtTheScreensCorner() {
        frmProses wait;
        QVERIFY(wait.windowFlags() & Qt::WindowStaysOnTopHint);
        wait.move(300, 200);
        wait.show();
        QCOMPARE(wait.pos(), QGuiApplication::primaryScreen()->geometry().topLeft());
    }

    void engineDrivesTheWaitWindowWhichRepaintsWhileSchemasLoad() {
        auto dbs = MakeExampleDatabases();
        Engine = std::make_shared<clsEngine>();
        Engine->DbPathPrimary("memory:pri");
        Engine->DbPathSecondary("memory:sec");
        QVERIFY(Engine->DbOpen());
        QVERIFY2(Engine->Refresh(), qPrintable(Engine->ErrDescription()));

        bool sawTableLoading = false;
        for (const auto& g : ui().glimpses)
            if (g.visible && g.caption == "Analyzing tables: Customers" && g.progress > 0)
                sawTableLoading = true;
        QVERIFY(sawTableLoading);
        // Unloaded at the end: the next touch starts from the design's text.
        QVERIFY(!ui().WaitWindow());
        QCOMPARE(ui().WaitCaption(), QString("Wait..."));
        QVERIFY(!QApplication::overrideCursor());
    }

    void failedOpenLeavesTheWaitWindowLoadedButHidden() {
        Engine = std::make_shared<clsEngine>();
        Engine->DbPathPrimary("memory:absent");
        Engine->DbPathSecondary("memory:absent");
        QVERIFY(!Engine->DbOpen());
        QVERIFY(ui().WaitWindow());
        QVERIFY(!ui().WaitWindow()->isVisible());
        QCOMPARE(ui().WaitCaption(), QString("Opening primary database..."));
    }
};

QTEST_MAIN(ToolWindowsTest)
#include "ToolWindowsTest.moc"
