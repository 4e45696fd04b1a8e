// CREATE TABLE on copies of real Jet 4 and ACE files, empty and with data, in both General sort
// versions: Jackcess, libmdb and Vantor's own reader see exactly the table that was asked for,
// failed statements leave the file as it was, and dropped tables give their pages back.
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QProcess>
#include <QSet>
#include <cstring>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

const char kEveryType[] =
    "CREATE TABLE Everything (Id COUNTER CONSTRAINT PK PRIMARY KEY, Title TEXT(50) NOT NULL "
    "DEFAULT \"none\", "
    "Notes MEMO, Tiny BYTE, Small SHORT, Big LONG DEFAULT 7, Ratio SINGLE, Amount DOUBLE, "
    "Price CURRENCY, Exact DECIMAL(12,4), Stamp DATETIME, Flag YESNO, Picture LONGBINARY, "
    "Raw BINARY(16), Ident GUID, CONSTRAINT TitleTiny UNIQUE (Title, Tiny))";

// Vantor's reading of the new table, as `vantor-cli dump` prints it.
const char kEveryTypeDump[] = "TABLE [Everything]\n"
                              "  COLUMN [Id] COUNTER\n"
                              "  COLUMN [Title] TEXT(50) NOT NULL\n"
                              "    Default Value: \"none\"\n"
                              "    Required: Yes\n"
                              "  COLUMN [Notes] MEMO\n"
                              "  COLUMN [Tiny] BYTE\n"
                              "  COLUMN [Small] SHORT\n"
                              "  COLUMN [Big] LONG\n"
                              "    Default Value: 7\n"
                              "  COLUMN [Ratio] SINGLE\n"
                              "  COLUMN [Amount] DOUBLE\n"
                              "  COLUMN [Price] CURRENCY\n"
                              "  COLUMN [Exact] DECIMAL(12,4)\n"
                              "  COLUMN [Stamp] DATETIME\n"
                              "  COLUMN [Flag] YESNO NOT NULL\n"
                              "  COLUMN [Picture] LONGBINARY\n"
                              "  COLUMN [Raw] BINARY(16)\n"
                              "  COLUMN [Ident] GUID\n"
                              "  INDEX [PK] ([Id]) PRIMARY UNIQUE REQUIRED\n"
                              "  INDEX [TitleTiny] ([Title], [Tiny]) UNIQUE\n";

// The same table as Jackcess reads it.
const char kEveryTypeJackcess[] =
    "TABLE [Everything]\n"
    "  COLUMN [Id] LONG length=4 units=4 AUTONUMBER(LONG)\n"
    "  COLUMN [Title] TEXT length=100 units=50\n"
    "    Required: true\n"
    "    DefaultValue: \"none\"\n"
    "  COLUMN [Notes] MEMO length=0 units=0\n"
    "  COLUMN [Tiny] BYTE length=1 units=1\n"
    "  COLUMN [Small] INT length=2 units=2\n"
    "  COLUMN [Big] LONG length=4 units=4\n"
    "    DefaultValue: 7\n"
    "  COLUMN [Ratio] FLOAT length=4 units=4\n"
    "  COLUMN [Amount] DOUBLE length=8 units=8\n"
    "  COLUMN [Price] MONEY length=8 units=8\n"
    "  COLUMN [Exact] NUMERIC length=17 units=17 precision=12 scale=4\n"
    "  COLUMN [Stamp] SHORT_DATE_TIME length=8 units=8\n"
    "  COLUMN [Flag] BOOLEAN length=1 units=1\n"
    "  COLUMN [Picture] OLE length=0 units=0\n"
    "  COLUMN [Raw] BINARY length=16 units=16\n"
    "  COLUMN [Ident] GUID length=16 units=16\n"
    "  INDEX [PK] ([Id] ASC) PRIMARY UNIQUE REQUIRED\n"
    "  INDEX [TitleTiny] ([Title] ASC, [Tiny] ASC) UNIQUE\n";

// And as libmdb reads it.
const char kEveryTypeLibmdb[] = "CREATE TABLE [Everything]\n"
                                " (\n"
                                "\t[Id]\t\t\tLong Integer, \n"
                                "\t[Title]\t\t\tText (50) NOT NULL, \n"
                                "\t[Notes]\t\t\tMemo/Hyperlink (255), \n"
                                "\t[Tiny]\t\t\tByte, \n"
                                "\t[Small]\t\t\tInteger, \n"
                                "\t[Big]\t\t\tLong Integer, \n"
                                "\t[Ratio]\t\t\tSingle, \n"
                                "\t[Amount]\t\t\tDouble, \n"
                                "\t[Price]\t\t\tCurrency, \n"
                                "\t[Exact]\t\t\tNumeric (12, 4), \n"
                                "\t[Stamp]\t\t\tDateTime, \n"
                                "\t[Flag]\t\t\tBoolean NOT NULL, \n"
                                "\t[Picture]\t\t\tOLE (255), \n"
                                "\t[Raw]\t\t\tBinary, \n"
                                "\t[Ident]\t\t\tReplication ID\n"
                                ");\n";

QString section(const QString& dump, const QString& heading) {
    const qsizetype start = dump.indexOf(heading);
    if (start < 0)
        return QString();
    const qsizetype end = dump.indexOf("\n\n", start);
    return dump.mid(start, end < 0 ? -1 : end - start + 1);
}

// The rows of a table found by name in the catalog, with the definition that decodes them.
struct TableRows {
    TableDef def;
    QList<RowValues> rows;
    qsizetype Column(const char* name) const {
        for (qsizetype i = 0; i < def.columns.size(); ++i)
            if (def.columns[i].name == QLatin1String(name))
                return i;
        return -1;
    }
};

TableRows rowsOf(const PageFile& file, const QString& table) {
    TableRows result;
    for (const CatalogObject& object : ReadCatalog(file))
        if (object.name == table && object.type == kTableObjectType)
            result.def = ReadTableDef(file, quint32(object.id));
    ForEachRow(file, result.def, [&](RowPointer, const QByteArray& row) {
        result.rows.append(DecodeRow(result.def, row));
    });
    return result;
}

qint32 idOf(const PageFile& file, const QString& table) {
    for (const CatalogObject& object : ReadCatalog(file))
        if (object.name == table)
            return object.id;
    return 0;
}

// The permission rows of one object as (SID, rights, inheritable) triples.
QSet<QByteArray> permissionsOf(const PageFile& file, qint32 objectId) {
    const TableRows aces = rowsOf(file, "MSysACEs");
    QSet<QByteArray> entries;
    for (const RowValues& row : aces.rows) {
        const std::optional<QByteArray>& id = row.value(aces.Column("ObjectId"));
        if (id && qint32(U32(*id, 0)) == objectId)
            entries.insert(row.value(aces.Column("SID")).value_or("") + "|" +
                           row.value(aces.Column("ACM")).value_or("") + "|" +
                           row.value(aces.Column("FInheritable")).value_or(""));
    }
    return entries;
}

class WriterCreateTable : public test::WriterFileTest {
protected:
    QTemporaryDir dir_;
};

TEST_F(WriterCreateTable, EveryColumnTypeReadsBackInEveryReader) {
    QSet<quint8> sortVersions;
    for (const char* name :
         {"emptyJet4.mdb", "testV2003.mdb", "empty2019.accdb", "testV2010.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = test::CopyToTemp(dir_, test::SharedAccessFile(name));
        apply(path, kEveryType);

        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
        for (const char* index : {"PK", "TitleTiny", "ParentIdName"})
            EXPECT_TRUE(check.output.contains(QStringLiteral("\t%1\tok").arg(index)))
                << index << "\n"
                << check.output.toStdString();
        const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
        EXPECT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
        EXPECT_EQ(section(schema.output, "TABLE [Everything]").toStdString(), kEveryTypeJackcess);

        QProcess mdbSchema;
        mdbSchema.start("mdb-schema", {"--indexes", "--not-null", "-T", "Everything", path});
        ASSERT_TRUE(mdbSchema.waitForFinished(60000));
        EXPECT_EQ(section(QString::fromUtf8(mdbSchema.readAllStandardOutput()),
                          "CREATE TABLE [Everything]")
                      .toStdString(),
                  kEveryTypeLibmdb);
        QProcess mdbExport;
        mdbExport.start("mdb-export", {path, "Everything"});
        ASSERT_TRUE(mdbExport.waitForFinished(60000));
        EXPECT_EQ(mdbExport.exitCode(), 0);
        EXPECT_EQ(QString::fromUtf8(mdbExport.readAllStandardOutput()).toStdString(),
                  "Id,Title,Notes,Tiny,Small,Big,Ratio,Amount,Price,Exact,Stamp,Flag,Picture,"
                  "Raw,Ident\n");

        EXPECT_EQ(section(test::VantorDump(path), "TABLE [Everything]").toStdString(),
                  kEveryTypeDump);

        // New text columns sort as the file says its text sorts.
        PageFile file(path, 4096, false);
        for (const CatalogObject& object : ReadCatalog(file)) {
            if (object.name != "Everything")
                continue;
            const TableDef def = ReadTableDef(file, quint32(object.id));
            ASSERT_EQ(def.columns.size(), 15);
            sortVersions.insert(def.columns[1].SortVersion());
            // In name order, as Access keeps them, each still naming its own storage.
            ASSERT_EQ(def.logicalIndexes.size(), 2);
            EXPECT_EQ(def.logicalIndexes[0].name, "PK");
            EXPECT_EQ(def.logicalIndexes[1].name, "TitleTiny");
            EXPECT_NE(def.logicalIndexes[0].number, def.logicalIndexes[1].number);
            EXPECT_NE(def.logicalIndexes[0].realIndex, def.logicalIndexes[1].realIndex);
        }
    }
    EXPECT_EQ(sortVersions, (QSet<quint8>{0, 1}));
}

TEST_F(WriterCreateTable, CatalogRowAndPermissionsMatchATableAccessMade) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb", "indexTestV2000.mdb"}) {
        SCOPED_TRACE(name);
        const QString path = test::CopyToTemp(dir_, test::SharedAccessFile(name));
        apply(path, "CREATE TABLE Fresh (A TEXT(10))");
        PageFile file(path, 4096, false);
        const qint32 fresh = idOf(file, "Fresh");
        const qint32 made = idOf(file, "Table1");
        ASSERT_NE(fresh, 0);
        ASSERT_NE(made, 0);
        // The table's id is its definition's page.
        const TableDef freshDef = ReadTableDef(file, quint32(fresh));
        ASSERT_EQ(freshDef.columns.size(), 1);
        // Text sorts as in the tables Access made in the same file.
        int compared = 0;
        for (const ColumnDef& c : ReadTableDef(file, quint32(made)).columns) {
            if (c.type != TypeText)
                continue;
            EXPECT_EQ(c.typeInfo, freshDef.columns[0].typeInfo) << c.name.toStdString();
            ++compared;
        }
        EXPECT_GT(compared, 0);
        EXPECT_EQ(permissionsOf(file, fresh), permissionsOf(file, made));
        EXPECT_EQ(permissionsOf(file, fresh).size(), 3);

        const TableRows objects = rowsOf(file, "MSysObjects");
        RowValues freshRow;
        RowValues madeRow;
        for (const RowValues& row : objects.rows) {
            const std::optional<QByteArray>& id = row.value(objects.Column("Id"));
            if (id && qint32(U32(*id, 0)) == fresh)
                freshRow = row;
            if (id && qint32(U32(*id, 0)) == made)
                madeRow = row;
        }
        ASSERT_FALSE(freshRow.isEmpty());
        ASSERT_FALSE(madeRow.isEmpty());
        for (const char* column : {"ParentId", "Type", "Owner", "Flags", "Database", "Connect"})
            EXPECT_EQ(freshRow.value(objects.Column(column)), madeRow.value(objects.Column(column)))
                << column;
        EXPECT_FALSE(freshRow.value(objects.Column("LvProp")).has_value());
        const std::optional<QByteArray> created = freshRow.value(objects.Column("DateCreate"));
        ASSERT_TRUE(created.has_value());
        double days = 0;
        std::memcpy(&days, created->constData(), sizeof days);
        EXPECT_GT(days, 46000.0); // after 2025
    }
}

TEST_F(WriterCreateTable, FailedStatementsLeaveTheFileAsItWas) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("testV2010.accdb"));
    const QByteArray before = test::FileBytes(path);
    EXPECT_TRUE(errorOf(path, "CREATE TABLE table1 (X LONG)").contains("already exists"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A LONG, a TEXT(5))").contains("already exists"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE [Bad.Name] (A LONG)").contains("not a valid name"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh ([ Lead] LONG)").contains("not a valid name"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A TIMESTAMP)").contains("type"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A BIGINT)").contains("type"));
    // These fail after the definition and catalog row are written, so the journal must undo them.
    // Table1's key is text.
    EXPECT_TRUE(
        errorOf(path, "CREATE TABLE Fresh (A LONG REFERENCES Table1)").contains("same data types"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A LONG CONSTRAINT X UNIQUE, "
                              "B LONG CONSTRAINT x UNIQUE)")
                    .contains("already has an index"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A LONG, CONSTRAINT P PRIMARY KEY (Missing))")
                    .contains("does not exist"));
    EXPECT_TRUE(errorOf(path, "CREATE TABLE Fresh (A LONG PRIMARY KEY, B LONG PRIMARY KEY)")
                    .contains("Primary key already exists"));
    QStringList required;
    for (int i = 1; i <= 120; ++i)
        required.append(QStringLiteral("Required%1 LONG NOT NULL").arg(i));
    EXPECT_TRUE(errorOf(path, QStringLiteral("CREATE TABLE Fresh (%1)").arg(required.join(", ")))
                    .contains("field properties"));
    EXPECT_EQ(test::FileBytes(path), before);

    // The file still takes the table once the statement is right.
    apply(path, "CREATE TABLE Fresh (A LONG PRIMARY KEY, B LONG UNIQUE, C LONG UNIQUE)");
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    PageFile file(path, 4096, false);
    const TableDef fresh = ReadTableDef(file, quint32(idOf(file, "Fresh")));
    QStringList names;
    QSet<quint32> numbers;
    for (const LogicalIndexDef& l : fresh.logicalIndexes) {
        names.append(l.name);
        numbers.insert(l.number);
    }
    EXPECT_EQ(names, (QStringList{"Index", "Index1", "PrimaryKey"}));
    EXPECT_EQ(numbers, (QSet<quint32>{0, 1, 2}));
    for (const char* index : {"PrimaryKey", "Index", "Index1"})
        EXPECT_TRUE(check.output.contains(QStringLiteral("Fresh\t%1\tok").arg(index)))
            << index << "\n"
            << check.output.toStdString();
}

TEST_F(WriterCreateTable, WideTablesSpanSeveralDefinitionPages) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("testV2003.mdb"));
    QStringList columns;
    for (int i = 1; i <= 255; ++i)
        columns.append(QStringLiteral("Column%1 %2").arg(i).arg(i % 2 ? "LONG" : "TEXT(20)"));
    const QByteArray before = test::FileBytes(path);
    EXPECT_TRUE(
        errorOf(path, QStringLiteral("CREATE TABLE Wide (%1, Extra LONG)").arg(columns.join(", ")))
            .contains("1 to 255"));
    EXPECT_EQ(test::FileBytes(path), before);

    apply(path, QStringLiteral("CREATE TABLE Wide (%1, CONSTRAINT PK PRIMARY KEY (Column255))")
                    .arg(columns.join(", ")));
    PageFile file(path, 4096, false);
    const qint32 id = idOf(file, "Wide");
    ASSERT_NE(id, 0);
    EXPECT_NE(U32(file.Page(quint32(id)), 4), 0u); // a continuation page
    const TableDef def = ReadTableDef(file, quint32(id));
    ASSERT_EQ(def.columns.size(), 255);
    EXPECT_EQ(def.varColumns, 127);
    EXPECT_EQ(def.columns[254].fixedOffset, 127 * 4);

    const test::JackcessResult schema = test::RunJackcess("SchemaDump", {path});
    EXPECT_EQ(schema.exitCode, 0) << schema.errors.toStdString();
    const QString table = section(schema.output, "TABLE [Wide]");
    EXPECT_EQ(table.count("  COLUMN ["), 255);
    EXPECT_TRUE(table.contains("COLUMN [Column254] TEXT length=40 units=20"));
    EXPECT_TRUE(table.contains("INDEX [PK] ([Column255] ASC) PRIMARY UNIQUE REQUIRED"));
    const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    EXPECT_TRUE(test::VantorDump(path).contains("COLUMN [Column255] LONG"));
}

TEST_F(WriterCreateTable, StatementsTheWriterCannotStoreAreNamed) {
    EXPECT_FALSE(WhyStatementNotWritable(ParseJetDdl("CREATE TABLE T (A TEXT(5) NOT NULL "
                                                     "DEFAULT 'x', B DECIMAL(10,2) UNIQUE)")));
    EXPECT_FALSE(WhyStatementNotWritable(
        ParseJetDdl("CREATE TABLE T (A LONG, CONSTRAINT F FOREIGN KEY (A) REFERENCES U)")));
    const std::optional<QString> type =
        WhyStatementNotWritable(ParseJetDdl("CREATE TABLE T (A LONG, B TIMESTAMP)"));
    ASSERT_TRUE(type.has_value());
    EXPECT_TRUE(type->contains("'B'"));
    const std::optional<QString> other =
        WhyStatementNotWritable(ParseJetDdl("ALTER TABLE T ADD COLUMN B BIGINT"));
    ASSERT_TRUE(other.has_value());
    EXPECT_TRUE(other->contains("'B'"));
}

TEST_F(WriterCreateTable, CreatingAndDroppingTablesDoesNotGrowTheFile) {
    for (const char* name : {"testV2003.mdb", "empty2019.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = test::CopyToTemp(dir_, test::SharedAccessFile(name));
        const test::JackcessResult rowsBefore = test::RunJackcess("RowDigest", {"--system", path});
        const char* create = "CREATE TABLE Churn (Id COUNTER PRIMARY KEY, Title TEXT(40) NOT "
                             "NULL UNIQUE, Notes MEMO, Picture LONGBINARY)";
        apply(path, create);
        apply(path, "DROP TABLE Churn");
        const quint32 pages = PageFile(path, 4096, false).PageCount();
        for (int i = 0; i < 100; ++i) {
            apply(path, create);
            apply(path, "DROP TABLE Churn");
        }
        EXPECT_EQ(PageFile(path, 4096, false).PageCount(), pages);
        // Every catalog and permission row the tables had went with them.
        const test::JackcessResult rowsAfter = test::RunJackcess("RowDigest", {"--system", path});
        EXPECT_EQ(rowsAfter.output, rowsBefore.output);
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    }
}

} // namespace
} // namespace vantor
