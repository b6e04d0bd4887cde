// Without a caption the picture is the handle that moves the window, in the
// single view and in the grid alike. The move starts once the pointer has
// moved, so that a double click still reaches the view instead of the window
// manager. On X11 the window follows the pointer itself: a move the window
// manager runs takes the keyboard away and does not give it back to the
// window. Elsewhere (Wayland, where a window cannot place itself) the window
// manager moves it.
#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace korvane {

class WindowDrag {
public:
    // A press of the left button on `view`.
    void Press(const QWidget& view, const QMouseEvent& event);
    // A move of the pointer over `view`: moves its window while the left
    // button is held and the window has no caption (`frameless`).
    void Move(QWidget& view, const QMouseEvent& event, bool frameless) const;
    // Where the left button went down, in the view.
    QPoint Start() const { return m_start; }

private:
    QPoint m_start;
    QPoint m_grip;  // where the pointer holds the window, from its top left
};

}  // namespace korvane
