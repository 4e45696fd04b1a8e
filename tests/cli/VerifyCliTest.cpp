#include "tests/cli/CliTestSupport.h"

#include "tests/support/TestPaths.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace vantor;
using namespace vantor::test;

namespace {

class VerifyCli : public CliTest {
protected:
    // Verifies both directions; the target files keep their bytes.
    void expectConverges(const QString& primary, const QString& secondary) {
        const QByteArray pri = ReadBytes(primary);
        const QByteArray sec = ReadBytes(secondary);
        for (const QString target : {"secondary", "primary"}) {
            CliOutcome r = RunCli({"verify", primary, secondary, "--target", target});
            EXPECT_EQ(r.code, 0) << target.toStdString() << "\n" << r.All().toStdString();
            EXPECT_TRUE(r.out.contains("Converged")) << r.out.toStdString();
        }
        EXPECT_EQ(ReadBytes(primary), pri);
        EXPECT_EQ(ReadBytes(secondary), sec);
    }
};

} // namespace

TEST_F(VerifyCli, ConvergesForTheExamplePair) {
    const QString dir = QDir(SourceDir()).filePath("examples");
    const QString v1 = QDir(dir).filePath("orders-v1.json");
    const QString v2 = QDir(dir).filePath("orders-v2.json");
    if (!QFile::exists(v1) || !QFile::exists(v2))
        GTEST_SKIP() << "the example snapshots are not there yet";
    EXPECT_EQ(RunCli({"compare", v1, v2}).code, 1);
    expectConverges(v1, v2);
}

TEST_F(VerifyCli, ConvergesForPairsOfRealAccessFiles) {
    const QString v2003 = AccessFile("testV2003.mdb");
    if (v2003.isEmpty())
        GTEST_SKIP() << "no Access test files";
    expectConverges(v2003, AccessFile("testV2007.accdb"));
    // These two differ (a table only one of them has).
    EXPECT_EQ(
        RunCli({"compare", AccessFile("queryTestV2003.mdb"), AccessFile("queryTestV2007.accdb")})
            .code,
        1);
    expectConverges(AccessFile("queryTestV2003.mdb"), AccessFile("queryTestV2007.accdb"));
    // Tables with indexes and relationships in the way of the drops.
    expectConverges(AccessFile("indexTestV2000.mdb"), AccessFile("compIndexTestV2000.mdb"));
}

TEST_F(VerifyCli, ListsWhatDidNotConvergeAndWhy) {
    // Names stand in brackets unescaped, so a column named with a "]" cannot be added.
    DbSchema a, b, c;
    c.tables = {Table("T", {Col("a", 3), Col("bad]name", 3)})};
    b.tables = {Table("T", {Col("a", 3)})};
    CliOutcome failed =
        RunCli({"verify", Write("c.json", c), Write("b.json", b), "--target", "secondary"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(
        failed.out.contains("Batch 1 (lines 1-3) failed: Syntax error in field definition."))
        << failed.out.toStdString();

    a.tables = {Table("People", {Col("Name", 130, 20), Col("Age", 2)})};
    b.tables = {Table("People", {Col("NAME", 130, 20)})};
    const QString pa = Write("a.json", a);
    const QString pb = Write("b.json", b);
    CliOutcome r = RunCli({"verify", pa, pb, "--target", "secondary"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("Not converged: 1 of 1 tables and views still differ."));
    EXPECT_TRUE(r.out.contains("TABLE [People] different:")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("only in letter case")) << r.out.toStdString();

    CliOutcome json = RunCli({"verify", pa, pb, "--target", "secondary", "--format", "json"});
    EXPECT_EQ(json.code, 1);
    QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_FALSE(root["converged"].toBool());
    EXPECT_TRUE(root["objects"].toArray()[0].toObject()["reason"].toString().contains("letter"));
}
