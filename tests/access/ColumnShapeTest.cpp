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
    REQUIRE_SHARED_FILE(order, "../access-more/columnOrder.accdb");
    EXPECT_EQ(columnsOf(schemaOf(order), "t_columnorder"),
              (QStringList{"txt3:3", "dt2:2", "ID1:1"}));
    REQUIRE_SHARED_FILE(boolean, "../access-more/boolean.accdb");
    EXPECT_EQ(columnsOf(schemaOf(boolean), "t"), (QStringList{"pk:2", "b:1"}));
    // The dump lists them in the same order.
    const QString dump = SchemaDumpText(schemaOf(order));
    EXPECT_LT(dump.indexOf("[txt3]"), dump.indexOf("[ID1]"));
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
    EXPECT_EQ(decimal->precision, 28);
    EXPECT_EQ(decimal->scale, 0);
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
        const Column* attachment = columnOf(s, table, "attach-data");
        ASSERT_TRUE(attachment);
        EXPECT_FALSE(attachment->valueType.has_value());
        EXPECT_FALSE(attachment->allowZeroLength);
    }
}

// Relationships between Access's own tables are read and shown only on request.
TEST(ColumnShape, SystemTablesRelationshipsAreReadAndHidden) {
    REQUIRE_SHARED_FILE(path, "testV2007.accdb");
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
