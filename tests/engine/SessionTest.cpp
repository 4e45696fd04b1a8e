#include "engine/Session.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/MemorySource.h"
#include "tests/support/QtPrinters.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace vantor;

namespace {

// A session over two in-memory databases "memory:pri" and "memory:sec", with everything it
// signals written down.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        session.setLogin(Side::Primary, {"memory:pri", "Admin", ""});
        session.setLogin(Side::Secondary, {"memory:sec", "Admin", ""});
        QObject::connect(&session, &Session::workStarted, [this] { events << "start"; });
        QObject::connect(&session, &Session::workFinished, [this] { events << "end"; });
        QObject::connect(&session, &Session::compared, [this] { events << "compared"; });
        QObject::connect(&session, &Session::cleared, [this] { events << "cleared"; });
        QObject::connect(&session, &Session::progressed, [this](const QString& c, int v) {
            captions << c;
            values << v;
        });
        QObject::connect(&session, &Session::refreshFailed,
                         [this](const QString& why) { events << "failed: " + why; });
        QObject::connect(&session, &Session::refreshCancelled, [this] { events << "cancelled"; });
        QObject::connect(&session, &Session::logged,
                         [this](const QString& line) { logLines << line.mid(21); });
    }
    void TearDown() override { MemoryDatabase::DropAll(); }

    // Refreshes and answers the error's number and description, or "ok".
    QString refresh() {
        try {
            session.refresh();
            return "ok";
        } catch (const Error& e) {
            return QStringLiteral("%1 %2").arg(e.number()).arg(e.description());
        }
    }

    std::shared_ptr<MemoryDatabase> pri = MemoryDatabase::Create("pri");
    std::shared_ptr<MemoryDatabase> sec = MemoryDatabase::Create("sec");
    Session session{OpenTestDatabase};
    QStringList events;
    QStringList captions;
    QList<int> values;
    QStringList logLines;
};

} // namespace

TEST_F(SessionTest, RefreshOpensReadsAndComparesBothSidesShowingWhatItDoes) {
    pri->AddTable("P1").Column("A", 3);
    pri->AddView("PV", "SELECT A FROM P1");
    sec->AddTable("P1").Column("A", 3);
    sec->AddTable("S1").Column("A", 3);
    session.setLogin(Side::Secondary, {"memory:sec", "Guest", "pa ss"});

    EXPECT_EQ(refresh(), "ok");
    ASSERT_NE(session.diff(), nullptr);
    EXPECT_EQ(session.diff()->entries.size(), 3u);
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(events, QStringList({"start", "end", "compared"}));
    EXPECT_EQ(captions, QStringList({"Opening primary database...", "Opening Secondary database...",
                                     "Analyzing Tables...", "Analyzing tables: P1",
                                     "Analyzing view: PV", "Analyzing tables: S1"}));
    EXPECT_EQ(pri->reads, 1);
    ASSERT_EQ(sec->opens.size(), 1);
    EXPECT_EQ(sec->opens[0].user, "Guest") << "credentials reach the source as typed";
    EXPECT_EQ(sec->opens[0].password, "pa ss");

    // A change made after the first refresh must show, so nothing may be kept between them.
    sec->schema.tables[0].columns[0].dataType = 5;
    ASSERT_EQ(refresh(), "ok");
    EXPECT_EQ(session.diff()->entries[0].state, ObjectState::Different);
    EXPECT_EQ(sec->opens.size(), 2);
    EXPECT_EQ(sec->reads, 2);
}

// What the progress says an object is follows the primary database first and matches names in
// any letter case: a view there, or a name it lacks as a table that the secondary has as a view.
TEST_F(SessionTest, ProgressNamesViewsAsEitherDatabaseHasThem) {
    pri->AddTable("Mixed").Column("A", 3);
    pri->AddView("Shared", "SELECT 1");
    sec->AddView("MIXED", "SELECT 2");
    sec->AddView("shared", "SELECT 1");
    sec->AddView("OnlySecondary", "SELECT 3");
    sec->AddTable("Table Only").Column("A", 3);
    ASSERT_EQ(refresh(), "ok");
    EXPECT_TRUE(captions.contains("Analyzing tables: Mixed")) << captions.join(" | ").toStdString();
    EXPECT_TRUE(captions.contains("Analyzing view: Shared")) << captions.join(" | ").toStdString();
    EXPECT_TRUE(captions.contains("Analyzing view: OnlySecondary"))
        << captions.join(" | ").toStdString();
    EXPECT_TRUE(captions.contains("Analyzing tables: Table Only"))
        << captions.join(" | ").toStdString();
}

TEST_F(SessionTest, ActivityRunsUpTo90AndStartsAgain) {
    for (int i = 0; i < 100; ++i)
        pri->AddTable(QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0')));
    ASSERT_EQ(refresh(), "ok");
    const qsizetype at90 = values.indexOf(90);
    ASSERT_GT(at90, 0);
    EXPECT_EQ(values.mid(at90 - 1, 3), QList<int>({89, 90, 1}));
}

TEST_F(SessionTest, NoPathsAtAllIsError1001AndOpensNothing) {
    session.setLogin(Side::Primary, {});
    session.setLogin(Side::Secondary, {});
    EXPECT_EQ(refresh(), "1001 Enter Primary and Secondary Database");
    EXPECT_TRUE(pri->opens.isEmpty());
    EXPECT_EQ(events,
              QStringList({"start", "end", "failed: Enter Primary and Secondary Database"}));
}

// Half a picture is never compared: after any failure the session keeps nothing of either side.
TEST_F(SessionTest, AFailedRefreshDropsTheLastComparisonAndSaysWhy) {
    pri->AddTable("T").Column("A", 3);
    ASSERT_EQ(refresh(), "ok");
    events.clear();
    logLines.clear();

    sec->failRead = Error(ErrorCode::Provider, "The database 'sec' is damaged.");
    EXPECT_EQ(refresh(), "-2147467259 The database 'sec' is damaged.");
    EXPECT_EQ(session.diff(), nullptr);
    EXPECT_FALSE(session.isOpen());
    EXPECT_EQ(events,
              QStringList({"start", "end", "cleared", "failed: The database 'sec' is damaged."}));
    EXPECT_EQ(session.lastErrors(),
              QStringList({"The database 'sec' is damaged.", "Cannot open schemas."}));
    EXPECT_EQ(logLines, QStringList({"Error -2147467259: The database 'sec' is damaged.",
                                     "Error 10003: Cannot open schemas."}));

    // A failing open stops the refresh before anything is read.
    sec->failRead.reset();
    sec->failOpen = Error(ErrorCode::Provider, "Could not find file 'sec'.");
    const int readsBefore = pri->reads;
    EXPECT_EQ(refresh(), "-2147467259 Could not find file 'sec'.");
    EXPECT_EQ(session.lastErrors(), QStringList({"Could not find file 'sec'."}));
    EXPECT_EQ(pri->reads, readsBefore);

    sec->failOpen.reset();
    EXPECT_EQ(refresh(), "ok");
    EXPECT_NE(session.diff(), nullptr);
    EXPECT_TRUE(session.lastErrors().isEmpty());
}

TEST_F(SessionTest, ASchemaThatCannotBeComparedIsAnErrorOfTheComparison) {
    sec->AddTable("Dup");
    sec->AddView("DUP", "SELECT 1");
    EXPECT_EQ(refresh(), "457 This key is already associated with an element of this collection");
    EXPECT_EQ(session.lastErrors().last(), "Error in Compare Process.");
    EXPECT_EQ(session.diff(), nullptr);
}

TEST_F(SessionTest, StatementsGoToTheOpenSideOnly) {
    EXPECT_EQ(test::ErrorOf([&] { session.source(Side::Primary); }).code(),
              ErrorCode::OperationNotAllowedWhenClosed);
    ASSERT_EQ(refresh(), "ok");
    session.source(Side::Secondary).execute("DROP TABLE [T]");
    EXPECT_EQ(sec->executed, QStringList({"DROP TABLE [T]"}));
    EXPECT_TRUE(pri->executed.isEmpty());

    // Disconnecting closes both sides but keeps what is shown; a refresh opens them again.
    session.disconnect();
    EXPECT_FALSE(session.isOpen());
    EXPECT_NE(session.diff(), nullptr);
    EXPECT_TRUE(session.hasLogins());
    ASSERT_EQ(refresh(), "ok");
    EXPECT_TRUE(session.isOpen());
}

// Work in the background ends as the same work in the foreground does, and one piece at a time.
TEST_F(SessionTest, ABackgroundComparisonEndsAsARefreshDoes) {
    pri->AddTable("T").Column("A", 3);
    auto other = MemoryDatabase::Create("other");
    ASSERT_TRUE(session.startCompare({"memory:pri", "Admin", ""}, {"memory:other", "Admin", ""}));
    EXPECT_TRUE(session.isBusy());
    EXPECT_FALSE(session.startRefresh());
    session.waitForWork();
    EXPECT_FALSE(session.isBusy());
    EXPECT_EQ(events, QStringList({"start", "end", "compared"}));
    ASSERT_NE(session.diff(), nullptr);
    EXPECT_EQ(session.login(Side::Secondary).path, "memory:other");

    // A failure names its databases for the next try and keeps nothing else.
    events.clear();
    other->failRead = Error(ErrorCode::Provider, "The database 'other' is damaged.");
    ASSERT_TRUE(session.startRefresh());
    session.waitForWork();
    EXPECT_EQ(events,
              QStringList({"start", "end", "cleared", "failed: The database 'other' is damaged."}));
    EXPECT_EQ(session.diff(), nullptr);
    EXPECT_EQ(session.login(Side::Secondary).path, "memory:other");
    EXPECT_EQ(session.lastErrors().last(), "Cannot open schemas.");
}

// A cancelled comparison leaves the databases, their names and the comparison as they were.
TEST_F(SessionTest, ACancelledComparisonKeepsWhatWasThere) {
    pri->AddTable("T").Column("A", 3);
    ASSERT_EQ(refresh(), "ok");
    const Diff* before = session.diff();
    events.clear();

    auto slow = MemoryDatabase::Create("slow");
    slow->holdReads = true;
    ASSERT_TRUE(session.startCompare({"memory:pri", "Admin", ""}, {"memory:slow", "Admin", ""}));
    session.cancel();
    session.waitForWork();
    EXPECT_EQ(events, QStringList({"start", "end", "cancelled"}));
    EXPECT_EQ(session.diff(), before);
    EXPECT_TRUE(session.isOpen());
    EXPECT_EQ(session.login(Side::Secondary).path, "memory:sec");
    EXPECT_EQ(slow->reads, 0);

    // Closing the session stops work under way rather than waiting for it.
    ASSERT_TRUE(session.startCompare({"memory:pri", "Admin", ""}, {"memory:slow", "Admin", ""}));
    session.close();
    EXPECT_FALSE(session.isBusy());
    EXPECT_EQ(session.diff(), nullptr);

    // Opening anew waits for the work that reads the sources it replaces.
    ASSERT_TRUE(session.startCompare({"memory:pri", "Admin", ""}, {"memory:slow", "Admin", ""}));
    std::thread release([&slow] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        slow->holdReads = false;
    });
    session.open();
    release.join();
    EXPECT_FALSE(session.isBusy());
    EXPECT_EQ(slow->reads, 1);
    EXPECT_TRUE(session.isOpen());
}
