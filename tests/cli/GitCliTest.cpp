#include "tests/cli/CliTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace vantor;
using namespace vantor::test;

namespace {

class GitCli : public CliTest {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("git")).isEmpty())
            GTEST_SKIP() << "git is not installed";
        ASSERT_TRUE(home_.isValid());
        ASSERT_EQ(Git({QStringLiteral("init"), QStringLiteral("-q")}).code, 0);
    }

    // git in the test's repository, blind to the user's own configuration.
    CliOutcome Git(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home_.path());
        env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
        env.insert(QStringLiteral("GIT_AUTHOR_NAME"), QStringLiteral("Test"));
        env.insert(QStringLiteral("GIT_AUTHOR_EMAIL"), QStringLiteral("test@example.org"));
        env.insert(QStringLiteral("GIT_COMMITTER_NAME"), QStringLiteral("Test"));
        env.insert(QStringLiteral("GIT_COMMITTER_EMAIL"), QStringLiteral("test@example.org"));
        env.insert(QStringLiteral("GIT_PAGER"), QStringLiteral("cat"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(Repo());
        process.start(QStringLiteral("git"), args);
        process.waitForFinished(120000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString Repo() const { return Path(QStringLiteral("repo")); }
    QString InRepo(const QString& name) const { return Repo() + u'/' + name; }

    void Place(const QString& from, const QString& name) {
        QFile::remove(InRepo(name));
        ASSERT_TRUE(QFile::copy(from, InRepo(name))) << from.toStdString();
    }

    void Commit(const QString& message) {
        ASSERT_EQ(Git({QStringLiteral("add"), QStringLiteral("-A")}).code, 0);
        CliOutcome r = Git({QStringLiteral("commit"), QStringLiteral("-qm"), message});
        ASSERT_EQ(r.code, 0) << r.All().toStdString();
    }

private:
    QTemporaryDir home_;

public:
    GitCli() { QDir().mkpath(Path(QStringLiteral("repo"))); }
};

TEST_F(GitCli, DiffShowsTheChangedObjectsOfAnAccessFile) {
    const QString before = SharedAccessFile(QStringLiteral("compIndexTestV2000.mdb"));
    const QString after = SharedAccessFile(QStringLiteral("delColTestV2000.mdb"));
    if (before.isEmpty())
        GTEST_SKIP() << "no shared Access files";
    CliOutcome setup = RunCli({QStringLiteral("git-setup"), Repo()});
    ASSERT_EQ(setup.code, 0) << setup.All().toStdString();
    Place(before, QStringLiteral("app.mdb"));
    Commit(QStringLiteral("first"));
    Place(after, QStringLiteral("app.mdb"));

    CliOutcome diff = Git({QStringLiteral("diff")});
    ASSERT_EQ(diff.code, 0) << diff.All().toStdString();
    SCOPED_TRACE(diff.out.toStdString());
    EXPECT_FALSE(diff.out.contains(QLatin1String("Binary files")));
    // The hunk names the table the change is in; unchanged lines stay context.
    EXPECT_TRUE(
        diff.out.contains(QRegularExpression(QStringLiteral("@@ [^\\n]*@@ TABLE \\[Table1\\]"))) ||
        diff.out.contains(QLatin1String("\n TABLE [Table1]\n")));
    EXPECT_TRUE(diff.out.contains(QLatin1String("\n-  COLUMN [CD_AGENTE] LONG\n")));
    EXPECT_TRUE(diff.out.contains(QLatin1String("\n+  COLUMN [id2] LONG\n")));
    EXPECT_TRUE(diff.out.contains(QLatin1String("\n-  INDEX [CD_AGENTE] ([CD_AGENTE] DESC)\n")));
    EXPECT_TRUE(diff.out.contains(QLatin1String("\n+  INDEX [id2] ([id2])\n")));

    // History stays readable when a damaged copy was committed: the copy shows as one line.
    QFile damaged(InRepo(QStringLiteral("app.mdb")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(FileBytes(after).left(5000));
    damaged.close();
    Commit(QStringLiteral("damaged"));
    CliOutcome log = Git({QStringLiteral("log"), QStringLiteral("-p")});
    EXPECT_EQ(log.code, 0) << log.All().toStdString();
    EXPECT_TRUE(log.out.contains(
        QRegularExpression(QStringLiteral("\\n\\+\\(Vantor cannot show this database's schema: "
                                          "[^\\n]*damaged[^\\n]*\\)\\n"))))
        << log.out.toStdString();
}

TEST_F(GitCli, SetupOnlyAddsAndSaysWhat) {
    QFile attributes(InRepo(QStringLiteral(".gitattributes")));
    ASSERT_TRUE(attributes.open(QIODevice::WriteOnly));
    attributes.write("*.png binary\n*.[mM][dD][bB] diff=vantor");
    attributes.close();
    ASSERT_EQ(Git({QStringLiteral("config"), QStringLiteral("diff.vantor.textconv"),
                   QStringLiteral("my-own-converter")})
                  .code,
              0);

    CliOutcome first = RunCli({QStringLiteral("git-setup"), Repo()});
    ASSERT_EQ(first.code, 0) << first.All().toStdString();
    EXPECT_TRUE(first.out.contains(QLatin1String("*.[aA][cC][cC][dD][bB] diff=vantor")));
    EXPECT_TRUE(first.out.contains(QLatin1String("diff.vantor.cachetextconv = true")));
    EXPECT_TRUE(first.out.contains(
        QLatin1String("Left as they were (set otherwise before):\n  diff.vantor.textconv = "
                      "my-own-converter")));
    EXPECT_EQ(FileBytes(InRepo(QStringLiteral(".gitattributes"))),
              QByteArray("*.png binary\n*.[mM][dD][bB] diff=vantor\n"
                         "*.[aA][cC][cC][dD][bB] diff=vantor\n*.[mM][dD][eE] diff=vantor\n"
                         "*.[aA][cC][cC][dD][eE] diff=vantor\n"));
    EXPECT_EQ(Git({QStringLiteral("config"), QStringLiteral("diff.vantor.textconv")}).out.trimmed(),
              QStringLiteral("my-own-converter"));

    CliOutcome again = RunCli({QStringLiteral("git-setup"), Repo()});
    EXPECT_EQ(again.code, 0);
    EXPECT_TRUE(again.out.contains(QLatin1String("Nothing to add")));

    // Outside a work tree nothing is written anywhere.
    const QString plain = Path(QStringLiteral("plain"));
    QDir().mkpath(plain);
    CliOutcome outside = RunCli({QStringLiteral("git-setup"), plain});
    EXPECT_EQ(outside.code, 2);
    EXPECT_TRUE(outside.err.contains(QLatin1String("Run 'git init' there first")));
    EXPECT_TRUE(QDir(plain).isEmpty());
}

// The attributes file is written in place, so one that leads to an Access file would destroy it.
TEST_F(GitCli, SetupNeverWritesThroughALinkToAnAccessFile) {
    REQUIRE_SHARED_FILE(original, "empty.mdb");
    const QString database = Path(QStringLiteral("kept.mdb"));
    ASSERT_TRUE(QFile::copy(original, database));
    ASSERT_TRUE(QFile::link(database, InRepo(QStringLiteral(".gitattributes"))));

    CliOutcome r = RunCli({QStringLiteral("git-setup"), Repo()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QLatin1String("it is an Access database, and Vantor never writes "
                                             "over one.")))
        << r.err.toStdString();
    EXPECT_EQ(FileBytes(database), FileBytes(original));
    EXPECT_NE(Git({QStringLiteral("config"), QStringLiteral("diff.vantor.textconv")}).code, 0)
        << "nothing is set once the attributes are refused";
}

using DumpCli = CliTest;

TEST_F(DumpCli, SameSchemaInTwoFormatsDumpsTheSameBytes) {
    if (SharedAccessDir().isEmpty())
        GTEST_SKIP() << "no shared Access files";
    // Jet 4 beside Access 2003, Jet 3 beside Jet 4, and an .mdb beside an .accdb.
    const QStringList groups[] = {
        {QStringLiteral("queryTestV2000.mdb"), QStringLiteral("queryTestV2003.mdb"),
         QStringLiteral("queryTestV1997.mdb")},
        {QStringLiteral("testV1997.mdb"), QStringLiteral("testV2003.mdb"),
         QStringLiteral("testV2007.accdb"), QStringLiteral("testV2010.accdb")},
    };
    for (const QStringList& group : groups) {
        CliOutcome first = RunCli({QStringLiteral("dump"), SharedAccessFile(group[0])});
        ASSERT_EQ(first.code, 0) << first.All().toStdString();
        ASSERT_FALSE(first.out.isEmpty());
        EXPECT_FALSE(first.out.contains(u'\r'));
        EXPECT_EQ(RunCli({QStringLiteral("dump"), SharedAccessFile(group[0])}).out, first.out);
        for (const QString& other : group.mid(1))
            EXPECT_EQ(RunCli({QStringLiteral("dump"), SharedAccessFile(other)}).out, first.out)
                << other.toStdString();
    }
}

TEST_F(DumpCli, TextconvPrintsWhyAFileCannotBeReadAndSucceeds) {
    const QString garbage = WriteText(QStringLiteral("notes.mdb"), "not a database at all\n");
    const QString encrypted =
        SharedAccessDir().isEmpty()
            ? QString()
            : SharedAccessDir() + QStringLiteral("/encrypted/db2013-enc.accdb");
    QStringList unreadable{garbage, Path(QStringLiteral("gone.accdb"))};
    if (!encrypted.isEmpty())
        unreadable << encrypted; // no password given
    for (const QString& file : unreadable) {
        SCOPED_TRACE(file.toStdString());
        CliOutcome plain = RunCli({QStringLiteral("dump"), file});
        EXPECT_EQ(plain.code, 2);
        EXPECT_TRUE(plain.out.isEmpty());
        EXPECT_FALSE(plain.err.isEmpty());

        CliOutcome conv = RunCli({QStringLiteral("dump"), QStringLiteral("--textconv"), file});
        EXPECT_EQ(conv.code, 0);
        EXPECT_TRUE(
            conv.out.startsWith(QLatin1String("(Vantor cannot show this database's schema: ")))
            << conv.out.toStdString();
        EXPECT_EQ(conv.out.count(u'\n'), 1);
        // git names its copies at random; the line must not change with the name.
        EXPECT_FALSE(conv.out.contains(QFileInfo(file).fileName())) << conv.out.toStdString();
    }
    // A mistake in the command line is still the user's to see.
    EXPECT_EQ(RunCli({QStringLiteral("dump"), QStringLiteral("--textconv"),
                      QStringLiteral("--kinds"), QStringLiteral("tabels"), garbage})
                  .code,
              2);
}

} // namespace
