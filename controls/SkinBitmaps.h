// The skin bitmaps of the control bar, embedded in the program and looked up
// by resource number (the bitmap of number 186 is skin/186.png).
#pragma once

#include <QImage>

namespace korvane {

// The bitmaps the bar's sliders are drawn from, which also give the colours.
constexpr int kThumbBitmap = 144;
constexpr int kVolumeChannel = 148;
constexpr int kSpeedChannel = 193;

// The bitmap of that number, or a null image when there is none.
QImage LoadSkinBitmap(int id);

}  // namespace korvane
