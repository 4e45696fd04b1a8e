#include "engine/Compare.h"

#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

namespace vantor {

namespace {

QString definitionOf(const SchemaObject& o) {
    if (o.table && o.kind == ObjectKind::Table)
        return CreateTableText(*o.table);
    if (o.view)
        return CreateViewText(*o.view);
    return QString();
}

bool comparesByText(ObjectKind kind) {
    return kind == ObjectKind::Table || kind == ObjectKind::View;
}

DiffEntry entryOf(const SchemaObject& o, Side side) {
    DiffEntry e;
    e.kind = o.kind;
    e.name = o.name;
    e.state = side == Side::Primary ? ObjectState::OnlyPrimary : ObjectState::OnlySecondary;
    (side == Side::Primary ? e.primaryTable : e.secondaryTable) = o.table;
    (side == Side::Primary ? e.primaryView : e.secondaryView) = o.view;
    (side == Side::Primary ? e.primaryText : e.secondaryText) = definitionOf(o);
    return e;
}

void compareBoth(DiffEntry& e, const SchemaObject& secondary) {
    e.secondaryTable = secondary.table;
    e.secondaryView = secondary.view;
    e.secondaryText = definitionOf(secondary);
    if (e.kind != secondary.kind)
        e.state = ObjectState::Different;
    else if (!comparesByText(e.kind))
        e.state = ObjectState::Equal;
    else // exact on purpose: a change of letter case or spacing is a change
        e.state = e.primaryText == e.secondaryText ? ObjectState::Equal : ObjectState::Different;
    if (e.state == ObjectState::Different && !e.primaryText.isEmpty() &&
        !e.secondaryText.isEmpty()) {
        TextMarks marks = MarkDifferingText(e.primaryText, e.secondaryText);
        e.primaryRuns = std::move(marks.first);
        e.secondaryRuns = std::move(marks.second);
    }
}

} // namespace

std::optional<ObjectKind> DiffEntry::kindOn(Side side) const {
    if (table(side))
        return table(side)->kind;
    if (view(side))
        return ObjectKind::View;
    return std::nullopt;
}

const DiffEntry* Diff::find(const QString& name) const {
    auto it = positions.constFind(FoldKey(name));
    return it == positions.constEnd() ? nullptr : &entries[*it];
}

bool Diff::allEqual() const {
    return std::all_of(entries.begin(), entries.end(),
                       [](const DiffEntry& e) { return e.state == ObjectState::Equal; });
}

std::array<int, 4> Diff::countsByState(bool withSystem) const {
    std::array<int, 4> counts{};
    for (const DiffEntry& e : entries)
        if (withSystem || !IsSystemKind(e.kind))
            ++counts[static_cast<size_t>(e.state)];
    return counts;
}

Diff Compare(std::shared_ptr<const Schema> primary, std::shared_ptr<const Schema> secondary,
             const CompareOptions& options) {
    Diff diff;
    diff.primary = std::move(primary);
    diff.secondary = std::move(secondary);
    const std::vector<SchemaObject> primaryObjects = ObjectsInJetOrder(*diff.primary);
    const std::vector<SchemaObject> secondaryObjects = ObjectsInJetOrder(*diff.secondary);
    QHash<QString, const SchemaObject*> secondaryByName;
    secondaryByName.reserve(static_cast<qsizetype>(secondaryObjects.size()));
    for (const SchemaObject& o : secondaryObjects)
        secondaryByName.insert(o.folded, &o);

    diff.entries.reserve(primaryObjects.size() + secondaryObjects.size());
    diff.positions.reserve(static_cast<qsizetype>(diff.entries.capacity()));
    for (const SchemaObject& o : primaryObjects) {
        if (options.onObject)
            options.onObject(o.name);
        DiffEntry e = entryOf(o, Side::Primary);
        if (const SchemaObject* other = secondaryByName.value(o.folded))
            compareBoth(e, *other);
        diff.positions.insert(o.folded, diff.entries.size());
        diff.entries.push_back(std::move(e));
    }
    for (const SchemaObject& o : secondaryObjects) {
        if (diff.positions.contains(o.folded))
            continue;
        if (options.onObject)
            options.onObject(o.name);
        diff.positions.insert(o.folded, diff.entries.size());
        diff.entries.push_back(entryOf(o, Side::Secondary));
    }
    return diff;
}

} // namespace vantor
