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

// The object flags name the kind; where they say select, or a kind beyond the nine, the type row
// decides, and a query neither knows is no query the reader can serve.
TEST(QuerySql, TheKindComesFromTheFlagsThenTheTypeRow) {
    const QList<QueryRow> union_{row(queryattr::Type, {}, 9)};
    EXPECT_EQ(SavedQueryKind(union_, 0), QueryKind::Union);
    EXPECT_EQ(SavedQueryKind(union_, 0x80000000LL | 0x30), QueryKind::Update);
    EXPECT_EQ(SavedQueryKind({}, 0x90), QueryKind::PassThrough);
    EXPECT_EQ(SavedQueryKind({}, 0), QueryKind::Select);
    EXPECT_EQ(SavedQueryKind({row(queryattr::Type, {}, 2)}, 0xE0), QueryKind::MakeTable);
    EXPECT_FALSE(SavedQueryKind({row(queryattr::Type, {}, 12)}, 0xE0).has_value());
}

TEST(QuerySql, ActionQueriesWithParametersAndOptions) {
    const QList<QueryRow> remove{
        row(queryattr::Type, {}, 5),
        row(queryattr::Parameter, {}, 10, "Which one", {}),
        row(queryattr::Parameter, {}, 8, "[From]"),
        row(queryattr::Options, {}, 0x08 | 0x10 | 0x20, "10"),
        row(queryattr::Table, {}, {}, "T"),
        row(queryattr::Column, "T.*", 0),
        row(queryattr::Where, "T.a=[Which one]"),
    };
    QList<QueryRow> sized = remove;
    sized[1].extra = 50;
    EXPECT_EQ(SavedQuerySql(sized, QueryKind::Delete),
              "PARAMETERS [Which one] Text ( 50 ), [From] DateTime;\r\n"
              "DELETE DISTINCTROW TOP 10 PERCENT T.*\r\n"
              "FROM T\r\n"
              "WHERE T.a=[Which one];\r\n");
    EXPECT_EQ(QueryParameters(remove)[0].type, "Text");

    const QList<QueryRow> values{
        row(queryattr::Type, {}, 3, "Log", "C:\\other.mdb"),
        row(queryattr::Column, "Now()", 0x8000, {}, "At"),
        row(queryattr::Column, "'x'", 0x8000, {}, "[Who]"),
    };
    EXPECT_EQ(SavedQuerySql(values, QueryKind::Append),
              "INSERT INTO Log IN 'C:\\other.mdb' ( At, [Who] )\r\nVALUES (Now(), 'x');\r\n");

    const QList<QueryRow> both{
        row(queryattr::Type, {}, 9),
        row(queryattr::Options, {}, 0x2),
        row(queryattr::Table, "SELECT a FROM T\n", {}, {}, "X7YZ_____1"),
        row(queryattr::Table, "SELECT a FROM U", {}, {}, "X7YZ_____2"),
        row(queryattr::OrderBy, "a", {}, "D"),
    };
    EXPECT_EQ(SavedQuerySql(both, QueryKind::Union),
              "SELECT a FROM T\r\nUNION SELECT a FROM U\r\nORDER BY a DESC;\r\n");
}

// Connect strings of pass-through queries, of FROM ... IN and of INTO ... IN lose any password.
TEST(QuerySql, PasswordsInConnectStringsAreScrubbed) {
    const QList<QueryRow> passThrough{
        row(queryattr::Type, "SELECT 1", 8, "ODBC;DSN=Sales;UID=sa;PWD=s3cret;")};
    EXPECT_EQ(PassThroughConnect(passThrough), "ODBC;DSN=Sales;UID=sa;PWD=***;");
    EXPECT_EQ(SavedQuerySql(passThrough, QueryKind::PassThrough), "SELECT 1");

    const QList<QueryRow> remote{
        row(queryattr::Type, {}, 1),
        row(queryattr::RemoteDatabase, "MS Access;PWD=s3cret", {}, "C:\\a.mdb"),
        row(queryattr::Table, {}, {}, "T"),
    };
    EXPECT_EQ(SelectQuerySql(remote), "SELECT *\r\nFROM T IN 'C:\\a.mdb' [MS Access;PWD=***];\r\n");
    const QList<QueryRow> into{
        row(queryattr::Type, ";PWD=s3cret", 2, "Copy", "C:\\b.mdb"),
        row(queryattr::Table, {}, {}, "T"),
    };
    EXPECT_EQ(SavedQuerySql(into, QueryKind::MakeTable),
              "SELECT * INTO Copy IN 'C:\\b.mdb' [;PWD=***]\r\nFROM T;\r\n");
}

// A FROM row holding a whole SELECT is a subquery; written bare it would read as another
// statement, so it keeps parentheses, in record-source queries as in saved ones.
TEST(QuerySql, SubqueriesInFromKeepTheirParentheses) {
    const QList<QueryRow> rows{
        selectType(),
        row(queryattr::Column, "u.a", 0),
        row(queryattr::Table, "SELECT a FROM T\r\nUNION SELECT a FROM [U V];\r\n", {}, {}, "u"),
        row(queryattr::Table, {}, {}, "W"),
        row(queryattr::Join, "u.a = W.a", 2, "u", "W"),
    };
    EXPECT_EQ(SelectQuerySql(rows), "SELECT u.a\r\nFROM (SELECT a FROM T\r\nUNION SELECT a FROM "
                                    "[U V]) AS u LEFT JOIN W ON u.a = W.a;\r\n");
    QList<QueryRow> recordSource = rows;
    recordSource.insert(1, row(queryattr::Parameter, {}, 0, "Forms!F!x"));
    EXPECT_TRUE(SavedQuerySql(recordSource, QueryKind::Select)
                    .contains("\r\nFROM (SELECT a FROM T\r\nUNION SELECT a FROM [U V]) AS u "));
}

// Every name the text writes is bracketed where a plain word would not read as that name.
TEST(QuerySql, NamesWithSpacesOrKeywordsAreBracketedEverywhere) {
    const QList<QueryRow> append{
        row(queryattr::Type, {}, 3, "table 1"),
        row(queryattr::Table, {}, {}, "Order", "Select"),
        row(queryattr::Column, "[Select].a", 0, "Espr2", "text1"),
        row(queryattr::Column, "[Select].[b c]", 0, {}, "date 1"),
        row(queryattr::Column, "Now()", 0, {}, "table 1.Where"),
    };
    EXPECT_EQ(SavedQuerySql(append, QueryKind::Append),
              "INSERT INTO [table 1] ( text1, [date 1], [table 1].[Where] )\r\n"
              "SELECT [Select].a AS Espr2, [Select].[b c], Now()\r\n"
              "FROM [Order] AS [Select];\r\n");

    const QList<QueryRow> update{
        row(queryattr::Type, {}, 4),
        row(queryattr::Table, {}, {}, "My Table"),
        row(queryattr::Column, "\"x\"", 0, {}, "My Table.date 1"),
        row(queryattr::Column, "1", 0, {}, "[My Table].[n]"),
        row(queryattr::Where, "[My Table].n>0"),
    };
    EXPECT_EQ(SavedQuerySql(update, QueryKind::Update),
              "UPDATE [My Table] SET [My Table].[date 1] = \"x\", [My Table].[n] = 1\r\n"
              "WHERE [My Table].n>0;\r\n");

    const QList<QueryRow> makeTable{
        row(queryattr::Type, {}, 2, "New Order"),
        row(queryattr::Table, {}, {}, "T"),
    };
    EXPECT_EQ(SavedQuerySql(makeTable, QueryKind::MakeTable),
              "SELECT * INTO [New Order]\r\nFROM T;\r\n");
    EXPECT_EQ(QuoteSqlPath("a.b"), "a.b");
    EXPECT_EQ(QuoteSqlPath("[a.b]"), "[a.b]");
    EXPECT_EQ(QuoteSqlName("select"), "[select]");
    EXPECT_EQ(QuoteSqlName("Selection"), "Selection");
}

// A remote-database row whose path and connect string are both empty reads nothing remote.
TEST(QuerySql, AnEmptyRemoteDatabaseRowWritesNoIn) {
    QList<QueryRow> rows{selectType(), row(queryattr::RemoteDatabase),
                         row(queryattr::Table, {}, {}, "T")};
    EXPECT_EQ(SelectQuerySql(rows), "SELECT *\r\nFROM T;\r\n");
    rows[1].expression = "dBase IV;";
    EXPECT_EQ(SelectQuerySql(rows), "SELECT *\r\nFROM T IN '' [dBase IV;];\r\n");
    rows[1].expression.clear();
    rows[1].name1 = "C:\\a.mdb";
    EXPECT_EQ(SelectQuerySql(rows), "SELECT *\r\nFROM T IN 'C:\\a.mdb';\r\n");
}
