// Columns as Access shows them in a table's design: in its order, with the sizes of calculated
// results, what a multi-value column holds, and the system tables' relationships kept hidden.
#include "engine/CompareSettings.h"
#include "engine/SchemaDump.h"
#include "engine/Source.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema schemaOf(const QString& path) {
    return OpenDatabaseFile({path, {}, {}})->schema();
}

// Each column as "name:ordinal".
QStringList columnsOf(const Schema& s, const QString& table) {
    QStringList out;
    if (const Table* t = s.findTable(table))
        for (const Column& c : t->columns)
            out << QStringLiteral("%1:%2").arg(c.name).arg(c.ordinal);
    return out;
}

const Column* columnOf(const Schema& s, const QString& table, const QString& name) {
    const Table* t = s.findTable(table);
    if (!t)
        return nullptr;
    for (const Column& c : t->columns)
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

// The columns come in the order of their definitions, which Access shows; the ordinal still
// counts their numbers, so a snapshot's old order stays recoverable.
TEST(ColumnShape, ColumnsComeInTheOrderAccessShows) {
    REQUIRE_SHARED_FILE(boolean, "../access-more/boolean.accdb");
    const Schema s = schemaOf(boolean);
    EXPECT_EQ(columnsOf(s, "t"), (QStringList{"pk:2", "b:1"}));
    const QString dump = SchemaDumpText(s);
    EXPECT_LT(dump.indexOf("[pk]"), dump.indexOf("[b]"));
    // Where the two orders agree nothing moves.
    REQUIRE_SHARED_FILE(order, "../access-more/columnOrder.accdb");
    EXPECT_EQ(columnsOf(schemaOf(order), "t_columnorder"),
              (QStringList{"txt3:1", "dt2:2", "ID1:3"}));
    // Access lists its own tables' columns by name.
    const QStringList system = columnsOf(s, "MSysObjects");
    ASSERT_GE(system.size(), 3);
    EXPECT_TRUE(system[0].startsWith("Connect:")) << system.join(' ').toStdString();
}

// A multi-value column whose values are of a type no reader knows stays a plain complex column.
TEST(ColumnShape, ValuesOfAnUnknownTypeAreNotGuessed) {
    REQUIRE_SHARED_FILE(path, "unsupportedFieldsTestV2007.accdb");
    const Schema s = schemaOf(path);
    const Column* unknown = columnOf(s, "Test", "UnknownComplex");
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->dataType, 13);
    EXPECT_FALSE(unknown->valueType.has_value());
}

// A Replication ID is an AutoNumber; the dump says so.
TEST(ColumnShape, ReplicationIdsReadAsAutoNumbers) {
    REQUIRE_SHARED_FILE(path, "testV2003.mdb");
    const Schema s = schemaOf(path);
    const Column* id = columnOf(s, "Table4", "data");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->dataType, 72);
    EXPECT_TRUE(id->autoNumber);
    EXPECT_TRUE(SchemaDumpText(s).contains("COLUMN [data] GUID AUTONUMBER\n"));
}

TEST(ColumnShape, CalculatedResultsTakeTheirSizeFromTheFile) {
    REQUIRE_SHARED_FILE(path, "calcFieldTestV2010.accdb");
    const Schema s = schemaOf(path);
    const Column* text = columnOf(s, "Table1", "LastFirst");
    ASSERT_TRUE(text);
    EXPECT_EQ(text->maxLength, 243);
    const Column* decimal = columnOf(s, "Table1", "WeeklySalary");
    ASSERT_TRUE(decimal);
    EXPECT_EQ(decimal->dataType, 131);
    // The file keeps no precision for it: each value carries its own scale, up to Decimal's
    // largest precision.
    EXPECT_EQ(decimal->precision, 28);
    EXPECT_EQ(decimal->scale, 0);
    for (const char* name : {"DecimalTest", "BigNumTest"}) {
        const Column* other = columnOf(s, "Table1", name);
        ASSERT_TRUE(other) << name;
        EXPECT_EQ(other->precision, 28) << name;
    }
    const Column* memo = columnOf(s, "Table1", "AllNames");
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->maxLength, 0);
}

// A multi-value column says what one value is, and allows zero-length text as its values do;
// an attachment holds files, not values of a type.
TEST(ColumnShape, MultiValueColumnsSayWhatTheyHold) {
    for (const char* file : {"complexDataTestV2007.accdb", "../access-more/complex.accdb"}) {
        SCOPED_TRACE(file);
        REQUIRE_SHARED_FILE(path, file);
        const Schema s = schemaOf(path);
        const QString table = s.findTable("Table1") ? "Table1" : "t_complex";
        const Column* multi = columnOf(s, table, "multi-value-data");
        ASSERT_TRUE(multi);
        EXPECT_EQ(multi->dataType, 13);
        EXPECT_EQ(multi->valueType, 130);
        EXPECT_EQ(multi->valueMaxLength, 255);
        EXPECT_TRUE(multi->allowZeroLength);
        const Column* history =
            columnOf(s, table, "VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880");
        ASSERT_TRUE(history);
        EXPECT_FALSE(history->valueType.has_value());
        const Column* attachment = columnOf(s, table, "attach-data");
        ASSERT_TRUE(attachment);
        EXPECT_FALSE(attachment->valueType.has_value());
        EXPECT_FALSE(attachment->allowZeroLength);
    }
}

// Relationships between Access's own tables are read and shown only on request.
TEST(ColumnShape, SystemTablesRelationshipsAreReadAndHidden) {
    REQUIRE_SHARED_FILE(path, "indexTestV2000.mdb");
    const Schema s = schemaOf(path);
    QStringList system;
    for (const Relationship& r : s.relationships)
        if (r.table.startsWith("MSys") || r.referencedTable.startsWith("MSys"))
            system << r.name;
    ASSERT_FALSE(system.isEmpty());
    CompareSettings shown;
    shown.showHidden = true;
    const QString all = SchemaDumpText(s, shown);
    const QString plain = SchemaDumpText(s);
    for (const QString& name : system) {
        EXPECT_TRUE(all.contains("RELATIONSHIP [" + name + "]")) << name.toStdString();
        EXPECT_FALSE(plain.contains("RELATIONSHIP [" + name + "]")) << name.toStdString();
    }
}
