#pragma once

class QMdiArea;
class QSize;

namespace vantor {

enum class Arrangement { Cascade, TileHorizontal, TileVertical, ArrangeIcons };

// Tile horizontally: the open child windows one above the other, each the area's full width.
// Tile vertically: side by side, each the full height. Arrange icons: the minimised windows in
// rows along the bottom edge. Hidden windows are left alone; minimised ones are not tiled.
// One row or column of windows that would squeeze them below their minimum size becomes a grid,
// or a cascade when even a grid would.
void ArrangeSubWindows(QMdiArea& area, Arrangement how);

// After the area changed size: a window that spanned the area's width or height keeps spanning
// it, so the panes grow with the main window.
void FollowAreaResize(QMdiArea& area, const QSize& before, const QSize& after);

} // namespace vantor
