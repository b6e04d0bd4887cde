// How much of a region of the picture changed against its background.
//
// The region's luma is averaged over a coarse grid of cells, so that sensor
// noise and the codec's block flicker average out. Each cell's mean is
// compared with a background that follows the scene slowly; the median
// difference over the region is taken off first, so that light that changes
// the whole scene at once does not count as motion. A cell changed when what
// is left passes a threshold set by the sensitivity.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace korvane {

// One picture's luma plane, top row first.
struct LumaPlane {
    const std::uint8_t* data = nullptr;
    int stride = 0;  // bytes from one row to the next
    int width = 0;
    int height = 0;
};

// A rectangle in the luma plane's pixels.
struct LumaRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class CellChange {
public:
    // The grid for a plane `planeWidth` pixels wide, laid over `rect`.
    CellChange(LumaRect rect, int planeWidth, int sensitivity);

    // Compares the plane (which must cover the rectangle) with the
    // background and lets the background follow it, `elapsedMs` after the
    // last picture. Returns the changed share of the region, 0 to 1. The
    // first picture, and the first after a long break, only set the background.
    double Compare(const LumaPlane& plane, std::int64_t elapsedMs);

    int CellCount() const { return m_columns * m_rows; }
    int CellSize() const { return m_cell; }
    // The luma difference a cell's mean must pass.
    static double Threshold(int sensitivity);

private:
    void Measure(const LumaPlane& plane);

    LumaRect m_rect;
    int m_cell = 0;
    int m_columns = 0;
    int m_rows = 0;
    double m_threshold = 0;
    bool m_started = false;
    std::vector<std::uint16_t> m_columnSums;  // per column, over one row of cells (at most 16 lines of 255)
    std::vector<std::uint32_t> m_sums;    // per cell, this picture
    std::vector<float> m_means;
    std::vector<float> m_background;
    std::vector<float> m_differences;     // scratch for the median
};

}  // namespace korvane
