#include "search/MotionAnalyzer.h"

#include <algorithm>
#include <cmath>

namespace korvane {

MotionAnalyzer::MotionAnalyzer(const MotionSettings& settings)
    : m_settings(settings),
      m_tracker(settings.minSizePercent / 100.0 * kCellCoverage, settings.minDurationMs) {}

LumaRect MotionAnalyzer::MapRegion(const LumaPlane& plane, int shownWidth) const {
    if (m_settings.region.Whole()) return {0, 0, plane.width, plane.height};
    const MotionRegion& r = m_settings.region;
    const int fromWidth = r.pictureWidth > 0 ? r.pictureWidth : shownWidth;
    const int fromHeight = r.pictureHeight > 0 ? r.pictureHeight : plane.height;
    const double sx = fromWidth > 0 ? static_cast<double>(plane.width) / fromWidth : 1.0;
    const double sy = fromHeight > 0 ? static_cast<double>(plane.height) / fromHeight : 1.0;
    const int left = std::clamp(static_cast<int>(std::lround(r.x * sx)), 0, plane.width);
    const int right = std::clamp(static_cast<int>(std::lround((r.x + r.width) * sx)), 0, plane.width);
    const int top = std::clamp(static_cast<int>(std::lround(r.y * sy)), 0, plane.height);
    const int bottom = std::clamp(static_cast<int>(std::lround((r.y + r.height) * sy)), 0, plane.height);
    return {left, top, right - left, bottom - top};
}

namespace {

// The plane scaled down to kThumbnailWidth, nearest sample, shown proportions.
Thumbnail Small(const LumaPlane& plane, int shownWidth, int width) {
    Thumbnail t;
    if (plane.width <= 0 || plane.height <= 0) return t;
    const int shown = shownWidth > 0 ? shownWidth : plane.width;
    t.width = std::min(width, plane.width);
    t.height = std::max(1, plane.height * t.width / shown);
    t.luma.resize(static_cast<std::size_t>(t.width) * static_cast<std::size_t>(t.height));
    for (int y = 0; y < t.height; ++y) {
        const std::uint8_t* line = plane.data + static_cast<std::ptrdiff_t>(y * plane.height / t.height) * plane.stride;
        for (int x = 0; x < t.width; ++x) t.luma[static_cast<std::size_t>(y * t.width + x)] = line[x * plane.width / t.width];
    }
    return t;
}

}  // namespace

std::optional<MotionEvent> MotionAnalyzer::WithThumbnail(std::optional<MotionEvent> event) const {
    if (event) event->first = m_runStart;
    return event;
}

std::optional<MotionEvent> MotionAnalyzer::Add(const LumaPlane& plane, int shownWidth, std::int64_t timeMs) {
    if (!m_cells || plane.width != m_planeWidth || plane.height != m_planeHeight || shownWidth != m_shownWidth) {
        // A new picture size starts the comparison afresh.
        const LumaRect rect = MapRegion(plane, shownWidth);
        if (rect.width <= 0 || rect.height <= 0) return m_tracker.Add(timeMs, 0.0);
        m_cells.emplace(rect, plane.width, m_settings.sensitivity);
        m_planeWidth = plane.width;
        m_planeHeight = plane.height;
        m_shownWidth = shownWidth;
        m_lastTime.reset();
    }
    const std::int64_t elapsed = m_lastTime ? timeMs - *m_lastTime : -1;
    m_lastTime = timeMs;
    std::optional<MotionEvent> ended = WithThumbnail(m_tracker.Add(timeMs, m_cells->Compare(plane, elapsed)));
    if (m_tracker.Began()) m_runStart = Small(plane, shownWidth, kThumbnailWidth);
    return ended;
}

}  // namespace korvane
