// Index trees written by Vantor: page bytes as Access lays them out, and whole trees rebuilt on
// copies of real files that Jackcess then checks against the rows.
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableScan.h"
#include "engine/access/writer/UsageMap.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QSet>
#include <QtEndian>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

constexpr int kPage = 4096;

QList<TableDef> tablesOf(const PageFile& file) {
    QList<TableDef> tables;
    for (const CatalogObject& object : ReadCatalog(file))
        if (object.type == kTableObjectType)
            tables.append(ReadTableDef(file, quint32(object.id)));
    return tables;
}

// Every page of an index tree, root first.
QList<IndexPage> treePages(const PageFile& file, quint32 root) {
    QList<IndexPage> pages{ReadIndexPage(file, root)};
    QSet<quint32> seen{root};
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (pages[i].leaf)
            continue;
        QList<quint32> children;
        for (const IndexEntry& e : pages[i].entries)
            children.append(e.child);
        if (pages[i].tail != 0)
            children.append(pages[i].tail);
        for (quint32 child : children) {
            if (seen.contains(child))
                ADD_FAILURE() << "page " << child << " is reached twice";
            else
                pages.append(ReadIndexPage(file, child));
            seen.insert(child);
        }
    }
    return pages;
}

// The last leaf entry under an index page: down through the tail or the last entry.
IndexEntry lastLeafEntry(const PageFile& file, quint32 number) {
    IndexPage page = ReadIndexPage(file, number);
    while (!page.leaf)
        page = ReadIndexPage(file, page.tail != 0 ? page.tail : page.entries.last().child);
    return page.entries.isEmpty() ? IndexEntry{} : page.entries.last();
}

TEST(WriterIndexPages, EveryIndexPageOfTheSharedFilesWritesBackAsAccessLaidItOut) {
    const QList<QString> files = test::WritableSharedFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "skipped: the shared folders of Access files are absent";
    int pages = 0, nodes = 0, prefixed = 0;
    for (const QString& path : files) {
        PageFile file(path, kPage, false);
        for (const TableDef& def : tablesOf(file)) {
            for (const RealIndexDef& index : def.realIndexes) {
                for (const IndexPage& page : treePages(file, index.rootPage)) {
                    SCOPED_TRACE(
                        QStringLiteral("%1 page %2").arg(path).arg(page.number).toStdString());
                    const QByteArray stored = file.Page(page.number);
                    const QByteArray written = SerializeIndexPage(page, def.page, kPage);
                    const int used = 0x1e0 + 3616 - U16(stored, 2);
                    // Byte 26 is one whose meaning nobody knows; Access leaves varying values.
                    EXPECT_EQ(written.left(26).toHex(' ').toStdString(),
                              stored.left(26).toHex(' ').toStdString());
                    EXPECT_TRUE(written.mid(27, used - 27) == stored.mid(27, used - 27));
                    ++pages;
                    nodes += page.leaf ? 0 : 1;
                    prefixed += U16(stored, 24) > 0 ? 1 : 0;
                }
            }
        }
    }
    EXPECT_GT(pages, 500);
    EXPECT_GT(nodes, 0);
    EXPECT_GT(prefixed, 0);
}

class WriterIndexRebuild : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
        ASSERT_TRUE(dir_.isValid());
    }
    QString copyOf(const char* name) {
        return test::CopyToTemp(dir_, test::SharedAccessFile(name));
    }
    QTemporaryDir dir_;
};

// Rebuilding every index of a file from its own entries must give trees that read back the same
// and that Jackcess finds consistent with every row, catalog included.
TEST_F(WriterIndexRebuild, EveryIndexRebuiltFromItsEntriesStaysConsistent) {
    REQUIRE_JACKCESS();
    for (const char* name :
         {"testV2003.mdb", "compIndexTestV2000.mdb", "indexTestV2000.mdb", "testV2010.accdb",
          "testUnicodeCompV2003.mdb", "extDateTestV2019.accdb"}) {
        SCOPED_TRACE(name);
        const QString path = copyOf(name);
        ASSERT_FALSE(path.isEmpty());
        QHash<QString, QList<IndexEntry>> before;
        {
            PageFile file(path, kPage, true);
            PageAllocator allocator(file);
            file.Begin();
            for (const TableDef& def : tablesOf(file)) {
                for (const RealIndexDef& index : def.realIndexes) {
                    const QList<IndexEntry> entries = ReadLeafEntries(file, index.rootPage);
                    before.insert(QString::number(index.rootPage), entries);
                    RebuildIndex(file, allocator, def.page, index, entries);
                }
            }
            file.Commit();
            file.Flush();
        }
        PageFile reread(path, kPage, false);
        for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
            const QList<IndexEntry> after = ReadLeafEntries(reread, it.key().toUInt());
            ASSERT_EQ(after.size(), it.value().size()) << "root " << it.key().toStdString();
            for (qsizetype i = 0; i < after.size(); ++i) {
                EXPECT_EQ(after[i].key, it.value()[i].key);
                EXPECT_EQ(after[i].row, it.value()[i].row);
            }
        }
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    }
}

// Many entries make a tree of three levels; emptying it gives every page but the root back.
TEST_F(WriterIndexRebuild, TreesGrowLevelsAndShrinkBackFreeingTheirPages) {
    const QString path = copyOf("compIndexTestV2000.mdb");
    PageFile file(path, kPage, true);
    PageAllocator allocator(file);
    TableDef table;
    for (const TableDef& def : tablesOf(file))
        if (def.tableType == 0x4e && !def.realIndexes.isEmpty())
            table = def;
    ASSERT_FALSE(table.realIndexes.isEmpty());
    const RealIndexDef index = table.realIndexes.first();
    const QList<IndexEntry> original = ReadLeafEntries(file, index.rootPage);

    QList<IndexEntry> many;
    for (quint32 i = 0; i < 60000; ++i) {
        QByteArray key("\x7f", 1);
        key.append(QByteArray(4, '\0'));
        qToBigEndian(i, key.data() + 1);
        key.append(QByteArray(20, 'k')); // long keys make for many leaves
        many.append({key, RowPointer{100 + i / 200, quint8(i % 200)}, 0});
    }
    const quint32 pagesBefore = file.PageCount();
    RebuildIndex(file, allocator, table.page, index, many);
    QList<IndexPage> tree = treePages(file, index.rootPage);
    int depth = 1;
    for (IndexPage page = tree.first(); !page.leaf; ++depth)
        page = ReadIndexPage(file, page.entries.isEmpty() ? page.tail : page.entries.first().child);
    EXPECT_EQ(depth, 3);
    const QList<IndexEntry> read = ReadLeafEntries(file, index.rootPage);
    ASSERT_EQ(read.size(), many.size());
    EXPECT_EQ(read.last().key, many.last().key);
    const UsageMap map = ReadUsageMap(file, RowPointer::FromRaw(index.ownedMap));
    for (const IndexPage& page : tree) {
        EXPECT_TRUE(map.Contains(page.number)) << page.number;
        EXPECT_FALSE(allocator.IsFree(page.number)) << page.number;
        if (!page.leaf) { // a node's entries repeat the last entries under its children
            for (const IndexEntry& e : page.entries)
                EXPECT_EQ(e.key, lastLeafEntry(file, e.child).key);
        }
    }

    RebuildIndex(file, allocator, table.page, index, {});
    EXPECT_TRUE(ReadIndexPage(file, index.rootPage).leaf);
    EXPECT_TRUE(ReadLeafEntries(file, index.rootPage).isEmpty());
    const UsageMap emptied = ReadUsageMap(file, RowPointer::FromRaw(index.ownedMap));
    EXPECT_EQ(emptied.pages, QList<quint32>{index.rootPage});
    for (const IndexPage& page : tree)
        if (page.number != index.rootPage) {
            EXPECT_TRUE(allocator.IsFree(page.number)) << page.number;
        }

    // Built again, the tree takes the freed pages back instead of growing the file.
    RebuildIndex(file, allocator, table.page, index, original);
    EXPECT_EQ(ReadLeafEntries(file, index.rootPage).size(), original.size());
    EXPECT_GT(file.PageCount(), pagesBefore);
    const quint32 grown = file.PageCount();
    RebuildIndex(file, allocator, table.page, index, many);
    EXPECT_EQ(file.PageCount(), grown);
    EXPECT_EQ(ReadLeafEntries(file, index.rootPage).size(), many.size());
}

TEST_F(WriterIndexRebuild, AnEntryTooLongForAPageIsRefusedAndRolledBack) {
    const QString path = copyOf("testV2003.mdb");
    const QByteArray before = test::FileBytes(path);
    {
        PageFile file(path, kPage, true);
        PageAllocator allocator(file);
        const TableDef catalog = ReadTableDef(file, kCatalogPage);
        ASSERT_FALSE(catalog.realIndexes.isEmpty());
        file.Begin();
        const QList<IndexEntry> huge{{QByteArray(4000, 'x'), RowPointer{20, 0}, 0}};
        EXPECT_THROW(RebuildIndex(file, allocator, catalog.page, catalog.realIndexes.first(), huge),
                     Error);
        file.Rollback();
    }
    EXPECT_EQ(test::FileBytes(path), before);
}

} // namespace
} // namespace vantor
