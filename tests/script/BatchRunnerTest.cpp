#include "script/BatchRunner.h"

#include "engine/Source.h"
#include "model/Error.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

const QString CRLF = QStringLiteral("\r\n");

// Records every statement and rejects those holding the word FAIL with a provider text.
class PickySource : public Source {
public:
    QStringList received;

    void execute(const QString& text) override {
        received.append(text);
        if (text.contains(QLatin1String("FAIL")))
            throw Error(ErrorCode::Provider, QStringLiteral("Syntax error in statement."));
    }

protected:
    Schema load() override { return {}; }
};

class BatchRunnerTest : public ::testing::Test {
protected:
    QStringList run(const QString& text, BatchObserver* observer = nullptr) {
        target.received.clear();
        result = BatchRunner().Run(TextLineSource(text), &target, observer);
        return target.received;
    }

    PickySource target;
    BatchRunResult result;
};

struct Recorder : BatchObserver {
    QStringList events;
    void MarkCurrentLine(qint64 line) override { events << QStringLiteral("current:%1").arg(line); }
    void MarkStartLine(qint64 line) override { events << QStringLiteral("start:%1").arg(line); }
    void NextBookmark() override { events << QStringLiteral("next"); }
    void BatchFinished(const ScriptBatch& b) override {
        events << QStringLiteral("batch:%1-%2").arg(b.firstLine).arg(b.lastLine);
    }
};

} // namespace

TEST(TextLineSource, CutsAtEveryKindOfLineBreakAndKeepsTheLastEmptyLine) {
    TextLineSource s("a\r\nb\nc\rd\r\n");
    ASSERT_EQ(s.LineCount(), 5);
    EXPECT_EQ(s.Line(3), "d");
    EXPECT_EQ(s.Line(4), "");
    EXPECT_EQ(TextLineSource("").LineCount(), 1);
    EXPECT_THROW(s.Line(5), Error);
}

TEST_F(BatchRunnerTest, BatchesAreCutAtGoLinesAndShortOnesAreSkipped) {
    for (const char* yes : {"GO", "  go  ", "Go"})
        EXPECT_TRUE(BatchRunner::IsSeparator(yes)) << yes;
    for (const char* no : {"GO;", "\tGO", "GO GO", ""})
        EXPECT_FALSE(BatchRunner::IsSeparator(no)) << no;

    const std::pair<QString, QStringList> cases[] = {
        {"DROP TABLE [a]\r\n  go \r\nDROP TABLE [b]\r\nGO;\r\nDROP TABLE [c]\r\n",
         {"DROP TABLE [a]" + CRLF,
          "DROP TABLE [b]" + CRLF + "GO;" + CRLF + "DROP TABLE [c]" + CRLF + CRLF}},
        // Without a separator the last line belongs to the one batch.
        {"CREATE TABLE [t]\r\n([a] INTEGER)", {"CREATE TABLE [t]" + CRLF + "([a] INTEGER)" + CRLF}},
        // Batches of ten characters or fewer are skipped; only blanks are trimmed before counting.
        {"", {}},
        {"GO\r\nGO\r\ngo\r\n", {}},
        {"12345678\r\nGO\r\n", {}},
        {"\r\n\r\n\r\n\r\n\r\nGO\r\n", {}},
        {"   12345678\r\nGO\r\n", {}},
        {"123456789\r\nGO\r\n", {"123456789" + CRLF}},
        {"\r\n\r\n\r\n\r\n\r\n\r\nGO\r\n", {QString(CRLF).repeated(6)}},
        {"\t\t\t\t\t\t\t\t\t\r\nGO\r\n", {"\t\t\t\t\t\t\t\t\t" + CRLF}},
    };
    for (const auto& [script, batches] : cases) {
        EXPECT_EQ(run(script), batches) << script.toStdString();
        EXPECT_TRUE(result.Succeeded());
    }
}

TEST_F(BatchRunnerTest, CommentLinesAreNotSentButKeepTheirPlaceInTheLineCount) {
    for (const char* yes : {"--", "-- Data in [x] is lost", "  \t-- indented", "---"})
        EXPECT_TRUE(BatchRunner::IsComment(yes)) << yes;
    for (const char* no : {"", "- -", "DROP TABLE [a] -- trailing", "'--'", "[--]"})
        EXPECT_FALSE(BatchRunner::IsComment(no)) << no;

    Recorder rec;
    QString script = "-- Data in column [Note] of [Orders] is lost.\r\n"
                     "ALTER TABLE [Orders] DROP COLUMN [Note]\r\n"
                     "  -- and its index\r\n"
                     "GO\r\n"
                     "-- Only comments and blanks: nothing to send.\r\n"
                     "\r\n"
                     "   --\r\n"
                     "GO\r\n"
                     "DROP TABLE [Lines]\r\n"
                     "-- FAIL would be rejected were it sent\r\n";
    EXPECT_EQ(run(script, &rec), QStringList({"ALTER TABLE [Orders] DROP COLUMN [Note]" + CRLF,
                                              "DROP TABLE [Lines]" + CRLF + CRLF}));
    ASSERT_TRUE(result.Succeeded());
    ASSERT_EQ(result.batches.size(), 3u);
    EXPECT_FALSE(result.batches[1].executed);
    EXPECT_EQ(result.batches[1].text, CRLF) << "the blank line stays, the comments go";
    EXPECT_EQ(rec.events, QStringList({"current:0", "start:0", "batch:0-2", "next", "current:4",
                                       "batch:4-6", "next", "current:8", "batch:8-10"}));

    // A failing statement after a comment is reported with the comment's line in its batch.
    run("-- first\r\nALTER TABLE [x] FAIL\r\nGO\r\n");
    ASSERT_TRUE(result.failure.has_value());
    EXPECT_EQ(result.failure->batch.firstLine, 0);
    EXPECT_EQ(result.failure->batch.lastLine, 1);
    EXPECT_EQ(result.failure->batch.text, "ALTER TABLE [x] FAIL" + CRLF);
}

TEST_F(BatchRunnerTest, ReportsEachBatchWithItsLinesAndMarksTheEditorInOrder) {
    Recorder rec;
    QString script = "DROP TABLE [one]\r\nGO\r\nGO\r\nDROP TABLE [two]\r\nDROP X\r\nGO\r\n";
    run(script, &rec);
    ASSERT_TRUE(result.Succeeded());
    ASSERT_EQ(result.batches.size(), 4u);
    EXPECT_EQ(rec.events,
              QStringList({"current:0", "start:0", "batch:0-0", "next", "current:2", "batch:2-1",
                           "next", "current:3", "batch:3-4", "next", "current:6", "batch:6-6"}));
}

TEST_F(BatchRunnerTest, FirstErrorEndsTheRunAndEarlierBatchesStayApplied) {
    EXPECT_EQ(run("CREATE TABLE [ok1] ([a] INTEGER)\r\nGO\r\n"
                  "CREATE TABLE [ok2] ([a] INTEGER)\r\nGO\r\n"
                  "ALTER TABLE [x]\r\n FAIL here\r\nGO\r\n"
                  "CREATE TABLE [never] ([a] INTEGER)\r\nGO\r\n")
                  .size(),
              3);
    ASSERT_FALSE(result.Succeeded());
    EXPECT_EQ(result.batches.size(), 2u);
    const BatchFailure& f = *result.failure;
    EXPECT_EQ(QString("%1:%2-%3").arg(f.batch.number).arg(f.batch.firstLine).arg(f.batch.lastLine),
              "3:4-5");
    EXPECT_EQ(f.description, "Syntax error in statement.");
}

TEST_F(BatchRunnerTest, MissingTargetFailsOnlyWhenABatchWouldBeSent) {
    EXPECT_TRUE(BatchRunner().Run(TextLineSource("GO\r\n"), nullptr).Succeeded());
    result = BatchRunner().Run(TextLineSource("DROP TABLE [a]"), nullptr);
    ASSERT_FALSE(result.Succeeded());
    EXPECT_EQ(result.failure->number, 91);
}

TEST_F(BatchRunnerTest, LongScriptsRunPastThe16BitLineLimit) {
    QString script;
    const int statements = 20000; // 40,000 lines
    for (int i = 0; i < statements; ++i)
        script += QStringLiteral("DROP TABLE [t%1]\r\nGO\r\n").arg(i);
    QStringList sent = run(script);
    ASSERT_TRUE(result.Succeeded());
    ASSERT_EQ(sent.size(), statements);
    EXPECT_EQ(sent.last(), QStringLiteral("DROP TABLE [t%1]\r\n").arg(statements - 1));
    EXPECT_EQ(result.batches[statements - 1].firstLine, 2 * (statements - 1));
}

TEST(TargetSide, ZeroOrNoNumberAimsAtThePrimaryAnythingElseAtTheSecondary) {
    for (const char* primary : {"0", "", "abc"})
        EXPECT_EQ(TargetSide(primary), Side::Primary) << primary;
    for (const char* secondary : {"1", " 2 and more", "-1"})
        EXPECT_EQ(TargetSide(secondary), Side::Secondary) << secondary;
}
