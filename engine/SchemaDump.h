#pragma once

#include "engine/CompareSettings.h"
#include "model/Schema.h"

#include <QByteArray>
#include <QString>

namespace vantor {

// The schema as plain text for version control and review, the same for the same schema
// whatever file holds it: each kind of object in a section of its own (tables, links, views,
// queries, relationships), objects sorted by name without regard to case, a table's columns in
// the table's order with its indexes after them, one setting per line, LF line ends. Nothing in it
// changes when the schema does not: no file format, dates, sizes or counts. The settings choose
// the kinds and names, and whether hidden queries and system tables are shown; the way texts are
// weighed does not apply. Passwords in connect strings are replaced by "***".
QString SchemaDumpText(const Schema& schema, const CompareSettings& settings = {});
// The same text as UTF-8, the form it is written in, made without an intermediate copy.
QByteArray SchemaDumpUtf8(const Schema& schema, const CompareSettings& settings = {});

// A column's type as Jet DDL spells it: TEXT(50), MEMO, LONG, COUNTER, DECIMAL(18,2), ...
QString JetTypeText(const Column& column);

} // namespace vantor
