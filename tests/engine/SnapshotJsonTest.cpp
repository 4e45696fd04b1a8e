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

namespace {

// Every value added after the first format, each away from its default.
Schema everyNewValue() {
    Schema s = sample();
    Column& c = s.tables[0].columns[1];
    c.required = true;
    c.validationRule = "Is Not Null";
    c.validationText = ""; // set but empty, which differs from not set
    c.caption = "Assigned to";
    c.format = ">";
    c.inputMask = "LL";
    c.decimalPlaces = 2;
    s.tables[0].indexes[0].ignoreNulls = true;
    s.tables[0].indexes[0].required = true;
    s.tables[0].description = "Orders taken";
    s.tables[0].validationRule = "[ID]>0";
    s.tables[0].validationText = "positive";
    Table& link = s.tables[3];
    link.linkedDatabase = "C:\\data\\archive.mdb";
    link.connect = ";DATABASE=C:\\data\\archive.mdb";
    link.foreignName = "Orders 1999";
    s.views[0].hidden = true;
    s.relationships[0].oneToOne = true;
    s.relationships[0].cascadeToNull = true;
    Column tags;
    tags.name = "Tags";
    tags.dataType = 13;
    tags.valueType = 130;
    tags.valueMaxLength = 50;
    s.tables[0].columns.append(tags);
    s.queries = {{"Raise", QueryKind::Update, "UPDATE orders SET x = 1;\r\n", {{"[Pct]", "Long"}}},
                 {"Remote", QueryKind::PassThrough, "EXEC p", {}, "ODBC;DSN=x", true}};
    return s;
}

} // namespace

TEST(SnapshotJson, NewValuesSurviveTheRoundTripAndAreLeftOutAtTheirDefaults) {
    const Schema original = everyNewValue();
    const QByteArray json = WriteSnapshotJson(original);
    const Schema back = ReadSnapshotJson(json, "mem");
    EXPECT_EQ(WriteSnapshotJson(back), json);
    const Column& c = back.tables[0].columns[1];
    EXPECT_TRUE(c.required);
    EXPECT_EQ(c.validationText, QString(""));
    EXPECT_FALSE(back.tables[0].columns[0].validationText.has_value());
    EXPECT_EQ(c.decimalPlaces, 2);
    const Column& tags = back.tables[0].columns.last();
    EXPECT_EQ(tags.valueType, 130);
    EXPECT_EQ(tags.valueMaxLength, 50);
    EXPECT_EQ(back.tables[3].foreignName, "Orders 1999");
    EXPECT_TRUE(back.tables[0].indexes[0].ignoreNulls && back.tables[0].indexes[0].required);
    EXPECT_TRUE(back.views[0].hidden && !back.views[1].hidden);
    EXPECT_TRUE(back.relationships[0].oneToOne && back.relationships[0].cascadeToNull);
    ASSERT_EQ(back.queries.size(), 2);
    EXPECT_EQ(back.queries[0].kind, QueryKind::Update);
    EXPECT_EQ(back.queries[0].parameters[0].type, "Long");
    EXPECT_EQ(back.queries[1].kind, QueryKind::PassThrough);
    EXPECT_TRUE(back.queries[1].hidden);
    EXPECT_EQ(back.queries[1].connect, "ODBC;DSN=x");

    // A schema without any of them writes none of their keys, as the first format did.
    const QByteArray plain = WriteSnapshotJson(sample());
    for (const char* key :
         {"required", "validation", "caption", "inputMask", "decimalPlaces", "ignoreNulls",
          "hidden", "oneToOne", "cascadeToNull", "queries", "linkedDatabase", "foreignName",
          "connect", "valueType", "valueMaxLength"})
        EXPECT_FALSE(plain.contains(key)) << key;
}

TEST(SnapshotJson, UnknownOrMistypedNewFieldsAreRefused) {
    const QByteArray head = R"({"format":"vantor-schema-snapshot","version":1,"views":[],)";
    const QByteArray table = R"("tables":[{"name":"T","columns":[{"name":"c","dataType":3,)";
    const std::pair<QByteArray, const char*> cases[] = {
        {head + R"("tables":[],"queries":[{"name":"q","kind":"MERGE","sql":""}]})",
         "queries[0].kind"},
        {head + R"("tables":[],"queries":[{"name":"q","sql":""}]})", "queries[0].kind"},
        {head + R"("tables":[],"queries":[{"name":"q","kind":"UNION","sql":"","parameters":[1]}]})",
         "queries[0].parameters[0]"},
        {head + table + R"("caption":7}]}]})", "tables[0].columns[0].caption"},
        {head + table + R"("decimalPlaces":1.5}]}]})", "tables[0].columns[0].decimalPlaces"},
        {head + table + R"("colour":"red"}]}]})", "unknown field 'colour'"},
        // What one value holds belongs to multi-value columns only.
        {head + table + R"("valueType":130}]}]})", "tables[0].columns[0].valueType"},
        {head + table + R"("valueMaxLength":"50"}]}]})", "tables[0].columns[0].valueMaxLength"},
        {head + R"("tables":[],"queries":{}})", "queries"},
    };
    for (const auto& [json, place] : cases) {
        const QString error =
            test::ErrorOf([&] { ReadSnapshotJson(json, "s.json"); }).description();
        EXPECT_TRUE(error.contains(place)) << error.toStdString();
    }
}

TEST(SnapshotJson, PasswordsInConnectStringsNeverReachTheSchema) {
    const std::pair<const char*, const char*> cases[] = {
        {"MS Access;PWD=secret;DATABASE=C:\\a.mdb", "MS Access;PWD=***;DATABASE=C:\\a.mdb"},
        {"ODBC;DSN=x;UID=sa;pwd = {se;c}}ret};APP=y", "ODBC;DSN=x;UID=sa;pwd =***;APP=y"},
        {"ODBC;Password=hunter2", "ODBC;Password=***"},
        {"ODBC;DSN=x;", "ODBC;DSN=x;"},
    };
    for (const auto& [connect, scrubbed] : cases)
        EXPECT_EQ(WithoutPassword(connect), scrubbed);
    // A snapshot written by hand with a password loses it on reading too.
    Schema s = everyNewValue();
    s.queries[1].connect = "ODBC;DSN=x;PWD=secret";
    s.tables[3].connect = "MS Access;PWD=secret";
    const QByteArray back = WriteSnapshotJson(ReadSnapshotJson(WriteSnapshotJson(s), "mem"));
    EXPECT_FALSE(back.contains("secret"));
    EXPECT_TRUE(back.contains("PWD=***"));
}

// A second object or key of a name would silently stand in for the first one, so the file is
// refused with the name and where the second one is; equal keys in different objects are fine.
TEST(SnapshotJson, ANameOrKeyGivenTwiceIsRefusedWithItsPlace) {
    const QByteArray head = "{\"format\":\"vantor-schema-snapshot\",\"version\":1,\n";
    const QByteArray table = R"({"name":"Orders","columns":[{"name":"ID","dataType":3}]})";
    const std::pair<QByteArray, QString> cases[] = {
        {head + "\"tables\":[" + table + ",\n  {\"name\":\"ORDERS\",\"columns\":[]}],\"views\":[]}",
         "tables[1] at line 3, column 3 is named 'ORDERS', as tables[0] is already."},
        {head + "\"tables\":[" + table +
             "],\"views\":[{\"name\":\"orders\",\"definition\":\"x\"}]}",
         "views[0] at line 2, column 78 is named 'orders', as tables[0] is already."},
        {head + "\"tables\":[],\"views\":[{\"name\":\"V\",\"definition\":\"x\"}],\n\"queries\":[{"
                "\"name\":"
                "\"v\",\"kind\":\"SELECT\",\"sql\":\"y\"}]}",
         "queries[0] at line 3, column 12 is named 'v', as views[0] is already."},
        {head + "\"tables\":[],\"views\":[],\n\"tables\":[]}",
         "the document gives the field 'tables' twice (the second at line 3, column 1)."},
        {head + "\"tables\":[{\"name\":\"T\",\"columns\":[{\"name\":\"a\",\"dataType\":3,\n"
                "\"name\":\"b\"}]}],\"views\":[]}",
         "tables[0] gives the field 'name' twice (the second at line 3, column 1)."},
        // The parser reads escapes, so an escaped spelling is the same key.
        {head + "\"tables\":[],\"views\":[],\"v\\u0069ews\":[]}",
         "the document gives the field 'views' twice (the second at line 2, column 24)."},
    };
    for (const auto& [json, expected] : cases) {
        const QString error =
            test::ErrorOf([&] { ReadSnapshotJson(json, "s.json"); }).description();
        EXPECT_EQ(error, "The snapshot 's.json' is not valid: " + expected) << json.toStdString();
    }
    const QByteArray sameKeysApart =
        head + R"("tables":[{"name":"A","columns":[{"name":"x","dataType":3}]},)" +
        R"({"name":"B","columns":[{"name":"x","dataType":3}]}],"views":[]})";
    EXPECT_EQ(ReadSnapshotJson(sameKeysApart, "s.json").tables.size(), 2);
}
