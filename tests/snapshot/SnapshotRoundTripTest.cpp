#include "engine/Connection.h"
#include "engine/Globals.h"
#include "engine/SchemaRowsets.h"
#include "engine/clsEngine.h"
#include "engine/snapshot/SnapshotExport.h"
#include "model/VantorError.h"
#include "script/BatchRunner.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

bool openPair(const QString& primary, const QString& secondary) {
    ResetGlobals();
    Engine = std::make_shared<clsEngine>();
    Engine->DbPathPrimary(primary);
    Engine->DbPathSecondary(secondary);
    Engine->DbUserPrimary("Admin");
    Engine->DbUserSecondary("Admin");
    return Engine->DbOpen() && Engine->Refresh();
}

// The statement of a generated batch as the batch runner sends it: the lines before "GO".
QString firstBatch(const QString& script) {
    QString batch;
    for (const QString& line : script.split(QStringLiteral("\r\n"))) {
        if (BatchRunner::IsSeparator(line))
            break;
        batch += line + QStringLiteral("\r\n");
    }
    return batch;
}

} // namespace

// For every table of every real Access file: its CREATE TABLE text, run on an empty snapshot and
// read back through the snapshot back end, gives the same text.
TEST(SnapshotRoundTrip, CreateTableTextOfEveryRealTableComesBackUnchanged) {
    const QString accessDir = SharedAccessDir();
    if (accessDir.isEmpty())
        GTEST_SKIP() << "no real Access files beside the repository";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int files = 0;
    for (const QFileInfo& file :
         QDir(accessDir).entryInfoList({"*.mdb", "*.accdb"}, QDir::Files, QDir::Name)) {
        if (!openPair(file.filePath(), file.filePath())) {
            ADD_FAILURE() << file.fileName().toStdString() << ": "
                          << Engine->ErrDescription().toStdString();
            continue;
        }
        ++files;
        QString snapshot = dir.filePath(file.completeBaseName() + ".json");
        SaveSnapshot(DbSchema(), snapshot);
        Connection empty;
        empty.Properties(prop::DataSource).Value(snapshot);
        empty.Open();
        QMap<QString, QString> expected;
        for (qint32 i = 1; i <= Engine->TablesPri->Count(); ++i) {
            auto table = Engine->TablesPri->Item(i);
            QString text = table->xType() == "TABLE" ? table->SqlCreate() : QString();
            if (text.isEmpty())
                continue;
            try {
                empty.Execute(firstBatch(text));
                expected.insert(table->Obj_Name(), text);
            } catch (const VantorError& e) {
                ADD_FAILURE() << file.fileName().toStdString() << ": "
                              << e.Description().toStdString() << "\n"
                              << text.toStdString();
            }
        }
        empty.Close();
        ASSERT_TRUE(openPair(snapshot, snapshot)) << Engine->ErrDescription().toStdString();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            auto back = Engine->TablesPri->Item(":" + it.key());
            ASSERT_TRUE(back) << it.key().toStdString();
            EXPECT_EQ(back->SqlCreate(), it.value()) << file.fileName().toStdString();
        }
    }
    ResetGlobals();
    if (files == 0)
        GTEST_SKIP() << "the Access back end read none of the files";
}

TEST(SnapshotExport, AnAccessFileExportsWithItsExtras) {
    const QString accessDir = SharedAccessDir();
    if (accessDir.isEmpty())
        GTEST_SKIP() << "no real Access files beside the repository";
    QTemporaryDir dir;
    Connection access;
    access.Properties(prop::DataSource).Value(QDir(accessDir).filePath("indexTestV2000.mdb"));
    access.Properties(prop::UserId).Value("Admin");
    try {
        access.Open();
        ExportSnapshot(access, dir.filePath("index.json"));
    } catch (const VantorError& e) {
        GTEST_SKIP() << "the Access back end cannot read it: " << e.Description().toStdString();
    }
    Connection snapshot;
    snapshot.Properties(prop::DataSource).Value(dir.filePath("index.json"));
    snapshot.Open();
    DbSchema exported = ReadDatabaseSchema(snapshot);
    EXPECT_EQ(exported.sourceFormat, "JET4");
    qsizetype indexes = 0;
    for (const SchemaTable& t : exported.tables)
        indexes += t.indexes.size();
    EXPECT_GT(indexes, 0) << "indexes come along";
    // The snapshot serves the same rows as the file it came from.
    for (qint32 kind : {adSchemaTables, adSchemaViews}) {
        auto a = access.OpenSchema(kind);
        auto b = snapshot.OpenSchema(kind);
        for (; !a->Eof() && !b->Eof(); a->MoveNext(), b->MoveNext())
            EXPECT_EQ(a->Fields("TABLE_NAME").Value().toString(),
                      b->Fields("TABLE_NAME").Value().toString());
        EXPECT_TRUE(a->Eof() && b->Eof());
    }
}
