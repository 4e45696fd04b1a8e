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

// One MSysQueries row from a cursor bound to ObjectId, Attribute, Expression, Flag, Name1, Name2
// and LvExtra in that order, whose Text and Number give each value as libmdb writes it.
template <class Cursor> QueryRow QueryRowAt(const Cursor& rows) {
    QueryRow r;
    r.attribute = static_cast<int>(rows.Number(1).value_or(-1));
    r.expression = rows.Text(2);
    if (std::optional<qint64> flag = rows.Number(3))
        r.flag = static_cast<int>(*flag);
    r.name1 = rows.Text(4);
    r.name2 = rows.Text(5);
    if (std::optional<qint64> extra = rows.Number(6))
        r.extra = static_cast<qint32>(*extra);
    return r;
}

} // namespace vantor
