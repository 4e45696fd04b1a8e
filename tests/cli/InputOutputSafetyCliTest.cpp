#include "tests/cli/CliTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

namespace {

class OutputSafetyCli : public CliTest {
protected:
    // A copy of a real Access file in the test's folder, under the name given.
    QString AccessCopy(const QString& name) {
        const QString from = SharedAccessFile(QStringLiteral("empty.mdb"));
        if (from.isEmpty() || !QFile::copy(from, Path(name)))
            return QString();
        return Path(name);
    }
    QString Link(const QString& to, const QString& name, bool symbolic) {
        const QByteArray from = QFile::encodeName(to), at = QFile::encodeName(Path(name));
        const int made = symbolic ? ::symlink(from.constData(), at.constData())
                                  : ::link(from.constData(), at.constData());
        return made == 0 ? Path(name) : QString();
    }
};

TEST_F(OutputSafetyCli, EveryCommandRefusesToWriteOverOneOfItsInputsHoweverItIsReached) {
    const QString mdb = AccessCopy(QStringLiteral("shop.mdb"));
    ASSERT_FALSE(mdb.isEmpty()) << "the shared Access files are needed";
    const QString v1 = ShopV1(), v2 = ShopV2();
    const QString hardToV1 = Link(v1, QStringLiteral("v1-hard.txt"), false);
    const QString symToV2 = Link(v2, QStringLiteral("v2-link.txt"), true);
    const QString symToMdb = Link(mdb, QStringLiteral("shop-link.txt"), true);
    ASSERT_FALSE(hardToV1.isEmpty() || symToV2.isEmpty() || symToMdb.isEmpty());
    QDir().mkpath(Path(QStringLiteral("sub")));
    const QString otherSpellingOfV2 = Path(QStringLiteral("sub/.././/shop-v2.json"));
    const QByteArray before[] = {FileBytes(mdb), FileBytes(v1), FileBytes(v2)};

    struct Case {
        QStringList args;
        QString input; // the words the message names the replaced input by
    };
    const Case cases[] = {
        {{"dump", mdb, "-o", mdb}, "database '" + mdb},
        {{"dump", mdb, "--output", symToMdb}, "database '" + mdb},
        {{"dump", v1, "-o", hardToV1}, "database '" + v1},
        {{"snapshot", mdb, "-o", mdb}, "source database '" + mdb},
        {{"snapshot", v2, "-o", otherSpellingOfV2}, "source database '" + v2},
        {{"compare", mdb, v2, "-o", mdb}, "primary database '" + mdb},
        {{"compare", v1, v2, "-o", symToV2}, "secondary database '" + v2},
        {{"script", v1, v2, "--target", "secondary", "-o", hardToV1}, "primary database '" + v1},
        {{"verify", v1, v2, "--target", "primary", "-o", otherSpellingOfV2},
         "secondary database '" + v2},
    };
    for (const Case& c : cases) {
        CliOutcome r = RunCli(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.startsWith(
            QStringLiteral("Refusing to write '%1': it is the %2'").arg(c.args.last(), c.input)));
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(FileBytes(mdb), before[0]);
    EXPECT_EQ(FileBytes(v1), before[1]);
    EXPECT_EQ(FileBytes(v2), before[2]);
}

TEST_F(OutputSafetyCli, NoAccessFileIsEverWrittenEvenWhenItIsNotAnInput) {
    const QString mdb = AccessCopy(QStringLiteral("other.mdb"));
    const QString renamed = AccessCopy(QStringLiteral("renamed-database.txt"));
    ASSERT_FALSE(mdb.isEmpty() || renamed.isEmpty()) << "the shared Access files are needed";
    const QString v1 = ShopV1();
    const QString hardToMdb = Link(mdb, QStringLiteral("plain-name.out"), false);
    const QString linkToNewAccdb =
        Link(Path(QStringLiteral("new.accdb")), QStringLiteral("dangling.txt"), true);
    ASSERT_FALSE(hardToMdb.isEmpty() || linkToNewAccdb.isEmpty());
    const QByteArray access = FileBytes(mdb);

    // Existing or not, under every ending and letter case, or under a name that hides it.
    for (const QString& target : {mdb, Path("new.MDB"), Path("new.AccDb"), Path("new.mde"),
                                  Path("NEW.ACCDE"), renamed, hardToMdb, linkToNewAccdb}) {
        CliOutcome r = RunCli({"snapshot", v1, "-o", target});
        SCOPED_TRACE(target.toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, QStringLiteral("Refusing to write '%1': it is an Access database, and "
                                        "Vantor never writes over one.\n")
                             .arg(target));
    }
    EXPECT_EQ(FileBytes(mdb), access);
    EXPECT_EQ(FileBytes(renamed), access);
    for (const char* never : {"new.MDB", "new.AccDb", "new.mde", "NEW.ACCDE", "new.accdb"})
        EXPECT_FALSE(QFile::exists(Path(never))) << never;

    // A text file, new or old, and a device are written as before.
    const QString old = WriteText(QStringLiteral("old.txt"), "old\n");
    for (const QString& target : {old, Path("new.sql"), QStringLiteral("/dev/null")}) {
        CliOutcome r = RunCli({"dump", v1, "-o", target});
        EXPECT_EQ(r.code, 0) << target.toStdString() << r.All().toStdString();
    }
    EXPECT_EQ(FileBytes(old), RunCli({"dump", v1}).out.toUtf8());
}

TEST_F(OutputSafetyCli, WhatIsNotARegularFileIsRefusedAtOnceWithWhatItIs) {
    const QString fifo = Path(QStringLiteral("pipe.mdb"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = Path(QStringLiteral("folder.accdb"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString socketPath = Path(QStringLiteral("s.json"));
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(socketPath);
    ASSERT_LT(static_cast<size_t>(encoded.size()), sizeof(address.sun_path));
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    const QString v1 = ShopV1();

    struct Case {
        QStringList args;
        QString path, kind;
    };
    const Case cases[] = {
        {{"dump", fifo}, fifo, "a named pipe (FIFO)"},
        {{"compare", v1, fifo}, fifo, "a named pipe (FIFO)"},
        {{"snapshot", folder}, folder, "a folder"},
        {{"dump", "/dev/null"}, "/dev/null", "a character device"},
        {{"script", socketPath, v1, "--target", "primary"}, socketPath, "a socket"},
        {{"run", WriteText("s.sql", "CREATE TABLE [T] ([a] LONG)\r\n"), "--on", fifo},
         fifo,
         "a named pipe (FIFO)"},
    };
    for (const Case& c : cases) {
        CliOutcome r = RunCli(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(
            r.err.contains(QStringLiteral("Cannot open '%1': it is %2, not a database file.")
                               .arg(c.path, c.kind)));
    }
    ::close(sock);
}

} // namespace

namespace {

using OddInputsCli = CliTest;

// QProcess hands over arguments as text, so a shell makes the byte that is not UTF-8 itself.
CliOutcome runCliOnByteName(const QString& command, const QString& folder, const char* octal) {
    QProcess process;
    process.start(QStringLiteral("sh"),
                  {QStringLiteral("-c"),
                   QStringLiteral("exec \"$0\" %1 \"$1/bad$(printf '\\%2')name.json\"")
                       .arg(command, QLatin1String(octal)),
                   QDir(BinaryDir()).filePath(QStringLiteral("bin/vantor-cli")), folder});
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST_F(OddInputsCli, AFileNameThatIsNotUtf8OpensAndShowsAsAReplacementCharacter) {
    const QString v1 = ShopV1();
    const QByteArray raw = QFile::encodeName(Path(QStringLiteral("bad"))) + "\377name.json";
    ASSERT_EQ(::link(QFile::encodeName(v1).constData(), raw.constData()), 0);
    // The test's folder goes at the end, and Qt cannot spell this name to remove it.
    const std::unique_ptr<const char, void (*)(const char*)> removal(
        raw.constData(), [](const char* name) { ::unlink(name); });
    const CliOutcome plain = RunCli({"dump", v1});
    ASSERT_EQ(plain.code, 0);

    const CliOutcome dumped = runCliOnByteName(QStringLiteral("dump"), Path(QString()), "377");
    EXPECT_EQ(dumped.code, 0) << dumped.err.toStdString();
    EXPECT_EQ(dumped.out, plain.out);
    const CliOutcome compared =
        runCliOnByteName(QStringLiteral("compare --format json ") + v1, Path(QString()), "377");
    EXPECT_EQ(compared.code, 0) << compared.err.toStdString();
    EXPECT_TRUE(compared.out.contains(QStringLiteral("bad\uFFFDname.json")));

    // A name that is not there says so, showing the byte the same way.
    const CliOutcome missing = runCliOnByteName(QStringLiteral("dump"), Path(QString()), "376");
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("bad\uFFFDname.json")))
        << missing.err.toStdString();
}

// A file every command reads the same way must be judged the same way by each of them.
TEST_F(OddInputsCli, ASnapshotNamingATableTwiceIsRefusedAlikeByEveryCommand) {
    const QString twice =
        WriteText(QStringLiteral("twice.json"),
                  "{\"format\":\"vantor-schema-snapshot\",\"version\":1,\"tables\":[\n"
                  "  {\"name\":\"Orders\",\"columns\":[{\"name\":\"ID\",\"dataType\":3}]},\n"
                  "  {\"name\":\"orders\",\"columns\":[{\"name\":\"Note\",\"dataType\":130}]}],\n"
                  "\"views\":[]}\n");
    const QString v1 = ShopV1();
    const QString script = WriteText(QStringLiteral("s.sql"), "CREATE TABLE [T] ([a] LONG)\r\n");
    const QString message =
        QStringLiteral("The snapshot '%1' is not valid: tables[1] at line 3, column 3 is named "
                       "'orders', as tables[0] is already.")
            .arg(twice);
    const QStringList commands[] = {
        {"dump", twice},
        {"snapshot", twice},
        {"compare", twice, v1},
        {"compare", v1, twice},
        {"script", v1, twice, "--target", "secondary"},
        {"verify", twice, v1, "--target", "primary"},
        {"run", script, "--on", twice},
    };
    const QByteArray before = FileBytes(twice);
    for (const QStringList& args : commands) {
        CliOutcome r = RunCli(args);
        SCOPED_TRACE(args.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(message));
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(FileBytes(twice), before) << "run must not rewrite a file it refused";
}

// Two databases may have two passwords: the message says which file, and which side, was given
// the wrong one.
TEST_F(OddInputsCli, AWrongPasswordNamesTheFileAndTheSide) {
    REQUIRE_SHARED_FILE(plain, "empty.mdb");
    const QString more = SharedAccessMoreDir();
    if (more.isEmpty())
        GTEST_SKIP() << "the second folder of shared Access files is absent";
    const QString locked = QDir(more).filePath(QStringLiteral("password.mdb"));
    const QString wrong = WriteText(QStringLiteral("wrong.txt"), "not-it\n");

    CliOutcome one = RunCli({"dump", locked, "--password-file", wrong});
    EXPECT_EQ(one.code, 2);
    EXPECT_EQ(one.err, QStringLiteral("Cannot open database. Not a valid password for the "
                                      "database '%1'.\n")
                           .arg(locked));
    for (const auto& [args, side] :
         {std::pair{QStringList{"compare", plain, locked, "--secondary-password-file", wrong},
                    QStringLiteral("secondary")},
          std::pair{QStringList{"script", locked, plain, "--target", "secondary"},
                    QStringLiteral("primary")}}) {
        CliOutcome r = RunCli(args);
        SCOPED_TRACE(args.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(
            QStringLiteral("Not a valid password for the %1 database '%2'.").arg(side, locked)));
        EXPECT_FALSE(r.All().contains("not-it"));
    }
}

} // namespace
