// Each ordering rule of the sync script on its own: the object is scripted alone (as --object
// or a narrow --kinds does), so no other planned change can drop what the rule must drop.
#include "script/SyncScript.h"

#include "tests/script/SyncScriptFixture.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Index uniqueKey(const QString& name, const QString& column) {
    Index index;
    index.name = name;
    index.columns = {{column, false}};
    index.primary = index.unique = index.required = true;
    return index;
}

class SyncOrderRules : public SyncScriptFixture {
protected:
    // The script for one object of the comparison, into the secondary database.
    QStringList alone(const QString& object) {
        script();
        return outline(BuildSyncScript(*diff, Side::Secondary, object));
    }
    QStringList kindsOnly(quint32 kinds) {
        CompareOptions options;
        options.kinds = kinds;
        return outline(script(Side::Secondary, options));
    }
};

} // namespace

TEST_F(SyncOrderRules, ATableDroppedAloneFirstDropsTheRelationshipsAtEitherEnd) {
    pri("Orders").Column("ID", 3).Column("CustomerID", 3);
    sec("Customers").Column("ID", 3, {}, false);
    secondary.tables.last().indexes = {uniqueKey("PrimaryKey", "ID")};
    sec("Orders").Column("ID", 3).Column("CustomerID", 3);
    sec("Notes").Column("OrderID", 3);
    secondary.tables[1].indexes = {uniqueKey("PrimaryKey", "ID")};
    // Unenforced relationships end with their table just the same.
    secondary.relationships = {{"CustomersOrders", "Orders", "Customers", {{"CustomerID", "ID"}}},
                               {"OrdersNotes", "Notes", "Orders", {{"OrderID", "ID"}}, true}};

    const QStringList referenced{"drop-relationship CustomersOrders", "drop-table Customers"};
    EXPECT_EQ(alone("Customers"), referenced);
    EXPECT_EQ(alone("customers"), referenced);
    EXPECT_EQ(alone("Notes"), QStringList({"drop-relationship OrdersNotes", "drop-table Notes"}));
    EXPECT_EQ(kindsOnly(KindBit(KindGroup::Tables)),
              QStringList({"drop-relationship CustomersOrders", "drop-relationship OrdersNotes",
                           "drop-table Customers", "drop-table Notes"}));
}

TEST_F(SyncOrderRules, AFieldDroppedAloneFirstDropsItsIndexesAndRelationships) {
    pri("T").Column("ID", 3, {}, false);
    primary.tables.last().indexes = {uniqueKey("PrimaryKey", "ID")};
    pri("U").Column("ID", 3);
    sec("T").Column("ID", 3, {}, false).Column("Code", 130, 5);
    secondary.tables.last().indexes = {uniqueKey("PrimaryKey", "ID"),
                                       {"ByCode", {{"Code", false}}, false, false}};
    sec("U").Column("ID", 3).Column("TCode", 130, 5);
    secondary.relationships = {{"ByTCode", "U", "U", {{"TCode", "TCode"}}}};

    EXPECT_EQ(alone("T"), QStringList({"drop-index ByCode", "alter T"}));
    EXPECT_EQ(alone("U"), QStringList({"drop-relationship ByTCode", "alter U"}));
    // An index the dropped field is not part of stays.
    EXPECT_FALSE(alone("T").contains("drop-index PrimaryKey"));
}

// Jet keeps integrity only for enforced relationships, so only they stand in the way of a field
// that changes, and they are added back once it has.
TEST_F(SyncOrderRules, AFieldChangedAloneTakesItsEnforcedRelationshipsOutAndBack) {
    pri("T").Column("Code", 130, 10, false);
    primary.tables.last().indexes = {uniqueKey("PrimaryKey", "Code")};
    pri("U").Column("TCode", 130, 10).Column("Other", 3);
    sec("T").Column("Code", 130, 10, false);
    secondary.tables.last().indexes = {uniqueKey("PrimaryKey", "Code")};
    sec("U").Column("TCode", 130, 5).Column("Other", 3);
    secondary.relationships = {{"Enforced", "U", "T", {{"TCode", "Code"}}, true},
                               {"Loose", "U", "T", {{"TCode", "Code"}}, false}};
    primary.relationships = secondary.relationships;

    EXPECT_EQ(alone("U"), QStringList({"drop-relationship Enforced", "alter U",
                                       "create-relationship Enforced"}));
}

TEST_F(SyncOrderRules, AUniqueIndexDroppedAloneFirstDropsTheRelationshipThatHangsOnIt) {
    pri("T").Column("ID", 3, {}, false);
    pri("U").Column("TID", 3);
    sec("T").Column("ID", 3, {}, false);
    secondary.tables[0].indexes = {uniqueKey("PK", "ID")};
    sec("U").Column("TID", 3);
    secondary.relationships = {{"TU", "U", "T", {{"TID", "ID"}}, true}};
    primary.relationships = secondary.relationships;

    script();
    const SyncScript s = BuildSyncScript(*diff, Side::Secondary, "T.PK");
    EXPECT_EQ(outline(s), QStringList({"drop-relationship TU", "drop-index PK"}));
    EXPECT_EQ(s.NoteTexts(), QStringList({"RELATIONSHIP [U.TU]: cannot be added: the fields it "
                                          "refers to in [T] will have no unique index."}));
}

TEST_F(SyncOrderRules, ARelationshipIsAddedOnlyAfterTheIndexItNeeds) {
    pri("T").Column("ID", 3, {}, false);
    primary.tables[0].indexes = {uniqueKey("PK", "ID")};
    pri("U").Column("TID", 3);
    primary.relationships = {{"A", "U", "T", {{"TID", "ID"}}, true}};
    sec("T").Column("ID", 3, {}, false);
    sec("U").Column("TID", 3);

    EXPECT_EQ(kindsOnly(KindBit(KindGroup::Indexes) | KindBit(KindGroup::Relationships)),
              QStringList({"create-index PK", "create-relationship A"}));
}
