#include "engine/SqlText.h"
#include "engine/snapshot/SnapshotSource.h"
#include "script/BatchRunner.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

// For every table of every real Access file: its CREATE TABLE text, run on an empty snapshot and
// read back through the snapshot back end, gives the same text.
TEST(SnapshotRoundTrip, CreateTableTextOfEveryRealTableComesBackUnchanged) {
    if (SharedAccessDir().isEmpty())
        GTEST_SKIP() << "no real Access files beside the repository";
    QTemporaryDir dir;
    for (const QFileInfo& file :
         QDir(SharedAccessDir()).entryInfoList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name)) {
        SCOPED_TRACE(file.fileName().toStdString());
        const Schema access = OpenDatabaseFile({file.filePath(), {}, {}})->schema();
        QString snapshot = dir.filePath(file.completeBaseName() + ".json");
        SaveSnapshot(Schema(), snapshot);
        auto empty = OpenDatabaseFile({snapshot, {}, {}});
        QMap<QString, QString> expected;
        for (const Table& table : access.tables) {
            QString text = table.kind == ObjectKind::Table ? CreateTableText(table) : QString();
            if (text.isEmpty())
                continue;
            BatchRunResult run = BatchRunner().Run(TextLineSource(text), empty.get());
            if (run.Succeeded())
                expected.insert(table.name, text);
            else
                ADD_FAILURE() << run.failure->description.toStdString() << "\n"
                              << text.toStdString();
        }
        empty.reset();
        const Schema back = OpenDatabaseFile({snapshot, {}, {}})->schema();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const Table* table = back.findTable(it.key());
            ASSERT_TRUE(table) << it.key().toStdString();
            EXPECT_EQ(CreateTableText(*table), it.value());
        }
    }
}

// That the exported objects compare equal to their file is the command line's test; the
// comparison does not look at indexes.
TEST(SnapshotExport, AnAccessFileExportsWithItsIndexes) {
    REQUIRE_SHARED_FILE(path, "indexTestV2000.mdb");
    QTemporaryDir dir;
    SaveSnapshot(OpenDatabaseFile({path, {}, {}})->schema(), dir.filePath("index.json"));
    const Schema exported = OpenDatabaseFile({dir.filePath("index.json"), {}, {}})->schema();
    EXPECT_EQ(exported.sourceFormat, "JET4");
    qsizetype indexes = 0;
    for (const Table& t : exported.tables)
        indexes += t.indexes.size();
    EXPECT_GT(indexes, 0);
}
