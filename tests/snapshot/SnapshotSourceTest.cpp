#include "engine/snapshot/SnapshotSource.h"
#include "engine/SchemaOrder.h"
#include "engine/SnapshotJson.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/SnapshotFile.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema sample() {
    Schema s;
    for (const char* sql : {"CREATE TABLE Products (ID COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, "
                            "Name TEXT(40))",
                            "CREATE TABLE archive (ID COUNTER NOT NULL)",
                            "CREATE VIEW Cheap AS SELECT *\r\nFROM Products;\r\n\r\n"})
        ApplyJetDdl(s, sql);
    s.tables.append(Table{"MSysObjects", ObjectKind::SystemTable, {}, {}});
    return s;
}

std::unique_ptr<Source> open(const QString& path, const QString& user = "Admin",
                             const QString& password = {}) {
    return OpenDatabaseFile({path, user, password});
}

// What the comparison sees: names in Jet's order, then a table's column names by name.
QStringList names(Source& source, const QString& table = {}) {
    QStringList out;
    if (table.isEmpty())
        for (const SchemaObject& o : ObjectsInJetOrder(source.schema()))
            out << o.name;
    else if (const Table* t = source.schema().findTable(table))
        for (const Column* c : ColumnsByName(*t))
            out << c->name;
    return out;
}

template <typename F> QString errorOf(F&& f) {
    return ErrorOf(std::forward<F>(f)).description();
}

class SnapshotSourceTest : public ::testing::Test {
protected:
    void SetUp() override { path = WriteFile(dir, "shop.json", WriteSnapshotJson(sample())); }

    QStringList folderEntries() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    Schema onDisk() const { return ReadSnapshotJson(FileBytes(path), path); }

    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(SnapshotSourceTest, OpensForAnyAccountAndServesRowsetsInJetsOrder) {
    auto cn = open(path, "anybody");
    EXPECT_EQ(names(*cn), QStringList({"MSysObjects", "archive", "Products", "Cheap"}));
    EXPECT_EQ(names(*cn, "products"), QStringList({"ID", "Name"}));
    EXPECT_EQ(FOUND(cn->schema().findView("Cheap")).definition, "SELECT *\r\nFROM Products;\r\n");
    EXPECT_EQ(FileBytes(path), WriteSnapshotJson(sample())) << "reading never writes";

    // Any account opens a snapshot, but only without a password.
    EXPECT_EQ(errorOf([&] { open(path, "Admin", "secret"); }),
              "Not a valid account name or password.");
    QString missing = dir.filePath("missing.json");
    EXPECT_EQ(errorOf([&] { open(missing); }),
              QStringLiteral("Could not find file '%1'.").arg(missing));
}

// Which field is wrong is the JSON reader's test; the source names the file and the place.
TEST_F(SnapshotSourceTest, MalformedFileFailsToOpenNamingLineAndColumn) {
    QByteArray broken =
        "{\n  \"format\": \"vantor-schema-snapshot\",\n  \"version\": 1,\n"
        "  \"tables\": [ { \"name\": \"T\" \"columns\": [] } ],\n  \"views\": []\n}\n";
    path = WriteFile(dir, "shop.json", broken);
    QString error = errorOf([&] { open(path); });
    EXPECT_TRUE(error.contains("shop.json") && error.contains("line 4, column"))
        << error.toStdString();
    EXPECT_EQ(FileBytes(path), broken);
}

TEST_F(SnapshotSourceTest, EachExecuteIsOnDiskWhenItReturns) {
    QString link = dir.filePath("link.json"); // written through to its target
    ASSERT_TRUE(QFile::link(path, link));
    auto cn = open(link);
    cn->execute("CREATE TABLE [Ünits] (Code TEXT(3) NOT NULL)\r\n");
    cn->execute("ALTER TABLE Products ADD Price CURRENCY;");
    EXPECT_TRUE(names(*cn).contains("Ünits"));

    Schema saved = onDisk();
    ASSERT_NE(saved.findTable("ünits"), nullptr);
    EXPECT_EQ(FOUND(saved.findTable("Products")).columns.size(), 3);
    EXPECT_EQ(FOUND(saved.findTable("Products")).indexes.size(), 1) << "extras survive a rewrite";
    EXPECT_EQ(FileBytes(path), WriteSnapshotJson(saved)) << "the canonical form";
    EXPECT_EQ(folderEntries(), QStringList({"link.json", "shop.json"})) << "no temporary file left";
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(names(*open(path), "Products"), QStringList({"ID", "Name", "Price"}));
}

TEST_F(SnapshotSourceTest, ARejectedStatementOrFailedWriteLeavesTheOriginalByteForByte) {
    std::optional<WriteStage> failAt;
    auto cn = OpenSnapshotFile({path, "Admin", ""}, [&failAt](WriteStage reached) {
        if (reached == failAt)
            throw Error(ErrorCode::Provider, "No space left on device");
    });
    QByteArray before = FileBytes(path);
    EXPECT_EQ(errorOf([&] { cn->execute("ALTER TABLE Products ADD Lost LONG, name TEXT(5)"); }),
              "Field 'name' already exists in table 'Products'.");
    EXPECT_EQ(FileBytes(path), before);
    for (WriteStage stage : {WriteStage::HalfWritten, WriteStage::BeforeRename}) {
        failAt = stage;
        EXPECT_EQ(errorOf([&] { cn->execute("CREATE TABLE Lost (x LONG)"); }),
                  "No space left on device");
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(folderEntries(), QStringList({"shop.json"}));
    }
    EXPECT_EQ(names(*cn, "Products"), QStringList({"ID", "Name"}));
    EXPECT_FALSE(names(*cn).contains("Lost"));
    failAt.reset();
    cn->execute("CREATE TABLE Kept (x LONG)");
    EXPECT_NE(onDisk().findTable("Kept"), nullptr);
}

TEST_F(SnapshotSourceTest, RefusesToOverwriteAnotherWritersChange) {
    auto first = open(path);
    auto second = open(path);
    first->execute("CREATE TABLE FromFirst (x LONG)");
    auto changedElsewhere = [](auto& source, const char* sql) {
        return errorOf([&] { source->execute(sql); }).contains("was changed by another program");
    };
    EXPECT_TRUE(changedElsewhere(second, "CREATE TABLE FromSecond (x LONG)"));
    EXPECT_NE(onDisk().findTable("FromFirst"), nullptr);
    EXPECT_EQ(onDisk().findTable("FromSecond"), nullptr);

    // An editor that rewrites the file in place, keeping its size.
    QByteArray edited = FileBytes(path).replace("FromFirst", "FromEdit_");
    WriteFile(dir, "shop.json", edited);
    EXPECT_TRUE(changedElsewhere(first, "DROP TABLE FromFirst"));
    EXPECT_EQ(FileBytes(path), edited);

    QFile::remove(path);
    EXPECT_TRUE(changedElsewhere(first, "DROP TABLE FromFirst"));
    EXPECT_FALSE(QFileInfo::exists(path)) << "a deleted snapshot is not brought back";
}

TEST_F(SnapshotSourceTest, ExportCopiesASnapshotWithItsExtras) {
    auto cn = open(path);
    QString copy = dir.filePath("copy.json");
    SaveSnapshot(cn->schema(), copy);
    EXPECT_EQ(FileBytes(copy), FileBytes(path));
    EXPECT_TRUE(errorOf([&] {
                    SaveSnapshot(cn->schema(), dir.filePath("no/such/folder/x.json"));
                }).contains("Could not save the snapshot"));
}
