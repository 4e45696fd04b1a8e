#include "tests/support/TestPaths.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/icons/Icons.h"
#include "ui/navigator/Navigator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

const QString kCannotOpen = QStringLiteral("Cannot open database.");

QStringList childTexts(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

bool showsState(const QTreeWidgetItem* node, ObjectState state) {
    return node && node->icon(0).cacheKey() == StateIcon(state).cacheKey();
}

} // namespace

// Connecting two databases, the tree of their objects, and the two definitions of one object
// side by side with their differences marked.
class ComparingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    std::unique_ptr<CompareView> compare;
    std::unique_ptr<Navigator> nav;
    std::unique_ptr<ConnectDialog> dialog;

    AnsweringDesktop& desktop() { return ui->desktop; }

    // Names the databases in the dialog and presses OK.
    void connectBoth(const QString& primary, const QString& secondary) {
        dialog->show();
        dialog->txtDb[0]->setText(primary);
        dialog->txtDb[1]->setText(secondary);
        dialog->cmdButtons[0]->click();
    }

    ExampleDatabases connectExamples() {
        auto dbs = MakeExampleDatabases();
        connectBoth("memory:pri", "memory:sec");
        return dbs;
    }

    void doubleClick(const QString& key) {
        nav->tvDbObj->setCurrentItem(nav->Node(key));
        nav->tvDbObj_DblClick();
    }

    void setPanes(const QString& left, const QString& right) {
        compare->ed[0]->setPlainText(left);
        compare->ed[1]->setPlainText(right);
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        compare = std::make_unique<CompareView>(ui->session, ui->desktop);
        nav = std::make_unique<Navigator>(ui->session, ui->desktop, *compare);
        dialog = std::make_unique<ConnectDialog>(ui->session, ui->desktop, *nav);
    }
    void cleanup() {
        dialog.reset();
        nav.reset();
        compare.reset();
        ui.reset();
    }

    void theDialogStartsWithAdminAndNoPasswordsAndBrowsesForFiles() {
        dialog->show();
        dialog->txtUser[0]->setText("someone");
        dialog->txtPass[1]->setText("secret");
        dialog->cmdButtons_Click(1);
        QVERIFY(!dialog->isVisible());
        dialog->show();
        for (int i : {0, 1}) {
            QCOMPARE(dialog->txtUser[i]->text(), QString("Admin"));
            QCOMPARE(dialog->txtPass[i]->text(), QString());
            QCOMPARE(dialog->txtPass[i]->echoMode(), QLineEdit::Password);
        }

        // A cancelled file dialog leaves the path as it was.
        desktop().fileNames.push_back("/data/second.accdb");
        dialog->cmdOpen[1]->click();
        dialog->cmdOpen[1]->click();
        QCOMPARE(dialog->txtDb[1]->text(), QString("/data/second.accdb"));
        QVERIFY(dialog->txtDb[0]->text().isEmpty());
        QVERIFY(desktop().fileDialogFilters.value(0).contains("(*.mdb *.accdb *.json)"));
    }

    // A pair that cannot be opened or read is never compared: the dialog stays open with the
    // reason, and nothing of the comparison before stays in the tree or the comparison window.
    void aDatabaseThatCannotBeOpenedOrReadIsNamedOnceAndNothingOfTheLastComparisonStays() {
        connectBoth("", "");
        QCOMPARE(desktop().Prompts(),
                 QStringList({kCannotOpen + "\n\nEnter Primary and Secondary Database"}));

        auto dbs = connectExamples();
        doubleClick(":Customers");
        desktop().messages.clear();
        connectBoth("memory:pri", "/no/such/file.mdb");
        QCOMPARE(desktop().Prompts(),
                 QStringList({kCannotOpen + "\n\nCould not find file '/no/such/file.mdb'."}));
        QCOMPARE(desktop().messages[0].buttons, mb::Exclamation);
        QVERIFY(dialog->isVisible());
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(compare->ed[i]->toPlainText().isEmpty());
        QVERIFY(compare->lblTbl[0]->text().isEmpty());
        QCOMPARE(compare->lblTbl[1]->text(), QString("Object:"));
        QCOMPARE(compare->lblDb[0]->text(), QString("Primary Database name"));

        desktop().messages.clear();
        dbs.pri->failRead = Error(ErrorCode::Provider, "The database 'pri' is damaged.");
        connectBoth("memory:pri", "memory:sec");
        QCOMPARE(desktop().Prompts(),
                 QStringList({kCannotOpen + "\n\nThe database 'pri' is damaged."}));
        QVERIFY(!ui->session.isOpen());
    }

    void twoEmptyDatabasesCannotBeShownAndCloseTheDialog() {
        MemoryDatabase::Create("a");
        MemoryDatabase::Create("b");
        connectBoth("memory:a", "memory:b");
        QCOMPARE(desktop().Prompts(), QStringList({"Unable to load schemas."}));
        QVERIFY(!dialog->isVisible());
    }

    void okOpensWithTheNamesAndPasswordsGivenAndFillsTheTree() {
        auto dbs = MakeExampleDatabases();
        dialog->show();
        dialog->txtUser[1]->setText(" Bob ");
        dialog->txtPass[0]->setText("pw");
        connectBoth("memory:pri", "memory:sec");
        QVERIFY(desktop().messages.isEmpty());
        QCOMPARE(dbs.pri->opens.last().password, QString("pw"));
        QCOMPARE(dbs.sec->opens.last().user, QString(" Bob "));
        QVERIFY(!dialog->isVisible());
        QVERIFY(nav->Node(":Customers"));
    }

    void treeHasRootCategoriesAndObjectsMarkedByState() {
        connectExamples();
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 1);
        QTreeWidgetItem* root = nav->Node(":ROOT");
        QCOMPARE(root->text(0), QString("MDB"));
        QCOMPARE(childTexts(root), QStringList({"TABLE", "VIEW", "LINK"}));
        // The primary database's objects in Jet's order, then those only the secondary has.
        QCOMPARE(childTexts(nav->Node(":TABLE")),
                 QStringList({"Customers", "OnlyPri", "Orders", "OnlySec"}));
        QCOMPARE(childTexts(nav->Node(":VIEW")), QStringList({"Open Orders"}));
        QCOMPARE(childTexts(nav->Node(":LINK")), QStringList({"Linked"}));
        QVERIFY(!nav->Node(":MSysObjects") && !nav->Node(":MSysAccessStorage"));

        QVERIFY(showsState(nav->Node(":Orders"), ObjectState::Equal));
        QVERIFY(showsState(nav->Node(":Customers"), ObjectState::Different));
        QVERIFY(showsState(nav->Node(":OnlyPri"), ObjectState::OnlyPrimary));
        QVERIFY(showsState(nav->Node(":OnlySec"), ObjectState::OnlySecondary));
        QVERIFY(showsState(nav->Node(":Open Orders"), ObjectState::Different));
        QCOMPARE(nav->Node(":OnlySec")->toolTip(0), QString("Only in the secondary database"));
        QVERIFY(nav->Node(":TABLE")->isExpanded());
        QVERIFY(nav->Node(":LINK")->isExpanded());
    }

    void objectsNamedLikeTheRootOrACategoryAreLeftOut() {
        auto pri = MemoryDatabase::Create("pri");
        MemoryDatabase::Create("sec");
        for (const char* name : {"ROOT", "TABLE", "VIEW", "Kept"})
            pri->AddTable(name).Column("a", 3);
        connectBoth("memory:pri", "memory:sec");
        QCOMPARE(childTexts(nav->Node(":TABLE")), QStringList({"Kept"}));
        QCOMPARE(nav->Nodes().size(), size_t(4));
    }

    void rebuildSelectsTheNodeAtTheSameIndex() {
        auto dbs = connectExamples();
        QCOMPARE(nav->tvDbObj->currentItem(), nav->Node(":ROOT"));
        // Index 3: after the root and the two categories.
        nav->tvDbObj->setCurrentItem(nav->Node(":Customers"));

        // A new table ahead of it shifts the content; the index stays.
        for (const auto& db : {dbs.pri, dbs.sec})
            db->AddTable("Aardvark");
        nav->Reload();
        QCOMPARE(nav->tvDbObj->currentItem()->text(0), QString("Aardvark"));

        // An index past the end of a shorter tree selects nothing.
        nav->tvDbObj->setCurrentItem(nav->Nodes().back());
        for (const auto& db : {dbs.pri, dbs.sec})
            db->schema = Schema();
        dbs.pri->AddTable("Only").Column("a", 3);
        nav->Reload();
        QCOMPARE(nav->Nodes().size(), size_t(4));
        QVERIFY(!nav->tvDbObj->currentItem());
    }

    void f5ComparesAgainAndAFailureClearsTheComparison() {
        auto dbs = connectExamples();
        dbs.sec->AddTable("Fresh").Column("a", 3);
        QTest::keyClick(nav->tvDbObj, Qt::Key_F5);
        QVERIFY(showsState(nav->Node(":Fresh"), ObjectState::OnlySecondary));
        doubleClick(":Customers");
        QVERIFY(!compare->ed[0]->toPlainText().isEmpty());

        // A database that cannot be opened again leaves nothing of the old comparison on screen.
        dbs.pri->failOpen = Error(ErrorCode::Provider, "Could not find file 'gone.mdb'.");
        nav->Reload();
        QCOMPARE(desktop().Prompts(),
                 QStringList({"Cannot open database.\n\nCould not find file 'gone.mdb'."}));
        QCOMPARE(nav->tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(compare->ed[i]->toPlainText().isEmpty());
        QVERIFY(compare->lblTbl[0]->text().isEmpty());
    }

    void doubleClickShowsBothDefinitionsMarkedWhereTheyDiffer() {
        connectExamples();
        doubleClick(":Customers");
        QCOMPARE(compare->lblTbl[0]->text(), QString("Customers"));
        QCOMPARE(compare->lblDb[1]->text(), QString("memory:sec"));
        const DiffEntry* customers = ui->session.diff()->find("Customers");
        QCOMPARE(compare->PaneText(0), customers->primaryText);
        QCOMPARE(compare->PaneText(1), customers->secondaryText);
        // The Name column's length is where the texts differ: 50 against 80.
        int at = compare->ed[0]->toPlainText().indexOf("(50)") + 1;
        QCOMPARE(RedMask(*compare->ed[0]).mid(at, 2), QString("r."));
        QCOMPARE(RedMask(*compare->ed[1]).mid(at, 2), QString("r."));

        // A view shows its stored text, marked at the one letter that differs.
        doubleClick(":Open Orders");
        QCOMPARE(compare->ed[1]->toPlainText(),
                 QString("CREATE VIEW [Open Orders] AS \nSELECT b FROM Orders;\nGO"));
        QCOMPARE(RedMask(*compare->ed[0]).indexOf('r'),
                 compare->ed[0]->toPlainText().indexOf("a FROM"));
        QCOMPARE(RedMask(*compare->ed[0]).count('r'), 1);
    }

    void oneSidedObjectsShowOnlyTheirSideUnmarked() {
        connectExamples();
        doubleClick(":OnlyPri");
        QVERIFY(compare->ed[0]->toPlainText().startsWith("CREATE TABLE [OnlyPri]"));
        QVERIFY(compare->ed[1]->toPlainText().isEmpty());
        QVERIFY(!RedMask(*compare->ed[0]).contains('r'));

        doubleClick(":OnlySec");
        QVERIFY(compare->ed[0]->toPlainText().isEmpty());
        QVERIFY(compare->ed[1]->toPlainText().startsWith("CREATE TABLE [OnlySec]"));

        doubleClick(":TABLE");
        QVERIFY(compare->ed[1]->toPlainText().isEmpty());
    }

    void reMarkingColoursTheDifferingStretchesOfEditedTexts() {
        connectExamples();
        setPanes("SELECT aXYb FROM T", "SELECT aZZb FROM T");
        compare->cmdButton[1]->click();
        QCOMPARE(RedMask(*compare->ed[0]), QString("........rr........"));
        QCOMPARE(RedMask(*compare->ed[1]), QString("........rr........"));

        // After an edit, the other button marks the new differences and clears the old ones.
        setPanes("SELECT aXYb FROM T\nWHERE x = 1", "SELECT aXYb FROM U\nWHERE y = 1");
        compare->ed[0]->selectAll();
        compare->ed[0]->setTextColor(Qt::red);
        compare->cmdButton[0]->click();
        QCOMPARE(RedMask(*compare->ed[0]), QString(".................r\n......r...."));

        // Blanks skipped in the primary text shift its positions past the secondary's end.
        setPanes("a   bXXXd", "abYYYd");
        compare->cmdButton[0]->click();
        QCOMPARE(RedMask(*compare->ed[0]), QString(".....rrr."));
        QCOMPARE(RedMask(*compare->ed[1]), QString(".....r"));

        // Texts that differ only in letter case end all black; an empty pane gets no marks.
        setPanes("same text", "SAME TEXT");
        compare->cmdButton[0]->click();
        QCOMPARE(RedMask(*compare->ed[0]) + RedMask(*compare->ed[1]), QString(18, '.'));
        setPanes("", "CREATE TABLE [x]");
        compare->cmdButton[0]->click();
        QVERIFY(!RedMask(*compare->ed[1]).contains('r'));
        QVERIFY(desktop().messages.isEmpty());
    }

    void realAccessFilesOfTwoVersionsAreComparedWithEveryObjectInItsPlace() {
        const QString access = SharedAccessDir();
        if (access.isEmpty())
            QSKIP("the shared Access test files are not here");
        connectBoth(access + "/testV2003.mdb", access + "/testV2007.accdb");
        QCOMPARE(desktop().Prompts(), QStringList());
        QVERIFY(nav->Node(":Table1"));
        for (const DiffEntry& entry : ui->session.diff()->entries) {
            QTreeWidgetItem* node = nav->Node(":" + entry.name);
            const QString category = node ? nav->NodeKey(node->parent()) : QString();
            QVERIFY2(category == (IsSystemKind(entry.kind) ? "" : ":" + TypeName(entry.kind)),
                     qPrintable(entry.name));
            QVERIFY(!node || showsState(node, entry.state));
        }
    }
};

QTEST_MAIN(ComparingTest)
#include "ComparingTest.moc"
