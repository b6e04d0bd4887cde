#include "controls/BitmapPanel.h"

#include <QPainter>

#include "controls/SkinBitmaps.h"

namespace korvane {

bool BitmapPanel::LoadBitmap(int id) {
    m_bitmap = LoadSkinBitmap(id);
    m_source = QRect(0, 0, m_bitmap.width(), m_bitmap.height());
    return !m_bitmap.isNull();
}

bool BitmapPanel::Draw(QPainter& painter, const QRect& rect) const {
    if (!m_bitmap.isNull())
        painter.drawImage(rect.topLeft(), m_bitmap, QRect(QPoint(0, 0), m_source.size()));
    return true;
}

bool BitmapPanel::StretchDraw(QPainter& painter, int x1, int y1, int x2, int y2) const {
    if (m_bitmap.isNull() || x2 <= x1 || y2 <= y1) return true;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(x1, y1, x2 - x1, y2 - y1), m_bitmap, QRect(QPoint(0, 0), m_source.size()));
    painter.restore();
    return true;
}

}  // namespace korvane
