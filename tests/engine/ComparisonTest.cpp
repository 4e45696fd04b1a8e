#include "tests/engine/EngineFixture.h"

using namespace vantor;
using namespace vantor::test;

namespace {

class Comparison : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        pointAtBoth();
        // The connect dialog opens both databases before the first Refresh.
        ASSERT_TRUE(Engine->DbOpen());
        ui.events.clear();
        QObject::connect(Engine.get(), &clsEngine::ErrorEvents,
                         [this](qint32 n, const QString&) { numbers << n; });
    }

    qint16 status(const QString& name) {
        auto o = Engine->Tables->Item(":" + name);
        return o ? o->Status() : -1;
    }

    QList<qint32> numbers;
};

} // namespace

TEST_F(Comparison, RefreshMarksEveryObjectWithItsState) {
    pri->AddTable("Same").Column("ID", 3, {}, false).Column("Name", 130, 50);
    sec->AddTable("Same").Column("ID", 3, {}, false).Column("Name", 130, 50);
    pri->AddTable("Sized").Column("Name", 130, 50);
    sec->AddTable("Sized").Column("Name", 130, 40);
    pri->AddTable("Cased").Column("Name", 130, 50);
    sec->AddTable("Cased").Column("NAME", 130, 50);
    pri->AddTable("Required").Column("Name", 130, 50, false);
    sec->AddTable("Required").Column("Name", 130, 50, true);
    pri->AddTable("PriOnly");
    sec->AddTable("SecOnly").Column("A", 3);
    pri->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 3);
    sec->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 130, 10);
    pri->AddView("SameView", "SELECT * FROM Same");
    sec->AddView("SameView", "SELECT * FROM Same");
    pri->AddView("Broken", "SELECT *\r\nFROM Same");
    sec->AddView("Broken", "SELECT * FROM Same");
    sec->AddView("SecView", "SELECT 1");

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_TRUE(numbers.isEmpty());
    EXPECT_EQ(status("Same"), 0);
    EXPECT_EQ(status("Sized"), 1);
    EXPECT_EQ(status("Cased"), 1); // a column name differing in letter case is a difference
    EXPECT_EQ(status("Required"), 1);
    EXPECT_EQ(status("PriOnly"), 2);
    EXPECT_EQ(status("SecOnly"), 3);
    EXPECT_EQ(status("MSysObjects"), 0); // not a compared type
    EXPECT_EQ(status("SameView"), 0);
    EXPECT_EQ(status("Broken"), 1); // line breaks count
    EXPECT_EQ(status("SecView"), 3);

    // The secondary-only objects are the secondary's own, appended to the combined list, which is
    // the primary collection itself.
    EXPECT_EQ(Engine->Tables, Engine->TablesPri);
    EXPECT_EQ(Engine->TablesPri->Count(), 8 + 2);
    EXPECT_EQ(Engine->Tables->Item(":SecOnly"), Engine->TablesSec->Item(":SecOnly"));
    EXPECT_EQ(Engine->Tables->Item(Engine->Tables->Count())->Obj_Name(), "SecView");
    EXPECT_EQ(Engine->TablesSec->Item(":SecOnly")->Status(), 3);
}

TEST_F(Comparison, NameOnBothSidesIsComparedByThePrimaryType) {
    pri->AddTable("Both").Column("A", 3);
    sec->AddView("Both", "SELECT 1");
    pri->AddView("Other", "SELECT 1");
    sec->AddTable("Other").Column("A", 3);

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(status("Both"), 1);  // a table against a view without columns
    EXPECT_EQ(status("Other"), 1); // a view against a table without view text
}

TEST_F(Comparison, EmptyDatabasesAndRepeatedRefreshesStartFromFreshCollections) {
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(Engine->TablesPri->Count(), 0);
    EXPECT_TRUE(numbers.isEmpty());

    pri->AddTable("A").Column("X", 3);
    sec->AddTable("B").Column("X", 3);
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(Engine->Tables->Count(), 2);

    sec->AddTable("A").Column("X", 3);
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(Engine->TablesPri->Count(), 2);
    EXPECT_EQ(status("A"), 0);
    EXPECT_EQ(status("B"), 3);
    EXPECT_EQ(pri->opens.size(), 1 + 3 * 2); // every Refresh opens both databases twice
}

TEST_F(Comparison, WaitWindowIsShownWhileLoadingAndUnloadedAtTheEnd) {
    pri->AddTable("A");
    ASSERT_TRUE(Engine->Refresh());
    const qsizetype analyzing = ui.events.indexOf("caption:Analyzing Tables...");
    ASSERT_GE(analyzing, 0);
    EXPECT_EQ(ui.events.mid(analyzing, 3),
              QStringList({"caption:Analyzing Tables...", "progress:3", "show"}));
    EXPECT_EQ(ui.events.last(), "unload");
}

TEST_F(Comparison, RefreshFailuresAreNumberedAndReported) {
    // Never opened: the connection does not exist yet.
    CnPrimary.reset();
    CnSecondary.reset();
    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(Engine->ErrNumber(), err::ObjectNotSet);
    EXPECT_EQ(ui.events.last(), "unload");

    // Closed, and it will not open again.
    ASSERT_TRUE(Engine->DbOpen());
    CnPrimary->Close();
    pri->failOpen = VantorError(err::Provider, "Could not use ''; file already in use.");
    numbers.clear();
    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(Engine->ErrNumber(), 10002);
    EXPECT_EQ(Engine->ErrDescription(), "Connection Closed.");
    EXPECT_EQ(numbers, QList<qint32>({err::Provider, 10002}));

    // Open: a failing re-open is ignored, the closed secondary then stops the refresh.
    pri->failOpen.reset();
    ASSERT_TRUE(Engine->DbOpen());
    sec->failOpen = VantorError(err::Provider, "Disk or network error.");
    numbers.clear();
    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(numbers, QList<qint32>({err::Provider, err::Provider, 10002}));
}

TEST_F(Comparison, ExistenceTestsLookAtEachSide) {
    pri->AddTable("Orders").Column("ID", 3);
    sec->AddTable("Customers").Column("Name", 130, 50);
    // Nothing loaded yet: no object, no error.
    EXPECT_FALSE(Engine->TableExistInOne("Orders"));
    EXPECT_FALSE(Engine->FieldExistInOne("ID", "Orders"));

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_TRUE(Engine->TableExistInOne("orders"));
    EXPECT_FALSE(Engine->TableExistInTwo("Orders"));
    EXPECT_FALSE(Engine->TableExistInOne(":Orders"));
    EXPECT_TRUE(Engine->FieldExistInOne("id", "Orders"));
    EXPECT_FALSE(Engine->FieldExistInOne("ID", "Missing"));
    EXPECT_TRUE(Engine->FieldExistInTwo("Name", "Customers"));

    Engine->TablesSec.reset();
    EXPECT_FALSE(Engine->TableExistInTwo("Customers"));
    EXPECT_FALSE(Engine->FieldExistInTwo("Name", "Customers"));
}
