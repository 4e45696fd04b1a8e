// The DDL texts of the objects real Access files hold, run through a snapshot file as a script
// would run them.
#include "engine/SchemaDdl.h"
#include "engine/snapshot/SnapshotSource.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/DescribeObjects.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QList<RealAccessFile> realFiles() {
    QList<RealAccessFile> files = SharedAccessFiles();
    if (QString fruit = RegistryTestFile("fruit.mdb"); !fruit.isEmpty())
        files.append({fruit, {}});
    return files;
}

// The file's schema without what the texts are to bring back.
Schema withoutDdlObjects(Schema s) {
    for (Table& t : s.tables)
        if (t.kind == ObjectKind::Table)
            t.indexes.clear();
    s.relationships.clear();
    s.queries.clear();
    return s;
}

} // namespace

TEST(SchemaDdlFiles, EveryExpressibleObjectComesBackEqualThroughASnapshot) {
    const QList<RealAccessFile> files = realFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no real Access files beside the repository";
    QTemporaryDir dir;
    int indexes = 0;
    int relationships = 0;
    int procedures = 0;
    for (const auto& [file, password] : files) {
        SCOPED_TRACE(file.toStdString());
        Schema access;
        try {
            access = OpenDatabaseFile({file, {}, password})->schema();
        } catch (const Error&) {
            continue; // damaged and password-protected files have their own tests
        }
        QString path = dir.filePath(QFileInfo(file).completeBaseName() + ".json");
        SaveSnapshot(withoutDdlObjects(access), path);
        auto snapshot = OpenDatabaseFile({path, {}, {}});

        QStringList texts;
        QStringList wanted;
        for (const Table& t : access.tables)
            for (const Index& i : t.indexes)
                if (t.kind == ObjectKind::Table && InexpressibleSettings(i).isEmpty()) {
                    texts << CreateIndexText(t.name, i);
                    wanted << t.name + ": " + Describe(i);
                    ++indexes;
                }
        // Access's own relationships join its system tables, which no statement may change.
        auto systemTable = [&access](const QString& name) {
            const Table* table = access.findTable(name);
            return table && IsSystemKind(table->kind);
        };
        for (const Relationship& r : access.relationships)
            if (InexpressibleSettings(r).isEmpty() && !systemTable(r.table) &&
                !systemTable(r.referencedTable)) {
                texts << AddRelationshipText(r);
                wanted << Describe(r);
                ++relationships;
            }
        for (const Query& q : access.queries)
            if (InexpressibleSettings(q).isEmpty()) {
                texts << CreateProcedureText(q);
                wanted << Describe(q);
                ++procedures;
            }
        for (const QString& text : texts)
            EXPECT_NO_THROW(snapshot->execute(text)) << text.toStdString();

        // Each text again finds its object there already, and the file stays as it was.
        const QByteArray before = FileBytes(path);
        for (const QString& text : texts)
            EXPECT_EQ(ErrorOf([&] { snapshot->execute(text); }).code(), ErrorCode::SyntaxError)
                << text.toStdString();
        EXPECT_EQ(FileBytes(path), before);

        snapshot.reset();
        const Schema back = OpenDatabaseFile({path, {}, {}})->schema();
        QStringList got;
        for (const Table& t : back.tables)
            for (const Index& i : t.indexes)
                if (t.kind == ObjectKind::Table)
                    got << t.name + ": " + Describe(i);
        for (const Relationship& r : back.relationships)
            got << Describe(r);
        for (const Query& q : back.queries)
            got << Describe(q);
        EXPECT_EQ(got, wanted);
    }
    // Not an empty promise: the files hold objects of every sort.
    EXPECT_GT(indexes, 20);
    EXPECT_GT(relationships, 1);
    EXPECT_GT(procedures, 10);
}
