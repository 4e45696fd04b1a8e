#pragma once

#include "engine/CompareSettings.h"
#include "engine/TextDiff.h"
#include "model/Schema.h"

#include <QHash>
#include <QList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantor {

// One object of either database as the comparison found it.
struct DiffEntry {
    ObjectKind kind = ObjectKind::Table; // the primary side's kind when both have the object
    QString name;                        // as the side that gave the kind spells it
    ObjectState state = ObjectState::Equal;
    const Table* primaryTable = nullptr; // the object on each side, when it is a table...
    const Table* secondaryTable = nullptr;
    const View* primaryView = nullptr; // ...or a view, or a saved query...
    const View* secondaryView = nullptr;
    const Query* primaryQuery = nullptr;
    const Query* secondaryQuery = nullptr;
    const Index* primaryIndex = nullptr; // ...or an index or relationship
    const Index* secondaryIndex = nullptr;
    const Relationship* primaryRelationship = nullptr;
    const Relationship* secondaryRelationship = nullptr;
    // The table an index, properties or link source belongs to, and a relationship's
    // referencing table where the side has it.
    const Table* primaryOwner = nullptr;
    const Table* secondaryOwner = nullptr;
    // Every side that has the object hides it: a system table or one of its parts, a
    // relationship of one, a hidden query or view.
    bool hidden = false;
    QString primaryText; // each side's definition; empty where the side lacks the object
    QString secondaryText;
    QList<TextRun> primaryRuns; // the differing stretches of each text
    QList<TextRun> secondaryRuns;

    bool inPrimary() const { return state != ObjectState::OnlySecondary; }
    bool inSecondary() const { return state != ObjectState::OnlyPrimary; }
    bool isTable() const { return kind == ObjectKind::Table; }
    bool isView() const { return kind == ObjectKind::View; }
    const QString& text(Side side) const {
        return side == Side::Primary ? primaryText : secondaryText;
    }
    const Table* table(Side side) const {
        return side == Side::Primary ? primaryTable : secondaryTable;
    }
    const View* view(Side side) const {
        return side == Side::Primary ? primaryView : secondaryView;
    }
    const Query* query(Side side) const {
        return side == Side::Primary ? primaryQuery : secondaryQuery;
    }
    const Index* index(Side side) const {
        return side == Side::Primary ? primaryIndex : secondaryIndex;
    }
    const Relationship* relationship(Side side) const {
        return side == Side::Primary ? primaryRelationship : secondaryRelationship;
    }
    const Table* owner(Side side) const {
        return side == Side::Primary ? primaryOwner : secondaryOwner;
    }
    // The kind of the object on one side, which differs from kind when a name moved from a table
    // to a view; nothing where the side lacks the object.
    std::optional<ObjectKind> kindOn(Side side) const;
};

// The outcome of comparing two schemas, kind by kind: tables and views, queries, indexes,
// relationships, properties, link sources. Within each, every object of the primary database in
// Jet's order, then those only the secondary database has, in its order. The diff keeps both
// schemas alive, so its entries may point into them. Names are unique across the diff: an index
// is "Table.Index", a relationship "Table.Relationship" after its referencing table, properties
// "Table (properties)", a link's source "Table (link source)"; a name already taken gets its
// kind in parentheses.
struct Diff {
    std::shared_ptr<const Schema> primary;
    std::shared_ptr<const Schema> secondary;
    std::vector<DiffEntry> entries;

    // The entry of this name, letter case ignored; nullptr when neither database has it.
    const DiffEntry* find(const QString& name) const;
    const Schema& schema(Side side) const { return side == Side::Primary ? *primary : *secondary; }
    bool allEqual() const;
    // How many objects are in each state (by ObjectState's order), hidden ones (the database's
    // own system tables among them) left out unless withSystem is set.
    std::array<int, 4> countsByState(bool withSystem = false) const;

    QHash<QString, size_t> positions; // folded name: position in entries
    CompareSettings settings;         // those the comparison was made with
};

struct CompareOptions : CompareSettings {
    // Called for each object as it is compared, with its name; for progress only.
    std::function<void(const QString& name)> onObject;
};

// Compares two schemas by the definition text each side writes for an object: CREATE TABLE
// for tables (columns by name, with type, size and nullability), the stored text for views, the
// texts of DefinitionText.h for the other kinds, where the secondary side spells the names of
// tables and fields as the primary does when the two differ only in letter case (which the table
// itself reports). System tables, links and pass-through tables
// present on both sides are equal when their kinds agree. Objects of the groups the options
// leave out, or with an excluded name, are not in the diff; nor are hidden ones unless asked for,
// but for system tables, which stay as before for the callers that count them. Raises an Error
// when a schema names two objects, two columns or two indexes of a table, or two relationships
// alike.
Diff Compare(std::shared_ptr<const Schema> primary, std::shared_ptr<const Schema> secondary,
             const CompareOptions& options = {});

} // namespace vantor
