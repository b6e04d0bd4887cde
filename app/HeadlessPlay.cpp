#include "app/HeadlessPlay.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "platform/Notifier.h"
#include "playback/ViewMessages.h"

namespace korvane {
namespace {

// Stands in for the control bar: the end of playback stops the workers, as
// the bar's message does, and then ends the run.
class EndOfPlayback final : public ControlBarLink {
public:
    explicit EndOfPlayback(PlayerView& view) : m_view(view) {}
    void PlaybackEnded() override {
        m_view.MessageMailbox().Post([this] {
            m_view.HandleMessage(WM_BAR_PLAYBACK_ENDED, 0, 0);
            QCoreApplication::quit();
        });
    }
    void ResetAndReload() override {}
    void SetSound(bool) override {}

private:
    PlayerView& m_view;
};

}  // namespace

int RunHeadlessPlay(const HeadlessPlayRequest& request) {
    StderrNotifier notifier;
    PlayerView view(notifier);
    EndOfPlayback end(view);
    view.SetControlBar(&end);
    if (view.OpenCommandLine(request.recording) == 0) return 2;
    for (int i = 0; i < request.next; ++i) view.OnNext();
    view.SetFastSpeed(request.speed);
    if (request.mode == PlayerView::Mode::PlaySound) view.SetSound(1);  // as the bar's sound button does

    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> started{0};
    std::atomic<bool> running{false};
    view.SetPresentObserver([&](const std::string& caption) {
        if (!running.load()) return;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            Clock::now() - Clock::time_point(Clock::duration(started.load())));
        std::printf("%lld %s\n", static_cast<long long>(ms.count()), caption.c_str());
        std::fflush(stdout);
    });
    started = Clock::now().time_since_epoch().count();
    running = true;
    if (view.StartMode(request.mode) == 0) return 0;
    QCoreApplication::exec();
    running = false;
    view.StopAllWorkers();
    return 0;
}

}  // namespace korvane
