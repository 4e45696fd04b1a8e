#include "tests/snapshot/ExampleSnapshots.h"
#include "engine/Globals.h"
#include "engine/SnapshotJson.h"
#include "engine/clsEngine.h"
#include "engine/snapshot/SnapshotExport.h"
#include "script/AlterScript.h"
#include "script/BatchRunner.h"
#include "script/SqlText.h"
#include "tests/snapshot/SnapshotTestSupport.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QString examplePath(const QString& file) {
    return QDir(SourceDir()).filePath(QStringLiteral("examples/") + file);
}

const QString kOlder = QStringLiteral("orders-v1.json");
const QString kNewer = QStringLiteral("orders-v2.json");

// Status of every table and view by name, after a fresh comparison.
QMap<QString, qint16> compare() {
    EXPECT_TRUE(Engine->Refresh()) << Engine->ErrDescription().toStdString();
    QMap<QString, qint16> status;
    for (qint32 i = 1; i <= Engine->Tables->Count(); ++i) {
        auto object = Engine->Tables->Item(i);
        if (object->xType() == "TABLE" || object->xType() == "VIEW")
            status.insert(object->Obj_Name(), object->Status());
    }
    return status;
}

// What the comparison window's commands write for the secondary side of one object.
QString secondaryScript(const clsObject& object) {
    const bool view = object.xType() == "VIEW";
    switch (object.Status()) {
    case 1:
        return view ? SqlDrop("VIEW", object.Obj_Name()) + CrLf + "GO" + CrLf + object.Obj_Text()
                    : AlterScriptSecondary(object.Obj_Name());
    case 2:
        return view ? object.Obj_Text() : object.SqlCreate();
    case 3:
        return SqlDrop(object.xType(), object.Obj_Name());
    default:
        return QString();
    }
}

} // namespace

TEST(ExampleSnapshots, CommittedFilesAreWhatTheGeneratorWrites) {
    const std::pair<QString, DbSchema> examples[] = {{kOlder, ExampleOrdersV1()},
                                                     {kNewer, ExampleOrdersV2()}};
    for (const auto& [file, schema] : examples) {
        if (qEnvironmentVariableIsSet("VANTOR_WRITE_EXAMPLES"))
            SaveSnapshot(schema, examplePath(file));
        EXPECT_EQ(ReadBytes(examplePath(file)), WriteSnapshotJson(schema))
            << file.toStdString() << " differs from its generator; VANTOR_WRITE_EXAMPLES=1 "
            << "rewrites it";
    }
}

// The main job's pair: the newer version is the primary database, a copy of the older the
// secondary.
TEST(ExamplePair, SecondaryScriptsMakeEveryObjectEqual) {
    QTemporaryDir dir;
    const QString secondary = dir.filePath("secondary.json");
    ASSERT_TRUE(QFile::copy(examplePath(kOlder), secondary));
    QFile::setPermissions(secondary, QFile::ReadOwner | QFile::WriteOwner);
    ResetGlobals();
    Engine = std::make_shared<clsEngine>();
    Engine->DbPathPrimary(examplePath(kNewer));
    Engine->DbPathSecondary(secondary);
    Engine->DbUserPrimary("Admin");
    Engine->DbUserSecondary("Admin");
    ASSERT_TRUE(Engine->DbOpen()) << Engine->ErrDescription().toStdString();
    const QByteArray primaryBytes = ReadBytes(examplePath(kNewer));
    // 1 changed, 2 only in the primary (added), 3 only in the secondary (dropped).
    QMap<QString, qint16> before = compare();
    EXPECT_EQ(before, (QMap<QString, qint16>{{"Customers", 1},
                                             {"Low Stock", 2},
                                             {"Order Details", 0},
                                             {"Orders", 1},
                                             {"Product List", 1},
                                             {"Products", 1},
                                             {"Shippers", 3},
                                             {"Stock Movements", 2},
                                             {QString::fromUtf8("Umsätze nach Kunde"), 1}}));

    BatchRunner runner;
    for (qint32 i = 1; i <= Engine->Tables->Count(); ++i) {
        auto object = Engine->Tables->Item(i);
        QString script = secondaryScript(*object);
        if (script.isEmpty())
            continue;
        BatchRunResult result = runner.Run(TextLineSource(script), CnSecondary);
        ASSERT_TRUE(result.Succeeded()) << object->Obj_Name().toStdString() << ": "
                                        << result.failure->description.toStdString() << "\n"
                                        << result.failure->batch.text.toStdString();
    }

    QMap<QString, qint16> after = compare();
    EXPECT_EQ(after.size(), before.size() - 1) << "Shippers is gone";
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        EXPECT_EQ(it.value(), 0) << it.key().toStdString() << " still differs";
    EXPECT_EQ(ReadBytes(examplePath(kNewer)), primaryBytes) << "the primary is never written";
    ResetGlobals();
}
