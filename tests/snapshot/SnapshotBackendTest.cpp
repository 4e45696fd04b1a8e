#include "engine/SchemaRowsets.h"
#include "engine/SnapshotJson.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/SnapshotExport.h"
#include "engine/snapshot/SnapshotFile.h"
#include "model/VantorError.h"
#include "tests/snapshot/SnapshotTestSupport.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

DbSchema sample() {
    DbSchema s;
    for (const char* sql : {"CREATE TABLE Products (ID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
                            "Name TEXT(40))",
                            "CREATE TABLE archive (ID COUNTER NOT NULL)",
                            "CREATE VIEW Cheap AS SELECT *\r\nFROM Products;\r\n\r\n"})
        ApplyJetDdl(s, sql);
    s.tables.append(SchemaTable{"MSysObjects", "SYSTEM TABLE", {}, {}});
    return s;
}

class SnapshotBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("shop.json");
        WriteBytes(path, WriteSnapshotJson(sample()));
    }
    void TearDown() override { SetWriteFaultHookForTesting(nullptr); }

    QStringList folderEntries() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(SnapshotBackendTest, OpensForAnyAccountAndServesRowsetsInJetsOrder) {
    auto cn = OpenDatabase(path, "anybody");
    EXPECT_EQ(RowsetColumn(*cn, adSchemaTables, "TABLE_NAME"),
              QStringList({"MSysObjects", "archive", "Products", "Cheap"}));
    EXPECT_EQ(RowsetColumn(*cn, adSchemaColumns, "COLUMN_NAME", {{}, {}, "products", {}}),
              QStringList({"ID", "Name"}));
    EXPECT_EQ(RowsetColumn(*cn, adSchemaViews, "VIEW_DEFINITION"),
              QStringList({"SELECT *\r\nFROM Products;\r\n"}));
    EXPECT_EQ(ReadBytes(path), WriteSnapshotJson(sample())) << "reading never writes";

    // Any account opens a snapshot, but only without a password.
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(path, "Admin", "secret"); }),
              "Not a valid account name or password.");
    QString missing = dir.filePath("missing.json");
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(missing); }),
              QStringLiteral("Could not find file '%1'.").arg(missing));
}

TEST_F(SnapshotBackendTest, MalformedFileFailsToOpenNamingLineAndColumn) {
    QByteArray broken =
        "{\n  \"format\": \"vantor-schema-snapshot\",\n  \"version\": 1,\n"
        "  \"tables\": [ { \"name\": \"T\" \"columns\": [] } ],\n  \"views\": []\n}\n";
    WriteBytes(path, broken);
    auto cn = std::make_shared<Connection>();
    cn->Properties(prop::DataSource).Value(path);
    QString error = ErrorOf([&] { cn->Open(); });
    EXPECT_TRUE(error.contains("shop.json") && error.contains("line 4, column"))
        << error.toStdString();
    EXPECT_EQ(cn->State(), adStateClosed);
    EXPECT_EQ(ReadBytes(path), broken);

    WriteBytes(path, R"({"format":"vantor-schema-snapshot","version":1,"tables":[{"name":"T",
        "columns":[{"name":"c"}]}],"views":[]})");
    error = ErrorOf([&] { OpenDatabase(path); });
    EXPECT_TRUE(error.contains("tables[0].columns[0].dataType")) << error.toStdString();
}

TEST_F(SnapshotBackendTest, EachExecuteIsOnDiskWhenItReturns) {
    QString link = dir.filePath("link.json"); // written through to its target
    ASSERT_TRUE(QFile::link(path, link));
    auto cn = OpenDatabase(link);
    cn->Execute("CREATE TABLE [Ünits] (Code TEXT(3) NOT NULL)\r\n");
    cn->Execute("ALTER TABLE Products ADD Price CURRENCY;");
    EXPECT_TRUE(
        RowsetColumn(*cn, adSchemaTables, "TABLE_NAME").contains(QString::fromUtf8("Ünits")));

    DbSchema onDisk = ReadSnapshotJson(ReadBytes(path), path);
    ASSERT_NE(onDisk.FindTable(QString::fromUtf8("ünits")), nullptr);
    EXPECT_EQ(onDisk.FindTable("Products")->columns.size(), 3);
    EXPECT_EQ(onDisk.FindTable("Products")->indexes.size(), 1) << "extras survive a rewrite";
    EXPECT_EQ(ReadBytes(path), WriteSnapshotJson(onDisk)) << "the canonical form";
    EXPECT_EQ(folderEntries(), QStringList({"link.json", "shop.json"})) << "no temporary file left";
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    auto other = OpenDatabase(path);
    EXPECT_EQ(RowsetColumn(*other, adSchemaColumns, "COLUMN_NAME", {{}, {}, "Products", {}}),
              QStringList({"ID", "Name", "Price"}));
}

TEST_F(SnapshotBackendTest, ARejectedStatementOrFailedWriteLeavesTheOriginalByteForByte) {
    auto cn = OpenDatabase(path);
    QByteArray before = ReadBytes(path);
    EXPECT_EQ(ErrorOf([&] { cn->Execute("ALTER TABLE Products ADD Lost LONG, name TEXT(5)"); }),
              "Field 'name' already exists in table 'Products'.");
    EXPECT_EQ(ReadBytes(path), before);
    for (WriteStage stage : {WriteStage::HalfWritten, WriteStage::BeforeRename}) {
        SetWriteFaultHookForTesting([stage](WriteStage reached) {
            if (reached == stage)
                throw VantorError(err::Provider, "No space left on device");
        });
        EXPECT_EQ(ErrorOf([&] { cn->Execute("CREATE TABLE Lost (x LONG)"); }),
                  "No space left on device");
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(folderEntries(), QStringList({"shop.json"}));
    }
    EXPECT_EQ(RowsetColumn(*cn, adSchemaColumns, "COLUMN_NAME", {{}, {}, "Products", {}}),
              QStringList({"ID", "Name"}));
    EXPECT_FALSE(RowsetColumn(*cn, adSchemaTables, "TABLE_NAME").contains("Lost"));
    SetWriteFaultHookForTesting(nullptr);
    cn->Execute("CREATE TABLE Kept (x LONG)");
    EXPECT_NE(ReadSnapshotJson(ReadBytes(path), path).FindTable("Kept"), nullptr);
}

TEST_F(SnapshotBackendTest, RefusesToOverwriteAnotherWritersChange) {
    auto first = OpenDatabase(path);
    auto second = OpenDatabase(path);
    first->Execute("CREATE TABLE FromFirst (x LONG)");
    QString error = ErrorOf([&] { second->Execute("CREATE TABLE FromSecond (x LONG)"); });
    EXPECT_TRUE(error.contains("was changed by another program")) << error.toStdString();
    DbSchema onDisk = ReadSnapshotJson(ReadBytes(path), path);
    EXPECT_NE(onDisk.FindTable("FromFirst"), nullptr);
    EXPECT_EQ(onDisk.FindTable("FromSecond"), nullptr);

    // An editor that rewrites the file in place, keeping its size.
    QByteArray edited = ReadBytes(path).replace("FromFirst", "FromEdit_");
    WriteBytes(path, edited);
    EXPECT_TRUE(ErrorOf([&] {
                    first->Execute("DROP TABLE FromFirst");
                }).contains("was changed by another program"));
    EXPECT_EQ(ReadBytes(path), edited);

    QFile::remove(path);
    EXPECT_TRUE(ErrorOf([&] {
                    first->Execute("DROP TABLE FromFirst");
                }).contains("was changed by another program"));
    EXPECT_FALSE(QFileInfo::exists(path)) << "a deleted snapshot is not brought back";
}

TEST_F(SnapshotBackendTest, ExportCopiesASnapshotWithItsExtras) {
    auto cn = OpenDatabase(path);
    QString copy = dir.filePath("copy.json");
    ExportSnapshot(*cn, copy);
    EXPECT_EQ(ReadBytes(copy), ReadBytes(path));

    EXPECT_TRUE(ErrorOf([&] {
                    ExportSnapshot(*cn, dir.filePath("no/such/folder/x.json"));
                }).contains("Could not save the snapshot"));
}
