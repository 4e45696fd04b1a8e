#include "tests/ui/support/UiFixture.h"
#include "ui/compare/ConnectDialog.h"
#include "ui/icons/Icons.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace vantor;
using namespace vantor::test;

namespace {

QStringList childTexts(const QTreeWidgetItem* node) {
    return Texts(node->childCount(), [node](int i) { return node->child(i)->text(0); });
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

    void setPanes(const QString& left, const QString& right) {
        ui->compare.ed[0]->setPlainText(left);
        ui->compare.ed[1]->setPlainText(right);
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        dialog = std::make_unique<ConnectDialog>(ui->session, ui->desktop, ui->nav);
    }
    void cleanup() {
        dialog.reset();
        ui.reset();
    }

    void theDialogForgetsWhatACancelLeftAndOpensWithTheNamesAndPasswordsGiven() {
        auto dbs = MakeExampleDatabases();
        dialog->show();
        dialog->txtUser[0]->setText("someone");
        dialog->txtPass[1]->setText("secret");
        dialog->cmdButtons_Click(1);
        QVERIFY(!dialog->isVisible());
        dialog->show();
        for (int i : {0, 1}) {
            QCOMPARE(dialog->txtUser[i]->text(), QString("Admin"));
            QCOMPARE(dialog->txtPass[i]->text(), QString());
        }

        // A cancelled file dialog leaves the path as it was.
        desktop().fileNames.push_back("/data/second.accdb");
        dialog->cmdOpen[1]->click();
        dialog->cmdOpen[1]->click();
        QCOMPARE(dialog->txtDb[1]->text(), QString("/data/second.accdb"));
        QVERIFY(dialog->txtDb[0]->text().isEmpty());
        QVERIFY(desktop().fileDialogFilters.value(0).contains("(*.mdb *.accdb *.json)"));

        dialog->txtUser[1]->setText(" Bob ");
        dialog->txtPass[0]->setText("pw");
        connectBoth("memory:pri", "memory:sec");
        QVERIFY(desktop().messages.isEmpty());
        QCOMPARE(dbs.pri->opens.last().password, QString("pw"));
        QCOMPARE(dbs.sec->opens.last().user, QString(" Bob "));
        QVERIFY(!dialog->isVisible());
        QVERIFY(ui->nav.Node(":Customers"));
    }

    // A pair that cannot be opened is never compared: the dialog stays open with the reason,
    // and nothing of the comparison before stays in the tree or the comparison window.
    void aPairThatCannotBeOpenedOrShownSaysSoAndLeavesNothingOfTheLastComparison() {
        connectExamples();
        ShowObject(ui->nav, "Customers");
        connectBoth("memory:pri", "/no/such/file.mdb");
        QCOMPARE(
            desktop().Prompts(),
            QStringList({"Cannot open database.\n\nCould not find file '/no/such/file.mdb'."}));
        QVERIFY(dialog->isVisible());
        QCOMPARE(ui->nav.tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(ui->compare.ed[i]->toPlainText().isEmpty());
        QVERIFY(ui->compare.lblTbl[0]->text().isEmpty());
        QCOMPARE(ui->compare.lblDb[0]->text(), QString("Primary Database name"));

        // Two empty databases have nothing to show, and the dialog closes all the same.
        desktop().messages.clear();
        MemoryDatabase::Create("a");
        MemoryDatabase::Create("b");
        connectBoth("memory:a", "memory:b");
        QCOMPARE(desktop().Prompts(), QStringList({"Unable to load schemas."}));
        QVERIFY(!dialog->isVisible());
    }

    void treeHasRootCategoriesAndObjectsMarkedByState() {
        connectExamples();
        QCOMPARE(childTexts(ui->nav.Node(":ROOT")), QStringList({"TABLE", "VIEW", "LINK"}));
        // The primary database's objects in Jet's order, then those only the secondary has.
        QCOMPARE(childTexts(ui->nav.Node(":TABLE")),
                 QStringList({"Customers", "OnlyPri", "Orders", "OnlySec"}));
        QCOMPARE(childTexts(ui->nav.Node(":VIEW")), QStringList({"Open Orders"}));
        QCOMPARE(childTexts(ui->nav.Node(":LINK")), QStringList({"Linked"}));
        QVERIFY(!ui->nav.Node(":MSysObjects") && !ui->nav.Node(":MSysAccessStorage"));

        QVERIFY(showsState(ui->nav.Node(":Orders"), ObjectState::Equal));
        QVERIFY(showsState(ui->nav.Node(":Customers"), ObjectState::Different));
        QVERIFY(showsState(ui->nav.Node(":OnlyPri"), ObjectState::OnlyPrimary));
        QVERIFY(showsState(ui->nav.Node(":OnlySec"), ObjectState::OnlySecondary));
        QVERIFY(showsState(ui->nav.Node(":Open Orders"), ObjectState::Different));
        QVERIFY(ui->nav.Node(":LINK")->isExpanded());
    }

    void objectsNamedLikeTheRootOrACategoryAreLeftOut() {
        auto pri = MemoryDatabase::Create("pri");
        MemoryDatabase::Create("sec");
        for (const char* name : {"ROOT", "TABLE", "VIEW", "Kept"})
            pri->AddTable(name).Column("a", 3);
        connectBoth("memory:pri", "memory:sec");
        QCOMPARE(childTexts(ui->nav.Node(":TABLE")), QStringList({"Kept"}));
        QCOMPARE(ui->nav.Nodes().size(), size_t(4));
    }

    // F5 compares again and selects the node at the index selected before, even when other
    // content has moved there; a failure leaves nothing of the old comparison on screen.
    void f5ComparesAgainKeepingTheSelectedIndexAndAFailureClearsTheComparison() {
        auto dbs = connectExamples();
        QCOMPARE(ui->nav.tvDbObj->currentItem(), ui->nav.Node(":ROOT"));
        ui->nav.tvDbObj->setCurrentItem(ui->nav.Node(":Customers")); // after root and categories
        for (const auto& db : {dbs.pri, dbs.sec})
            db->AddTable("Aardvark");
        dbs.sec->AddTable("Fresh").Column("a", 3);
        QTest::keyClick(ui->nav.tvDbObj, Qt::Key_F5);
        QCOMPARE(ui->nav.tvDbObj->currentItem()->text(0), QString("Aardvark"));
        QVERIFY(showsState(ui->nav.Node(":Fresh"), ObjectState::OnlySecondary));

        // An index past the end of a shorter tree selects nothing.
        ui->nav.tvDbObj->setCurrentItem(ui->nav.Nodes().back());
        for (const auto& db : {dbs.pri, dbs.sec})
            db->schema = Schema();
        dbs.pri->AddTable("Only").Column("a", 3);
        ui->nav.Reload();
        QCOMPARE(ui->nav.Nodes().size(), size_t(4));
        QVERIFY(!ui->nav.tvDbObj->currentItem());

        ShowObject(ui->nav, "Only");
        QVERIFY(!ui->compare.ed[0]->toPlainText().isEmpty());
        dbs.pri->failOpen = Error(ErrorCode::Provider, "Could not find file 'gone.mdb'.");
        ui->nav.Reload();
        QCOMPARE(desktop().Prompts(),
                 QStringList({"Cannot open database.\n\nCould not find file 'gone.mdb'."}));
        QCOMPARE(ui->nav.tvDbObj->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(ui->compare.ed[i]->toPlainText().isEmpty());
        QVERIFY(ui->compare.lblTbl[0]->text().isEmpty());
    }

    void doubleClickShowsBothDefinitionsMarkedWhereTheyDiffer() {
        connectExamples();
        ShowObject(ui->nav, "Customers");
        QCOMPARE(ui->compare.lblTbl[0]->text(), QString("Customers"));
        QCOMPARE(ui->compare.lblDb[1]->text(), QString("memory:sec"));
        const DiffEntry* customers = ui->session.diff()->find("Customers");
        QCOMPARE(ui->compare.PaneText(0), customers->primaryText);
        QCOMPARE(ui->compare.PaneText(1), customers->secondaryText);
        // The Name column's length is where the texts differ: 50 against 80.
        int at = ui->compare.ed[0]->toPlainText().indexOf("(50)") + 1;
        QCOMPARE(RedMask(*ui->compare.ed[0]).mid(at, 2), QString("r."));
        QCOMPARE(RedMask(*ui->compare.ed[1]).mid(at, 2), QString("r."));

        // A view shows its stored text, marked at the one letter that differs.
        ShowObject(ui->nav, "Open Orders");
        QCOMPARE(ui->compare.ed[1]->toPlainText(),
                 QString("CREATE VIEW [Open Orders] AS \nSELECT b FROM Orders;\nGO"));
        QCOMPARE(RedMask(*ui->compare.ed[0]).indexOf('r'),
                 ui->compare.ed[0]->toPlainText().indexOf("a FROM"));
        QCOMPARE(RedMask(*ui->compare.ed[0]).count('r'), 1);

        // An object on one side only shows that side, unmarked.
        ShowObject(ui->nav, "OnlyPri");
        QVERIFY(ui->compare.ed[0]->toPlainText().startsWith("CREATE TABLE [OnlyPri]"));
        QVERIFY(ui->compare.ed[1]->toPlainText().isEmpty());
        QVERIFY(!RedMask(*ui->compare.ed[0]).contains('r'));

        ShowObject(ui->nav, "OnlySec");
        QVERIFY(ui->compare.ed[0]->toPlainText().isEmpty());
        QVERIFY(ui->compare.ed[1]->toPlainText().startsWith("CREATE TABLE [OnlySec]"));

        ShowObject(ui->nav, "TABLE");
        QVERIFY(ui->compare.ed[1]->toPlainText().isEmpty());
    }

    void reMarkingColoursTheDifferingStretchesOfEditedTexts() {
        connectExamples();
        setPanes("SELECT aXYb FROM T", "SELECT aZZb FROM T");
        ui->compare.cmdButton[1]->click();
        QCOMPARE(RedMask(*ui->compare.ed[0]), QString("........rr........"));
        QCOMPARE(RedMask(*ui->compare.ed[1]), QString("........rr........"));

        // After an edit, the other button marks the new differences and clears the old ones.
        setPanes("SELECT aXYb FROM T\nWHERE x = 1", "SELECT aXYb FROM U\nWHERE y = 1");
        ui->compare.ed[0]->selectAll();
        ui->compare.ed[0]->setTextColor(Qt::red);
        ui->compare.cmdButton[0]->click();
        QCOMPARE(RedMask(*ui->compare.ed[0]), QString(".................r\n......r...."));

        // Blanks skipped in the primary text shift its positions past the secondary's end.
        setPanes("a   bXXXd", "abYYYd");
        ui->compare.cmdButton[0]->click();
        QCOMPARE(RedMask(*ui->compare.ed[0]), QString(".....rrr."));
        QCOMPARE(RedMask(*ui->compare.ed[1]), QString(".....r"));

        // An empty pane leaves the other one unmarked.
        setPanes("", "CREATE TABLE [x]");
        ui->compare.cmdButton[0]->click();
        QVERIFY(!RedMask(*ui->compare.ed[1]).contains('r'));
        QVERIFY(desktop().messages.isEmpty());
    }
};

QTEST_MAIN(ComparingTest)
#include "ComparingTest.moc"
