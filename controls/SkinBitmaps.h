// The skin bitmaps of the control bar, embedded in the program and looked up
// by resource number (the bitmap of number 186 is skin/186.png).
#pragma once

#include <QImage>

namespace korvane {

// The bitmap of that number, or a null image when there is none.
QImage LoadSkinBitmap(int id);

}  // namespace korvane
