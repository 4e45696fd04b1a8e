#include "tests/cli/CliTestSupport.h"

#include "engine/SnapshotJson.h"

using namespace vantor;
using namespace vantor::test;

using ScriptCli = CliTest;
using RunCli_ = CliTest;
using SnapshotCli = CliTest;

// The order of the steps is the sync script's test; here what the command writes of them.
TEST_F(ScriptCli, ScriptsForAllOrOneObjectAreWrittenWithCrLfAndGoLines) {
    const QString v1 = ShopV1(), v2 = ShopV2();
    CliOutcome r = RunCli({"script", v1, v2, "--target", "secondary"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count("\n"), r.out.count("\r\n"));
    EXPECT_TRUE(r.out.startsWith("-- Data loss: 3 batches of the script destroy data"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("\r\nDROP VIEW [Big Customers]\r\nGO\r\n"));
    EXPECT_TRUE(r.err.contains("warning: 3 batches of the script destroy data"))
        << r.err.toStdString();
    EXPECT_TRUE(r.out.endsWith("GO\r\n"));
    EXPECT_TRUE(r.out.contains("   [Umsätze]"));

    CliOutcome one =
        RunCli({"script", v1, v2, "--target", "primary", "--object", "stock movements"});
    EXPECT_EQ(one.out, "CREATE TABLE [Stock Movements]\r\n(   [MovementID] INTEGER,\r\n"
                       "   [OrderID] INTEGER\r\n)\r\nGO\r\n");
    CliOutcome unknown = RunCli({"script", v1, v2, "--target", "primary", "--object", "Nope"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains("'Nope'"));
}

// That an Access file refuses every statement and stays untouched is the back end's test.
TEST_F(RunCli_, StopsAtTheFirstFailingBatchAndReportsItsLines) {
    const QString db = Write("target.json", Schema());
    const QString script = WriteText("s.sql", "CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\n"
                                              "go  \r\n"
                                              "CREATE TABLE [Two] ([a] INTEGER)\r\nGO\r\n"
                                              "CREATE TABLE [One]\r\n([b] INTEGER)\r\nGO\r\n"
                                              "CREATE TABLE [Three] ([a] INTEGER)\r\nGO\r\n");
    CliOutcome r = RunCli({"run", script, "--on", db});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.contains("batch 1, line 1: executed"));
    EXPECT_TRUE(r.out.contains("batch 2, no lines: skipped"));
    EXPECT_TRUE(r.out.contains("batch 3, line 4: executed"));
    EXPECT_TRUE(r.err.contains("Batch 4 (lines 6-7) failed: Table 'One' already exists."))
        << r.err.toStdString();
    QStringList names;
    for (const Table& t : ReadSnapshotJson(FileBytes(db), db).tables)
        names << t.name;
    EXPECT_EQ(names, QStringList({"One", "Two"}));

    CliOutcome json =
        RunCli({"run", WriteText("ok.sql", "DROP TABLE [Two]"), "--on", db, "--format", "json"});
    EXPECT_EQ(json.code, 0);
    EXPECT_TRUE(json.out.contains("\"succeeded\": true"));
    EXPECT_EQ(RunCli({"run", Path("missing.sql"), "--on", db}).code, 2);
    EXPECT_EQ(RunCli({"run", script}).code, 2);
}

// An Access file the writer refuses is left byte for byte as it was, with nothing beside it, and
// the command fails with the reason; a missing one fails as Jet does.
TEST_F(RunCli_, AnAccessFileIsChangedOnlyWhenItCanBeSafely) {
    REQUIRE_SHARED_FILE(jet3, "testV1997.mdb");
    const QString db = WriteText("site.mdb", FileBytes(jet3));
    const QString script = WriteText("s.sql", "CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\n");
    for (const QStringList& extra :
         {QStringList(), QStringList{"--no-backup"}, QStringList{"--format", "json"}}) {
        CliOutcome r = RunCli(QStringList{"run", script, "--on", db} + extra);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("Vantor cannot change '" + db + "'; nothing was written"))
            << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    EXPECT_EQ(FileBytes(db), FileBytes(jet3));
    EXPECT_EQ(QDir(QFileInfo(db).absolutePath()).entryList({"*site*"}, QDir::Files | QDir::Hidden),
              QStringList{"site.mdb"});
    CliOutcome missing = RunCli({"run", script, "--on", Path("nowhere.mdb")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("nowhere.mdb")) << missing.err.toStdString();
}

// Every real Access file's snapshot is the comparison test's; here a snapshot's own extras.
TEST_F(SnapshotCli, ASnapshotComparesEqualToItsDatabaseAndKeepsItsRelationships) {
    const QString v2 = ShopV2();
    CliOutcome r = RunCli({"snapshot", v2, "-o", Path("copy.json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(RunCli({"compare", v2, Path("copy.json"), "--all"}).code, 0);
    EXPECT_TRUE(FileBytes(Path("copy.json")).contains("OrdersStock Movements"));
}
