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
        dialog->databasePath(0)->setText(primary);
        dialog->databasePath(1)->setText(secondary);
        dialog->okButton()->click();
        ui->session.waitForWork();
    }

    ExampleDatabases connectExamples() {
        auto dbs = MakeExampleDatabases();
        connectBoth("memory:pri", "memory:sec");
        return dbs;
    }

    void setPanes(const QString& left, const QString& right) {
        ui->compare.pane(0)->setPlainText(left);
        ui->compare.pane(1)->setPlainText(right);
    }

private Q_SLOTS:
    void init() {
        ui = std::make_unique<UiFixture>();
        dialog = std::make_unique<ConnectDialog>(ui->desktop);
        // As the main window wires them: the dialog names, the commands connect.
        connect(dialog.get(), &ConnectDialog::connectRequested, &ui->commands,
                &ComparisonCommands::connectDatabases);
        connect(&ui->commands, &ComparisonCommands::connected, dialog.get(), &QDialog::close);
    }
    void cleanup() {
        dialog.reset();
        ui.reset();
    }

    void theDialogForgetsWhatACancelLeftAndOpensWithTheNamesAndPasswordsGiven() {
        auto dbs = MakeExampleDatabases();
        dialog->show();
        dialog->userName(0)->setText("someone");
        dialog->password(1)->setText("secret");
        dialog->cancelButton()->click();
        QVERIFY(!dialog->isVisible());
        dialog->show();
        for (int i : {0, 1}) {
            QCOMPARE(dialog->userName(i)->text(), QString("Admin"));
            QCOMPARE(dialog->password(i)->text(), QString());
        }

        // A cancelled file dialog leaves the path as it was.
        desktop().fileNames.push_back("/data/second.accdb");
        dialog->browseButton(1)->click();
        dialog->browseButton(1)->click();
        QCOMPARE(dialog->databasePath(1)->text(), QString("/data/second.accdb"));
        QVERIFY(dialog->databasePath(0)->text().isEmpty());
        QVERIFY(desktop().fileDialogFilters.value(0).contains("(*.mdb *.accdb *.json)"));

        dialog->userName(1)->setText(" Bob ");
        dialog->password(0)->setText("pw");
        connectBoth("memory:pri", "memory:sec");
        QVERIFY(desktop().messages.isEmpty());
        QCOMPARE(dbs.pri->opens.last().password, QString("pw"));
        QCOMPARE(dbs.sec->opens.last().user, QString(" Bob "));
        QVERIFY(!dialog->isVisible());
        QVERIFY(ui->nav.node(":Customers"));
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
        QCOMPARE(ui->nav.objectTree()->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(ui->compare.pane(i)->toPlainText().isEmpty());
        QVERIFY(ui->compare.objectLabel()->text().isEmpty());
        QCOMPARE(ui->compare.databaseLabel(0)->text(), QString("Primary Database name"));

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
        QCOMPARE(childTexts(ui->nav.node(":ROOT")),
                 QStringList({"TABLE", "VIEW", "LINK", "LINK SOURCE"}));
        // The primary database's objects in Jet's order, then those only the secondary has.
        QCOMPARE(childTexts(ui->nav.node(":TABLE")),
                 QStringList({"Customers", "OnlyPri", "Orders", "OnlySec"}));
        QCOMPARE(childTexts(ui->nav.node(":VIEW")), QStringList({"Open Orders"}));
        QCOMPARE(childTexts(ui->nav.node(":LINK")), QStringList({"Linked"}));
        QVERIFY(!ui->nav.node(":MSysObjects") && !ui->nav.node(":MSysAccessStorage"));

        QVERIFY(showsState(ui->nav.node(":Orders"), ObjectState::Equal));
        QVERIFY(showsState(ui->nav.node(":Customers"), ObjectState::Different));
        QVERIFY(showsState(ui->nav.node(":OnlyPri"), ObjectState::OnlyPrimary));
        QVERIFY(showsState(ui->nav.node(":OnlySec"), ObjectState::OnlySecondary));
        QVERIFY(showsState(ui->nav.node(":Open Orders"), ObjectState::Different));
        QVERIFY(ui->nav.node(":LINK")->isExpanded());
    }

    void objectsNamedLikeTheRootOrACategoryAreLeftOut() {
        auto pri = MemoryDatabase::Create("pri");
        MemoryDatabase::Create("sec");
        for (const char* name : {"ROOT", "TABLE", "VIEW", "Kept"})
            pri->AddTable(name).Column("a", 3);
        connectBoth("memory:pri", "memory:sec");
        QCOMPARE(childTexts(ui->nav.node(":TABLE")), QStringList({"Kept"}));
        QCOMPARE(ui->nav.nodes().size(), size_t(4));
    }

    // F5 compares again and keeps the selected object selected, even when other objects now
    // come before it; when it is gone nothing is selected, so no row names another object. A
    // failure leaves nothing of the old comparison on screen.
    void f5ComparesAgainKeepingTheSelectedObjectAndAFailureClearsTheComparison() {
        auto dbs = connectExamples();
        QCOMPARE(ui->nav.objectTree()->currentItem(), ui->nav.node(":ROOT"));
        ui->nav.objectTree()->setCurrentItem(
            ui->nav.node(":Customers")); // after root and categories
        for (const auto& db : {dbs.pri, dbs.sec})
            db->AddTable("Aardvark");
        dbs.sec->AddTable("Fresh").Column("a", 3);
        QTest::keyClick(ui->nav.objectTree(), Qt::Key_F5);
        ui->session.waitForWork();
        QCOMPARE(ui->nav.objectTree()->currentItem(), ui->nav.node(":Customers"));
        QVERIFY(showsState(ui->nav.node(":Fresh"), ObjectState::OnlySecondary));

        // The object gone, nothing is selected, though the tree still has a row where it was.
        ui->nav.objectTree()->setCurrentItem(ui->nav.node(":OnlySec"));
        dbs.sec->schema.tables.removeIf([](const Table& t) { return t.name == "OnlySec"; });
        QTest::keyClick(ui->nav.objectTree(), Qt::Key_F5);
        ui->session.waitForWork();
        QVERIFY(!ui->nav.node(":OnlySec"));
        QVERIFY(!ui->nav.objectTree()->currentItem());

        // Nor does a name that is now another kind of object count as the same one.
        ui->nav.objectTree()->setCurrentItem(ui->nav.node(":Fresh"));
        dbs.sec->schema.tables.removeIf([](const Table& t) { return t.name == "Fresh"; });
        dbs.sec->AddView("Fresh", "SELECT 1;");
        QTest::keyClick(ui->nav.objectTree(), Qt::Key_F5);
        ui->session.waitForWork();
        QVERIFY(ui->nav.node(":Fresh"));
        QVERIFY(!ui->nav.objectTree()->currentItem());

        for (const auto& db : {dbs.pri, dbs.sec})
            db->schema = Schema();
        dbs.pri->AddTable("Only").Column("a", 3);
        ui->commands.refresh();
        ui->session.waitForWork();
        QCOMPARE(ui->nav.nodes().size(), size_t(4));

        ShowObject(ui->nav, "Only");
        QVERIFY(!ui->compare.pane(0)->toPlainText().isEmpty());
        dbs.pri->failOpen = Error(ErrorCode::Provider, "Could not find file 'gone.mdb'.");
        ui->commands.refresh();
        ui->session.waitForWork();
        QCOMPARE(desktop().Prompts(),
                 QStringList({"Cannot open database.\n\nCould not find file 'gone.mdb'."}));
        QCOMPARE(ui->nav.objectTree()->topLevelItemCount(), 0);
        for (int i : {0, 1})
            QVERIFY(ui->compare.pane(i)->toPlainText().isEmpty());
        QVERIFY(ui->compare.objectLabel()->text().isEmpty());
    }

    void doubleClickShowsBothDefinitionsMarkedWhereTheyDiffer() {
        connectExamples();
        ShowObject(ui->nav, "Customers");
        QCOMPARE(ui->compare.objectLabel()->text(), QString("Customers"));
        QCOMPARE(ui->compare.databaseLabel(1)->text(), QString("memory:sec"));
        const DiffEntry* customers = ui->session.diff()->find("Customers");
        QVERIFY(customers);
        QCOMPARE(ui->compare.paneText(0), customers->primaryText);
        QCOMPARE(ui->compare.paneText(1), customers->secondaryText);
        // The Name column's length is where the texts differ: 50 against 80.
        int at = ui->compare.pane(0)->toPlainText().indexOf("(50)") + 1;
        QCOMPARE(RedMask(*ui->compare.pane(0)).mid(at - 1, 4), QString(".rr."));
        QCOMPARE(RedMask(*ui->compare.pane(1)).mid(at - 1, 4), QString(".rr."));
        // Every other line is the same on both sides and stays black.
        QCOMPARE(RedMask(*ui->compare.pane(0)).count('r'), 2);

        // A view shows its stored text, marked at the one letter that differs.
        ShowObject(ui->nav, "Open Orders");
        QCOMPARE(ui->compare.pane(1)->toPlainText(),
                 QString("CREATE VIEW [Open Orders] AS \nSELECT b FROM Orders;\nGO"));
        QCOMPARE(RedMask(*ui->compare.pane(0)).indexOf('r'),
                 ui->compare.pane(0)->toPlainText().indexOf("a FROM"));
        QCOMPARE(RedMask(*ui->compare.pane(0)).count('r'), 1);

        // An object on one side only shows that side, unmarked.
        ShowObject(ui->nav, "OnlyPri");
        QVERIFY(ui->compare.pane(0)->toPlainText().startsWith("CREATE TABLE [OnlyPri]"));
        QVERIFY(ui->compare.pane(1)->toPlainText().isEmpty());
        QVERIFY(!RedMask(*ui->compare.pane(0)).contains('r'));

        ShowObject(ui->nav, "OnlySec");
        QVERIFY(ui->compare.pane(0)->toPlainText().isEmpty());
        QVERIFY(ui->compare.pane(1)->toPlainText().startsWith("CREATE TABLE [OnlySec]"));

        // A category is no object: the one shown stays.
        ShowObject(ui->nav, "TABLE");
        QCOMPARE(ui->compare.currentObject(), QString("OnlySec"));
    }

    void reMarkingColoursTheDifferingStretchesOfEditedTexts() {
        connectExamples();
        setPanes("SELECT aXYb FROM T", "SELECT aZZb FROM T");
        ui->compare.markButton(1)->click();
        QCOMPARE(RedMask(*ui->compare.pane(0)), QString(".......rrrr......."));
        QCOMPARE(RedMask(*ui->compare.pane(1)), QString(".......rrrr......."));

        // After an edit, the other button marks the new differences and clears the old ones.
        setPanes("SELECT aXYb FROM T\nWHERE x = 1", "SELECT aXYb FROM U\nWHERE y = 1");
        ui->compare.pane(0)->selectAll();
        ui->compare.pane(0)->setTextColor(Qt::red);
        ui->compare.markButton(0)->click();
        QCOMPARE(RedMask(*ui->compare.pane(0)), QString(".................r\n......r...."));

        // A line one side adds is marked whole there; the lines around it stay black.
        setPanes("[A] INT,\n[B] INT", "[A] INT,\n[New] INT,\n[B] INT");
        ui->compare.markButton(0)->click();
        QCOMPARE(RedMask(*ui->compare.pane(0)), QString("........\n......."));
        QCOMPARE(RedMask(*ui->compare.pane(1)), QString("........\nrrrrrrrrrr\n......."));

        // An empty pane leaves the other one unmarked.
        setPanes("", "CREATE TABLE [x]");
        ui->compare.markButton(0)->click();
        QVERIFY(!RedMask(*ui->compare.pane(1)).contains('r'));
        QVERIFY(desktop().messages.isEmpty());
    }
};

QTEST_MAIN(ComparingTest)
#include "ComparingTest.moc"
