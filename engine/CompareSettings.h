#pragma once

#include "model/Kinds.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace vantor {

// The groups of objects a comparison can take in, as a user names them ("tables", "views", ...).
enum class KindGroup { Tables, Views, Indexes, Relationships, Queries, Properties, Links };

inline constexpr quint32 KindBit(KindGroup group) {
    return 1U << static_cast<unsigned>(group);
}
inline constexpr quint32 kAllKindGroups = (1U << 7) - 1;

// Which objects a comparison takes in and how it weighs their texts, as a user chooses them and
// the desktop keeps them between runs.
struct CompareSettings {
    quint32 kinds = kAllKindGroups; // one KindBit per group compared
    QStringList exclude{};          // name patterns with * and ?, letter case ignored
    bool ignoreCase = false;        // definitions that differ only in letter case are equal
    bool ignoreWhitespace = false;  // view and query texts that differ only in blanks are equal
    bool showHidden = false; // hidden queries and the objects of system tables are compared too

    bool compares(KindGroup group) const { return (kinds & KindBit(group)) != 0; }
    // Whether any of the names (an object's own and those of the tables it belongs to) matches
    // a pattern of exclude.
    bool excludes(const QStringList& names) const;

    // The settings as plain values for QSettings, and back; a missing or unreadable value keeps
    // its default.
    QVariantMap toMap() const;
    static CompareSettings fromMap(const QVariantMap& map);

    bool operator==(const CompareSettings&) const = default;
};

// The group an object of this kind is compared in: links with their sources, system tables with
// the tables.
KindGroup GroupOf(ObjectKind kind);
// "tables", "views", "indexes", "relationships", "queries", "properties", "links".
QString KindGroupName(KindGroup group);
QStringList KindGroupNames();
// The groups of a comma-separated list of group names, any letter case, blanks allowed; none
// when a word names no group, which is then put in unknown.
std::optional<quint32> ParseKindGroups(const QString& list, QString* unknown = nullptr);
// The group names of kinds, comma-separated, in KindGroup's order.
QString KindGroupList(quint32 kinds);

// Whether name matches pattern, where * stands for any run of characters and ? for one, letter
// case ignored.
bool MatchesWildcard(const QString& name, const QString& pattern);

} // namespace vantor
