#include "engine/SqlText.h"
#include "engine/SqlDataType.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QString createText(const std::function<void(TableBuilder&)>& build, const QString& name = "T") {
    Schema schema;
    TableBuilder b = SchemaPair::addTable(schema, name);
    build(b);
    return CreateTableText(schema.tables[0]);
}

} // namespace

// The rows as tables write them are the CREATE TABLE and ALTER TABLE tests'; these are the rest.
TEST(SqlDataType, OnlyTextAndBinaryTakeALengthAndSuffixesComeOutUpperCase) {
    EXPECT_EQ(SqlDataType(200, 255, ""), "VARCHAR , \r\n");
    // A bare BINARY would be Jet's 510-byte binary, whatever the field was.
    EXPECT_EQ(SqlDataType(128, 16, ""), "BINARY(16)  , \r\n");
    EXPECT_EQ(SqlDataType(128, 0, " not null"), "LONGBINARY  NOT NULL , \r\n");
    EXPECT_EQ(SqlDataType(130, -1, ""), "TEXT  , \r\n");
    EXPECT_EQ(SqlDataType(18, 0, " identity"), "UNSIGNEDSMALLINT IDENTITY , \r\n");
    EXPECT_EQ(SqlDataType(130, 0, " not null identity"), "TEXT  NOT NULL IDENTITY , \r\n");
    EXPECT_EQ(SqlDataType(-1, 0, ""), "");
}

TEST(CreateTableText, ColumnsComeByNameOneLineEachAndTheLastSeparatorGoes) {
    EXPECT_EQ(
        createText(
            [](TableBuilder& t) {
                t.Column("Name", 130, 50, false).Column("ID", 3, {}, false).Column("memo", 130);
            },
            "Orders"),
        "CREATE TABLE [Orders]\r\n"
        "(   [ID] INTEGER,\r\n"
        "   [memo] TEXT  , \r\n"
        "   [Name] TEXT(50)  NOT NULL \r\n"
        ")\r\n"
        "GO\r\n");
    EXPECT_EQ(createText([](TableBuilder& t) { t.Column("A", 130, 5).Column("B", 7); }),
              "CREATE TABLE [T]\r\n(   [A] TEXT(5)  , \r\n   [B] DATETIME\r\n)\r\nGO\r\n");
    // Names are bracketed as they are, a closing bracket included.
    EXPECT_EQ(createText([](TableBuilder& t) { t.Column("x y", 4); }, "a]b"),
              "CREATE TABLE [a]b]\r\n(   [x y] SINGLE\r\n)\r\nGO\r\n");
    // Dropping the separator before a column without SQL type would hide that column.
    EXPECT_EQ(createText([](TableBuilder& t) { t.Column("A", 3).Column("B", 15); }),
              "CREATE TABLE [T]\r\n(   [A] INTEGER,\r\n   [B] \r\n)\r\nGO\r\n");
    EXPECT_EQ(createText([](TableBuilder&) {}), "");
}
