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

std::optional<QString> AsciiFolded(const QString& name) {
    qsizetype firstUpper = -1;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80)
            return std::nullopt;
        if (firstUpper < 0 && c >= u'A' && c <= u'Z')
            firstUpper = i;
    }
    if (firstUpper < 0)
        return name;
    QString folded = name;
    QChar* out = folded.data();
    for (qsizetype i = firstUpper; i < folded.size(); ++i)
        if (out[i] >= u'A' && out[i] <= u'Z')
            out[i] = QChar(out[i].unicode() + (u'a' - u'A'));
    return folded;
}

QString FoldKey(const QString& name) {
    if (std::optional<QString> ascii = AsciiFolded(name))
        return *std::move(ascii);
    // Upper-casing first applies the full mappings (ß -> SS); folding then evens out the rest.
    return name.toUpper().toCaseFolded();
}

} // namespace vantor
