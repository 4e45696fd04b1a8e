// DROP TABLE on copies of real files, checked by Jackcess: the table is gone with its catalog
// rows and pages, the other tables' rows and every index are as before.
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

QStringList digestLines(const QString& path) {
    const test::JackcessResult digest = test::RunJackcess("RowDigest", {"--system", path});
    EXPECT_EQ(digest.exitCode, 0) << digest.errors.toStdString();
    return digest.output.split('\n', Qt::SkipEmptyParts);
}

int freePages(const QString& path) {
    PageFile file(path, 4096, false);
    PageAllocator allocator(file);
    int free = 0;
    for (quint32 page = 2; page < file.PageCount(); ++page)
        free += allocator.IsFree(page) ? 1 : 0;
    return free;
}

class WriterDropTable : public test::WriterFileTest {
protected:
    QTemporaryDir dir_;
};

TEST_F(WriterDropTable, TheTableGoesAndEverythingElseStays) {
    for (const auto& [name, table] : {std::pair{"testV2003.mdb", "Table1"},
                                      {"testV2010.accdb", "Table1"},
                                      {"indexTestV2000.mdb", "Table1"},
                                      {"testV2003.mdb", "Table3"}}) {
        SCOPED_TRACE(std::string(name) + " " + table);
        const QString original = test::SharedAccessFile(name);
        const QString path = test::CopyToTemp(dir_, original);
        const int freeBefore = freePages(path);
        if (QString(name) == "indexTestV2000.mdb") {
            // Its Table1 takes part in two relationships, which must go first.
            const QByteArray before = test::FileBytes(path);
            EXPECT_THROW(apply(path, QStringLiteral("DROP TABLE %1").arg(table)), Error);
            EXPECT_EQ(test::FileBytes(path), before);
            continue;
        }
        apply(path, QStringLiteral("DROP TABLE [%1]").arg(table));

        QStringList expected = digestLines(original);
        const QString dropped = QString(table) + "\t";
        expected.removeIf([&dropped](const QString& line) { return line.startsWith(dropped); });
        const QStringList after = digestLines(path);
        // The catalog and permission tables lose rows; every other table reads as before.
        auto untouched = [](const QStringList& lines) {
            QStringList kept = lines;
            kept.removeIf([](const QString& l) {
                return l.startsWith("MSysObjects\t") || l.startsWith("MSysACEs\t");
            });
            return kept;
        };
        EXPECT_EQ(untouched(after), untouched(expected));
        EXPECT_FALSE(after.join('\n').contains(QString(table) + "\t"));

        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
        const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
        EXPECT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
        EXPECT_FALSE(schema.output.contains(QStringLiteral("TABLE [%1]").arg(table)));

        PageFile file(path, 4096, false);
        for (const CatalogObject& object : ReadCatalog(file))
            EXPECT_NE(object.name.compare(table, Qt::CaseInsensitive), 0);
        EXPECT_GT(freePages(path), freeBefore) << "the table's pages were not given back";

        const QString dump = test::VantorDump(path);
        EXPECT_FALSE(dump.startsWith("vantor-cli failed")) << dump.toStdString();
        EXPECT_FALSE(dump.contains(QStringLiteral("[%1]").arg(table))) << dump.toStdString();
        EXPECT_TRUE(dump.contains("Table2")) << dump.toStdString();

        QProcess schemaReader;
        schemaReader.start("mdb-schema", {path});
        ASSERT_TRUE(schemaReader.waitForFinished(60000));
        EXPECT_EQ(schemaReader.exitCode(), 0);
        EXPECT_FALSE(QString::fromUtf8(schemaReader.readAllStandardOutput())
                         .contains(QStringLiteral("[%1]").arg(table)));
    }
}

TEST_F(WriterDropTable, MissingAndSystemTablesAreRefusedWithoutATrace) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("testV2003.mdb"));
    const QByteArray before = test::FileBytes(path);
    for (const char* statement :
         {"DROP TABLE NoSuchTable", "DROP TABLE MSysObjects", "DROP TABLE MSysACEs"}) {
        SCOPED_TRACE(statement);
        try {
            apply(path, statement);
            ADD_FAILURE() << "the statement ran";
        } catch (const Error& e) {
            EXPECT_TRUE(e.description().contains("does not exist") ||
                        e.description().contains("system table"))
                << e.description().toStdString();
        }
        EXPECT_EQ(test::FileBytes(path), before);
    }
}

// A table the catalog flags as the user's own is the user's to change whatever its name; the
// engine's tables stay refused by their flags.
TEST_F(WriterDropTable, AUserTableNamedLikeASystemOneIsChangedAndDropped) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("queryTestV2007.accdb"));
    ASSERT_FALSE(path.isEmpty());
    ASSERT_TRUE(test::VantorDump(path).contains("TABLE [MSysCompactError]"));
    apply(path, "ALTER TABLE [MSysCompactError] ADD COLUMN Note TEXT(10)");
    apply(path, "CREATE INDEX ByCode ON [MSysCompactError] (ErrorCode)");
    const QString changed = test::DumpSection(test::VantorDump(path), "TABLE [MSysCompactError]");
    EXPECT_TRUE(changed.contains("COLUMN [Note] TEXT(10)")) << changed.toStdString();
    EXPECT_TRUE(changed.contains("INDEX [ByCode] ([ErrorCode])")) << changed.toStdString();

    apply(path, "DROP TABLE [MSysCompactError]");
    const QString dump = test::VantorDump(path);
    EXPECT_FALSE(dump.startsWith("vantor-cli failed")) << dump.toStdString();
    EXPECT_FALSE(dump.contains("MSysCompactError")) << dump.toStdString();
    const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
    ASSERT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
    EXPECT_FALSE(schema.output.contains("MSysCompactError"));
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();

    const QByteArray before = test::FileBytes(path);
    for (const char* statement :
         {"DROP TABLE MSysObjects", "ALTER TABLE MSysQueries ADD COLUMN X LONG",
          "CREATE INDEX ByName ON MSysObjects (Name)", "DROP TABLE MSysAccessStorage"}) {
        SCOPED_TRACE(statement);
        try {
            apply(path, statement);
            ADD_FAILURE() << "the statement ran";
        } catch (const Error& e) {
            EXPECT_TRUE(e.description().endsWith("is a system table and cannot be changed."))
                << e.description().toStdString();
        }
        EXPECT_EQ(test::FileBytes(path), before);
    }
}

// Every user table dropped one after the other leaves a file Jackcess still reads whole, and a
// second drop of the same table fails.
TEST_F(WriterDropTable, DroppingEveryTableLeavesAConsistentFile) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("testV2010.accdb"));
    for (const char* table : {"Table1", "Table2", "Table3", "Table4"})
        apply(path, QStringLiteral("DROP TABLE %1").arg(table));
    EXPECT_THROW(apply(path, "DROP TABLE Table2"), Error);
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    const test::JackcessResult digest = test::RunJackcess("RowDigest", {path});
    EXPECT_EQ(digest.exitCode, 0) << digest.errors.toStdString();
    EXPECT_TRUE(digest.output.trimmed().isEmpty()) << digest.output.toStdString();
}

} // namespace
} // namespace vantor
