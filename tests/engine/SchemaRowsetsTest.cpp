#include "engine/SchemaRowsets.h"
#include "engine/SnapshotJson.h"
#include "model/VantorError.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordsetValues.h"

#include <gtest/gtest.h>

using namespace vantor;
using vantor::test::ColumnValues;

namespace {

DbSchema sample() {
    DbSchema s;
    s.sourceFormat = "JET4";
    SchemaColumn id, note;
    id.name = "ID";
    id.dataType = 3;
    id.nullable = false;
    id.ordinal = 1;
    id.autoNumber = true;
    note.name = "assigned To";
    note.dataType = 130;
    note.maxLength = 50;
    note.ordinal = 2;
    note.defaultValue = "\"n/a\"";
    note.description = QString::fromUtf8("Zuständig");
    s.tables = {{"orders", "TABLE", {id, note}, {{"PrimaryKey", {{"ID", false}}, true, true}}},
                {QString::fromUtf8("Umsätze"), "TABLE", {}, {}},
                {"MSysObjects", "SYSTEM TABLE", {}, {}},
                {"Archive", "TABLE", {}, {}}};
    s.views = {{"b view", "SELECT *\r\nFROM orders;\r\n"}, {"A view", "SELECT 1;"}};
    s.relationships = {{"OrdersUmsatz",
                        QString::fromUtf8("Umsätze"),
                        "orders",
                        {{"OrderID", "ID"}},
                        true,
                        false,
                        true}};
    return s;
}

} // namespace

TEST(SchemaRowsets, TablesComeByTypeThenNameIgnoringCase) {
    auto rs = SchemaRowset(sample(), adSchemaTables, {});
    EXPECT_EQ(ColumnValues(*rs, "TABLE_NAME"),
              QStringList({"MSysObjects", "Archive", "orders", QString::fromUtf8("Umsätze"),
                           "A view", "b view"}));
    EXPECT_EQ(ColumnValues(*rs, "TABLE_TYPE"),
              QStringList({"SYSTEM TABLE", "TABLE", "TABLE", "TABLE", "VIEW", "VIEW"}));
    // Views come by name too, their definitions untouched.
    auto views = SchemaRowset(sample(), adSchemaViews, {});
    EXPECT_EQ(ColumnValues(*views, "VIEW_DEFINITION"),
              QStringList({"SELECT 1;", "SELECT *\r\nFROM orders;\r\n"}));
}

TEST(SchemaRowsets, ColumnsOfOneTableByNameWithNullLengths) {
    auto rs =
        SchemaRowset(sample(), adSchemaColumns, {QVariant(), QVariant(), "ORDERS", QVariant()});
    EXPECT_EQ(ColumnValues(*rs, "COLUMN_NAME"), QStringList({"assigned To", "ID"}));
    EXPECT_EQ(ColumnValues(*rs, "CHARACTER_MAXIMUM_LENGTH"), QStringList({"50", ""}));
    EXPECT_EQ(ColumnValues(*rs, "ORDINAL_POSITION"), QStringList({"2", "1"}));
    EXPECT_EQ(ColumnValues(*rs, "IS_NULLABLE"), QStringList({"true", "false"}));

    auto none =
        SchemaRowset(sample(), adSchemaColumns, {QVariant(), QVariant(), "nope", QVariant()});
    EXPECT_TRUE(none->Eof());
}

TEST(SnapshotJson, WritesAndReadsBackEveryValue) {
    DbSchema original = sample();
    DbSchema back = ReadSnapshotJson(WriteSnapshotJson(original), "mem");
    EXPECT_EQ(WriteSnapshotJson(back), WriteSnapshotJson(original));
    ASSERT_EQ(back.tables.size(), 4);
    EXPECT_EQ(back.tables[0].columns[1].description, QString::fromUtf8("Zuständig"));
    EXPECT_FALSE(back.tables[0].columns[0].maxLength.has_value());
}

TEST(SnapshotJson, StructuralErrorsNameThePlace) {
    auto expectError = [](const QByteArray& json, const QString& fragment) {
        try {
            ReadSnapshotJson(json, "s.json");
            ADD_FAILURE() << "accepted: " << json.constData();
        } catch (const VantorError& e) {
            EXPECT_TRUE(e.Description().contains(fragment)) << e.what();
        }
    };
    expectError("[]", "the document");
    expectError(R"({"format":"other","version":1,"tables":[],"views":[]})", "format");
    expectError(R"({"format":"vantor-schema-snapshot","version":99,"tables":[],"views":[]})",
                "version 99");
    expectError(R"({"format":"vantor-schema-snapshot","version":1,"tables":[{"name":"T",
        "columns":[{"name":"c","dataType":"x"}]}],"views":[]})",
                "tables[0].columns[0].dataType");
    expectError(
        R"({"format":"vantor-schema-snapshot","version":1,"tables":[],"views":[{"name":1}]})",
        "views[0].name");
}
