// A presented picture as a value: once handed out it never changes, so the
// thread that made it and the painter can both hold it without a lock. Its
// pixels are shared between values: presenting it again at another time
// (Represent) copies none of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recording/RecordLayout.h"

namespace korvane {

struct Picture {
    int width = 0;
    int height = 0;
    std::shared_ptr<const std::vector<std::uint8_t>> pixels;  // BGR, width x 3 bytes a row, top row first
    std::string caption;     // the camera-and-time line
    std::string streamInfo;  // the extension's name and size line
    int camera = -1;         // of the record the caption line was written for, 0-based
    SystemTime captureTime;  // and its capture time
    std::chrono::steady_clock::time_point presentedAt;  // when it was handed out

    // The BGR rows, top row first.
    std::span<const std::uint8_t> Bytes() const {
        return pixels ? std::span<const std::uint8_t>(*pixels) : std::span<const std::uint8_t>();
    }
};

using PictureHandle = std::shared_ptr<const Picture>;

// The same picture presented at another time; the pixels are shared. Null for null.
inline PictureHandle Represent(const PictureHandle& picture, std::chrono::steady_clock::time_point presentedAt) {
    if (!picture) return nullptr;
    auto again = std::make_shared<Picture>(*picture);
    again->presentedAt = presentedAt;
    return again;
}

}  // namespace korvane
