// The analysis of one camera's pictures in order: the search region laid
// over each picture's luma, its changed share, and the events that make.
#pragma once

#include <cstdint>
#include <optional>

#include "search/CellChange.h"
#include "search/EventTracker.h"
#include "search/MotionSettings.h"

namespace korvane {

class MotionAnalyzer {
public:
    explicit MotionAnalyzer(const MotionSettings& settings);

    // A picture whose plane is shown `shownWidth` pixels wide (some codecs
    // show a picture narrower than it is coded) at capture time `timeMs`.
    // Returns the event that ended before it, if any.
    std::optional<MotionEvent> Add(const LumaPlane& plane, int shownWidth, std::int64_t timeMs);
    std::optional<MotionEvent> Finish() { return WithThumbnail(m_tracker.Finish()); }

    // An object of the minimum size changes at least this share of its
    // area in whole cells: it straddles cells, and its edge cells change less.
    static constexpr double kCellCoverage = 0.5;
    // Thumbnails are this wide.
    static constexpr int kThumbnailWidth = 88;

private:
    // The region in the plane's pixels; empty when it lies outside.
    LumaRect MapRegion(const LumaPlane& plane, int shownWidth) const;
    std::optional<MotionEvent> WithThumbnail(std::optional<MotionEvent> event) const;

    MotionSettings m_settings;
    EventTracker m_tracker;
    std::optional<CellChange> m_cells;
    int m_planeWidth = 0, m_planeHeight = 0, m_shownWidth = 0;
    std::optional<std::int64_t> m_lastTime;
    Thumbnail m_runStart;  // of the run of change now open
};

}  // namespace korvane
