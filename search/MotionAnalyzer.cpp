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
    return m_tracker.Add(timeMs, m_cells->Compare(plane, elapsed));
}

}  // namespace korvane
