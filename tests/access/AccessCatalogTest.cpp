#include "engine/access/AccessCatalog.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

RawColumn raw(int type, int size = 0, QHash<QString, QString> props = {}, bool counter = false) {
    RawColumn r;
    r.name = "c";
    r.jetType = type;
    r.sizeInBytes = size;
    r.longAutoNumber = counter;
    r.properties = std::move(props);
    return r;
}

// Type, length ("-" for none), "null" or "required", then "auto" for an AutoNumber.
QString described(const RawColumn& r, bool jet3 = false) {
    Column c = ToSchemaColumn(r, jet3, 1);
    return QStringLiteral("%1 %2 %3%4")
        .arg(c.dataType)
        .arg(c.maxLength ? QString::number(*c.maxLength) : "-")
        .arg(c.nullable ? QStringLiteral("null") : QStringLiteral("required"))
        .arg(c.autoNumber ? QStringLiteral(" auto") : QString());
}

} // namespace

TEST(AccessCatalog, ColumnsTakeTypeLengthNullabilityAndAutoNumberFromTheDefinition) {
    // Lengths count characters: Jet 4 stores two bytes a character, Jet 3 one.
    EXPECT_EQ(described(raw(jettype::Text, 100)), "130 50 null");
    EXPECT_EQ(described(raw(jettype::Text, 50), true), "130 50 null");
    EXPECT_EQ(described(raw(jettype::Binary, 16)), "128 16 null");
    EXPECT_EQ(described(raw(jettype::Memo)), "130 0 null");
    EXPECT_EQ(described(raw(jettype::Ole)), "128 0 null");
    EXPECT_EQ(described(raw(jettype::Long, 4)), "3 - null");
    EXPECT_EQ(described(raw(jettype::Text, 10, {{"Required", "yes"}})), "130 5 required");
    EXPECT_EQ(described(raw(jettype::Boolean)), "11 - required");
    // libmdb flags complex columns as counters too.
    EXPECT_EQ(described(raw(jettype::Long, 4, {}, true)), "3 - null auto");
    EXPECT_EQ(described(raw(jettype::Complex, 4, {}, true)), "13 - null");
}

TEST(AccessCatalog, CalculatedColumnsReportTheirResultType) {
    auto calc = [](int stored, const char* resultType, int size = 39) {
        return described(
            raw(stored, size, {{"ResultType", resultType}, {"Expression", "[a]+[b]"}}));
    };
    // A text result's size is what the definition holds beyond the value's 23-byte header.
    EXPECT_EQ(calc(jettype::Text, "10", 509), "130 243 null");
    EXPECT_EQ(calc(jettype::Text, "10", 123), "130 50 null");
    EXPECT_EQ(calc(jettype::Text, "10", 0), "130 0 null");
    EXPECT_EQ(calc(jettype::Integer, "1"), "11 - required");
    EXPECT_EQ(calc(jettype::Decimal, "6"), "4 - null");
    // ResultType 0 is what every ordinary column of a newer file carries.
    EXPECT_EQ(described(raw(jettype::Double, 8, {{"ResultType", "0"}})), "5 - null");
}

TEST(AccessCatalog, CalculatedDecimalsKeepTheirPrecisionAndScale) {
    RawColumn r = raw(jettype::Decimal, 39, {{"ResultType", "16"}, {"Expression", "[a]/3"}});
    r.precision = 28;
    r.scale = 4;
    const Column c = ToSchemaColumn(r, false, 1);
    EXPECT_EQ(c.precision, 28);
    EXPECT_EQ(c.scale, 4);
    // Where the definition holds none, the result may take Decimal's whole precision.
    r.precision = 0;
    r.scale = 0;
    EXPECT_EQ(ToSchemaColumn(r, false, 1).precision, 28);
    // A stored Decimal always has its own.
    RawColumn stored = raw(jettype::Decimal, 17);
    stored.precision = 10;
    stored.scale = 2;
    EXPECT_EQ(ToSchemaColumn(stored, false, 1).precision, 10);
}

// A GUID whose default is GenGUID() is Access's Replication ID AutoNumber; any other GUID is not.
TEST(AccessCatalog, ReplicationIdsAreAutoNumbers) {
    EXPECT_EQ(described(raw(jettype::Guid, 16, {{"DefaultValue", "GenGUID()"}})), "72 - null auto");
    EXPECT_EQ(described(raw(jettype::Guid, 16, {{"DefaultValue", " genguid() "}})),
              "72 - null auto");
    EXPECT_EQ(described(raw(jettype::Guid, 16)), "72 - null");
    RawColumn flagged = raw(jettype::Guid, 16);
    flagged.guidAutoNumber = true;
    EXPECT_EQ(described(flagged), "72 - null auto");
    EXPECT_EQ(described(raw(jettype::Guid, 16, {{"DefaultValue", "\"{0000}\""}})), "72 - null");
    // A calculated column is never numbered by Access, whatever its default says.
    EXPECT_EQ(described(raw(
                  jettype::Guid, 39,
                  {{"DefaultValue", "GenGUID()"}, {"ResultType", "15"}, {"Expression", "[g]"}})),
              "72 - null");
}

TEST(AccessCatalog, KeepsDefaultZeroLengthAndDescription) {
    Column c = ToSchemaColumn(
        raw(jettype::Text, 20,
            {{"DefaultValue", "\"x\""}, {"AllowZeroLength", "yes"}, {"Description", "Straße"}}),
        false, 1);
    EXPECT_EQ(c.defaultValue, QString("\"x\""));
    EXPECT_TRUE(c.allowZeroLength);
    EXPECT_EQ(c.description, "Straße");
    EXPECT_FALSE(ToSchemaColumn(raw(jettype::Text, 20), false, 1).defaultValue.has_value());
}

// Links and plain tables come from the real files; the flags need synthetic rows.
TEST(AccessCatalog, TableTypesFollowObjectTypeAndFlags) {
    EXPECT_EQ(TableKindOf(1, qint32(0x80000000)), ObjectKind::SystemTable);
    EXPECT_EQ(TableKindOf(1, 0x80000002LL), ObjectKind::SystemTable);
    EXPECT_EQ(TableKindOf(1, 0x2), ObjectKind::AccessTable);
    EXPECT_EQ(TableKindOf(4, 0), ObjectKind::PassThrough);
    EXPECT_EQ(TableKindOf(kObjectTypeQuery, 0), std::nullopt);
    // Forms, reports, macros and modules are often named like the tables they show.
    for (qint32 container : {-32768, -32764, -32766, -32761})
        EXPECT_EQ(TableKindOf(container, 0), std::nullopt) << container;
}
