#pragma once

#include "engine/access/QuerySql.h"

#include <QList>
#include <QString>

namespace vantor {

// A saved query as the file stores it: its catalog flags and its MSysQueries rows.
struct StoredQuery {
    QString name;
    qint64 objectFlags = 0;
    QList<QueryRow> rows;
};

// The stored rows of every saved query of an unencrypted file, in the catalog's order; throws
// std::runtime_error when the file or its catalog cannot be read.
QList<StoredQuery> ReadStoredQueries(const QString& path);

} // namespace vantor
