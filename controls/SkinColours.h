// The colours of the skin, taken from its bitmaps, for the controls that
// are drawn rather than made of bitmaps (the timeline, the readout).
#pragma once

#include <QColor>

namespace korvane {

struct SkinColours {
    QColor base;    // the bar's background
    QColor groove;  // the slider's groove: where nothing was recorded
    QColor filled;  // the slider's ticks: the recorded stretches
    QColor text;    // the thumb's light face
    QColor accent;  // the thumb's grip: the current picture
};

// Read once from the skin; a colour whose bitmap is missing keeps a dark default.
const SkinColours& Skin();

}  // namespace korvane
