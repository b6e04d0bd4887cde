// A presented picture as a value: once handed out it never changes, so the
// thread that decoded it and the painter can both hold it without a lock.
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
    std::vector<std::uint8_t> pixels;  // BGR, width x 3 bytes a row, top row first
    std::string caption;               // the camera-and-time line
    std::string streamInfo;            // the extension's name and size line
    int camera = -1;                   // of the record the caption line was written for, 0-based
    SystemTime captureTime;            // and its capture time
    std::chrono::steady_clock::time_point presentedAt;  // when decoding handed it out

    // The BGR rows, top row first.
    std::span<const std::uint8_t> Bytes() const { return pixels; }
};

using PictureHandle = std::shared_ptr<const Picture>;

}  // namespace korvane
