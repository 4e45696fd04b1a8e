// Sync scripts over the whole schema: the order of drops and creates across kinds, what only
// Access can do, relationships in the way of a change, default values and data-loss marks.
#include "script/AlterScript.h"
#include "script/SyncScript.h"

#include "tests/script/SyncScriptFixture.h"
#include "tests/support/QtPrinters.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Index key(const QString& name, const QString& column, bool primary = true) {
    Index index;
    index.name = name;
    index.columns = {{column, false}};
    index.primary = primary;
    index.unique = index.required = true;
    return index;
}

Relationship enforced(const QString& name, const QString& table, const QString& column,
                      const QString& referenced, const QString& referencedColumn) {
    return {name, table, referenced, {{column, referencedColumn}}, true};
}

class SyncKinds : public SyncScriptFixture {};

} // namespace

// Listed so that only the analysis can order them: the view reads a query that the diff lists
// after it, the query reads a table the script creates, and the target's relationship hangs on
// a table and a field that go.
TEST_F(SyncKinds, EveryKindGoesWhereWhatItNeedsExistsOrIsStillThere) {
    pri("Customers").Column("ID", 3, {}, false);
    primary.tables.last().indexes = {key("PrimaryKey", "ID")};
    pri("Orders").Column("ID", 3, {}, false).Column("CustomerID", 3);
    primary.tables.last().indexes = {key("PrimaryKey", "ID")};
    primary.relationships = {
        enforced("CustomersOrders", "Orders", "CustomerID", "Customers", "ID")};
    primary.queries = {{"Recent",
                        QueryKind::Select,
                        "PARAMETERS [Since] DateTime;\r\n"
                        "SELECT * FROM Orders WHERE ID > [Since];\r\n",
                        {{"[Since]", "DateTime"}}}};
    priView("Report", "SELECT * FROM [Recent];\r\n");

    sec("Customers").Column("ID", 3, {}, false).Column("Fax", 130, 20);
    secondary.tables.last().indexes = {key("PrimaryKey", "ID")};
    sec("Legacy").Column("ID", 3).Column("Fax", 130, 20);
    secondary.relationships = {enforced("CustomersLegacy", "Legacy", "ID", "Customers", "ID")};
    secondary.queries = {{"Purge", QueryKind::Delete, "DELETE * FROM Legacy;\r\n"}};

    const SyncScript s = script();
    EXPECT_TRUE(s.notes.empty()) << s.NoteTexts().join('\n').toStdString();
    EXPECT_EQ(outline(s),
              QStringList({"drop-query Purge", "drop-relationship CustomersLegacy",
                           "drop-table Legacy", "alter Customers", "create-table Orders",
                           "create-index PrimaryKey", "create-relationship CustomersOrders",
                           "create-query Recent", "create-view Report"}));
    EXPECT_EQ(s.steps[0].text, "DROP PROCEDURE [Purge]\r\nGO\r\n");
    EXPECT_EQ(s.steps[5].text,
              "CREATE INDEX [PrimaryKey] ON [Orders] ([ID]) WITH PRIMARY\r\nGO\r\n");
    EXPECT_EQ(s.steps[7].text, "CREATE PROCEDURE [Recent] ([Since] DateTime) AS\r\n"
                               "SELECT * FROM Orders WHERE ID > [Since];\r\nGO\r\n");
}

// Nothing of the target is dropped for an object the script cannot make again.
TEST_F(SyncKinds, WhatOnlyAccessCanDoIsNotedAndTheTargetKeepsItsOwn) {
    pri("A").Column("ID", 3, {}, false).Column("Name", 130, 20);
    primary.tables.last().indexes = {key("PrimaryKey", "ID")};
    primary.tables.last().indexes[0].ignoreNulls = true;
    primary.tables.last().columns[1].caption = "Full name";
    primary.tables.last().description = "People";
    pri("B").Column("AID", 3);
    primary.relationships = {{"AB", "B", "A", {{"AID", "ID"}}, false}};
    primary.queries = {{"Pivot", QueryKind::Crosstab,
                        "TRANSFORM Count(ID) SELECT Name FROM A "
                        "GROUP BY Name PIVOT ID;\r\n"},
                       {"Remote", QueryKind::PassThrough, "SELECT 2;\r\n", {}, "ODBC;DSN=x"}};
    secondary = primary;
    secondary.tables[0].indexes[0].ignoreNulls = false;
    secondary.tables[0].columns[1].caption.reset();
    secondary.tables[0].description.clear();
    secondary.relationships[0].cascadeUpdate = true;
    secondary.relationships[0].enforced = true;
    secondary.queries[0].sql =
        "TRANSFORM Count(ID) SELECT Name FROM A GROUP BY Name PIVOT Name;\r\n";
    secondary.queries[1].connect = "ODBC;DSN=y";

    const SyncScript s = script();
    EXPECT_EQ(outline(s), QStringList());
    QStringList notes;
    for (const SyncNote& n : s.notes) {
        EXPECT_EQ(n.cause, SyncNote::Cause::AccessOnly) << n.text().toStdString();
        notes << n.text();
    }
    EXPECT_EQ(notes.size(), 6) << notes.join('\n').toStdString();
    for (const char* expected :
         {"INDEX [A.PrimaryKey]: The index 'PrimaryKey' is a primary key that ignores nulls",
          "RELATIONSHIP [B.AB]: The relationship 'AB' between 'A' and 'B' does not enforce",
          "QUERY [Pivot]: The query 'Pivot' is a crosstab query",
          "QUERY [Remote]: The query 'Remote' is a pass-through query",
          "PROPERTIES [A (properties)]: set the Description of the table to \"People\" in the "
          "design of table [A] in Access.",
          "PROPERTIES [A (properties)]: set the Caption of field [Name] to \"Full name\""})
        EXPECT_EQ(notes.filter(expected).size(), 1) << expected;
}

// A re-typed field and a re-made key stand in the way of the enforced relationships on them,
// which come back once the change is made; an unenforced one has nothing to stand on.
TEST_F(SyncKinds, RelationshipsInTheWayOfAChangeAreDroppedAndAddedBack) {
    pri("Customers").Column("ID", 3, {}, false);
    primary.tables.last().indexes = {key("PK", "ID")};
    pri("Orders").Column("ID", 3, {}, false).Column("CustomerID", 3).Column("ShipperID", 3);
    pri("Shippers").Column("ID", 3, {}, false);
    primary.tables.last().indexes = {key("PrimaryKey", "ID")};
    primary.relationships = {enforced("CustomersOrders", "Orders", "CustomerID", "Customers", "ID"),
                             {"ShippersOrders", "Orders", "Shippers", {{"ShipperID", "ID"}}}};
    secondary = primary;
    secondary.tables[0].indexes[0].name = "PrimaryKey"; // the key is made anew under its name
    secondary.tables[1].columns[1].dataType = 2;        // and the field was SMALLINT
    secondary.tables[1].columns[2].dataType = 2;

    const SyncScript s = script();
    EXPECT_TRUE(s.notes.empty()) << s.NoteTexts().join('\n').toStdString();
    EXPECT_EQ(outline(s), QStringList({"drop-relationship CustomersOrders", "drop-index PrimaryKey",
                                       "alter Orders", "create-index PK",
                                       "create-relationship CustomersOrders"}));
    EXPECT_EQ(s.steps.back().text, "ALTER TABLE [Orders] ADD CONSTRAINT [CustomersOrders] FOREIGN "
                                   "KEY ([CustomerID]) REFERENCES [Customers] ([ID])\r\nGO\r\n");
}

// Tables left out of the comparison are not created for the indexes and relationships on them.
TEST_F(SyncKinds, AnObjectWhoseTableWillBeMissingIsNotedNotScripted) {
    pri("T").Column("A", 3);
    pri("U").Column("A", 3, {}, false);
    primary.tables.last().indexes = {key("PK", "A")};
    primary.relationships = {enforced("TU", "T", "A", "U", "A")};
    sec("T").Column("A", 3);
    CompareOptions partsOnly;
    partsOnly.kinds = KindBit(KindGroup::Indexes) | KindBit(KindGroup::Relationships);
    SyncScript s = script(Side::Secondary, partsOnly);
    EXPECT_EQ(outline(s), QStringList());
    EXPECT_EQ(s.NoteTexts(), QStringList({"INDEX [U.PK]: cannot be created: the table [U] will not "
                                          "be in the target database.",
                                          "RELATIONSHIP [T.TU]: cannot be added: the table [U] "
                                          "will not be in the target database."}));
    EXPECT_EQ(s.notes[0].cause, SyncNote::Cause::Dependency);

    EXPECT_EQ(outline(script()),
              QStringList({"create-table U", "create-index PK", "create-relationship TU"}));
    primary.tables[1].indexes.clear(); // nothing unique for the relationship to refer to
    s = script();
    EXPECT_EQ(outline(s), QStringList({"create-table U"}));
    EXPECT_EQ(s.NoteTexts(), QStringList({"RELATIONSHIP [T.TU]: cannot be added: the fields it "
                                          "refers to in [U] will have no unique index."}));

    secondary.tables[0].kind = ObjectKind::Link;
    primary.tables[0].indexes = {key("ByA", "A", false)};
    EXPECT_EQ(script(Side::Secondary, partsOnly).NoteTexts().first(),
              "INDEX [T.ByA]: cannot be created: the table [T] is a link in the target database, "
              "and a link takes no index, relationship or default there.");
}

TEST_F(SyncKinds, NamesInAnotherCaseAreNotedWhenTheColumnsAreAltered) {
    pri("Orders").Column("ID", 3).Column("Note", 130, 20);
    sec("ORDERS").Column("ID", 3);
    pri("Lines").Column("Qty", 3).Column("Price", 6);
    sec("Lines").Column("QTY", 3);
    const SyncScript s = script();
    EXPECT_EQ(outline(s), QStringList({"alter Lines", "alter ORDERS"}));
    EXPECT_EQ(s.NoteTexts(), QStringList({"TABLE [Lines]: the names differ only in letter case, "
                                          "which ALTER TABLE cannot change.",
                                          "TABLE [Orders]: the names differ only in letter case, "
                                          "which ALTER TABLE cannot change."}));
}

TEST_F(SyncKinds, DefaultValuesAreSetOnceTheFieldExistsAndOtherwiseNoted) {
    pri("T").Column("Qty", 3).Column("Code", 130, 5, false).Column("Due", 7).Column("Odd", 3);
    primary.tables[0].columns[0].defaultValue = "0";
    primary.tables[0].columns[1].defaultValue = "\"A\"";
    primary.tables[0].columns[2].defaultValue = "Date()+30";
    sec("T").Column("Qty", 3).Column("Due", 7).Column("Odd", 3);
    secondary.tables[0].columns[2].defaultValue = "1";
    pri("New").Column("Flag", 11);
    primary.tables[1].columns[0].defaultValue = "No";

    const SyncScript s = script();
    EXPECT_EQ(outline(s), QStringList({"alter T", "create-table New", "set-default New",
                                       "set-default T", "set-default T"}));
    EXPECT_EQ(s.steps[2].text, "ALTER TABLE [New] ALTER COLUMN [Flag] YESNO DEFAULT No\r\nGO\r\n");
    EXPECT_EQ(s.steps[3].text, "ALTER TABLE [T] ALTER COLUMN [Code] TEXT(5) NOT NULL DEFAULT "
                               "\"A\"\r\nGO\r\n");
    EXPECT_EQ(s.steps[4].text, "ALTER TABLE [T] ALTER COLUMN [Qty] INTEGER DEFAULT 0\r\nGO\r\n");
    QStringList notes = s.NoteTexts();
    EXPECT_EQ(notes, QStringList({"PROPERTIES [T (properties)]: set the Default Value of field "
                                  "[Due] to \"Date()+30\" in the design of table [T] in Access.",
                                  "PROPERTIES [T (properties)]: clear the Default Value of field "
                                  "[Odd] in the design of table [T] in Access."}));
}

// Every batch that destroys data carries its mark; widening a field does not.
TEST_F(SyncKinds, BatchesThatDestroyDataAreMarkedAndListedAtTheTop) {
    pri("Keep").Column("Name", 130, 20).Column("Count", 3).Column("Wide", 130, 80);
    sec("Keep").Column("Name", 130, 50).Column("Count", 2).Column("Wide", 130, 40).Column("Fax", 3);
    sec("Gone").Column("A", 3);
    const SyncScript s = script();
    EXPECT_EQ(s.dataLoss, QStringList({"DROP TABLE [Gone] and every row in it",
                                       "DROP COLUMN [Keep].[Fax] and the data in it",
                                       "ALTER COLUMN [Keep].[Name] from TEXT(50) to TEXT(20) may "
                                       "cut or refuse values"}));
    const QString text = s.Text();
    EXPECT_TRUE(text.startsWith("-- Data loss: 3 batches of the script destroy data, each marked "
                                "by a \"-- Data loss\" line:\r\n--   DROP TABLE [Gone]"));
    // Each mark stands right before the statement it warns of.
    const QRegularExpression marked("-- Data loss: (DROP TABLE|DROP COLUMN|ALTER COLUMN) "
                                    "[^\\r]*\\r\\n(DROP TABLE|ALTER TABLE)");
    EXPECT_EQ(text.count(marked), 3);
    EXPECT_EQ(
        text.count(QRegularExpression("^-- Data loss: ", QRegularExpression::MultilineOption)), 4);

    Column from;
    Column to;
    from.dataType = 3;
    to.dataType = 5;
    EXPECT_TRUE(HoldsEveryValue(from, to)); // a long fits a double
    EXPECT_FALSE(HoldsEveryValue(to, from));
    from.dataType = to.dataType = 130;
    from.maxLength = 0; // the longest text
    to.maxLength = 200;
    EXPECT_FALSE(HoldsEveryValue(from, to));
}

TEST_F(SyncKinds, OneObjectsScriptsForTheComparisonWindow) {
    pri("T").Column("A", 3, {}, false);
    primary.tables[0].indexes = {key("PK", "A", false)};
    sec("T").Column("A", 3, {}, false);
    secondary.tables[0].indexes = {key("PK", "A")};
    primary.relationships = {{"TT", "T", "T", {{"A", "A"}}, false}};
    const Diff d = SchemaPair::compare();
    EXPECT_EQ(AlterScriptFor(d, "T.PK", Side::Secondary),
              "DROP INDEX [PK] ON [T]\r\nGO\r\nCREATE UNIQUE INDEX [PK] ON [T] ([A]) WITH "
              "DISALLOW NULL\r\nGO\r\n");
    EXPECT_EQ(DropScriptFor(d, "T.PK", Side::Primary), "DROP INDEX [PK] ON [T]\r\nGO\r\n");
    EXPECT_EQ(DropScriptFor(d, "T", Side::Primary),
              "-- Data loss: DROP TABLE [T] and every row in it\r\nDROP TABLE [T]\r\nGO\r\n");
    // The unenforced relationship: nothing in its script runs.
    const QString create = CreateScriptFor(d, "T.TT", Side::Primary);
    for (const QString& line : create.split("\r\n", Qt::SkipEmptyParts))
        EXPECT_TRUE(line.startsWith("-- ") || line == "GO") << line.toStdString();
    EXPECT_TRUE(create.contains("-- ALTER TABLE [T] ADD CONSTRAINT [TT]"));
    EXPECT_EQ(BuildSyncScript(d, Side::Secondary, "t.pk").steps.size(), 2u);
}
