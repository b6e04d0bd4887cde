// Saving the shown picture: at its own size, with or without the two text
// lines the view draws over it, as PNG or as JPEG by the name's ending, under
// a suggested name of site, camera and capture time.
#pragma once

#include <QImage>
#include <QString>

#include "decode/Picture.h"

namespace korvane {

class PlayerView;

// "<site>_CAM<n>_<YYYY-MM-DD_HH-MM-SS.mmm>.png"; without a site the name
// starts at the camera. A part of the picture adds "_<x>,<y>_<w>x<h>" (its
// pixels) and adjustments applied "_<their tag>" before the ending.
QString SuggestedPictureName(const QString& site, const Picture& picture, const QRect& part = {},
                             const QString& applied = {});
// The part of the view's picture a saved picture holds: the part shown
// while zoomed in, else the whole (a null rectangle).
QRect SavedPart(const PlayerView& view);
// The view's picture (the part shown, when zoomed in) at its own pixels;
// with the lines, as the view paints them over it; with the view's picture
// adjustments only when asked. A null image when the view shows none.
QImage PictureImage(const PlayerView& view, bool withCaptionLines, bool adjusted = false);
// JPEG for a name ending in .jpg or .jpeg, PNG for any other.
bool SaveImage(const QImage& image, const QString& path);

}  // namespace korvane
