#include "model/Kinds.h"

#include <array>
#include <utility>

namespace vantor {

namespace {
const std::array<std::pair<ObjectKind, const char*>, 11> kTypeNames{{
    {ObjectKind::Table, "TABLE"},
    {ObjectKind::View, "VIEW"},
    {ObjectKind::SystemTable, "SYSTEM TABLE"},
    {ObjectKind::AccessTable, "ACCESS TABLE"},
    {ObjectKind::Link, "LINK"},
    {ObjectKind::PassThrough, "PASS-THROUGH"},
    {ObjectKind::Query, "QUERY"},
    {ObjectKind::Index, "INDEX"},
    {ObjectKind::Relationship, "RELATIONSHIP"},
    {ObjectKind::Properties, "PROPERTIES"},
    {ObjectKind::LinkSource, "LINK SOURCE"},
}};
} // namespace

QString TypeName(ObjectKind kind) {
    for (const auto& [k, name] : kTypeNames)
        if (k == kind)
            return QLatin1String(name);
    return QString();
}

std::optional<ObjectKind> ObjectKindOfTypeName(const QString& typeName) {
    for (const auto& [k, name] : kTypeNames)
        if (typeName == QLatin1String(name))
            return k;
    return std::nullopt;
}

QString FoldKey(const QString& name) {
    // Upper-casing first applies the full mappings (ß -> SS); folding then evens out the rest.
    return name.toUpper().toCaseFolded();
}

} // namespace vantor
