// The writer's page-level guards: the undo journal, bounds checks on damaged pages, and which
// files it refuses before writing anything.
#include "engine/access/JetHeader.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/IndexPages.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TableDef.h"
#include "engine/access/writer/TableScan.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <functional>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

constexpr int kPage = 4096;

QByteArray pageOf(const QByteArray& file, quint32 number) {
    return file.mid(qsizetype(number) * kPage, kPage);
}

// A copy of a real file with one page replaced, for the damaged-file cases.
QString damagedCopy(const QTemporaryDir& dir, const QString& source, quint32 number,
                    const std::function<void(QByteArray&)>& damage) {
    QByteArray bytes = test::FileBytes(source);
    QByteArray page = pageOf(bytes, number);
    damage(page);
    bytes.replace(qsizetype(number) * kPage, kPage, page);
    return test::WriteFile(dir, QStringLiteral("damaged.mdb"), bytes);
}

TEST(WriterPageFile, RollbackRestoresChangedPagesAndTheFormerLength) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, source);
    ASSERT_FALSE(path.isEmpty());
    const QByteArray before = test::FileBytes(path);
    {
        PageFile file(path, kPage, true);
        file.Begin();
        file.WritePage(2, QByteArray(kPage, '\x11'));
        file.WritePage(2, QByteArray(kPage, '\x22')); // the journal keeps the first original
        file.WritePage(5, QByteArray(kPage, '\x33'));
        const quint32 added = file.AppendPage(QByteArray(kPage, '\x44'));
        file.WritePage(added, QByteArray(kPage, '\x55'));
        EXPECT_EQ(file.Page(2), QByteArray(kPage, '\x22'));
        file.Rollback();
        EXPECT_EQ(file.PageCount(), quint32(before.size() / kPage));
        EXPECT_EQ(file.Page(2), pageOf(before, 2));
        EXPECT_THROW(file.Page(added), Error);
    }
    EXPECT_EQ(test::FileBytes(path), before);
}

TEST(WriterPageFile, CommittedChangesStayAndTheNextRollbackKeepsThem) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, source);
    {
        PageFile file(path, kPage, true);
        file.Begin();
        file.WritePage(3, QByteArray(kPage, '\x66'));
        file.AppendPage(QByteArray(kPage, '\x77'));
        file.Commit();
        file.Begin();
        file.WritePage(3, QByteArray(kPage, '\x01'));
        file.Rollback();
        file.Flush();
    }
    const QByteArray after = test::FileBytes(path);
    EXPECT_EQ(pageOf(after, 3), QByteArray(kPage, '\x66'));
    EXPECT_TRUE(after.endsWith(QByteArray(kPage, '\x77')));
}

TEST(WriterPageFile, RefusesPagesOutsideTheFileAndPartialPages) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, source);
    PageFile file(path, kPage, true);
    EXPECT_THROW(file.Page(file.PageCount()), Error);
    EXPECT_THROW(file.WritePage(0, QByteArray(kPage, '\0')), Error); // the header is never ours
    EXPECT_THROW(file.WritePage(2, QByteArray(100, '\0')), Error);
    EXPECT_THROW(file.AppendPage(QByteArray(kPage + 1, '\0')), Error);

    const QString cut =
        test::WriteFile(dir, "cut.mdb", test::FileBytes(source).left(3 * kPage + 7));
    EXPECT_THROW(PageFile(cut, kPage, false), Error);
    EXPECT_THROW(PageFile(dir.filePath("missing.mdb"), kPage, false), Error);
}

TEST(WriterBounds, FieldsOutsideTheirBufferRaiseInsteadOfReading) {
    const QByteArray three("\x01\x02\x03", 3);
    EXPECT_EQ(U24(three, 0), 0x030201u);
    EXPECT_THROW(U32(three, 0), Error);
    EXPECT_THROW(U16(three, 2), Error);
    EXPECT_THROW(U8(three, -1), Error);
    EXPECT_THROW(Slice(three, 1, 3), Error);
    QByteArray out = three;
    EXPECT_THROW(PutU16(out, 2, 7), Error);
    EXPECT_EQ(out, three);
}

TEST(WriterDamagedPages, BrokenSlotTablesAreReportedNotFollowed) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    // Page 14 holds the catalog's rows.
    const QByteArray page = pageOf(test::FileBytes(source), 14);
    ASSERT_EQ(U8(page, 0), kDataPageType);
    const int slots = SlotCount(page);
    ASSERT_GT(slots, 2);
    EXPECT_THROW(SlotOf(page, slots), Error);

    QByteArray tooMany = page;
    PutU16(tooMany, 12, 300);
    EXPECT_THROW(SlotCount(tooMany), Error);
    QByteArray intoTheSlotTable = page;
    PutU16(intoTheSlotTable, 14 + 2, 4);
    EXPECT_THROW(SlotOf(intoTheSlotTable, 1), Error);
    QByteArray notData = page;
    PutU8(notData, 0, kIndexLeafPageType);
    EXPECT_THROW(SlotCount(notData), Error);
}

TEST(WriterDamagedPages, BrokenDefinitionsAndIndexChainsAreReported) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    auto readCatalogOf = [&](const QString& path) {
        PageFile file(path, kPage, false);
        return ReadCatalog(file);
    };
    // A length past the end of a single-page definition makes it look for a next page.
    EXPECT_THROW(
        readCatalogOf(damagedCopy(dir, source, 2, [](QByteArray& p) { PutU32(p, 8, 5000); })),
        Error);
    // A column count far beyond the bytes there are.
    EXPECT_THROW(
        readCatalogOf(damagedCopy(dir, source, 2, [](QByteArray& p) { PutU16(p, 45, 4000); })),
        Error);
    // The definition page is no definition page.
    EXPECT_THROW(readCatalogOf(damagedCopy(dir, source, 2, [](QByteArray& p) { PutU8(p, 0, 1); })),
                 Error);

    // The catalog's "Id" index: a leaf whose next link points at itself.
    const QString looped = damagedCopy(dir, source, 8, [](QByteArray& p) { PutU32(p, 16, 8); });
    PageFile file(looped, kPage, false);
    const TableDef catalog = ReadTableDef(file, kCatalogPage);
    bool sawLoop = false;
    for (const RealIndexDef& index : catalog.realIndexes) {
        if (index.rootPage != 8)
            continue;
        EXPECT_THROW(ReadLeafEntries(file, index.rootPage), Error);
        sawLoop = true;
    }
    EXPECT_TRUE(sawLoop) << "page 8 is no longer one of the catalog's index roots";
    EXPECT_THROW(ReadIndexPage(file, 14), Error); // a data page read as an index page
}

TEST(WriterRefusals, FilesItCannotWriteAreNamedWithTheReason) {
    REQUIRE_SHARED_FILE(jet3, "testV1997.mdb");
    auto why = WhyFileNotWritable(jet3);
    ASSERT_TRUE(why.has_value());
    EXPECT_TRUE(why->contains("Access 97")) << why->toStdString();

    for (const char* name : {"db-enc.mdb", "db2007-enc.accdb", "db2013-enc.accdb"}) {
        const QString path =
            QDir(test::SharedAccessDir()).filePath(QStringLiteral("encrypted/") + name);
        if (!QFile::exists(path))
            continue;
        why = WhyFileNotWritable(path);
        ASSERT_TRUE(why.has_value()) << name;
        EXPECT_TRUE(why->contains("encrypted")) << why->toStdString();
    }

    QTemporaryDir dir;
    why = WhyFileNotWritable(test::WriteFile(dir, "text.mdb", QByteArray(8192, 'x')));
    ASSERT_TRUE(why.has_value());
    why = WhyFileNotWritable(dir.filePath("absent.mdb"));
    ASSERT_TRUE(why.has_value());
    EXPECT_THROW(JetFileWriter::Open(dir.filePath("absent.mdb")), Error);
}

TEST(WriterRefusals, OnlyTheGeneralSortOrderIsWritten) {
    REQUIRE_SHARED_FILE(source, "testV2010.accdb");
    QTemporaryDir dir;
    EXPECT_FALSE(WhyFileNotWritable(source).has_value());
    auto withSortOrder = [&](quint16 lcid, quint8 version) {
        QByteArray bytes = test::FileBytes(source);
        QByteArray header = ToggleJetHeaderMask(bytes.left(kJetHeaderBytes));
        PutU16(header, 0x6e, lcid);
        PutU8(header, 0x71, version);
        bytes.replace(0, kJetHeaderBytes, ToggleJetHeaderMask(header));
        return test::WriteFile(dir, "sorted.accdb", bytes);
    };
    EXPECT_FALSE(WhyFileNotWritable(withSortOrder(1033, 0)).has_value());
    auto swedish = WhyFileNotWritable(withSortOrder(1053, 1));
    ASSERT_TRUE(swedish.has_value());
    EXPECT_TRUE(swedish->contains("1053")) << swedish->toStdString();
    EXPECT_TRUE(WhyFileNotWritable(withSortOrder(1033, 2)).has_value());
}

TEST(WriterRefusals, AStatementItCannotRunLeavesTheFileAsItWas) {
    REQUIRE_SHARED_FILE(source, "testV2003.mdb");
    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, source);
    const QByteArray before = test::FileBytes(path);
    const DdlStatement drop = ParseJetDdl("ALTER TABLE Table1 ADD COLUMN Z BIGINT");
    ASSERT_TRUE(WhyStatementNotWritable(drop).has_value());
    {
        std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
        ASSERT_NE(writer, nullptr);
        EXPECT_THROW(writer->Apply(drop), Error);
        writer->Flush();
    }
    EXPECT_EQ(test::FileBytes(path), before);
}

} // namespace
} // namespace vantor
