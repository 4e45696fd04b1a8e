#include "script/AccessScriptRun.h"

#include "engine/access/ReaderProcess.h"
#include "engine/access/ReaderProtocol.h"
#include "engine/access/ScriptRunFiles.h"
#include "engine/access/writer/JetWriter.h"
#include "engine/snapshot/JetDdl.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/Jackcess.h"
#include "tests/support/QtPrinters.h"

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

namespace {

// A database of one table that no relationship or query names, and an empty database of the
// same version: with the scripted writer swapping the second in, "DROP TABLE" of that one table
// is proven sound, so that a run can be followed through every stage without a real writer.
const QString kOneTable = QStringLiteral("compIndexTestV2000.mdb");
const QString kOneTableScript = QStringLiteral("DROP TABLE [Table1]\r\nGO\r\n");
const QString kEmpty = QStringLiteral("empty.mdb");

QString binary(const QString& name) {
    return QDir(BinaryDir()).absoluteFilePath(QStringLiteral("bin/") + name);
}

struct Outcome {
    int code = -1;
    bool killed = false;
    QString out;
    QString err;
};

// Runs vantor-run-to-stage with the scripted writer; modifier runs in the child before exec.
Outcome runToStage(const QStringList& args, const QString& writer,
                   std::function<void()> modifier = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kReaderProgramEnv, binary("vantor-scripted-writer-reader"));
    env.insert("VANTOR_TEST_WRITER", writer);
    process.setProcessEnvironment(env);
    if (modifier)
        process.setChildProcessModifier(modifier);
    process.start(binary("vantor-run-to-stage"), args);
    process.waitForFinished(120000);
    return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class AccessScriptRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (SharedAccessDir().isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
        if (!QFileInfo(binary("vantor-run-to-stage")).isExecutable())
            GTEST_SKIP() << "skipped: the test programs are not built";
    }

    // A copy of a shared file in this test's folder, and its bytes.
    QString Copy(const QString& name, const QString& as = {}) {
        const QString target = dir_.filePath(as.isEmpty() ? name : as);
        QFile::copy(SharedAccessFile(name), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
        original_ = FileBytes(target);
        return target;
    }
    QString Script(const QString& text) {
        scripts_.emplace_back(std::make_unique<QTemporaryDir>());
        return WriteFile(*scripts_.back(), "script.sql", text.toUtf8());
    }
    QStringList Folder() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    QString ScriptedWriterSwapping() const {
        return QStringLiteral("swap:") + SharedAccessFile(kEmpty);
    }

    QTemporaryDir dir_;
    QByteArray original_;
    std::vector<std::unique_ptr<QTemporaryDir>> scripts_;
};

AccessRunOptions permissive() {
    return AccessRunOptions(); // no verdicts: every file and statement goes to the writer
}

} // namespace

// What the writer built into Vantor refuses stops the run before a byte is written: the file is
// as it was and nothing is left beside it. Jet 3 and encrypted files are refused whatever else
// the writer learns to write; the others only while it cannot write yet.
TEST_F(AccessScriptRun, FilesTheWriterRefusesAreNeverTouched) {
    const QString script = QStringLiteral("CREATE TABLE [Fresh] ([Id] INTEGER)\r\n");
    const QStringList always = {"testV1997.mdb", "encrypted/db-enc.mdb",
                                "encrypted/db2007-enc.accdb", "encrypted/db97-enc.mdb"};
    for (const QString& name : always + QStringList{"testV2003.mdb", "testV2010.accdb"}) {
        const QString fileName = name.section('/', -1);
        const QString db = Copy(name, fileName);
        const QByteArray before = original_;
        if (always.contains(name))
            EXPECT_TRUE(WhyFileNotWritable(db).has_value()) << name.toStdString();
        else if (!WhyFileNotWritable(db) && !WhyStatementNotWritable(ParseJetDdl(script)))
            continue; // a file the writer takes is the happy paths' test
        const Error e = ErrorOf(
            [&] { RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions()); });
        EXPECT_TRUE(e.description().contains("nothing was") && e.description().contains(fileName))
            << e.description().toStdString();
        EXPECT_EQ(FileBytes(db), before) << name.toStdString();
        EXPECT_EQ(Folder(), QStringList{fileName});
        QFile::remove(db);
    }
}

// While Access has the file open, or another run holds it, nothing starts.
TEST_F(AccessScriptRun, AnOpenFileOrAHeldLockIsRefused) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    for (const QString& lockName : {QStringLiteral("Shop.ldb"), QStringLiteral("SHOP.LACCDB")}) {
        WriteFile(dir_, lockName, "user");
        const Error e =
            ErrorOf([&] { RunScriptOnAccess(TextLineSource(kOneTableScript), db, permissive()); });
        EXPECT_TRUE(e.description().contains("is open in Access") &&
                    e.description().contains(lockName))
            << e.description().toStdString();
        QFile::remove(dir_.filePath(lockName));
    }
    {
        const RunLock held(db);
        const Error e =
            ErrorOf([&] { RunScriptOnAccess(TextLineSource(kOneTableScript), db, permissive()); });
        EXPECT_TRUE(e.description().startsWith("Another Vantor run is changing"))
            << e.description().toStdString();
        EXPECT_EQ(Folder(), (QStringList{".Shop.mdb.vantor-lock", "Shop.mdb"}));
    }
    EXPECT_EQ(FileBytes(db), original_);
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});

    // A file marked read-only is the user's word, even where the folder lets it be replaced.
    QFile::setPermissions(db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const Error marked =
        ErrorOf([&] { RunScriptOnAccess(TextLineSource(kOneTableScript), db, permissive()); });
    EXPECT_EQ(marked.description(), "'" + db + "' is marked read-only; nothing was written.");
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
}

// A linked table's definition is not in this file: a statement on one is refused up front.
TEST_F(AccessScriptRun, ALinkedTableIsNotATarget) {
    const QString db = Copy("linkerTestV2007.accdb");
    const Schema schema = RunAccessReader(db);
    QString link;
    for (const Table& t : schema.tables)
        if (t.kind == ObjectKind::Link && !t.columns.isEmpty())
            link = t.name;
    if (link.isEmpty())
        for (const Table& t : schema.tables)
            if (t.kind == ObjectKind::Link)
                link = t.name;
    ASSERT_FALSE(link.isEmpty());
    const Error e = ErrorOf([&] {
        RunScriptOnAccess(TextLineSource(QStringLiteral("DROP TABLE [%1]\r\n").arg(link)), db,
                          permissive());
    });
    EXPECT_TRUE(e.description().contains("linked table '" + link + "'"))
        << e.description().toStdString();
    EXPECT_EQ(FileBytes(db), original_);
    EXPECT_EQ(Folder(), QStringList{"linkerTestV2007.accdb"});
}

// A folder the run cannot write in and a disk that fills while copying end the run with a
// message that says so, the original as it was and no copy left over.
TEST_F(AccessScriptRun, AReadOnlyFolderOrAFullDiskLeavesTheOriginal) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    const QString script = Script(kOneTableScript);
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ReadOther);
    QFile::setPermissions(QFileInfo(script).absolutePath(),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ExeOther);
    // The superuser writes anywhere, so the run drops to nobody for this.
    const bool root = geteuid() == 0;
    if (root && !QFileInfo(binary("vantor-run-to-stage")).permission(QFile::ExeOther))
        GTEST_SKIP() << "skipped: the test programs cannot be run as another user";
    Outcome readOnly = runToStage({db, script}, ScriptedWriterSwapping(), [root] {
        if (root && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(99);
    });
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(QFileInfo(script).absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (readOnly.code != 99) {
        EXPECT_EQ(readOnly.code, 2) << readOnly.err.toStdString();
        EXPECT_TRUE(readOnly.err.contains("the folder cannot be written"))
            << readOnly.err.toStdString();
        EXPECT_EQ(FileBytes(db), original_);
        EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
    }

    // Half the file fits: the copy fails at the limit and is removed.
    const rlim_t half = static_cast<rlim_t>(original_.size() / 2);
    const Outcome full = runToStage({db, script}, ScriptedWriterSwapping(), [half] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {half, half};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    EXPECT_EQ(full.code, 2) << full.err.toStdString();
    EXPECT_TRUE(full.err.contains("Copying it failed, so '" + db + "' was left as it was") &&
                full.err.contains("more than this process may write"))
        << full.err.toStdString();
    EXPECT_EQ(FileBytes(db), original_);
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
}

// The whole way through with a writer that does what the script asks: the original kept as a
// backup, byte for byte, and the proven copy in its place.
TEST_F(AccessScriptRun, AProvenCopyReplacesTheOriginalWhichIsKeptAsABackup) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    const Outcome run = runToStage({db, Script(kOneTableScript)}, ScriptedWriterSwapping());
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("applied 1\nbackup " + db + ".backup-"))
        << run.out.toStdString();
    const QString backup = run.out.section("backup ", 1).trimmed();
    EXPECT_EQ(FileBytes(backup), original_);
    EXPECT_EQ(FileBytes(db), FileBytes(SharedAccessFile(kEmpty)));
    const QStringList folder = Folder();
    ASSERT_EQ(folder.size(), 2) << folder.join(' ').toStdString();
    EXPECT_EQ(folder[0], "Shop.mdb");
    EXPECT_EQ(dir_.filePath(folder[1]), backup);
    EXPECT_TRUE(run.err.contains("the original is kept as '" + backup + "'"))
        << run.err.toStdString();

    // Without a backup only the database is left.
    QFile::remove(backup);
    QFile::remove(db);
    Copy(kOneTable, "Shop.mdb");
    const Outcome bare =
        runToStage({db, Script(kOneTableScript), "", "--no-backup"}, ScriptedWriterSwapping());
    ASSERT_EQ(bare.code, 0) << bare.err.toStdString();
    EXPECT_EQ(bare.out, "applied 1\n");
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});

    // Through a symbolic link the file it names is replaced, and the link stays a link to it.
    QFile::remove(db);
    Copy(kOneTable, "Shop.mdb");
    const QString link = dir_.filePath("Link.mdb");
    ASSERT_TRUE(QFile::link(db, link));
    const Outcome linked =
        runToStage({link, Script(kOneTableScript), "", "--no-backup"}, ScriptedWriterSwapping());
    ASSERT_EQ(linked.code, 0) << linked.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(FileBytes(db), FileBytes(SharedAccessFile(kEmpty)));
    EXPECT_EQ(Folder(), (QStringList{"Link.mdb", "Shop.mdb"}));
}

// A writer that says it ran the batches but left the file alone is caught by the proof.
TEST_F(AccessScriptRun, TheProofCatchesACopyThatIsNotWhatTheScriptMakes) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    const Outcome run = runToStage({db, Script(kOneTableScript)}, "ignore");
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("The written copy is not what the script makes, so '" + db +
                                 "' was left as it was: table 'Table1' should not be there"))
        << run.err.toStdString();
    EXPECT_EQ(FileBytes(db), original_);
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
}

// A batch that fails leaves no trace; the ones before it stay applied and the run says where it
// ended, whether the writer or the in-memory copy refused it. When the first batch fails,
// nothing replaces the file.
TEST_F(AccessScriptRun, AFailingBatchEndsTheRunAndTheBatchesBeforeItStay) {
    const QString second = QStringLiteral("CREATE TABLE [Fresh] ([Id] INTEGER)\r\nGO\r\n");
    const QString db = Copy(kOneTable, "Shop.mdb");
    const Outcome byWriter =
        runToStage({db, Script(kOneTableScript + second + second), "", "--no-backup"},
                   "fail:2," + ScriptedWriterSwapping());
    ASSERT_EQ(byWriter.code, 0) << byWriter.err.toStdString();
    EXPECT_EQ(byWriter.out, "applied 1\nfailure 2 The test writer refuses batch 2.\n");
    EXPECT_EQ(FileBytes(db), FileBytes(SharedAccessFile(kEmpty)));

    const QString db2 = Copy(kOneTable, "Second.mdb");
    const Outcome byCopy =
        runToStage({db2, Script(kOneTableScript + "DROP TABLE [Nowhere]\r\nGO\r\n" + second), "",
                    "--no-backup"},
                   ScriptedWriterSwapping());
    ASSERT_EQ(byCopy.code, 0) << byCopy.err.toStdString();
    EXPECT_EQ(byCopy.out, "applied 1\nfailure 2 Table 'Nowhere' does not exist.\n");
    EXPECT_EQ(FileBytes(db2), FileBytes(SharedAccessFile(kEmpty)));

    const QString db3 = Copy(kOneTable, "Third.mdb");
    const Outcome first = runToStage({db3, Script(kOneTableScript + second)}, "fail:1");
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, "applied 0\nfailure 1 The test writer refuses batch 1.\n");
    EXPECT_EQ(FileBytes(db3), original_);
    EXPECT_EQ(Folder(), (QStringList{"Second.mdb", "Shop.mdb", "Third.mdb"}));
}

// A stop asked for before the writer starts reaches it with the batches: none runs, and the
// file is left alone with nothing beside it.
TEST_F(AccessScriptRun, AStopBeforeTheWriterStartsRunsNoBatch) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    qputenv(kReaderProgramEnv, binary("vantor-scripted-writer-reader").toLocal8Bit());
    qputenv("VANTOR_TEST_WRITER", ScriptedWriterSwapping().toLocal8Bit());
    std::stop_source stop;
    AccessRunOptions options = permissive();
    options.stop = stop.get_token();
    options.reached = [&stop](AccessRunStage stage) {
        if (stage == AccessRunStage::Copied)
            stop.request_stop();
    };
    const AccessRunResult result =
        RunScriptOnAccessFile(db, {{"DROP TABLE [Table1]", "Batch 1"}}, options);
    qunsetenv(kReaderProgramEnv);
    qunsetenv("VANTOR_TEST_WRITER");
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.applied, 0);
    EXPECT_FALSE(result.failure.has_value());
    EXPECT_TRUE(result.backup.isEmpty());
    EXPECT_EQ(FileBytes(db), original_);
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
}

// Access opening the file, or another program writing it, while the copy was being made and
// proven: the copy is thrown away rather than put over what the other program did.
TEST_F(AccessScriptRun, AFileOpenedOrChangedMeanwhileIsNotReplaced) {
    qputenv(kReaderProgramEnv, binary("vantor-scripted-writer-reader").toLocal8Bit());
    qputenv("VANTOR_TEST_WRITER", ScriptedWriterSwapping().toLocal8Bit());
    const QString db = Copy(kOneTable, "Shop.mdb");
    const std::function<void()> meanwhile[] = {[&] { WriteFile(dir_, "Shop.ldb", "user"); },
                                               [&] {
                                                   QFile file(db);
                                                   ASSERT_TRUE(file.open(QIODevice::Append));
                                                   file.write(QByteArray(4096, '\0'));
                                               }};
    QStringList messages;
    for (const auto& act : meanwhile) {
        AccessRunOptions options = permissive();
        options.reached = [&act](AccessRunStage stage) {
            if (stage == AccessRunStage::Proven)
                act();
        };
        messages << ErrorOf([&] {
                        RunScriptOnAccessFile(db, {{"DROP TABLE [Table1]", "Batch 1"}}, options);
                    }).description();
        QFile::remove(dir_.filePath("Shop.ldb"));
    }
    qunsetenv(kReaderProgramEnv);
    qunsetenv("VANTOR_TEST_WRITER");
    EXPECT_TRUE(messages[0].startsWith("'" + db + "' is open in Access"))
        << messages[0].toStdString();
    EXPECT_EQ(messages[1], "'" + db +
                               "' was changed by another program while the script ran, so "
                               "it was left as that program wrote it.");
    EXPECT_EQ(FileBytes(db), original_ + QByteArray(4096, '\0'));
    EXPECT_EQ(Folder(), QStringList{"Shop.mdb"});
}

// The writer's process killed in the middle of any batch of a long script: the half-written
// copy is thrown away and the original is untouched.
TEST_F(AccessScriptRun, AWriterKilledMidBatchLeavesTheOriginal) {
    const QString db = Copy(kOneTable, "Shop.mdb");
    QString text = kOneTableScript;
    constexpr int kBatches = 13;
    for (int i = 2; i <= kBatches; ++i)
        text += QStringLiteral("CREATE TABLE [T%1] ([Id] INTEGER)\r\nGO\r\n").arg(i);
    const QString script = Script(text);
    for (int batch = 1; batch <= kBatches; ++batch) {
        const Outcome run = runToStage({db, script}, QStringLiteral("die:%1").arg(batch));
        EXPECT_EQ(run.code, 2) << batch;
        EXPECT_TRUE(run.err.contains("Changing the copy failed, so '" + db +
                                     "' was left as it was: The reader program failed while "
                                     "writing: it stopped unexpectedly."))
            << run.err.toStdString();
        EXPECT_EQ(FileBytes(db), original_) << batch;
        EXPECT_EQ(Folder(), QStringList{"Shop.mdb"}) << batch;
    }
}

// The run itself killed dead at every stage: until the rename the original is byte for byte
// what it was, after it the proven copy is in place, and the next run clears away whatever the
// killed one left (its copy, a backup that never got its replacement, its lock file).
TEST_F(AccessScriptRun, KilledAtAnyStageTheNextRunClearsUp) {
    const QStringList stages = {"Locked",   "Predicted", "Copied",   "Applied",
                                "ReadBack", "Proven",    "BackedUp", "Replaced"};
    const QByteArray empty = FileBytes(SharedAccessFile(kEmpty));
    for (const QString& stage : stages) {
        const QString db = Copy(kOneTable, "Shop.mdb");
        const Outcome killed =
            runToStage({db, Script(kOneTableScript), stage}, ScriptedWriterSwapping());
        ASSERT_TRUE(killed.killed) << stage.toStdString() << killed.err.toStdString();
        const bool replaced = stage == "Replaced";
        EXPECT_EQ(FileBytes(db), replaced ? empty : original_) << stage.toStdString();

        // A script the in-memory copy refuses at once takes the lock, tidies and stops.
        const Outcome next =
            runToStage({db, Script("DROP TABLE [Nowhere]\r\n")}, ScriptedWriterSwapping());
        EXPECT_EQ(next.code, 0) << stage.toStdString() << next.err.toStdString();
        EXPECT_EQ(FileBytes(db), replaced ? empty : original_) << stage.toStdString();
        QStringList folder = Folder();
        if (replaced) {
            ASSERT_EQ(folder.size(), 2) << folder.join(' ').toStdString();
            EXPECT_TRUE(folder[1].startsWith("Shop.mdb.backup-")) << folder[1].toStdString();
            EXPECT_EQ(FileBytes(dir_.filePath(folder[1])), original_);
        } else {
            EXPECT_EQ(folder, QStringList{"Shop.mdb"}) << stage.toStdString();
        }
        for (const QString& name : folder)
            QFile::remove(dir_.filePath(name));
    }
}

namespace {

// Every kind of statement the writer takes, on a table of the file that holds rows and on
// tables of its own, ending with the file's own tables as they were but for one new table.
QString everyKindScript(const Table& table) {
    const QString t = table.name;
    // Memo (203) and OLE (205) columns take no index.
    QString c;
    for (const Column& column : table.columns)
        if (c.isEmpty() && column.dataType != 203 && column.dataType != 205)
            c = column.name;
    const QStringList batches = {
        "CREATE TABLE [VantorNew] ([Id] COUNTER CONSTRAINT [PK_VantorNew] PRIMARY KEY, "
        "[Name] TEXT(50) NOT NULL, [Amount] CURRENCY DEFAULT 0, [Born] DATETIME, [Flag] YESNO, "
        "[Note] MEMO, [Blob] LONGBINARY, [G] GUID, [D] DECIMAL(10,2), [B] BYTE, [S] SMALLINT, "
        "[R] REAL, [F] FLOAT, [L] INTEGER)",
        "CREATE UNIQUE INDEX [ByName] ON [VantorNew] ([Name]) WITH DISALLOW NULL",
        "CREATE TABLE [VantorChild] ([Id] INTEGER NOT NULL, [ParentId] INTEGER, "
        "CONSTRAINT [PK_Child] PRIMARY KEY ([Id]), CONSTRAINT [FK_Child] FOREIGN KEY "
        "([ParentId]) REFERENCES [VantorNew] ([Id]) ON DELETE CASCADE)",
        QStringLiteral("ALTER TABLE [%1] ADD COLUMN [VantorExtra] INTEGER").arg(t),
        QStringLiteral("ALTER TABLE [%1] ALTER COLUMN [VantorExtra] TEXT(20)").arg(t),
        QStringLiteral("CREATE INDEX [VantorIx] ON [%1] ([%2]) WITH IGNORE NULL").arg(t, c),
        QStringLiteral("DROP INDEX [VantorIx] ON [%1]").arg(t),
        QStringLiteral("ALTER TABLE [%1] DROP COLUMN [VantorExtra]").arg(t),
        "ALTER TABLE [VantorChild] DROP CONSTRAINT [FK_Child]",
        "ALTER TABLE [VantorChild] ADD CONSTRAINT [U_Parent] UNIQUE ([ParentId])",
        "DROP TABLE [VantorChild]"};
    return batches.join("\r\nGO\r\n") + "\r\n";
}

} // namespace

// With the writer built into Vantor: every statement kind on copies of a Jet 4 and an ACE file
// with data, proven by the run itself and checked again by Jackcess, which shares no code with
// it. Skips while the writer refuses any of the statements.
TEST_F(AccessScriptRun, EveryStatementKindRunsOnRealFiles) {
    for (const QString& name :
         {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb")}) {
        const QString db = Copy(name);
        const Schema before = RunAccessReader(db);
        const Table* withRows = nullptr;
        for (const Table& t : before.tables)
            if (t.kind == ObjectKind::Table && !t.columns.isEmpty() && !withRows &&
                std::any_of(t.columns.begin(), t.columns.end(),
                            [](const Column& c) { return c.dataType != 203 && c.dataType != 205; }))
                withRows = &t;
        ASSERT_NE(withRows, nullptr) << name.toStdString();
        const QString script = everyKindScript(*withRows);
        if (std::optional<QString> why = WhyFileNotWritable(db))
            GTEST_SKIP() << "skipped: the writer refuses " << name.toStdString() << ": "
                         << why->toStdString();
        for (const QString& batch : script.split("\r\nGO\r\n"))
            if (std::optional<QString> why = WhyStatementNotWritable(ParseJetDdl(batch)))
                GTEST_SKIP() << "skipped: the writer refuses " << batch.toStdString() << ": "
                             << why->toStdString();

        const auto jackcessBefore = JackcessRowDigests(db);
        const AccessScriptOutcome outcome =
            RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.Succeeded())
            << (outcome.run.failure ? outcome.run.failure->description : QString()).toStdString();
        EXPECT_EQ(outcome.run.batches.size(), 11u);
        EXPECT_EQ(FileBytes(outcome.backup), original_);

        Schema predicted = before;
        for (const QString& batch : script.split("\r\nGO\r\n"))
            ApplyJetDdl(predicted, batch);
        const Schema after = RunAccessReader(db);
        EXPECT_NE(after.findTable("VantorNew"), nullptr);
        EXPECT_EQ(after.findTable("VantorChild"), nullptr);
        EXPECT_EQ(after.tables.size(), predicted.tables.size());

        // libmdb's own exporter reads every table of the written file.
        for (const Table& t : after.tables) {
            if (t.kind != ObjectKind::Table)
                continue;
            QProcess exporter;
            exporter.start("mdb-export", {db, t.name});
            ASSERT_TRUE(exporter.waitForFinished(60000)) << t.name.toStdString();
            EXPECT_EQ(exporter.exitCode(), 0)
                << t.name.toStdString() << exporter.readAllStandardError().toStdString();
        }
        if (!jackcessBefore)
            continue; // Jackcess cannot run here
        const auto jackcessAfter = JackcessRowDigests(db);
        ASSERT_TRUE(jackcessAfter.has_value())
            << "Jackcess cannot read the written " << name.toStdString();
        for (auto it = jackcessBefore->begin(); it != jackcessBefore->end(); ++it)
            EXPECT_EQ(jackcessAfter->value(it.key()), it.value())
                << name.toStdString() << it.key().toStdString();
        ASSERT_TRUE(jackcessAfter->contains("VantorNew"));
        EXPECT_EQ(jackcessAfter->value("VantorNew").rows, 0);
        QString complaint;
        EXPECT_TRUE(JackcessOutput("IndexCheck", {db}, &complaint).has_value())
            << "an index of the written " << name.toStdString()
            << " misses rows: " << complaint.toStdString();
        const auto schema = JackcessSchema(db);
        EXPECT_TRUE(schema.has_value())
            << "Jackcess cannot read the schema of the written " << name.toStdString();
        QFile::remove(outcome.backup);
        QFile::remove(db);
    }
}

// With the writer built into Vantor: relationships and keys, made with new tables and added to
// and dropped from a table of the file that holds rows, proven by the run itself and read again
// by Jackcess. Skips while the writer refuses any of the statements.
TEST_F(AccessScriptRun, ConstraintStatementsRunOnRealFiles) {
    const QStringList batches = {
        "CREATE TABLE [VantorNew] ([Id] COUNTER CONSTRAINT [PK_VantorNew] PRIMARY KEY, "
        "[Name] TEXT(50))",
        "CREATE TABLE [VantorChild] ([Id] INTEGER NOT NULL, [ParentId] INTEGER, "
        "CONSTRAINT [PK_Child] PRIMARY KEY ([Id]), CONSTRAINT [FK_Child] FOREIGN KEY "
        "([ParentId]) REFERENCES [VantorNew] ([Id]) ON DELETE CASCADE)",
        "ALTER TABLE [VantorChild] DROP CONSTRAINT [FK_Child]",
        "ALTER TABLE [VantorChild] ADD CONSTRAINT [U_Parent] UNIQUE ([ParentId])",
        "ALTER TABLE [VantorChild] ADD CONSTRAINT [FK_Again] FOREIGN KEY ([ParentId]) "
        "REFERENCES [VantorNew] ON UPDATE CASCADE ON DELETE SET NULL",
        // Table1 holds rows; its key A refers to itself, which every row satisfies.
        "ALTER TABLE [Table1] ADD UNIQUE ([C]), CONSTRAINT [VantorSelf] FOREIGN KEY ([A]) "
        "REFERENCES [Table1]",
        "ALTER TABLE [Table1] DROP CONSTRAINT [Index]",
        "ALTER TABLE [VantorChild] DROP CONSTRAINT [PK_Child]"};
    const QString script = batches.join("\r\nGO\r\n") + "\r\n";
    for (const QString& name :
         {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb")}) {
        const QString db = Copy(name);
        if (std::optional<QString> why = WhyFileNotWritable(db))
            GTEST_SKIP() << "skipped: the writer refuses " << name.toStdString() << ": "
                         << why->toStdString();
        for (const QString& batch : batches)
            if (std::optional<QString> why = WhyStatementNotWritable(ParseJetDdl(batch)))
                GTEST_SKIP() << "skipped: the writer refuses " << batch.toStdString() << ": "
                             << why->toStdString();
        const auto jackcessBefore = JackcessRowDigests(db);
        const AccessScriptOutcome outcome =
            RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.Succeeded())
            << (outcome.run.failure ? outcome.run.failure->description : QString()).toStdString();
        EXPECT_EQ(outcome.run.batches.size(), batches.size());
        EXPECT_EQ(FileBytes(outcome.backup), original_);

        const Schema after = RunAccessReader(db);
        QStringList relationships;
        for (const Relationship& r : after.relationships)
            relationships << r.name;
        relationships.sort();
        EXPECT_EQ(relationships, QStringList({"FK_Again", "VantorSelf"}));
        const Table* child = after.findTable("VantorChild");
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(child->indexes.size(), 1);
        EXPECT_EQ(child->indexes[0].name, "U_Parent");
        if (!jackcessBefore)
            continue; // Jackcess cannot run here
        const auto jackcessAfter = JackcessRowDigests(db);
        ASSERT_TRUE(jackcessAfter.has_value())
            << "Jackcess cannot read the written " << name.toStdString();
        for (auto it = jackcessBefore->begin(); it != jackcessBefore->end(); ++it)
            EXPECT_EQ(jackcessAfter->value(it.key()), it.value())
                << name.toStdString() << it.key().toStdString();
        QString complaint;
        EXPECT_TRUE(JackcessOutput("IndexCheck", {db}, &complaint).has_value())
            << "an index of the written " << name.toStdString()
            << " misses rows: " << complaint.toStdString();
        const auto schema = JackcessSchema(db);
        ASSERT_TRUE(schema.has_value());
        int seen = 0;
        for (const QJsonValue& r : schema->value("relationships").toArray())
            if (r.toObject().value("name").toString() == "FK_Again") {
                EXPECT_TRUE(r.toObject().value("cascadeUpdate").toBool());
                EXPECT_TRUE(r.toObject().value("cascadeToNull").toBool());
                ++seen;
            }
        EXPECT_EQ(seen, 1);
        QFile::remove(outcome.backup);
        QFile::remove(db);
    }
}

// With the writer built into Vantor: a batch failing in the middle ends the run, the batch
// before it is in the file, and the backup holds the original. Skips while the writer refuses.
TEST_F(AccessScriptRun, AFailingBatchInTheMiddleKeepsTheOnesBeforeItOnRealFiles) {
    const QString create = QStringLiteral("CREATE TABLE [VantorA] ([Id] INTEGER)");
    const QString script = create + "\r\nGO\r\n" + create + "\r\nGO\r\nDROP TABLE [VantorA]\r\n";
    for (const QString& name :
         {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb")}) {
        const QString db = Copy(name);
        if (std::optional<QString> why = WhyFileNotWritable(db))
            GTEST_SKIP() << "skipped: the writer refuses " << name.toStdString() << ": "
                         << why->toStdString();
        if (std::optional<QString> why = WhyStatementNotWritable(ParseJetDdl(create)))
            GTEST_SKIP() << "skipped: the writer refuses CREATE TABLE: " << why->toStdString();
        const AccessScriptOutcome outcome =
            RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.failure.has_value());
        EXPECT_EQ(outcome.run.failure->batch.number, 2);
        EXPECT_EQ(outcome.run.failure->description, "Table 'VantorA' already exists.");
        ASSERT_EQ(outcome.run.batches.size(), 1u);
        EXPECT_TRUE(outcome.run.batches[0].executed);
        EXPECT_NE(RunAccessReader(db).findTable("VantorA"), nullptr);
        EXPECT_EQ(FileBytes(outcome.backup), original_);
        QFile::remove(outcome.backup);
        QFile::remove(db);
    }
}

// The statements the writer runs today, end to end on copies of a Jet 4 and an ACE file with
// data: the run proves the copy itself, then libmdb's exporter and Jackcess read the result.
TEST_F(AccessScriptRun, TheTableAndIndexStatementsRunOnRealFilesEndToEnd) {
    const QString script =
        "CREATE TABLE [VantorNew] ([Id] COUNTER PRIMARY KEY, [Name] TEXT(40) NOT NULL, "
        "[Amount] CURRENCY, [Notes] MEMO)\r\nGO\r\n"
        "CREATE UNIQUE INDEX [VantorName] ON [VantorNew] ([Name])\r\nGO\r\n"
        "CREATE TABLE [VantorGone] ([Id] INTEGER)\r\nGO\r\n"
        "DROP INDEX [VantorName] ON [VantorNew]\r\nGO\r\n"
        "DROP TABLE [VantorGone]\r\n";
    for (const QString& name :
         {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb")}) {
        SCOPED_TRACE(name.toStdString());
        const QString db = Copy(name);
        ASSERT_FALSE(WhyFileNotWritable(db).has_value());
        const auto jackcessBefore = JackcessRowDigests(db);
        const AccessScriptOutcome outcome =
            RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.Succeeded())
            << (outcome.run.failure ? outcome.run.failure->description : QString()).toStdString();
        EXPECT_EQ(outcome.run.batches.size(), 5u);
        EXPECT_EQ(FileBytes(outcome.backup), original_);

        const Schema after = RunAccessReader(db);
        const Table* made = after.findTable("VantorNew");
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->columns.size(), 4);
        EXPECT_EQ(after.findTable("VantorGone"), nullptr);
        ASSERT_EQ(made->indexes.size(), 1);
        EXPECT_TRUE(made->indexes[0].primary);

        QProcess exporter;
        exporter.start("mdb-export", {db, "VantorNew"});
        ASSERT_TRUE(exporter.waitForFinished(60000));
        EXPECT_EQ(exporter.exitCode(), 0);
        if (!jackcessBefore)
            continue; // Jackcess cannot run here
        const auto jackcessAfter = JackcessRowDigests(db);
        ASSERT_TRUE(jackcessAfter.has_value());
        for (auto it = jackcessBefore->begin(); it != jackcessBefore->end(); ++it)
            EXPECT_EQ(jackcessAfter->value(it.key()), it.value()) << it.key().toStdString();
        EXPECT_EQ(jackcessAfter->value("VantorNew").rows, 0);
        QString complaint;
        EXPECT_TRUE(JackcessOutput("IndexCheck", {db}, &complaint).has_value())
            << complaint.toStdString();
        QFile::remove(outcome.backup);
        QFile::remove(db);
    }
}

// Columns added to, changed in and dropped from tables that hold rows, end to end: the run proves
// the copy against the interpreter's schema, the other tables keep their rows, a batch the writer
// cannot run on a table with rows fails alone.
TEST_F(AccessScriptRun, ColumnsAddedAndDroppedOnTablesWithRowsAreProven) {
    const QString script =
        "ALTER TABLE [Table1] ADD COLUMN [Note] TEXT(40) DEFAULT \"n/a\", "
        "[Body] MEMO, [Flag] YESNO\r\nGO\r\n"
        "ALTER TABLE [Table1] DROP COLUMN [C], [Note]\r\nGO\r\n"
        "ALTER TABLE [Table2] ADD COLUMN [Must] LONG NOT NULL DEFAULT 1\r\nGO\r\n"
        "ALTER TABLE [Table1] ALTER COLUMN [D] LONG NOT NULL DEFAULT 5\r\nGO\r\n"
        "ALTER TABLE [Table1] ALTER COLUMN [E] TEXT(12)\r\nGO\r\n"
        "ALTER TABLE [Table1] ADD COLUMN [Required] LONG NOT NULL\r\nGO\r\n"
        "ALTER TABLE [Table1] DROP COLUMN [Body]\r\n";
    for (const QString& name :
         {QStringLiteral("testV2003.mdb"), QStringLiteral("testV2010.accdb")}) {
        SCOPED_TRACE(name.toStdString());
        const QString db = Copy(name);
        const auto jackcessBefore = JackcessRowDigests(db);
        const AccessScriptOutcome outcome =
            RunScriptOnAccess(TextLineSource(script), db, DefaultAccessRunOptions());
        ASSERT_TRUE(outcome.run.failure.has_value());
        EXPECT_EQ(outcome.run.failure->batch.number, 6);
        EXPECT_TRUE(outcome.run.failure->description.contains("while the table holds rows"))
            << outcome.run.failure->description.toStdString();
        EXPECT_EQ(outcome.run.batches.size(), 5u);
        EXPECT_EQ(FileBytes(outcome.backup), original_);

        const Schema after = RunAccessReader(db);
        const Table* table1 = after.findTable("Table1");
        ASSERT_NE(table1, nullptr);
        QStringList names;
        for (const Column& c : table1->columns)
            names.append(c.name);
        EXPECT_EQ(names, QStringList({"A", "B", "D", "E", "F", "G", "H", "I", "Body", "Flag"}));
        const Table* table2 = after.findTable("Table2");
        ASSERT_NE(table2, nullptr);
        ASSERT_FALSE(table2->columns.isEmpty());
        EXPECT_EQ(table2->columns.last().name, "Must");
        EXPECT_FALSE(table2->columns.last().nullable);
        EXPECT_EQ(table2->columns.last().defaultValue, "1");
        ASSERT_GE(table1->columns.size(), 4);
        EXPECT_FALSE(table1->columns[2].nullable);
        EXPECT_EQ(table1->columns[2].defaultValue, "5");
        EXPECT_EQ(table1->columns[3].dataType, 130); // text

        QProcess exporter;
        exporter.start("mdb-export", {db, "Table1"});
        ASSERT_TRUE(exporter.waitForFinished(60000));
        EXPECT_EQ(exporter.exitCode(), 0);
        EXPECT_EQ(exporter.readAllStandardOutput().split('\n').size(), 4); // header, 2 rows, end
        if (!jackcessBefore)
            continue; // Jackcess cannot run here
        const auto jackcessAfter = JackcessRowDigests(db);
        ASSERT_TRUE(jackcessAfter.has_value());
        for (auto it = jackcessBefore->begin(); it != jackcessBefore->end(); ++it)
            if (it.key() != "Table1" && it.key() != "Table2") {
                EXPECT_EQ(jackcessAfter->value(it.key()), it.value()) << it.key().toStdString();
            }
        EXPECT_EQ(jackcessAfter->value("Table1").rows, 2);
        QString complaint;
        EXPECT_TRUE(JackcessOutput("IndexCheck", {db}, &complaint).has_value())
            << complaint.toStdString();
        QFile::remove(outcome.backup);
        QFile::remove(db);
    }
}
