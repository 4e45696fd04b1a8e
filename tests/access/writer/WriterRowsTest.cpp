// Rows written by Vantor: the stored layout of real rows rebuilt from their values, and rows
// deleted and inserted again on copies of real files, read back by Jackcess.
#include "engine/access/writer/IndexBuild.h"
#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/PageAllocator.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/RowWriter.h"
#include "engine/access/writer/TableScan.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/access/writer/WriterTestFiles.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

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

// A stored row with the bytes Access leaves behind cleared: the fixed-area bytes of null and
// dropped columns and the null-mask bits of column numbers no longer in use.
QByteArray withoutLeftovers(const TableDef& def, const QByteArray& row, const RowValues& values) {
    QByteArray clean = row;
    const int columns = U16(row, 0);
    const qsizetype maskAt = row.size() - (columns + 7) / 8;
    QByteArray used(clean.size(), '\0');
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        if (c.IsFixed() && c.type != TypeBoolean && values[i])
            used.replace(2 + c.fixedOffset, c.length, QByteArray(c.length, '\1'));
    }
    int fixedEnd = 2;
    for (const ColumnDef& c : def.columns)
        if (c.IsFixed() && c.type != TypeBoolean)
            fixedEnd = std::max(fixedEnd, 2 + c.fixedOffset + c.length);
    for (int at = 2; at < fixedEnd; ++at)
        if (used[at] == '\0')
            clean[at] = '\0';
    for (int number = 0; number < columns; ++number)
        if (!def.ColumnByNumber(static_cast<quint16>(number)))
            clean[maskAt + number / 8] =
                static_cast<char>(clean[maskAt + number / 8] & ~(1 << (number % 8)));
    for (int number = columns; number < ((columns + 7) / 8) * 8; ++number)
        clean[maskAt + number / 8] =
            static_cast<char>(clean[maskAt + number / 8] & ~(1 << (number % 8)));
    return clean;
}

TEST(WriterRows, RealRowsAreRebuiltFromTheirValuesByteForByte) {
    const QList<QString> files = test::WritableSharedFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "skipped: the shared folders of Access files are absent";
    int rebuilt = 0, padded = 0;
    for (const QString& path : files) {
        PageFile file(path, kPage, false);
        for (const TableDef& def : tablesOf(file)) {
            ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
                // Rows written before a column was added keep the older layout.
                const int maskSize = (U16(row, 0) + 7) / 8;
                if (U16(row, 0) != def.maxColumns ||
                    (def.varColumns > 0 && U16(row, row.size() - maskSize - 2) != def.varColumns))
                    return;
                const RowValues values = DecodeRow(def, row);
                const QByteArray encoded = EncodeRow(def, values);
                if (encoded.size() < row.size()) { // Access pads rows it shrank in place
                    ++padded;
                    return;
                }
                EXPECT_EQ(encoded.toHex(' ').toStdString(),
                          withoutLeftovers(def, row, values).toHex(' ').toStdString())
                    << path.toStdString() << " page " << where.page << " row " << int(where.row);
                ++rebuilt;
            });
        }
    }
    EXPECT_GT(rebuilt, 3000);
    EXPECT_LT(padded, rebuilt / 10);
}

class WriterRowChanges : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_JACKCESS();
        if (test::SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
    }
    QTemporaryDir dir_;
};

// Every table's rows deleted and stored again in the same order, its indexes filled anew: the
// data Jackcess reads is unchanged and every index agrees with the rows.
TEST_F(WriterRowChanges, RowsDeletedAndInsertedAgainReadTheSame) {
    for (const char* name : {"testV2003.mdb", "testV2010.accdb", "indexTestV2000.mdb"}) {
        SCOPED_TRACE(name);
        const QString original = test::SharedAccessFile(name);
        const QString path = test::CopyToTemp(dir_, original);
        int moved = 0;
        {
            PageFile file(path, kPage, true);
            PageAllocator allocator(file);
            const KeyFormat format{U8(file.Page(0), 0x14) == 1};
            file.Begin();
            for (TableDef def : tablesOf(file)) {
                if (def.tableType != 0x4e)
                    continue;
                QList<std::pair<RowPointer, RowValues>> rows;
                ForEachRow(file, def, [&](RowPointer where, const QByteArray& row) {
                    rows.append({where, DecodeRow(def, row)});
                });
                if (rows.isEmpty())
                    continue;
                for (const auto& [where, values] : rows)
                    DeleteRow(file, def, where);
                EXPECT_EQ(def.rowCount, 0u);
                for (const auto& [where, values] : rows) {
                    InsertRow(file, allocator, def, EncodeRow(def, values));
                    ++moved;
                }
                for (int i = 0; i < def.realIndexes.size(); ++i)
                    FillIndexFromRows(file, allocator, def, i, format);
                WriteTableDef(file, allocator, def);
            }
            file.Commit();
            file.Flush();
        }
        EXPECT_GT(moved, 10);
        const test::JackcessResult before = test::RunJackcess("RowDigest", {original});
        const test::JackcessResult after = test::RunJackcess("RowDigest", {path});
        ASSERT_EQ(after.exitCode, 0) << after.errors.toStdString();
        EXPECT_EQ(after.output.toStdString(), before.output.toStdString());
        const test::JackcessResult check = test::RunJackcess("IndexCheck", {"--system", path});
        EXPECT_EQ(check.exitCode, 0) << check.output.toStdString() << check.errors.toStdString();
    }
}

// A unique index over a duplicated row refuses to be filled, and the change rolls back whole.
TEST_F(WriterRowChanges, AUniqueIndexOverDuplicatesFailsAndLeavesTheFileAsItWas) {
    const QString path = test::CopyToTemp(dir_, test::SharedAccessFile("indexTestV2000.mdb"));
    const QByteArray before = test::FileBytes(path);
    bool triedUnique = false;
    {
        PageFile file(path, kPage, true);
        PageAllocator allocator(file);
        for (TableDef def : tablesOf(file)) {
            int unique = -1;
            for (int i = 0; i < def.realIndexes.size(); ++i)
                if (def.realIndexes[i].Unique())
                    unique = i;
            if (def.tableType != 0x4e || unique < 0 || def.rowCount == 0)
                continue;
            file.Begin();
            QByteArray first;
            ForEachRow(file, def, [&](RowPointer, const QByteArray& row) {
                if (first.isEmpty())
                    first = row;
            });
            InsertRow(file, allocator, def, EncodeRow(def, DecodeRow(def, first)));
            try {
                FillIndexFromRows(file, allocator, def, unique, KeyFormat{true});
                ADD_FAILURE() << "a unique index took a duplicate";
            } catch (const Error& e) {
                EXPECT_TRUE(e.description().contains("duplicate values"))
                    << e.description().toStdString();
            }
            file.Rollback();
            triedUnique = true;
            break;
        }
    }
    EXPECT_TRUE(triedUnique);
    EXPECT_EQ(test::FileBytes(path), before);
}

} // namespace
} // namespace vantor
