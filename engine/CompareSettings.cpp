#include "engine/CompareSettings.h"

#include <array>

namespace vantor {

namespace {

const std::array<std::pair<KindGroup, const char*>, 7> kGroupNames{{
    {KindGroup::Tables, "tables"},
    {KindGroup::Views, "views"},
    {KindGroup::Indexes, "indexes"},
    {KindGroup::Relationships, "relationships"},
    {KindGroup::Queries, "queries"},
    {KindGroup::Properties, "properties"},
    {KindGroup::Links, "links"},
}};

const QString kKinds = QStringLiteral("kinds");
const QString kExclude = QStringLiteral("exclude");
const QString kIgnoreCase = QStringLiteral("ignoreCase");
const QString kIgnoreWhitespace = QStringLiteral("ignoreWhitespace");
const QString kShowHidden = QStringLiteral("showHidden");

// Matches folded text against a folded pattern, going back to the last star on a mismatch, so
// the work stays linear in practice.
bool matchFolded(QStringView name, QStringView pattern) {
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype star = -1;
    qsizetype afterStar = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            afterStar = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++afterStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool boolOf(const QVariantMap& map, const QString& key, bool fallback) {
    const QVariant v = map.value(key);
    return v.canConvert<bool>() && v.isValid() ? v.toBool() : fallback;
}

} // namespace

bool CompareSettings::excludes(const QStringList& names) const {
    for (const QString& pattern : exclude)
        for (const QString& name : names)
            if (MatchesWildcard(name, pattern))
                return true;
    return false;
}

QVariantMap CompareSettings::toMap() const {
    return {{kKinds, KindGroupList(kinds)},
            {kExclude, exclude},
            {kIgnoreCase, ignoreCase},
            {kIgnoreWhitespace, ignoreWhitespace},
            {kShowHidden, showHidden}};
}

CompareSettings CompareSettings::fromMap(const QVariantMap& map) {
    CompareSettings s;
    if (map.contains(kKinds))
        s.kinds = ParseKindGroups(map.value(kKinds).toString()).value_or(s.kinds);
    s.exclude = map.value(kExclude).toStringList();
    s.ignoreCase = boolOf(map, kIgnoreCase, s.ignoreCase);
    s.ignoreWhitespace = boolOf(map, kIgnoreWhitespace, s.ignoreWhitespace);
    s.showHidden = boolOf(map, kShowHidden, s.showHidden);
    return s;
}

KindGroup GroupOf(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::View:
        return KindGroup::Views;
    case ObjectKind::Link:
    case ObjectKind::PassThrough:
    case ObjectKind::LinkSource:
        return KindGroup::Links;
    case ObjectKind::Query:
        return KindGroup::Queries;
    case ObjectKind::Index:
        return KindGroup::Indexes;
    case ObjectKind::Relationship:
        return KindGroup::Relationships;
    case ObjectKind::Properties:
        return KindGroup::Properties;
    case ObjectKind::Table:
    case ObjectKind::SystemTable:
    case ObjectKind::AccessTable:
        break;
    }
    return KindGroup::Tables;
}

QString KindGroupName(KindGroup group) {
    for (const auto& [g, name] : kGroupNames)
        if (g == group)
            return QLatin1String(name);
    return QString();
}

QStringList KindGroupNames() {
    QStringList names;
    for (const auto& entry : kGroupNames)
        names << QLatin1String(entry.second);
    return names;
}

std::optional<quint32> ParseKindGroups(const QString& list, QString* unknown) {
    quint32 kinds = 0;
    for (const QString& part : list.split(QLatin1Char(','))) {
        const QString word = part.trimmed().toLower();
        if (word.isEmpty())
            continue;
        bool known = false;
        for (const auto& [group, name] : kGroupNames) {
            if (word == QLatin1String(name)) {
                kinds |= KindBit(group);
                known = true;
            }
        }
        if (!known) {
            if (unknown)
                *unknown = part.trimmed();
            return std::nullopt;
        }
    }
    return kinds;
}

QString KindGroupList(quint32 kinds) {
    QStringList names;
    for (const auto& [group, name] : kGroupNames)
        if (kinds & KindBit(group))
            names << QLatin1String(name);
    return names.join(QLatin1Char(','));
}

bool MatchesWildcard(const QString& name, const QString& pattern) {
    return matchFolded(FoldKey(name), FoldKey(pattern));
}

} // namespace vantor
