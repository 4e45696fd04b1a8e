#include "engine/clsEngine.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/DiffMarking.h"
#include "ui/compare/frmCompare.h"

#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>

using namespace vantor;
using namespace vantor::test;

class CompareWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<frmCompare> window;

    AnsweringUi& ui() { return session->ui; }

    void setPanes(const QString& left, const QString& right) {
        window->ed[0]->setPlainText(left);
        window->ed[1]->setPlainText(right);
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        window = std::make_unique<frmCompare>();
        window->show();
    }
    void cleanup() {
        window.reset();
        session.reset();
    }

    void resizeSplitsTheWidthAndKeepsButtonsUnderTheirPanes() {
        window->resize(1000, 600);
        QRect left = window->ed[0]->geometry();
        QRect right = window->ed[1]->geometry();
        QVERIFY(right.left() > left.right());
        QCOMPARE(right.top(), left.top());
        QCOMPARE(right.height(), left.height());
        for (int i : {0, 1}) {
            QRect buttons = window->picBtn[i]->geometry();
            QCOMPARE(buttons.topLeft(), window->ed[i]->geometry().bottomLeft() + QPoint(0, 1));
            QVERIFY(buttons.bottom() < window->StatusBar1->geometry().top());
        }
        QCOMPARE(window->StatusBar1->geometry().bottom(), 599);

        // Too small for the panes: nothing gets a negative size.
        window->resize(30, 40);
        QVERIFY(window->ed[0]->height() >= 0);
        QVERIFY(window->ed[1]->width() >= 0);
    }

    void reMarkingColoursTheDifferingStretchesOfEditedTexts() {
        Engine = std::make_shared<clsEngine>();
        setPanes("SELECT aXYb FROM T", "SELECT aZZb FROM T");
        window->cmdButton[1]->click();
        QCOMPARE(DiffRuns(Engine->PosDiffPri), QList<DiffRun>({{8, 2}}));
        QCOMPARE(RedMask(*window->ed[0]), QString("........rr........"));
        QCOMPARE(RedMask(*window->ed[1]), QString("........rr........"));

        // After an edit, the other button marks the new differences and clears the old ones.
        setPanes("SELECT aXYb FROM T\nWHERE x = 1", "SELECT aXYb FROM U\nWHERE y = 1");
        window->ed[0]->selectAll();
        window->ed[0]->setTextColor(Qt::red);
        window->cmdButton[0]->click();
        QString text = window->ed[0]->toPlainText();
        QCOMPARE(RedMask(*window->ed[0]), ExpectedMask(text, DiffRuns(Engine->PosDiffPri)));
        QCOMPARE(RedMask(*window->ed[0]), QString(".................r\n......r...."));
    }

    void equalTextsEndAllBlackAndAnEmptyPaneKeepsNoMarks() {
        Engine = std::make_shared<clsEngine>();
        setPanes("same text", "SAME TEXT");
        for (QTextEdit* pane : window->ed) {
            pane->selectAll();
            pane->setTextColor(Qt::red);
        }
        window->cmdButton[0]->click();
        QCOMPARE(RedMask(*window->ed[0]), QString("........."));
        QCOMPARE(RedMask(*window->ed[1]), QString("........."));

        setPanes("", "CREATE TABLE [x]");
        window->cmdButton[0]->click();
        QVERIFY(!RedMask(*window->ed[1]).contains('r'));
        QVERIFY(ui().messages.isEmpty());
    }

    void runsReachingPastTheShorterPaneStopAtItsEnd() {
        Engine = std::make_shared<clsEngine>();
        // Blanks skipped in the primary text shift its positions past the secondary's end.
        setPanes("a   bXXXd", "abYYYd");
        window->cmdButton[0]->click();
        QCOMPARE(RedMask(*window->ed[0]), QString(".....rrr."));
        QCOMPARE(RedMask(*window->ed[1]), QString(".....r"));
    }

    void scriptCommandsAndReMarkingNeedAnEngine() {
        setPanes("a", "b");
        for (int i : {0, 1}) {
            window->cmdCrt[i]->click();
            window->cmdAlter[i]->click();
            window->cmdDrop[i]->click();
        }
        window->cmdButton[1]->click();
        QCOMPARE(ui().Prompts(), QStringList(7, "Please open database first.!"));
        QCOMPARE(ui().messages[0].buttons, mb::Exclamation);
    }

    void paneTextGivesScriptLineEnds() {
        setPanes("CREATE TABLE [t] (\r\n  [a] Long\r\n)\r\nGO", "");
        QCOMPARE(window->PaneText(0), QString("CREATE TABLE [t] (\r\n  [a] Long\r\n)\r\nGO"));
    }

    void diffRunsReadEveryEntryButTheLastAndSkipOpenRuns() {
        QCOMPARE(DiffRuns({"2", ""}), QList<DiffRun>());
        QCOMPARE(DiffRuns({"3\t2", "9", ""}), QList<DiffRun>({{2, 2}}));
        QCOMPARE(DiffRuns({"3\t2", "7\t1"}), QList<DiffRun>({{2, 2}}));
        QCOMPARE(DiffRuns({"x\t2", "0\t1", "4\t0", ""}), QList<DiffRun>());
    }
};

QTEST_MAIN(CompareWindowTest)
#include "CompareWindowTest.moc"
