#include "engine/Source.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/Found.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace vantor;
using namespace vantor::test;

namespace {

class VerifyCli : public CliTest {
protected:
    // Verifies both directions of a pair that differs; the files keep their bytes.
    void expectConverges(const QString& primary, const QString& secondary,
                         const QStringList& options = {},
                         const QStringList& targets = {"secondary", "primary"}) {
        SCOPED_TRACE(primary.toStdString() + " " + secondary.toStdString());
        const QByteArray pri = FileBytes(primary);
        const QByteArray sec = FileBytes(secondary);
        EXPECT_EQ(RunCli(QStringList{"compare", primary, secondary} + options).code, 1);
        for (const QString& target : targets) {
            CliOutcome r =
                RunCli(QStringList{"verify", primary, secondary, "--target", target} + options);
            EXPECT_EQ(r.code, 0) << target.toStdString() << "\n" << r.All().toStdString();
            EXPECT_TRUE(r.out.contains("Converged")) << r.out.toStdString();
        }
        EXPECT_EQ(FileBytes(primary), pri);
        EXPECT_EQ(FileBytes(secondary), sec);
    }
};

} // namespace

// The newer version's description of a field is Access's to set: the older version reaches
// everything else, and says so.
TEST_F(VerifyCli, ConvergesForTheExamplePair) {
    const QDir examples(QDir(SourceDir()).filePath("examples"));
    const QString older = examples.filePath("orders-v1.json");
    const QString newer = examples.filePath("orders-v2.json");
    expectConverges(older, newer, {}, {"secondary"});
    CliOutcome r = RunCli({"verify", older, newer, "--target", "primary"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("Not converged: 1 of 23 objects still differ.\n"
                               "  PROPERTIES [Stock Movements (properties)] different: set the "
                               "Description of field [Entrepôt] to \"Warehouse the goods left or "
                               "entered.\" in the design of table [Stock Movements] in Access."))
        << r.out.toStdString();
    expectConverges(older, newer, {"--kinds", "tables,views,indexes,relationships,queries"});
}

TEST_F(VerifyCli, ConvergesForPairsOfRealAccessFiles) {
    REQUIRE_SHARED_FILE(queries2003, "queryTestV2003.mdb");
    expectConverges(queries2003, SharedAccessFile("queryTestV2007.accdb"));
    // Tables with indexes and relationships in the way of the drops; the fields' Allow Zero
    // Length is Access's to set.
    expectConverges(SharedAccessFile("indexTestV2000.mdb"),
                    SharedAccessFile("compIndexTestV2000.mdb"),
                    {"--kinds", "tables,views,indexes,relationships"});
}

TEST_F(VerifyCli, ListsWhatDidNotConvergeAndWhy) {
    // Names stand in brackets unescaped, so a column named with a "]" cannot be added.
    SchemaPair bracket;
    bracket.pri("T").Column("a", 3).Column("bad]name", 3);
    bracket.sec("T").Column("a", 3);
    CliOutcome failed = RunCli({"verify", Write("c.json", bracket.primary),
                                Write("b.json", bracket.secondary), "--target", "secondary"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(failed.out.contains("Batch 1 (lines 1-3) failed")) << failed.out.toStdString();

    SchemaPair cased;
    cased.pri("People").Column("Name", 130, 20).Column("Age", 2);
    cased.sec("People").Column("NAME", 130, 20);
    const QString pa = Write("a.json", cased.primary);
    const QString pb = Write("b.json", cased.secondary);
    CliOutcome r = RunCli({"verify", pa, pb, "--target", "secondary"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("Not converged: 1 of 1 objects still differ."));
    EXPECT_TRUE(r.out.contains("TABLE [People] different:")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("only in letter case")) << r.out.toStdString();

    CliOutcome json = RunCli({"verify", pa, pb, "--target", "secondary", "--format", "json"});
    EXPECT_EQ(json.code, 1);
    QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_FALSE(root["converged"].toBool());
    EXPECT_TRUE(root["objects"].toArray()[0].toObject()["reason"].toString().contains("letter"));
}

// A snapshot of a real file with an index and a relationship changed and an action query added:
// the comparison names exactly those, and the script for the copy takes them back.
TEST_F(VerifyCli, ChangesToASnapshotOfARealFileAreExactlyTheDifferencesVerifyTakesBack) {
    REQUIRE_SHARED_FILE(keys, "indexTestV2000.mdb");
    Schema changed = OpenDatabaseFile({keys, {}, {}})->schema();
    FOUND(changed.findTable("Table1")).indexes[0].ignoreNulls = true;
    // The file's relationships include those of Access's navigation tables.
    for (Relationship& relationship : changed.relationships)
        if (relationship.name == "Table3Table1")
            relationship.cascadeDelete = true;
    changed.queries = {{"Purge", QueryKind::Delete, "DELETE * FROM Table1;\r\n"}};
    const QString copy = Write("copy.json", changed);
    CliOutcome r = RunCli({"compare", keys, copy});
    EXPECT_EQ(r.code, 1);
    for (const char* line :
         {"\nPurge +QUERY +only in secondary\n", "\nTable1.id +INDEX +different\n",
          "\nTable1.Table3Table1 +RELATIONSHIP +different\n",
          " objects: [0-9]+ equal, 2 different, 1 only in secondary\n$"})
        EXPECT_TRUE(r.out.contains(QRegularExpression(line))) << line << "\n"
                                                              << r.out.toStdString();
    r = RunCli({"verify", keys, copy, "--target", "secondary"});
    EXPECT_EQ(r.code, 0) << r.All().toStdString();
    EXPECT_EQ(FileBytes(copy), FileBytes(Write("again.json", changed))) << "verify works on a copy";
}
