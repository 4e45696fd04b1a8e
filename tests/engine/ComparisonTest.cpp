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
    pri->AddTable("CaseOnly"); // names match without regard to case
    sec->AddTable("CASEONLY");
    pri->AddTable("MSysAccessObjects", "SYSTEM TABLE");
    pri->AddView("PriView", "SELECT 1");
    sec->AddTable("SecOnly").Column("A", 3);
    pri->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 3);
    sec->AddTable("MSysObjects", "SYSTEM TABLE").Column("Id", 130, 10);
    pri->AddView("SameView", "SELECT * FROM Same");
    sec->AddView("SameView", "SELECT * FROM Same");
    pri->AddView("Broken", "SELECT *\r\nFROM Same");
    sec->AddView("Broken", "SELECT * FROM Same");
    pri->AddTable("TableView").Column("A", 3); // compared by the primary's type
    sec->AddView("TableView", "SELECT 1");
    pri->AddView("ViewTable", "SELECT 1");
    sec->AddTable("ViewTable").Column("A", 3);
    sec->AddView("SecView", "SELECT 1");

    ASSERT_TRUE(Engine->Refresh());
    EXPECT_TRUE(numbers.isEmpty());
    // Letter case of column names and line breaks count.
    for (const QString expected :
         {"Same 0", "CaseOnly 0", "Sized 1", "Cased 1", "Required 1", "PriOnly 2",
          "MSysAccessObjects 2", "PriView 2", "SecOnly 3", "MSysObjects 0", "SameView 0",
          "Broken 1", "TableView 1", "ViewTable 1", "SecView 3"}) {
        const QString name = expected.section(' ', 0, 0);
        EXPECT_EQ(QString("%1 %2").arg(name).arg(status(name)), expected);
    }

    // The secondary-only objects are the secondary's own, appended to the combined list, which is
    // the primary collection itself.
    EXPECT_EQ(Engine->Tables, Engine->TablesPri);
    EXPECT_EQ(Engine->TablesPri->Count(), 13 + 2);
    EXPECT_EQ(Engine->Tables->Item(":SecOnly"), Engine->TablesSec->Item(":SecOnly"));
    EXPECT_EQ(Engine->Tables->Item(Engine->Tables->Count())->Obj_Name(), "SecView");
}

TEST_F(Comparison, RepeatedRefreshesStartFromFreshCollections) {
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(Engine->TablesPri->Count(), 0);

    pri->AddTable("A").Column("X", 3);
    sec->AddTable("B").Column("X", 3);
    ASSERT_TRUE(Engine->Refresh());
    sec->AddTable("A").Column("X", 3);
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(Engine->TablesPri->Count(), 2);
    EXPECT_EQ(status("A"), 0);
    EXPECT_EQ(status("B"), 3);
    EXPECT_EQ(pri->opens.size(), 1 + 3 * 2); // every Refresh opens both databases twice
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

    // Open: a failing re-open stops the refresh at once, with nothing compared.
    pri->failOpen.reset();
    pri->AddTable("T").Column("A", 3);
    ASSERT_TRUE(Engine->Refresh());
    ASSERT_GT(Engine->Tables->Count(), 0);
    sec->failOpen = VantorError(err::Provider, "Disk or network error.");
    numbers.clear();
    EXPECT_FALSE(Engine->Refresh());
    EXPECT_EQ(numbers, QList<qint32>({err::Provider}));
    EXPECT_EQ(Engine->Tables->Count(), 0);
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
    EXPECT_TRUE(Engine->FieldExistInOne("id", "Orders"));
    EXPECT_FALSE(Engine->FieldExistInOne("ID", "Missing"));
    EXPECT_TRUE(Engine->FieldExistInTwo("Name", "Customers"));

    Engine->TablesSec.reset();
    EXPECT_FALSE(Engine->FieldExistInTwo("Name", "Customers"));
}
