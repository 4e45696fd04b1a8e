#pragma once

#include "engine/DbSchema.h"

#include <QString>

namespace vantor {

class Connection;

// The whole schema of an open database: the back end's own when it keeps one (with indexes,
// relationships and the other extras), else what its table, column and view rowsets serve.
DbSchema ReadDatabaseSchema(Connection& cn);

// Writes schema as a snapshot file, creating it or replacing it atomically.
void SaveSnapshot(const DbSchema& schema, const QString& path);

// Writes the schema of any open database (an Access file, a snapshot...) as a snapshot file.
void ExportSnapshot(Connection& cn, const QString& path);

} // namespace vantor
