#include "engine/access/QuerySql.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

namespace {

QueryRow row(int attribute, const QString& expression = {}, std::optional<int> flag = {},
             const QString& name1 = {}, const QString& name2 = {}) {
    return {attribute, expression, flag, name1, name2};
}

QueryRow selectType() {
    return row(queryattr::Type, {}, 1);
}

} // namespace

TEST(QuerySql, WritesTheSqlViewOfAnAliasedSelectQuery) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Table, {}, {}, "Products", "Product List"),
        row(queryattr::Column, "[Product List].ProductID"),
        row(queryattr::Column, "[Product List].ProductName"),
        row(queryattr::Where, "((([Product List].Discontinued)=No))"),
        row(queryattr::OrderBy, "[Product List].ProductName"),
    };
    EXPECT_EQ(SelectQuerySql(rows),
              "SELECT [Product List].ProductID, [Product List].ProductName\r\n"
              "FROM Products AS [Product List]\r\n"
              "WHERE ((([Product List].Discontinued)=No))\r\n"
              "ORDER BY [Product List].ProductName;\r\n");
}

TEST(QuerySql, NestsJoinsAndGroupsTheConditionsOfOneJoin) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Options, {}, 2),
        row(queryattr::Table, {}, {}, "Table1"),
        row(queryattr::Table, {}, {}, "Table2"),
        row(queryattr::Table, {}, {}, "Table3"),
        row(queryattr::Table, {}, {}, "Loose Table"),
        row(queryattr::Column, "Table1.*"),
        row(queryattr::Join, "Table1.col1 = Table3.col1", 2, "Table1", "Table3"),
        row(queryattr::Join, "Table3.col1 = Table2.col1", 1, "Table3", "Table2"),
        row(queryattr::Join, "Table3.col1 = Table2.col2", 1, "Table3", "Table2"),
    };
    EXPECT_EQ(SelectQuerySql(rows),
              "SELECT DISTINCT Table1.*\r\n"
              "FROM [Loose Table], (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER "
              "JOIN Table2 ON (Table3.col1 = Table2.col1) AND (Table3.col1 = Table2.col2);\r\n");
}

TEST(QuerySql, JoinsTablesByTheirAliasAndNestsTheRightSide) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Table, {}, {}, "A"),
        row(queryattr::Table, {}, {}, "B"),
        row(queryattr::Table, {}, {}, "B", "B_1"),
        row(queryattr::Table, {}, {}, "C"),
        row(queryattr::Join, "B.x=B_1.y", 3, "B", "B_1"),
        row(queryattr::Join, "A.x=C.x", 1, "A", "C"),
        row(queryattr::Join, "C.x=B.x", 1, "C", "B"),
        row(queryattr::Join, "A.x=Nowhere.x", 1, "A", "Nowhere"),
    };
    EXPECT_EQ(SelectQuerySql(rows),
              "SELECT *\r\nFROM (A INNER JOIN C ON A.x=C.x) INNER JOIN (B RIGHT JOIN B AS B_1 ON "
              "B.x=B_1.y) ON C.x=B.x;\r\n");
}

TEST(QuerySql, WritesEveryClauseAndSelectOption) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Options, {}, 0x01 | 0x08 | 0x10 | 0x20 | 0x04, "5"),
        row(queryattr::Table, {}, {}, "T"),
        row(queryattr::Column, "Max(T.a)", 0, "Biggest a"),
        row(queryattr::Column, "T.b", 0, "b2"),
        row(queryattr::GroupBy, "T.b"),
        row(queryattr::GroupBy, "T.c"),
        row(queryattr::Having, "((Max(T.a))>1)"),
        row(queryattr::OrderBy, "T.b", {}, "D"),
        row(queryattr::OrderBy, "T.c"),
    };
    EXPECT_EQ(SelectQuerySql(rows), "SELECT DISTINCTROW TOP 5 PERCENT Max(T.a) AS [Biggest a], "
                                    "T.b AS b2, *\r\n"
                                    "FROM T\r\n"
                                    "GROUP BY T.b, T.c\r\n"
                                    "HAVING ((Max(T.a))>1)\r\n"
                                    "ORDER BY T.b DESC, T.c\r\n"
                                    "WITH OWNERACCESS OPTION;\r\n");
}

TEST(QuerySql, OnlySelectQueriesWithoutParametersAreViews) {
    QList<QueryRow> select{selectType(), row(queryattr::Table, {}, {}, "T")};
    EXPECT_TRUE(IsPlainSelectQuery(select, 0));

    QList<QueryRow> withParameter = select;
    withParameter.append(row(queryattr::Parameter, {}, 10, "Which"));
    EXPECT_FALSE(IsPlainSelectQuery(withParameter, 0));

    for (int actionType : {2, 3, 4, 5, 6, 7, 8, 9}) {
        QList<QueryRow> action{row(queryattr::Type, {}, actionType)};
        EXPECT_FALSE(IsPlainSelectQuery(action, 0)) << actionType;
    }
    // Without a type row the object flags decide: 0 select, 0x10 crosstab ... 0x80 union.
    QList<QueryRow> untyped{row(queryattr::Table, {}, {}, "T")};
    EXPECT_TRUE(IsPlainSelectQuery(untyped, 0));
    EXPECT_TRUE(IsPlainSelectQuery(untyped, 0x3));
    for (qint64 flags : {0x10, 0x30, 0x50, 0x70, 0x80})
        EXPECT_FALSE(IsPlainSelectQuery(untyped, flags)) << flags;
}

TEST(QuerySql, BracketsNamesThatAreNoPlainIdentifiers) {
    EXPECT_EQ(QuoteSqlName("Products"), "Products");
    EXPECT_EQ(QuoteSqlName("Umsätze_2"), "Umsätze_2");
    EXPECT_EQ(QuoteSqlName("Product List"), "[Product List]");
    EXPECT_EQ(QuoteSqlName("Some.Alias"), "[Some.Alias]");
    EXPECT_EQ(QuoteSqlName("1st"), "[1st]");
    EXPECT_EQ(QuoteSqlName("[Already]"), "[Already]");
}
