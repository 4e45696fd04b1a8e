// CREATE INDEX on copies of real files with rows: Jackcess and libmdb see the new index and
// Jackcess finds every row through it; refused statements leave the file as it was.
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

class WriterCreateIndex : public test::WriterFileTest {
protected:
    QTemporaryDir dir_;
};

TEST_F(WriterCreateIndex, IndexesOverRowsInBothSortVersionsAgreeWithJackcess) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = test::CopyToTemp(dir_, test::SharedAccessFile(name));
        apply(path, "CREATE INDEX ByText ON Table1 (A, B DESC)");
        apply(path, "CREATE INDEX ByNumbers ON Table1 (E DESC, F, D) WITH IGNORE NULL");
        apply(path, "CREATE UNIQUE INDEX ByTextUnique ON Table1 (A, B DESC)");
        apply(path, "CREATE INDEX Empty ON Table2 (column1, column2)");

        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
        for (const char* index : {"ByText", "ByNumbers", "ByTextUnique", "Empty"})
            EXPECT_TRUE(check.output.contains(QStringLiteral("\t%1\tok").arg(index)))
                << index << "\n"
                << check.output.toStdString();
        const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
        EXPECT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
        EXPECT_TRUE(schema.output.contains("ByNumbers")) << schema.output.toStdString();

        QProcess mdbSchema;
        mdbSchema.start("mdb-schema", {"--indexes", path, "postgres"});
        ASSERT_TRUE(mdbSchema.waitForFinished(60000));
        EXPECT_TRUE(
            QString::fromUtf8(mdbSchema.readAllStandardOutput()).contains("table1_bytext_idx"));

        PageFile file(path, 4096, false);
        for (const CatalogObject& object : ReadCatalog(file)) {
            if (object.name != "Table1")
                continue;
            const TableDef def = ReadTableDef(file, quint32(object.id));
            // The unique index has other flags than the first, so it has its own storage.
            QSet<quint32> reals;
            for (const LogicalIndexDef& l : def.logicalIndexes)
                reals.insert(l.realIndex);
            EXPECT_EQ(reals.size(), def.realIndexes.size());
            EXPECT_GE(def.logicalIndexes.size(), 3);
        }
    }
}

TEST_F(WriterCreateIndex, RefusedIndexesLeaveTheFileAsItWas) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("indexTestV2000.mdb"));
    apply(path, "CREATE INDEX ByData ON Table1 (data)");
    const QByteArray before = test::FileBytes(path);
    // Two of Table1's rows share their otherfk1 and otherfk2 values.
    EXPECT_TRUE(errorOf(path, "CREATE UNIQUE INDEX Pair ON Table1 (otherfk1, otherfk2)")
                    .contains("duplicate values"));
    EXPECT_TRUE(
        errorOf(path, "CREATE INDEX ByData ON Table1 (id)").contains("already has an index"));
    EXPECT_TRUE(errorOf(path, "CREATE INDEX X ON Table1 (NoSuchField)").contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "CREATE INDEX X ON Table1 (data) WITH PRIMARY")
                    .contains("Primary key already exists"));
    EXPECT_TRUE(errorOf(path, "CREATE INDEX X ON NoSuchTable (A)").contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "CREATE INDEX X ON MSysObjects (Name)").contains("system table"));
    EXPECT_EQ(test::FileBytes(path), before);
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
}

TEST_F(WriterCreateIndex, DroppedIndexesGoWithTheirPagesUnlessAnotherSharesThem) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("testV2010.accdb"));
    const quint32 pagesBefore = PageFile(path, 4096, false).PageCount();
    apply(path, "CREATE INDEX Twin1 ON Table1 (E, A)");
    apply(path, "CREATE INDEX Twin2 ON Table1 (E, A)"); // the same storage as Twin1
    apply(path, "CREATE INDEX Alone ON Table1 (F DESC)");
    apply(path, "DROP INDEX Twin1 ON Table1");
    apply(path, "DROP INDEX Alone ON Table1");

    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    EXPECT_TRUE(check.output.contains("\tTwin2\tok")) << check.output.toStdString();
    EXPECT_FALSE(check.output.contains("Twin1"));
    EXPECT_FALSE(check.output.contains("Alone"));
    const QString dump = test::VantorDump(path);
    EXPECT_TRUE(dump.contains("Twin2")) << dump.toStdString();
    EXPECT_FALSE(dump.contains("Alone")) << dump.toStdString();
    // The dropped storage's pages were taken again instead of new ones.
    apply(path, "CREATE INDEX Again ON Table1 (G)");
    EXPECT_LE(PageFile(path, 4096, false).PageCount(), pagesBefore + 2);

    const QByteArray before = test::FileBytes(path);
    EXPECT_TRUE(errorOf(path, "DROP INDEX Alone ON Table1").contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "DROP INDEX Twin2 ON NoSuchTable").contains("does not exist"));
    EXPECT_EQ(test::FileBytes(path), before);
}

TEST_F(WriterCreateIndex, IndexesThatRelationshipsRelyOnStay) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("indexTestV2000.mdb"));
    const QByteArray before = test::FileBytes(path);
    PageFile file(path, 4096, false);
    int refused = 0;
    for (const CatalogObject& object : ReadCatalog(file)) {
        if (object.type != kTableObjectType || object.name.startsWith("MSys"))
            continue;
        const TableDef def = ReadTableDef(file, quint32(object.id));
        for (const LogicalIndexDef& l : def.logicalIndexes) {
            // A relationship's own index, or the primary key one points at.
            bool reliedOn = l.foreignKeySide != 0;
            for (const LogicalIndexDef& other : def.logicalIndexes)
                reliedOn =
                    reliedOn || (other.foreignKeySide == 1 && other.realIndex == l.realIndex);
            if (!reliedOn)
                continue;
            const QString error =
                errorOf(path, QStringLiteral("DROP INDEX [%1] ON [%2]").arg(l.name, object.name));
            EXPECT_TRUE(error.contains("used in a relationship")) << l.name.toStdString();
            ++refused;
        }
    }
    EXPECT_GE(refused, 4);
    EXPECT_EQ(test::FileBytes(path), before);
}

} // namespace
} // namespace vantor
