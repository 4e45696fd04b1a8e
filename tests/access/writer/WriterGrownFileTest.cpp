// Files that grew past their global usage map: once its window has moved up, the pages below it
// count as used for good, and dropping what lives there must still work, leaving those pages
// unused rather than refusing the file as damaged. Large files made by other tools start so.
#include "engine/access/reader/RowDigest.h"
#include "engine/access/writer/DataPage.h"
#include "engine/access/writer/JetBytes.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/access/writer/PageFile.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

void apply(const QString& path, const QString& statement) {
    std::unique_ptr<JetFileWriter> writer = JetFileWriter::Open(path);
    writer->Apply(ParseJetDdl(statement));
    writer->Flush();
}

// The first page the global usage map (page 1, row 0) covers.
quint32 mapStart(const QString& path) {
    const QByteArray page = jet::PageFile(path, 4096, false).Page(1);
    return jet::U32(page, jet::SlotOf(page, 0).start + 1); // after the map's type byte
}

TEST(WriterGrownFile, TablesAndIndexesBelowAMovedUsageMapCanBeDropped) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    QTemporaryDir dir;
    const QString path = test::CopyToTemp(dir, original);
    ASSERT_FALSE(path.isEmpty());
    const quint32 startBefore = mapStart(path);
    // New tables take pages past the end until the window has to move up over them.
    for (int n = 0; n < 400 && mapStart(path) == startBefore; ++n)
        apply(path, QStringLiteral("CREATE TABLE [Grow%1] ([Id] COUNTER PRIMARY KEY, [Name] "
                                   "TEXT(50))")
                        .arg(n));
    ASSERT_GT(mapStart(path), startBefore + 100) << "the usage map's window never moved";
    const auto rowsBefore = DigestMdbRows(path);

    // Table4 and Table1's index live on pages the window no longer covers.
    apply(path, "DROP INDEX [B] ON [Table1]");
    apply(path, "DROP TABLE [Table4]");
    apply(path, "DROP TABLE [Grow0]");
    apply(path, "CREATE INDEX [Again] ON [Table1] ([B])");

    for (const TableRowDigest& d : DigestMdbRows(path)) {
        for (const TableRowDigest& was : rowsBefore)
            if (was.table == d.table) {
                EXPECT_EQ(was.sha256, d.sha256) << d.table.toStdString();
            }
    }
    const QString dump = test::VantorDump(path);
    EXPECT_FALSE(dump.contains("TABLE [Table4]")) << dump.toStdString();
    EXPECT_TRUE(dump.contains("INDEX [Again] ([B])")) << dump.toStdString();
    if (test::WhyJackcessMissing())
        return;
    QString complaint;
    EXPECT_TRUE(test::JackcessOutput("IndexCheck", {path}, &complaint).has_value())
        << complaint.toStdString();
}

} // namespace
} // namespace vantor
