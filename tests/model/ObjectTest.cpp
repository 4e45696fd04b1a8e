#include "model/clsObjects.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>
#include <limits>

using namespace vantor;

TEST(SchemaObject, FieldsStartEmptyAndAReplacedCollectionLivesOnForItsHolders) {
    clsObject o;
    auto old = o.Fields();
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->Count(), 0);
    old->Add("Old", 3, 0, false, true, false, false, 0, 0, "Old");
    auto replacement = std::make_shared<clsFields>();
    replacement->Add("New", 130, 10, false, true, false, false, 0, 0, "New");

    o.Fields(replacement);
    EXPECT_EQ(o.Fields(), replacement);
    EXPECT_EQ(o.Fields()->Item("Old"), nullptr);
    EXPECT_EQ(old->Item("Old")->FieldName(), "Old");
}

TEST(SchemaObject, ObjectKeysNeedTheColonIgnoreCaseAndEnumerateInInsertionOrder) {
    clsObjects objects;
    for (const char* name : {"Zeta", "Kundenübersicht", "Mid"}) {
        auto o = std::make_shared<clsObject>();
        o->Obj_Name(QString::fromUtf8(name));
        objects.Add(o, ":" + o->Obj_Name());
    }
    EXPECT_EQ(objects.Item(QString::fromUtf8(":KUNDENÜBERSICHT")), objects.Item(2));
    EXPECT_EQ(objects.Item(QString::fromUtf8("Kundenübersicht")), nullptr);

    objects.Remove(QString::fromUtf8(":kundenübersicht"));
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
