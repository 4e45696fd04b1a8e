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

TEST(QuerySql, JoinsTablesByTheirAliasAndNestsTheRightSide) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Table, {}, {}, "A"),
        row(queryattr::Table, {}, {}, "B"),
        row(queryattr::Table, {}, {}, "B", "B_1"),
        row(queryattr::Table, {}, {}, "C"),
        row(queryattr::Table, {}, {}, "Loose Table"),
        row(queryattr::Join, "B.x=B_1.y", 3, "B", "B_1"),
        row(queryattr::Join, "A.x=C.x", 1, "A", "C"),
        row(queryattr::Join, "A.y=C.y", 1, "A", "C"),
        row(queryattr::Join, "A.z=C.z", 1, "A", "C"),
        row(queryattr::Join, "C.x=B.x", 1, "C", "B"),
        row(queryattr::Join, "A.x=Nowhere.x", 1, "A", "Nowhere"),
    };
    // Conditions of one join are stored last first.
    EXPECT_EQ(SelectQuerySql(rows), "SELECT *\r\nFROM [Loose Table], (A INNER JOIN C ON (A.z=C.z) "
                                    "AND (A.y=C.y) AND (A.x=C.x)) "
                                    "INNER JOIN (B RIGHT JOIN B AS B_1 ON "
                                    "B.x=B_1.y) ON C.x=B.x;\r\n");
}

TEST(QuerySql, WritesEveryClauseAndSelectOption) {
    QList<QueryRow> rows{
        selectType(),
        row(queryattr::Options, {}, 0x01 | 0x08 | 0x10 | 0x20 | 0x04, "5"),
        row(queryattr::Table, {}, {}, "T Data", "T"),
        row(queryattr::Column, "Max(T.a)", 0, "Biggest a"),
        row(queryattr::Column, "T.b", 0, "b2"),
        row(queryattr::Where, "((T.c)=No)"),
        row(queryattr::GroupBy, "T.b"),
        row(queryattr::GroupBy, "T.c"),
        row(queryattr::Having, "((Max(T.a))>1)"),
        row(queryattr::OrderBy, "T.b", {}, "D"),
        row(queryattr::OrderBy, "T.c"),
    };
    EXPECT_EQ(SelectQuerySql(rows), "SELECT DISTINCTROW TOP 5 PERCENT Max(T.a) AS [Biggest a], "
                                    "T.b AS b2, *\r\n"
                                    "FROM [T Data] AS T\r\n"
                                    "WHERE ((T.c)=No)\r\n"
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
    QStringList quoted;
    for (const char* name :
         {"Products", "Umsätze_2", "Product List", "Some.Alias", "1st", "[Already]"})
        quoted << QuoteSqlName(QString::fromUtf8(name));
    EXPECT_EQ(quoted.join(' '), "Products Umsätze_2 [Product List] [Some.Alias] [1st] [Already]");
}
