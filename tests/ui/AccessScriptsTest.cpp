#include "script/SyncScript.h"
#include "tests/support/TestPaths.h"
#include "tests/ui/support/UiFixture.h"
#include "ui/editor/ScriptEditControl.h"
#include "ui/editor/ScriptWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

using namespace vantor;
using namespace vantor::test;

// Script windows aimed at real Access files: the question before the first run, the run through
// a proven copy with its backup, the new state after a refresh, and the refusals in words a user
// can act on. A real file with one table and its indexes is the primary database, a copy of an
// empty Access 2003 file the secondary one, which the scripts change.
class AccessScriptsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<UiFixture> ui;
    QString primary, secondary;
    QStringList log;

    AnsweringDesktop& desktop() { return ui->desktop; }

    QString copyShared(const QString& name, const QString& as) {
        const QString to = ui->files.filePath(as);
        if (!QFile::copy(QDir(SharedAccessDir()).filePath(name), to))
            return QString();
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        return to;
    }

    std::unique_ptr<ScriptWindow> aimedAtSecondary(const QString& text) {
        auto editor = std::make_unique<ScriptWindow>(ui->session, ui->desktop);
        editor->setTargets(primary, ui->session.login(Side::Secondary).path);
        editor->targetChoice()->setCurrentIndex(1);
        Q_EMIT editor->targetChoice()->activated(1);
        editor->setScript(text);
        return editor;
    }
    void runScript(ScriptWindow& editor, const QString& text) {
        editor.setScript(text);
        editor.button("exec")->trigger();
        ui->session.waitForWork();
    }

    const DiffEntry* entry(const QString& name) const {
        for (const DiffEntry& e : ui->session.diff()->entries)
            if (e.name == name)
                return &e;
        return nullptr;
    }
    QStringList besideSecondary() const {
        const QFileInfo info(secondary);
        return QDir(info.absolutePath())
            .entryList({"*" + info.fileName() + "*"}, QDir::Files | QDir::Hidden);
    }
    // The backup the log names, or an empty string.
    QString loggedBackup() const {
        static const QRegularExpression kept("; the original is kept as '([^']+)'\\.");
        for (const QString& line : log)
            if (const auto m = kept.match(line); m.hasMatch())
                return m.captured(1);
        return QString();
    }
    bool logged(const QString& text) const {
        return std::any_of(log.begin(), log.end(),
                           [&](const QString& line) { return line.contains(text); });
    }

private Q_SLOTS:
    void init() {
        if (SharedAccessDir().isEmpty())
            QSKIP("the shared folder of real Access files is absent");
        ui = std::make_unique<UiFixture>();
        log.clear();
        connect(&ui->session, &Session::logged, this, [this](const QString& line) { log << line; });
        primary = copyShared("fixedTextTestV2000.mdb", "shop.mdb");
        secondary = copyShared("empty2003.mdb", "target.mdb");
        QVERIFY(!primary.isEmpty() && !secondary.isEmpty());
        QVERIFY(ui->Compare(primary, secondary));
    }

    void cleanup() { ui.reset(); }

    // The user agrees once per window and file, having read which file changes and where the
    // original goes; F5 then shows the file as the script left it.
    void theFirstRunAsksOnceAndRefreshShowsTheChangedFile() {
        const QByteArray original = FileBytes(secondary);
        auto editor = aimedAtSecondary(QString());
        desktop().answers = {mb::No};
        runScript(*editor, "CREATE TABLE [Added] ([a] INTEGER)\r\nGO\r\n"
                           "CREATE UNIQUE INDEX [ByA] ON [Added] ([a])\r\n");
        QCOMPARE(desktop().Prompts(), QStringList{ScriptWindow::AccessRunQuestion(secondary)});
        QVERIFY(desktop().Prompts()[0].contains(secondary + "\n"));
        QVERIFY(desktop().Prompts()[0].contains(secondary + ".backup-"));
        QCOMPARE(FileBytes(secondary), original);
        QVERIFY2(!logged("Running the script"), "declining runs nothing");

        desktop().messages.clear();
        desktop().answers = {mb::Yes, mb::No};
        editor->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(desktop().Prompts(), QStringList({ScriptWindow::AccessRunQuestion(secondary),
                                                   ScriptWindow::ClosingQuestion()}));
        QVERIFY(editor->editor()->HasRunMark(0) && editor->editor()->HasRunMark(2));
        QVERIFY(logged("Script finished: 2 batches executed"));
        QVERIFY(logged("Reading the copy back to prove it."));
        // The backup announced is the one kept, and it holds the file as it was.
        const QString backup = loggedBackup();
        QVERIFY2(backup.startsWith(secondary + ".backup-"), qPrintable(log.join('\n')));
        QCOMPARE(FileBytes(backup), original);
        QVERIFY(FileBytes(secondary) != original);

        ui->commands.refresh();
        ui->session.waitForWork();
        const DiffEntry* added = entry("Added");
        QVERIFY(added);
        QCOMPARE(added->state, ObjectState::OnlySecondary);

        // Once agreed, the same window runs on the file without asking again.
        desktop().messages.clear();
        desktop().answers = {mb::No};
        runScript(*editor, "DROP TABLE [Added]");
        QCOMPARE(desktop().Prompts(), QStringList{ScriptWindow::ClosingQuestion()});
        ui->commands.refresh();
        ui->session.waitForWork();
        QVERIFY(!entry("Added"));

        // Another window asks for itself.
        desktop().messages.clear();
        desktop().answers = {mb::No};
        auto other = aimedAtSecondary("CREATE TABLE [Again] ([a] INTEGER)");
        other->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(desktop().Prompts(), QStringList{ScriptWindow::AccessRunQuestion(secondary)});
    }

    // A batch that fails ends the run; those before it are in the file, and the log says how far
    // the script came and where the original is.
    void aFailingBatchKeepsTheBatchesBeforeItAndSaysHowFarItCame() {
        auto editor = aimedAtSecondary(QString());
        desktop().answers = {mb::Yes};
        runScript(*editor, "CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\n"
                           "CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\n"
                           "CREATE TABLE [Two] ([a] INTEGER)\r\n");
        QCOMPARE(desktop().messages.size(), 2);
        QVERIFY2(desktop().Prompts()[1].startsWith(
                     "Batch 2 failed at line 3: CREATE TABLE [One] ([a] INTEGER)\n\n"),
                 qPrintable(desktop().Prompts()[1]));
        QCOMPARE(editor->editor()->selectedText(), QString("CREATE TABLE [One] ([a] INTEGER)"));
        QVERIFY(logged("1 of its batches were executed before the error and stay applied"));
        QVERIFY(!loggedBackup().isEmpty());
        ui->commands.refresh();
        ui->session.waitForWork();
        QVERIFY(entry("One"));
        QVERIFY(!entry("Two"));
    }

    // What cannot run is refused before anything is written, and the message says why and what
    // to do; the file and its folder stay as they were.
    void refusalsSayWhyAndLeaveTheFileAsItWas() {
        const QByteArray original = FileBytes(secondary);
        auto editor = aimedAtSecondary(QString());
        // Only the first run of the window asks before it starts.
        auto refused = [&](const QString& script, const QString& reason, int asked = 0) {
            desktop().messages.clear();
            runScript(*editor, script);
            QCOMPARE(desktop().messages.size(), 1 + asked);
            const QString said = desktop().Prompts().last();
            QVERIFY2(said.startsWith("The script did not change " + secondary + ".\n\n"),
                     qPrintable(said));
            QVERIFY2(said.contains(reason), qPrintable(said));
            QVERIFY2(logged("The script did not run on "), qPrintable(log.join('\n')));
            QCOMPARE(FileBytes(secondary), original);
            QCOMPARE(besideSecondary(), QStringList{"target.mdb"});
            QVERIFY(!editor->editor()->isReadOnly());
        };
        desktop().answers = {mb::Yes};
        const QString lock = ui->files.filePath("target.ldb");
        QVERIFY(WriteFile(lock, "open"));
        refused("CREATE TABLE [One] ([a] INTEGER)", "Close it there and run the script again", 1);
        QVERIFY(QFile::remove(lock));
        refused("INSERT INTO [One] VALUES (1)",
                "Batch 1 (line 1) cannot be read, so nothing was run");
        refused(
            "CREATE TABLE [One] ([a] INTEGER)\r\nGO\r\nCREATE TABLE [Odd] ([b] DOUBLE IDENTITY)",
            "Batch 2 (line 3) cannot be run on an Access file, so nothing was run");

        // A file of Access 97 is read but never written.
        const QString jet3 = copyShared("testV1997.mdb", "old.mdb");
        QVERIFY(ui->Compare(primary, jet3));
        const QByteArray oldBytes = FileBytes(jet3);
        auto onOld = aimedAtSecondary("CREATE TABLE [One] ([a] INTEGER)");
        desktop().messages.clear();
        desktop().answers = {mb::Yes};
        onOld->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(desktop().messages.size(), 2);
        QVERIFY2(desktop().Prompts()[1].contains("Access 2000 and later files only"),
                 qPrintable(desktop().Prompts()[1]));
        QCOMPARE(FileBytes(jet3), oldBytes);

        // Nor is a file Access encrypted, though its password opens it for comparing.
        const QString encrypted = ui->files.filePath("sealed.accdb");
        QVERIFY(
            QFile::copy(QDir(SharedAccessDir()).filePath("encrypted/db2013-enc.accdb"), encrypted));
        QFile::setPermissions(encrypted, QFile::ReadOwner | QFile::WriteOwner);
        ui->session.setLogin(Side::Secondary, {encrypted, "Admin", "1234"});
        ui->session.refresh();
        const QByteArray sealedBytes = FileBytes(encrypted);
        auto onSealed = aimedAtSecondary("CREATE TABLE [One] ([a] INTEGER)");
        desktop().messages.clear();
        desktop().answers = {mb::Yes};
        onSealed->button("exec")->trigger();
        ui->session.waitForWork();
        QCOMPARE(desktop().messages.size(), 2);
        QVERIFY2(desktop().Prompts()[1].contains("Vantor does not write encrypted Access files."),
                 qPrintable(desktop().Prompts()[1]));
        QCOMPARE(FileBytes(encrypted), sealedBytes);
    }

    // Trying the sync script on a copy answers whether the file would converge, without asking,
    // since the file is only read; a script that falls short says what still differs.
    void verifyOnACopyTellsWhetherTheFileWouldConverge() {
        const QByteArray original = FileBytes(secondary);
        const QString sync = BuildSyncScript(*ui->session.diff(), Side::Secondary).Text();
        auto editor = aimedAtSecondary(sync);
        QVERIFY(editor->verifyButton()->isEnabled());
        editor->verifyButton()->click();
        QVERIFY(!editor->verifyButton()->isEnabled());
        ui->session.waitForWork();
        QCOMPARE(desktop().messages.size(), 1);
        QCOMPARE(desktop().messages[0].buttons, mb::Information);
        QVERIFY2(desktop().Prompts()[0].startsWith(
                     "Converged: on a copy of " + secondary +
                     " the script makes all 7 objects equal to the other database (7 of its "
                     "batches ran on the copy)."),
                 qPrintable(desktop().Prompts()[0]));
        QCOMPARE(FileBytes(secondary), original);
        QCOMPARE(besideSecondary(), QStringList{"target.mdb"});

        // Only the table, none of its indexes.
        desktop().messages.clear();
        editor->setScript(sync.left(sync.indexOf("\nGO") + 4));
        editor->verifyButton()->click();
        ui->session.waitForWork();
        QCOMPARE(desktop().messages.size(), 1);
        QCOMPARE(desktop().messages[0].buttons, mb::Exclamation);
        const QString said = desktop().Prompts()[0];
        QVERIFY2(said.startsWith("Not converged: on a copy of " + secondary +
                                 ", 6 of 7 objects still differ after the script (1 of its "
                                 "batches ran on the copy)."),
                 qPrintable(said));
        QVERIFY2(said.contains("[users.Users2_1_idx] (INDEX) still only in the primary database"),
                 qPrintable(said));

        desktop().messages.clear();
        editor->setScript("CREATE TABLE [Odd] ([b] DOUBLE IDENTITY)");
        editor->verifyButton()->click();
        ui->session.waitForWork();
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY2(desktop().Prompts()[0].startsWith("The script could not be tried on a copy of " +
                                                   secondary + ".\n\n"),
                 qPrintable(desktop().Prompts()[0]));
        QVERIFY(desktop().Prompts()[0].contains("cannot be run on an Access file"));
        QCOMPARE(FileBytes(secondary), original);
        QCOMPARE(besideSecondary(), QStringList{"target.mdb"});

        // Closing the window stops the trial first, so its verdict never reaches a window that
        // is gone.
        auto closing = aimedAtSecondary(sync);
        closing->verifyButton()->click();
        QVERIFY(ui->session.isBusy());
        closing->closeWindow();
        QVERIFY(!ui->session.isBusy());
        closing.reset();
        QCOMPARE(FileBytes(secondary), original);

        // A snapshot is no Access file: the script can run on it as it is.
        desktop().messages.clear();
        const QString snapshot = ui->files.filePath("v1.json");
        QVERIFY(!CopyExample("orders-v1.json", snapshot).isEmpty());
        QVERIFY(ui->Compare(primary, snapshot));
        auto onSnapshot = aimedAtSecondary(sync);
        QVERIFY(!onSnapshot->verifyButton()->isEnabled());
        onSnapshot->verifyOnCopy();
        QCOMPARE(desktop().messages.size(), 1);
        QVERIFY(desktop().Prompts()[0].contains("Run the script on it instead"));
        QVERIFY(!ui->session.isBusy());
    }
};

QTEST_MAIN(AccessScriptsTest)
#include "AccessScriptsTest.moc"
