#include "controls/MaskedBitmap.h"

#include <QPainter>

#include "controls/SkinBitmaps.h"

namespace korvane {

bool MaskedBitmap::LoadBitmap(int id) {
    m_image = LoadSkinBitmap(id);
    m_width = m_height = 0;
    m_mask = QImage();
    m_keyed = QImage();
    return !m_image.isNull();
}

void MaskedBitmap::ReadSize() {
    m_width = m_image.width();
    m_height = m_image.height();
}

int MaskedBitmap::GetWidth() {
    if (m_width == 0 || m_height == 0) ReadSize();
    return m_width;
}

int MaskedBitmap::GetHeight() {
    if (m_width == 0 || m_height == 0) ReadSize();
    return m_height;
}

void MaskedBitmap::Draw(QPainter& painter, int x, int y) const {
    if (!m_image.isNull()) painter.drawImage(x, y, m_image);
}

void MaskedBitmap::BuildMask() {
    if (m_image.isNull()) return;
    const QRgb key = m_image.pixel(0, 0);
    m_mask = m_image.createMaskFromColor(key, Qt::MaskInColor);
    m_keyed = m_image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < m_keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_keyed.scanLine(y));
        for (int x = 0; x < m_keyed.width(); ++x)
            if (m_mask.pixelIndex(x, y) == 1) row[x] = 0;
    }
}

void MaskedBitmap::DrawTransparent(QPainter& painter, int x, int y) {
    if (m_image.isNull()) return;
    if (m_mask.isNull()) BuildMask();
    // The box drawn is one row shorter than the image: its last row is left out.
    painter.drawImage(QPoint(x, y), m_keyed, QRect(0, 0, GetWidth(), GetHeight() - 1));
}

}  // namespace korvane
