#include "clip/PacketPlan.h"

#include <algorithm>
#include <optional>

namespace korvane {
namespace {

// At either end there is one neighbour only: a far larger jump is asked for.
constexpr std::int64_t kOutOfOrderAtEndMs = 24 * 3600 * 1000;
// A step back this small (equal times, a jitter) is no new reference for the times after it.
constexpr std::int64_t kSmallStepBackMs = 1000;

bool Outside(std::int64_t t, std::int64_t a, std::int64_t b, std::int64_t margin) {
    return t > std::max(a, b) + margin || t < std::min(a, b) - margin;
}

// Marks the pictures (by position in `times`) whose time is out of its neighbours' order.
std::vector<bool> OutOfOrder(const std::vector<std::int64_t>& times) {
    const std::size_t n = times.size();
    std::vector<bool> out(n, false);
    if (n < 3) return out;
    for (std::size_t k = 1; k + 1 < n; ++k) {
        const std::int64_t before = times[k - 1], after = times[k + 1];
        // Neighbours in order with each other, the picture far from both.
        if (std::abs(after - before) <= kOutOfOrderMs && Outside(times[k], before, after, kOutOfOrderMs)) out[k] = true;
    }
    const auto end = [&](std::size_t k, std::size_t near, std::size_t far) {
        if (!out[near] && std::abs(times[far] - times[near]) <= kOutOfOrderMs &&
            std::abs(times[k] - times[near]) > kOutOfOrderAtEndMs)
            out[k] = true;
    };
    end(0, 1, 2);
    end(n - 1, n - 2, n - 3);
    return out;
}

}  // namespace

std::string_view TimeNoteText(TimeNote note) {
    switch (note) {
        case TimeNote::None: return "";
        case TimeNote::Merged: return "merged";
        case TimeNote::OutOfOrder: return "out_of_order";
        case TimeNote::Adjusted: return "adjusted";
    }
    return "";
}

PictureTimes PlanPictureTimes(std::span<const std::int64_t> captureMs) {
    const std::vector<std::int64_t> times(captureMs.begin(), captureMs.end());
    const std::vector<bool> outOfOrder = OutOfOrder(times);
    PictureTimes plan;
    plan.ptsMs.resize(times.size());
    plan.notes.resize(times.size(), TimeNote::None);
    const auto firstGood = std::find(outOfOrder.begin(), outOfOrder.end(), false);
    std::optional<std::int64_t> lastPts, goodPts, goodTime;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const std::int64_t t = times[k];
        std::int64_t& pts = plan.ptsMs[k];
        if (outOfOrder[k]) {
            ++plan.outOfOrder;
            plan.notes[k] = TimeNote::OutOfOrder;
            // Before the first good picture: just ahead of it.
            pts = lastPts ? *lastPts + 1 : times[std::size_t(firstGood - outOfOrder.begin())] - 1;
        } else {
            // The spacing from the last good picture, never at or before the packet ahead.
            const std::int64_t own = goodPts ? *goodPts + (t - *goodTime) : t;
            pts = lastPts ? std::max(own, *lastPts + 1) : own;
            if (pts != t) plan.notes[k] = TimeNote::Adjusted;
            // The pictures after keep their spacing from this one, unless it moved only a little
            // (equal times, jitter): then they go back to their own spacing.
            if (pts == own || pts - own > kSmallStepBackMs) {
                goodPts = pts;
                goodTime = t;
            }
        }
        lastPts = pts;
    }
    return plan;
}

FeederPlace PlaceFeeder(std::int64_t captureMs, bool holdsPicture, std::optional<std::int64_t> previousPts,
                        const std::optional<NextPicture>& next) {
    FeederPlace place;
    if (!next) {
        // Nothing follows to ride with: a packet of its own after the last one.
        place.ownPacket = true;
        place.ptsMs = previousPts ? std::max(captureMs, *previousPts + 1) : captureMs;
    } else if (const std::int64_t own = next->ptsMs - (next->captureMs - captureMs);
               holdsPicture && next->note != TimeNote::OutOfOrder && own < next->ptsMs &&
               (!previousPts || own > *previousPts)) {
        place.ownPacket = true;
        place.ptsMs = own;
    } else {
        place.ptsMs = next->ptsMs;
        place.note = TimeNote::Merged;
        return place;
    }
    if (place.ptsMs != captureMs) place.note = TimeNote::Adjusted;
    return place;
}

}  // namespace korvane
