#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace vantor {

// One row of MSysQueries: a saved query is stored as such rows, one per clause part.
struct QueryRow {
    int attribute = 0;
    QString expression;
    std::optional<int> flag;
    QString name1;
    QString name2;
};

namespace queryattr {
constexpr int Type = 1;
constexpr int Parameter = 2;
constexpr int Options = 3;
constexpr int RemoteDatabase = 4;
constexpr int Table = 5;
constexpr int Column = 6;
constexpr int Join = 7;
constexpr int Where = 8;
constexpr int GroupBy = 9;
constexpr int Having = 10;
constexpr int OrderBy = 11;
} // namespace queryattr

// Whether the rows describe a select query without parameters, the only kind served as a view.
// objectFlags (the query's MSysObjects Flags) give the kind when no row states it.
bool IsPlainSelectQuery(const QList<QueryRow>& rows, qint64 objectFlags);

// The SQL of a select query as Access shows it in SQL view: one clause a line, CR LF between
// lines, the last ending in ";" and CR LF. Rows are taken in their stored order.
QString SelectQuerySql(const QList<QueryRow>& rows);

// A name as Access writes it in SQL: in square brackets unless it is a plain identifier.
QString QuoteSqlName(const QString& name);

} // namespace vantor
