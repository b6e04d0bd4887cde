// A motion search as the faces run it: answered from the cache when the same
// search was finished before, else scanned and, when complete, kept.
#pragma once

#include <atomic>

#include "search/MotionCache.h"
#include "search/MotionScan.h"

namespace korvane {

// Without a cache every search is scanned and nothing is kept.
ScanOutcome SearchForMotion(const MotionRequest& request, const MotionCache* cache, const std::atomic<bool>& cancel,
                            const ScanCallbacks& callbacks = {});

}  // namespace korvane
