#include "tests/cli/CliTestSupport.h"

#include "engine/SnapshotJson.h"

#include <QFile>

using namespace vantor;
using namespace vantor::test;

namespace {

class ScriptCli : public CliTest {};
class RunCli_ : public CliTest {};
class SnapshotCli : public CliTest {};

} // namespace

TEST_F(ScriptCli, SecondaryScriptFollowsTheScriptConventionsAndRunsInOrder) {
    CliOutcome r = RunCli({"script", ShopV1(), ShopV2(), "--target", "secondary"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString s = r.out;
    // Every line ends in CR LF, and a GO line ends the script.
    EXPECT_EQ(s.count("\n"), s.count("\r\n"));
    EXPECT_TRUE(s.endsWith("GO\r\n"));
    // The reading view goes before the view it reads; both before any table changes; the
    // relationship before its table; views come back after the tables.
    qsizetype last = -1;
    for (const char* step :
         {"DROP VIEW [Big Customers]", "DROP VIEW [Open Orders]",
          "DROP CONSTRAINT [OrdersStock Movements]", "DROP TABLE [Stock Movements]",
          "ALTER TABLE [Customers]", "CREATE TABLE [Shippers]", "CREATE VIEW [Open Orders]",
          "CREATE VIEW [Big Customers]"}) {
        const qsizetype at = s.indexOf(QString::fromUtf8(step));
        EXPECT_GT(at, last) << step;
        last = at;
    }
    EXPECT_TRUE(s.contains("   [Umsätze]"));

    CliOutcome one = RunCli({"script", Path("shop-v1.json"), Path("shop-v2.json"), "--target",
                             "primary", "--object", "stock movements"});
    EXPECT_EQ(one.out, "CREATE TABLE [Stock Movements]\r\n(   [MovementID] INTEGER,\r\n"
                       "   [OrderID] INTEGER\r\n)\r\nGO\r\n");
    CliOutcome unknown = RunCli({"script", Path("shop-v1.json"), Path("shop-v2.json"), "--target",
                                 "primary", "--object", "Nope"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(unknown.err.contains("'Nope'"));
}

TEST_F(RunCli_, StopsAtTheFirstFailingBatchAndReportsItsLines) {
    DbSchema empty;
    const QString db = Write("target.json", empty);
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
    DbSchema after = ReadSnapshotJson(ReadBytes(db), db);
    QStringList names;
    for (const SchemaTable& t : after.tables)
        names << t.name;
    EXPECT_EQ(names, QStringList({"One", "Two"}));

    CliOutcome json =
        RunCli({"run", WriteText("ok.sql", "DROP TABLE [Two]"), "--on", db, "--format", "json"});
    EXPECT_EQ(json.code, 0);
    EXPECT_TRUE(json.out.contains("\"succeeded\": true"));
    EXPECT_EQ(RunCli({"run", Path("missing.sql"), "--on", db}).code, 2);
    EXPECT_EQ(RunCli({"run", script}).code, 2);
}

TEST_F(RunCli_, AccessFilesAreReadOnlyAndLeftUntouched) {
    const QString source = AccessFile("testV2003.mdb");
    if (source.isEmpty())
        GTEST_SKIP() << "no Access test files";
    const QString copy = Path("copy.mdb");
    ASSERT_TRUE(QFile::copy(source, copy));
    const QByteArray before = ReadBytes(copy);
    CliOutcome r =
        RunCli({"run", WriteText("s.sql", "DROP TABLE [Table1]\r\nGO\r\n"), "--on", copy});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("Batch 1 (line 1) failed: ")) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(copy), before);
}

TEST_F(SnapshotCli, ASnapshotComparesEqualToItsDatabase) {
    const QString v2 = ShopV2();
    CliOutcome r = RunCli({"snapshot", v2, "-o", Path("copy.json")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(RunCli({"compare", v2, Path("copy.json"), "--all"}).code, 0);
    // Relationships and indexes travel with the snapshot too.
    EXPECT_TRUE(ReadBytes(Path("copy.json")).contains("OrdersStock Movements"));

    const QString access = AccessFile("queryTestV2007.accdb");
    if (access.isEmpty())
        GTEST_SKIP() << "no Access test files";
    ASSERT_EQ(RunCli({"snapshot", access, "-o", Path("access.json")}).code, 0);
    CliOutcome same = RunCli({"compare", access, Path("access.json"), "--all"});
    EXPECT_EQ(same.code, 0) << same.out.toStdString();
    EXPECT_EQ(RunCli({"snapshot", Path("nothing.accdb"), "-o", Path("x.json")}).code, 2);
    EXPECT_FALSE(QFile::exists(Path("x.json")));
}
