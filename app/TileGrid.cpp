#include "app/TileGrid.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

#include "app/SiteLayout.h"

namespace korvane {

TileGrid::TileGrid(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel belongs to a tile
    setFocusPolicy(Qt::StrongFocus);
}

QSize TileGrid::TileSize() const { return TileRect(rect(), m_side, 0).size(); }

void TileGrid::SetTiles(int side, const std::vector<int>& cameras, const std::map<int, std::string>& names) {
    m_side = std::clamp(side, 1, kLargestGridSide);
    m_cameras.assign(cameras.begin(), cameras.begin() + std::min<std::ptrdiff_t>(cameras.size(), m_side * m_side));
    std::map<int, TileContent> tiles;
    for (int camera : m_cameras) {
        TileContent content = m_tiles.count(camera) ? m_tiles[camera] : TileContent{};
        content.camera = camera;
        const auto name = names.find(camera);
        content.name = name == names.end() ? std::string{} : name->second;
        tiles[camera] = std::move(content);
    }
    m_tiles = std::move(tiles);
    update();
}

void TileGrid::SetSelected(int camera) {
    if (camera == m_selected) return;
    const int before = std::exchange(m_selected, camera);
    Repaint(before);
    Repaint(camera);
}

void TileGrid::ShowPicture(const PictureHandle& picture) {
    if (!picture) return;
    const auto tile = m_tiles.find(picture->camera);
    if (tile == m_tiles.end() || (tile->second.picture == picture && !tile->second.noRecording)) return;
    tile->second.picture = picture;
    tile->second.noRecording = false;
    tile->second.next.reset();
    Repaint(picture->camera);
}

void TileGrid::ShowNoPicture(int camera, std::optional<std::int64_t> next) {
    const auto tile = m_tiles.find(camera);
    if (tile == m_tiles.end()) return;
    tile->second.picture.reset();
    tile->second.noRecording = true;
    tile->second.next = next;
    Repaint(camera);
}

QRect TileGrid::TileOf(int camera) const {
    const auto at = std::find(m_cameras.begin(), m_cameras.end(), camera);
    return at == m_cameras.end() ? QRect() : TileRect(rect(), m_side, int(at - m_cameras.begin()));
}

const TileContent* TileGrid::Content(int camera) const {
    const auto tile = m_tiles.find(camera);
    return tile == m_tiles.end() ? nullptr : &tile->second;
}

void TileGrid::Repaint(int camera) {
    const QRect tile = TileOf(camera);
    if (!tile.isEmpty()) update(tile);
}

void TileGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (int i = 0; i < m_side * m_side; ++i) {
        const QRect tile = TileRect(rect(), m_side, i);
        if (!event->region().intersects(tile)) continue;
        if (i >= int(m_cameras.size())) {
            painter.fillRect(tile, Qt::black);  // a tile without a camera
            continue;
        }
        const int camera = m_cameras[std::size_t(i)];
        PaintTile(painter, tile, m_tiles.at(camera), camera == m_selected);
    }
}

int TileGrid::CameraAt(QPoint point) const {
    const int index = TileAt(rect(), m_side, point);
    return index >= 0 && index < int(m_cameras.size()) ? m_cameras[std::size_t(index)] : -1;
}

void TileGrid::mousePressEvent(QMouseEvent* event) {
    const int camera = CameraAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && camera >= 0) emit Clicked(camera);
    m_drag.Press(*this, *event);
    QWidget::mousePressEvent(event);
}

void TileGrid::mouseMoveEvent(QMouseEvent* event) {
    m_drag.Move(*this, *event, m_frameless && m_frameless());
    QWidget::mouseMoveEvent(event);
}

void TileGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const int camera = CameraAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && camera >= 0) emit DoubleClicked(camera);
    QWidget::mouseDoubleClickEvent(event);
}

void TileGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit TileSizeChanged(TileSize());
}

}  // namespace korvane
