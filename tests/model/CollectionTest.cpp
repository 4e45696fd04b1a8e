#include "model/clsFields.h"
#include "model/clsObjects.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

std::shared_ptr<clsField> addColumn(clsFields& fields, const QString& name,
                                    const QString& key = QString()) {
    return fields.Add(name, 3, 0, false, true, false, false, 0, 0, key);
}

QStringList names(const clsFields& fields) {
    QStringList out;
    for (const auto& f : fields.NewEnum())
        out << f->FieldName();
    return out;
}

} // namespace

TEST(KeyedCollection, LookupFoldsCaseFullyAndMissesGiveNullWithoutRaising) {
    clsFields fields;
    auto name = addColumn(fields, "Name", "Name");
    auto umlaut = addColumn(fields, QString::fromUtf8("Umsätze"), QString::fromUtf8("Umsätze"));
    auto street = addColumn(fields, QString::fromUtf8("Straße"), QString::fromUtf8("Straße"));
    addColumn(fields, "Loose"); // unkeyed: reachable by position only, never colliding

    EXPECT_EQ(fields.Item("NAME"), name);
    EXPECT_EQ(fields.Item(QString::fromUtf8("UMSÄTZE")), umlaut);
    EXPECT_EQ(fields.Item(QStringLiteral("STRASSE")), street);
    EXPECT_EQ(fields.Item(2), umlaut);
    EXPECT_NO_THROW({
        EXPECT_EQ(fields.Item("Nam"), nullptr);
        EXPECT_EQ(fields.Item("Loose"), nullptr);
        EXPECT_EQ(fields.Item(0), nullptr);
        EXPECT_EQ(fields.Item(fields.Count() + 1), nullptr);
        EXPECT_EQ(fields.Item(-1), nullptr);
    });
    addColumn(fields, "Loose");
    EXPECT_EQ(fields.Count(), 5);
}

TEST(KeyedCollection, DuplicateAddAndAbsentRemoveRaiseAndChangeNothing) {
    clsFields fields;
    auto first = addColumn(fields, "Id", "Id");
    try {
        addColumn(fields, "ID", "ID");
        FAIL() << "a duplicate key must raise";
    } catch (const VantorError& e) {
        EXPECT_EQ(e.Number(), err::DuplicateKey);
    }
    EXPECT_THROW(fields.Remove("B"), VantorError);
    EXPECT_THROW(fields.Remove(0), VantorError);
    EXPECT_THROW(fields.Remove(2), VantorError);
    EXPECT_EQ(fields.Count(), 1);
    EXPECT_EQ(fields.Item("id"), first);

    clsObjects objects;
    objects.Add(std::make_shared<clsObject>(), ":T");
    EXPECT_THROW(objects.Add(std::make_shared<clsObject>(), ":t"), VantorError);
    EXPECT_EQ(objects.Count(), 1);
}

TEST(KeyedCollection, RemoveKeepsOrderAndFreesTheKey) {
    clsFields fields;
    addColumn(fields, "A", "A");
    addColumn(fields, "B", "B");
    addColumn(fields, "C", "C");
    fields.Remove(2);
    EXPECT_EQ(names(fields), QStringList({"A", "C"}));
    EXPECT_EQ(fields.Item("B"), nullptr);
    EXPECT_EQ(fields.Item(2)->FieldName(), "C");
    fields.Remove("c");
    addColumn(fields, "B", "B");
    EXPECT_EQ(names(fields), QStringList({"A", "B"}));
}
