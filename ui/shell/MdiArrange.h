#pragma once

class QMdiArea;
class QMdiSubWindow;
class QSize;

namespace vantor {

enum class Arrangement { Cascade, TileHorizontal, TileVertical, ArrangeIcons };

// Tile horizontally: the open child windows one above the other, each the area's full width.
// Tile vertically: side by side, each the full height. Cascade: one title bar apart, each as
// large as the area leaves. Arrange icons: the minimised windows in rows along the bottom edge.
// Hidden windows are left alone; minimised ones are not tiled. Windows too many for one row or
// column keep their minimum size and reach beyond the area's edge, where it scrolls to them.
void ArrangeSubWindows(QMdiArea& area, Arrangement how);

// Moves and, if it must, shrinks a window so that the whole of it lies in the area.
void KeepInside(QMdiArea& area, QMdiSubWindow& window);

// After the area changed size: a window that spanned the area's width or height keeps spanning
// it, so the panes grow with the main window.
void FollowAreaResize(QMdiArea& area, const QSize& before, const QSize& after);

} // namespace vantor
