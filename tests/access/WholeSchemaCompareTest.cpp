// The whole schema of real files compared: every kind of object shows for the files that have
// it, and one change to a copy is exactly one difference that the sync script takes back, or
// that a note says only Access can take back.
#include "engine/Compare.h"
#include "engine/Source.h"
#include "engine/snapshot/SnapshotSource.h"
#include "script/BatchRunner.h"
#include "script/SyncScript.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/Found.h"
#include "tests/support/QtPrinters.h"

#include <QMap>
#include <functional>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema schemaOf(const QString& path) {
    return OpenDatabaseFile({path, {}, {}})->schema();
}

QStringList unequal(const Diff& diff) {
    static const char* words[] = {"=", "!", "<", ">"};
    QStringList out;
    for (const DiffEntry& e : diff.entries)
        if (e.state != ObjectState::Equal)
            out << e.name + " " + TypeName(e.kind) + words[static_cast<int>(e.state)];
    return out;
}

struct RoundTrip {
    QStringList before; // what differs between the file and its changed copy
    SyncScript script;  // that brings the copy back
    QStringList after;  // what still differs once it ran on the copy
};

RoundTrip roundTrip(const Schema& original, const std::function<void(Schema&)>& change) {
    Schema changed = original;
    change(changed);
    const auto file = std::make_shared<const Schema>(original);
    const Diff diff = Compare(file, std::make_shared<const Schema>(changed));
    RoundTrip r{unequal(diff), BuildSyncScript(diff, Side::Secondary), {}};
    ScratchSource copy(changed);
    const BatchRunResult run = BatchRunner().Run(TextLineSource(r.script.Text()), &copy);
    EXPECT_TRUE(run.Succeeded()) << (run.failure ? run.failure->description.toStdString() : "");
    r.after = unequal(Compare(file, std::make_shared<const Schema>(copy.schema())));
    return r;
}

Query* queryNamed(Schema& s, const QString& name) {
    for (Query& q : s.queries)
        if (q.name == name)
            return &q;
    return nullptr;
}

} // namespace

TEST(WholeSchemaCompare, EveryKindShowsForTheFilesThatHaveIt) {
    struct Case {
        QString file;              // in the first shared folder, or the second after "more/"
        QMap<QString, int> counts; // of the kinds the file is here for
        bool showHidden = false;
    };
    const Case cases[] = {
        {"queryTestV2003.mdb", {{"QUERY", 8}, {"VIEW", 1}}},
        {"indexTestV2000.mdb", {{"INDEX", 6}, {"RELATIONSHIP", 2}}},
        {"testV2003.mdb", {{"INDEX", 10}, {"PROPERTIES", 3}}},
        {"linkerTestV2007.accdb", {{"LINK", 1}, {"LINK SOURCE", 1}, {"RELATIONSHIP", 1}}},
        {"more/githubIssue16.accdb", {{"QUERY", 0}, {"RELATIONSHIP", 1}}},
        // Shown hidden objects include the relationships of Access's navigation tables.
        {"more/githubIssue16.accdb", {{"QUERY", 2}, {"RELATIONSHIP", 3}}, true},
    };
    REQUIRE_SHARED_FILE(first, "queryTestV2003.mdb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        const QString path = c.file.startsWith("more/")
                                 ? QDir(SharedAccessMoreDir()).filePath(c.file.mid(5))
                                 : SharedAccessFile(c.file);
        if (!QFile::exists(path))
            continue;
        const auto schema = std::make_shared<const Schema>(schemaOf(path));
        CompareOptions options;
        options.showHidden = c.showHidden;
        const Diff diff = Compare(schema, schema, options);
        EXPECT_TRUE(diff.allEqual());
        QMap<QString, int> counts;
        for (const QString& kind : c.counts.keys())
            counts.insert(kind, 0);
        for (const DiffEntry& e : diff.entries)
            if (counts.contains(TypeName(e.kind)))
                ++counts[TypeName(e.kind)];
        EXPECT_EQ(counts, c.counts);
    }
}

TEST(WholeSchemaCompare, AChangedIndexRelationshipOrDefaultIsOneDifferenceTheScriptUndoes) {
    REQUIRE_SHARED_FILE(indexes, "indexTestV2000.mdb");
    const Schema keyed = schemaOf(indexes);
    RoundTrip r =
        roundTrip(keyed, [](Schema& s) { FOUND(s.findTable("Table1")).indexes[0].unique = true; });
    EXPECT_EQ(r.before, QStringList({"Table1.id INDEX!"}));
    EXPECT_EQ(r.after, QStringList());

    r = roundTrip(keyed, [](Schema& s) {
        for (Relationship& relationship : s.relationships)
            if (relationship.name == "Table2Table1")
                relationship.cascadeUpdate = true;
    });
    EXPECT_EQ(r.before, QStringList({"Table1.Table2Table1 RELATIONSHIP!"}));
    EXPECT_EQ(r.after, QStringList());

    const Schema fields = schemaOf(SharedAccessFile("testV2003.mdb"));
    r = roundTrip(fields,
                  [](Schema& s) { FOUND(s.findTable("Table1")).columns[2].defaultValue = "5"; });
    EXPECT_EQ(r.before, QStringList({"Table1 (properties) PROPERTIES!"}));
    EXPECT_EQ(r.after, QStringList());

    // A caption is Access's alone: the script leaves it and says so.
    r = roundTrip(fields,
                  [](Schema& s) { FOUND(s.findTable("Table2")).columns[0].caption = "Key"; });
    EXPECT_EQ(r.before, QStringList({"Table2 (properties) PROPERTIES!"}));
    EXPECT_EQ(r.after, r.before);
    ASSERT_EQ(r.script.notes.size(), 1u);
    EXPECT_EQ(r.script.notes[0].cause, SyncNote::Cause::AccessOnly);
    EXPECT_TRUE(r.script.notes[0].reason.startsWith("clear the Caption of field"));
}

// Action queries come back as procedures; the kinds Jet DDL cannot create stay as they are,
// with the note that says how to make them in Access.
TEST(WholeSchemaCompare, AChangedQueryOfEachKindIsOneDifference) {
    REQUIRE_SHARED_FILE(path, "queryTestV2003.mdb");
    const Schema original = schemaOf(path);
    QStringList scripted;
    QStringList noted;
    for (const Query& q : original.queries) {
        SCOPED_TRACE(q.name.toStdString());
        const RoundTrip r = roundTrip(original, [&](Schema& s) {
            QString& sql = queryNamed(s, q.name)->sql;
            sql.insert(sql.lastIndexOf(u' '), u' ');
        });
        EXPECT_EQ(r.before, QStringList({q.name + " QUERY!"}));
        if (r.after.isEmpty()) {
            scripted << QueryKindName(q.kind);
        } else {
            EXPECT_EQ(r.after, r.before);
            ASSERT_EQ(r.script.notes.size(), 1u);
            EXPECT_EQ(r.script.notes[0].cause, SyncNote::Cause::AccessOnly);
            EXPECT_TRUE(r.script.steps.empty());
            noted << QueryKindName(q.kind);
        }
    }
    scripted.sort();
    noted.sort();
    EXPECT_EQ(scripted, QStringList({"APPEND", "DELETE", "MAKE TABLE", "UPDATE"}));
    EXPECT_EQ(noted, QStringList({"CROSSTAB", "DATA DEFINITION", "PASS-THROUGH", "UNION"}));

    const RoundTrip view = roundTrip(
        original, [](Schema& s) { s.views[0].definition.replace("ORDER BY", "ORDER  BY"); });
    EXPECT_EQ(view.before, QStringList({"SelectQuery VIEW!"}));
    EXPECT_EQ(view.after, QStringList());
}
