#pragma once

#include "engine/Recordset.h"

namespace vantor::test {

// Every value of one column of a rowset, read from its first row.
inline QStringList ColumnValues(Recordset& rs, const QString& name) {
    QStringList values;
    rs.MoveFirst();
    while (!rs.Eof()) {
        values << rs.Fields(name).Value().toString();
        rs.MoveNext();
    }
    return values;
}

} // namespace vantor::test
