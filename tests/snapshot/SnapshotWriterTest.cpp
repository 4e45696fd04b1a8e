#include "engine/snapshot/SnapshotWriter.h"
#include "engine/SnapshotJson.h"
#include "engine/snapshot/JetDdl.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

// The writer keeps table texts between calls; whatever the statements did, its bytes must be
// those of the plain writer.
TEST(SnapshotWriter, MatchesTheCanonicalWriterAfterEveryStatement) {
    Schema s;
    s.sourceFormat = "JET4";
    SnapshotWriter writer;
    EXPECT_EQ(writer.Write(s), WriteSnapshotJson(s));
    const char* statements[] = {
        "CREATE TABLE A (id COUNTER PRIMARY KEY, name TEXT(20) DEFAULT 'x\"y')",
        "CREATE TABLE [B \xc3\xa4] (a_id LONG REFERENCES A, note MEMO)",
        "CREATE TABLE C (x LONG)",
        "CREATE VIEW V AS SELECT * FROM A",
        "ALTER TABLE A ADD extra DOUBLE",
        "ALTER TABLE C ALTER COLUMN x TEXT(5) NOT NULL",
        "DROP TABLE C",
        "CREATE TABLE C (y LONG)",
        "CREATE INDEX ix ON [B \xc3\xa4] (note)",
        "ALTER TABLE A DROP COLUMN extra",
        "DROP VIEW V",
    };
    for (const char* sql : statements) {
        ApplyJetDdl(s, QString::fromUtf8(sql));
        EXPECT_EQ(writer.Write(s), WriteSnapshotJson(s)) << sql;
    }
    // A copy that shares nothing with what the writer saw must give the same bytes too.
    Schema reread = ReadSnapshotJson(WriteSnapshotJson(s), "mem");
    EXPECT_EQ(writer.Write(reread), WriteSnapshotJson(s));
    s.tables.clear();
    EXPECT_EQ(writer.Write(s), WriteSnapshotJson(s));
}
