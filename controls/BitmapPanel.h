// One bitmap that its owner draws into its own painting: the control bar's
// background panel and its edge strip. Not a window of its own.
#pragma once

#include <QImage>
#include <QRect>

class QPainter;

namespace korvane {

class BitmapPanel {
public:
    // Loads a skin bitmap by number; the whole bitmap becomes the source.
    bool LoadBitmap(int id);
    const QImage& Image() const { return m_bitmap; }
    QRect SourceRect() const { return m_source; }

    // The source block at rect's top-left corner in its own size; the rest
    // of rect is not used.
    bool Draw(QPainter& painter, const QRect& rect) const;
    // The source block stretched onto the rectangle from (x1, y1) to (x2, y2),
    // without smoothing.
    bool StretchDraw(QPainter& painter, int x1, int y1, int x2, int y2) const;

private:
    QImage m_bitmap;
    QRect m_source;
};

}  // namespace korvane
