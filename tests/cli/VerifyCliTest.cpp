#include "engine/Source.h"
#include "tests/cli/CliTestSupport.h"
#include "tests/support/Found.h"
#include "tests/support/PrivateTemp.h"

#include <QDir>
#include <QFile>
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

namespace {

class VerifyOnCopyCli : public CliTest {
protected:
    // A writable copy of a shared real file in the test's folder.
    QString Copy(const QString& name, const QString& as) {
        const QString path = WriteText(as, FileBytes(SharedAccessFile(name)));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    // The names in the test's folder and the copies any run left in the temporary folder.
    QStringList FilesLeft() const {
        return QDir(Path(".")).entryList(QDir::Files | QDir::Hidden) +
               QDir::temp().entryList({"vantor-copy-*"}, QDir::AllEntries | QDir::Hidden);
    }

    PrivateTempFolder temp_;
};

} // namespace

// A table with its indexes created in one direction and dropped in the other: the writer's copy,
// read back, converges, and neither file changes.
TEST_F(VerifyOnCopyCli, ARealPairConvergesOnACopyOfTheTargetBothWays) {
    REQUIRE_SHARED_FILE(users, "fixedTextTestV2000.mdb");
    const QString primary = Copy("fixedTextTestV2000.mdb", "users.mdb");
    const QString secondary = Copy("empty2003.mdb", "empty.mdb");
    const QStringList before = FilesLeft();
    const QByteArray pri = FileBytes(primary);
    const QByteArray sec = FileBytes(secondary);
    CliOutcome r = RunCli({"verify", primary, secondary, "--target", "secondary", "--on-copy"});
    EXPECT_EQ(r.code, 0) << r.All().toStdString();
    EXPECT_TRUE(r.out.contains("Script for the secondary database: 8 batches, 7 executed on a "
                               "copy of " +
                               secondary + ".\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Converged: all 7 objects are equal after the script.\n"))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("Running the script on the copy and proving the result."))
        << r.err.toStdString();

    CliOutcome back = RunCli(
        {"verify", primary, secondary, "--target", "primary", "--on-copy", "--format", "json"});
    EXPECT_EQ(back.code, 0) << back.All().toStdString();
    const QJsonObject root = QJsonDocument::fromJson(back.out.toUtf8()).object();
    EXPECT_TRUE(root["converged"].toBool());
    EXPECT_TRUE(root["onCopy"].toBool());
    EXPECT_EQ(root["executed"].toInt(), 1);

    EXPECT_EQ(FileBytes(primary), pri);
    EXPECT_EQ(FileBytes(secondary), sec);
    EXPECT_EQ(FilesLeft(), before);
}

// A script that stops where the writer cannot go yet is refused before anything is written; so
// is a target the writer never writes and a target that is no Access file at all.
TEST_F(VerifyOnCopyCli, WhatTheWriterCannotRunIsRefusedWithTheReason) {
    REQUIRE_SHARED_FILE(dates, "extDateTestV2019.accdb");
    const QString primary = Copy("extDateTestV2019.accdb", "dates.accdb");
    const QString secondary = Copy("empty2019.accdb", "empty.accdb");
    const QString jet3 = Copy("testV1997.mdb", "old.mdb");
    const QStringList before = FilesLeft();
    const QByteArray sec = FileBytes(secondary);
    const QByteArray old = FileBytes(jet3);

    CliOutcome r = RunCli({"verify", primary, secondary, "--target", "secondary", "--on-copy"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("'" + secondary +
                               "': Batch 1 (lines 1-8) cannot be run on an "
                               "Access file, so nothing was run: Vantor cannot create the column "
                               "'DateExt'"))
        << r.err.toStdString();
    EXPECT_FALSE(r.All().contains("vantor-copy-")) << "messages name the file, not the copy";
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();

    CliOutcome onJet3 = RunCli({"verify", primary, jet3, "--target", "secondary", "--on-copy"});
    EXPECT_EQ(onJet3.code, 2);
    EXPECT_TRUE(onJet3.err.contains("Vantor cannot change '" + jet3 +
                                    "', so it cannot try the script on a copy of it: Vantor "
                                    "writes Access 2000 and later files only"))
        << onJet3.err.toStdString();

    const QDir examples(QDir(SourceDir()).filePath("examples"));
    CliOutcome onSnapshot =
        RunCli({"verify", examples.filePath("orders-v1.json"), examples.filePath("orders-v2.json"),
                "--target", "secondary", "--on-copy"});
    EXPECT_EQ(onSnapshot.code, 2);
    EXPECT_TRUE(onSnapshot.err.contains("verify it without --on-copy"))
        << onSnapshot.err.toStdString();

    EXPECT_EQ(FileBytes(secondary), sec);
    EXPECT_EQ(FileBytes(jet3), old);
    EXPECT_EQ(FilesLeft(), before);
}

// The file is only read, so one marked read-only, in a folder that cannot be written, is tried
// all the same, and nothing is left beside it.
TEST_F(VerifyOnCopyCli, AFileMarkedReadOnlyInAFolderThatCannotBeWrittenIsStillTried) {
    REQUIRE_SHARED_FILE(users, "fixedTextTestV2000.mdb");
    const QString primary = Copy("fixedTextTestV2000.mdb", "users.mdb");
    QDir(Path(".")).mkdir("shelf");
    const QString secondary = Copy("empty2003.mdb", "shelf/empty.mdb");
    QFile::setPermissions(secondary, QFile::ReadOwner);
    QFile::setPermissions(Path("shelf"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray sec = FileBytes(secondary);
    CliOutcome r = RunCli({"verify", primary, secondary, "--target", "secondary", "--on-copy"});
    QFile::setPermissions(Path("shelf"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(r.code, 0) << r.All().toStdString();
    EXPECT_TRUE(r.out.contains("Converged")) << r.out.toStdString();
    EXPECT_EQ(FileBytes(secondary), sec);
    EXPECT_EQ(QDir(Path("shelf")).entryList(QDir::Files | QDir::Hidden), QStringList{"empty.mdb"});
}
