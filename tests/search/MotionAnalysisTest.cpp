// The cell comparison and the event tracker on made-up luma planes and
// capture times.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "search/CellChange.h"
#include "search/EventTracker.h"

namespace korvane {
namespace {

struct Plane {
    static constexpr int kWidth = 352, kHeight = 240;
    std::vector<std::uint8_t> luma = std::vector<std::uint8_t>(kWidth * kHeight);

    // A textured scene, `lift` brighter, with noise of +-noise.
    Plane(int lift, int noise, unsigned seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> jitter(-noise, noise);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int base = 60 + (x * 7 + y * 3) % 90 + lift + (noise ? jitter(random) : 0);
                luma[y * kWidth + x] = static_cast<std::uint8_t>(std::clamp(base, 0, 255));
            }
        }
    }
    Plane& Box(int x0, int y0, int size, std::uint8_t value) {
        for (int y = y0; y < y0 + size; ++y) std::fill_n(&luma[y * kWidth + x0], size, value);
        return *this;
    }
    LumaPlane View() const { return {luma.data(), kWidth, kWidth, kHeight}; }
};

TEST(CellChangeTest, CountsObjectsButNotNoiseOrLight) {
    struct Case {
        const char* name;
        Plane next;
        double atLeast, atMost;
    };
    const int cells = CellChange({0, 0, Plane::kWidth, Plane::kHeight}, Plane::kWidth, 5).CellCount();
    const Case cases[] = {
        {"noise only", Plane(0, 6, 2), 0.0, 0.0},
        {"the whole scene 25 levels brighter", Plane(25, 6, 3), 0.0, 0.0},
        {"a dark 32x32 box on 4x4 cells", Plane(0, 6, 4).Box(100, 100, 32, 10), 64.0 / cells, 64.0 / cells},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CellChange change({0, 0, Plane::kWidth, Plane::kHeight}, Plane::kWidth, 5);
        EXPECT_EQ(change.Compare(Plane(0, 6, 1).View(), -1), 0.0);
        const double share = change.Compare(c.next.View(), 100);
        EXPECT_GE(share, c.atLeast);
        EXPECT_LE(share, c.atMost);
    }
}

TEST(CellChangeTest, AStillObjectBecomesBackgroundAndSensitivityLowersTheThreshold) {
    CellChange change({0, 0, Plane::kWidth, Plane::kHeight}, Plane::kWidth, 5);
    change.Compare(Plane(0, 0, 1).View(), -1);
    const Plane parked = Plane(0, 0, 1).Box(100, 100, 32, 10);
    EXPECT_GT(change.Compare(parked.View(), 100), 0.0);
    for (int minute = 0; minute < 10; ++minute) change.Compare(parked.View(), 60'000 - 1);
    EXPECT_EQ(change.Compare(parked.View(), 100), 0.0);

    EXPECT_LT(CellChange::Threshold(10), CellChange::Threshold(5));
    EXPECT_LT(CellChange::Threshold(5), CellChange::Threshold(1));
}

// Shares over time: each step is {ms since the first picture, share}.
TEST(EventTrackerTest, KeepsChangeThatLastsAndBridgesShortDrops) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::int64_t, double>> steps;
        std::vector<MotionEvent> events;
    };
    auto run = [](std::int64_t from, std::int64_t to, std::int64_t step, double share) {
        std::vector<std::pair<std::int64_t, double>> steps;
        for (std::int64_t t = from; t <= to; t += step) steps.emplace_back(t, share);
        return steps;
    };
    auto join = [](std::vector<std::vector<std::pair<std::int64_t, double>>> parts) {
        std::vector<std::pair<std::int64_t, double>> all;
        for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const std::vector<Case> cases = {
        {"too short", join({run(0, 900, 100, 0), run(1000, 1800, 100, 0.25), run(1900, 4000, 100, 0)}), {}},
        {"too small", run(0, 4000, 100, 0.001), {}},
        {"long enough", join({run(0, 900, 100, 0), run(1000, 2500, 100, 0.25), run(2600, 4000, 100, 0)}),
         {{1000, 2500, 25.0}}},
        {"a drop of half a second", join({run(1000, 2000, 100, 0.25), run(2100, 2500, 100, 0),
                                          run(2600, 3000, 100, 0.5), run(3100, 5000, 100, 0)}),
         {{1000, 3000, 50.0}}},
        {"a drop of a second splits", join({run(1000, 2000, 100, 0.25), run(2100, 3000, 100, 0),
                                            run(3100, 4100, 100, 0.25), run(4200, 6000, 100, 0)}),
         {{1000, 2000, 25.0}, {3100, 4100, 25.0}}},
        {"key pictures two seconds apart", join({run(0, 2000, 2000, 0), run(4000, 6000, 2000, 0.25),
                                                 run(8000, 12000, 2000, 0)}),
         {{4000, 6000, 25.0}}},
        {"open at the end", join({run(0, 900, 100, 0), run(1000, 3000, 100, 0.25)}), {{1000, 3000, 25.0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EventTracker tracker(0.01, 1000);
        std::vector<MotionEvent> found;
        for (const auto& [ms, share] : c.steps) {
            if (auto e = tracker.Add(ms, share)) found.push_back(*e);
        }
        if (auto e = tracker.Finish()) found.push_back(*e);
        EXPECT_EQ(found, c.events);
    }
}

}  // namespace
}  // namespace korvane
