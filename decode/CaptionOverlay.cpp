#include "decode/CaptionOverlay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QTransform>

namespace korvane {
namespace {

constexpr int kDefaultPixelSize = 12;
constexpr std::uint8_t kNonAntialiasedQuality = 3;

QFont FontFrom(const LogFont& logFont) {
    QFont font;
    const std::size_t faceLength = strnlen(logFont.faceName.data(), logFont.faceName.size());
    if (faceLength > 0) {
        font.setFamily(QString::fromLatin1(logFont.faceName.data(), static_cast<qsizetype>(faceLength)));
    }
    // Negative heights give the character height, positive ones the cell
    // height; both are taken as the pixel size. 0 asks for a default size.
    const long long height = std::llabs(static_cast<long long>(logFont.height));
    font.setPixelSize(height == 0 ? kDefaultPixelSize : static_cast<int>(std::min(height, 4096LL)));
    // LOGFONT weights run 0 (any) to 1000; Qt's from 1 to 1000 with 400 normal.
    const int weight = logFont.weight <= 0 ? QFont::Normal : std::clamp(logFont.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(logFont.italic != 0);
    font.setUnderline(logFont.underline != 0);
    font.setStrikeOut(logFont.strikeOut != 0);
    if (logFont.quality == kNonAntialiasedQuality) font.setStyleStrategy(QFont::NoAntialias);
    // Unhinted outlines rasterise the same through the flip that bottom-up
    // pictures are drawn with, so a caption looks alike in both row orders.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

CaptionOverlay::CaptionOverlay() : m_font(FontFrom(m_logFont)), m_color(Qt::white) {}

CaptionOverlay::~CaptionOverlay() = default;

void CaptionOverlay::SetPosition(int x, int y) {
    m_x = x;
    m_y = y;
}

void CaptionOverlay::SetScale(double x, double y) {
    m_scaleX = x;
    m_scaleY = y;
}

void CaptionOverlay::SetFont(const LogFont& font) {
    if (font == m_logFont) return;
    m_logFont = font;
    m_font = FontFrom(font);
}

void CaptionOverlay::SetColor(std::uint32_t colorRef) {
    m_color = QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                     static_cast<int>((colorRef >> 16) & 0xFF));
}

int CaptionOverlay::InsertText(std::uint8_t* picture, int width, int height, const char* text,
                             int length) {
    if (picture == nullptr || width <= 0 || height == 0 || height == INT32_MIN) return 0;
    if (width > INT32_MAX / 3) return 0;
    const int rows = std::abs(height);
    const std::size_t textLength =
        (text == nullptr || length <= 0) ? 0 : strnlen(text, static_cast<std::size_t>(length));

    // The image shares the picture's bytes (no copy): drawing writes the
    // picture. It is kept while the same picture comes again, so that its
    // paint engine is made once rather than for every caption.
    if (m_image.isNull() || m_image.constBits() != picture || m_image.width() != width ||
        m_image.height() != rows) {
        m_image = QImage(picture, width, rows, static_cast<qsizetype>(width) * 3,
                         QImage::Format_BGR888);
        if (m_image.isNull()) return 0;
    }
    if (textLength == 0) return 1;

    // Latin-1 bytes are the first 256 code points.
    m_text.resize(static_cast<qsizetype>(textLength));
    QChar* characters = m_text.data();
    for (std::size_t i = 0; i < textLength; ++i) {
        characters[i] = QChar(static_cast<uchar>(text[i]));
    }

    QPainter painter(&m_image);
    if (!painter.isActive()) return 0;
    if (height > 0) {
        // Bottom row first: draw through a vertical flip so the text reads upright.
        painter.setTransform(QTransform(1, 0, 0, -1, 0, rows));
    }
    if (m_scaleX != 1 || m_scaleY != 1) painter.scale(m_scaleX, m_scaleY);
    painter.setFont(m_font);
    painter.setPen(m_color);
    painter.drawText(QPointF(m_x, m_y + painter.fontMetrics().ascent()), m_text);
    return 1;
}

}  // namespace korvane
