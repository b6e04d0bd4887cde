#include "app/PictureAdjust.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/Deinterlacer.h"

namespace korvane {

QString PictureAdjustments::Tag() const {
    QStringList parts;
    if (brightness != 0) parts << QStringLiteral("b%1%2").arg(brightness > 0 ? "+" : "").arg(brightness);
    if (contrast != 1.0) parts << QStringLiteral("c%1").arg(contrast, 0, 'f', 2);
    if (gamma != 1.0) parts << QStringLiteral("g%1").arg(gamma, 0, 'f', 2);
    if (deinterlace) parts << QStringLiteral("deint");
    return parts.join(QLatin1Char('_'));
}

PictureAdjustments PictureAdjustments::Clamped() const {
    PictureAdjustments a = *this;
    a.brightness = std::clamp(brightness, -kBrightnessLimit, kBrightnessLimit);
    a.contrast = std::clamp(contrast, kMinFactor, kMaxFactor);
    a.gamma = std::clamp(gamma, kMinFactor, kMaxFactor);
    return a;
}

QImage Adjusted(const QImage& picture, const PictureAdjustments& adjustments, const QImage& before) {
    QImage image = picture.convertToFormat(QImage::Format_BGR888);
    if (adjustments.deinterlace) image = Deinterlaced(image, before);
    if (adjustments.brightness == 0 && adjustments.contrast == 1.0 && adjustments.gamma == 1.0) return image;
    // One table for every level: contrast around mid grey, then brightness, then gamma.
    std::array<std::uint8_t, 256> table{};
    for (int level = 0; level < 256; ++level) {
        double v = (level / 255.0 - 0.5) * adjustments.contrast + 0.5 + adjustments.brightness / 255.0;
        v = std::pow(std::clamp(v, 0.0, 1.0), 1.0 / adjustments.gamma);
        table[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(std::lround(v * 255.0));
    }
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* row = image.scanLine(y);
        for (int i = 0; i < image.width() * 3; ++i) row[i] = table[row[i]];
    }
    return image;
}

}  // namespace korvane
