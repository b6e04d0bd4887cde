// One engine on real recordings for the playback tests: a Player with a
// recording notifier, a scratch folder, and every picture it showed with
// the moment it was presented.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "authoring/TempDir.h"
#include "playback/Player.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class PlayerHarness {
public:
    PlayerHarness() {
        EnsureGuiApp();
        QObject::connect(&player, &Player::PictureShown, &player,
                         [this](const PictureHandle& picture) { shown.push_back(picture); });
        QObject::connect(&player, &Player::PlaybackEnded, &player, [this] { ++ends; });
    }

    // Runs the event loop until playback has ended, at most `limit`; true when it did.
    bool RunUntilEnded(milliseconds limit = milliseconds(10000)) {
        RunWhile([this] { return player.IsPlaying(); }, limit);
        return !player.IsPlaying();
    }
    template <typename Condition>
    static void RunWhile(Condition condition, milliseconds limit) {
        const auto end = Clock::now() + limit;
        QTimer tick;  // wakes the wait now and then to look at the clock
        tick.start(20);
        while (condition() && Clock::now() < end) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (const PictureHandle& s : shown) out.push_back(s->caption);
        return out;
    }
    // Milliseconds between one shown picture and the next.
    std::vector<int> Gaps() const {
        std::vector<int> out;
        for (std::size_t i = 1; i < shown.size(); ++i) out.push_back(Since(i - 1, i));
        return out;
    }
    int Since(std::size_t from, std::size_t to) const {
        return static_cast<int>(
            std::chrono::duration_cast<milliseconds>(shown[to]->presentedAt - shown[from]->presentedAt).count());
    }
    // Each picture lands within max(25 ms, 3 %) of its place in the schedule:
    // milliseconds after the first picture shown.
    void ExpectOnSchedule(const std::vector<int>& schedule) const {
        ASSERT_EQ(shown.size(), schedule.size());
        for (std::size_t i = 1; i < shown.size(); ++i)
            EXPECT_NEAR(Since(0, i), schedule[i], std::max(25.0, 0.03 * schedule[i])) << "picture " << i;
    }

    StderrNotifier notifier{false};
    Player player{notifier};
    TempDir dir;
    std::vector<PictureHandle> shown;  // every picture shown, in order
    int ends = 0;
};

}  // namespace korvane::testing
