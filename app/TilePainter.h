// The one painter of pictures and their text lines: the single view, the
// tiles of the site view, printing, saved pictures and the headless mosaic
// all draw through it, so that they look the same.
#pragma once

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "decode/Picture.h"

class QImage;
class QPainter;

namespace korvane {

// The largest rectangle of `picture`'s proportions centred in target.
QRect FittedRect(QSize picture, const QRect& target);
// The picture's pixels as an image (shared, not copied); null without pixels.
QImage PixelsImage(const Picture& picture);
// The two text lines over a picture drawn in `area`: white over a black
// shadow one pixel up and left, from its top left corner.
void PaintTextLines(QPainter& painter, const QRect& area, const std::string& first, const std::string& second);

// What a tile of the site view shows: its camera's picture, or none with
// the capture time of the camera's next picture (nothing when none follows).
struct TileContent {
    int camera = -1;  // 0-based
    std::string name;  // from the site information; may be empty
    PictureHandle picture;
    bool noRecording = false;
    std::optional<std::int64_t> next;  // capture ms
};

// The text of a tile without a picture: "No recording" and when the next picture is.
QString NoRecordingText(const std::optional<std::int64_t>& next);
// One tile: black, the picture in its proportions with its caption line and
// the camera's name, or "No recording" with the next picture's time; the
// selected tile framed.
void PaintTile(QPainter& painter, const QRect& tile, const TileContent& content, bool selected);

}  // namespace korvane
