// A motion search over one camera of a set of recordings: the camera's
// video records in play order (its track) through the search's decoder,
// each picture in the asked span through the analysis. Runs on the caller's thread; a cancel
// flag stops it between records.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "search/MotionSettings.h"

namespace korvane {

enum class ScanStatus {
    Done,
    Cancelled,
    CannotOpen,   // the file cannot be read or is not a recording
    NoPictures,   // the camera has no picture in the span
    Failed,       // the codec is not decoded here, or memory ran out
};

struct ScanOutcome {
    ScanStatus status = ScanStatus::Done;
    MotionResult result;   // complete only when Done
    std::string message;   // a sentence for the user when not Done
};

struct ScanCallbacks {
    // Records fed so far and in all, now and then.
    std::function<void(std::int64_t done, std::int64_t total)> progress;
    // Each event as soon as it has ended.
    std::function<void(const MotionEvent&)> found;
};

ScanOutcome ScanForMotion(const MotionRequest& request, const std::atomic<bool>& cancel,
                          const ScanCallbacks& callbacks = {});

}  // namespace korvane
