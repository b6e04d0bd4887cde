#include "controls/SkinColours.h"

#include <QImage>

#include "controls/SkinBitmaps.h"

namespace korvane {
namespace {

QColor PixelOf(int bitmap, int x, int y, QColor fallback) {
    const QImage image = LoadSkinBitmap(bitmap);
    if (image.isNull() || !image.rect().contains(x, y)) return fallback;
    return image.pixelColor(x, y);
}

SkinColours Load() {
    SkinColours c;
    c.base = PixelOf(kVolumeChannel, 0, 0, QColor(0x20, 0x24, 0x2A));
    c.groove = PixelOf(kVolumeChannel, 8, 5, QColor(0x0A, 0x0C, 0x0F));
    // The speed channel's tick under the last level.
    c.filled = PixelOf(kSpeedChannel, 44, 10, QColor(0x5A, 0x63, 0x6E));
    c.text = PixelOf(kThumbBitmap, 2, 1, QColor(0xF4, 0xF6, 0xF8));
    c.accent = PixelOf(kThumbBitmap, 4, 3, QColor(0x19, 0xB8, 0xDC));
    return c;
}

}  // namespace

const SkinColours& Skin() {
    static const SkinColours colours = Load();
    return colours;
}

}  // namespace korvane
