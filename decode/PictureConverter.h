// Turns decoded pictures into what is shown: BGR rows, top row first, with
// the recorded caption drawn in as the recorder draws it, at the picture's
// own size or scaled to the size a view shows it at. One converter per
// thread that shows pictures (it keeps its scalers and its caption painter);
// the pictures it makes are values any thread may hold. Needs a
// QGuiApplication for the captions' fonts.
#pragma once

#include <chrono>
#include <vector>

#include "decode/CaptionOverlay.h"
#include "decode/DecodedPicture.h"
#include "decode/Picture.h"
#include "media/FFmpegPtr.h"

namespace korvane {

class PictureConverter {
public:
    PictureConverter();
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // At the size it is shown at. Null when the scaler cannot convert it.
    PictureHandle Convert(const DecodedPicture& picture, std::chrono::steady_clock::time_point presentedAt);
    // Scaled into target (the shown part of the picture fills it whatever its
    // aspect), the caption scaled with it. Null for an empty target or one
    // larger than any picture shown.
    PictureHandle Convert(const DecodedPicture& picture, PictureSize target,
                          std::chrono::steady_clock::time_point presentedAt);

private:
    // What a scaler is set up for: the source part, its format and colours, the target.
    struct ScalerSetup {
        int sourceWidth = 0, sourceHeight = 0, format = -1, width = 0, height = 0;
        int colorspace = -1, range = -1;
        bool operator==(const ScalerSetup&) const = default;
    };
    struct Scaler {
        ScalerSetup setup;
        SwsContextUPtr context;
    };

    // Writes the shown part of the frame as target.width x target.height BGR
    // rows, `stride` bytes apart (negative: bottom row first in memory).
    bool Scale(const AVFrame& frame, PictureSize shown, PictureSize target, std::uint8_t* dest, int stride);
    SwsContext* ScalerFor(const ScalerSetup& setup);
    void DrawCaption(const RecordedCaption& caption, double scaleX, double scaleY, std::uint8_t* rows,
                     PictureSize size, bool bottomFirst);

    std::vector<Scaler> m_scalers;  // one per size and format met lately, the oldest first
    CaptionOverlay m_overlay;
};

}  // namespace korvane
