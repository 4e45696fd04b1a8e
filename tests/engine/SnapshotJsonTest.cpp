#include "engine/SnapshotJson.h"
#include "model/Error.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

Schema sample() {
    Schema s;
    s.sourceFormat = "JET4";
    test::SchemaPair::addTable(s, "orders")
        .Column("ID", 3, {}, false)
        .Column("assigned To", 130, 50);
    Table& orders = s.tables[0];
    orders.columns[0].autoNumber = true;
    orders.columns[1].defaultValue = "\"n/a\"";
    orders.columns[1].description = "Zuständig";
    orders.indexes = {{"PrimaryKey", {{"ID", false}}, true, true}};
    s.tables += {{"Umsätze", ObjectKind::Table, {}, {}},
                 {"MSysObjects", ObjectKind::SystemTable, {}, {}},
                 {"Archive", ObjectKind::Link, {}, {}}};
    s.views = {{"b view", "SELECT *\r\nFROM orders;\r\n"}, {"A view", "SELECT 1;"}};
    s.relationships = {
        {"OrdersUmsatz", "Umsätze", "orders", {{"OrderID", "ID"}}, true, false, true}};
    return s;
}

} // namespace

TEST(SnapshotJson, WritesAndReadsBackEveryValue) {
    Schema original = sample();
    Schema back = ReadSnapshotJson(WriteSnapshotJson(original), "mem");
    EXPECT_EQ(WriteSnapshotJson(back), WriteSnapshotJson(original));
    ASSERT_EQ(back.tables.size(), 4);
    EXPECT_EQ(back.tables[0].columns[1].description, "Zuständig");
    EXPECT_FALSE(back.tables[0].columns[0].maxLength.has_value());
    EXPECT_EQ(back.tables[2].kind, ObjectKind::SystemTable);
    EXPECT_EQ(back.tables[3].kind, ObjectKind::Link);
}

TEST(SnapshotJson, StructuralErrorsNameThePlace) {
    const QByteArray head = R"({"format":"vantor-schema-snapshot","version":1,)";
    const std::pair<QByteArray, const char*> cases[] = {
        {"[]", "the document"},
        {R"({"format":"other","version":1,"tables":[],"views":[]})", "format"},
        {R"({"format":"vantor-schema-snapshot","version":99,"tables":[],"views":[]})",
         "version 99"},
        {head + R"("tables":[{"name":"T","columns":[{"name":"c","dataType":"x"}]}],"views":[]})",
         "tables[0].columns[0].dataType"},
        {head + R"("tables":[],"views":[{"name":1}]})", "views[0].name"},
        {head + R"("tables":[{"name":"T","type":"QUERY","columns":[]}],"views":[]})",
         "tables[0].type"},
    };
    for (const auto& [json, place] : cases) {
        const QString error =
            test::ErrorOf([&] { ReadSnapshotJson(json, "s.json"); }).description();
        EXPECT_TRUE(error.contains(place)) << error.toStdString();
    }
}
