#pragma once

#include "model/Schema.h"

#include <QString>
#include <QStringList>

namespace vantor::test {

// Every field of an object in one line, so that two objects compare as text and a failure shows
// what differs.
inline QString Describe(const Index& index) {
    QStringList columns;
    for (const IndexColumn& c : index.columns)
        columns << c.name + (c.descending ? " DESC" : "");
    return QStringLiteral("%1 (%2) primary=%3 unique=%4 ignoreNulls=%5 required=%6")
        .arg(index.name, columns.join(", "))
        .arg(index.primary)
        .arg(index.unique)
        .arg(index.ignoreNulls)
        .arg(index.required);
}

inline QString Describe(const Relationship& r) {
    QStringList columns;
    for (const RelationshipColumn& c : r.columns)
        columns << c.column + "->" + c.referencedColumn;
    return QStringLiteral("%1 %2->%3 (%4) enforced=%5 update=%6 delete=%7 null=%8 one=%9")
        .arg(r.name, r.table, r.referencedTable, columns.join(", "))
        .arg(r.enforced)
        .arg(r.cascadeUpdate)
        .arg(r.cascadeDelete)
        .arg(r.cascadeToNull)
        .arg(r.oneToOne);
}

inline QString Describe(const Query& q) {
    QStringList parameters;
    for (const QueryParameter& p : q.parameters)
        parameters << p.name + " " + p.type;
    return QStringLiteral("%1 %2 (%3) connect=%4 hidden=%5\n%6")
        .arg(q.name, QueryKindName(q.kind), parameters.join(", "), q.connect)
        .arg(q.hidden)
        .arg(q.sql);
}

} // namespace vantor::test
