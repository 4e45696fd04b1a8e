#include "engine/SchemaOrder.h"

#include "model/Error.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace vantor {

namespace {

// Case-insensitive order with the exact spelling as a tie-breaker, so the order is total. Each
// name is folded once, not once per comparison: folding is what sorting a large schema costs.
bool jetOrder(const QString& typeA, const QString& foldedA, const QString& nameA,
              const QString& typeB, const QString& foldedB, const QString& nameB) {
    if (typeA != typeB)
        return typeA < typeB;
    const int c = foldedA.compare(foldedB);
    return c != 0 ? c < 0 : nameA < nameB;
}

// Items in the order of their folded keys, the exact spelling breaking ties; two equal keys
// raise where unique is set.
template <typename T>
std::vector<const T*> sortedByKey(std::vector<std::pair<QString, const T*>> keyed, bool unique) {
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return jetOrder(QString(), a.first, a.second->name, QString(), b.first, b.second->name);
    });
    std::vector<const T*> items;
    items.reserve(keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (unique && i > 0 && keyed[i].first == keyed[i - 1].first)
            throw DuplicateNameError();
        items.push_back(keyed[i].second);
    }
    return items;
}

// The items of a list by their folded names.
template <typename T> std::vector<const T*> byName(const QList<T>& list, bool unique = true) {
    std::vector<std::pair<QString, const T*>> keyed;
    keyed.reserve(static_cast<size_t>(list.size()));
    for (const T& item : list)
        keyed.emplace_back(FoldKey(item.name), &item);
    return sortedByKey(std::move(keyed), unique);
}

} // namespace

Error DuplicateNameError() {
    return Error(ErrorCode::DuplicateKey,
                 QStringLiteral("This key is already associated with an element of this "
                                "collection"));
}

std::vector<SchemaObject> ObjectsInJetOrder(const Schema& schema) {
    struct Keyed {
        QString typeName;
        SchemaObject object;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(static_cast<size_t>(schema.tables.size() + schema.views.size()));
    for (const Table& t : schema.tables)
        keyed.push_back({TypeName(t.kind), {t.kind, t.name, FoldKey(t.name), &t, nullptr}});
    for (const View& v : schema.views)
        keyed.push_back(
            {TypeName(ObjectKind::View), {ObjectKind::View, v.name, FoldKey(v.name), nullptr, &v}});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return jetOrder(a.typeName, a.object.folded, a.object.name, b.typeName, b.object.folded,
                        b.object.name);
    });
    std::vector<SchemaObject> objects;
    objects.reserve(keyed.size());
    QSet<QString> seen;
    seen.reserve(static_cast<qsizetype>(keyed.size()));
    for (Keyed& k : keyed) {
        if (seen.contains(k.object.folded))
            throw DuplicateNameError();
        seen.insert(k.object.folded);
        objects.push_back(std::move(k.object));
    }
    return objects;
}

std::vector<const Column*> ColumnsByName(const Table& table) {
    return byName(table.columns);
}

std::vector<const Query*> QueriesByName(const Schema& schema) {
    return byName(schema.queries);
}

std::vector<const Index*> IndexesByName(const Table& table) {
    return byName(table.indexes);
}

std::vector<const Table*> SortedByName(const QList<Table>& list) {
    return byName(list, false);
}

std::vector<const View*> SortedByName(const QList<View>& list) {
    return byName(list, false);
}

std::vector<const Query*> SortedByName(const QList<Query>& list) {
    return byName(list, false);
}

std::vector<const Index*> SortedByName(const QList<Index>& list) {
    return byName(list, false);
}

std::vector<const Relationship*> SortedByName(const QList<Relationship>& list) {
    return byName(list, false);
}

std::vector<const Relationship*> RelationshipsByTable(const Schema& schema) {
    std::vector<std::pair<QString, const Relationship*>> keyed;
    keyed.reserve(static_cast<size_t>(schema.relationships.size()));
    QSet<QString> names;
    for (const Relationship& r : schema.relationships) {
        QString name = FoldKey(r.name);
        if (names.contains(name))
            throw DuplicateNameError();
        names.insert(name);
        // The table's name and the relationship's are joined by a character no name may hold.
        keyed.emplace_back(FoldKey(r.table) + QLatin1Char('.') + name, &r);
    }
    return sortedByKey(std::move(keyed), true);
}

} // namespace vantor
