#include "model/clsObjects.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>
#include <limits>

using namespace vantor;

TEST(SchemaObject, NewObjectHasAnEmptyFieldsCollection) {
    clsObject o;
    ASSERT_NE(o.Fields(), nullptr);
    EXPECT_EQ(o.Fields()->Count(), 0);
}

TEST(SchemaObject, ReplacingFieldsKeepsTheOldCollectionAliveForItsHolders) {
    clsObject o;
    auto old = o.Fields();
    old->Add("Old", 3, 0, false, true, false, false, 0, 0, "Old");
    auto replacement = std::make_shared<clsFields>();
    replacement->Add("New", 130, 10, false, true, false, false, 0, 0, "New");

    o.Fields(replacement);
    EXPECT_EQ(o.Fields(), replacement);
    EXPECT_NE(o.Fields()->Item("New"), nullptr);
    EXPECT_EQ(o.Fields()->Item("Old"), nullptr);
    EXPECT_EQ(old->Count(), 1);
    EXPECT_EQ(old->Item("Old")->FieldName(), "Old");
}

TEST(SchemaObject, ObjectKeysNeedTheColonAndIgnoreCase) {
    clsObjects objects;
    auto o = std::make_shared<clsObject>();
    o->Obj_Name(QString::fromUtf8("Kundenübersicht"));
    o->Obj_Key(":" + o->Obj_Name());
    objects.Add(o, o->Obj_Key());

    EXPECT_EQ(objects.Item(QString::fromUtf8(":KUNDENÜBERSICHT")), o);
    EXPECT_EQ(objects.Item(QString::fromUtf8("Kundenübersicht")), nullptr);
    EXPECT_EQ(objects.Item(1), o);
}

TEST(SchemaObject, EnumerationFollowsInsertionOrder) {
    clsObjects objects;
    for (const char* name : {"Zeta", "alpha", "Mid"}) {
        auto o = std::make_shared<clsObject>();
        o->Obj_Name(name);
        objects.Add(o, QStringLiteral(":") + name);
    }
    objects.Remove(":alpha");
    QStringList order;
    for (const auto& o : objects)
        order << o->Obj_Name();
    EXPECT_EQ(order, QStringList({"Zeta", "Mid"}));
}

TEST(SixteenBit, WiderValuesConvertOnlyWhenTheyFit) {
    EXPECT_EQ(ToInt16(32767), 32767);
    EXPECT_EQ(ToInt16(-32768), -32768);
    try {
        ToInt16(32768);
        FAIL() << "32768 does not fit 16 bits";
    } catch (const VantorError& e) {
        EXPECT_EQ(e.Number(), err::Overflow);
        EXPECT_EQ(e.Description(), "Overflow");
    }
    EXPECT_THROW(ToInt16(-32769), VantorError);
    EXPECT_THROW(ToInt16(std::numeric_limits<qint64>::max()), VantorError);
    EXPECT_THROW(ToInt16(65536 + 50), VantorError); // would truncate to 50
}

static_assert(std::is_same_v<decltype(clsField().FieldSize()), qint16>);
static_assert(std::is_same_v<decltype(clsField().FieldType()), qint16>);
static_assert(std::is_same_v<decltype(clsField().OrdPosition()), qint16>);
static_assert(std::is_same_v<decltype(clsObject().Status()), qint16>);
