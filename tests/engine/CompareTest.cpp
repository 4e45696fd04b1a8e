#include "engine/Compare.h"
#include "engine/SqlText.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

class Comparing : public ::testing::Test, public test::SchemaPair {
protected:
    static QString states(const Diff& diff) {
        static const char* words[] = {"=", "!", "<", ">"};
        QStringList out;
        for (const DiffEntry& e : diff.entries)
            out << e.name + words[static_cast<int>(e.state)];
        return out.join(' ');
    }
};

} // namespace

TEST_F(Comparing, EveryObjectGetsItsStateInJetsOrderThenTheSecondaryOnlyOnes) {
    pri("Same").Column("ID", 3, {}, false).Column("Name", 130, 50);
    sec("Same").Column("Name", 130, 50).Column("ID", 3, {}, false); // column order is not compared
    pri("Sized").Column("Name", 130, 50);
    sec("Sized").Column("Name", 130, 40);
    pri("Cased").Column("Name", 130, 50);
    sec("Cased").Column("NAME", 130, 50); // letter case of a column name counts
    pri("Required").Column("Name", 130, 50, false);
    sec("Required").Column("Name", 130, 50, true);
    pri("PriOnly");
    pri("caseonly"); // names match without regard to case
    sec("CASEONLY");
    pri("MSysAccessObjects", ObjectKind::SystemTable);
    priView("PriView", "SELECT 1");
    sec("SecOnly").Column("A", 3);
    pri("MSysObjects", ObjectKind::SystemTable).Column("Id", 3);
    sec("MSysObjects", ObjectKind::SystemTable).Column("Id", 130, 10); // compared by kind only
    priView("SameView", "SELECT * FROM Same");
    secView("SameView", "SELECT * FROM Same");
    priView("Broken", "SELECT *\r\nFROM Same");
    secView("Broken", "SELECT * FROM Same");
    secView("SecView", "SELECT 1");
    pri(QString::fromUtf8("Umsätze"));
    sec(QString::fromUtf8("UMSÄTZE"));
    pri(QString::fromUtf8("Straße"));
    sec("STRASSE");

    const Diff diff = compare();
    EXPECT_EQ(states(diff),
              QString::fromUtf8("MSysAccessObjects< MSysObjects= Cased! caseonly= PriOnly< "
                                "Required! Same= Sized! Straße= Umsätze= Broken! PriView< "
                                "SameView= SecOnly> SecView>"));
    EXPECT_EQ(diff.countsByState(), (std::array<int, 4>{5, 4, 2, 2}));
    EXPECT_EQ(diff.countsByState(true)[2], 3);
    ASSERT_NE(diff.find("CASEONLY"), nullptr);
    EXPECT_EQ(FOUND(diff.find("CASEONLY")).name, "caseonly");
    EXPECT_EQ(FOUND(diff.find("secview")).kind, ObjectKind::View);
}

// A table's text is the SQL text's test; a view's is made here, with no line break after GO.
TEST_F(Comparing, DefinitionsAreTheCreateStatementsEachSideWouldRun) {
    pri("Orders").Column("ID", 3);
    priView("V", "SELECT A\r\nFROM T;\r\n");
    const Diff diff = compare();
    EXPECT_EQ(FOUND(diff.find("Orders")).primaryText, CreateTableText(primary.tables[0]));
    EXPECT_EQ(FOUND(diff.find("Orders")).secondaryText, "");
    EXPECT_EQ(FOUND(diff.find("V")).primaryText,
              "CREATE VIEW [V] AS \r\nSELECT A\r\nFROM T;\r\n\r\nGO");
}

TEST_F(Comparing, ANameThatChangedKindIsDifferentWithEachSidesOwnDefinition) {
    pri("TableView").Column("A", 3);
    secView("TableView", "SELECT 1");
    priView("ViewTable", "SELECT 1");
    sec("ViewTable").Column("A", 3);
    pri("Linked", ObjectKind::Link);
    sec("Linked", ObjectKind::Link);
    pri("WasLinked", ObjectKind::Link);
    sec("WasLinked").Column("A", 3);

    const Diff diff = compare();
    EXPECT_EQ(states(diff), "Linked= WasLinked! TableView! ViewTable! Linked (link source)= "
                            "WasLinked (link source)<");
    const DiffEntry& e = *diff.find("TableView");
    EXPECT_EQ(e.kind, ObjectKind::Table);
    EXPECT_EQ(e.kindOn(Side::Secondary), ObjectKind::View);
    EXPECT_TRUE(e.secondaryText.startsWith("CREATE VIEW [TableView]"));
    EXPECT_TRUE(e.primaryText.startsWith("CREATE TABLE [TableView]"));
}

TEST_F(Comparing, EachTextIsMarkedAtItsOwnDifferences) {
    pri("T").Column("Name", 130, 50).Column("Fax", 130, 24);
    sec("T").Column("Name", 130, 40);
    const Diff diff = compare();
    const DiffEntry& e = *diff.find("T");
    // The dropped column's line is marked whole (with the parenthesis that opens the list on
    // it), the changed size on each side at its own place.
    const qsizetype faxLine = e.primaryText.indexOf("(   [Fax]");
    const qsizetype faxEnd = e.primaryText.indexOf('\r', faxLine);
    EXPECT_EQ(e.primaryRuns,
              QList<TextRun>({{faxLine, faxEnd - faxLine}, {e.primaryText.indexOf("50"), 2}}));
    EXPECT_EQ(e.secondaryRuns, QList<TextRun>({{e.secondaryText.indexOf("(   [Name]"), 1},
                                               {e.secondaryText.indexOf("40"), 2}}));
}

// Two objects named alike are the session's test, which shows the error the user sees.
TEST_F(Comparing, TwoColumnsNamedAlikeAreRefused) {
    sec("T").Column("a", 3).Column("A", 3);
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
}

// The two sides are looked through at once, the second on a thread of its own: a fault on
// either side, or on both, fails the comparison.
TEST_F(Comparing, AFaultOnEitherSideFailsTheComparison) {
    for (int n = 0; n < 200; ++n) {
        pri(QStringLiteral("P%1").arg(n)).Column("a", 3);
        sec(QStringLiteral("S%1").arg(n)).Column("a", 3);
    }
    EXPECT_NO_THROW(compare());
    sec("S5").Column("b", 3);
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
    pri("P150").Column("c", 3);
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
    secondary.tables.removeLast();
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
}

// The dump prints a hidden view or query with its Hidden line, so the comparison counts the
// flag as part of what the object is; whatever is hidden on both sides stays out of sight.
TEST_F(Comparing, AViewOrQueryHiddenInOneDatabaseOnlyIsDifferent) {
    priView("Shown", "SELECT 1;\r\n");
    secView("Shown", "SELECT 1;\r\n");
    priView("Hid", "SELECT 2;\r\n");
    secView("Hid", "SELECT 2;\r\n");
    priView("Both", "SELECT 3;\r\n");
    secView("Both", "SELECT 3;\r\n");
    primary.queries = {{"Purge", QueryKind::Delete, "DELETE * FROM T;\r\n"}};
    secondary.queries = primary.queries;
    secondary.views[1].hidden = true;
    primary.views[2].hidden = secondary.views[2].hidden = true;
    primary.queries[0].hidden = true;

    const Diff diff = compare();
    EXPECT_EQ(states(diff), "Hid! Shown= Purge!");
    const DiffEntry& hid = FOUND(diff.find("Hid"));
    EXPECT_FALSE(hid.hidden) << "shown on one side, so shown in the tree";
    EXPECT_EQ(hid.primaryText, hid.secondaryText);

    CompareOptions all;
    all.showHidden = true;
    const Diff everything = compare(all);
    EXPECT_EQ(states(everything), "Both= Hid! Shown= Purge!");
    EXPECT_TRUE(FOUND(everything.find("Both")).hidden);
}

// A table's definition, which the comparison weighs and shows, lists its columns by name in any
// letter case with Jet's types; a table without columns has no definition to show.
TEST(TableDefinition, ListsColumnsByNameAndIsEmptyWithoutThem) {
    Table t;
    t.name = QStringLiteral("Größe");
    Column id;
    id.name = QStringLiteral("id");
    id.dataType = 3;
    id.nullable = false;
    Column name;
    name.name = QStringLiteral("Name");
    name.dataType = 130;
    name.maxLength = 50;
    Column note;
    note.name = QStringLiteral("memo");
    note.dataType = 130;
    t.columns = {note, name, id};
    EXPECT_EQ(CreateTableText(t), "CREATE TABLE [Größe]\r\n(   [id] INTEGER,\r\n"
                                  "   [memo] TEXT  , \r\n"
                                  "   [Name] TEXT(50)  \r\n)\r\nGO\r\n");
    EXPECT_EQ(CreateTableTextInDesignOrder(t),
              "CREATE TABLE [Größe]\r\n(   [memo] TEXT  , \r\n   [Name] TEXT(50)  , \r\n"
              "   [id] INTEGER\r\n)\r\nGO\r\n");
    t.columns.clear();
    EXPECT_EQ(CreateTableText(t), QString());
}
