// The picture area of the window: paints the engine's current picture
// stretched over itself with its two text lines, and takes the input that
// belongs to the picture (a double click for full screen, dragging the
// captionless window, a dropped recording). It also sizes the window for a
// zoom factor, switches full screen and shows or hides caption and menu.
#pragma once

#include <QRect>
#include <QWidget>

#include "decode/Picture.h"
#include "playback/Player.h"

class QPainter;

namespace korvane {

class PlayerView : public QWidget {
    Q_OBJECT

public:
    explicit PlayerView(Player& player, QWidget* parent = nullptr);

    // Paints the picture and its two text lines over target (the view, or a printer's page).
    void Paint(QPainter& painter, const QRect& target) const;
    void SetZoom(int factor);
    void ToggleFullScreen();
    void ToggleMenu();
    // Asks for a recording and opens it; a cancelled dialog changes nothing.
    void OpenWithDialog();

    bool MenuHidden() const { return m_menuHidden; }
    bool FullScreen() const { return m_fullScreen; }
    const PictureHandle& Shown() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Player& m_player;
    PictureHandle m_picture;  // what the engine showed last
    bool m_menuHidden = true;
    bool m_fullScreen = false;
    QRect m_restoreGeometry;
    QPoint m_dragStart;
};

}  // namespace korvane
