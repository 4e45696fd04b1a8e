#pragma once

#include "model/Schema.h"

#include <QJsonObject>
#include <QSet>
#include <QString>

namespace vantor::test {

// A schema reduced to lines that two independent readers can both produce: one per user table,
// column (name and type family), index (columns, directions, flags), relationship and saved
// query, so that
// Vantor's reading and Jackcess's can be compared as sets.
QSet<QString> ShapeOf(const Schema& schema);
// The same lines from Jackcess's `SchemaDump --json`, system objects left out.
QSet<QString> ShapeOf(const QJsonObject& jackcessSchema);

} // namespace vantor::test
