#include "engine/Compare.h"
#include "engine/SqlText.h"
#include "tests/support/ErrorOf.h"
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

QStringList runs(const QString& first, const QString& second) {
    QStringList out;
    for (const TextRun& r : DifferingRuns(first, second))
        out << QStringLiteral("%1+%2").arg(r.offset).arg(r.length);
    return out;
}

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
    EXPECT_EQ(diff.find("CASEONLY")->name, "caseonly");
    EXPECT_EQ(diff.find("secview")->kind, ObjectKind::View);
}

// A table's text is the SQL text's test; a view's is made here, with no line break after GO.
TEST_F(Comparing, DefinitionsAreTheCreateStatementsEachSideWouldRun) {
    pri("Orders").Column("ID", 3);
    priView("V", "SELECT A\r\nFROM T;\r\n");
    const Diff diff = compare();
    EXPECT_EQ(diff.find("Orders")->primaryText, CreateTableText(primary.tables[0]));
    EXPECT_EQ(diff.find("Orders")->secondaryText, "");
    EXPECT_EQ(diff.find("V")->primaryText, "CREATE VIEW [V] AS \r\nSELECT A\r\nFROM T;\r\n\r\nGO");
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

TEST_F(Comparing, DifferingStretchesOfBothTextsAreTakenFromThePrimaryText) {
    pri("T").Column("Name", 130, 50);
    sec("T").Column("Name", 130, 40);
    const Diff diff = compare();
    const DiffEntry& e = *diff.find("T");
    const qsizetype at = e.primaryText.indexOf("50");
    EXPECT_EQ(e.primaryRuns, QList<TextRun>({{at, 1}}));
    EXPECT_EQ(e.secondaryRuns, e.primaryRuns);
}

// Two objects named alike are the session's test, which shows the error the user sees.
TEST_F(Comparing, TwoColumnsNamedAlikeAreRefused) {
    sec("T").Column("a", 3).Column("A", 3);
    EXPECT_EQ(test::ErrorOf([&] { compare(); }).code(), ErrorCode::DuplicateKey);
}

// Runs are measured in the first text; one still open at its end is left out.
TEST(DifferingRuns, CaseIsIgnoredAndOnlyBlanksOfTheFirstTextAreSkipped) {
    EXPECT_EQ(runs("aXYb", "aZZb"), QStringList({"1+2"}));
    EXPECT_EQ(runs("abcdef", "aXcdYY"), QStringList({"1+1"}));
    // Characters of the second text beyond the first are not looked at.
    EXPECT_EQ(runs("ab", "abcdef"), QStringList());
    EXPECT_EQ(runs("ABC", "abc"), QStringList());
    EXPECT_EQ(runs(QString::fromUtf8("ÄÖÜx"), QString::fromUtf8("äöüx")), QStringList());
    EXPECT_EQ(runs("a b", "ab"), QStringList());
    EXPECT_EQ(runs("abxx", "a bx"), QStringList({"1+2"}));
    // A tab is an ordinary character, not a blank.
    EXPECT_EQ(runs("a\tbc", "a bc"), QStringList({"1+1"}));
}

TEST(DifferingRuns, TextsBeyondSixteenBitsAreCompared) {
    QString first(100000, QLatin1Char('x'));
    QString second = first;
    second[40000] = QLatin1Char('y');
    second[99998] = QLatin1Char('y');
    EXPECT_EQ(runs(first, second), QStringList({"40000+1", "99998+1"}));
}
