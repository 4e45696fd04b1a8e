#include "model/Schema.h"

#include "model/Kinds.h"

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

Table* Schema::findTable(const QString& name) {
    return findByName(tables, name);
}
const Table* Schema::findTable(const QString& name) const {
    return findByName(tables, name);
}
View* Schema::findView(const QString& name) {
    return findByName(views, name);
}
const View* Schema::findView(const QString& name) const {
    return findByName(views, name);
}

} // namespace vantor
