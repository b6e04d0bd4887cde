// A bitmap that knows its size and can draw itself with one colour
// transparent: the colour of its top-left pixel. The transparency is a
// one-bit mask built on the first transparent drawing and kept.
#pragma once

#include <QImage>

class QPainter;

namespace korvane {

class MaskedBitmap {
public:
    MaskedBitmap() = default;
    explicit MaskedBitmap(QImage image) : m_image(std::move(image)) {}

    // Loads a skin bitmap by number; false when there is none.
    bool LoadBitmap(int id);
    bool IsNull() const { return m_image.isNull(); }
    const QImage& Image() const { return m_image; }

    int GetWidth();
    int GetHeight();

    // The whole image at (x, y) in its own size.
    void Draw(QPainter& painter, int x, int y) const;
    // The image at (x, y) with every pixel of its key colour left out. The
    // image's last row is not drawn.
    void DrawTransparent(QPainter& painter, int x, int y);
    // The mask: 1 where the image has its top-left pixel's colour.
    void BuildMask();
    const QImage& Mask() const { return m_mask; }

private:
    void ReadSize();

    QImage m_image;
    int m_width = 0;
    int m_height = 0;
    QImage m_mask;   // one bit a pixel; null until built
    QImage m_keyed;  // the image with the masked pixels cleared, as drawn
};

}  // namespace korvane
