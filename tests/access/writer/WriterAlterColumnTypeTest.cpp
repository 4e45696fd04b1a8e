// ALTER TABLE ALTER COLUMN on copies of real files with rows: converted values as libmdb's
// exporter and Jackcess read them, round trips through other types that give every value back,
// and conversions that fail leaving the file byte for byte as it was.
#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vantor {
namespace {

class WriterAlterColumnType : public test::WriterFileTest {
protected:
    QString copyOf(const char* name) {
        QString source = test::SharedAccessFile(name);
        if (!QFile::exists(source))
            source = QDir(test::SharedAccessMoreDir()).filePath(name);
        return test::CopyToTemp(dir_, source);
    }
    void expectIndexesWhole(const QString& path) {
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    }
    QTemporaryDir dir_;
};

// Rows in the order of their first field, so that files that store them otherwise compare.
QList<QStringList> sorted(QList<QStringList> rows) {
    if (!rows.isEmpty())
        std::sort(rows.begin() + 1, rows.end());
    return rows;
}

TEST_F(WriterAlterColumnType, ValuesTakeTheirNewTypesInBothFormats) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = copyOf(name);
        for (const char* statement :
             {"ALTER TABLE Table1 ALTER COLUMN D LONG",
              "ALTER TABLE Table1 ALTER COLUMN C TEXT(10)",
              "ALTER TABLE Table1 ALTER COLUMN F CURRENCY",
              "ALTER TABLE Table1 ALTER COLUMN H DOUBLE",
              "ALTER TABLE Table1 ALTER COLUMN E DECIMAL(12,2)",
              "ALTER TABLE Table1 ALTER COLUMN B TEXT(20) NOT NULL DEFAULT \"zz\"",
              "ALTER TABLE Table1 ALTER COLUMN I LONG", "ALTER TABLE Table1 ALTER COLUMN G DOUBLE"})
            apply(path, statement);

        const QList<QStringList> expected = {
            {"A", "B", "C", "D", "E", "F", "G", "H", "I"},
            {"a", "b", "0", "0", "0.00", "0.0000", "29932", "0", "0"},
            {"abcdefg", "hijklmnop", "2", "222", "333333333.00", "444.5550", "27293", "3.5", "-1"}};
        EXPECT_EQ(sorted(test::ExportedRows(path, "Table1")), expected);
        const QString table1 = test::DumpSection(test::VantorDump(path), "TABLE [Table1]");
        for (const char* line : {"COLUMN [B] TEXT(20) NOT NULL", "Default Value: \"zz\"",
                                 "COLUMN [C] TEXT(10)", "COLUMN [E] DECIMAL(12,2)",
                                 "COLUMN [G] DOUBLE", "COLUMN [I] LONG", "INDEX [B] ([B])"})
            EXPECT_TRUE(table1.contains(line)) << line << "\n" << table1.toStdString();
        // The index over the changed text column finds every row.
        expectIndexesWhole(path);
        const auto digests = test::JackcessRowDigests(path);
        ASSERT_TRUE(digests.has_value());
        EXPECT_EQ(digests->value("Table1").rows, 2);
    }
}

TEST_F(WriterAlterColumnType, RoundTripsThroughOtherTypesGiveEveryValueBack) {
    struct RoundTrip {
        const char* file;
        QStringList statements;
    };
    const QList<RoundTrip> trips = {
        {"testV2003.mdb",
         {"ALTER TABLE Table1 ALTER COLUMN D LONG", "ALTER TABLE Table1 ALTER COLUMN D SHORT",
          "ALTER TABLE Table1 ALTER COLUMN H DOUBLE", "ALTER TABLE Table1 ALTER COLUMN H CURRENCY",
          "ALTER TABLE Table1 ALTER COLUMN F TEXT(30)", "ALTER TABLE Table1 ALTER COLUMN F DOUBLE",
          "ALTER TABLE Table1 ALTER COLUMN A TEXT(200)",
          "ALTER TABLE Table1 ALTER COLUMN A TEXT(50)"}},
        // An indexed column over 512 rows, a text column through memo and back.
        {"compIndexTestV2000.mdb",
         {"ALTER TABLE Table1 ALTER COLUMN CD_AGENTE DOUBLE",
          "ALTER TABLE Table1 ALTER COLUMN CD_AGENTE LONG",
          "ALTER TABLE Table1 ALTER COLUMN RS_AGENTE MEMO",
          "ALTER TABLE Table1 ALTER COLUMN RS_AGENTE TEXT(55)"}},
        // A memo through text and decimals through Long and text.
        {"fixedNumericTestV2000.mdb",
         {"ALTER TABLE test ALTER COLUMN col1 TEXT(20)", "ALTER TABLE test ALTER COLUMN col1 MEMO",
          "ALTER TABLE test ALTER COLUMN col6 LONG", "ALTER TABLE test ALTER COLUMN col6 SHORT",
          "ALTER TABLE test ALTER COLUMN col6 CURRENCY", "ALTER TABLE test ALTER COLUMN col6 REAL",
          "ALTER TABLE test ALTER COLUMN col6 DECIMAL(18,0)",
          "ALTER TABLE test ALTER COLUMN col2 TEXT(40)",
          "ALTER TABLE test ALTER COLUMN col2 DECIMAL(18,0)"}},
        // An OLE value of many pages moves with its row while the key changes type twice.
        {"blobOleLazyLoading.accdb",
         {"ALTER TABLE OleTable ALTER COLUMN ID DOUBLE",
          "ALTER TABLE OleTable ALTER COLUMN ID LONG"}},
        {"testV2010.accdb",
         {"ALTER TABLE Table1 ALTER COLUMN C INTEGER", "ALTER TABLE Table1 ALTER COLUMN C BYTE",
          "ALTER TABLE Table1 ALTER COLUMN E TEXT(12)", "ALTER TABLE Table1 ALTER COLUMN E LONG",
          "ALTER TABLE Table1 ALTER COLUMN G DOUBLE",
          "ALTER TABLE Table1 ALTER COLUMN G DATETIME"}},
    };
    for (const RoundTrip& trip : trips) {
        SCOPED_TRACE(trip.file);
        const QString path = copyOf(trip.file);
        ASSERT_FALSE(path.isEmpty());
        const auto before = test::JackcessRowDigests(path);
        ASSERT_TRUE(before.has_value());
        for (const QString& statement : trip.statements) {
            SCOPED_TRACE(statement.toStdString());
            apply(path, statement);
        }
        EXPECT_EQ(test::JackcessRowDigests(path), before);
        expectIndexesWhole(path);
    }
}

TEST_F(WriterAlterColumnType, ValuesThatDoNotConvertLeaveTheFileByteForByte) {
    const QString path = copyOf("testV2003.mdb");
    apply(path, "ALTER TABLE Table1 ADD COLUMN Empty LONG");
    const QByteArray before = test::FileBytes(path);
    struct Refusal {
        const char* statement;
        const char* error;
    };
    const Refusal refusals[] = {
        {"ALTER TABLE Table1 ALTER COLUMN E BYTE", "Numeric field overflow."},
        {"ALTER TABLE Table1 ALTER COLUMN E DECIMAL(5,2)", "Numeric field overflow."},
        {"ALTER TABLE Table1 ALTER COLUMN A TEXT(3)",
         "The field is too small to accept the amount of data you attempted to add. Try "
         "inserting or pasting less data."},
        {"ALTER TABLE Table1 ALTER COLUMN B LONG", "Data type conversion error."},
        {"ALTER TABLE Table1 ALTER COLUMN Empty LONG NOT NULL",
         "The field 'Table1.Empty' cannot contain a Null value because the Required property "
         "for this field is set to True. Enter a value in this field."},
        {"ALTER TABLE Table1 ALTER COLUMN G TEXT(30)", "convert the values of field 'G'"},
        {"ALTER TABLE Table1 ALTER COLUMN I TEXT(5)", "convert the values of field 'I'"},
        {"ALTER TABLE Table1 ALTER COLUMN B MEMO", "indexed field 'B'"},
        {"ALTER TABLE Table1 ALTER COLUMN Nothing LONG",
         "Field 'Nothing' does not exist in table 'Table1'."},
        {"ALTER TABLE Table1 ALTER COLUMN Empty COUNTER", "AutoNumber"},
        {"ALTER TABLE MSysObjects ALTER COLUMN Id LONG", "system table"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.statement);
        EXPECT_TRUE(errorOf(path, refusal.statement).contains(refusal.error))
            << errorOf(path, refusal.statement).toStdString();
        EXPECT_EQ(test::FileBytes(path), before);
    }

    // A relationship's column, and an OLE value far too large for a binary field.
    const QString related = copyOf("indexTestV2000.mdb");
    const QByteArray relatedBefore = test::FileBytes(related);
    EXPECT_EQ(errorOf(related, "ALTER TABLE Table1 ALTER COLUMN otherfk1 DOUBLE"),
              "Vantor cannot change the field 'otherfk1' while a relationship uses it; drop the "
              "relationship first.");
    EXPECT_EQ(test::FileBytes(related), relatedBefore);
    const QString ole = copyOf("blobOleLazyLoading.accdb");
    // The key fits a Byte; the OLE value does not fit 255 bytes.
    EXPECT_EQ(errorOf(ole, "ALTER TABLE OleTable ALTER COLUMN ID BYTE"), "");
    const QByteArray oleBefore = test::FileBytes(ole);
    EXPECT_TRUE(
        errorOf(ole, "ALTER TABLE OleTable ALTER COLUMN Ole BINARY(255)").contains("too small"));
    EXPECT_EQ(test::FileBytes(ole), oleBefore);
}

TEST_F(WriterAlterColumnType, NullabilityAndDefaultChangeOnlyWhereTheStatementSays) {
    const QString path = copyOf("testV2010.accdb");
    // D keeps its default of 0 when the statement gives none; I loses the NOT NULL that only its
    // Yes/No type gave it.
    apply(path, "ALTER TABLE Table1 ALTER COLUMN D LONG");
    apply(path, "ALTER TABLE Table1 ALTER COLUMN I SHORT");
    apply(path, "ALTER TABLE Table1 ALTER COLUMN E LONG NOT NULL DEFAULT 7");
    apply(path, "ALTER TABLE Table1 ALTER COLUMN E LONG NULL");
    const QString table1 = test::DumpSection(test::VantorDump(path), "TABLE [Table1]");
    EXPECT_TRUE(table1.contains("COLUMN [D] LONG\n    Default Value: 0")) << table1.toStdString();
    EXPECT_TRUE(table1.contains("COLUMN [I] SHORT\n")) << table1.toStdString();
    EXPECT_TRUE(table1.contains("COLUMN [E] LONG\n    Default Value: 7")) << table1.toStdString();
    EXPECT_FALSE(table1.contains("NOT NULL")) << table1.toStdString();
    expectIndexesWhole(path);
}

TEST_F(WriterAlterColumnType, ConstraintsAndUnstoredTypesAreNamedBeforeWriting) {
    auto why = [](const char* statement) {
        return WhyStatementNotWritable(ParseJetDdl(statement)).value_or(QString());
    };
    EXPECT_TRUE(why("ALTER TABLE T ALTER COLUMN X LONG CONSTRAINT PK PRIMARY KEY")
                    .contains("PRIMARY KEY, UNIQUE or FOREIGN KEY"));
    EXPECT_TRUE(why("ALTER TABLE T ALTER COLUMN X BIGINT").contains("'X'"));
    EXPECT_EQ(why("ALTER TABLE T ALTER COLUMN X TEXT(10) NOT NULL DEFAULT 'a'"), "");
}

} // namespace
} // namespace vantor
