#include "script/SqlText.h"
#include "engine/Globals.h"
#include "script/SqlDataType.h"
#include "tests/script/TableBuilder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

TEST(SqlDataType, RowsTakeTheSuffixOrIgnoreIt) {
    EXPECT_EQ(SqlDataType(3, 0, " not null"), "INTEGER,\r\n");
    EXPECT_EQ(SqlDataType(11, 0, " identity"), "YESNO,\r\n");
    EXPECT_EQ(SqlDataType(17, 9, " not null"), "BYTE,\r\n");
    EXPECT_EQ(SqlDataType(72, 0, " not null"), "GUID NOT NULL , \r\n");
    EXPECT_EQ(SqlDataType(131, 0, ""), "NUMERIC , \r\n");
    EXPECT_EQ(SqlDataType(200, 255, ""), "VARCHAR , \r\n"); // no length but for text
    EXPECT_EQ(SqlDataType(15, 0, " not null"), "");         // no SQL spelling at all
    EXPECT_EQ(SqlDataType(-1, 0, ""), "");
    // Mixed-case spellings and the caller's suffix come out upper case.
    EXPECT_EQ(SqlDataType(18, 0, " identity"), "UNSIGNEDSMALLINT IDENTITY , \r\n");
    // Text carries its length only when positive.
    EXPECT_EQ(SqlDataType(130, 50, " not null"), "TEXT(50)  NOT NULL , \r\n");
    EXPECT_EQ(SqlDataType(130, 0, ""), "TEXT  , \r\n");
    EXPECT_EQ(SqlDataType(130, -1, ""), "TEXT  , \r\n");
    EXPECT_EQ(SqlDataType(130, 0, " not null identity"), "TEXT  NOT NULL IDENTITY , \r\n");
}

TEST(SqlCreate, ThreeColumnTableLaysOutLineByLine) {
    auto table = TableBuilder("Orders")
                     .Column("ID", 3, 0, false, true)
                     .Column("Name", 130, 50, false)
                     .Column("Memo", 130, 0)
                     .Build();
    EXPECT_EQ(table->SqlCreate(), "CREATE TABLE [Orders]\r\n"
                                  "(   [ID] INTEGER,\r\n"
                                  "   [Name] TEXT(50)  NOT NULL , \r\n"
                                  "   [Memo] TEXT  \r\n"
                                  ")\r\n"
                                  "GO\r\n");
}

TEST(SqlCreate, LastSeparatorGoesWhateverTheLastTypeRow) {
    const std::pair<TableBuilder, QString> cases[] = {
        {TableBuilder("T").Column("A", 130, 5).Column("B", 7),
         "CREATE TABLE [T]\r\n(   [A] TEXT(5)  , \r\n   [B] DATETIME\r\n)\r\nGO\r\n"},
        // Identity follows each column's own flag, and only rows that take a suffix show it.
        {TableBuilder("T").Column("K", 72, 0, false, true).Column("N", 130, 9),
         "CREATE TABLE [T]\r\n(   [K] GUID NOT NULL IDENTITY , \r\n   [N] TEXT(9)  "
         "\r\n)\r\nGO\r\n"},
        // Names are bracketed as they are, a closing bracket included.
        {TableBuilder("a]b").Column("x y", 4),
         "CREATE TABLE [a]b]\r\n(   [x y] SINGLE\r\n)\r\nGO\r\n"},
        // Dropping the separator before a column without SQL type would hide that column.
        {TableBuilder("T").Column("A", 3).Column("B", 15),
         "CREATE TABLE [T]\r\n(   [A] INTEGER,\r\n   [B] \r\n)\r\nGO\r\n"},
        {TableBuilder("T"), ""},
    };
    for (const auto& [table, text] : cases)
        EXPECT_EQ(table.Build()->SqlCreate(), text);
    clsObject noFields;
    noFields.Fields(nullptr);
    EXPECT_EQ(noFields.SqlCreate(), "");
}

TEST(SqlCreate, ErrorWhileBuildingIsShownAndGivesNothing) {
    RecordingUserInterface ui;
    SetUi(&ui);
    auto table = TableBuilder("T").Column("A", 3).Build();
    table->Fields()->AddObj(nullptr);
    EXPECT_EQ(table->SqlCreate(), "");
    EXPECT_EQ(ui.messages, QStringList({"Object variable or With block variable not set"}));
    SetUi(nullptr);
}

TEST(SqlText, DropStatementsExistForTablesAndViewsOnly) {
    EXPECT_EQ(SqlDrop("TABLE", "Orders"), "DROP TABLE [Orders]");
    EXPECT_EQ(SqlDrop("VIEW", "x]y"), "DROP VIEW [x]y]");
    EXPECT_TRUE(SqlDrop("SYSTEM TABLE", "MSysObjects").isNull());
    EXPECT_TRUE(SqlDrop("table", "T").isNull()); // types are compared exactly
}
