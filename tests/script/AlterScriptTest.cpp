#include "script/AlterScript.h"
#include "tests/engine/EngineFixture.h"
#include "tests/script/TableBuilder.h"

using namespace vantor;
using namespace vantor::test;

namespace {

class AlterScript : public EngineFixture {
protected:
    void put(const std::shared_ptr<clsObjects>& side, const std::shared_ptr<clsObject>& table) {
        side->Add(table, table->Obj_Key());
    }
    void sides(const std::shared_ptr<clsObject>& primary,
               const std::shared_ptr<clsObject>& secondary) {
        Engine->TablesPri = std::make_shared<clsObjects>();
        Engine->TablesSec = std::make_shared<clsObjects>();
        put(Engine->TablesPri, primary);
        put(Engine->TablesSec, secondary);
    }
};

} // namespace

TEST_F(AlterScript, LayoutOfAddAlterAndDropBatches) {
    struct Case {
        const char* what;
        TableBuilder primary, secondary;
        QString forSecondary, forPrimary;
    };
    const QString same = "\r\n\r\n\r\n\r\n";
    const Case cases[] = {
        {"identical, column names in another case",
         TableBuilder("T").Column("A", 3).Column("B", 130, 5),
         TableBuilder("T").Column("a", 3).Column("B", 130, 5), same, same},
        {"added, then altered",
         TableBuilder("T").Column("A", 130, 40).Column("B", 130, 50, false),
         TableBuilder("T").Column("B", 130, 30),
         "ALTER TABLE [T]\r\n ADD \r\n   [A] TEXT(40)  \r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [B] TEXT(50) NOT NULL \r\nGO\r\n\r\nGO\r\n",
         {}},
        {"added columns keep NOT NULL but for literal type rows",
         TableBuilder("T").Column("ID", 3).Column("Code", 130, 8, false).Column("Num", 4, 0, false),
         TableBuilder("T").Column("ID", 3),
         "ALTER TABLE [T]\r\n ADD \r\n   [Code] TEXT(8)  NOT NULL , \r\n   [Num] SINGLE\r\n"
         "GO\r\n\r\n\r\n",
         {}},
        {"surplus columns dropped in a batch of their own",
         TableBuilder("T").Column("Keep", 3).Column("New", 130, 5).Column("Wide", 130, 80),
         TableBuilder("T")
             .Column("Old1", 3)
             .Column("Keep", 3)
             .Column("Wide", 130, 40)
             .Column("Old2", 11),
         "ALTER TABLE [T]\r\n ADD \r\n   [New] TEXT(5)  \r\nGO\r\n"
         "ALTER TABLE [T]\r\n DROP COLUMN \r\n   [Old1], \r\n   [Old2]\r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [Wide] TEXT(80) NULL \r\nGO\r\n\r\nGO\r\n",
         "ALTER TABLE [T]\r\n ADD \r\n   [Old1] INTEGER,\r\n   [Old2] YESNO\r\nGO\r\n"
         "ALTER TABLE [T]\r\n DROP COLUMN \r\n   [New]\r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [Wide] TEXT(40) NULL \r\nGO\r\n\r\nGO\r\n"},
        {"altered type texts end without separator; no SQL type, no batch",
         TableBuilder("T").Column("N", 3).Column("G", 72, 0, false).Column("Odd", 15),
         TableBuilder("T").Column("N", 130, 10).Column("G", 72, 0, true).Column("Odd", 3),
         "\r\n\r\nALTER TABLE [T]\r\n ALTER COLUMN \r\n  [N] INTEGER\r\nGO\r\n"
         "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [G] GUID NOT NULL \r\nGO\r\n\r\nGO\r\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sides(c.primary, c.secondary);
        EXPECT_EQ(AlterScriptSecondary("T"), c.forSecondary);
        if (!c.forPrimary.isNull()) {
            EXPECT_EQ(AlterScriptPrimary("T"), c.forPrimary);
        }
    }
}

TEST_F(AlterScript, NothingToRunWhenTheTableIsNotATableOnBothSides) {
    // Refresh appends the secondary's own object to the primary collection.
    pointAtBoth();
    sec->AddTable("SecOnly").Column("A", 3);
    pri->AddTable("PriOnly").Column("A", 3);
    pri->AddTable("Mixed").Column("A", 3);
    sec->AddView("Mixed", "SELECT 1");
    pri->AddTable("Both").Column("A", 3);
    sec->AddTable("Both").Column("A", 3).Column("B", 130, 10);
    ASSERT_TRUE(Engine->DbOpen());
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(AlterScriptPrimary("SecOnly"), "");
    EXPECT_EQ(AlterScriptSecondary("SecOnly"), "");
    EXPECT_EQ(AlterScriptSecondary("PriOnly"), "");
    EXPECT_EQ(AlterScriptSecondary("Mixed"), "");
    EXPECT_TRUE(AlterScriptPrimary("both").startsWith("ALTER TABLE [both]\r\n"));
    Engine.reset();
    EXPECT_EQ(AlterScriptSecondary("Both"), "");
}
