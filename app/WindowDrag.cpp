#include "app/WindowDrag.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace korvane {

void WindowDrag::Press(const QWidget& view, const QMouseEvent& event) {
    if (event.button() != Qt::LeftButton) return;
    m_start = event.position().toPoint();
    m_grip = event.globalPosition().toPoint() - view.window()->pos();
}

void WindowDrag::Move(QWidget& view, const QMouseEvent& event, bool frameless) const {
    const bool dragging = (event.buttons() & Qt::LeftButton) && frameless &&
                          (event.position().toPoint() - m_start).manhattanLength() >= QApplication::startDragDistance();
    if (!dragging) return;
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        if (QWindow* handle = view.window()->windowHandle()) handle->startSystemMove();
    } else {
        view.window()->move(event.globalPosition().toPoint() - m_grip);
    }
}

}  // namespace korvane
