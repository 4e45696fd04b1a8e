// The rows Vantor makes from a saved query's SQL are the rows Access stored for it, and SQL it
// cannot store exactly is refused with the reason.
#include "engine/query/QueryRows.h"
#include "engine/access/QuerySql.h"
#include "engine/access/reader/SavedQueryRows.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

constexpr int kSelectType = 1;

constexpr int kTextParameter = 10;

// A row as a line, leaving out what the SQL cannot tell: the length Access leaves behind in
// LvExtra of rows other than text parameters, and whether a name that needs no brackets had
// them.
QString line(const QueryRow& r) {
    const bool parameter = r.attribute == queryattr::Parameter;
    const QString name1 = parameter ? QuoteSqlName(r.name1) : r.name1;
    const QString name2 = r.attribute == queryattr::Column ? QuoteSqlPath(r.name2) : r.name2;
    const QString extra = parameter && r.flag == kTextParameter && r.extra.has_value()
                              ? QString::number(r.extra.value())
                              : QStringLiteral("-");
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(r.attribute)
        .arg(r.flag ? QString::number(*r.flag) : QStringLiteral("-"))
        .arg(name1, name2, r.expression.simplified(), extra);
}

// The rows by attribute in their stored order, but for what Access writes either way: a select
// query's type row, options that are all clear, and the order of tables that join nothing.
QStringList lines(const QList<QueryRow>& rows, QueryKind kind) {
    QStringList out;
    QStringList tables;
    const bool anyColumn = std::any_of(rows.begin(), rows.end(), [](const QueryRow& r) {
        return r.attribute == queryattr::Column;
    });
    for (int attribute : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 255})
        for (const QueryRow& r : rows) {
            if (r.attribute != attribute)
                continue;
            if (r.attribute == queryattr::Type && r.flag == kSelectType && r.name1.isEmpty())
                continue;
            QueryRow kept = r;
            // Access sets the all-fields bit of a query without output columns, or leaves it.
            if (r.attribute == queryattr::Options && !anyColumn && kind != QueryKind::Update &&
                kind != QueryKind::Union)
                kept.flag = r.flag.value_or(0) | 0x1;
            if (r.attribute == queryattr::Options && kept.flag.value_or(0) == 0 &&
                r.name1.isEmpty())
                continue;
            if (r.attribute == queryattr::Table)
                tables << line(kept);
            else
                out << line(kept);
        }
    tables.sort();
    return out + tables;
}

QStringList declared(const QList<QueryParameter>& parameters) {
    QStringList out;
    for (const QueryParameter& p : parameters)
        out << p.name + ' ' + p.type;
    return out;
}

} // namespace

TEST(QueryRows, EveryStoredQueryGivesBackTheRowsAccessStored) {
    int checked = 0;
    for (const RealAccessFile& file : SharedAccessFiles()) {
        if (!file.password.isEmpty())
            continue;
        QList<StoredQuery> queries;
        try {
            queries = ReadStoredQueries(file.path);
        } catch (const std::exception&) {
            continue; // files libmdb cannot open are the damage tests' business
        }
        for (const StoredQuery& q : queries) {
            const std::optional<QueryKind> kind = SavedQueryKind(q.rows, q.objectFlags);
            ASSERT_TRUE(kind.has_value()) << q.name.toStdString();
            if (*kind == QueryKind::DataDefinition || *kind == QueryKind::PassThrough)
                continue;
            const QString sql = SavedQuerySql(q.rows, *kind);
            SCOPED_TRACE((file.path + " " + q.name + "\n" + sql).toStdString());
            const auto stored = jetsql::StoreQuery(sql);
            const auto* made = std::get_if<jetsql::StorableQuery>(&stored);
            ASSERT_TRUE(made) << std::get<QString>(stored).toStdString();
            EXPECT_EQ(made->kind, *kind);
            const bool plain = IsPlainSelectQuery(q.rows, q.objectFlags);
            EXPECT_EQ(made->plainSelect, plain);
            EXPECT_EQ(made->sql, plain ? SelectQuerySql(q.rows) : sql);
            EXPECT_EQ(declared(made->parameters), declared(QueryParameters(q.rows)));
            EXPECT_EQ(lines(made->rows, *kind), lines(q.rows, *kind));
            ++checked;
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "skipped: no shared file with saved queries";
    EXPECT_GE(checked, 55);
}

TEST(QueryRows, ClausesLandInTheirRows) {
    const auto stored = jetsql::StoreQuery("PARAMETERS [Since] DateTime, Who Text ( 40 );\r\n"
                                           "SELECT DISTINCT TOP 5 o.Id AS [Order], c.Name\r\n"
                                           "FROM Orders AS o INNER JOIN Customers AS c ON "
                                           "(o.Customer = c.Id) AND (o.Shop = c.Shop)\r\n"
                                           "WHERE o.Placed > [Since] AND c.Name = Who\r\n"
                                           "ORDER BY o.Id DESC;\r\n");
    const auto* made = std::get_if<jetsql::StorableQuery>(&stored);
    ASSERT_TRUE(made) << std::get<QString>(stored).toStdString();
    EXPECT_FALSE(made->plainSelect); // parameters make it a procedure
    const QStringList expected{
        "0|0||||-",
        "255|-||||-",
        "1|1||||-",
        "2|8|Since|||-",
        "2|10|Who|||40",
        "3|18|5|||-",
        "5|-|Orders|o||-",
        "5|-|Customers|c||-",
        "6|0|Order||o.Id|-",
        "6|0|||c.Name|-",
        // The conditions of one join are stored last first.
        "7|1|o|c|o.Shop = c.Shop|-",
        "7|1|o|c|o.Customer = c.Id|-",
        "8|-|||o.Placed > [Since] AND c.Name = Who|-",
        "11|-|D||o.Id|-",
    };
    QStringList got;
    for (const QueryRow& r : made->rows)
        got << QStringLiteral("%1|%2|%3|%4|%5|%6")
                   .arg(r.attribute)
                   .arg(r.flag ? QString::number(*r.flag) : QStringLiteral("-"))
                   .arg(r.name1, r.name2, r.expression,
                        r.extra ? QString::number(*r.extra) : QStringLiteral("-"));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(made->parameters.size(), 2);
}

TEST(QueryRows, ActionQueriesKeepTheirTargets) {
    struct Case {
        const char* sql;
        QueryKind kind;
        QStringList columns; // attribute 6 as flag|name1|name2|expression
        QString type;        // attribute 1 as flag|name1|name2|expression
    };
    const Case cases[] = {
        {"INSERT INTO Archive ( Id, Note ) SELECT Id, Note FROM Orders",
         QueryKind::Append,
         {"0||Id|Id", "0||Note|Note"},
         "3|Archive||"},
        {"INSERT INTO Archive ( Id, Placed ) VALUES (1, #2001-10-10#)",
         QueryKind::Append,
         {"-32768||Id|1", "-32768||Placed|#2001-10-10#"},
         "3|Archive||"},
        {"UPDATE Orders SET Orders.Note = 'x', Shop = Shop + 1 WHERE Id = 3",
         QueryKind::Update,
         {"0||Orders.Note|'x'", "0||Shop|Shop + 1"},
         "4|||"},
        {"DELETE Orders.* FROM Orders WHERE Id = 3", QueryKind::Delete, {"0|||Orders.*"}, "5|||"},
        {"SELECT Id INTO Copy IN 'C:\\other.mdb' FROM Orders",
         QueryKind::MakeTable,
         {"0|||Id"},
         "2|Copy|C:\\other.mdb|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const auto stored = jetsql::StoreQuery(QString::fromLatin1(c.sql));
        const auto* made = std::get_if<jetsql::StorableQuery>(&stored);
        ASSERT_TRUE(made) << std::get<QString>(stored).toStdString();
        EXPECT_EQ(made->kind, c.kind);
        QStringList columns;
        QString type;
        for (const QueryRow& r : made->rows) {
            const QString text = QStringLiteral("%1|%2|%3|%4")
                                     .arg(r.flag.value_or(-1))
                                     .arg(r.name1, r.name2, r.expression);
            if (r.attribute == queryattr::Column)
                columns << text;
            if (r.attribute == queryattr::Type)
                type = text;
        }
        EXPECT_EQ(columns, c.columns);
        EXPECT_EQ(type, c.type);
    }
}

TEST(QueryRows, WhatCannotBeStoredExactlyIsRefusedWithTheReason) {
    struct Case {
        const char* sql;
        const char* reason;
    };
    const Case cases[] = {
        {"SELECT a FROM t WHERE (", "cannot read the query's SQL"},
        // Parsed, but read back it would select every field.
        {"SELECT FROM", "would read back as"},
        {"CREATE TABLE t (a LONG)", "No query starts with CREATE"},
        {"PARAMETERS x Widget; SELECT x", "the type 'Widget' of the parameter 'x'"},
        {"PARAMETERS x Text (300); SELECT x", "text of 300 characters"},
        {"PARAMETERS x Long (4); SELECT x", "gives a size to a type that has none"},
        // Two tables on the left and a condition that qualifies neither: no row can say which.
        {"SELECT * FROM (a INNER JOIN b ON a.x = b.x) INNER JOIN c ON y = z",
         "does not say which of the joined tables"},
        {"SELECT * FROM (a INNER JOIN b ON a.x = b.x) INNER JOIN c ON a.y = c.y AND b.y = c.z",
         "does not say which of the joined tables"},
        // The reader shows passwords as ***, so the real one cannot be stored.
        {"SELECT * INTO Copy IN 'C:\\b.mdb' [;PWD=***] FROM T", "holds a password"},
        {"SELECT * FROM T IN '' [ODBC;DSN=x;Password=y]", "holds a password"},
        // A target column without a value to go in it would be lost.
        {"INSERT INTO t ( a, b ) SELECT x FROM u", "targets a,b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const auto stored = jetsql::StoreQuery(QString::fromLatin1(c.sql));
        const QString* why = std::get_if<QString>(&stored);
        ASSERT_TRUE(why) << "stored";
        EXPECT_TRUE(why->contains(QLatin1String(c.reason))) << why->toStdString();
    }
}

// The SQL the reader writes for its own hand-made rows (nested and outer joins, every select
// option, a subquery, bracketed names, targets in other databases) is stored so that it reads
// back word for word.
TEST(QueryRows, TheReadersOwnLayoutsReadBackWordForWord) {
    const char* const texts[] = {
        "SELECT *\r\nFROM [Loose Table], (A INNER JOIN C ON (A.z=C.z) AND (A.y=C.y) AND "
        "(A.x=C.x)) INNER JOIN (B RIGHT JOIN B AS B_1 ON B.x=B_1.y) ON C.x=B.x;\r\n",
        "SELECT DISTINCTROW TOP 5 PERCENT Max(T.a) AS [Biggest a], T.b AS b2, *\r\n"
        "FROM [T Data] AS T\r\nWHERE ((T.c)=No)\r\nGROUP BY T.b, T.c\r\nHAVING ((Max(T.a))>1)\r\n"
        "ORDER BY T.b DESC, T.c\r\nWITH OWNERACCESS OPTION;\r\n",
        "SELECT u.a\r\nFROM (SELECT a FROM T\r\nUNION SELECT a FROM [U V]) AS u LEFT JOIN W ON "
        "u.a = W.a;\r\n",
        "INSERT INTO [table 1] ( text1, [date 1], [table 1].[Where] )\r\n"
        "SELECT [Select].a AS Espr2, [Select].[b c], Now()\r\nFROM [Order] AS [Select];\r\n",
        "UPDATE [My Table] SET [My Table].[date 1] = \"x\", [My Table].[n] = 1\r\n"
        "WHERE [My Table].n>0;\r\n",
        "SELECT * INTO [New Order] IN 'C:\\b.mdb' [dBase IV;]\r\nFROM T;\r\n",
        "SELECT *\r\nFROM T IN 'C:\\a.mdb';\r\n",
        "SELECT *\r\nFROM T IN '' [dBase IV;];\r\n",
        "PARAMETERS [Forms!F!x] Value;\r\nTRANSFORM Sum(T.n) AS Total\r\nSELECT T.a\r\nFROM T\r\n"
        "WHERE T.b = [Forms!F!x]\r\nGROUP BY T.a\r\nPIVOT T.c;\r\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const auto stored = jetsql::StoreQuery(QString::fromLatin1(text));
        const auto* made = std::get_if<jetsql::StorableQuery>(&stored);
        ASSERT_TRUE(made) << std::get<QString>(stored).toStdString();
        EXPECT_EQ(made->sql, QString::fromLatin1(text));
    }
}
