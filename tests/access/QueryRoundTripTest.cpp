// The text written for every saved query of the shared files, read back as Jet SQL, gives the
// clauses the file stores: nothing the rows say is lost or changed on the way to SQL.
#include "engine/access/QuerySql.h"
#include "engine/access/reader/SavedQueryRows.h"
#include "engine/query/JetSql.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QList<const QueryRow*> rowsOf(const QList<QueryRow>& rows, int attribute) {
    QList<const QueryRow*> out;
    for (const QueryRow& r : rows)
        if (r.attribute == attribute)
            out.append(&r);
    return out;
}

// Text of a subquery or union part, whose line breaks and closing semicolon mean nothing.
QString sameBreaks(QString text) {
    static const QRegularExpression kBreaks(QStringLiteral("\\s+"));
    text = text.replace(kBreaks, QStringLiteral(" ")).trimmed();
    while (text.endsWith(u';'))
        text = text.chopped(1).trimmed();
    return text;
}

QString key(const QString& name) {
    return jetsql::Unbracketed(name).toCaseFolded();
}

// The stored clauses of one query, each as a line, in the form the parser's are put below.
QStringList storedClauses(const QList<QueryRow>& rows, QueryKind kind) {
    QStringList out;
    for (const QueryRow* p : rowsOf(rows, queryattr::Parameter))
        out << "parameter " + jetsql::Unbracketed(p->name1);
    const QList<const QueryRow*> options = rowsOf(rows, queryattr::Options);
    int flags = options.isEmpty() ? 0 : options.first()->flag.value_or(0);
    // A query without output columns outputs all of them.
    if (rowsOf(rows, queryattr::Column).isEmpty() && kind != QueryKind::Update &&
        kind != QueryKind::Union)
        flags |= 0x1;
    if (kind == QueryKind::Union) {
        out << QStringLiteral("union all=%1").arg(!(flags & 0x2));
        for (const QueryRow* t : rowsOf(rows, queryattr::Table))
            out << "part " + sameBreaks(t->expression);
    } else {
        out << QStringLiteral("options %1").arg(flags & 0x3f);
        if (flags & 0x10)
            out << "top " + options.first()->name1;
        for (const QueryRow* t : rowsOf(rows, queryattr::Table))
            out << "table " + (t->expression.isEmpty() ? t->name1 : sameBreaks(t->expression)) +
                       " AS " + t->name2;
        for (const QueryRow* j : rowsOf(rows, queryattr::Join))
            out << QStringLiteral("join %1 %2|%3 ON %4")
                       .arg(j->flag.value_or(1))
                       .arg(key(j->name1), key(j->name2), j->expression);
        for (const QueryRow* c : rowsOf(rows, queryattr::Column)) {
            const int role = c->flag.value_or(0);
            if (kind == QueryKind::Crosstab)
                out << QStringLiteral("%1 %2 AS %3")
                           .arg(role == 0   ? "transform"
                                : role == 1 ? "pivot"
                                            : "output",
                                c->expression, role == 1 ? QString() : c->name1);
            else if (kind == QueryKind::Update)
                out << "set " + jetsql::Unbracketed(c->name2) + " = " + c->expression;
            else
                out << "output " + c->expression + " AS " + c->name1 + " INTO " +
                           jetsql::Unbracketed(c->name2);
        }
        for (const QueryRow* w : rowsOf(rows, queryattr::Where))
            out << "where " + w->expression;
        // A crosstab's pivot is grouped too, but only the row headings are written as GROUP BY.
        for (const QueryRow* g : rowsOf(rows, queryattr::GroupBy))
            if (kind != QueryKind::Crosstab || (g->flag.value_or(0) & 0x2))
                out << "group " + g->expression;
        for (const QueryRow* h : rowsOf(rows, queryattr::Having))
            out << "having " + h->expression;
    }
    for (const QueryRow* o : rowsOf(rows, queryattr::OrderBy))
        out << "order " + o->expression +
                   (o->name1.compare("D", Qt::CaseInsensitive) == 0 ? " DESC" : "");
    return out;
}

QStringList parsedClauses(const jetsql::Statement& st, QueryKind kind) {
    QStringList out;
    for (const jetsql::Parameter& p : st.parameters)
        out << "parameter " + p.name;
    if (kind == QueryKind::Union) {
        out << QStringLiteral("union all=%1").arg(st.unionAll);
        for (const QString& part : st.unionParts)
            out << "part " + sameBreaks(part);
    } else {
        const int flags = (st.allFields ? 0x1 : 0) | (st.distinct ? 0x2 : 0) |
                          (st.ownerAccess ? 0x4 : 0) | (st.distinctRow ? 0x8 : 0) |
                          (st.top ? 0x10 : 0) | (st.topPercent ? 0x20 : 0);
        out << QStringLiteral("options %1").arg(flags);
        if (st.top)
            out << "top " + *st.top;
        for (const jetsql::TableRef& t : st.tables)
            out << "table " + (t.subquery.isEmpty() ? t.name : sameBreaks(t.subquery)) + " AS " +
                       t.alias;
        // A join is stored once per condition, last first, between the two tables it names.
        for (const jetsql::Join& j : st.joins) {
            QStringList conditions(j.conditions.crbegin(), j.conditions.crend());
            for (const QString& condition : conditions)
                out << QStringLiteral("join %1 %2|%3 ON %4")
                           .arg(int(j.kind))
                           .arg(j.left.join(',').toCaseFolded(), j.right.join(',').toCaseFolded(),
                                condition);
        }
        if (st.transform)
            out << "transform " + st.transform->expression + " AS " + st.transform->alias;
        for (qsizetype i = 0; i < st.outputs.size(); ++i) {
            const jetsql::Output& o = st.outputs[i];
            if (kind == QueryKind::Update)
                out << "set " + st.targetColumns.value(i) + " = " + o.expression;
            else if (kind == QueryKind::Crosstab)
                out << "output " + o.expression + " AS " + o.alias;
            else
                out << "output " + o.expression + " AS " + o.alias + " INTO " +
                           st.targetColumns.value(i);
        }
        if (kind == QueryKind::Crosstab)
            out << "pivot " + st.pivot + " AS ";
        if (!st.where.isEmpty())
            out << "where " + st.where;
        for (const QString& g : st.groupBy)
            out << "group " + g;
        if (!st.having.isEmpty())
            out << "having " + st.having;
    }
    for (const jetsql::OrderItem& o : st.orderBy)
        out << "order " + o.expression + (o.descending ? " DESC" : "");
    return out;
}

// Stored joins name one table on each side; the parsed join holds every table of its sides.
QStringList matchedJoins(QStringList stored, const QStringList& parsed) {
    for (QString& line : stored) {
        if (!line.startsWith("join "))
            continue;
        const QStringList head = line.section(" ON ", 0, 0).split(' ');
        const QStringList sides = head.value(2).split('|');
        const QString condition = line.section(" ON ", 1);
        for (const QString& p : parsed) {
            const QStringList pHead = p.section(" ON ", 0, 0).split(' ');
            const QStringList pSides = pHead.value(2).split('|');
            if (p.startsWith("join ") && pHead.value(1) == head.value(1) &&
                p.section(" ON ", 1) == condition && pSides.size() == 2 &&
                pSides[0].split(',').contains(sides.value(0)) &&
                pSides[1].split(',').contains(sides.value(1)))
                line = p;
        }
    }
    return stored;
}

QStringList sorted(QStringList lines) {
    lines.sort();
    return lines;
}

} // namespace

TEST(QueryRoundTrip, EveryStoredQueryReadsBackAsItsRows) {
    int checked = 0;
    for (const RealAccessFile& file : SharedAccessFiles()) {
        if (!file.password.isEmpty())
            continue; // libmdb alone does not decrypt
        SCOPED_TRACE(file.path.toStdString());
        QList<StoredQuery> queries;
        try {
            queries = ReadStoredQueries(file.path);
        } catch (const std::exception& e) {
            continue; // files libmdb cannot open are the damage tests' business
        }
        for (const StoredQuery& q : queries) {
            const std::optional<QueryKind> kind = SavedQueryKind(q.rows, q.objectFlags);
            ASSERT_TRUE(kind.has_value()) << q.name.toStdString();
            if (*kind == QueryKind::DataDefinition || *kind == QueryKind::PassThrough)
                continue; // their text is stored whole
            const QString sql = SavedQuerySql(q.rows, *kind);
            SCOPED_TRACE((q.name + "\n" + sql).toStdString());
            jetsql::ParseError error;
            const std::optional<jetsql::Statement> st = jetsql::Parse(sql, &error);
            ASSERT_TRUE(st.has_value()) << error.message.toStdString() << " at " << error.position;
            EXPECT_EQ(st->kind, *kind);
            const QStringList parsed = parsedClauses(*st, *kind);
            EXPECT_EQ(sorted(matchedJoins(storedClauses(q.rows, *kind), parsed)), sorted(parsed));
            ++checked;
        }
    }
    if (checked == 0)
        GTEST_SKIP() << "skipped: no shared file with saved queries";
    EXPECT_GE(checked, 55); // the saved queries of both folders but their stored-text kinds
}
