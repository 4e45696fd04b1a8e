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
        put(Engine->TablesPri, primary);
        put(Engine->TablesSec, secondary);
    }
};

} // namespace

TEST_F(AlterScript, SecondaryScriptAddsMissingColumnsThenAltersDifferentOnes) {
    sides(TableBuilder("T").Column("A", 130, 40).Column("B", 130, 50, false),
          TableBuilder("T").Column("B", 130, 30));
    EXPECT_EQ(AlterScriptSecondary("T"), "ALTER TABLE [T]\r\n"
                                         " ADD \r\n"
                                         "   [A] TEXT(40)  \r\n"
                                         "GO\r\n"
                                         "ALTER TABLE [T]\r\n"
                                         " ALTER COLUMN \r\n"
                                         "  [B] TEXT(50) NOT NULL \r\n"
                                         "GO\r\n"
                                         "\r\n"
                                         "GO\r\n");
}

TEST_F(AlterScript, IdenticalTablesGiveFourLineBreaks) {
    sides(TableBuilder("T").Column("A", 3).Column("B", 130, 5),
          TableBuilder("T").Column("a", 3).Column("B", 130, 5));
    EXPECT_EQ(AlterScriptSecondary("T"), "\r\n\r\n\r\n\r\n");
    EXPECT_EQ(AlterScriptPrimary("T"), "\r\n\r\n\r\n\r\n");
}

TEST_F(AlterScript, AlterClauseFollowsTheSourceColumn) {
    sides(TableBuilder("T")
              .Column("SizeOnly", 130, 50)
              .Column("NowRequired", 130, 10, false)
              .Column("NowOptional", 130, 10, true)
              .Column("Memo", 130, 0, false),
          TableBuilder("T")
              .Column("SizeOnly", 130, 30)
              .Column("NowRequired", 130, 10, true)
              .Column("NowOptional", 130, 10, false)
              .Column("Memo", 130, 0, true));
    const QString script = AlterScriptSecondary("T");
    EXPECT_TRUE(script.contains("  [SizeOnly] TEXT(50) NULL \r\n")) << script.toStdString();
    EXPECT_TRUE(script.contains("  [NowRequired] TEXT(10) NOT NULL \r\n"));
    EXPECT_TRUE(script.contains("  [NowOptional] TEXT(10) NULL \r\n"));
    EXPECT_TRUE(script.contains("  [Memo] TEXT NOT NULL \r\n"));
    EXPECT_EQ(script.count(" ALTER COLUMN \r\n"), 4);
    EXPECT_EQ(script.count("\r\nGO\r\n"), 5); // a batch each, then the closing empty batch
}

TEST_F(AlterScript, TypeTextOfAlteredColumnsEndsWithoutSeparator) {
    sides(TableBuilder("T")
              .Column("N", 3)
              .Column("G", 72, 0, false)
              .Column("Odd", 15)
              .Column("Same", 5),
          TableBuilder("T")
              .Column("N", 130, 10)
              .Column("G", 72, 0, true)
              .Column("Odd", 3)
              .Column("Same", 5));
    EXPECT_EQ(AlterScriptSecondary("T"),
              "\r\n\r\n"
              "ALTER TABLE [T]\r\n ALTER COLUMN \r\n  [N] INTEGER\r\nGO\r\n"
              "ALTER TABLE [T]\r\n ALTER COLUMN \r\n"
              "  [G] GUID NOT NULL \r\nGO\r\n"
              "\r\nGO\r\n");
}

TEST_F(AlterScript, PrimaryScriptAddsTheSecondaryOnlyColumns) {
    sides(TableBuilder("T").Column("ID", 3, 0, false),
          TableBuilder("T").Column("ID", 3, 0, false).Column("Extra", 130, 20).Column("When", 7));
    EXPECT_EQ(AlterScriptPrimary("T"), "ALTER TABLE [T]\r\n"
                                       " ADD \r\n"
                                       "   [Extra] TEXT(20)  , \r\n"
                                       "   [When] DATETIME\r\n"
                                       "GO\r\n"
                                       "\r\n"
                                       "\r\n");
}

TEST_F(AlterScript, AddedColumnsKeepTheirNotNullClause) {
    sides(
        TableBuilder("T").Column("ID", 3).Column("Code", 130, 8, false).Column("Num", 4, 0, false),
        TableBuilder("T").Column("ID", 3));
    EXPECT_EQ(AlterScriptSecondary("T"), "ALTER TABLE [T]\r\n"
                                         " ADD \r\n"
                                         "   [Code] TEXT(8)  NOT NULL , \r\n"
                                         "   [Num] SINGLE\r\n"
                                         "GO\r\n\r\n\r\n");
}

TEST_F(AlterScript, SurplusColumnsOfTheTargetAreDroppedInABatchOfTheirOwn) {
    sides(TableBuilder("T").Column("Keep", 3).Column("New", 130, 5).Column("Wide", 130, 80),
          TableBuilder("T")
              .Column("Old1", 3)
              .Column("Keep", 3)
              .Column("Wide", 130, 40)
              .Column("Old2", 11));
    EXPECT_EQ(AlterScriptSecondary("T"), "ALTER TABLE [T]\r\n"
                                         " ADD \r\n"
                                         "   [New] TEXT(5)  \r\n"
                                         "GO\r\n"
                                         "ALTER TABLE [T]\r\n"
                                         " DROP COLUMN \r\n"
                                         "   [Old1], \r\n"
                                         "   [Old2]\r\n"
                                         "GO\r\n"
                                         "ALTER TABLE [T]\r\n"
                                         " ALTER COLUMN \r\n"
                                         "  [Wide] TEXT(80) NULL \r\n"
                                         "GO\r\n"
                                         "\r\n"
                                         "GO\r\n");
    // The other direction adds what the first script drops and drops what it adds.
    const QString reverse = AlterScriptPrimary("T");
    EXPECT_TRUE(reverse.startsWith("ALTER TABLE [T]\r\n ADD \r\n   [Old1] INTEGER,\r\n"
                                   "   [Old2] YESNO\r\nGO\r\n"))
        << reverse.toStdString();
    EXPECT_TRUE(reverse.contains(" DROP COLUMN \r\n   [New]\r\nGO\r\n"));
}

TEST_F(AlterScript, NothingToRunWhenTheTableIsNotATableOnBothSides) {
    put(Engine->TablesPri, TableBuilder("PriOnly").Column("A", 3));
    put(Engine->TablesSec, TableBuilder("SecOnly").Column("A", 3));
    sides(TableBuilder("Mixed").Column("A", 3), TableBuilder("Mixed", "VIEW"));
    EXPECT_EQ(AlterScriptSecondary("PriOnly"), "");
    EXPECT_EQ(AlterScriptPrimary("SecOnly"), "");
    EXPECT_EQ(AlterScriptSecondary("Mixed"), "");
    Engine.reset();
    EXPECT_EQ(AlterScriptSecondary("PriOnly"), "");
}

TEST_F(AlterScript, SecondaryOnlyTableAfterRefreshHasNothingToRun) {
    // Refresh appends the secondary's own object to the primary collection.
    pointAtBoth();
    sec->AddTable("SecOnly").Column("A", 3);
    pri->AddTable("Both").Column("A", 3);
    sec->AddTable("Both").Column("A", 3).Column("B", 130, 10);
    ASSERT_TRUE(Engine->DbOpen());
    ASSERT_TRUE(Engine->Refresh());
    EXPECT_EQ(AlterScriptPrimary("SecOnly"), "");
    EXPECT_EQ(AlterScriptSecondary("SecOnly"), "");
    EXPECT_EQ(AlterScriptPrimary("both"), "ALTER TABLE [both]\r\n ADD \r\n   [B] TEXT(10)  \r\n"
                                          "GO\r\n\r\n\r\n");
}
