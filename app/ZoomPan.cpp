#include "app/ZoomPan.h"

#include <algorithm>
#include <cmath>

namespace korvane {

QRectF ZoomPan::Visible(QSizeF picture) const {
    const QSizeF size(picture.width() / m_zoom, picture.height() / m_zoom);
    const double x = std::clamp(m_centre.x() * picture.width() - size.width() / 2, 0.0, picture.width() - size.width());
    const double y =
        std::clamp(m_centre.y() * picture.height() - size.height() / 2, 0.0, picture.height() - size.height());
    return {QPointF(x, y), size};
}

QRect ZoomPan::VisiblePixels(QSizeF picture) const {
    const QRectF v = Visible(picture);
    const QRect whole(0, 0, static_cast<int>(picture.width()), static_cast<int>(picture.height()));
    // A hair inside, so that an edge exactly on a pixel border takes no neighbour.
    const QPoint from(static_cast<int>(std::floor(v.left() + 1e-6)), static_cast<int>(std::floor(v.top() + 1e-6)));
    const QPoint to(static_cast<int>(std::ceil(v.right() - 1e-6)) - 1, static_cast<int>(std::ceil(v.bottom() - 1e-6)) - 1);
    return QRect(from, to).intersected(whole);
}

void ZoomPan::MoveTo(QPointF topLeft, QSizeF picture) {
    const QSizeF size(picture.width() / m_zoom, picture.height() / m_zoom);
    const double x = std::clamp(topLeft.x(), 0.0, picture.width() - size.width());
    const double y = std::clamp(topLeft.y(), 0.0, picture.height() - size.height());
    m_centre = {(x + size.width() / 2) / picture.width(), (y + size.height() / 2) / picture.height()};
}

void ZoomPan::ZoomAt(QPointF at, const QRectF& area, QSizeF picture, double notches) {
    if (area.isEmpty() || picture.isEmpty()) return;
    const QRectF before = Visible(picture);
    const QPointF offset = at - area.topLeft();  // in view pixels
    const QPointF point(before.left() + offset.x() * before.width() / area.width(),
                        before.top() + offset.y() * before.height() / area.height());
    m_zoom = std::clamp(m_zoom * std::pow(kStep, notches), 1.0, kMaxZoom);
    const QSizeF after(picture.width() / m_zoom, picture.height() / m_zoom);
    MoveTo({point.x() - offset.x() * after.width() / area.width(), point.y() - offset.y() * after.height() / area.height()},
           picture);
}

void ZoomPan::PanBy(QPointF delta, const QRectF& area, QSizeF picture) {
    if (area.isEmpty() || picture.isEmpty()) return;
    const QRectF v = Visible(picture);
    MoveTo({v.left() - delta.x() * v.width() / area.width(), v.top() - delta.y() * v.height() / area.height()},
           picture);
}

void ZoomPan::Reset() {
    m_zoom = 1.0;
    m_centre = {0.5, 0.5};
}

}  // namespace korvane
