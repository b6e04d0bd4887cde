// Where the site view's tiles go: grids of 1, 2x2, 3x3 or 4x4 tiles, the
// one fitting the number of cameras chosen automatically, the cameras in
// camera-number order row by row, and for more cameras than tiles the page
// of them that holds the selected camera.
#pragma once

#include <QPoint>
#include <QRect>

#include <vector>

namespace korvane {

inline constexpr int kLargestGridSide = 4;

// The side of the smallest grid that holds `cameras` tiles (1 to 4).
int AutomaticSide(std::size_t cameras);
// The cameras a grid of side x side tiles shows (sorted, as given): the
// page of them that holds `selected`, else the first page.
std::vector<int> CamerasOnPage(const std::vector<int>& cameras, int side, int selected);
// Tile `index` of a side x side grid over `area`, row by row; the tiles
// share the area's pixels without gaps or overlaps.
QRect TileRect(const QRect& area, int side, int index);
// The tile under `point`, or -1 outside the area.
int TileAt(const QRect& area, int side, QPoint point);
// The camera `step` places after `camera` in `cameras` (sorted), round the
// end; `camera` itself when it is not among them or they are empty.
int CameraAfter(const std::vector<int>& cameras, int camera, int step);

}  // namespace korvane
