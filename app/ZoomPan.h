// Digital zoom and pan of the shown picture: which part of the picture the
// view shows, kept as fractions of the picture so that it holds while
// pictures change (play, steps, another camera of another size).
#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

namespace korvane {

class ZoomPan {
public:
    static constexpr double kMaxZoom = 16.0;
    static constexpr double kStep = 1.25;        // one wheel notch
    static constexpr double kSharpAbove = 4.0;   // beyond this, pixels are drawn as squares

    double Zoom() const { return m_zoom; }
    bool Zoomed() const { return m_zoom > 1.0; }
    // The part of a picture of `picture` size that is shown.
    QRectF Visible(QSizeF picture) const;
    // The same in whole picture pixels (the pixels it touches).
    QRect VisiblePixels(QSizeF picture) const;

    // Zooms by `notches` (in when positive), keeping the picture point under
    // `at` fixed; `area` is where the visible part is drawn.
    void ZoomAt(QPointF at, const QRectF& area, QSizeF picture, double notches);
    // Moves the visible part with a drag of `delta` view pixels.
    void PanBy(QPointF delta, const QRectF& area, QSizeF picture);
    // Back to the whole picture.
    void Reset();

    bool Smooth() const { return m_smooth; }
    void SetSmooth(bool smooth) { m_smooth = smooth; }
    // Nearest-neighbour drawing: above kSharpAbove unless smooth scaling is asked for.
    bool SharpPixels() const { return m_zoom > kSharpAbove && !m_smooth; }

private:
    // Sets the visible part's top left corner (picture pixels), kept inside the picture.
    void MoveTo(QPointF topLeft, QSizeF picture);

    double m_zoom = 1.0;
    QPointF m_centre{0.5, 0.5};  // of the visible part, as fractions of the picture
    bool m_smooth = false;
};

}  // namespace korvane
