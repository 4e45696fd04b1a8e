#pragma once

#include "model/Schema.h"

#include <QString>

namespace vantor {

// The definition texts a comparison shows and compares for the objects beyond tables and views.
// Where Jet DDL creates the object whole, the text is that statement followed by a GO line;
// where it cannot, each setting it would lose is said on a comment line and the statement (or,
// for a query that cannot be a procedure, its stored SQL) follows commented out, so that running
// the text changes nothing.

QString IndexDefinition(const QString& table, const Index& index);
QString RelationshipDefinition(const Relationship& relationship);
QString QueryDefinition(const Query& query);

// Whether the table or any of its fields has a property that the properties text lists.
bool HasProperties(const Table& table);
// The table's description and validation, then each field's properties, one "Name: value" line
// each under the field, fields by name; a line saying none is set when none is.
QString PropertiesDefinition(const Table& table);

// Whether a table is a link or names a source, which then has a text of its own.
bool HasLinkSource(const Table& table);
// Where a link points: its database, connect string and the table's name there.
QString LinkSourceDefinition(const Table& table);

// Every line of text behind "-- ".
QString Commented(const QString& text);

} // namespace vantor
