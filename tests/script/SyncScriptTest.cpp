#include "script/SyncScript.h"
#include "engine/SqlText.h"

#include "tests/script/SyncScriptFixture.h"
#include "tests/support/QtPrinters.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

class SyncScriptTest : public SyncScriptFixture {};

} // namespace

TEST_F(SyncScriptTest, ViewsAreDroppedFirstAndCreatedLastOnEitherSide) {
    pri("Orders").Column("OrderID", 3, {}, false).Column("Note", 130, 50);
    pri("Customers").Column("CustomerID", 3, {}, false);
    priView("Big Orders", "SELECT * FROM Orders WHERE Amount > 10;\r\n");
    priView("Recent", "SELECT [Orders].* FROM [Orders];\r\n");
    sec("Orders").Column("OrderID", 3, {}, false).Column("Note", 130, 20);
    sec("Legacy").Column("ID", 3);
    secView("Legacy List", "SELECT * FROM Legacy;\r\n");
    secView("Recent", "SELECT [Orders].OrderID FROM [Orders];\r\n");
    SyncScript s = script(Side::Secondary);
    EXPECT_EQ(outline(s),
              QStringList({"drop-view Recent", "drop-view Legacy List", "drop-table Legacy",
                           "alter Orders", "create-table Customers", "create-view Big Orders",
                           "create-view Recent"}));
    EXPECT_TRUE(s.notes.empty());
    EXPECT_EQ(
        s.steps[2].text,
        "-- Data loss: DROP TABLE [Legacy] and every row in it\r\nDROP TABLE [Legacy]\r\nGO\r\n");
    EXPECT_EQ(s.dataLoss, QStringList({"DROP TABLE [Legacy] and every row in it"}));
    EXPECT_TRUE(s.steps[3].text.contains("TEXT(50)"));
    EXPECT_EQ(s.steps[4].text, CreateTableText(primary.tables[1]));
    EXPECT_EQ(s.steps[6].text, "CREATE VIEW [Recent] AS \r\nSELECT [Orders].* FROM [Orders];\r\n"
                               "\r\nGO\r\n");

    SyncScript mirror = script(Side::Primary);
    EXPECT_EQ(outline(mirror),
              QStringList({"drop-view Big Orders", "drop-view Recent", "drop-table Customers",
                           "alter Orders", "create-table Legacy", "create-view Recent",
                           "create-view Legacy List"}));
    EXPECT_TRUE(mirror.steps[3].text.contains("TEXT(20)"));
}

TEST_F(SyncScriptTest, ViewsReadingViewsAreCreatedAfterAndDroppedBeforeThem) {
    // Listed readers first, so only the analysis of the text can put them right; the loop of A
    // and B keeps its order instead of looping.
    priView("Top", "SELECT * FROM [Middle];\r\n");
    priView("Middle", "SELECT * FROM UMSÄTZE WHERE x = 'Top' AND y = \"Top\";\r\n");
    priView("Umsätze", "SELECT * FROM T;\r\n");
    priView("A", "SELECT * FROM B;\r\n");
    priView("B", "SELECT * FROM A;\r\n");
    pri("T").Column("a", 3);
    sec("T").Column("a", 3);
    const QStringList created = outline(script(Side::Secondary));
    EXPECT_EQ(created.filter(QRegularExpression("(tze|Middle|Top)$")),
              QStringList({"create-view Umsätze", "create-view Middle", "create-view Top"}));
    EXPECT_EQ(created.filter(QRegularExpression(" [AB]$")),
              QStringList({"create-view A", "create-view B"}));
    EXPECT_EQ(outline(script(Side::Primary)).filter(QRegularExpression("(tze|Middle|Top)$")),
              QStringList({"drop-view Top", "drop-view Middle", "drop-view Umsätze"}));
}

TEST_F(SyncScriptTest, AnObjectThatChangedKindIsDroppedAndCreatedAnew) {
    priView("X", "SELECT * FROM T;\r\n");
    pri("T").Column("a", 3);
    sec("X").Column("a", 3);
    sec("T").Column("a", 3);
    EXPECT_EQ(outline(script(Side::Secondary)), QStringList({"drop-table X", "create-view X"}));
    EXPECT_EQ(outline(script(Side::Primary)), QStringList({"drop-view X", "create-table X"}));

    // The other way round the view must come back too, not only the table go.
    primary = Schema();
    secondary = Schema();
    pri("X").Column("a", 3);
    secView("X", "SELECT 1;\r\n");
    SyncScript s = script(Side::Primary);
    EXPECT_EQ(outline(s), QStringList({"drop-table X", "create-view X"}));
    EXPECT_TRUE(s.notes.empty());
    EXPECT_EQ(s.steps[1].text, "CREATE VIEW [X] AS \r\nSELECT 1;\r\n\r\nGO\r\n");
}

TEST_F(SyncScriptTest, WhatNoScriptCanFixIsNotedNotScripted) {
    pri("MSysObjects", ObjectKind::SystemTable).Column("Id", 3);
    pri("Linked", ObjectKind::Link);
    pri("Case").Column("Name", 130, 10);
    sec("Case").Column("NAME", 130, 10);
    pri("Empty");
    SyncScript s = script(Side::Secondary);
    EXPECT_TRUE(s.steps.empty());
    ASSERT_EQ(s.notes.size(), 4u);
    for (const char* note :
         {"LINK [Linked]", "LINK SOURCE [Linked (link source)]", "letter case", "TABLE [Empty]"})
        EXPECT_EQ(s.NoteTexts().filter(note).size(), 1) << note;
    EXPECT_EQ(s.notes[1].name, "Case");
    EXPECT_EQ(s.notes[1].cause, SyncNote::Cause::LetterCase);
    EXPECT_EQ(s.notes[1].reason,
              "the names differ only in letter case, which ALTER TABLE cannot change.");
}

TEST_F(SyncScriptTest, RelationshipsAndIndexesInTheWayAreDroppedFirst) {
    pri("Orders").Column("OrderID", 3);
    pri("Kept").Column("Code", 130, 5);
    sec("Orders").Column("OrderID", 3).Column("CustomerID", 3).Column("Code", 130, 5);
    sec("Customers").Column("CustomerID", 3);
    sec("Kept").Column("Code", 130, 5);
    // The target's keys and relationships, which the comparison of tables does not look at.
    secondary.tables[0].indexes = {{"ByCustomer", {{"CustomerID", false}}, false, false},
                                   {"PrimaryKey", {{"OrderID", false}}, true, true}};
    secondary.tables[1].indexes = {{"PK", {{"CustomerID", false}}, true, true}};
    secondary.tables[2].indexes = {{"ByCode", {{"Code", false}}, false, false}};
    secondary.relationships = {
        {"CustomersOrders", "Orders", "Customers", {{"CustomerID", "CustomerID"}}},
        {"KeptOrders", "Kept", "Orders", {{"Code", "Code"}}},
        {"Unrelated", "Kept", "Kept", {{"Code", "Code"}}}};

    CompareOptions tablesOnly;
    tablesOnly.kinds = KindBit(KindGroup::Tables) | KindBit(KindGroup::Views);
    SyncScript s = script(Side::Secondary, tablesOnly);
    EXPECT_EQ(outline(s),
              QStringList({"drop-relationship CustomersOrders", "drop-relationship KeptOrders",
                           "drop-index ByCustomer", "drop-table Customers", "alter Orders"}));
    EXPECT_EQ(s.steps[0].text,
              "ALTER TABLE [Orders]\r\n DROP CONSTRAINT [CustomersOrders]\r\nGO\r\n");
    EXPECT_EQ(s.steps[2].text, "DROP INDEX [ByCustomer] ON [Orders]\r\nGO\r\n");
}

// No statement hides a view: dropping and creating it again would leave it as it was, so the
// script says what to do in Access instead, and rewrites one whose text differs too.
TEST_F(SyncScriptTest, AViewHiddenOnOneSideOnlyIsNotedNotRecreated) {
    priView("Hid", "SELECT 1;\r\n");
    secView("Hid", "SELECT 1;\r\n");
    priView("Shown", "SELECT 2;\r\n");
    secView("Shown", "SELECT 2;\r\n");
    priView("Changed", "SELECT 3;\r\n");
    secView("Changed", "SELECT 4;\r\n");
    primary.views[0].hidden = primary.views[2].hidden = true;
    secondary.views[1].hidden = true;

    const SyncScript s = script(Side::Secondary);
    EXPECT_EQ(outline(s), QStringList({"drop-view Changed", "create-view Changed"}));
    EXPECT_EQ(s.NoteTexts(),
              QStringList({"VIEW [Hid]: it is hidden in one database only; hide it in Access (its "
                           "Properties, Hidden).",
                           "VIEW [Shown]: it is hidden in one database only; show it in Access "
                           "(its Properties, Hidden)."}));
    ASSERT_EQ(s.notes.size(), 2u);
    EXPECT_EQ(s.notes[0].cause, SyncNote::Cause::AccessOnly);
}

// The comparison lists a table's columns by name, but a table the script makes keeps the order
// Access's design view shows, which is what its users see and their forms assume.
TEST_F(SyncScriptTest, ACreatedTableKeepsItsColumnsInDesignOrder) {
    pri("Parts").Column("Zone", 3).Column("Amount", 3).Column("Label", 130, 20);
    sec("Other").Column("ID", 3);
    SyncScript s = script(Side::Secondary);
    ASSERT_EQ(outline(s), QStringList({"drop-table Other", "create-table Parts"}));
    const QString& text = s.steps[1].text;
    EXPECT_LT(text.indexOf("[Zone]"), text.indexOf("[Amount]"));
    EXPECT_LT(text.indexOf("[Amount]"), text.indexOf("[Label]"));
    const QString compared = CreateTableText(primary.tables[0]);
    EXPECT_LT(compared.indexOf("[Amount]"), compared.indexOf("[Zone]"));
}
