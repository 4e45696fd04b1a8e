// Which stored names and query rows the reader takes for damage rather than for a schema.
#include "engine/access/reader/StoredTextChecks.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

QueryRow row(int attribute, const QString& expression = {}, const QString& name1 = {},
             const QString& name2 = {}) {
    QueryRow r;
    r.attribute = attribute;
    r.expression = expression;
    r.name1 = name1;
    r.name2 = name2;
    return r;
}

// A select query as Access stores it: start, one input table, one output column, end.
QList<QueryRow> selectRows() {
    return {row(0), row(5, {}, QStringLiteral("Table1")), row(6, QStringLiteral("Table1.id")),
            row(255)};
}

constexpr qint64 kUnionFlags = 128;

QList<QueryRow> unionRows(const QString& first, const QString& second) {
    return {row(0), row(5, first, {}, QStringLiteral("X7YZ_____1")),
            row(5, second, {}, QStringLiteral("X7YZ_____2")), row(255)};
}

} // namespace

TEST(StoredTextChecks, NamesAccessWritesPass) {
    for (const char* name : {"Table1", "Order Details", "~sq_cForm1~sq_cCombo0", "Größe",
                             "a-b_c (1)", "MSysNavPaneGroups"})
        EXPECT_EQ(WhyNameIsDamaged(QString::fromUtf8(name)), QString()) << name;
    // Access's own names may hold what users cannot type.
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral(".rC"), true), QString());
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("[x]"), true), QString());
    // Characters beyond the first plane are characters, paired surrogates and all.
    EXPECT_EQ(WhyNameIsDamaged(QString::fromUtf8("Smile \xF0\x9F\x98\x80 \xE4\xB8\xAD")),
              QString());
}

TEST(StoredTextChecks, NamesAccessCannotWriteAreDamage) {
    EXPECT_EQ(WhyNameIsDamaged(QString()), QStringLiteral("it is empty"));
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("Tab\x01le")),
              QStringLiteral("it holds the control character U+0001"));
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("Tab\x7Fle")),
              QStringLiteral("it holds the control character U+007F"));
    // Control characters are damage in system names too.
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("MSys\nObjects"), true),
              QStringLiteral("it holds the control character U+000A"));
    // What overwritten bytes make of a name, in system names too.
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("MSys") + QChar(0xE000), true),
              QStringLiteral("it holds U+E000, which is no character"));
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("a") + QChar(0xDC00) + QStringLiteral("b"), true),
              QStringLiteral("it holds U+FFFD, which is no character"));
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("a") + QChar(0xFFFF), true),
              QStringLiteral("it holds U+FFFF, which is no character"));
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral("a") + QChar(0x0378), true), // unassigned
              QStringLiteral("it holds U+0378, which is no character"));
    for (const char* bad : {"a.b", "a!b", "a[b", "a]b", "a`b"})
        EXPECT_EQ(WhyNameIsDamaged(QString::fromLatin1(bad)),
                  QStringLiteral("it holds '%1', which Access forbids in names").arg(bad[1]))
            << bad;
    EXPECT_EQ(WhyNameIsDamaged(QStringLiteral(" Table1")),
              QStringLiteral("it starts with a space"));
}

TEST(StoredTextChecks, WholeQueriesPass) {
    EXPECT_EQ(WhyQueryRowsAreIncomplete(selectRows(), 0), QString());
    // A three-part union nests the first two parts in part 1.
    EXPECT_EQ(
        WhyQueryRowsAreIncomplete(unionRows(QStringLiteral("SELECT a FROM t UNION SELECT a FROM u"),
                                            QStringLiteral("SELECT a FROM v")),
                                  kUnionFlags),
        QString());
}

TEST(StoredTextChecks, QueriesWithoutTheirStartOrEndAreIncomplete) {
    QList<QueryRow> noStart = selectRows().mid(1);
    EXPECT_EQ(WhyQueryRowsAreIncomplete(noStart, 0), QStringLiteral("its start row is missing"));
    QList<QueryRow> noEnd = selectRows().mid(0, 3);
    EXPECT_EQ(WhyQueryRowsAreIncomplete(noEnd, 0), QStringLiteral("its end row is missing"));
}

TEST(StoredTextChecks, AClauseWithoutTextIsIncomplete) {
    for (int attribute : {6, 7, 8, 9, 10, 11}) {
        QList<QueryRow> rows = selectRows();
        rows.insert(2, row(attribute, QStringLiteral("  ")));
        EXPECT_EQ(WhyQueryRowsAreIncomplete(rows, 0),
                  QStringLiteral("a clause (row of attribute %1) has no text").arg(attribute));
    }
    QList<QueryRow> noTable = selectRows();
    noTable[1].name1.clear();
    EXPECT_EQ(WhyQueryRowsAreIncomplete(noTable, 0), QStringLiteral("an input table has no name"));
}

TEST(StoredTextChecks, AUnionMissingAPartOrEndingInUnionIsIncomplete) {
    const QString part = QStringLiteral("SELECT a FROM t");
    EXPECT_EQ(WhyQueryRowsAreIncomplete(unionRows(part, {}), kUnionFlags),
              QStringLiteral("the union has no part 2"));
    EXPECT_EQ(WhyQueryRowsAreIncomplete(unionRows({}, part), kUnionFlags),
              QStringLiteral("the union has no part 1"));
    EXPECT_EQ(WhyQueryRowsAreIncomplete(unionRows(part + QStringLiteral("\r\nUNION ALL"), part),
                                        kUnionFlags),
              QStringLiteral("union part 1 ends in UNION"));
    QList<QueryRow> renamed = unionRows(part, part);
    renamed[2].name2 = QStringLiteral("X7YZ_____3");
    EXPECT_EQ(WhyQueryRowsAreIncomplete(renamed, kUnionFlags),
              QStringLiteral("the union has no part 2"));
    // A select query is not held to the union's parts.
    EXPECT_EQ(WhyQueryRowsAreIncomplete(unionRows(part, {}), 0), QString());
}

TEST(StoredTextChecks, IndexNamesMustBeThereAndDistinct) {
    EXPECT_EQ(WhyIndexNamesAreDamaged(
                  {QStringLiteral("PrimaryKey"), QStringLiteral(".rC"), QStringLiteral("id")}),
              QString());
    EXPECT_EQ(WhyIndexNamesAreDamaged({QStringLiteral("PrimaryKey"), QString()}),
              QStringLiteral("an index has no name"));
    EXPECT_EQ(WhyIndexNamesAreDamaged({QStringLiteral("Name"), QStringLiteral("NAME")}),
              QStringLiteral("two indexes are named 'NAME'"));
    EXPECT_EQ(WhyIndexNamesAreDamaged({QStringLiteral("a\x02")}),
              QStringLiteral("the name of index 'a\x02' is damaged: it holds the control "
                             "character U+0002"));
}

TEST(StoredTextChecks, AQueryWhoseKindOrTextIsLostIsIncomplete) {
    constexpr qint64 kCrosstabFlags = 16, kPassThroughFlags = 112;
    QueryRow crosstabType = row(1);
    crosstabType.flag = 6;
    QList<QueryRow> crosstab = selectRows();
    crosstab.insert(1, crosstabType);
    EXPECT_EQ(WhyQueryRowsAreIncomplete(crosstab, kCrosstabFlags), QString());
    // The hidden bit beside the kind changes nothing.
    EXPECT_EQ(WhyQueryRowsAreIncomplete(crosstab, kCrosstabFlags | 0x8), QString());
    EXPECT_EQ(WhyQueryRowsAreIncomplete(crosstab, kPassThroughFlags),
              QStringLiteral("its catalog flags and its type row name different kinds"));

    QueryRow passThroughType = row(1, QStringLiteral("SELECT 1"), QStringLiteral("ODBC;DSN=x"));
    passThroughType.flag = 8;
    QList<QueryRow> passThrough{row(0), passThroughType, row(255)};
    EXPECT_EQ(WhyQueryRowsAreIncomplete(passThrough, kPassThroughFlags), QString());
    passThrough[1].expression.clear();
    EXPECT_EQ(WhyQueryRowsAreIncomplete(passThrough, kPassThroughFlags),
              QStringLiteral("its statement has no text"));
}
