// One engine on real recordings for the playback tests: a Session on a manual
// clock with a recording notifier, a scratch folder, and every picture it
// showed with the moment (on the manual clock) it was presented. Time moves
// only when a test moves it, so every schedule is checked exactly.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "authoring/TempDir.h"
#include "playback/Session.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {

using std::chrono::milliseconds;

class SessionHarness {
public:
    // Sound paces by the output's own clock: its tests run on the steady clock.
    explicit SessionHarness(bool manualTime = true)
        : ownTime(manualTime ? std::make_unique<ManualTimeSource>() : nullptr),
          manual(ownTime.get()),
          session(notifier, std::move(ownTime)) {
        EnsureGuiApp();
        QObject::connect(&session, &Session::PictureShown, &session,
                         [this](const PictureHandle& picture) { shown.push_back(picture); });
        QObject::connect(&session, &Session::PlaybackEnded, &session, [this] { ++ends; });
    }

    // Moves time from deadline to deadline (each `late` past it, as a
    // machine too slow for the run would) until the mode ends.
    void RunUntilEnded(milliseconds late = milliseconds(0)) {
        RunWhile([] { return true; }, late);
    }
    // The same while `condition` holds and the mode plays.
    template <typename Condition>
    void RunWhile(Condition condition, milliseconds late = milliseconds(0)) {
        QCoreApplication::processEvents();
        while (session.IsPlaying() && condition()) {
            if (manual == nullptr) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
                continue;
            }
            // Once the run waits (or has ended), everything it showed before has been posted.
            const auto due = manual->NextDeadline();
            QCoreApplication::processEvents();
            if (due && session.IsPlaying() && condition())
                manual->Advance(std::chrono::ceil<milliseconds>(*due - manual->Now()) + late);
        }
    }

    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (const PictureHandle& s : shown) out.push_back(s->caption);
        return out;
    }
    // Milliseconds of the manual clock from the first picture shown to each.
    std::vector<int> Schedule() const {
        std::vector<int> out;
        for (const PictureHandle& s : shown)
            out.push_back(static_cast<int>(
                std::chrono::duration_cast<milliseconds>(s->presentedAt - shown.front()->presentedAt).count()));
        return out;
    }

    StderrNotifier notifier{false};
    std::unique_ptr<ManualTimeSource> ownTime;
    ManualTimeSource* manual;  // null on the steady clock
    Session session;             // owns the time from here on
    TempDir dir;
    std::vector<PictureHandle> shown;  // every picture shown, in order
    int ends = 0;
};

}  // namespace korvane::testing
