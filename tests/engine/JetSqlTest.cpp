// Taking Jet SQL apart into the clauses a saved query is stored as.
#include "engine/query/JetSql.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::jetsql;

namespace {

Statement parsed(const QString& sql) {
    ParseError error;
    std::optional<Statement> st = Parse(sql, &error);
    EXPECT_TRUE(st.has_value()) << error.message.toStdString() << " at " << error.position;
    return st.value_or(Statement{});
}

QStringList tablesOf(const Statement& st) {
    QStringList out;
    for (const TableRef& t : st.tables)
        out << (t.subquery.isEmpty() ? t.name : "(" + t.subquery + ")") +
                   (t.alias.isEmpty() ? "" : " AS " + t.alias);
    return out;
}

QStringList joinsOf(const Statement& st) {
    QStringList out;
    for (const Join& j : st.joins)
        out << QStringLiteral("%1 %2|%3 ON %4")
                   .arg(int(j.kind))
                   .arg(j.left.join(','), j.right.join(','), j.conditions.join(" & "));
    return out;
}

} // namespace

TEST(JetSql, SelectWithEveryClause) {
    const Statement st = parsed("PARAMETERS [Which one] Text ( 50 ), Since DateTime;\r\n"
                                "SELECT DISTINCTROW TOP 5 PERCENT Max(T.a) AS [Biggest a], "
                                "T.b AS b2, *\r\n"
                                "FROM [T Data] AS T\r\n"
                                "WHERE ((T.c)=No) And T.d In (1,2)\r\n"
                                "GROUP BY T.b, Format(T.c, \"yyyy, mm\")\r\n"
                                "HAVING ((Max(T.a))>1)\r\n"
                                "ORDER BY T.b DESC, T.c\r\n"
                                "WITH OWNERACCESS OPTION;\r\n");
    EXPECT_EQ(st.kind, QueryKind::Select);
    ASSERT_EQ(st.parameters.size(), 2);
    EXPECT_EQ(st.parameters[0].name, "Which one");
    EXPECT_EQ(st.parameters[0].type, "Text ( 50 )");
    EXPECT_EQ(st.parameters[1].type, "DateTime");
    EXPECT_TRUE(st.distinctRow && !st.distinct && st.topPercent && st.allFields && st.ownerAccess);
    EXPECT_EQ(st.top, "5");
    ASSERT_EQ(st.outputs.size(), 2);
    EXPECT_EQ(st.outputs[0].expression, "Max(T.a)");
    EXPECT_EQ(st.outputs[0].alias, "Biggest a");
    EXPECT_EQ(tablesOf(st), QStringList{"T Data AS T"});
    EXPECT_EQ(st.where, "((T.c)=No) And T.d In (1,2)");
    EXPECT_FALSE(st.source.has_value()); // IN with a list is the operator, not a database
    EXPECT_EQ(st.groupBy, (QStringList{"T.b", "Format(T.c, \"yyyy, mm\")"}));
    EXPECT_EQ(st.having, "((Max(T.a))>1)");
    ASSERT_EQ(st.orderBy.size(), 2);
    EXPECT_TRUE(st.orderBy[0].descending);
    EXPECT_EQ(st.orderBy[1].expression, "T.c");
    EXPECT_FALSE(st.orderBy[1].descending);
}

// Nested joins tell which tables each side holds; several parenthesised conditions are several.
TEST(JetSql, JoinsAndSubqueriesInFrom) {
    const Statement st =
        parsed("SELECT *\r\nFROM [Loose Table], (A INNER JOIN C ON (A.z=C.z) AND (A.y=C.y)) "
               "INNER JOIN (B RIGHT JOIN B AS B_1 ON B.x=B_1.y) ON (C.x=B.x) Or (C.y=B.y);");
    EXPECT_EQ(tablesOf(st), (QStringList{"Loose Table", "A", "C", "B", "B AS B_1"}));
    EXPECT_EQ(joinsOf(st), (QStringList{"1 A|C ON A.z=C.z & A.y=C.y", "3 B|B_1 ON B.x=B_1.y",
                                        "1 A,C|B,B_1 ON (C.x=B.x) Or (C.y=B.y)"}));

    const Statement sub = parsed("SELECT u.a FROM (SELECT a FROM T UNION SELECT a FROM [U V]) AS "
                                 "u LEFT JOIN W ON u.a = W.a;");
    EXPECT_EQ(tablesOf(sub),
              (QStringList{"(SELECT a FROM T UNION SELECT a FROM [U V]) AS u", "W"}));
    EXPECT_EQ(joinsOf(sub), QStringList{"2 u|W ON u.a = W.a"});

    // IN with a list inside a join is the operator; only IN with a path names another database.
    const Statement in = parsed("SELECT * FROM A INNER JOIN B ON A.x=B.x AND B.k IN (1,2);");
    EXPECT_EQ(joinsOf(in), QStringList{"1 A|B ON A.x=B.x AND B.k IN (1,2)"});
    EXPECT_FALSE(in.source.has_value());

    const Statement jet4 = parsed("SELECT u.a FROM [SELECT a FROM T]. AS u, V IN 'C:\\x.mdb';");
    EXPECT_EQ(tablesOf(jet4), (QStringList{"(SELECT a FROM T) AS u", "V"}));
    ASSERT_TRUE(jet4.source.has_value());
    EXPECT_EQ(jet4.source->path, "C:\\x.mdb");
    EXPECT_EQ(jet4.source->connect, "");
}

TEST(JetSql, ActionQueriesKeepTheirTargets) {
    const Statement append = parsed("INSERT INTO [table 1] IN 'C:\\o''ther.mdb' [;PWD=x] "
                                    "( text1, [date 1], [Select] )\r\n"
                                    "SELECT a AS Espr2, [b c], Now()\r\nFROM T;\r\n");
    EXPECT_EQ(append.kind, QueryKind::Append);
    ASSERT_TRUE(append.into.has_value());
    EXPECT_EQ(append.into->name, "table 1");
    ASSERT_TRUE(append.into->database.has_value());
    EXPECT_EQ(append.into->database->path, "C:\\o'ther.mdb");
    EXPECT_EQ(append.into->database->connect, ";PWD=x");
    EXPECT_EQ(append.targetColumns, (QStringList{"text1", "date 1", "Select"}));
    EXPECT_EQ(append.targetColumnsWritten, (QStringList{"text1", "[date 1]", "[Select]"}));
    ASSERT_EQ(append.outputs.size(), 3);
    EXPECT_EQ(append.outputs[0].alias, "Espr2");
    EXPECT_EQ(append.outputs[1].expression, "[b c]");

    const Statement values = parsed("INSERT INTO Log ( At, [Who] ) VALUES (Now(), 'x, y');");
    EXPECT_TRUE(values.values);
    EXPECT_EQ(values.outputs.size(), 2);
    EXPECT_EQ(values.outputs[1].expression, "'x, y'");

    const Statement update = parsed("UPDATE DISTINCTROW Table1 INNER JOIN T2 ON Table1.a=T2.a "
                                    "SET Table1.col1 = \"foo\", [Table1].[col 2] = T2.b+1\r\n"
                                    "WHERE (((Table1.col1)=[User Name]));");
    EXPECT_EQ(update.kind, QueryKind::Update);
    EXPECT_TRUE(update.distinctRow);
    EXPECT_EQ(update.targetColumns, (QStringList{"Table1.col1", "Table1.col 2"}));
    EXPECT_EQ(update.targetColumnsWritten, (QStringList{"Table1.col1", "[Table1].[col 2]"}));
    ASSERT_EQ(update.outputs.size(), 2);
    EXPECT_EQ(update.outputs[1].expression, "T2.b+1");
    EXPECT_EQ(update.where, "(((Table1.col1)=[User Name]))");
    EXPECT_EQ(joinsOf(update), QStringList{"1 Table1|T2 ON Table1.a=T2.a"});

    const Statement remove = parsed("DELETE Table1.* FROM Table1 WHERE Table1.a>\"b\";");
    EXPECT_EQ(remove.kind, QueryKind::Delete);
    ASSERT_EQ(remove.outputs.size(), 1);
    EXPECT_EQ(remove.outputs[0].expression, "Table1.*");

    const Statement into = parsed("SELECT Max(a) AS m, b INTO [New Table] IN 'D:\\b.mdb' FROM T;");
    EXPECT_EQ(into.kind, QueryKind::MakeTable);
    ASSERT_TRUE(into.into.has_value());
    EXPECT_EQ(into.into->name, "New Table");
    EXPECT_EQ(tablesOf(into), QStringList{"T"});
}

TEST(JetSql, CrosstabAndUnion) {
    const Statement crosstab = parsed("TRANSFORM Count(T.a) AS CountOfa\r\n"
                                      "SELECT T.b\r\nFROM T\r\nGROUP BY T.b\r\n"
                                      "PIVOT Format(T.d,\"mmm\") In (\"Jan\",\"Feb\");");
    EXPECT_EQ(crosstab.kind, QueryKind::Crosstab);
    ASSERT_TRUE(crosstab.transform.has_value());
    EXPECT_EQ(crosstab.transform->alias, "CountOfa");
    EXPECT_EQ(crosstab.groupBy, QStringList{"T.b"});
    EXPECT_EQ(crosstab.pivot, "Format(T.d,\"mmm\") In (\"Jan\",\"Feb\")");

    // A three-part union keeps its first two parts together, as Access stores them.
    const Statement three = parsed("SELECT a FROM T\r\nUNION SELECT a FROM U\r\n"
                                   "UNION ALL SELECT (SELECT Max(x) FROM V) FROM W\r\n"
                                   "ORDER BY a DESC;");
    EXPECT_EQ(three.kind, QueryKind::Union);
    EXPECT_TRUE(three.unionAll);
    EXPECT_EQ(three.unionParts, (QStringList{"SELECT a FROM T\r\nUNION SELECT a FROM U",
                                             "SELECT (SELECT Max(x) FROM V) FROM W"}));
    ASSERT_EQ(three.orderBy.size(), 1);
    EXPECT_TRUE(three.orderBy[0].descending);
}

// Each broken statement is refused with the place it goes wrong, never taken half.
TEST(JetSql, RefusesWhatIsNoQuery) {
    const QList<std::pair<const char*, const char*>> broken{
        {"SELECT a FROM T WHERE (a=1", "never closed"},
        {"SELECT a FROM [T", "never closed"},
        {"SELECT 'x FROM T", "never closed"},
        {"SELECT a) FROM T", "never opened"},
        {"SELECT a, FROM T", "missing after a comma"},
        {"SELECT a FROM SELECT b FROM T AS u", "needs parentheses"},
        {"SELECT u.a FROM (SELECT a FROM T)", "needs an alias"},
        {"INSERT INTO T ( a, b )", "VALUES or a SELECT"},
        {"UPDATE T a = 1", "needs SET"},
        {"UPDATE T SET a 1", "needs a column, = and a value"},
        {"DELETE T.*", "needs FROM"},
        {"PARAMETERS x Long SELECT x", "without a semicolon"},
        {"SELECT TOP x a FROM T", "needs a number"},
        {"SELECT a FROM T IN", "path of a database"},
        {"TRANSFORM Count(a) SELECT b FROM T", "then a PIVOT"},
        {"SELECT a FROM T UNION", "needs a query on each side"},
        {"CREATE TABLE T (a CHAR)", "No query starts with"},
        {"SELECT a FROM A INNER JOIN B ON", "needs a condition"},
        {"", "no statement"},
    };
    for (const auto& [sql, reason] : broken) {
        ParseError error;
        EXPECT_FALSE(Parse(QString::fromUtf8(sql), &error).has_value()) << sql;
        EXPECT_TRUE(error.message.contains(QString::fromUtf8(reason)))
            << sql << ": " << error.message.toStdString();
    }
    ParseError where;
    ASSERT_FALSE(Parse("SELECT a FROM T WHERE (b=1", &where).has_value());
    EXPECT_EQ(where.position, 22); // the parenthesis left open
}

TEST(JetSql, NamesLoseOnlyTheirBrackets) {
    EXPECT_EQ(Unbracketed("[Table1].[col 1]"), "Table1.col 1");
    EXPECT_EQ(Unbracketed("T.[a b]"), "T.a b");
    EXPECT_EQ(Unbracketed("plain"), "plain");
    EXPECT_EQ(Unbracketed("User Name"), "User Name");
    EXPECT_EQ(Unbracketed(" [a] . b "), "a.b");
}
