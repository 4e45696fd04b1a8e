#include "tests/cli/CliTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

using CompareCli = CliTest;

TEST_F(CompareCli, ExitCodesTellEqualDifferentAndError) {
    SchemaPair system;
    system.pri("T").Column("a", 3);
    system.pri("MSysACEs", ObjectKind::SystemTable).Column("x", 3);
    system.sec("T").Column("a", 3);
    const QString v1 = ShopV1(), v2 = ShopV2();
    const QString sys = Write("a.json", system.primary), plain = Write("b.json", system.secondary);
    struct Case {
        QStringList args;
        int code;
        QString out, err; // patterns found in stdout and stderr
    };
    const Case cases[] = {
        {{"--version"}, 0, "^vantor-cli " VANTOR_VERSION "\n$", ""},
        {{"script", "--help"}, 0, "Usage: vantor-cli script", ""},
        {{}, 2, "", ""},
        {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"help", "frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"compare", "only-one.json"}, 2, "", "Try 'vantor-cli compare --help'"},
        {{"compare", v1, v2, "--format", "xml"}, 2, "", ""},
        // Not a terminal: no progress line, so nothing at all on stderr.
        {{"compare", v1, v1}, 0, "5 objects: 5 equal", "^$"},
        {{"compare", v1, v2},
         1,
         "Customers\\s+TABLE\\s+different[\\s\\S]*Shippers\\s+TABLE\\s+only in primary[\\s\\S]*"
         "Stock Movements\\s+TABLE\\s+only in secondary",
         ""},
        {{"compare", v1, Path("nowhere.mdb")},
         2,
         "^$",
         "^Cannot open database\\.[\\s\\S]*Could not find file"},
        // System tables count only with --all.
        {{"compare", sys, plain}, 0, "", ""},
        {{"compare", sys, plain, "--all"}, 1, "MSysACEs", ""},
    };
    for (const Case& c : cases) {
        CliOutcome r = RunCli(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.out.contains(QRegularExpression(c.out)));
        EXPECT_TRUE(r.err.contains(QRegularExpression(c.err)));
    }
}

TEST_F(CompareCli, JsonCarriesPathsAndEveryObjectWithStatusAndState) {
    const QString v1 = ShopV1(), v2 = ShopV2();
    CliOutcome r = RunCli({"compare", v1, v2, "--format", "json"});
    ASSERT_EQ(r.code, 1);
    QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(root["primary"].toString(), v1);
    EXPECT_EQ(root["secondary"].toString(), v2);
    QJsonArray objects = root["objects"].toArray();
    ASSERT_EQ(objects.size(), 8);
    QMap<QString, QJsonObject> byName;
    for (const auto& o : objects) {
        const QJsonObject obj = o.toObject();
        EXPECT_EQ(obj.keys(), QStringList({"name", "state", "status", "type"}));
        byName[obj["name"].toString()] = obj;
    }
    EXPECT_EQ(byName["Open Orders"]["type"].toString(), "VIEW");
    EXPECT_EQ(byName["Stock Movements"]["status"].toInt(), 3);
    EXPECT_EQ(byName["Stock Movements"]["state"].toString(), "only in secondary");
    EXPECT_EQ(byName["Orders.PrimaryKey"]["type"].toString(), "INDEX");
    EXPECT_EQ(byName["Stock Movements.OrdersStock Movements"]["type"].toString(), "RELATIONSHIP");
}

TEST_F(CompareCli, HtmlShowsBothDefinitionsWithTheDifferencesInRed) {
    SchemaPair pair;
    pair.pri("A<B & C").Column("Name", 130, 50);
    pair.sec("A<B & C").Column("Name", 130, 80);
    const QString out = Path("report.html");
    CliOutcome r = RunCli({"compare", Write("a.json", pair.primary),
                           Write("b.json", pair.secondary), "--format", "html", "-o", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    const QString html = QString::fromUtf8(FileBytes(out));
    EXPECT_TRUE(html.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(html.contains(".diff{color:#ff0000}"));
    EXPECT_TRUE(html.contains("CREATE TABLE [A&lt;B &amp; C]"));
    EXPECT_FALSE(html.contains("A<B"));
    // What the engine marks (the size, 50 against 80) is red in each pane at its own place.
    EXPECT_TRUE(html.contains("TEXT(<span class=\"diff\">50</span>)"));
    EXPECT_TRUE(html.contains("TEXT(<span class=\"diff\">80</span>)"));
    // Self-contained: nothing is fetched from elsewhere.
    EXPECT_FALSE(html.contains("http"));
}

TEST_F(CompareCli, PasswordsNeverAppearInAnyOutput) {
    const QString secret = QStringLiteral("Zq7-Secret-Pw");
    const QString file = WriteText("pw.txt", (secret + "\n").toUtf8());
    const QString v1 = ShopV1();
    // A snapshot holds no password, so a given one is refused: the error path must not echo it.
    for (const QStringList& args :
         {QStringList{"compare", v1, v1, "--secondary-password-file", file},
          QStringList{"verify", v1, v1, "--target", "primary", "--primary-password-file", "-",
                      "--format", "json"},
          QStringList{"snapshot", v1, "--password-file", file}}) {
        CliOutcome r = RunCli(args, (secret + "\n").toUtf8());
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Not a valid account name or password.")) << r.err.toStdString();
        EXPECT_FALSE(r.All().contains(secret));
    }
    CliOutcome missing = RunCli({"compare", v1, v1, "--primary-password-file", Path("none")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("Cannot read the password file"));
    REQUIRE_SHARED_FILE(access, "testV2003.mdb");
    CliOutcome r = RunCli({"compare", access, access, "--primary-password-file", file,
                           "--primary-user", "Admin", "--format", "html"});
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(r.All().contains(secret));
}

// A database that cannot be read whole is never compared as a smaller or empty one: whichever
// side it is, every command stops with exit code 2, names the file, and writes no script.
TEST_F(CompareCli, AnUnreadableDatabaseStopsEveryCommand) {
    REQUIRE_SHARED_FILE(original, "testV2003.mdb");
    const QByteArray bytes = FileBytes(original);
    const QString good = WriteText("good.mdb", bytes);
    const QString bad = WriteText("cut.mdb", bytes.left(bytes.size() / 2 / 4096 * 4096));
    for (const auto& [primary, secondary] : {std::pair{bad, good}, std::pair{good, bad}}) {
        const QStringList commands[] = {
            {"compare", primary, secondary},
            {"script", primary, secondary, "--target", "secondary"},
            {"verify", primary, secondary, "--target", "secondary"},
            {"verify", primary, secondary, "--target", "primary"},
        };
        for (const QStringList& args : commands) {
            CliOutcome r = RunCli(args);
            SCOPED_TRACE(args.join(' ').toStdString() + "\n" + r.All().toStdString());
            EXPECT_EQ(r.code, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_TRUE(r.err.contains("'" + bad + "'"));
        }
    }
    EXPECT_EQ(RunCli({"snapshot", bad, "--output", Path("bad.json")}).code, 2);
    EXPECT_FALSE(QFile::exists(Path("bad.json")));
    EXPECT_EQ(FileBytes(good), bytes);
}

// Every real file of both shared folders opens, equals itself, and equals its own snapshot.
TEST_F(CompareCli, EveryRealFileEqualsItselfAndItsSnapshot) {
    const QList<RealAccessFile> files = SharedAccessFiles();
    if (files.isEmpty())
        GTEST_SKIP() << "no Access test files";
    for (const RealAccessFile& file : files) {
        SCOPED_TRACE(file.path.toStdString());
        QStringList pri, sec, one;
        if (!file.password.isEmpty()) {
            const QString pw = WriteText("password.txt", file.password.toUtf8() + "\n");
            pri = {"--primary-password-file", pw};
            sec = {"--secondary-password-file", pw};
            one = {"--password-file", pw};
        }
        CliOutcome self = RunCli(QStringList{"compare", file.path, file.path} + pri + sec);
        EXPECT_EQ(self.code, 0) << self.All().toStdString();

        const QString snapshot = Path("snapshot.json");
        QFile::remove(snapshot);
        CliOutcome saved = RunCli(QStringList{"snapshot", file.path, "--output", snapshot} + one);
        ASSERT_EQ(saved.code, 0) << saved.All().toStdString();
        CliOutcome back = RunCli(QStringList{"compare", file.path, snapshot, "--all"} + pri);
        EXPECT_EQ(back.code, 0) << back.All().toStdString();
    }
}

// Writing the output into a pipe or a device writes into it; it is never replaced by a file.
TEST_F(CompareCli, OutputIntoAPipeKeepsThePipe) {
    const QByteArray fifo = QFile::encodeName(Path("report.fifo"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    // The read end is open first, so that the program's write neither waits nor gets lost.
    const int readEnd = open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);
    const QString v1 = ShopV1();
    CliOutcome r = RunCli({"compare", v1, v1, "-o", QFile::decodeName(fifo)});
    EXPECT_EQ(r.code, 0) << r.All().toStdString();
    char buffer[65536];
    const ssize_t got = read(readEnd, buffer, sizeof buffer);
    close(readEnd);
    EXPECT_TRUE(QByteArray(buffer, std::max<ssize_t>(got, 0)).contains("5 objects: 5 equal"));
    struct stat info {};
    ASSERT_EQ(stat(fifo.constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(CompareCli, OptionsChooseKindsNamesAndHowTextsCompare) {
    SchemaPair pair;
    pair.pri("T").Column("Name", 130, 10);
    pair.sec("T").Column("NAME", 130, 10);
    pair.pri("tmpScratch").Column("A", 3);
    pair.priView("V", "SELECT a,\r\n  b FROM T;\r\n");
    pair.secView("V", "SELECT a, b FROM T;\r\n");
    pair.primary.queries = {{"~sq_cForm", QueryKind::Select, "SELECT 1;\r\n", {}, {}, true}};
    const QString a = Write("a.json", pair.primary), b = Write("b.json", pair.secondary);
    struct Case {
        QStringList options;
        int code;
        QString out, err; // patterns found in stdout and stderr
    };
    const Case cases[] = {
        {{}, 1, "^(?![\\s\\S]*~sq_)[\\s\\S]*3 objects: 2 different, 1 only in primary", ""},
        {{"--kinds", "views", "--ignore-whitespace"}, 0, "1 object: 1 equal", ""},
        {{"--kinds", "Tables", "--exclude", "TMP*", "--ignore-case"}, 0, "1 object: 1 equal", ""},
        {{"--exclude", "t", "--exclude", "?mp*", "--kinds", "tables,views"},
         1,
         "1 object: 1 diff",
         ""},
        {{"--show-hidden", "--format", "json"}, 1, "\"name\": \"~sq_cForm\"", ""},
        {{"--kinds", "tables,widgets"}, 2, "^$", "unknown kind 'widgets' in --kinds"},
        {{"--help"}, 0, "--kinds LIST[\\s\\S]*--exclude PATTERN[\\s\\S]*--ignore-whitespace", ""},
    };
    for (const Case& c : cases) {
        CliOutcome r = RunCli(QStringList{"compare", a, b} + c.options);
        SCOPED_TRACE(c.options.join(' ').toStdString() + "\n" + r.All().toStdString());
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.out.contains(QRegularExpression(c.out)));
        EXPECT_TRUE(r.err.contains(QRegularExpression(c.err)));
    }
}
