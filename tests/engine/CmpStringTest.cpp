#include "engine/clsEngine.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

QStringList diff(const QString& src, const QString& tgt) {
    clsEngine engine;
    engine.CmpString(src, tgt);
    return engine.PosDiffPri;
}

} // namespace

TEST(CmpString, RunsAreListedByStartAndLengthWithAnEmptyEntryLast) {
    EXPECT_EQ(diff("aXYb", "aZZb"), QStringList({"2\t2", ""}));
    // A run still open at the end has no length.
    EXPECT_EQ(diff("abcdef", "aXcdYY"), QStringList({"2\t1", "5", ""}));
    EXPECT_EQ(diff("ab", "aX"), QStringList({"2", ""}));
    EXPECT_EQ(diff("same", "same"), QStringList({""}));
    EXPECT_EQ(diff("", "anything"), QStringList({""}));
    // Characters of the second text beyond the first are not looked at; the first text's own
    // surplus is a difference.
    EXPECT_EQ(diff("ab", "abcdef"), QStringList({""}));
    EXPECT_EQ(diff("abcd", "ab"), QStringList({"3", ""}));
}

TEST(CmpString, CaseIsIgnoredAndBlanksOfTheFirstTextAreSkipped) {
    EXPECT_EQ(diff("ABC", "abc"), QStringList({""}));
    EXPECT_EQ(diff(QString::fromUtf8("ÄÖÜ"), QString::fromUtf8("äöü")), QStringList({""}));
    EXPECT_EQ(diff("a b", "ab"), QStringList({""}));
    EXPECT_EQ(diff("ab", "a b"), QStringList({"2", ""}));
    EXPECT_EQ(diff("ab   ", "ab"), QStringList({""})); // blanks past the second text's end
    // Tabs and line breaks are ordinary characters.
    EXPECT_EQ(diff("a\tb", "a b"), QStringList({"2\t1", ""}));
    EXPECT_EQ(diff("a\r\nb", "a\nb"), QStringList({"2", ""}));
    EXPECT_EQ(diff("a\r\nbc", "a\nbbc"), QStringList({"2\t2", ""}));
}

TEST(CmpString, TextsBeyondSixteenBitsAreCompared) {
    QString src(100000, QLatin1Char('x'));
    QString tgt = src;
    tgt[40000] = QLatin1Char('y');
    tgt[99998] = QLatin1Char('y');
    EXPECT_EQ(diff(src, tgt), QStringList({"40001\t1", "99999\t1", ""}));
}
