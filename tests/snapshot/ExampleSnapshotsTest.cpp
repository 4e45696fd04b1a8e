#include "tests/snapshot/ExampleSnapshots.h"

#include "engine/Session.h"
#include "engine/SnapshotJson.h"
#include "engine/SqlText.h"
#include "engine/snapshot/SnapshotSource.h"
#include "script/AlterScript.h"
#include "script/BatchRunner.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/Found.h"
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

// State of every table and view by name, after a fresh comparison.
QMap<QString, ObjectState> compare(Session& session) {
    session.refresh();
    QMap<QString, ObjectState> states;
    for (const DiffEntry& e : session.diff()->entries)
        if (e.isTable() || e.isView())
            states.insert(e.name, e.state);
    return states;
}

// What the comparison window's commands write for the secondary side of one object; the parts
// of a table only the secondary has go with it.
QString secondaryScript(const Diff& diff, const DiffEntry& e) {
    switch (e.state) {
    case ObjectState::Different:
        return e.isView() ? SqlDrop(e.kind, e.name) + CrLf + "GO" + CrLf + e.primaryText
                          : AlterScriptFor(diff, e.name, Side::Secondary);
    case ObjectState::OnlyPrimary:
        return CreateScriptFor(diff, e.name, Side::Primary);
    case ObjectState::OnlySecondary:
        if (e.owner(Side::Secondary) &&
            !FOUND(diff.find(e.owner(Side::Secondary)->name)).inPrimary())
            return QString();
        return DropScriptFor(diff, e.name, Side::Secondary);
    case ObjectState::Equal:
        break;
    }
    return QString();
}

} // namespace

TEST(ExampleSnapshots, CommittedFilesAreWhatTheGeneratorWrites) {
    const std::pair<QString, Schema> examples[] = {{kOlder, ExampleOrdersV1()},
                                                   {kNewer, ExampleOrdersV2()}};
    for (const auto& [file, schema] : examples) {
        if (qEnvironmentVariableIsSet("VANTOR_WRITE_EXAMPLES"))
            SaveSnapshot(schema, examplePath(file));
        EXPECT_EQ(FileBytes(examplePath(file)), WriteSnapshotJson(schema))
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
    Session session;
    session.setLogin(Side::Primary, {examplePath(kNewer), "Admin", ""});
    session.setLogin(Side::Secondary, {secondary, "Admin", ""});
    const QByteArray primaryBytes = FileBytes(examplePath(kNewer));
    using enum ObjectState;
    const QMap<QString, ObjectState> before = compare(session);
    EXPECT_EQ(before,
              (QMap<QString, ObjectState>{{"Customers", Different},
                                          {"Low Stock", OnlyPrimary},
                                          {"Order Details", Equal},
                                          {"Orders", Different},
                                          {"Product List", Different},
                                          {"Products", Different},
                                          {"Shippers", OnlySecondary},
                                          {"Stock Movements", OnlyPrimary},
                                          {QString::fromUtf8("Umsätze nach Kunde"), Different}}));

    BatchRunner runner;
    for (const DiffEntry& e : session.diff()->entries) {
        QString script = secondaryScript(*session.diff(), e);
        if (script.isEmpty())
            continue;
        BatchRunResult result =
            runner.Run(TextLineSource(script), &session.source(Side::Secondary));
        ASSERT_TRUE(result.Succeeded())
            << e.name.toStdString() << ": " << result.failure->description.toStdString() << "\n"
            << result.failure->batch.text.toStdString();
    }

    const QMap<QString, ObjectState> after = compare(session);
    EXPECT_EQ(after.size(), before.size() - 1) << "Shippers is gone";
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        EXPECT_EQ(it.value(), Equal) << it.key().toStdString() << " still differs";
    EXPECT_EQ(FileBytes(examplePath(kNewer)), primaryBytes) << "the primary is never written";
}
