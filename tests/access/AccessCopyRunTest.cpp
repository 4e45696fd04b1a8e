#include "script/AccessCopyRun.h"
#include "engine/Source.h"
#include "model/Error.h"
#include "script/AccessFileRun.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/PrivateTemp.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using namespace vantor;
using namespace vantor::test;

namespace {

const QString kTableAndIndex = QStringLiteral(
    "CREATE TABLE [Added] ([a] INTEGER)\r\nGO\r\nCREATE INDEX [ByA] ON [Added] ([a])");

// Runs on copies of the empty Access 2003 file in a folder of the test's own.
class AccessCopyRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
        db_ = Copy("empty2003.mdb", "site.mdb");
        original_ = FileBytes(db_);
        trialsBefore_ = Trials();
    }

    QString Copy(const QString& shared, const QString& as) {
        const QString path = WriteFile(dir_, as, FileBytes(SharedAccessFile(shared)));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    QStringList Folder() const { return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden); }
    // The folders trials leave in the temporary folder.
    static QStringList Trials() {
        return QDir::temp().entryList({"vantor-copy-*"}, QDir::AllEntries | QDir::Hidden);
    }
    // The description of the Error that work raises, or "no error".
    template <typename Work> static QString Raised(Work work) {
        try {
            work();
        } catch (const Error& e) {
            return e.description();
        }
        return QStringLiteral("no error");
    }

    QTemporaryDir dir_;
    PrivateTempFolder temp_;
    QString db_;
    QByteArray original_;
    QStringList trialsBefore_;
};

} // namespace

// The copy is changed by the writer and read back; the file, even one marked read-only, and the
// temporary folder are as they were.
TEST_F(AccessCopyRun, ATrialChangesOnlyACopyThatIsGoneAfterwards) {
    QFile::setPermissions(db_, QFile::ReadOwner);
    const CopyRunOutcome outcome =
        RunScriptOnCopyOf(TextLineSource(kTableAndIndex), db_, DefaultAccessRunOptions());
    EXPECT_TRUE(outcome.run.Succeeded());
    ASSERT_EQ(outcome.run.batches.size(), 2u);
    EXPECT_TRUE(outcome.run.batches[1].executed);
    const Table* added = outcome.changed.findTable("Added");
    ASSERT_TRUE(added);
    ASSERT_EQ(added->indexes.size(), 1);
    EXPECT_EQ(added->indexes[0].name, "ByA");
    EXPECT_EQ(FileBytes(db_), original_);
    EXPECT_EQ(Folder(), QStringList{"site.mdb"});
    EXPECT_EQ(Trials(), trialsBefore_);
}

// A batch that fails on the copy ends the trial as it ends a run: the batches before it are in
// the copy that is read back.
TEST_F(AccessCopyRun, AFailingBatchEndsTheTrialWithTheBatchesBeforeIt) {
    const CopyRunOutcome outcome = RunScriptOnCopyOf(
        TextLineSource("CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\nCREATE TABLE [One] ([a] "
                       "INTEGER)\r\nGO\r\nCREATE TABLE [Two] ([a] INTEGER)"),
        db_, DefaultAccessRunOptions());
    ASSERT_TRUE(outcome.run.failure.has_value());
    EXPECT_EQ(outcome.run.failure->batch.number, 2);
    EXPECT_TRUE(outcome.changed.findTable("One"));
    EXPECT_FALSE(outcome.changed.findTable("Two"));
    EXPECT_EQ(FileBytes(db_), original_);
    EXPECT_EQ(Trials(), trialsBefore_);
}

// What the writer refuses is said of the file the user named, never of the copy.
TEST_F(AccessCopyRun, RefusalsNameTheFileAndLeaveNothingBehind) {
    const QString odd = Raised([&] {
        RunScriptOnCopyOf(TextLineSource("CREATE TABLE [Odd] ([b] DOUBLE IDENTITY)"), db_,
                          DefaultAccessRunOptions());
    });
    EXPECT_TRUE(odd.startsWith("'" + db_ +
                               "': Batch 1 (line 1) cannot be run on an Access "
                               "file, so nothing was run"))
        << odd.toStdString();
    EXPECT_FALSE(odd.contains("vantor-copy-")) << odd.toStdString();

    const QString jet3 = Copy("testV1997.mdb", "old.mdb");
    const QString old = Raised([&] {
        RunScriptOnCopyOf(TextLineSource(kTableAndIndex), jet3, DefaultAccessRunOptions());
    });
    EXPECT_TRUE(old.startsWith("Vantor cannot change '" + jet3 +
                               "', so it cannot try the script on a copy of it"))
        << old.toStdString();

    const QString missing = Raised([&] {
        RunScriptOnCopyOf(TextLineSource(kTableAndIndex), dir_.filePath("gone.mdb"),
                          DefaultAccessRunOptions());
    });
    EXPECT_TRUE(missing.contains("gone.mdb")) << missing.toStdString();
    EXPECT_EQ(FileBytes(db_), original_);
    EXPECT_EQ(Trials(), trialsBefore_);
}

// A window's run hears every outcome as a report: the backup where it was announced, a refusal
// as the reason, and a stop, before or after the copy was made, as a stop with the file alone.
TEST_F(AccessCopyRun, AReportedRunTurnsEveryOutcomeIntoItsReport) {
    EXPECT_TRUE(IsAccessFilePath("/a/B.MDB") && IsAccessFilePath("c.accdb"));
    EXPECT_FALSE(IsAccessFilePath("c.json") || IsAccessFilePath("c.mdb.json") ||
                 IsAccessFilePath("c.accde"));

    QFile lock(dir_.filePath("site.ldb"));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    const AccessRunReport refused =
        ReportedAccessRun(TextLineSource(kTableAndIndex), db_, DefaultAccessRunOptions());
    ASSERT_TRUE(refused.leftAsItWas.has_value());
    EXPECT_TRUE(refused.leftAsItWas->contains("Close it there"))
        << refused.leftAsItWas->toStdString();
    ASSERT_TRUE(QFile::remove(lock.fileName()));

    std::stop_source before;
    before.request_stop();
    AccessRunOptions stopped = DefaultAccessRunOptions();
    stopped.stop = before.get_token();
    const AccessRunReport early = ReportedAccessRun(TextLineSource(kTableAndIndex), db_, stopped);
    EXPECT_TRUE(early.run.stopped);
    EXPECT_FALSE(early.leftAsItWas.has_value());

    std::stop_source copied;
    stopped.stop = copied.get_token();
    stopped.reached = [&copied](AccessRunStage stage) {
        if (stage == AccessRunStage::Copied)
            copied.request_stop();
    };
    const AccessRunReport late = ReportedAccessRun(TextLineSource(kTableAndIndex), db_, stopped);
    EXPECT_TRUE(late.run.stopped);
    EXPECT_TRUE(late.backup.isEmpty());
    EXPECT_EQ(FileBytes(db_), original_);
    EXPECT_EQ(Folder(), QStringList{"site.mdb"});

    const AccessRunReport done =
        ReportedAccessRun(TextLineSource(kTableAndIndex), db_, DefaultAccessRunOptions());
    EXPECT_FALSE(done.leftAsItWas.has_value());
    EXPECT_TRUE(done.run.Succeeded());
    EXPECT_EQ(BackupPlaceOf(db_), db_ + ".backup-<date>-<time>");
    EXPECT_TRUE(
        QRegularExpression("^" + QRegularExpression::escape(db_) + "\\.backup-[0-9]{8}-[0-9]{6}$")
            .match(done.backup)
            .hasMatch())
        << done.backup.toStdString();
    EXPECT_EQ(FileBytes(done.backup), original_);
}

// A statement may spell a column in another letter case than the file does, as a script made
// from a database whose column differs only in case does; the written index keeps the file's
// spelling, and the proof must expect exactly that.
TEST_F(AccessCopyRun, AnIndexOnAColumnSpelledInAnotherCaseIsWrittenAndProven) {
    const QString site = Copy("delColTestV2000.mdb", "cased.mdb");
    const CopyRunOutcome outcome = RunScriptOnCopyOf(
        TextLineSource("DROP INDEX [id] ON [Table1]\r\nGO\r\nCREATE INDEX [PrimaryKey] ON "
                       "[Table1] ([ID]) WITH PRIMARY\r\nGO\r\nCREATE UNIQUE INDEX [Both] ON "
                       "[TABLE1] ([ID2], [Id] DESC)"),
        site, DefaultAccessRunOptions());
    ASSERT_TRUE(outcome.run.Succeeded())
        << (outcome.run.failure ? outcome.run.failure->description.toStdString() : "");
    const Table* table = outcome.changed.findTable("Table1");
    ASSERT_TRUE(table);
    QStringList indexes;
    for (const Index& i : table->indexes) {
        QStringList columns;
        for (const IndexColumn& c : i.columns)
            columns << (c.descending ? "-" : "") + c.name;
        indexes << i.name + "(" + columns.join(',') + ")";
    }
    indexes.sort();
    EXPECT_EQ(indexes, QStringList({"Both(id2,-id)", "PrimaryKey(id)", "id2(id2)"}));
}
