// Brightness, contrast, gamma and deinterlacing of the shown picture. They
// change what the view shows (and a saved picture when the user asks), never
// the recording or an export.
#pragma once

#include <QImage>
#include <QString>

namespace korvane {

struct PictureAdjustments {
    static constexpr int kBrightnessLimit = 100;   // levels of 255, either way
    static constexpr double kMinFactor = 0.25;     // contrast and gamma from this
    static constexpr double kMaxFactor = 4.0;      // to this

    int brightness = 0;     // added to every level
    double contrast = 1.0;  // around mid grey
    double gamma = 1.0;     // above 1 lightens the dark parts
    bool deinterlace = false;

    bool Neutral() const { return brightness == 0 && contrast == 1.0 && gamma == 1.0 && !deinterlace; }
    // What was applied, for a file name: "b+10_c1.20_g0.90_deint"; empty when neutral.
    QString Tag() const;
    // The same values kept within their limits.
    PictureAdjustments Clamped() const;
    bool operator==(const PictureAdjustments&) const = default;
};

// The picture (any format) with the adjustments applied, as BGR888;
// `before`, the picture shown before it, lets deinterlacing see motion.
QImage Adjusted(const QImage& picture, const PictureAdjustments& adjustments, const QImage& before = {});

}  // namespace korvane
