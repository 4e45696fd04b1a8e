// The writer's reading of real files: every structure it will rewrite must parse, and write back
// to the bytes it came from, on every Jet 4 and ACE file of the shared folders.
#include "engine/access/JetHeader.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/IndexPages.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowCodec.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QHash>
#include <gtest/gtest.h>
#include <tuple>

namespace vantor {
namespace {

using namespace vantor::jet;

struct OpenFile {
    QString path;
    PageFile pages;
    int version = 0;

    explicit OpenFile(const QString& p) : path(p), pages(p, 4096, false) {
        version = static_cast<quint8>(pages.Page(0)[0x14]);
    }
};

QList<quint32> tablePages(const PageFile& file) {
    QList<quint32> pages;
    for (const CatalogObject& object : ReadCatalog(file))
        if (object.type == kTableObjectType)
            pages.append(quint32(object.id));
    return pages;
}

// The offset of the first byte in which the two differ, or -1 when they are equal.
qsizetype firstDifference(const QByteArray& a, const QByteArray& b) {
    for (qsizetype i = 0; i < qMin(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return i + 8;
    return a.size() == b.size() ? -1 : qMin(a.size(), b.size()) + 8;
}

class WriterReadSide : public ::testing::Test {
protected:
    void SetUp() override {
        files_ = test::WritableSharedFiles();
        if (files_.isEmpty())
            GTEST_SKIP() << "skipped: the shared folders of Access files are absent";
    }
    QList<QString> files_;
};

TEST_F(WriterReadSide, AcceptsEnoughFilesOfEachFormatToProveAnything) {
    int jet4 = 0, ace = 0;
    for (const QString& path : files_)
        (OpenFile(path).version == 1 ? jet4 : ace)++;
    EXPECT_GE(jet4, 10);
    EXPECT_GE(ace, 10);
}

TEST_F(WriterReadSide, CatalogNamesTheFixedContainersOfEveryFile) {
    for (const QString& path : files_) {
        SCOPED_TRACE(path.toStdString());
        OpenFile file(path);
        QHash<QString, CatalogObject> byName;
        for (const CatalogObject& object : ReadCatalog(file.pages))
            if (object.parentId == 0x0F000000)
                byName.insert(object.name, object);
        ASSERT_TRUE(byName.contains("Tables"));
        EXPECT_EQ(byName["Tables"].id, 0x0F000001);
        EXPECT_EQ(byName["Tables"].type, 3);
        ASSERT_TRUE(byName.contains("Relationships"));
        EXPECT_EQ(byName["Relationships"].id, 0x0F000003);
        EXPECT_FALSE(tablePages(file.pages).isEmpty());
    }
}

TEST_F(WriterReadSide, EveryTableDefinitionWritesBackByteForByte) {
    int tables = 0, chained = 0;
    for (const QString& path : files_) {
        OpenFile file(path);
        for (quint32 page : tablePages(file.pages)) {
            SCOPED_TRACE(QStringLiteral("%1 page %2").arg(path).arg(page).toStdString());
            const QByteArray stored = ReadTableDefBytes(file.pages, page);
            const TableDef def = ParseTableDef(stored, page);
            const QByteArray written = SerializeTableDef(def);
            EXPECT_EQ(written.size(), stored.size() - 8);
            EXPECT_EQ(firstDifference(written, stored.mid(8)), -1);
            EXPECT_EQ(def.columns.size(), qsizetype(stored.size() > 0 ? U16(stored, 45) : 0));
            chained += stored.size() > file.pages.PageSize() ? 1 : 0;
            ++tables;
        }
    }
    EXPECT_GT(tables, 300);
    EXPECT_GT(chained, 0) << "no definition spans pages, so chains went untested";
}

// Access lets the row count of a definition fall behind (system tables, some user tables), so the
// rows found are counted against what Jackcess finds instead.
TEST_F(WriterReadSide, EveryTableHoldsTheRowsJackcessFinds) {
    REQUIRE_JACKCESS();
    int compared = 0;
    for (const char* name : {"testV2003.mdb", "calcFieldTestV2010.accdb", "queryTestV2003.mdb",
                             "testUnicodeCompV2003.mdb", "complexDataTestV2007.accdb",
                             "delColTestV2000.mdb", "testV2010.accdb", "extDateTestV2019.accdb"}) {
        const QString path = test::SharedAccessFile(name);
        SCOPED_TRACE(name);
        const test::JackcessResult digest = test::RunJackcess("RowDigest", {"--system", path});
        ASSERT_EQ(digest.exitCode, 0) << digest.errors.toStdString();
        QHash<QString, qint64> expected;
        for (const QString& line : digest.output.split('\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.split('\t');
            if (fields.size() == 3)
                expected.insert(fields[0], fields[1].toLongLong());
        }
        OpenFile file(path);
        for (const CatalogObject& object : ReadCatalog(file.pages)) {
            if (object.type != kTableObjectType || !expected.contains(object.name))
                continue;
            const TableDef def = ReadTableDef(file.pages, quint32(object.id));
            qint64 rows = 0;
            ForEachRow(file.pages, def, [&](RowPointer, const QByteArray& row) {
                const RowValues values = DecodeRow(def, row);
                ASSERT_EQ(values.size(), def.columns.size());
                for (qsizetype i = 0; i < values.size(); ++i) {
                    if (values[i] && def.columns[i].IsLongValue()) {
                        EXPECT_NO_THROW(ReadLongValue(file.pages, *values[i]));
                    }
                }
                ++rows;
            });
            EXPECT_EQ(rows, expected.value(object.name)) << object.name.toStdString();
            ++compared;
        }
    }
    EXPECT_GT(compared, 50);
}

TEST_F(WriterReadSide, PagesInUseByTablesAndIndexesAreNotFreeInTheGlobalMap) {
    for (const QString& path : files_) {
        SCOPED_TRACE(path.toStdString());
        OpenFile file(path);
        const UsageMap freePages = ReadUsageMap(file.pages, RowPointer{1, 0});
        ASSERT_EQ(freePages.kind, UsageMap::Kind::Inline);
        for (quint32 page : tablePages(file.pages)) {
            const TableDef def = ReadTableDef(file.pages, page);
            EXPECT_FALSE(freePages.Contains(page));
            int dataPages = 0;
            for (quint32 owned :
                 ReadUsageMap(file.pages, RowPointer::FromRaw(def.ownedMap)).pages) {
                const QByteArray bytes = file.pages.Page(owned);
                if (U8(bytes, 0) != kDataPageType || U32(bytes, 4) != page)
                    continue;
                ++dataPages;
                EXPECT_FALSE(freePages.Contains(owned)) << "data page " << owned;
            }
            if (def.rowCount > 0) {
                EXPECT_GT(dataPages, 0);
            }
            for (const RealIndexDef& index : def.realIndexes) {
                const UsageMap indexPages =
                    ReadUsageMap(file.pages, RowPointer::FromRaw(index.ownedMap));
                EXPECT_TRUE(indexPages.Contains(index.rootPage)) << "root " << index.rootPage;
                EXPECT_FALSE(freePages.Contains(index.rootPage));
            }
        }
    }
}

// Every stored key of every index is rebuilt from its row: the proof that keys Vantor writes
// will sort where Access looks for them.
TEST_F(WriterReadSide, EveryIndexKeyIsRebuiltFromItsRow) {
    int indexes = 0, entries = 0, legacyText = 0, generalText = 0, descending = 0;
    for (const QString& path : files_) {
        OpenFile file(path);
        const KeyFormat format{file.version == 1};
        for (quint32 page : tablePages(file.pages)) {
            const TableDef def = ReadTableDef(file.pages, page);
            QHash<quint32, RowValues> rows;
            ForEachRow(file.pages, def, [&](RowPointer where, const QByteArray& row) {
                rows.insert(where.Raw(), DecodeRow(def, row));
            });
            for (const RealIndexDef& index : def.realIndexes) {
                SCOPED_TRACE(QStringLiteral("%1 page %2 root %3")
                                 .arg(path)
                                 .arg(page)
                                 .arg(index.rootPage)
                                 .toStdString());
                bool encodable = true;
                for (const IndexColumnRef& ref : index.UsedColumns()) {
                    const ColumnDef* column = def.ColumnByNumber(ref.number);
                    ASSERT_NE(column, nullptr);
                    encodable = encodable && CanEncodeKeyColumn(*column);
                    if (column->type == TypeText || column->type == TypeMemo)
                        (column->SortVersion() == 0 ? legacyText : generalText)++;
                    descending += ref.Ascending() ? 0 : 1;
                }
                if (!encodable)
                    continue;
                ++indexes;
                const QList<IndexEntry> leaves = ReadLeafEntries(file.pages, index.rootPage);
                int expected = 0;
                for (const RowValues& values : rows)
                    expected +=
                        index.IgnoreNulls() && AllKeyColumnsNull(def, index, values) ? 0 : 1;
                EXPECT_EQ(leaves.size(), expected);
                for (qsizetype i = 0; i < leaves.size(); ++i) {
                    const IndexEntry& entry = leaves[i];
                    auto row = rows.constFind(entry.row.Raw());
                    ASSERT_NE(row, rows.constEnd()) << "entry " << i << " points at no row";
                    EXPECT_EQ(EncodeIndexKey(file.pages, def, index, *row, format)
                                  .toHex(' ')
                                  .toStdString(),
                              entry.key.toHex(' ').toStdString())
                        << "entry " << i;
                    if (i > 0) {
                        const IndexEntry& before = leaves[i - 1];
                        EXPECT_LT(std::tuple(before.key, before.row.page, before.row.row),
                                  std::tuple(entry.key, entry.row.page, entry.row.row));
                    }
                    ++entries;
                }
            }
        }
    }
    EXPECT_GT(indexes, 200);
    EXPECT_GT(entries, 5000);
    EXPECT_GT(legacyText, 0);
    EXPECT_GT(generalText, 0);
    EXPECT_GT(descending, 0);
}

} // namespace
} // namespace vantor
