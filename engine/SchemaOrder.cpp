#include "engine/SchemaOrder.h"

#include "model/Error.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace vantor {

namespace {

Error duplicateName() {
    return Error(ErrorCode::DuplicateKey,
                 QStringLiteral("This key is already associated with an element of this "
                                "collection"));
}

// Case-insensitive order with the exact spelling as a tie-breaker, so the order is total. Each
// name is folded once, not once per comparison: folding is what sorting a large schema costs.
bool jetOrder(const QString& typeA, const QString& foldedA, const QString& nameA,
              const QString& typeB, const QString& foldedB, const QString& nameB) {
    if (typeA != typeB)
        return typeA < typeB;
    const int c = foldedA.compare(foldedB);
    return c != 0 ? c < 0 : nameA < nameB;
}

} // namespace

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
            throw duplicateName();
        seen.insert(k.object.folded);
        objects.push_back(std::move(k.object));
    }
    return objects;
}

std::vector<const Column*> ColumnsByName(const Table& table) {
    std::vector<std::pair<QString, const Column*>> keyed;
    keyed.reserve(static_cast<size_t>(table.columns.size()));
    for (const Column& c : table.columns)
        keyed.emplace_back(FoldKey(c.name), &c);
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return jetOrder(QString(), a.first, a.second->name, QString(), b.first, b.second->name);
    });
    std::vector<const Column*> columns;
    columns.reserve(keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i > 0 && keyed[i].first == keyed[i - 1].first)
            throw duplicateName();
        columns.push_back(keyed[i].second);
    }
    return columns;
}

} // namespace vantor
