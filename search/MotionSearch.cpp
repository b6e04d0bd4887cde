#include "search/MotionSearch.h"

namespace korvane {

ScanOutcome SearchForMotion(const MotionRequest& request, const MotionCache* cache, const std::atomic<bool>& cancel,
                            const ScanCallbacks& callbacks) {
    if (cache != nullptr) {
        if (std::optional<MotionResult> kept = cache->Load(request)) {
            if (callbacks.found) {
                for (const MotionEvent& event : kept->events) callbacks.found(event);
            }
            ScanOutcome outcome;
            outcome.result = std::move(*kept);
            return outcome;
        }
    }
    ScanOutcome outcome = ScanForMotion(request, cancel, callbacks);
    if (outcome.status == ScanStatus::Done && cache != nullptr) cache->Store(request, outcome.result);
    return outcome;
}

}  // namespace korvane
