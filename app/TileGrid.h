// The tiles of the site view: one per camera shown, painted with the tile
// painter. A new picture repaints its own tile only. A click selects a
// tile's camera, a double click asks for it alone; the grid reports them
// and the size of its tiles, and shows what it is told.
#pragma once

#include <QWidget>

#include <functional>
#include <map>
#include <vector>

#include "app/TilePainter.h"
#include "app/WindowDrag.h"

namespace korvane {

class TileGrid : public QWidget {
    Q_OBJECT

public:
    explicit TileGrid(QWidget* parent = nullptr);

    // side x side tiles showing `cameras` row by row (at most side x side of
    // them), with their names; what the tiles showed before is kept for
    // cameras still shown.
    void SetTiles(int side, const std::vector<int>& cameras, const std::map<int, std::string>& names);
    void SetSelected(int camera);
    // A camera's picture (picture->camera says which tile), or none at this time.
    void ShowPicture(const PictureHandle& picture);
    void ShowNoPicture(int camera, std::optional<std::int64_t> next);

    int Side() const { return m_side; }
    const std::vector<int>& Cameras() const { return m_cameras; }
    int Selected() const { return m_selected; }
    // Whether the window has no caption now, when a drag on a tile moves it.
    void SetFrameless(std::function<bool()> frameless) { m_frameless = std::move(frameless); }
    // A camera's tile: where it lies, what it shows; an empty rectangle and
    // nothing for a camera not shown.
    QRect TileOf(int camera) const;
    const TileContent* Content(int camera) const;
    // The size each tile has now (the first tile's; they differ by a pixel at most).
    QSize TileSize() const;

signals:
    void Clicked(int camera);
    void DoubleClicked(int camera);
    void TileSizeChanged(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int CameraAt(QPoint point) const;
    void Repaint(int camera);

    int m_side = 1;
    std::vector<int> m_cameras;
    std::map<int, TileContent> m_tiles;
    int m_selected = -1;
    WindowDrag m_drag;
    std::function<bool()> m_frameless;  // the window has no caption: a drag moves it
};

}  // namespace korvane
