#include "engine/access/ScriptRunProof.h"

#include "engine/snapshot/JetDdl.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema schemaOf(const QStringList& statements) {
    Schema schema;
    for (const QString& s : statements)
        ApplyJetDdl(schema, s);
    return schema;
}

QList<AccessBatch> batchesOf(const QStringList& texts) {
    QList<AccessBatch> out;
    for (const QString& t : texts)
        out << AccessBatch{t, QStringLiteral("Batch %1").arg(out.size() + 1)};
    return out;
}

QList<DdlStatement> parsed(const QList<AccessBatch>& batches) {
    return CheckBatchesWritable(batches, [](const DdlStatement&) { return std::nullopt; });
}

TableRowDigest rows(const QString& table, qint64 count, char fill) {
    return {table, count, QByteArray(64, fill)};
}

const QStringList kShop = {"CREATE TABLE Customers (Id INTEGER PRIMARY KEY, Name TEXT(50))",
                           "CREATE TABLE Orders (Id INTEGER, CustomerId INTEGER)",
                           "CREATE TABLE Notes (Id INTEGER)"};

} // namespace

// The writer's verdict and the parser both stop the script before anything is written, and the
// message names the batch as the user counts it.
TEST(ScriptRunChecks, AnUnreadableOrUnwritableBatchRefusesTheWholeScript) {
    const QList<AccessBatch> batches =
        batchesOf({"CREATE TABLE A (x INTEGER)", "CREATE PROCEDURE P AS SELECT 1",
                   "CREATE TABLE B (x INTEGER)"});
    const Error refused = ErrorOf([&] {
        CheckBatchesWritable(batches, [](const DdlStatement& s) -> std::optional<QString> {
            if (std::holds_alternative<CreateProcedureStmt>(s))
                return QStringLiteral("saved queries are not written yet");
            return std::nullopt;
        });
    });
    EXPECT_EQ(refused.description(), "Batch 2 cannot be run on an Access file, so nothing was "
                                     "run: saved queries are not written yet");

    const Error unreadable = ErrorOf([] {
        parsed(batchesOf({"CREATE TABLE A (x INTEGER)", "CREATE TABLE"}));
    });
    EXPECT_TRUE(unreadable.description().startsWith("Batch 2 cannot be read, so nothing was run: "))
        << unreadable.description().toStdString();
    EXPECT_EQ(unreadable.code(), ErrorCode::SyntaxError);

    EXPECT_EQ(parsed(batchesOf({"CREATE TABLE A (x INTEGER)", "DROP TABLE A"})).size(), 2);
}

// The in-memory copy decides how far the script goes: a batch it fails on is reported with
// Jet's words and nothing after it is sent.
TEST(ScriptRunChecks, PredictionStopsAtTheFirstBatchTheCopyRefuses) {
    const Schema original = schemaOf(kShop);
    const QList<AccessBatch> batches = batchesOf(
        {"CREATE INDEX ByName ON Customers (Name)", "DROP TABLE Nowhere", "DROP TABLE Notes"});
    const PredictedRun run = PredictRun(original, batches, parsed(batches));
    EXPECT_EQ(run.runnable, 1);
    ASSERT_TRUE(run.failure.has_value());
    EXPECT_EQ(run.failure->batch, 1);
    EXPECT_TRUE(run.failure->description.contains("Nowhere"))
        << run.failure->description.toStdString();

    const Schema after = PredictedSchema(original, batches, run.runnable);
    const Table* customers = after.findTable("Customers");
    ASSERT_NE(customers, nullptr);
    EXPECT_EQ(customers->indexes.size(), original.findTable("Customers")->indexes.size() + 1);
    EXPECT_NE(after.findTable("Notes"), nullptr);

    const QList<AccessBatch> clean = batchesOf({"DROP TABLE Notes"});
    const PredictedRun whole = PredictRun(original, clean, parsed(clean));
    EXPECT_EQ(whole.runnable, 1);
    EXPECT_FALSE(whole.failure.has_value());
}

// A view or procedure is predicted with the SQL Access shows for the rows it is stored as, so
// that a hand-written statement is compared with what the reader reads back, not as typed; a
// select procedure without parameters reads back as a view, and SQL that cannot be stored stays
// as written (the writer refuses it before the prediction matters).
TEST(ScriptRunChecks, SavedQueriesArePredictedAsAccessShowsThem) {
    const Schema original = schemaOf(kShop);
    const QString createRename =
        QStringLiteral("CREATE PROCEDURE Rename (NewName TEXT(50), Which LONG) "
                       "AS UPDATE Customers SET Name = NewName WHERE Id = Which");
    const QList<AccessBatch> batches =
        batchesOf({"CREATE VIEW Named AS SELECT Name FROM Customers WHERE Id > 2",
                   "CREATE PROCEDURE Everyone AS SELECT * FROM Customers", createRename,
                   "CREATE PROCEDURE Odd AS INSERT INTO Notes ( Id, Name ) SELECT Id FROM Orders",
                   "CREATE VIEW [~sq_fForm] AS SELECT Id FROM Notes",
                   // The interpreter keeps a select procedure as a procedure while the script runs.
                   "CREATE PROCEDURE Short AS SELECT Id FROM Notes", "DROP PROCEDURE Short",
                   "CREATE PROCEDURE Short AS SELECT Id FROM Orders",
                   "CREATE PROCEDURE Once AS SELECT Id FROM Notes", "DROP PROCEDURE Once"});
    const Schema after = PredictedSchema(original, batches, static_cast<qint32>(batches.size()));
    const View* named = after.findView("Named");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->definition, "SELECT Name\r\nFROM Customers\r\nWHERE Id > 2;\r\n");
    const View* everyone = after.findView("Everyone");
    ASSERT_NE(everyone, nullptr);
    EXPECT_EQ(everyone->definition, "SELECT *\r\nFROM Customers;\r\n");
    EXPECT_EQ(after.findQuery("Everyone"), nullptr);
    const Query* rename = after.findQuery("Rename");
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(rename->sql, "PARAMETERS NewName Text ( 50 ), Which Long;\r\nUPDATE Customers SET "
                           "Name = NewName\r\nWHERE Id = Which;\r\n");
    ASSERT_EQ(rename->parameters.size(), 2);
    EXPECT_EQ(rename->parameters[1].type, "Long");
    const Query* odd = after.findQuery("Odd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->sql, "INSERT INTO Notes ( Id, Name ) SELECT Id FROM Orders;\r\n");
    // The reader hides a form's record source by its name.
    const View* formSource = after.findView("~sq_fForm");
    ASSERT_NE(formSource, nullptr);
    EXPECT_TRUE(formSource->hidden);
    EXPECT_FALSE(named->hidden);
    const View* shortView = after.findView("Short");
    ASSERT_NE(shortView, nullptr);
    EXPECT_EQ(shortView->definition, "SELECT Id\r\nFROM Orders;\r\n");
    EXPECT_EQ(after.findView("Once"), nullptr);
    EXPECT_EQ(after.findQuery("Once"), nullptr);
}

// A linked table's definition lives in another file: changing it, or relating to it, is refused
// before anything is written, even when an earlier batch of the script is fine.
TEST(ScriptRunChecks, StatementsOnLinkedTablesAreRefused) {
    Schema original = schemaOf(kShop);
    Table link{"Remote", ObjectKind::Link, {}, {}};
    Column id;
    id.name = "Id";
    id.dataType = 3;
    link.columns << id;
    link.linkedDatabase = "/elsewhere/other.mdb";
    original.tables << link;
    const QStringList aimedAtLink = {"CREATE INDEX ById ON Remote (Id)",
                                     "ALTER TABLE Remote ADD COLUMN Extra INTEGER",
                                     "DROP TABLE Remote",
                                     "ALTER TABLE Orders ADD CONSTRAINT ToRemote FOREIGN KEY (Id) "
                                     "REFERENCES Remote (Id)"};
    for (const QString& text : aimedAtLink) {
        const QList<AccessBatch> batches = batchesOf({"DROP TABLE Notes", text});
        const Error e = ErrorOf([&] { PredictRun(original, batches, parsed(batches)); });
        EXPECT_EQ(e.description(), "Batch 2 changes the linked table 'Remote', whose definition "
                                   "lives in another database; nothing was run.")
            << text.toStdString();
    }
}

// Which tables may hold other rows afterwards: only those whose columns changed, or that were
// made or dropped; a table dropped and made again counts as new.
TEST(ScriptRunProof, RowEffectsFollowTheStatementsInOrder) {
    const QList<AccessBatch> batches = batchesOf(
        {"CREATE INDEX ByName ON Customers (Name)", "ALTER TABLE Orders ADD COLUMN Due DATETIME",
         "ALTER TABLE Customers ADD CONSTRAINT U UNIQUE (Name)", "DROP TABLE Notes",
         "CREATE TABLE Notes (Id INTEGER)", "CREATE TABLE Temp (Id INTEGER)", "DROP TABLE Temp",
         "ALTER TABLE Orders DROP COLUMN Due"});
    const RowEffects effects = RowEffectsOf(parsed(batches));
    EXPECT_EQ(effects.changed,
              (QSet<QString>{FoldKey("Orders"), FoldKey("Notes"), FoldKey("Temp")}));
    EXPECT_EQ(effects.created, QSet<QString>{FoldKey("Notes")});
}

// The proof accepts a copy that is exactly what the statements make, and names every way in
// which one is not.
TEST(ScriptRunProof, EveryDifferenceOfSchemaOrRowsIsNamed) {
    const Schema original = schemaOf(kShop);
    const QList<AccessBatch> batches = batchesOf(
        {"ALTER TABLE Orders ADD COLUMN Due DATETIME", "CREATE TABLE Fresh (Id INTEGER)"});
    const Schema predicted = PredictedSchema(original, batches, 2);
    const RowEffects effects = RowEffectsOf(parsed(batches));
    const QList<TableRowDigest> before = {rows("Customers", 3, 'a'), rows("Orders", 5, 'b'),
                                          rows("Notes", 0, 'c')};
    const QList<TableRowDigest> sound = {rows("Customers", 3, 'a'), rows("Orders", 5, 'x'),
                                         rows("Notes", 0, 'c'), rows("Fresh", 0, 'd')};
    EXPECT_EQ(WhatDiffers(predicted, predicted, effects, before, sound), QStringList());

    // The writer lost the new column and touched a table the script left alone.
    Schema written = predicted;
    written.findTable("Orders")->columns.removeLast();
    QList<TableRowDigest> after = sound;
    after[0] = rows("Customers", 3, 'z');
    EXPECT_EQ(WhatDiffers(predicted, written, effects, before, after),
              (QStringList{"table 'Orders' differs from what the script makes",
                           "the rows of table 'Customers' changed"}));

    // Rows lost from a table whose columns changed, rows in a new table, a table not found.
    after = {rows("Customers", 3, 'a'), rows("Orders", 4, 'x'), rows("Fresh", 2, 'd')};
    EXPECT_EQ(WhatDiffers(predicted, predicted, effects, before, after),
              (QStringList{"table 'Orders' holds 4 rows instead of 5",
                           "the rows of table 'Notes' cannot be found",
                           "the new table 'Fresh' holds 2 rows instead of none"}));

    // A table the copy has that the script never made.
    Schema extra = predicted;
    Table stray = *predicted.findTable("Notes");
    stray.name = "Stray";
    extra.tables << stray;
    const QStringList differences = WhatDiffers(predicted, extra, effects, before, sound);
    ASSERT_EQ(differences.size(), 1);
    EXPECT_EQ(differences[0], "table 'Stray' should not be there");
}
