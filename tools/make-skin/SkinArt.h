// The artwork of the control bar: every bitmap the bar loads, drawn by
// resource number. The images are drawn here rather than by hand so that the
// glyphs stay on whole pixels and the four looks of each button differ in
// the same way everywhere.
#pragma once

#include <QImage>

#include <vector>

namespace korvane::skin {

struct SkinImage {
    int id;
    QImage image;
};

// Every bitmap of the bar: the buttons' state images, the slider channels and
// thumb, the background panel and its edge strip, each once.
std::vector<SkinImage> DrawSkin();

// The application icon, size x size pixels: the bar's graphite with four
// camera pictures and a play triangle.
QImage DrawIcon(int size);

}  // namespace korvane::skin
