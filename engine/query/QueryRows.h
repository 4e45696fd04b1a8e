#pragma once

#include "engine/access/QuerySql.h"
#include "engine/query/JetSql.h"

#include <QList>
#include <QString>
#include <optional>
#include <variant>

namespace vantor::jetsql {

// The MSysQueries rows Access keeps for a query, in the order they are to be stored: the start
// row, the end row, then the clauses by attribute, each attribute's rows in the order the SQL
// lists them (the reader puts them back together in that order).
using QueryRows = QList<QueryRow>;

// What a query's SQL becomes when stored, or why it cannot be stored exactly.
struct StorableQuery {
    QueryRows rows;
    QueryKind kind = QueryKind::Select;
    // The text the reader will show for it: a plain select as a view's definition, anything
    // else as a saved query's SQL with its parameters.
    bool plainSelect = false;
    QString sql;
    QList<QueryParameter> parameters;
};

// Turns the SQL of one saved query (select, parameter, action, crosstab or union) into its
// rows. Fails with the reason when the SQL does not parse, or when reading the rows back would
// not give the same query: Vantor stores a query exactly or not at all.
std::variant<StorableQuery, QString> StoreQuery(const QString& sql);

// The rows of a parsed statement, as StoreQuery makes them, without the check that they read
// back as the same query; the reason instead where no rows can say it.
std::variant<QueryRows, QString> RowsOf(const Statement& statement);

} // namespace vantor::jetsql
