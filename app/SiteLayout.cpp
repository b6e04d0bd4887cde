#include "app/SiteLayout.h"

#include <algorithm>

namespace korvane {

int AutomaticSide(std::size_t cameras) {
    for (int side = 1; side < kLargestGridSide; ++side)
        if (cameras <= std::size_t(side * side)) return side;
    return kLargestGridSide;
}

std::vector<int> CamerasOnPage(const std::vector<int>& cameras, int side, int selected) {
    const std::size_t tiles = std::size_t(side * side);
    const auto at = std::find(cameras.begin(), cameras.end(), selected);
    const std::size_t index = at == cameras.end() ? 0 : std::size_t(at - cameras.begin());
    const std::size_t first = index / tiles * tiles;
    const std::size_t last = std::min(cameras.size(), first + tiles);
    return {cameras.begin() + static_cast<std::ptrdiff_t>(first), cameras.begin() + static_cast<std::ptrdiff_t>(last)};
}

QRect TileRect(const QRect& area, int side, int index) {
    const int row = index / side, column = index % side;
    const auto edge = [side](int from, int length, int i) { return from + length * i / side; };
    const int left = edge(area.left(), area.width(), column), right = edge(area.left(), area.width(), column + 1);
    const int top = edge(area.top(), area.height(), row), bottom = edge(area.top(), area.height(), row + 1);
    return QRect(left, top, right - left, bottom - top);
}

int TileAt(const QRect& area, int side, QPoint point) {
    if (!area.contains(point)) return -1;
    for (int i = 0; i < side * side; ++i)
        if (TileRect(area, side, i).contains(point)) return i;
    return -1;
}

int CameraAfter(const std::vector<int>& cameras, int camera, int step) {
    const auto at = std::find(cameras.begin(), cameras.end(), camera);
    if (at == cameras.end()) return camera;
    const auto count = static_cast<std::ptrdiff_t>(cameras.size());
    const std::ptrdiff_t index = ((at - cameras.begin() + step) % count + count) % count;
    return cameras[static_cast<std::size_t>(index)];
}

}  // namespace korvane
