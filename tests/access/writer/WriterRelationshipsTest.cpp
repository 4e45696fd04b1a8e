// FOREIGN KEY, ADD CONSTRAINT and DROP CONSTRAINT on copies of real files with rows: the reread
// schema is the one the snapshot interpreter predicts, Jackcess reads the same relationships and
// finds every row through every index, the pair of indexes behind each relationship name each
// other, and refused statements leave the file byte for byte as it was.
#include "engine/Compare.h"
#include "engine/access/ReaderProcess.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

constexpr quint8 kForeignKeyKind = 2;

// The relationships Jackcess reads, by name.
QMap<QString, QJsonObject> jackcessRelationships(const QString& path) {
    QMap<QString, QJsonObject> out;
    const std::optional<QJsonObject> schema = test::JackcessSchema(path);
    EXPECT_TRUE(schema.has_value()) << "Jackcess cannot read " << path.toStdString();
    if (!schema)
        return out;
    for (const QJsonValue& r : schema->value("relationships").toArray())
        out.insert(r.toObject().value("name").toString(), r.toObject());
    return out;
}

// Every relationship index of every table names a partner on the other table that names it
// back, with the same cascade bytes, and every MSysRelationships row's enforced relationship has
// its pair: what Jackcess and Access rely on.
void expectIndexPairsNameEachOther(const QString& path) {
    PageFile file(path, 4096, false);
    QMap<quint32, TableDef> defs;
    for (const CatalogObject& o : ReadCatalog(file))
        if (o.type == kTableObjectType)
            defs.insert(quint32(o.id), ReadTableDef(file, quint32(o.id)));
    for (const TableDef& def : defs) {
        for (const LogicalIndexDef& l : def.logicalIndexes) {
            if (l.kind != kForeignKeyKind)
                continue;
            SCOPED_TRACE(l.name.toStdString());
            ASSERT_TRUE(defs.contains(l.partnerTable));
            const TableDef& partner = defs[l.partnerTable];
            const LogicalIndexDef* back = nullptr;
            for (const LogicalIndexDef& p : partner.logicalIndexes)
                if (p.number == l.partnerIndex)
                    back = &p;
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->kind, kForeignKeyKind);
            EXPECT_EQ(back->partnerIndex, l.number);
            EXPECT_EQ(back->partnerTable, def.page);
            EXPECT_EQ(back->foreignKeySide + l.foreignKeySide, 3);
            EXPECT_EQ(back->cascadeUpdate, l.cascadeUpdate);
            EXPECT_EQ(back->cascadeDelete, l.cascadeDelete);
            ASSERT_LT(l.realIndex, quint32(def.realIndexes.size()));
            // The primary side enforces by a unique storage, the foreign side by a plain one.
            EXPECT_EQ(def.realIndexes[l.realIndex].Unique(), l.foreignKeySide == 1);
        }
    }
}

class WriterRelationships : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_JACKCESS();
        if (test::SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
    }
    QString copy(const char* name) {
        const QString path = test::CopyToTemp(dir_, test::SharedAccessFile(name));
        before_ = RunAccessReader(path);
        predicted_ = before_;
        return path;
    }
    // Applies a statement to the file and to the predicted schema.
    void apply(const QString& path, const QString& statement) {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
        writer->Apply(ParseJetDdl(statement));
        writer->Flush();
        ApplyJetDdl(predicted_, statement);
    }
    QString errorOf(const QString& path, const QString& statement) {
        try {
            std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
            writer->Apply(ParseJetDdl(statement));
            writer->Flush();
        } catch (const Error& e) {
            return e.description();
        }
        return QString();
    }
    // The file as Vantor's reader reads it is the predicted schema; Jackcess finds every row
    // through every index; the rows of the file's own tables are as they were.
    void expectSoundFile(const QString& path, const QMap<QString, test::JackcessRows>& rows) {
        const Schema after = RunAccessReader(path);
        const Diff diff = Compare(std::make_shared<const Schema>(predicted_),
                                  std::make_shared<const Schema>(after));
        for (const DiffEntry& entry : diff.entries)
            EXPECT_EQ(entry.state, ObjectState::Equal) << entry.name.toStdString();
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
        const auto now = test::JackcessRowDigests(path);
        ASSERT_TRUE(now.has_value());
        for (auto it = rows.begin(); it != rows.end(); ++it)
            EXPECT_EQ(now->value(it.key()), it.value()) << it.key().toStdString();
        expectIndexPairsNameEachOther(path);
    }
    QTemporaryDir dir_;
    Schema before_;
    Schema predicted_;
};

TEST_F(WriterRelationships, ForeignKeysOfANewTableReadBackAsDeclared) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = copy(name);
        const auto rows = test::JackcessRowDigests(path);
        ASSERT_TRUE(rows.has_value());
        apply(path, "CREATE TABLE Child (Id COUNTER CONSTRAINT PK_Child PRIMARY KEY, "
                    "Ref TEXT(50) CONSTRAINT FK_Ref REFERENCES Table1 (A) ON UPDATE CASCADE "
                    "ON DELETE CASCADE, Parent INTEGER, Other TEXT(50), "
                    "CONSTRAINT FK_Self FOREIGN KEY (Parent) REFERENCES Child ON DELETE SET NULL)");
        // Unnamed: Access's name, the referenced table's and then the foreign one's.
        apply(path, "CREATE TABLE Grandchild (ChildId INTEGER REFERENCES Child)");
        expectSoundFile(path, *rows);

        const QMap<QString, QJsonObject> read = jackcessRelationships(path);
        ASSERT_TRUE(read.contains("FK_Ref"));
        EXPECT_EQ(read["FK_Ref"]["table"].toString(), "Child");
        EXPECT_EQ(read["FK_Ref"]["referencedTable"].toString(), "Table1");
        EXPECT_TRUE(read["FK_Ref"]["enforced"].toBool());
        EXPECT_TRUE(read["FK_Ref"]["cascadeUpdate"].toBool());
        EXPECT_TRUE(read["FK_Ref"]["cascadeDelete"].toBool());
        EXPECT_EQ(read["FK_Ref"]["columns"].toArray().at(0)["referencedColumn"].toString(), "A");
        ASSERT_TRUE(read.contains("FK_Self"));
        EXPECT_TRUE(read["FK_Self"]["cascadeToNull"].toBool());
        EXPECT_FALSE(read["FK_Self"]["cascadeDelete"].toBool());
        EXPECT_EQ(read["FK_Self"]["referencedTable"].toString(), "Child");
        ASSERT_TRUE(read.contains("ChildGrandchild"));
        EXPECT_EQ(read["ChildGrandchild"]["columns"].toArray().at(0)["referencedColumn"].toString(),
                  "Id");

        // libmdb's own tool lists the relationship too.
        QProcess mdbSchema;
        mdbSchema.start("mdb-schema", {"--relations", path, "postgres"});
        ASSERT_TRUE(mdbSchema.waitForFinished(60000));
        EXPECT_TRUE(QString::fromUtf8(mdbSchema.readAllStandardOutput()).contains("child_ref_fk"));
    }
}

TEST_F(WriterRelationships, CompositeKeysRelateColumnByColumn) {
    const QString path = copy("testV2003.mdb");
    const auto rows = test::JackcessRowDigests(path);
    ASSERT_TRUE(rows.has_value());
    apply(path, "CREATE TABLE P2 (X INTEGER, Y TEXT(10), CONSTRAINT PK2 PRIMARY KEY (X, Y))");
    const QByteArray before = test::FileBytes(path);
    // The key's columns in another order have no unique index of their own.
    EXPECT_TRUE(errorOf(path, "CREATE TABLE C2 (A INTEGER, B TEXT(10), CONSTRAINT F2 FOREIGN KEY "
                              "(B, A) REFERENCES P2 (Y, X))")
                    .contains("No unique index"));
    // The new relationship's index would take the name of one the table has.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE P2 ADD CONSTRAINT PK2 FOREIGN KEY (X, Y) "
                              "REFERENCES P2")
                    .contains("already has an index named"));
    EXPECT_EQ(test::FileBytes(path), before);
    apply(path, "CREATE TABLE C2 (A INTEGER, B TEXT(10), CONSTRAINT F2 FOREIGN KEY (A, B) "
                "REFERENCES P2)");
    expectSoundFile(path, *rows);

    QProcess exporter;
    exporter.start("mdb-export", {path, "MSysRelationships"});
    ASSERT_TRUE(exporter.waitForFinished(60000));
    const QString exported = QString::fromUtf8(exporter.readAllStandardOutput());
    EXPECT_TRUE(exported.contains("\"F2\",0,2,0,\"C2\",\"A\",\"P2\",\"X\""))
        << exported.toStdString();
    EXPECT_TRUE(exported.contains("\"F2\",0,2,1,\"C2\",\"B\",\"P2\",\"Y\""))
        << exported.toStdString();
    const QMap<QString, QJsonObject> read = jackcessRelationships(path);
    ASSERT_TRUE(read.contains("F2"));
    const QJsonArray columns = read["F2"]["columns"].toArray();
    ASSERT_EQ(columns.size(), 2);
    EXPECT_EQ(columns[1]["column"].toString(), "B");
    EXPECT_EQ(columns[1]["referencedColumn"].toString(), "Y");
}

TEST_F(WriterRelationships, RefusedForeignKeysLeaveTheFileAsItWas) {
    const QString path = copy("indexTestV2000.mdb");
    const QByteArray before = test::FileBytes(path);
    // otherfk2 holds 10, 11 and 13; Table2's keys are 0 to 2.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT Bad FOREIGN KEY (otherfk2) "
                              "REFERENCES Table2")
                    .contains("violates referential integrity"));
    EXPECT_TRUE(
        errorOf(path, "CREATE TABLE T (X TEXT(5) REFERENCES Table2)").contains("same data types"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE T (X INTEGER REFERENCES Table2 (data))")
                    .contains("No unique index"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE T (X INTEGER, Y INTEGER, FOREIGN KEY (X, Y) "
                              "REFERENCES Table2)")
                    .contains("No unique index"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE T (X INTEGER REFERENCES NoSuchTable)")
                    .contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE T (X INTEGER REFERENCES MSysObjects)")
                    .contains("system table"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT Table2Table1 FOREIGN KEY "
                              "(otherfk3) REFERENCES Table2")
                    .contains("already exists"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT [Bad.Name] FOREIGN KEY "
                              "(otherfk3) REFERENCES Table2")
                    .contains("not a valid name"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD FOREIGN KEY (NoSuchField) REFERENCES Table2")
                    .contains("does not exist"));
    // Two of Table1's rows share otherfk1; a key over it is refused, as is a second primary key.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT U UNIQUE (otherfk1)")
                    .contains("duplicate values"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD PRIMARY KEY (data)")
                    .contains("Primary key already exists"));
    EXPECT_TRUE(
        errorOf(path, "ALTER TABLE Table1 DROP CONSTRAINT NoSuchThing").contains("does not exist"));
    // A relationship is dropped from its foreign side only, and its tables stay while it does.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table2 DROP CONSTRAINT Table2Table1")
                    .contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "DROP TABLE Table2").contains("relationships"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table2 DROP CONSTRAINT PrimaryKey")
                    .contains("used in a relationship"));
    EXPECT_TRUE(errorOf(path, "DROP TABLE Table1").contains("relationships"));
    // A statement whose second constraint fails keeps nothing of its first.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT Fine UNIQUE (data), "
                              "CONSTRAINT Bad FOREIGN KEY (otherfk2) REFERENCES Table2")
                    .contains("violates"));
    EXPECT_EQ(test::FileBytes(path), before);
}

TEST_F(WriterRelationships, AccessRelationshipDroppedAndAddedAgainOverRows) {
    const QString path = copy("indexTestV2000.mdb");
    const auto rows = test::JackcessRowDigests(path);
    ASSERT_TRUE(rows.has_value());
    PageFile original(path, 4096, false);
    const TableDef table1 = ReadTableDef(original, 24);
    const TableDef table2 = ReadTableDef(original, 27);

    apply(path, "ALTER TABLE Table1 DROP CONSTRAINT Table2Table1");
    {
        PageFile file(path, 4096, false);
        const TableDef foreign = ReadTableDef(file, 24);
        const TableDef primary = ReadTableDef(file, 27);
        // Table1's storage for the relationship went; Table2's is its primary key's and stays.
        EXPECT_EQ(foreign.logicalIndexes.size(), table1.logicalIndexes.size() - 1);
        EXPECT_EQ(foreign.realIndexes.size(), table1.realIndexes.size() - 1);
        EXPECT_EQ(primary.logicalIndexes.size(), table2.logicalIndexes.size() - 1);
        EXPECT_EQ(primary.realIndexes.size(), table2.realIndexes.size());
        for (const CatalogObject& o : ReadCatalog(file))
            EXPECT_NE(o.name, "Table2Table1");
    }
    expectSoundFile(path, *rows);
    EXPECT_FALSE(jackcessRelationships(path).contains("Table2Table1"));

    // Every otherfk1 and otherfk3 value is a key of Table2, so these pass the row check.
    apply(path, "ALTER TABLE Table1 ADD CONSTRAINT Table2Table1 FOREIGN KEY (otherfk1) "
                "REFERENCES Table2 (id) ON DELETE CASCADE, "
                "CONSTRAINT Third FOREIGN KEY (otherfk3) REFERENCES Table2");
    expectSoundFile(path, *rows);
    PageFile file(path, 4096, false);
    const TableDef foreign = ReadTableDef(file, 24);
    const TableDef primary = ReadTableDef(file, 27);
    // The descriptors as Access wrote them, but for the numbers they take.
    const LogicalIndexDef* was = nullptr;
    const LogicalIndexDef* now = nullptr;
    for (const LogicalIndexDef& l : table1.logicalIndexes)
        if (l.name == "Table2Table1")
            was = &l;
    for (const LogicalIndexDef& l : foreign.logicalIndexes)
        if (l.name == "Table2Table1")
            now = &l;
    ASSERT_NE(was, nullptr);
    ASSERT_NE(now, nullptr);
    EXPECT_EQ(now->foreignKeySide, was->foreignKeySide);
    EXPECT_EQ(now->partnerTable, was->partnerTable);
    EXPECT_EQ(now->cascadeUpdate, was->cascadeUpdate);
    EXPECT_EQ(now->cascadeDelete, was->cascadeDelete);
    EXPECT_EQ(now->kind, was->kind);
    ASSERT_LT(now->realIndex, quint32(foreign.realIndexes.size()));
    EXPECT_EQ(foreign.realIndexes[now->realIndex].flags, table1.realIndexes[was->realIndex].flags);
    EXPECT_EQ(primary.logicalIndexes.size(), table2.logicalIndexes.size() + 1);
    const QMap<QString, QJsonObject> read = jackcessRelationships(path);
    ASSERT_TRUE(read.contains("Table2Table1"));
    EXPECT_EQ(read["Table2Table1"]["grbit"].toInt(), 0x1000);
    ASSERT_TRUE(read.contains("Third"));
    EXPECT_EQ(read["Third"]["grbit"].toInt(), 0);
}

// An ACE file's relationship made by Access, over rows with Greek and CJK names: dropped and
// added again, both sides' descriptors and the foreign side's storage are Access's own, number
// for number, but for the name Access gave the primary side's index.
TEST_F(WriterRelationships, AnAceRelationshipAddedAgainIsStoredAsAccessStoredIt) {
    const QString dir = test::SharedAccessMoreDir();
    if (dir.isEmpty())
        GTEST_SKIP() << "skipped: ../shared/testdata/access-more is absent";
    const QString path = test::CopyToTemp(dir_, QDir(dir).filePath("alterTable.accdb"));
    before_ = RunAccessReader(path);
    predicted_ = before_;
    const auto rows = test::JackcessRowDigests(path);
    ASSERT_TRUE(rows.has_value());
    auto definitions = [&path] {
        PageFile file(path, 4096, false);
        QMap<QString, TableDef> defs;
        for (const CatalogObject& o : ReadCatalog(file))
            if (o.name == "??###" || o.name == "Tabella1")
                defs.insert(o.name, ReadTableDef(file, quint32(o.id)));
        return defs;
    };
    const QMap<QString, TableDef> was = definitions();
    ASSERT_EQ(was.size(), 2);

    apply(path, "ALTER TABLE [Tabella1] DROP CONSTRAINT [??###Tabella1]");
    expectSoundFile(path, *rows);
    apply(path, QStringLiteral("ALTER TABLE [Tabella1] ADD CONSTRAINT [??###Tabella1] FOREIGN KEY "
                               "([_eeeee\u00a3%]) REFERENCES [??###]"));
    expectSoundFile(path, *rows);
    const QMap<QString, TableDef> now = definitions();
    ASSERT_EQ(now.size(), 2);
    for (const QString& table : was.keys()) {
        SCOPED_TRACE(table.toStdString());
        // Copies: a const map's [] gives a temporary that a loop or reference would outlive.
        const TableDef wasDef = was.value(table);
        const TableDef nowDef = now.value(table);
        ASSERT_EQ(nowDef.logicalIndexes.size(), wasDef.logicalIndexes.size());
        ASSERT_EQ(nowDef.realIndexes.size(), wasDef.realIndexes.size());
        for (const LogicalIndexDef& old : wasDef.logicalIndexes) {
            if (old.kind != kForeignKeyKind)
                continue;
            const LogicalIndexDef* again = nullptr;
            for (const LogicalIndexDef& l : nowDef.logicalIndexes)
                if (l.kind == kForeignKeyKind)
                    again = &l;
            ASSERT_NE(again, nullptr);
            EXPECT_EQ(again->number, old.number);
            EXPECT_EQ(again->realIndex, old.realIndex);
            EXPECT_EQ(again->foreignKeySide, old.foreignKeySide);
            EXPECT_EQ(again->partnerIndex, old.partnerIndex);
            EXPECT_EQ(again->partnerTable, old.partnerTable);
            EXPECT_EQ(again->cascadeUpdate, old.cascadeUpdate);
            EXPECT_EQ(again->cascadeDelete, old.cascadeDelete);
            const RealIndexDef& storage = nowDef.realIndexes[again->realIndex];
            const RealIndexDef& accessStorage = wasDef.realIndexes[old.realIndex];
            EXPECT_EQ(storage.flags, accessStorage.flags);
            EXPECT_EQ(storage.columns[0].number, accessStorage.columns[0].number);
            EXPECT_EQ(storage.columns[1].number, accessStorage.columns[1].number);
        }
    }
    const QMap<QString, QJsonObject> read = jackcessRelationships(path);
    ASSERT_TRUE(read.contains("??###Tabella1"));
    EXPECT_EQ(read["??###Tabella1"]["grbit"].toInt(), 0);
}

// Compare, script, write, compare: the relationships a copy lacks come back from the script
// Vantor writes for it, and the two files then compare equal.
TEST_F(WriterRelationships, ScriptedRelationshipsMakeTheFilesEqualAgain) {
    const QString primary = copy("indexTestV2000.mdb");
    const QString secondary = dir_.filePath("secondary.mdb");
    ASSERT_TRUE(QFile::copy(primary, secondary));
    QFile::setPermissions(secondary, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    apply(secondary, "ALTER TABLE Table1 DROP CONSTRAINT Table2Table1");
    apply(secondary, "ALTER TABLE Table1 DROP CONSTRAINT Table3Table1");
    const QString cli = QDir(test::BinaryDir()).filePath("bin/vantor-cli");
    QProcess script;
    script.start(cli, {"script", primary, secondary, "--target", "secondary"});
    ASSERT_TRUE(script.waitForFinished(120000));
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    int written = 0;
    QString batch;
    for (const QString& line : QString::fromUtf8(script.readAllStandardOutput()).split('\n')) {
        if (line.trimmed() != "GO") {
            batch += line + '\n';
            continue;
        }
        apply(secondary, batch);
        batch.clear();
        ++written;
    }
    EXPECT_EQ(written, 2);
    QProcess compare;
    compare.start(cli, {"compare", primary, secondary});
    ASSERT_TRUE(compare.waitForFinished(120000));
    EXPECT_EQ(compare.exitCode(), 0) << compare.readAllStandardOutput().toStdString();
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", secondary});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    expectIndexPairsNameEachOther(secondary);
}

TEST_F(WriterRelationships, KeysAndRelationshipsComeAndGoOnAnAceTableWithRows) {
    const QString path = copy("testV2010.accdb");
    const auto rows = test::JackcessRowDigests(path);
    ASSERT_TRUE(rows.has_value());
    const quint32 pagesBefore = PageFile(path, 4096, false).PageCount();
    const QByteArray bytesBefore = test::FileBytes(path);
    // B holds "b" and "hijklmnop", neither of them a key of Table1.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD CONSTRAINT BadB FOREIGN KEY (B) "
                              "REFERENCES Table1 (A)")
                    .contains("violates"));
    EXPECT_EQ(test::FileBytes(path), bytesBefore);

    apply(path, "ALTER TABLE Table1 ADD UNIQUE (C), UNIQUE (D, E), CONSTRAINT ByF UNIQUE (F)");
    apply(path, "ALTER TABLE Table1 ADD CONSTRAINT SelfA FOREIGN KEY (A) REFERENCES Table1");
    apply(path, "CREATE TABLE Child (Ref BYTE, CONSTRAINT PK PRIMARY KEY (Ref), "
                "CONSTRAINT FK_C FOREIGN KEY (Ref) REFERENCES Table1 (C))");
    expectSoundFile(path, *rows);
    EXPECT_TRUE(jackcessRelationships(path).contains("SelfA"));

    apply(path, "ALTER TABLE Child DROP CONSTRAINT FK_C");
    apply(path, "ALTER TABLE Table1 DROP CONSTRAINT SelfA");
    apply(path, "ALTER TABLE Table1 DROP CONSTRAINT Index");
    apply(path, "ALTER TABLE Child DROP CONSTRAINT PK");
    apply(path, "DROP TABLE Child");
    expectSoundFile(path, *rows);
    EXPECT_TRUE(jackcessRelationships(path).isEmpty());
    // What a relationship takes is given back and taken again: the file stops growing.
    EXPECT_GT(PageFile(path, 4096, false).PageCount(), pagesBefore);
    const quint32 pagesAfterOne = PageFile(path, 4096, false).PageCount();
    for (int round = 0; round < 3; ++round) {
        apply(path, "ALTER TABLE Table1 ADD CONSTRAINT SelfA FOREIGN KEY (A) REFERENCES Table1");
        apply(path, "ALTER TABLE Table1 DROP CONSTRAINT SelfA");
    }
    EXPECT_EQ(PageFile(path, 4096, false).PageCount(), pagesAfterOne);
}

} // namespace
} // namespace vantor
