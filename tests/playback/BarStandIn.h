// Stands in for the control bar in the view's tests: answers the end of
// playback as the bar does (the view's message, posted to the GUI thread),
// forwards the reload to the view, and counts what the view asked of it.
#pragma once

#include <atomic>

#include "platform/Messages.h"
#include "playback/ControlBarLink.h"
#include "playback/ViewMessages.h"

namespace korvane::testing {

class BarStandIn : public ControlBarLink {
public:
    explicit BarStandIn(MessageTarget& view) : m_view(view) {}
    void PlaybackEnded() override {
        ++ends;
        PostMessage(m_view, WM_BAR_PLAYBACK_ENDED);
    }
    void ResetAndReload() override {
        ++reloads;
        SendMessage(m_view, WM_BAR_RELOAD);
    }
    void SetSound(bool on) override { sound = on ? 1 : 0; }

    std::atomic<int> ends{0};
    std::atomic<int> reloads{0};
    std::atomic<int> sound{-1};

private:
    MessageTarget& m_view;
};

}  // namespace korvane::testing
