#include "search/CellChange.h"

#include <algorithm>
#include <cmath>

namespace korvane {
namespace {

// About this many cells across the picture, whatever its resolution.
constexpr int kCellsAcross = 88;
constexpr int kMinCell = 4;
constexpr int kMaxCell = 32;
// How fast the background follows: still cells within seconds (slow light,
// a moved shadow), changed cells over a minute (a parked car joins the scene).
constexpr double kStillSeconds = 6.0;
constexpr double kChangedSeconds = 60.0;
// Lines summed: every other one.
constexpr int kLineStep = 2;
// The median shift of the region is taken from every fourth cell.
constexpr std::size_t kMedianStep = 4;
// After a break this long the scene is taken afresh.
constexpr std::int64_t kRestartMs = 30'000;

double Follow(std::int64_t elapsedMs, double seconds) {
    return 1.0 - std::exp(-static_cast<double>(elapsedMs) / (seconds * 1000.0));
}

}  // namespace

double CellChange::Threshold(int sensitivity) {
    const int s = std::clamp(sensitivity, 1, 10);
    return 4.0 + 3.0 * (10 - s);
}

CellChange::CellChange(LumaRect rect, int planeWidth, int sensitivity)
    : m_rect(rect), m_threshold(Threshold(sensitivity)) {
    m_cell = std::clamp(planeWidth / kCellsAcross, kMinCell, kMaxCell);
    m_cell = std::max(1, std::min({m_cell, rect.width, rect.height}));
    m_columns = std::max(1, rect.width / m_cell);
    m_rows = std::max(1, rect.height / m_cell);
    const auto cells = static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows);
    m_sums.resize(cells);
    m_means.resize(cells);
    m_background.resize(cells);
    m_differences.resize(cells);
}

void CellChange::Measure(const LumaPlane& plane) {
    // Column sums over every other line of one row of cells first (a plain
    // loop the compiler vectorises; half the lines average noise out as
    // well), then a few adds per cell.
    const int width = m_columns * m_cell;
    m_columnSums.resize(static_cast<std::size_t>(width));
    for (int cellRow = 0; cellRow < m_rows; ++cellRow) {
        std::fill(m_columnSums.begin(), m_columnSums.end(), std::uint16_t{0});
        for (int row = cellRow * m_cell; row < (cellRow + 1) * m_cell; row += kLineStep) {
            const std::uint8_t* line =
                plane.data + static_cast<std::ptrdiff_t>(m_rect.y + row) * plane.stride + m_rect.x;
            std::uint16_t* sums = m_columnSums.data();
            for (int x = 0; x < width; ++x) sums[x] = static_cast<std::uint16_t>(sums[x] + line[x]);
        }
        std::uint32_t* cells = m_sums.data() + static_cast<std::size_t>(cellRow) * m_columns;
        for (int column = 0; column < m_columns; ++column) {
            std::uint32_t sum = 0;
            for (int i = column * m_cell; i < (column + 1) * m_cell; ++i) sum += m_columnSums[i];
            cells[column] = sum;
        }
    }
    const float area = static_cast<float>(m_cell * ((m_cell + kLineStep - 1) / kLineStep));
    for (std::size_t i = 0; i < m_sums.size(); ++i) m_means[i] = static_cast<float>(m_sums[i]) / area;
}

double CellChange::Compare(const LumaPlane& plane, std::int64_t elapsedMs) {
    Measure(plane);
    if (!m_started || elapsedMs >= kRestartMs || elapsedMs < 0) {
        m_background = m_means;
        m_started = true;
        return 0.0;
    }
    const std::size_t step = m_means.size() >= 64 * kMedianStep ? kMedianStep : 1;
    m_differences.clear();
    for (std::size_t i = 0; i < m_means.size(); i += step) m_differences.push_back(m_means[i] - m_background[i]);
    auto middle = m_differences.begin() + static_cast<std::ptrdiff_t>(m_differences.size() / 2);
    std::nth_element(m_differences.begin(), middle, m_differences.end());
    const float shift = *middle;

    const auto still = static_cast<float>(Follow(elapsedMs, kStillSeconds));
    const auto changed = static_cast<float>(Follow(elapsedMs, kChangedSeconds));
    std::size_t count = 0;
    for (std::size_t i = 0; i < m_means.size(); ++i) {
        const float difference = m_means[i] - m_background[i];
        const bool moved = std::fabs(difference - shift) > m_threshold;
        count += moved ? 1 : 0;
        m_background[i] += (moved ? changed : still) * difference;
    }
    return static_cast<double>(count) / static_cast<double>(m_means.size());
}

}  // namespace korvane
