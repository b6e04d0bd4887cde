// What a motion search looks for, and what it finds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// A rectangle in the pixels of the picture as shown; an empty one is the
// whole picture. A region drawn on a picture shown at another size than the
// decoded one (the player scales some codecs to the size the record asks
// for) names that size, and is scaled from it.
struct MotionRegion {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int pictureWidth = 0;   // the size the rectangle is in; 0: the decoded picture's shown size
    int pictureHeight = 0;

    bool Whole() const { return width <= 0 || height <= 0; }
    bool operator==(const MotionRegion&) const = default;
};

struct MotionSettings {
    static constexpr int kMinSensitivity = 1;
    static constexpr int kMaxSensitivity = 10;

    MotionRegion region;
    int sensitivity = 5;            // 1 (only strong change) to 10 (the faintest)
    double minSizePercent = 0.4;    // the least changed share of the region, in percent
    std::int64_t minDurationMs = 1000;
    bool keysOnly = false;          // compare key pictures only: faster, coarser

    bool operator==(const MotionSettings&) const = default;
};

// A small grey picture: luma, top row first, `width` bytes a row.
struct Thumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> luma;
    bool operator==(const Thumbnail&) const = default;
};

// One span of motion: from the first to the last picture that showed it.
struct MotionEvent {
    std::int64_t startMs = 0;   // capture times (CaptureMilliseconds)
    std::int64_t endMs = 0;
    double peakPercent = 0;     // the largest changed share of the region
    Thumbnail first;            // the first picture that showed it, small
    bool operator==(const MotionEvent&) const = default;
};

// One camera's search over a set of recordings (the camera's pictures in
// play order across them), between optional capture times.
struct MotionRequest {
    std::vector<std::string> paths;
    int camera = -1;  // 0-based; below 0 the first camera with pictures
    std::optional<std::int64_t> fromMs;
    std::optional<std::int64_t> toMs;
    MotionSettings settings;
    int threads = 0;  // decoder threads; 0: as many as the machine has
};

struct MotionResult {
    std::vector<MotionEvent> events;
    bool keysOnly = false;
    std::int64_t pictures = 0;      // pictures compared
    std::int64_t firstMs = 0;       // capture times of the first and last picture compared
    std::int64_t lastMs = 0;
    bool fromCache = false;
};

}  // namespace korvane
