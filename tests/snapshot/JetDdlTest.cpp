#include "engine/snapshot/JetDdl.h"
#include "engine/SnapshotJson.h"
#include "engine/SqlDataType.h"
#include "model/Error.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

// Runs statements in order on schema; the description of the first failure, or "" when all ran.
QString run(Schema& schema, const QStringList& statements) {
    for (const QString& sql : statements) {
        try {
            ApplyJetDdl(schema, sql);
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::SyntaxError);
            return e.description();
        }
    }
    return QString();
}

Schema schemaOf(const QStringList& statements) {
    Schema s;
    EXPECT_EQ(run(s, statements), "") << "setting up";
    return s;
}

// Each statement, run alone on s, fails with the message it is listed under and leaves s as it was.
void expectRefusals(const Schema& s, const std::vector<std::pair<QString, QStringList>>& cases) {
    for (const auto& [message, statements] : cases)
        for (const QString& sql : statements) {
            Schema copy = s;
            EXPECT_EQ(run(copy, {sql}), message) << sql.toStdString();
            EXPECT_EQ(WriteSnapshotJson(copy), WriteSnapshotJson(s))
                << "changed by " << sql.toStdString();
        }
}

// A column as "type length null|required", its length "-" for none or "precision,scale", then
// " auto" for an AutoNumber and " =default".
QString column(const Schema& s, const QString& table, const QString& name) {
    if (const Table* t = s.findTable(table))
        for (const Column& c : t->columns)
            if (c.name == name)
                return QStringLiteral("%1 %2 %3%4%5")
                    .arg(c.dataType)
                    .arg(c.maxLength   ? QString::number(*c.maxLength)
                         : c.precision ? QStringLiteral("%1,%2").arg(*c.precision).arg(*c.scale)
                                       : QStringLiteral("-"))
                    .arg(c.nullable ? "null" : "required")
                    .arg(c.autoNumber ? " auto" : "")
                    .arg(c.defaultValue ? " =" + *c.defaultValue : QString());
    return QStringLiteral("missing");
}

// Each index as "name(columns)", "!" marking a primary key, "+" a unique one, "-" a descending
// column.
QString indexesOf(const Schema& s, const QString& table) {
    QStringList out;
    for (const Index& i : FOUND(s.findTable(table)).indexes) {
        QStringList columns;
        for (const IndexColumn& c : i.columns)
            columns << (c.descending ? "-" : "") + c.name;
        out << i.name + (i.primary ? "!" : "") + (i.unique ? "+" : "") + "(" + columns.join(',') +
                   ")";
    }
    return out.join(' ');
}

QString columnNames(const Schema& s, const QString& table) {
    QStringList names;
    for (const Column& c : FOUND(s.findTable(table)).columns)
        names << QStringLiteral("%1:%2").arg(c.ordinal).arg(c.name);
    return names.join(' ');
}

const QString kOrders =
    QStringLiteral("CREATE TABLE [Orders] ([ID] COUNTER CONSTRAINT [PrimaryKey] PRIMARY KEY, "
                   "[Customer] TEXT(40) NOT NULL, [Note] MEMO, [Qty] INTEGER)");
const QString kLines = QStringLiteral(
    "CREATE TABLE Lines (OrderID LONG NOT NULL, Pos SHORT DEFAULT 1, Price CURRENCY DEFAULT -0.5, "
    "Added DATETIME DEFAULT Now(), Code TEXT(8) WITH COMPRESSION DEFAULT 'n/a' UNIQUE, "
    "CONSTRAINT FK_Order FOREIGN KEY (OrderID) REFERENCES Orders ON DELETE CASCADE, "
    "CONSTRAINT PK PRIMARY KEY (OrderID, Pos))");

} // namespace

// A type word that a generated script holds and a snapshot refuses would stop the script there.
TEST(CreateTable, AcceptsEveryTypeWordTheScriptGeneratorWrites) {
    Schema s;
    for (qint32 code = 0; code <= 8192; ++code) {
        QString type = SqlDataType(code, 10, {}).remove(',').trimmed();
        if (!type.isEmpty()) {
            EXPECT_EQ(run(s, {QStringLiteral("CREATE TABLE T%1 (c %2)").arg(code).arg(type)}), "");
        }
    }
}

TEST(CreateTable, TypeWordsGiveJetsLengthsNullabilityAndNumbering) {
    // One word for each way a type is read; Jet's own spellings, such as VARCHAR, keep its meaning.
    const std::pair<const char*, const char*> cases[] = {
        {"long", "3 - null"},        {"TEXT(50)", "130 50 null"}, {"TEXT", "130 0 null"},
        {"VARCHAR", "130 255 null"}, {"CHAR (5)", "130 5 null"},  {"YESNO", "11 - required"},
        {"BINARY", "128 510 null"},  {"LONGBINARY", "128 0 null"}};
    for (const auto& [type, expected] : cases)
        EXPECT_EQ(column(schemaOf({QStringLiteral("CREATE TABLE T ([c] %1)").arg(type)}), "T", "c"),
                  expected);
    // Keywords in any case, line breaks anywhere, as hand-written scripts have them.
    Schema s = schemaOf({"create\ttable\nT\n(a COUNTER, b AUTOINCREMENT(100, 5), "
                         "c DECIMAL(10,2), d NUMERIC, e YESNO NULL\n)\n;\n"});
    EXPECT_EQ(column(s, "T", "a"), "3 - null auto");
    EXPECT_EQ(column(s, "T", "b"), "3 - null auto");
    EXPECT_EQ(column(s, "T", "c"), "131 10,2 null");
    EXPECT_EQ(column(s, "T", "d"), "131 18,0 null");
    EXPECT_EQ(column(s, "T", "e"), "11 - required") << "a Yes/No column never accepts NULL";
}

TEST(CreateTable, KeepsKeysDefaultsAndRelationships) {
    Schema s = schemaOf({kOrders, kLines});
    EXPECT_EQ(indexesOf(s, "orders"), "PrimaryKey!+(ID)");
    EXPECT_EQ(indexesOf(s, "Lines"), "Index+(Code) PK!+(OrderID,Pos)");
    EXPECT_EQ(column(s, "Lines", "Pos"), "2 - null =1");
    EXPECT_EQ(column(s, "Lines", "Price"), "6 - null =-0.5");
    EXPECT_EQ(column(s, "Lines", "Added"), "7 - null =Now()");
    EXPECT_EQ(column(s, "Lines", "Code"), "130 8 null ='n/a'");

    ASSERT_EQ(s.relationships.size(), 1);
    const Relationship& r = s.relationships[0];
    EXPECT_EQ(r.name, "FK_Order");
    EXPECT_EQ(r.table, "Lines");
    EXPECT_EQ(r.referencedTable, "Orders");
    EXPECT_EQ(r.columns[0].referencedColumn, "ID") << "the referenced table's primary key";
    EXPECT_TRUE(r.enforced && r.cascadeDelete && !r.cascadeUpdate);
}

TEST(CreateTable, ErrorsInJetsWords) {
    expectRefusals(
        schemaOf({kOrders, "CREATE VIEW [Open] AS SELECT * FROM Orders"}),
        {{"Table 'ORDERS' already exists.", {"CREATE TABLE ORDERS (x INTEGER)"}},
         {"Table 'open' already exists.", {"CREATE TABLE [open] (x INTEGER)"}},
         {"Field 'X' already exists in table 'T'.", {"CREATE TABLE T (x INTEGER, X TEXT)"}},
         {"Syntax error in field definition.",
          {"CREATE TABLE T (x WHATEVER)", "CREATE TABLE T (x INTEGER(4))",
           "CREATE TABLE T (x TEXT(50) NOT)", "CREATE TABLE T (x INTEGER y TEXT)",
           "CREATE TABLE T ()"}},
         {"Syntax error in CREATE TABLE statement.",
          {"CREATE TABLE T x INTEGER", "CREATE TABLE T (x INTEGER", "CREATE TABLE [T (x INTEGER)",
           "CREATE TABLE T (x LONG);;", "CREATE SEQUENCE s"}},
         {"Size of field 'x' is too long.", {"CREATE TABLE T (x TEXT(256))"}},
         {"'a.b' is not a valid name. Make sure that it does not include invalid characters or "
          "punctuation and that it is not too long.",
          {"CREATE TABLE [a.b] (x INTEGER)"}},
         {"Primary key already exists.",
          {"CREATE TABLE T (x LONG PRIMARY KEY, y LONG PRIMARY KEY)"}},
         {"Field 'nope' does not exist in table 'T'.",
          {"CREATE TABLE T (x LONG, CONSTRAINT k UNIQUE (nope))"}},
         {"Syntax error in CONSTRAINT clause.",
          {"CREATE TABLE T (x LONG, CONSTRAINT k CHECK (x > 0))"}},
         {"No unique index found for the referenced field of the primary table.",
          {"CREATE TABLE X (c TEXT(5) REFERENCES Orders (Customer))"}},
         {"Relationship must be on the same number of fields with the same data types.",
          {"CREATE TABLE X (o DOUBLE REFERENCES Orders)",
           "CREATE TABLE X (o SHORT, CONSTRAINT k FOREIGN KEY (o) REFERENCES Orders (ID))"}}});
}

TEST(CreateView, KeepsTheDefinitionAsWritten) {
    Schema s = schemaOf(
        {kOrders,
         // The view batch as generated: "AS ", a line break, the stored text, the batch's break.
         "CREATE VIEW [Big orders] AS \r\nSELECT Orders.*\r\nFROM Orders\r\nWHERE Qty > "
         "10;\r\n\r\n",
         "create view Plain as select 1", "CREATE VIEW Tight AS\nSELECT 2\n"});
    ASSERT_EQ(s.views.size(), 3);
    EXPECT_EQ(s.views[0].definition, "SELECT Orders.*\r\nFROM Orders\r\nWHERE Qty > 10;\r\n");
    EXPECT_EQ(s.views[1].definition, "select 1");
    EXPECT_EQ(s.views[2].definition, "SELECT 2");
    expectRefusals(s, {{"Table 'Orders' already exists.", {"CREATE VIEW [Orders] AS SELECT 1"}},
                       {"Only simple SELECT queries are allowed in VIEWS.",
                        {"CREATE VIEW V AS DELETE FROM Orders"}},
                       {"Syntax error in CREATE VIEW statement.",
                        {"CREATE VIEW V AS", "CREATE VIEW V SELECT 1"}}});
}

TEST(Drop, RemovesWhatNothingDependsOn) {
    Schema s = schemaOf({kOrders, kLines, "CREATE TABLE Other (x LONG)",
                         "CREATE VIEW V AS SELECT * FROM Orders", "drop view v;"});
    expectRefusals(
        s, {{"Table 'Nope' does not exist.", {"DROP TABLE Nope"}},
            {"View 'Nope' does not exist.", {"DROP VIEW Nope"}},
            {"Syntax error in DROP TABLE or DROP INDEX.",
             {"DROP TABLE", "DROP TABLE Other Other", "DROP Other"}},
            {"Cannot delete table 'Orders'; it participates in one or more relationships.",
             {"DROP TABLE Orders"}},
            {"Cannot delete field 'OrderID'; it is part of the index 'PK'. Drop the index first.",
             {"ALTER TABLE Lines DROP COLUMN OrderID"}}});
    EXPECT_EQ(run(s, {"ALTER TABLE Lines DROP CONSTRAINT PK", "ALTER TABLE Lines DROP OrderID"}),
              "Cannot delete field 'OrderID'; it is part of one or more relationships.");
    EXPECT_EQ(run(s, {"ALTER TABLE Lines DROP CONSTRAINT FK_Order", "DROP TABLE [orders]"}), "");
    EXPECT_TRUE(s.relationships.isEmpty());
    EXPECT_TRUE(s.views.isEmpty());
    ASSERT_EQ(s.tables.size(), 2);
    EXPECT_EQ(s.tables[1].name, "Other");

    Schema system;
    system.tables.append(Table{"MSysObjects", ObjectKind::SystemTable, {}, {}});
    EXPECT_EQ(run(system, {"DROP TABLE MSysObjects"}),
              "'MSysObjects' is a system table and cannot be changed.");
}

TEST(AlterTable, AddsAndDropsColumnsInTheGeneratedLayout) {
    Schema s = schemaOf({kOrders,
                         "ALTER TABLE [Orders]\r\n ADD \r\n   [Ship To] TEXT(40) , "
                         "\r\n   [Shipped] YESNO,\r\n   [Weight] DOUBLE\r\n",
                         "alter table orders add column Extra LONG NOT NULL"});
    EXPECT_EQ(columnNames(s, "Orders"),
              "1:ID 2:Customer 3:Note 4:Qty 5:Ship To 6:Shipped 7:Weight 8:Extra");
    EXPECT_EQ(column(s, "Orders", "Extra"), "3 - required");
    EXPECT_EQ(run(s, {"ALTER TABLE Orders ADD CONSTRAINT UQ UNIQUE ([Ship To], Weight)"}), "");
    EXPECT_EQ(indexesOf(s, "Orders"), "PrimaryKey!+(ID) UQ+(Ship To,Weight)");

    EXPECT_EQ(run(s, {"ALTER TABLE [Orders]\r\n DROP COLUMN \r\n   [Note], \r\n   [Qty]\r\n",
                      "ALTER TABLE Orders DROP Shipped"}),
              "");
    EXPECT_EQ(columnNames(s, "Orders"), "1:ID 2:Customer 3:Ship To 4:Weight 5:Extra");
    expectRefusals(s, {{"Syntax error in field definition.", {"ALTER TABLE Orders ADD"}},
                       {"Syntax error in ALTER TABLE statement.", {"ALTER TABLE Orders RENAME x"}},
                       {"Field 'nope' does not exist in table 'Orders'.",
                        {"ALTER TABLE Orders DROP COLUMN Extra, nope"}}});
}

TEST(AlterTable, AltersTypeAndNullability) {
    Schema s = schemaOf({kOrders});
    // As generated: two blanks before the bracket, a blank after the clause.
    EXPECT_EQ(run(s, {"ALTER TABLE [Orders]\r\n ALTER COLUMN \r\n  [Customer] TEXT(60) NULL \r\n"}),
              "");
    EXPECT_EQ(column(s, "Orders", "Customer"), "130 60 null");
    EXPECT_EQ(run(s, {"ALTER TABLE Orders ALTER Qty DOUBLE NOT NULL"}), "");
    EXPECT_EQ(column(s, "Orders", "Qty"), "5 - required");
    EXPECT_EQ(run(s, {"ALTER TABLE Orders ALTER COLUMN Qty LONG"}), "");
    EXPECT_EQ(column(s, "Orders", "Qty"), "3 - required") << "no clause keeps the nullability";
    EXPECT_EQ(columnNames(s, "Orders"), "1:ID 2:Customer 3:Note 4:Qty");
    expectRefusals(s,
                   {{"Syntax error in field definition.", {"ALTER TABLE Orders ALTER COLUMN Qty"}},
                    {"Syntax error in ALTER TABLE statement.",
                     {"ALTER TABLE Orders ALTER COLUMN Qty LONG, Note LONG"}}});
}

TEST(Indexes, AreCreatedAndDroppedByName) {
    Schema s = schemaOf({kOrders, "CREATE UNIQUE INDEX ByCustomer ON Orders (Customer DESC, Qty)",
                         "CREATE INDEX ByQty ON [Orders] ([Qty]) WITH IGNORE NULL"});
    EXPECT_EQ(indexesOf(s, "Orders"), "PrimaryKey!+(ID) ByCustomer+(-Customer,Qty) ByQty(Qty)");
    expectRefusals(
        s, {{"Table 'Orders' already has an index named 'byqty'.",
             {"CREATE INDEX byqty ON Orders (Note)"}},
            {"Primary key already exists.", {"CREATE INDEX P2 ON Orders (Qty) WITH PRIMARY"}},
            {"Syntax error in CREATE INDEX statement.", {"CREATE INDEX I ON Orders"}}});
    EXPECT_EQ(run(s, {"DROP INDEX ByQty ON Orders", "DROP INDEX ByQty ON Orders"}),
              "Index 'ByQty' does not exist on table 'Orders'.");
}

TEST(Indexes, WithOptionsSetTheFlagsJetGivesThem) {
    Schema s = schemaOf({"CREATE TABLE T (a LONG, b TEXT(10), c DATETIME, o LONGBINARY, "
                         "r BINARY(8), m MEMO)",
                         "CREATE INDEX R ON T (r, m)", "CREATE INDEX K ON T (a) WITH PRIMARY",
                         "CREATE UNIQUE INDEX B ON T (b) WITH DISALLOW NULL",
                         "create index C on T (c desc, b) with ignore null",
                         "ALTER TABLE T ADD CONSTRAINT U UNIQUE (c)"});
    QStringList flags;
    for (const Index& i : FOUND(s.findTable("T")).indexes)
        flags << QStringLiteral("%1:%2%3%4%5")
                     .arg(i.name, i.primary ? "P" : "", i.unique ? "U" : "",
                          i.ignoreNulls ? "N" : "", i.required ? "R" : "");
    EXPECT_EQ(flags, QStringList({"R:", "K:PUR", "B:UR", "C:N", "U:U"}));
    EXPECT_EQ(indexesOf(schemaOf({"CREATE TABLE P (x LONG CONSTRAINT PK PRIMARY KEY)"}), "P"),
              "PK!+(x)");
    EXPECT_TRUE(schemaOf({"CREATE TABLE P (x LONG CONSTRAINT PK PRIMARY KEY)"})
                    .findTable("P")
                    ->indexes[0]
                    .required)
        << "a primary key constraint is the same index as WITH PRIMARY";

    expectRefusals(
        s,
        {{"Primary key already exists.",
          {"CREATE UNIQUE INDEX K2 ON T (b) WITH PRIMARY",
           "ALTER TABLE T ADD CONSTRAINT K3 PRIMARY KEY (c)"}},
         {"Field 'nope' does not exist in table 'T'.", {"CREATE INDEX X ON T (a, nope)"}},
         {"Cannot create an index on the OLE Object field 'o'.",
          {"CREATE INDEX X ON T (a, o)", "ALTER TABLE T ADD CONSTRAINT X UNIQUE (o)",
           "CREATE TABLE T2 (o LONGBINARY PRIMARY KEY)"}},
         {"Table 'Nope' does not exist.", {"CREATE INDEX X ON Nope (a)", "DROP INDEX K ON Nope"}},
         {"Table 'T' already has an index named 'k'.", {"CREATE INDEX k ON T (b)"}},
         {"Index 'Nope' does not exist on table 'T'.", {"DROP INDEX Nope ON T"}},
         {"Syntax error in CREATE INDEX statement.",
          {"CREATE INDEX X ON T (a) WITH", "CREATE INDEX X ON T (a) WITH NULL",
           "CREATE INDEX X ON T (a) WITH IGNORE", "CREATE INDEX X ON T ()",
           "CREATE INDEX X ON T (a) WITH PRIMARY extra", "CREATE INDEX ON T (a)"}},
         {"Syntax error in DROP TABLE or DROP INDEX.", {"DROP INDEX K", "DROP INDEX K ON"}}});
}

TEST(Relationships, AreAddedAndDroppedAsConstraintsWithTheirCascades) {
    Schema s = schemaOf({kOrders, "CREATE TABLE Notes (ID LONG, OrderID LONG, Ref TEXT(40))",
                         "CREATE UNIQUE INDEX ByCustomer ON Orders (Customer)",
                         QStringLiteral("ALTER TABLE Notes ADD CONSTRAINT ToOrder FOREIGN KEY "
                                        "(OrderID) REFERENCES Orders (ID) ON UPDATE CASCADE "
                                        "ON DELETE SET NULL"),
                         QStringLiteral("ALTER TABLE [Notes] ADD CONSTRAINT [ByName] FOREIGN KEY "
                                        "([Ref]) REFERENCES [Orders] ([Customer]) ON DELETE "
                                        "CASCADE")});
    ASSERT_EQ(s.relationships.size(), 2);
    const Relationship& toOrder = s.relationships[0];
    EXPECT_EQ(toOrder.columns[0].column, "OrderID");
    EXPECT_EQ(toOrder.columns[0].referencedColumn, "ID");
    EXPECT_TRUE(toOrder.enforced && toOrder.cascadeUpdate && toOrder.cascadeToNull);
    EXPECT_FALSE(toOrder.cascadeDelete || toOrder.oneToOne);
    const Relationship& byName = s.relationships[1];
    EXPECT_TRUE(byName.cascadeDelete && !byName.cascadeToNull && !byName.cascadeUpdate);
    EXPECT_EQ(byName.columns[0].referencedColumn, "Customer");

    const QString inRelationship = QStringLiteral(
        "Cannot delete this index or table. It is either the current index or is used in a "
        "relationship.");
    expectRefusals(
        s,
        {{"Relationship 'toorder' already exists.",
          {"ALTER TABLE Notes ADD CONSTRAINT toorder FOREIGN KEY (ID) REFERENCES Orders (ID)"}},
         {"Table 'Gone' does not exist.",
          {"ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (ID) REFERENCES Gone (ID)",
           "ALTER TABLE Gone ADD CONSTRAINT F FOREIGN KEY (ID) REFERENCES Orders (ID)"}},
         {"Field 'Nope' does not exist in table 'Notes'.",
          {"ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (Nope) REFERENCES Orders (ID)"}},
         {"No unique index found for the referenced field of the primary table.",
          {"ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (ID) REFERENCES Orders (Qty)",
           "ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (ID, Ref) REFERENCES Orders (ID)"}},
         {"Syntax error in CONSTRAINT clause.",
          {"ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (ID) REFERENCES Orders (ID) "
           "ON UPDATE SET NULL",
           "ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY (ID) REFERENCES Orders (ID) ON DELETE",
           "ALTER TABLE Notes ADD CONSTRAINT F FOREIGN KEY ID REFERENCES Orders (ID)",
           "ALTER TABLE Notes ADD CONSTRAINT F KEY (ID)"}},
         {"Constraint 'Nope' does not exist on table 'Notes'.",
          {"ALTER TABLE Notes DROP CONSTRAINT Nope"}},
         {"Constraint 'ToOrder' does not exist on table 'Orders'.",
          {"ALTER TABLE Orders DROP CONSTRAINT ToOrder"}},
         {inRelationship,
          {"DROP INDEX PrimaryKey ON Orders", "ALTER TABLE Orders DROP CONSTRAINT ByCustomer"}},
         {"Cannot delete table 'Notes'; it participates in one or more relationships.",
          {"DROP TABLE Notes"}}});

    // A second unique index on the same field lets the first one go.
    EXPECT_EQ(run(s, {"CREATE UNIQUE INDEX Again ON Orders (Customer)",
                      "DROP INDEX ByCustomer ON Orders", "ALTER TABLE Notes DROP CONSTRAINT ByName",
                      "ALTER TABLE Notes DROP CONSTRAINT toorder",
                      "DROP INDEX PrimaryKey ON Orders", "DROP TABLE Notes"}),
              "");
    EXPECT_TRUE(s.relationships.isEmpty());
    EXPECT_EQ(indexesOf(s, "Orders"), "Again+(Customer)");
}

TEST(Procedures, TakeTheirKindFromTheStatementAndKeepItAsAccessShowsIt) {
    Schema s = schemaOf(
        {kOrders,
         QStringLiteral("CREATE PROCEDURE [Add order] ([New Customer] Text ( 40 ), qty Long) AS\r\n"
                        "INSERT INTO Orders ( Customer, Qty )\r\nSELECT [New Customer], qty;\r\n"),
         "CREATE PROCEDURE Raise (pct IEEEDouble) AS UPDATE Orders SET Qty = Qty * pct",
         "create procedure Purge as DELETE * FROM Orders WHERE Qty = 0;",
         "CREATE PROCEDURE Copy AS SELECT * INTO [Orders copy] FROM Orders",
         QStringLiteral("CREATE PROCEDURE [By customer] ([Which] Value) AS SELECT * FROM Orders "
                        "WHERE ID IN (SELECT ID FROM Orders WHERE Customer = [Which])")});
    QStringList kinds;
    for (const Query& q : s.queries)
        kinds << q.name + ":" + QueryKindName(q.kind);
    EXPECT_EQ(kinds, QStringList({"Add order:APPEND", "Raise:UPDATE", "Purge:DELETE",
                                  "Copy:MAKE TABLE", "By customer:SELECT"}));
    const Query& add = s.queries[0];
    ASSERT_EQ(add.parameters.size(), 2);
    EXPECT_EQ(add.parameters[0].name, "[New Customer]");
    EXPECT_EQ(add.parameters[0].type, "Text ( 40 )");
    EXPECT_EQ(add.parameters[1].name, "qty");
    EXPECT_EQ(add.sql, "PARAMETERS [New Customer] Text ( 40 ), qty Long;\r\n"
                       "INSERT INTO Orders ( Customer, Qty )\r\nSELECT [New Customer], qty;\r\n");
    EXPECT_EQ(s.queries[2].sql, "DELETE * FROM Orders WHERE Qty = 0;\r\n");
    EXPECT_FALSE(s.queries[1].hidden);

    const QString notAProcedure = QStringLiteral(
        "A procedure holds one SELECT, SELECT ... INTO, INSERT INTO, UPDATE or DELETE statement; "
        "crosstab, union and data-definition statements cannot be one.");
    expectRefusals(
        s,
        {{"Table 'purge' already exists.",
          {"CREATE PROCEDURE purge AS DELETE * FROM Orders", "CREATE TABLE purge (x LONG)",
           "CREATE VIEW purge AS SELECT 1"}},
         {"Table 'Orders' already exists.", {"CREATE PROCEDURE Orders AS SELECT 1"}},
         {notAProcedure,
          {"CREATE PROCEDURE P AS TRANSFORM Count(ID) SELECT Qty FROM Orders GROUP BY Qty "
           "PIVOT Customer",
           "CREATE PROCEDURE P AS SELECT ID FROM Orders UNION SELECT Qty FROM Orders",
           "CREATE PROCEDURE P AS CREATE TABLE X (a LONG)",
           "CREATE PROCEDURE P AS PARAMETERS x Long; SELECT x"}},
         {"Syntax error in CREATE PROCEDURE statement.",
          {"CREATE PROCEDURE P AS", "CREATE PROCEDURE P SELECT 1", "CREATE PROCEDURE AS SELECT 1",
           "CREATE PROCEDURE P (x) AS SELECT x", "CREATE PROCEDURE P (x Whatever) AS SELECT x",
           "CREATE PROCEDURE P (x Long AS SELECT x", "CREATE PROCEDURE P (x COUNTER) AS SELECT x",
           "CREATE PROCEDURE P (x Text(256)) AS SELECT x",
           "CREATE PROCEDURE P AS SELECT 'unfinished"}},
         {"Duplicate parameter '[QTY]' in the procedure.",
          {"CREATE PROCEDURE P (qty Long, [QTY] Short) AS SELECT qty"}},
         {"Procedure 'Nope' does not exist.", {"DROP PROCEDURE Nope"}},
         {"Syntax error in DROP TABLE or DROP INDEX.", {"DROP PROCEDURE", "DROP PROCEDURE a b"}}});

    EXPECT_EQ(run(s, {"DROP PROCEDURE [PURGE];", "DROP TABLE Orders"}), "")
        << "a procedure does not hold its table";
    EXPECT_EQ(s.queries.size(), 4);
    EXPECT_EQ(s.findQuery("Purge"), nullptr);
}

TEST(Statements, OnlyDataDefinitionRuns) {
    // Six empty lines reach the database too.
    expectRefusals(schemaOf({kOrders}),
                   {{"'SELECT' cannot run against a schema snapshot, which holds no data; only "
                     "CREATE, DROP and ALTER statements can.",
                     {"SELECT * FROM Orders"}},
                    {"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                     "or 'UPDATE'.",
                     {"FROBNICATE Orders", "\r\n\r\n\r\n\r\n\r\n\r\n"}}});
}

// Jet matches names in any letter case, so a refusal must not depend on how the statement
// spells the name, and what is stored takes the spelling of the object it names.
TEST(Refusals, HoldWhicheverLetterCaseTheStatementSpellsANameIn) {
    Schema s = schemaOf({kOrders, kLines, "CREATE VIEW [Open] AS SELECT * FROM Orders",
                         "CREATE PROCEDURE Purge AS DELETE FROM Lines",
                         "CREATE TABLE Notes (ID LONG, orderid LONG)",
                         "ALTER TABLE notes ADD CONSTRAINT ToOrder FOREIGN KEY (ORDERID) "
                         "REFERENCES orders (id)"});
    ASSERT_EQ(s.relationships.size(), 2);
    ASSERT_EQ(s.relationships[1].columns.size(), 1);
    EXPECT_EQ(s.relationships[1].table, "Notes");
    EXPECT_EQ(s.relationships[1].columns[0].column, "orderid");
    EXPECT_EQ(s.relationships[1].columns[0].referencedColumn, "ID");
    const QString inRelationship = QStringLiteral(
        "Cannot delete this index or table. It is either the current index or is used in a "
        "relationship.");
    expectRefusals(
        s, {// Still in use, by an index or a relationship.
            {"Cannot delete field 'OrderID'; it is part of the index 'PK'. Drop the index first.",
             {"ALTER TABLE lines DROP COLUMN orderid", "ALTER TABLE LINES DROP ORDERID"}},
            {"Cannot delete field 'orderid'; it is part of one or more relationships.",
             {"ALTER TABLE NOTES DROP COLUMN OrderID"}},
            {"Cannot delete field 'ID'; it is part of the index 'PrimaryKey'. Drop the index "
             "first.",
             {"ALTER TABLE orders DROP id"}},
            {"Cannot delete table 'Orders'; it participates in one or more relationships.",
             {"DROP TABLE ORDERS", "DROP TABLE [orders]"}},
            {"Cannot delete table 'Notes'; it participates in one or more relationships.",
             {"DROP TABLE notes"}},
            {inRelationship,
             {"DROP INDEX primarykey ON orders", "ALTER TABLE ORDERS DROP CONSTRAINT PRIMARYKEY"}},
            // Taken already, in another letter case.
            {"Table 'oPEN' already exists.",
             {"CREATE TABLE oPEN (x LONG)", "CREATE VIEW oPEN AS SELECT 1",
              "CREATE PROCEDURE oPEN AS DELETE FROM Lines"}},
            {"Table 'PURGE' already exists.", {"CREATE TABLE PURGE (x LONG)"}},
            {"Field 'qty' already exists in table 'Orders'.",
             {"ALTER TABLE ORDERS ADD COLUMN qty LONG"}},
            {"Table 'Orders' already has an index named 'PRIMARYKEY'.",
             {"CREATE INDEX PRIMARYKEY ON orders (Qty)"}},
            {"Relationship 'TOORDER' already exists.",
             {"ALTER TABLE Notes ADD CONSTRAINT TOORDER FOREIGN KEY (ID) REFERENCES Orders"}}});

    EXPECT_EQ(run(s, {"CREATE UNIQUE INDEX ByNote ON notes (ORDERID DESC, id)",
                      "CREATE INDEX PrimaryKey ON NOTES (Id) WITH PRIMARY"}),
              "");
    EXPECT_EQ(indexesOf(s, "Notes"), "ByNote+(-orderid,ID) PrimaryKey!+(ID)")
        << "an index names its columns as the table does, as the file keeps them";
}
