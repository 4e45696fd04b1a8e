#pragma once

#include "model/Error.h"
#include "model/Schema.h"

#include <vector>

namespace vantor {

// One table or view of a schema, as the comparison walks it.
struct SchemaObject {
    ObjectKind kind = ObjectKind::Table;
    QString name;
    QString folded; // FoldKey(name)
    const Table* table = nullptr;
    const View* view = nullptr;
};

// The tables and views of a schema in the order Jet's provider lists them: by type name
// ("ACCESS TABLE" before "TABLE" before "VIEW"), then by name without regard to case, the exact
// spelling breaking ties. Two objects whose names differ only in case raise an error, as Jet
// could not tell them apart.
std::vector<SchemaObject> ObjectsInJetOrder(const Schema& schema);

// A table's columns by name without regard to case, the order their definitions list them in.
std::vector<const Column*> ColumnsByName(const Table& table);

// The saved queries that are not views, and a table's indexes, by name without regard to case;
// relationships by their table's name, then their own. Two named alike raise the error of
// ObjectsInJetOrder (relationships are named alike across the whole database).
std::vector<const Query*> QueriesByName(const Schema& schema);
std::vector<const Index*> IndexesByName(const Table& table);
std::vector<const Relationship*> RelationshipsByTable(const Schema& schema);

// A list's items by name without regard to case, the exact spelling breaking ties. Unlike the
// orders above, names taken twice do not raise but stay side by side, for texts that show a
// schema as it is.
std::vector<const Table*> SortedByName(const QList<Table>& list);
std::vector<const View*> SortedByName(const QList<View>& list);
std::vector<const Query*> SortedByName(const QList<Query>& list);
std::vector<const Index*> SortedByName(const QList<Index>& list);
std::vector<const Relationship*> SortedByName(const QList<Relationship>& list);

// The error Jet gives for a second object of a name already taken.
Error DuplicateNameError();

} // namespace vantor
