#pragma once

class QMdiArea;

namespace vantor {

enum class Arrangement { Cascade, TileHorizontal, TileVertical, ArrangeIcons };

// Tile horizontally: the open child windows one above the other, each the area's full width.
// Tile vertically: side by side, each the full height. Arrange icons: the minimised windows in
// rows along the bottom edge. Hidden windows are left alone; minimised ones are not tiled.
void ArrangeSubWindows(QMdiArea& area, Arrangement how);

} // namespace vantor
