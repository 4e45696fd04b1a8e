#pragma once

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
    const View* primaryView = nullptr; // ...or a view
    const View* secondaryView = nullptr;
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
    // The kind of the object on one side, which differs from kind when a name moved from a table
    // to a view; nothing where the side lacks the object.
    std::optional<ObjectKind> kindOn(Side side) const;
};

// The outcome of comparing two schemas: every object of the primary database in Jet's order,
// then those only the secondary database has, in its order. The diff keeps both schemas alive,
// so its entries may point into them.
struct Diff {
    std::shared_ptr<const Schema> primary;
    std::shared_ptr<const Schema> secondary;
    std::vector<DiffEntry> entries;

    // The entry of this name, letter case ignored; nullptr when neither database has it.
    const DiffEntry* find(const QString& name) const;
    const Schema& schema(Side side) const { return side == Side::Primary ? *primary : *secondary; }
    bool allEqual() const;
    // How many objects are in each state (by ObjectState's order), the database's own system
    // tables left out unless withSystem is set.
    std::array<int, 4> countsByState(bool withSystem = false) const;

    QHash<QString, size_t> positions; // folded name: position in entries
};

struct CompareOptions {
    // Called for each object as it is compared, with its name; for progress only.
    std::function<void(const QString& name)> onObject;
};

// Compares two schemas by the definition text each side writes for an object: CREATE TABLE
// for tables (columns by name, with type, size and nullability), the stored text for views.
// Objects of other kinds present on both sides are equal when their kinds agree. Raises an
// Error when a schema names two objects, or two columns of a table, alike.
Diff Compare(std::shared_ptr<const Schema> primary, std::shared_ptr<const Schema> secondary,
             const CompareOptions& options = {});

} // namespace vantor
