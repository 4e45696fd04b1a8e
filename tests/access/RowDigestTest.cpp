#include "engine/access/reader/RowDigest.h"

#include "engine/access/reader/MdbSchemaReader.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QHash<QString, TableRowDigest> byName(const QList<TableRowDigest>& digests) {
    QHash<QString, TableRowDigest> out;
    for (const TableRowDigest& d : digests)
        out.insert(d.table, d);
    return out;
}

} // namespace

// libmdb and Jackcess count the same rows in every user table of both versions, and a byte copy
// of a file digests alike while tables with other rows do not.
TEST(RowDigest, CountsAgreeWithJackcessAndDigestsFollowTheRows) {
    for (const QString& name : {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb"),
                                QStringLiteral("indexTestV2000.mdb")}) {
        REQUIRE_SHARED_FILE(path, name);
        const QList<TableRowDigest> digests = DigestMdbRows(path);
        ASSERT_FALSE(digests.isEmpty()) << name.toStdString();
        QTemporaryDir dir;
        const QString copy =
            WriteFile(dir, "copy" + name.mid(name.lastIndexOf('.')), FileBytes(path));
        EXPECT_EQ(byName(DigestMdbRows(copy)).keys(), byName(digests).keys());
        for (const TableRowDigest& d : DigestMdbRows(copy)) {
            EXPECT_EQ(d.sha256, byName(digests)[d.table].sha256) << d.table.toStdString();
            EXPECT_EQ(d.sha256.size(), 64);
        }
        QSet<QByteArray> distinct;
        qsizetype withRows = 0;
        for (const TableRowDigest& d : digests)
            if (d.rows > 0) {
                ++withRows;
                distinct.insert(d.sha256);
            }
        EXPECT_EQ(distinct.size(), withRows) << name.toStdString();

        if (std::optional<QString> why = WhyJackcessMissing()) {
            std::printf("Jackcess not compared: %s\n", why->toUtf8().constData());
            continue;
        }
        const auto jackcess = JackcessRowDigests(path);
        ASSERT_TRUE(jackcess.has_value()) << name.toStdString();
        for (const TableRowDigest& d : digests) {
            ASSERT_TRUE(jackcess->contains(d.table)) << d.table.toStdString();
            EXPECT_EQ(d.rows, jackcess->value(d.table).rows)
                << name.toStdString() << d.table.toStdString();
        }
        EXPECT_EQ(jackcess->size(), digests.size()) << name.toStdString();
    }
}

// A file libmdb cannot open is an error, never an empty list of tables.
TEST(RowDigest, AFileThatIsNoDatabaseIsRefused) {
    QTemporaryDir dir;
    const QString junk = WriteFile(dir, "junk.mdb", QByteArray(8192, 'j'));
    EXPECT_THROW(DigestMdbRows(junk), UnreadableFile);
    EXPECT_THROW(DigestMdbRows(dir.filePath("missing.mdb")), UnreadableFile);
}
