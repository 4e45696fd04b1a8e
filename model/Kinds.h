#pragma once

#include <QString>
#include <optional>

namespace vantor {

// What kind of object a schema entry is. Tables are told apart as Jet's provider reports them;
// the kinds after them belong to a table or stand beside tables and views in a comparison.
enum class ObjectKind {
    Table,
    View,
    SystemTable,
    AccessTable,
    Link,
    PassThrough,
    Query,
    Index,
    Relationship,
    Properties,
    LinkSource
};

// The provider's spelling ("TABLE", "VIEW", "SYSTEM TABLE", ...), which users see and which
// orders the objects of a database.
QString TypeName(ObjectKind kind);
std::optional<ObjectKind> ObjectKindOfTypeName(const QString& typeName);

// The kinds a snapshot may give a table.
inline bool IsTableKind(ObjectKind kind) {
    return kind == ObjectKind::Table || kind == ObjectKind::SystemTable ||
           kind == ObjectKind::AccessTable || kind == ObjectKind::Link ||
           kind == ObjectKind::PassThrough;
}

// The database's own tables, which the tree, the reports and scripts leave out.
inline bool IsSystemKind(ObjectKind kind) {
    return kind == ObjectKind::SystemTable || kind == ObjectKind::AccessTable;
}

// How an object of one database stands against its namesake in the other.
enum class ObjectState { Equal, Different, OnlyPrimary, OnlySecondary };

enum class Side { Primary, Secondary };

inline Side OtherSide(Side side) {
    return side == Side::Primary ? Side::Secondary : Side::Primary;
}

// Folds a name so that letters differing only in case compare equal, including the full
// mappings (ß and SS) that simple case folding misses.
QString FoldKey(const QString& name);

// A name with its ASCII capitals lowered, which is all folding does to ASCII, shared rather than
// copied when it has none; nothing when it holds anything beyond ASCII. Names are nearly always
// ASCII, and a large schema's names are folded many times over.
std::optional<QString> AsciiFolded(const QString& name);

} // namespace vantor
