#include "engine/access/AccessCatalog.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

RawColumn raw(int type, int size = 0, QHash<QString, QString> props = {}) {
    RawColumn r;
    r.name = "c";
    r.jetType = type;
    r.sizeInBytes = size;
    r.properties = std::move(props);
    return r;
}

} // namespace

TEST(AccessCatalog, TextLengthsCountCharactersInEveryFormat) {
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Text, 100), false, 1).maxLength, 50);
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Text, 50), true, 1).maxLength, 50);
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Binary, 16), false, 1).maxLength, 16);
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Memo), false, 1).maxLength, 0);
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Ole), false, 1).maxLength, 0);
    EXPECT_FALSE(ToSchemaColumn(raw(jettype::Long, 4), false, 1).maxLength.has_value());
}

TEST(AccessCatalog, NullableFollowsRequiredAndYesNo) {
    EXPECT_TRUE(ToSchemaColumn(raw(jettype::Text, 10), false, 1).nullable);
    EXPECT_FALSE(ToSchemaColumn(raw(jettype::Text, 10, {{"Required", "yes"}}), false, 1).nullable);
    EXPECT_TRUE(ToSchemaColumn(raw(jettype::Text, 10, {{"Required", "no"}}), false, 1).nullable);
    EXPECT_FALSE(ToSchemaColumn(raw(jettype::Boolean), false, 1).nullable);
}

TEST(AccessCatalog, OnlyLongIntegersAreAutoNumbers) {
    RawColumn counter = raw(jettype::Long, 4);
    counter.longAutoNumber = true;
    EXPECT_TRUE(ToSchemaColumn(counter, false, 1).autoNumber);
    RawColumn complex = raw(jettype::Complex, 4);
    complex.longAutoNumber = true;
    EXPECT_FALSE(ToSchemaColumn(complex, false, 1).autoNumber);
}

TEST(AccessCatalog, CalculatedColumnsReportTheirResultType) {
    auto calc = [](int stored, const char* resultType) {
        return raw(stored, 8, {{"ResultType", resultType}, {"Expression", "[a]+[b]"}});
    };
    SchemaColumn text = ToSchemaColumn(calc(jettype::Text, "10"), false, 1);
    EXPECT_EQ(text.dataType, 130);
    EXPECT_EQ(text.maxLength, 255);
    EXPECT_EQ(ToSchemaColumn(calc(jettype::Integer, "1"), false, 1).dataType, 11);
    EXPECT_FALSE(ToSchemaColumn(calc(jettype::Integer, "1"), false, 1).nullable);
    EXPECT_EQ(ToSchemaColumn(calc(jettype::Decimal, "6"), false, 1).dataType, 4);
    // ResultType 0 is what every ordinary column of a newer file carries.
    EXPECT_EQ(ToSchemaColumn(raw(jettype::Double, 8, {{"ResultType", "0"}}), false, 1).dataType, 5);
}

TEST(AccessCatalog, KeepsDefaultZeroLengthAndDescription) {
    SchemaColumn c = ToSchemaColumn(
        raw(jettype::Text, 20,
            {{"DefaultValue", "\"x\""}, {"AllowZeroLength", "yes"}, {"Description", "Straße"}}),
        false, 3);
    EXPECT_EQ(c.defaultValue, QString("\"x\""));
    EXPECT_TRUE(c.allowZeroLength);
    EXPECT_EQ(c.description, "Straße");
    EXPECT_EQ(c.ordinal, 3);
    EXPECT_FALSE(ToSchemaColumn(raw(jettype::Text, 20), false, 1).defaultValue.has_value());
}

TEST(AccessCatalog, TableTypesFollowObjectTypeAndFlags) {
    EXPECT_EQ(TableTypeOf(1, 0), "TABLE");
    EXPECT_EQ(TableTypeOf(1, qint32(0x80000000)), "SYSTEM TABLE");
    EXPECT_EQ(TableTypeOf(1, 0x80000002LL), "SYSTEM TABLE");
    EXPECT_EQ(TableTypeOf(1, 0x2), "ACCESS TABLE");
    EXPECT_EQ(TableTypeOf(6, 0), "LINK");
    EXPECT_EQ(TableTypeOf(4, 0), "PASS-THROUGH");
    EXPECT_EQ(TableTypeOf(5, 0), "");
    EXPECT_EQ(TableTypeOf(-32768, 0), "");
}
