#pragma once

#include "model/Schema.h"

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
    std::optional<qint32> extra{}; // LvExtra: the length of a text parameter
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

// The kind of a saved query: MSysObjects Flags tell it, and the type row where they say select
// or name a kind beyond the nine (a procedure, a bulk pass-through); nothing when neither knows.
std::optional<QueryKind> SavedQueryKind(const QList<QueryRow>& rows, qint64 objectFlags);

// The SQL of any saved query as Access shows it in SQL view, in the select query's layout; the
// text of a data-definition or pass-through query exactly as stored.
QString SavedQuerySql(const QList<QueryRow>& rows, QueryKind kind);

QList<QueryParameter> QueryParameters(const QList<QueryRow>& rows);

// The connect string a pass-through query sends its text through, without any password.
QString PassThroughConnect(const QList<QueryRow>& rows);

// A name as Access writes it in SQL: in square brackets unless it is a plain identifier and no
// keyword of Jet SQL.
QString QuoteSqlName(const QString& name);

// A name that may be qualified ("Table 1.Field"), each part quoted as a name.
QString QuoteSqlPath(const QString& name);

bool IsJetSqlKeyword(const QString& word);

} // namespace vantor
