#include "engine/clsEngine.h"
#include "tests/support/TestPaths.h"
#include "tests/ui/support/UiSession.h"
#include "ui/compare/frmCompare.h"
#include "ui/compare/frmConnect.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/ctlFrame.h"
#include "ui/navigator/frmNav.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {
const QString kCannotOpen = QStringLiteral("Cannot open database.");
} // namespace

class ConnectDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiSession> session;
    std::unique_ptr<frmCompare> compare;
    std::unique_ptr<frmNav> nav;
    std::unique_ptr<frmConnect> dialog;

    AnsweringUi& ui() { return session->ui; }

    void fill(const QString& primary, const QString& secondary) {
        dialog->txtDb[0]->setText(primary);
        dialog->txtDb[1]->setText(secondary);
    }

private Q_SLOTS:
    void init() {
        session = std::make_unique<UiSession>();
        compare = std::make_unique<frmCompare>();
        nav = std::make_unique<frmNav>(compare.get());
        dialog = std::make_unique<frmConnect>(nav.get());
        dialog->show();
    }
    void cleanup() {
        dialog.reset();
        nav.reset();
        compare.reset();
        session.reset();
    }

    void everyOpeningStartsWithAdminAndNoPasswordsInTwoFrames() {
        QCOMPARE(dialog->findChildren<ctlFrame*>().size(), 2);
        dialog->txtUser[0]->setText("someone");
        dialog->txtPass[1]->setText("secret");
        dialog->cmdButtons_Click(1);
        QVERIFY(!dialog->isVisible());
        dialog->show();
        for (int i : {0, 1}) {
            QCOMPARE(dialog->txtUser[i]->text(), QString("Admin"));
            QCOMPARE(dialog->txtPass[i]->text(), QString());
            QCOMPARE(dialog->txtPass[i]->echoMode(), QLineEdit::Password);
            QVERIFY(dialog->txtDb[i]->parentWidget() == dialog->ctlFrames[i]);
        }
    }

    void browseFillsThePathAndCancelLeavesIt() {
        ui().fileNames.push_back("/data/second.accdb");
        dialog->cmdOpen[1]->click();
        QCOMPARE(dialog->txtDb[1]->text(), QString("/data/second.accdb"));
        QVERIFY(dialog->txtDb[0]->text().isEmpty());
        dialog->cmdOpen[1]->click();
        QCOMPARE(dialog->txtDb[1]->text(), QString("/data/second.accdb"));

        QString filter = ui().fileDialogFilters.value(0);
        QVERIFY(filter.contains("*.mdb *.accdb *.json"));
        QVERIFY(filter.contains("All files (*)"));
    }

    void wrongPathSaysSoOnceNamingTheFileAndStaysOpen() {
        MakeExampleDatabases();
        fill("memory:pri", "/no/such/file.mdb");
        dialog->cmdButtons[0]->click();
        QCOMPARE(ui().Prompts(),
                 QStringList({kCannotOpen + "\n\nCould not find file '/no/such/file.mdb'."}));
        QCOMPARE(ui().messages[0].buttons, mb::Exclamation);
        QVERIFY(dialog->isVisible());
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);

        // Cancel keeps the failed engine as the current one.
        auto failed = Engine;
        QVERIFY(failed);
        dialog->cmdButtons[1]->click();
        QCOMPARE(Engine, failed);
    }

    void bothPathsEmptySaysSoOnceAndOpensNothing() {
        dialog->cmdButtons_Click(0);
        QCOMPARE(ui().Prompts(),
                 QStringList({kCannotOpen + "\n\nEnter Primary and Secondary Database"}));
        QVERIFY(!CnPrimary && !CnSecondary);
        QVERIFY(dialog->isVisible());
    }

    // A damaged file is never compared: the dialog stays open with the reason, and nothing of
    // the comparison before stays in the tree or the comparison window.
    void aDamagedFileKeepsTheDialogOpenAndClearsTheLastComparison() {
        QString access = SharedAccessDir();
        if (access.isEmpty())
            QSKIP("the shared Access test files are not here");
        MakeExampleDatabases();
        fill("memory:pri", "memory:sec");
        dialog->cmdButtons_Click(0);
        QVERIFY(nav->Node(":Customers"));
        nav->tvDbObj->setCurrentItem(nav->Node(":Customers"));
        nav->tvDbObj_DblClick();
        QVERIFY(!compare->ed[0]->toPlainText().isEmpty());

        QTemporaryDir dir;
        QFile original(access + "/testV2003.mdb");
        QVERIFY(original.open(QIODevice::ReadOnly));
        QString damaged = dir.filePath("cut.mdb");
        QFile cut(damaged);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(original.read(original.size() / 2 / 4096 * 4096));
        cut.close();

        dialog->show();
        fill(damaged, "memory:sec");
        dialog->cmdButtons_Click(0);
        QCOMPARE(ui().Prompts().size(), 1);
        QString message = ui().Prompts()[0];
        QVERIFY2(message.startsWith(kCannotOpen + "\n\nThe database '" + damaged + "' is damaged"),
                 qPrintable(message));
        QVERIFY(dialog->isVisible());
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(compare->ed[i]->toPlainText().isEmpty());
        QVERIFY(compare->lblTbl[0]->text().isEmpty());
        QCOMPARE(compare->lblTbl[1]->text(), QString("Object:"));
        QCOMPARE(compare->lblDb[0]->text(), QString("Primary Database name"));
        QCOMPARE(Engine->Tables->Count(), 0);
    }

    void twoEmptyDatabasesCannotBeShownAndCloseTheDialog() {
        MemoryDatabase::Create("a");
        MemoryDatabase::Create("b");
        fill("memory:a", "memory:b");
        dialog->cmdButtons_Click(0);
        QCOMPARE(ui().Prompts(), QStringList({"Unable to load schemas."}));
        QVERIFY(!dialog->isVisible());
    }

    void okReplacesTheEngineHandsOverTheSettingsAndFillsTheTree() {
        auto dbs = MakeExampleDatabases();
        auto before = std::make_shared<clsEngine>();
        Engine = before;
        fill("memory:pri", "memory:sec");
        dialog->txtUser[1]->setText(" Bob ");
        dialog->txtPass[0]->setText("pw");
        dialog->cmdButtons_Click(0);
        QVERIFY(ui().messages.isEmpty());
        QVERIFY(Engine != before);
        QCOMPARE(Engine->DbUserSecondary(), QString(" Bob "));
        QCOMPARE(Engine->DbPassPrimary(), QString("pw"));
        QCOMPARE(dbs.pri->opens.last().password, QString("pw"));
        QVERIFY(!dialog->isVisible());
        QVERIFY(nav->Node(":Customers"));
    }

    void connectsRealSnapshotsAndAccessFiles_data() {
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("secondary");
        QTest::addColumn<QString>("expectedObject");
        QDir examples(QDir(SourceDir()).filePath("examples"));
        QStringList snapshots = examples.entryList({"*.json"}, QDir::Files, QDir::Name);
        if (snapshots.size() >= 2)
            QTest::newRow("example snapshots")
                << examples.filePath(snapshots[0]) << examples.filePath(snapshots[1]) << QString();
        QString access = SharedAccessDir();
        if (!access.isEmpty())
            QTest::newRow("Access files of two versions")
                << access + "/testV2003.mdb" << access + "/testV2007.accdb"
                << ":Table1";
    }
    void connectsRealSnapshotsAndAccessFiles() {
        QFETCH(QString, primary);
        QFETCH(QString, secondary);
        QFETCH(QString, expectedObject);
        // Copies, so nothing can touch the originals.
        QTemporaryDir dir;
        QString pri = dir.filePath("pri." + QFileInfo(primary).suffix());
        QString sec = dir.filePath("sec." + QFileInfo(secondary).suffix());
        QVERIFY(QFile::copy(primary, pri));
        QVERIFY(QFile::copy(secondary, sec));
        fill(pri, sec);
        dialog->cmdButtons_Click(0);
        QCOMPARE(ui().Prompts(), QStringList());
        QVERIFY(!dialog->isVisible());
        QVERIFY(nav->Node(":TABLE")->childCount() > 0);
        if (!expectedObject.isEmpty())
            QVERIFY(nav->Node(expectedObject));
        // Every user object sits under its category with the picture of its state.
        for (const auto& object : *Engine->Tables) {
            QTreeWidgetItem* node = nav->Node(object->Obj_Key());
            if (object->xType() == "SYSTEM TABLE" || object->xType() == "ACCESS TABLE") {
                QVERIFY(!node);
                continue;
            }
            QVERIFY2(node, qPrintable(object->Obj_Name()));
            QCOMPARE(nav->NodeKey(node->parent()), object->Parent());
            QCOMPARE(node->icon(0).cacheKey(), StateIcon(object->Status()).cacheKey());
        }
    }
};

QTEST_MAIN(ConnectDialogTest)
#include "ConnectDialogTest.moc"
