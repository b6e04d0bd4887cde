// Draws a recorded caption into a 24-bit picture in place: QPainter on a
// QImage that wraps the picture's own bytes. Position, font and colour are set
// before each caption. Text that does not fit is clipped at the picture's
// edges. Needs a QGuiApplication (for the fonts); may run on any one thread at
// a time.
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include "recording/RecordLayout.h"

namespace korvane {

class CaptionOverlay {
public:
    CaptionOverlay();
    ~CaptionOverlay();
    CaptionOverlay(const CaptionOverlay&) = delete;
    CaptionOverlay& operator=(const CaptionOverlay&) = delete;

    // Top-left corner of the text, in pixels from the picture's top-left.
    void SetPosition(int x, int y);
    // Face, height (|height| pixels), weight, italic, underline, strike-out;
    // quality 3 (non-antialiased) draws without antialiasing.
    void SetFont(const LogFont& font);
    // A COLORREF: 0x00BBGGRR.
    void SetColor(std::uint32_t colorRef);
    // Position and text scaled by these factors, for a picture shown at
    // another size than its own; 1 and 1 draw as recorded.
    void SetScale(double x, double y);

    // Draws text (Latin-1, up to length bytes or the first NUL) into the
    // picture of width x |height| pixels, rows of width x 3 bytes. A negative
    // height means the picture's top row comes first, a positive one that its
    // bottom row does. Returns 1 when the picture could be drawn on, else 0.
    int InsertText(std::uint8_t* picture, int width, int height, const char* text, int length);

private:
    int m_x = 0;
    int m_y = 0;
    double m_scaleX = 1;
    double m_scaleY = 1;
    LogFont m_logFont;
    QFont m_font;
    QColor m_color;
    QImage m_image;  // over the last picture drawn on
    QString m_text;  // reused for each caption's characters
};

}  // namespace korvane
