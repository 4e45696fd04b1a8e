#include "script/SyncScript.h"

#include "tests/engine/EngineFixture.h"

using namespace vantor;
using namespace vantor::test;

namespace {

class SyncScriptTest : public EngineFixture {
protected:
    void compare() {
        pointAtBoth();
        ASSERT_TRUE(Engine->DbOpen());
        ASSERT_TRUE(Engine->Refresh()) << Engine->ErrDescription().toStdString();
    }

    // Each step as "kind name" in script order.
    static QStringList outline(const SyncScript& s) {
        static const char* kinds[] = {"drop-view", "drop-relationship", "drop-index", "drop-table",
                                      "alter",     "create-table",      "create-view"};
        QStringList out;
        for (const SyncStep& step : s.steps)
            out << QString::fromLatin1(kinds[static_cast<int>(step.kind)]) + " " + step.name;
        return out;
    }

    // A small schema pair where every kind of step is needed on either side.
    void fillBothKinds() {
        pri->AddTable("Orders").Column("OrderID", 3, {}, false).Column("Note", 130, 50);
        pri->AddTable("Customers").Column("CustomerID", 3, {}, false);
        pri->AddView("Big Orders", "SELECT * FROM Orders WHERE Amount > 10;\r\n");
        pri->AddView("Recent", "SELECT [Orders].* FROM [Orders];\r\n");
        sec->AddTable("Orders").Column("OrderID", 3, {}, false).Column("Note", 130, 20);
        sec->AddTable("Legacy").Column("ID", 3);
        sec->AddView("Legacy List", "SELECT * FROM Legacy;\r\n");
        sec->AddView("Recent", "SELECT [Orders].OrderID FROM [Orders];\r\n");
    }
};

} // namespace

TEST_F(SyncScriptTest, ViewsAreDroppedFirstAndCreatedLastOnEitherSide) {
    fillBothKinds();
    compare();
    SyncScript s = BuildSyncScript(*Engine, 1);
    EXPECT_EQ(outline(s),
              QStringList({"drop-view Recent", "drop-view Legacy List", "drop-table Legacy",
                           "alter Orders", "create-table Customers", "create-view Big Orders",
                           "create-view Recent"}));
    EXPECT_TRUE(s.notes.isEmpty());
    EXPECT_EQ(s.steps[2].text, "DROP TABLE [Legacy]\r\nGO\r\n");
    EXPECT_TRUE(s.steps[3].text.contains("TEXT(50)"));
    EXPECT_EQ(s.steps[4].text, Engine->TablesPri->Item(":Customers")->SqlCreate());
    EXPECT_EQ(s.steps[6].text, "CREATE VIEW [Recent] AS \r\nSELECT [Orders].* FROM [Orders];\r\n"
                               "\r\nGO\r\n");

    SyncScript mirror = BuildSyncScript(*Engine, 0);
    EXPECT_EQ(outline(mirror),
              QStringList({"drop-view Big Orders", "drop-view Recent", "drop-table Customers",
                           "alter Orders", "create-table Legacy", "create-view Recent",
                           "create-view Legacy List"}));
    EXPECT_TRUE(mirror.steps[3].text.contains("TEXT(20)"));
}

TEST_F(SyncScriptTest, ViewsReadingViewsAreCreatedAfterAndDroppedBeforeThem) {
    // Listed readers first, so only the analysis of the text can put them right; the loop of A
    // and B keeps its order instead of looping.
    pri->AddView("Top", "SELECT * FROM [Middle];\r\n");
    pri->AddView("Middle", "SELECT * FROM UMSÄTZE WHERE x = 'Top' AND y = \"Top\";\r\n");
    pri->AddView("Umsätze", "SELECT * FROM T;\r\n");
    pri->AddView("A", "SELECT * FROM B;\r\n");
    pri->AddView("B", "SELECT * FROM A;\r\n");
    pri->AddTable("T").Column("a", 3);
    sec->AddTable("T").Column("a", 3);
    compare();
    const QStringList created = outline(BuildSyncScript(*Engine, 1));
    EXPECT_EQ(created.filter(QRegularExpression("(tze|Middle|Top)$")),
              QStringList({"create-view Umsätze", "create-view Middle", "create-view Top"}));
    EXPECT_EQ(created.filter(QRegularExpression(" [AB]$")),
              QStringList({"create-view A", "create-view B"}));
    EXPECT_EQ(outline(BuildSyncScript(*Engine, 0)).filter(QRegularExpression("(tze|Middle|Top)$")),
              QStringList({"drop-view Top", "drop-view Middle", "drop-view Umsätze"}));
}

TEST_F(SyncScriptTest, AnObjectThatChangedKindIsDroppedAndCreatedAnew) {
    pri->AddView("X", "SELECT * FROM T;\r\n");
    pri->AddTable("T").Column("a", 3);
    sec->AddTable("X").Column("a", 3);
    sec->AddTable("T").Column("a", 3);
    compare();
    EXPECT_EQ(outline(BuildSyncScript(*Engine, 1)), QStringList({"drop-table X", "create-view X"}));
    EXPECT_EQ(outline(BuildSyncScript(*Engine, 0)), QStringList({"drop-view X", "create-table X"}));
}

TEST_F(SyncScriptTest, WhatNoScriptCanFixIsNotedNotScripted) {
    pri->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 3);
    pri->AddTable("Linked", "LINK");
    pri->AddTable("Case").Column("Name", 130, 10);
    sec->AddTable("Case").Column("NAME", 130, 10);
    pri->AddTable("Empty");
    compare();
    SyncScript s = BuildSyncScript(*Engine, 1);
    EXPECT_TRUE(s.steps.empty());
    EXPECT_EQ(s.notes.size(), 3);
    for (const char* note : {"LINK [Linked]", "letter case", "TABLE [Empty]"})
        EXPECT_EQ(s.notes.filter(note).size(), 1) << note;
}

TEST_F(SyncScriptTest, RelationshipsAndIndexesInTheWayAreDroppedFirst) {
    pri->AddTable("Orders").Column("OrderID", 3);
    pri->AddTable("Kept").Column("Code", 130, 5);
    sec->AddTable("Orders").Column("OrderID", 3).Column("CustomerID", 3).Column("Code", 130, 5);
    sec->AddTable("Customers").Column("CustomerID", 3);
    sec->AddTable("Kept").Column("Code", 130, 5);
    compare();
    DbSchema target;
    target.tables = {{"Orders",
                      "TABLE",
                      {},
                      {{"ByCustomer", {{"CustomerID", false}}, false, false},
                       {"PrimaryKey", {{"OrderID", false}}, true, true}}},
                     {"Customers", "TABLE", {}, {{"PK", {{"CustomerID", false}}, true, true}}},
                     {"Kept", "TABLE", {}, {{"ByCode", {{"Code", false}}, false, false}}}};
    target.relationships = {
        {"CustomersOrders", "Orders", "Customers", {{"CustomerID", "CustomerID"}}},
        {"KeptOrders", "Kept", "Orders", {{"Code", "Code"}}},
        {"Unrelated", "Kept", "Kept", {{"Code", "Code"}}}};

    SyncScript s = BuildSyncScript(*Engine, 1, QString(), &target);
    EXPECT_EQ(outline(s),
              QStringList({"drop-relationship CustomersOrders", "drop-relationship KeptOrders",
                           "drop-index ByCustomer", "drop-table Customers", "alter Orders"}));
    EXPECT_EQ(s.steps[0].text,
              "ALTER TABLE [Orders]\r\n DROP CONSTRAINT [CustomersOrders]\r\nGO\r\n");
    EXPECT_EQ(s.steps[2].text, "DROP INDEX [ByCustomer] ON [Orders]\r\nGO\r\n");
}
