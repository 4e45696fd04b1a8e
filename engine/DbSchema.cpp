#include "engine/DbSchema.h"

#include "model/KeyedCollection.h"

namespace vantor {

namespace {
template <typename List> auto findByName(List& list, const QString& name) -> decltype(&list[0]) {
    QString key = FoldKey(name);
    for (auto& item : list)
        if (FoldKey(item.name) == key)
            return &item;
    return nullptr;
}
} // namespace

SchemaTable* DbSchema::FindTable(const QString& name) {
    return findByName(tables, name);
}
const SchemaTable* DbSchema::FindTable(const QString& name) const {
    return findByName(tables, name);
}
SchemaView* DbSchema::FindView(const QString& name) {
    return findByName(views, name);
}
const SchemaView* DbSchema::FindView(const QString& name) const {
    return findByName(views, name);
}

} // namespace vantor
