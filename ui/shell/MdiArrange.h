#pragma once

class QMdiArea;

namespace vantor {

// The frame's arrange codes.
namespace arrange {
constexpr int Cascade = 0;
constexpr int TileHorizontal = 1;
constexpr int TileVertical = 2;
constexpr int ArrangeIcons = 3;
} // namespace arrange

// Tile horizontally: the open child windows one above the other, each the area's full width.
// Tile vertically: side by side, each the full height. Arrange icons: the minimised windows in
// rows along the bottom edge. Hidden windows are left alone; minimised ones are not tiled.
void ArrangeSubWindows(QMdiArea& area, int code);

} // namespace vantor
