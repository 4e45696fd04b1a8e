#pragma once

#include "model/Schema.h"

#include <QString>
#include <QStringList>

namespace vantor {

// Jet DDL for the parts of a schema beyond tables and views. Every text is one statement without
// a trailing separator, names in brackets, line ends CR LF where a statement spans lines.

// CREATE [UNIQUE] INDEX [i] ON [t] ([c] [DESC], ...) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
QString CreateIndexText(const QString& table, const Index& index);
// DROP INDEX [i] ON [t]
QString DropIndexText(const QString& table, const QString& index);

// ALTER TABLE [t] ADD CONSTRAINT [n] FOREIGN KEY ([c], ...) REFERENCES [u] ([c], ...)
// [ON UPDATE CASCADE] [ON DELETE CASCADE | ON DELETE SET NULL]
QString AddRelationshipText(const Relationship& relationship);
// ALTER TABLE [t] DROP CONSTRAINT [n]
QString DropRelationshipText(const Relationship& relationship);

// CREATE PROCEDURE [p] ([param] type, ...) AS sql, for parameter and action queries; a null
// string for a crosstab, union, pass-through or data-definition query, which cannot be one.
QString CreateProcedureText(const Query& query);
// DROP PROCEDURE [p]
QString DropProcedureText(const QString& name);

// What a statement from the texts above would lose: each entry says, in a sentence a user can
// act on in Access, which setting Jet DDL cannot express (an unenforced or one-to-one
// relationship, a pass-through connection, a crosstab or union query kept as a procedure, ...).
// Empty when the statement carries the object whole.
QStringList InexpressibleSettings(const Relationship& relationship);
QStringList InexpressibleSettings(const Query& query);
QStringList InexpressibleSettings(const Index& index);

} // namespace vantor
