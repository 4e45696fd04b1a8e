#include "engine/TextDiff.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

using Marked = std::pair<QString, QString>;

// Each text with its marked stretches in brackets, so a test reads what a user sees in red.
Marked marked(const QString& first, const QString& second) {
    const TextMarks marks = MarkDifferingText(first, second);
    auto show = [](QString text, const QList<TextRun>& runs) {
        for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
            text.insert(run->offset + run->length, QLatin1Char('}'));
            text.insert(run->offset, QLatin1Char('{'));
        }
        return text;
    };
    return {show(first, marks.first), show(second, marks.second)};
}

} // namespace

// A dropped column is marked whole on its own side; the lines both texts share stay black,
// wherever they sit, so a shifted line is not marked in fragments.
TEST(TextDiff, LinesOnlyOneSideHasAreMarkedWholeAndSharedOnesNever) {
    const auto [pri, sec] =
        marked("CREATE TABLE [T]\n(  [Country] TEXT(15),\n  [Fax] TEXT(24),\n"
               "  [Phone] TEXT(24)\n)",
               "CREATE TABLE [T]\n(  [Country] TEXT(15),\n  [Phone] TEXT(24)\n)");
    EXPECT_EQ(pri, "CREATE TABLE [T]\n(  [Country] TEXT(15),\n{  [Fax] TEXT(24),}\n"
                   "  [Phone] TEXT(24)\n)");
    EXPECT_EQ(sec, "CREATE TABLE [T]\n(  [Country] TEXT(15),\n  [Phone] TEXT(24)\n)");

    const auto [added, _] = marked("a\nnew\nb", "a\nb");
    EXPECT_EQ(added, "a\n{new}\nb");
    EXPECT_EQ(marked("same\r\ntext", "same\ntext"), Marked("same\r\ntext", "same\ntext"));
}

// Inside a changed line the differing words, numbers and signs are marked, each side at its
// own offsets, and letter case and spacing count as changes.
TEST(TextDiff, ChangedLinesAreMarkedWordByWord) {
    EXPECT_EQ(marked("[City] TEXT(30) NOT NULL,", "[City] TEXT(15),"),
              Marked("[City] TEXT({30}){ NOT NULL},", "[City] TEXT({15}),"));
    EXPECT_EQ(marked("[Name] INTEGER", "[Name] TEXT(10)"),
              Marked("[Name] {INTEGER}", "[Name] {TEXT(10)}"));
    EXPECT_EQ(marked("SELECT a FROM T", "select a  FROM T"),
              Marked("{SELECT} a{ }FROM T", "{select} a{  }FROM T"));
    // Changed lines pair up by their first words, so a dropped column is marked whole instead
    // of being diffed against the next one.
    EXPECT_EQ(marked("x\n[Email] TEXT(50)\n[Tel] INT\ny", "x\n[Tel] LONG\ny"),
              Marked("x\n{[Email] TEXT(50)}\n[Tel] {INT}\ny", "x\n[Tel] {LONG}\ny"));
}

TEST(TextDiff, EmptyAndHugeTextsAreMarkedWithoutAligningEverything) {
    EXPECT_EQ(marked("", "abc"), Marked("", "{abc}"));
    EXPECT_EQ(marked("", ""), Marked("", ""));

    // Past what fits the alignment, the lines between the common first and last ones pair up in
    // order.
    QString first;
    for (int i = 0; i < 5000; ++i)
        first += QStringLiteral("line %1\n").arg(i);
    QString second = first;
    second.replace(QStringLiteral("line 10\n"), QStringLiteral("line ten\n"));
    second.replace(QStringLiteral("line 4000\n"), QStringLiteral("line four thousand\n"));
    const TextMarks marks = MarkDifferingText(first, second);
    ASSERT_FALSE(marks.first.isEmpty());
    EXPECT_EQ(marks.first, QList<TextRun>({{first.indexOf(QStringLiteral("line 10\n")) + 5, 2},
                                           {first.indexOf(QStringLiteral("line 4000\n")) + 5, 4}}));
    // A long single-line query changed in one word is marked at that word only.
    const QString query = QStringLiteral("SELECT ") + QString(20000, QLatin1Char('x')) +
                          QStringLiteral(" FROM A WHERE b = 1");
    QString changed = query;
    changed.replace(QStringLiteral("b = 1"), QStringLiteral("b = 2"));
    const TextMarks one = MarkDifferingText(query, changed);
    EXPECT_EQ(one.first, QList<TextRun>({{query.size() - 1, 1}}));
    EXPECT_EQ(one.second, QList<TextRun>({{changed.size() - 1, 1}}));
}
