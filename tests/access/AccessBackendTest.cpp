#include "engine/Connection.h"
#include "engine/access/JetHeader.h"
#include "model/VantorError.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

struct Db {
    Connection cn;

    explicit Db(const QString& path, const QString& user = {}, const QString& password = {}) {
        cn.Provider("Microsoft.Jet.OLEDB.4.0");
        cn.Properties(prop::DataSource).Value(path);
        cn.Properties(prop::UserId).Value(user);
        cn.Properties(prop::Password).Value(password);
        cn.Open();
    }

    QList<QVariantList> Rows(qint32 schema, const QStringList& columns,
                             const QVariantList& criteria = {}) {
        QList<QVariantList> out;
        auto rs = cn.OpenSchema(schema, criteria);
        while (!rs->Eof()) {
            QVariantList row;
            for (const QString& c : columns)
                row.append(rs->Fields(c).Value());
            out.append(row);
            rs->MoveNext();
        }
        return out;
    }
    QList<QVariantList> Tables() { return Rows(adSchemaTables, {"TABLE_NAME", "TABLE_TYPE"}); }
    QList<QVariantList> Columns(const QString& table) {
        return Rows(adSchemaColumns,
                    {"COLUMN_NAME", "DATA_TYPE", "CHARACTER_MAXIMUM_LENGTH", "IS_NULLABLE",
                     "ORDINAL_POSITION"},
                    {QVariant(), QVariant(), table, QVariant()});
    }
    QList<QVariantList> Views() { return Rows(adSchemaViews, {"TABLE_NAME", "VIEW_DEFINITION"}); }
    QStringList TablesOfType(const QString& type) {
        QStringList names;
        for (const QVariantList& r : Tables())
            if (r[1].toString() == type)
                names.append(r[0].toString());
        return names;
    }
};

// The error an open raises, or a failure when it opens.
VantorError openError(const QString& path, const QString& user = {}, const QString& pw = {}) {
    try {
        Db db(path, user, pw);
        db.Tables();
    } catch (const VantorError& e) {
        return e;
    }
    ADD_FAILURE() << "opened " << path.toStdString();
    return VantorError(0, QString());
}

// Every file of the shared folder, then the files fetched from package registries.
QStringList allRealFiles() {
    QStringList files;
    QDirIterator it(SharedAccessDir(), {"*.mdb", "*.accdb"}, QDir::Files);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    for (const char* name : {"Monitor.mdb", "fruit.mdb", "node-adodb.mdb"})
        if (QString path = RegistryTestFile(name); !path.isEmpty())
            files.append(path);
    return files;
}

} // namespace

TEST(AccessBackend, EveryRealFileOpensWithSaneRows) {
    for (const QString& path : allRealFiles()) {
        SCOPED_TRACE(path.toStdString());
        Db db(path);
        QList<QVariantList> tables = db.Tables();
        EXPECT_TRUE(db.TablesOfType("SYSTEM TABLE").contains("MSysObjects"));
        for (const QVariantList& t : tables) {
            EXPECT_FALSE(t[0].toString().isEmpty());
            if (t[1].toString() != "TABLE")
                continue;
            QList<QVariantList> columns = db.Columns(t[0].toString());
            EXPECT_FALSE(columns.isEmpty()) << t[0].toString().toStdString();
            for (const QVariantList& c : columns) {
                // 0 (adEmpty) only for the type codes that Access itself cannot show.
                if (!path.contains("unsupported")) {
                    EXPECT_NE(c[1].toInt(), 0) << c[0].toString().toStdString();
                }
                EXPECT_GE(c[4].toInt(), 1);
            }
        }
        for (const QVariantList& v : db.Views())
            EXPECT_TRUE(v[1].toString().endsWith(";\r\n"));
    }
    // fruit.mdb keeps some select queries without a type row, and a form's hidden one.
    if (QString fruit = RegistryTestFile("fruit.mdb"); !fruit.isEmpty()) {
        QStringList views;
        for (const QVariantList& v : Db(fruit).Views())
            views.append(v[0].toString());
        EXPECT_EQ(views, (QStringList{"Exist in Tables", "In Dried", "In Fruit Salad",
                                      "In Muffin/Bread", "In Veggie Salad", "~sq_fFruit"}));
    }
    if (SharedAccessDir().isEmpty())
        GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
}

TEST(AccessBackend, Jet4AndAceServeTheSameColumns) {
    REQUIRE_SHARED_FILE(jet4, "testV2003.mdb");
    REQUIRE_SHARED_FILE(ace, "testV2007.accdb");
    Db a(jet4), b(ace);
    QStringList tables = a.TablesOfType("TABLE");
    EXPECT_EQ(tables, b.TablesOfType("TABLE"));
    EXPECT_EQ(tables.size(), 4);
    for (const QString& t : tables)
        EXPECT_EQ(a.Columns(t), b.Columns(t)) << t.toStdString();
}

TEST(AccessBackend, Jet3ColumnsComeInNameOrderWithJetValues) {
    REQUIRE_SHARED_FILE(path, "testV1997.mdb");
    QStringList columns; // name, type, length, nullable, position
    for (const QVariantList& c : Db(path).Columns("table1")) // names match without regard to case
        columns << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(c[0].toString(), c[1].toString(), c[2].isNull() ? "-" : c[2].toString(),
                            c[3].toString(), c[4].toString());
    EXPECT_EQ(columns.join(", "), "A 130 50 true 1, B 130 100 true 2, C 17 - true 3, D 2 - true 4, "
                                  "E 3 - true 5, F 5 - true 6, G 7 - true 7, H 6 - true 8, "
                                  "I 11 - false 9");
}

TEST(AccessBackend, QueriesAndLinksGiveTheirRows) {
    for (const char* file : {"queryTestV1997.mdb", "queryTestV2003.mdb", "queryTestV2010.accdb"}) {
        REQUIRE_SHARED_FILE(path, file);
        Db db(path);
        QList<QVariantList> views = db.Views();
        ASSERT_EQ(views.size(), 1) << file;
        EXPECT_EQ(views[0][0].toString(), "SelectQuery");
        EXPECT_EQ(views[0][1].toString(),
                  "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\n"
                  "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 "
                  "ON (Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\r\n"
                  "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\n"
                  "ORDER BY Table2.col1;\r\n")
            << file;
        EXPECT_EQ(db.TablesOfType("VIEW"), QStringList{"SelectQuery"}) << file;
    }
    REQUIRE_SHARED_FILE(path, "linkerTestV2007.accdb");
    Db db(path);
    EXPECT_EQ(db.TablesOfType("LINK"), QStringList{"Table2"});
    EXPECT_EQ(db.TablesOfType("TABLE"), QStringList{"Table1"});
}

TEST(AccessBackend, EncodedAndEncryptedFilesOpenWithTheirPasswords) {
    struct Case {
        const char* file;
        const char* password;
        QString table;
    };
    const Case cases[] = {
        {"encrypted/db97-enc.mdb", "", "Table1"},
        {"encrypted/db-enc.mdb", "", "Table1"},
        {"encrypted/db2007-enc.accdb", "Test123", "Table1"},
        {"encrypted/db2007-oldenc.accdb", "Test123", "Table1"},
        {"encrypted/db2013-enc.accdb", "1234", "Customers"},
        {"encrypted/db-nonstandard.accdb", "password", "Table_One"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        REQUIRE_SHARED_FILE(path, c.file);
        const QByteArray before = FileBytes(path);
        Db db(path, {}, c.password);
        EXPECT_EQ(db.TablesOfType("TABLE"), QStringList{c.table});
        if (QString(c.password).isEmpty())
            continue;
        QStringList columns;
        for (const QVariantList& column : db.Columns(c.table))
            columns.append(column[0].toString());
        EXPECT_EQ(columns, QStringList({"Field1", "ID"}));
        // A wrong password or none at all is Jet's logon error, and the file stays as it was.
        for (const QString& wrong : {QString(), QStringLiteral("test123"), QStringLiteral("x")}) {
            VantorError e = openError(path, {}, wrong);
            EXPECT_EQ(e.Description(), "Not a valid password.");
            EXPECT_EQ(e.Number(), -2147217843);
        }
        EXPECT_EQ(FileBytes(path), before);
    }
}

// A file whose encryption cannot be undone here, or whose description of it is damaged, says
// so and names the file; the password is never part of the message.
TEST(AccessBackend, UnusableEncryptionIsExplained) {
    REQUIRE_SHARED_FILE(original, "encrypted/db2013-enc.accdb");
    const QByteArray bytes = FileBytes(original);
    QByteArray longLength = bytes; // the description would run past its page
    longLength[0x299] = static_cast<char>(0xFF);
    longLength[0x29A] = static_cast<char>(0xFF);
    QByteArray newerVersion = bytes;
    newerVersion[0x29B] = 3;
    newerVersion[0x29D] = 3;
    QByteArray badSalt = bytes;
    badSalt.replace(badSalt.indexOf("saltValue=\"") + 11, 4, "!!!!");
    const std::pair<QByteArray, QString> cases[] = {
        {longLength, "truncated"},
        {newerVersion, "version 3.3"},
        {badSalt, "malformed"},
    };
    QTemporaryDir dir;
    for (const auto& [damaged, reason] : cases) {
        QString path = WriteFile(dir, "damaged.accdb", damaged);
        QString text = openError(path, {}, "1234").Description();
        EXPECT_TRUE(text.startsWith("Cannot open '" + path + "':")) << text.toStdString();
        EXPECT_TRUE(text.contains(reason)) << text.toStdString();
        EXPECT_FALSE(text.contains("1234"));
        EXPECT_EQ(FileBytes(path), damaged);
    }
}

TEST(AccessBackend, PasswordAndAccountMustMatch) {
    const QString account = QStringLiteral("Not a valid account name or password.");
    REQUIRE_SHARED_FILE(empty, "empty.mdb");
    Db(empty, "", "");
    Db(empty, "ADMIN", "");
    EXPECT_EQ(openError(empty, "Admin", "pw").Description(), account);
    EXPECT_EQ(openError(empty, "Fred", "").Description(), account);

    for (const char* file : {"testV1997.mdb", "testV2003.mdb", "testV2010.accdb"}) {
        REQUIRE_SHARED_FILE(original, file);
        QTemporaryDir dir;
        QString path = WriteFile(dir, QFileInfo(original).fileName(),
                                 WithJetPassword(FileBytes(original), "Geheim"));
        for (const QString& wrong : {QString(), QStringLiteral("geheim"), QStringLiteral("x")}) {
            VantorError e = openError(path, {}, wrong);
            EXPECT_EQ(e.Description(), "Not a valid password.") << file;
            EXPECT_EQ(e.Number(), -2147217843);
        }
        EXPECT_EQ(Db(path, "admin", "Geheim").TablesOfType("TABLE").size(), 4) << file;
        EXPECT_EQ(openError(path, "Fred", "Geheim").Description(), account);
    }
}

TEST(AccessBackend, MissingForeignTruncatedAndDamagedFilesFailCleanly) {
    QTemporaryDir dir;
    QString missing = dir.filePath("nothere.MDB");
    VantorError e = openError(missing);
    EXPECT_EQ(e.Description(), QString("Could not find file '%1'.").arg(missing));
    EXPECT_EQ(e.Number(), err::Provider);

    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    QByteArray damaged = FileBytes(original);
    for (qsizetype i = 2 * 4096; i < 3 * 4096; ++i) // the catalog's table definition
        damaged[i] = static_cast<char>(0xA5);
    const std::tuple<QString, QByteArray, QString> files[] = {
        {"notes.accdb", "just some text, not a database\n", "Unrecognized database format '%1'."},
        {"empty.mdb", QByteArray(), "Unrecognized database format '%1'."},
        {"truncated.mdb", FileBytes(original).left(3 * 4096),
         "The database '%1' is damaged, so none of it was used. A page that the schema needs "
         "lies beyond the end of the file: the file was cut short."},
        {"damaged.mdb", damaged,
         "The database '%1' is damaged, so none of it was used. The catalog places a table on "
         "page 2, which holds no table definition."}};
    for (const auto& [name, bytes, message] : files) {
        QString path = WriteFile(dir, name, bytes);
        QString text = openError(path).Description();
        EXPECT_TRUE(text.startsWith(message.arg(path))) << text.toStdString();
    }
}

TEST(AccessBackend, Jet3TextIsReadInTheFilesCodePage) {
    REQUIRE_SHARED_FILE(original, "testV1997.mdb");
    QByteArray bytes = FileBytes(original);
    bytes.replace("Table3", "Ums\xe4tz");
    QTemporaryDir dir;
    QString western = WriteFile(dir, "western.mdb", bytes);
    EXPECT_TRUE(Db(western).TablesOfType("TABLE").contains(QStringLiteral("Umsätz")));

    QByteArray header = ToggleJetHeaderMask(bytes.left(4096));
    header[0x3c] = static_cast<char>(1251 & 0xff); // Cyrillic
    header[0x3d] = static_cast<char>(1251 >> 8);
    bytes.replace(0, 4096, ToggleJetHeaderMask(header));
    QString cyrillic = WriteFile(dir, "cyrillic.mdb", bytes);
    EXPECT_TRUE(Db(cyrillic).TablesOfType("TABLE").contains(QStringLiteral("Umsдtz")));
}

TEST(AccessBackend, ExecuteRefusesAndTheFileStaysUntouched) {
    REQUIRE_SHARED_FILE(original, "queryTestV2003.mdb");
    QTemporaryDir dir;
    QString path = WriteFile(dir, "Copy.MDB", FileBytes(original));
    QByteArray before = QCryptographicHash::hash(FileBytes(path), QCryptographicHash::Sha256);
    QDateTime modified = QFileInfo(path).lastModified();
    Db db(path);
    db.Tables();
    const QList<QVariantList> columns = db.Columns("Table1");
    const QList<QVariantList> views = db.Views();
    try {
        db.cn.Execute("DROP TABLE Table1");
        ADD_FAILURE() << "Execute ran";
    } catch (const VantorError& e) {
        EXPECT_TRUE(e.Description().contains("read-only")) << e.Description().toStdString();
        EXPECT_TRUE(e.Description().contains("snapshot"));
    }
    db.cn.Close();
    db.cn.Open();
    db.Tables();
    openError(path, "Fred");
    EXPECT_EQ(QCryptographicHash::hash(FileBytes(path), QCryptographicHash::Sha256), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);

    // Served from memory: the file may go away after the first schema query of an open.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(db.Columns("Table1"), columns);
    EXPECT_EQ(db.Views(), views);
}
