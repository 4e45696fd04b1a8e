#pragma once

#include "model/Kinds.h"

#include <QIcon>
#include <QString>

namespace vantor {

// Pictures of the object tree: the root, a category, and one per comparison state.
enum class TreeImage { Equal, Different, OnlyPrimary, OnlySecondary, Category, Root };

QIcon TreeIcon(TreeImage image);
QIcon StateIcon(ObjectState state);
// The picture of a main tool-bar button, by its key; a null icon for an unknown key.
QIcon ToolIcon(const QString& key);
QIcon AppIcon();
// The picture of a script document's tab: a sheet, with a red dot when it has unsaved edits.
QIcon DocumentTabIcon(bool changed);

} // namespace vantor
