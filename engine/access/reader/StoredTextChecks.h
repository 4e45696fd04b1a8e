#pragma once

#include "engine/access/QuerySql.h"

#include <QList>
#include <QString>

namespace vantor {

// Why a name stored in the file cannot be one Access wrote, or empty when it can be: Access
// names hold no control characters, none of . ! [ ] `, and do not start with a space.
// System names start with characters users cannot type, so a name is only held to what any
// name must be when systemName is set: text without control characters, unpaired surrogates,
// unassigned or private-use code points.
QString WhyNameIsDamaged(const QString& name, bool systemName = false);

// Why the stored rows of a saved query do not make a whole statement (a clause with no text,
// a union part missing or ending in UNION, no start or end row), or empty when they do.
QString WhyQueryRowsAreIncomplete(const QList<QueryRow>& rows, qint64 objectFlags);

// Why the names of a table's indexes cannot be the ones Access keeps (one without a name, or
// one name taken twice, whatever the case), or empty when they can be.
QString WhyIndexNamesAreDamaged(const QStringList& names);

} // namespace vantor
