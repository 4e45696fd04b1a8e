// ALTER TABLE ADD and DROP COLUMN on copies of real files with rows: libmdb's exporter, Jackcess
// and Vantor's reader read every row with the changed columns; refused statements leave the file
// as it was.
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

#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

QList<QStringList> withColumn(QList<QStringList> rows, const QString& name, const QString& value) {
    for (qsizetype i = 0; i < rows.size(); ++i)
        rows[i].append(i == 0 ? name : value);
    return rows;
}

QList<QStringList> withoutColumn(QList<QStringList> rows, const QString& name) {
    if (rows.isEmpty())
        return rows;
    const qsizetype at = rows.first().indexOf(name);
    for (QStringList& row : rows)
        row.removeAt(at);
    return rows;
}

// The page size every Jet 4 and ACE file has.
constexpr int kPageSize = 4096;

TableDef definitionOf(const QString& path, const QString& table) {
    PageFile file(path, kPageSize, false);
    for (const CatalogObject& object : ReadCatalog(file))
        if (object.type == kTableObjectType && object.name == table)
            return ReadTableDef(file, quint32(object.id));
    return {};
}

class WriterAlterColumns : public test::WriterFileTest {
protected:
    // Jackcess reads every table and finds every row through every index.
    void expectJackcessReadsItWhole(const QString& path) {
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    }
    QString copyOf(const char* name) {
        QString source = test::SharedAccessFile(name);
        if (!QFile::exists(source))
            source = QDir(test::SharedAccessMoreDir()).filePath(name);
        return test::CopyToTemp(dir_, source);
    }
    QTemporaryDir dir_;
};

struct Case {
    const char* file;
    const char* table;
};
// Jet 4 and ACE tables with rows: many rows under an index, OLE values of many pages, memo and
// Yes/No values.
const Case kTablesWithRows[] = {{"compIndexTestV2000.mdb", "Table1"},
                                {"blobOleLazyLoading.accdb", "OleTable"},
                                {"testV2003.mdb", "Table1"},
                                {"testV2010.accdb", "Table1"}};

TEST_F(WriterAlterColumns, AddedColumnsReachEveryRowAndDroppingThemRestoresTheRows) {
    for (const Case& c : kTablesWithRows) {
        SCOPED_TRACE(c.file);
        const QString path = copyOf(c.file);
        ASSERT_FALSE(path.isEmpty());
        const QString table = c.table;
        const QList<QStringList> before = test::ExportedRows(path, table);
        const auto digestsBefore = test::JackcessRowDigests(path);
        ASSERT_TRUE(digestsBefore.has_value());
        ASSERT_TRUE(digestsBefore->contains(table));

        apply(path, QStringLiteral("ALTER TABLE [%1] ADD COLUMN Note TEXT(40), Amount CURRENCY, "
                                   "Flag YESNO, Body MEMO, Stamp DATETIME DEFAULT Now()")
                        .arg(table));
        apply(path, QStringLiteral("ALTER TABLE [%1] ADD Picture LONGBINARY").arg(table));

        QList<QStringList> expected = withColumn(before, "Note", "~");
        expected = withColumn(expected, "Amount", "~");
        expected = withColumn(expected, "Flag", "0");
        expected = withColumn(expected, "Body", "~");
        expected = withColumn(expected, "Stamp", "~");
        expected = withColumn(expected, "Picture", "~");
        EXPECT_EQ(test::ExportedRows(path, table), expected);
        const auto digestsAdded = test::JackcessRowDigests(path);
        ASSERT_TRUE(digestsAdded.has_value());
        EXPECT_EQ(digestsAdded->value(table).rows, digestsBefore->value(table).rows);
        for (auto it = digestsBefore->begin(); it != digestsBefore->end(); ++it)
            if (it.key() != table) {
                EXPECT_EQ(digestsAdded->value(it.key()), it.value()) << it.key().toStdString();
            }
        expectJackcessReadsItWhole(path);
        const QString dump = test::VantorDump(path);
        EXPECT_TRUE(dump.contains("COLUMN [Body] MEMO")) << dump.toStdString();
        EXPECT_TRUE(dump.contains("Default Value: Now()")) << dump.toStdString();

        // Without the new columns every row holds exactly what it held, value for value.
        apply(path, QStringLiteral("ALTER TABLE [%1] DROP COLUMN Note, Amount, Flag").arg(table));
        apply(path, QStringLiteral("ALTER TABLE [%1] DROP Body, Stamp, Picture").arg(table));
        EXPECT_EQ(test::ExportedRows(path, table), before);
        EXPECT_EQ(test::JackcessRowDigests(path), digestsBefore);
        expectJackcessReadsItWhole(path);
        EXPECT_FALSE(test::VantorDump(path).contains("Now()"));
    }
}

TEST_F(WriterAlterColumns, DroppedColumnsLeaveEveryRowAndTheirPropertiesGo) {
    const Case drops[] = {{"compIndexTestV2000.mdb", "RS_AGENTE"},
                          {"blobOleLazyLoading.accdb", "Ole"},
                          {"testV2003.mdb", "C"},
                          {"testV2010.accdb", "I"},
                          {"indexTestV2000.mdb", "data"}};
    for (const Case& c : drops) {
        SCOPED_TRACE(c.file);
        const QString path = copyOf(c.file);
        ASSERT_FALSE(path.isEmpty());
        const QString table =
            QString::fromLatin1(c.file).startsWith("blob") ? "OleTable" : "Table1";
        const QList<QStringList> before = test::ExportedRows(path, table);
        const auto digestsBefore = test::JackcessRowDigests(path);
        ASSERT_TRUE(digestsBefore.has_value());
        const TableDef defBefore = definitionOf(path, table);
        const quint32 pagesBefore = PageFile(path, kPageSize, false).PageCount();

        apply(path, QStringLiteral("ALTER TABLE [%1] DROP COLUMN [%2]").arg(table, c.table));

        EXPECT_EQ(test::ExportedRows(path, table), withoutColumn(before, c.table));
        const auto digestsAfter = test::JackcessRowDigests(path);
        ASSERT_TRUE(digestsAfter.has_value());
        EXPECT_EQ(digestsAfter->value(table).rows, digestsBefore->value(table).rows);
        for (auto it = digestsBefore->begin(); it != digestsBefore->end(); ++it)
            if (it.key() != table) {
                EXPECT_EQ(digestsAfter->value(it.key()), it.value()) << it.key().toStdString();
            }
        expectJackcessReadsItWhole(path);
        const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
        ASSERT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
        const QString jackcessTable = test::DumpSection(schema.output, "TABLE [" + table + "]");
        ASSERT_FALSE(jackcessTable.isEmpty()) << schema.output.toStdString();
        EXPECT_FALSE(jackcessTable.contains(QStringLiteral("[%1]").arg(c.table)))
            << jackcessTable.toStdString();
        const QString vantorTable =
            test::DumpSection(test::VantorDump(path), "TABLE [" + table + "]");
        ASSERT_FALSE(vantorTable.isEmpty());
        EXPECT_FALSE(vantorTable.contains(QStringLiteral("[%1]").arg(c.table)))
            << vantorTable.toStdString();

        // The others keep their numbers, as Access leaves them; the rows took no new pages to
        // speak of.
        const TableDef defAfter = definitionOf(path, table);
        EXPECT_EQ(defAfter.columns.size(), defBefore.columns.size() - 1);
        EXPECT_EQ(defAfter.maxColumns, defBefore.maxColumns);
        for (const ColumnDef& column : defAfter.columns) {
            bool same = false;
            for (const ColumnDef& old : defBefore.columns)
                same = same || (old.name == column.name && old.number == column.number &&
                                old.fixedOffset == column.fixedOffset);
            EXPECT_TRUE(same) << column.name.toStdString();
        }
        EXPECT_LE(PageFile(path, kPageSize, false).PageCount(), pagesBefore + 2);
    }
}

TEST_F(WriterAlterColumns, RequiredAndDefaultPropertiesOfAddedColumnsReadBack) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = copyOf(name);
        // Table2 holds no rows, so a required column may join it; Table1's blob of properties
        // lives on pages of its own and grows.
        apply(path, "ALTER TABLE Table2 ADD COLUMN Code TEXT(10) NOT NULL DEFAULT \"X\", "
                    "Counter COUNTER, Ratio DOUBLE NOT NULL");
        apply(path, "ALTER TABLE Table1 ADD COLUMN Extra LONG DEFAULT 42");
        const QString dump = test::VantorDump(path);
        const QString table2 = dump.mid(dump.indexOf("TABLE [Table2]"));
        EXPECT_TRUE(table2.contains("COLUMN [Code] TEXT(10) NOT NULL")) << dump.toStdString();
        EXPECT_TRUE(table2.contains("Default Value: \"X\"")) << dump.toStdString();
        EXPECT_TRUE(table2.contains("COLUMN [Counter] COUNTER")) << dump.toStdString();
        EXPECT_TRUE(table2.contains("COLUMN [Ratio] DOUBLE NOT NULL")) << dump.toStdString();
        EXPECT_TRUE(dump.contains("Default Value: 42")) << dump.toStdString();
        // Table1's own column properties are all still there.
        EXPECT_TRUE(dump.mid(dump.indexOf("TABLE [Table1]")).contains("Required: Yes") ||
                    dump.contains("COLUMN [I] YESNO"));
        const std::optional<QJsonObject> schema = test::JackcessSchema(path);
        ASSERT_TRUE(schema.has_value());
        const QByteArray json = QJsonDocument(*schema).toJson();
        EXPECT_TRUE(json.contains("\"Extra\"")) << json.toStdString();
        expectJackcessReadsItWhole(path);

        apply(path, "ALTER TABLE Table1 DROP COLUMN Extra");
        EXPECT_FALSE(test::VantorDump(path).contains("Default Value: 42"));
    }
}

TEST_F(WriterAlterColumns, ManyLongDefaultsGoIntoAChainOfPages) {
    const QString path = copyOf("testV2010.accdb");
    QStringList columns;
    for (int i = 0; i < 40; ++i)
        columns.append(QStringLiteral("Long%1 TEXT(200) DEFAULT \"%2\"")
                           .arg(i)
                           .arg(QString(150, QChar('a' + i % 26))));
    apply(path, "ALTER TABLE Table2 ADD COLUMN " + columns.join(", "));
    const QString dump = test::VantorDump(path);
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(dump.contains(QStringLiteral("COLUMN [Long%1] TEXT(200)").arg(i)));
    EXPECT_TRUE(dump.contains(QStringLiteral("Default Value: \"%1\"").arg(QString(150, 'n'))))
        << dump.toStdString();
    expectJackcessReadsItWhole(path);
    // Dropping them again makes the blob small enough for the catalog row.
    for (int i = 0; i < 40; ++i)
        apply(path, QStringLiteral("ALTER TABLE Table2 DROP COLUMN Long%1").arg(i));
    EXPECT_FALSE(test::VantorDump(path).contains("Long39"));
    expectJackcessReadsItWhole(path);
}

TEST_F(WriterAlterColumns, ChangingALargeBlobOfPropertiesAgainAndAgainDoesNotGrowTheFile) {
    // Table1's properties fill a long value page of their own.
    const QString path = copyOf("testV2003.mdb");
    apply(path, "ALTER TABLE Table1 ADD COLUMN Extra LONG DEFAULT 1");
    apply(path, "ALTER TABLE Table1 DROP COLUMN Extra");
    const quint32 pages = PageFile(path, kPageSize, false).PageCount();
    for (int i = 0; i < 20; ++i) {
        apply(path, QStringLiteral("ALTER TABLE Table1 ADD COLUMN Extra%1 LONG DEFAULT %1").arg(i));
        apply(path, QStringLiteral("ALTER TABLE Table1 DROP COLUMN Extra%1").arg(i));
    }
    EXPECT_LE(PageFile(path, kPageSize, false).PageCount(), pages + 2);
    const QString table1 = test::DumpSection(test::VantorDump(path), "TABLE [Table1]");
    EXPECT_TRUE(table1.contains("Format: $#,##0.00;($#,##0.00)")) << table1.toStdString();
    EXPECT_FALSE(table1.contains("Extra")) << table1.toStdString();
    expectJackcessReadsItWhole(path);
}

TEST_F(WriterAlterColumns, AColumnAddedThenLeftAloneByADropCanBeChangedInTheSameSession) {
    // Table1 holds one text column and two rows; once it is dropped the added number column is
    // the table's only one, and the properties blob loses its last column.
    const QString path = copyOf("badDb.accdb");
    ASSERT_FALSE(path.isEmpty());
    auto catalogNames = [&path] {
        QStringList names;
        for (const CatalogObject& object : ReadCatalog(PageFile(path, kPageSize, false)))
            names.append(object.name);
        names.sort();
        return names;
    };
    const QStringList namesBefore = catalogNames();
    {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
        writer->Apply(ParseJetDdl("ALTER TABLE [Table1] ADD [CD_AGENTE] INTEGER"));
        writer->Apply(ParseJetDdl("ALTER TABLE [Table1] DROP COLUMN [Ciao]"));
        writer->Apply(
            ParseJetDdl("ALTER TABLE [Table1] ALTER COLUMN [CD_AGENTE] INTEGER DEFAULT 0"));
        writer->Apply(ParseJetDdl("ALTER TABLE [Table1] ADD [Note] TEXT(20) DEFAULT \"n\""));
        writer->Flush();
    }
    // The catalog rows Access moved to other pages share a page with Table1's row, which each
    // statement writes again; every one of them must still be there.
    EXPECT_EQ(catalogNames(), namesBefore);
    EXPECT_EQ(test::ExportedRows(path, "Table1"),
              (QList<QStringList>{{"CD_AGENTE", "Note"}, {"~", "~"}, {"~", "~"}}));
    const QString vantorTable = test::DumpSection(test::VantorDump(path), "TABLE [Table1]");
    EXPECT_TRUE(vantorTable.contains("COLUMN [CD_AGENTE] LONG\n    Default Value: 0"))
        << vantorTable.toStdString();
    EXPECT_TRUE(vantorTable.contains("Default Value: \"n\"")) << vantorTable.toStdString();
    EXPECT_FALSE(vantorTable.contains("Ciao")) << vantorTable.toStdString();
    const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
    ASSERT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
    const QString jackcessTable = test::DumpSection(schema.output, "TABLE [Table1]");
    EXPECT_TRUE(jackcessTable.contains("[CD_AGENTE]")) << schema.output.toStdString();
    EXPECT_FALSE(jackcessTable.contains("Ciao")) << jackcessTable.toStdString();
    const auto digests = test::JackcessRowDigests(path);
    ASSERT_TRUE(digests.has_value());
    ASSERT_TRUE(digests->contains("Table1"));
    EXPECT_EQ(digests->value("Table1").rows, 2);
    expectJackcessReadsItWhole(path);

    // Many more writes of the same catalog row make the page pack its rows again and again.
    for (int i = 0; i < 12; ++i) {
        apply(path, QStringLiteral("ALTER TABLE [Table1] ADD [Extra%1] LONG DEFAULT %1").arg(i));
        apply(path, QStringLiteral("ALTER TABLE [Table1] DROP COLUMN [Extra%1]").arg(i));
    }
    EXPECT_EQ(catalogNames(), namesBefore);
    EXPECT_EQ(test::DumpSection(test::VantorDump(path), "TABLE [Table1]"), vantorTable);
    expectJackcessReadsItWhole(path);
}

TEST_F(WriterAlterColumns, RefusedAlterationsLeaveTheFileAsItWas) {
    const QString path = copyOf("indexTestV2000.mdb");
    const QByteArray before = test::FileBytes(path);
    EXPECT_EQ(errorOf(path, "ALTER TABLE Table1 DROP COLUMN id"),
              "Cannot delete field 'id'; it is part of the index 'id'. Drop the index first.");
    EXPECT_EQ(errorOf(path, "ALTER TABLE Table1 DROP COLUMN otherfk1"),
              "Cannot delete field 'otherfk1'; it is part of one or more relationships.");
    // A statement that fails halfway takes back what its first columns did.
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 DROP COLUMN data, NoSuchField")
                    .contains("Field 'NoSuchField' does not exist in table 'Table1'"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD COLUMN Fresh TEXT(5), DATA LONG")
                    .contains("Field 'DATA' already exists in table 'Table1'"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD COLUMN Must LONG NOT NULL")
                    .contains("required field 'Must'"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD COLUMN Num COUNTER")
                    .contains("AutoNumber field 'Num'"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table2 DROP COLUMN data, id").contains("part of"));
    EXPECT_TRUE(
        errorOf(path, "ALTER TABLE NoSuchTable ADD COLUMN X LONG").contains("does not exist"));
    EXPECT_TRUE(
        errorOf(path, "ALTER TABLE MSysObjects DROP COLUMN Owner").contains("system table"));
    EXPECT_TRUE(errorOf(path, "ALTER TABLE Table1 ADD COLUMN [Bad.Name] LONG")
                    .contains("not a valid name"));
    EXPECT_EQ(test::FileBytes(path), before);

    const QString wide = copyOf("testV2003.mdb");
    const QByteArray wideBefore = test::FileBytes(wide);
    QStringList columns;
    for (int i = 0; i < 250; ++i)
        columns.append(QStringLiteral("C%1 BYTE").arg(i));
    EXPECT_EQ(errorOf(wide, "ALTER TABLE Table2 ADD COLUMN " + columns.join(", ")),
              "Too many fields defined.");
    EXPECT_EQ(test::FileBytes(wide), wideBefore);
}

TEST_F(WriterAlterColumns, DroppingEveryFieldIsRefused) {
    const QString path = copyOf("testV2003.mdb");
    apply(path, "CREATE TABLE Lone (A LONG, B TEXT(5))");
    const QByteArray before = test::FileBytes(path);
    EXPECT_TRUE(
        errorOf(path, "ALTER TABLE Lone DROP COLUMN A, B").contains("drop the table instead"));
    EXPECT_EQ(test::FileBytes(path), before);
}

TEST_F(WriterAlterColumns, StatementsTheWriterCannotRunAreNamedBeforeWriting) {
    auto why = [](const char* statement) {
        try {
            return WhyStatementNotWritable(ParseJetDdl(statement)).value_or(QString());
        } catch (const Error& e) {
            return QStringLiteral("parse: ") + e.description();
        }
    };
    EXPECT_EQ(why("ALTER TABLE T ADD COLUMN X LONG CONSTRAINT PK PRIMARY KEY"), "");
    EXPECT_EQ(why("ALTER TABLE T ADD CONSTRAINT U UNIQUE (A)"), "");
    EXPECT_EQ(why("ALTER TABLE T ADD X LONG, CONSTRAINT U UNIQUE (X)"), "");
    EXPECT_TRUE(why("ALTER TABLE T ADD COLUMN X BIGINT").contains("'X'"));
    EXPECT_EQ(why("ALTER TABLE T ADD COLUMN X TEXT(10) NOT NULL DEFAULT 'a', Y MEMO"), "");
    EXPECT_EQ(why("ALTER TABLE T DROP COLUMN X, Y"), "");
}

} // namespace
} // namespace vantor
