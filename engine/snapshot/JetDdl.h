#pragma once

#include "engine/DbSchema.h"

#include <QString>

namespace vantor {

// ADO's number for a statement the provider rejects (DB_E_ERRORSINCOMMAND).
constexpr qint32 kErrorsInCommand = -2147217900;

// Runs one Jet DDL statement (CREATE/DROP/ALTER TABLE, CREATE/DROP VIEW, CREATE/DROP INDEX; a
// trailing ";" allowed) against schema. It applies entirely or not at all: on error schema is
// left as it was and a VantorError carries Jet's wording.
void ApplyJetDdl(DbSchema& schema, const QString& statement);

} // namespace vantor
