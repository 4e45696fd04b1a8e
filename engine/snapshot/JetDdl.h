#pragma once

#include "model/Schema.h"

#include <QString>

namespace vantor {

// Runs one Jet DDL statement (CREATE/DROP/ALTER TABLE, CREATE/DROP VIEW, INDEX and PROCEDURE; a
// trailing ";" allowed) against schema. It applies entirely or not at all: on error schema is
// left as it was and an Error carries Jet's wording.
void ApplyJetDdl(Schema& schema, const QString& statement);

} // namespace vantor
