// Forward and backward play of one recording with the real engine, at its
// real pace: the rate each direction keeps as a ratio of the recorded rate,
// the CPU time per shown picture backward over forward, the peak of the
// decoded-picture cache against its bound, and how long one step back takes
// onto the last picture of a group that is not cached and of one that is.
//   backward_play RECORDING [CACHE_MIB]
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "playback/Session.h"

namespace {

using Clock = std::chrono::steady_clock;
using korvane::PictureHandle;
using korvane::PlayMode;
using korvane::Session;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Run {
    int pictures = 0;
    double spanMs = 0;        // first to last picture shown
    double recordedMs = 0;    // first to last capture time of those pictures
    double cpuPerPicture = 0;  // seconds
};

// Runs a mode to its end, recording what it showed.
Run Measure(Session& session, PlayMode mode) {
    // Only what is measured is kept: holding the pictures would hold gigabytes.
    struct Shown {
        std::string caption;
        Clock::time_point at;
    };
    std::vector<Shown> shown;
    const auto connection = QObject::connect(&session, &Session::PictureShown, [&](const PictureHandle& p) {
        shown.push_back({p->caption, p->presentedAt});
    });
    const double cpu = CpuSeconds();
    session.Start(mode);
    QTimer tick;
    tick.start(20);
    while (session.IsPlaying()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double used = CpuSeconds() - cpu;
    QObject::disconnect(connection);
    Run run;
    run.pictures = static_cast<int>(shown.size());
    if (shown.size() < 2) return run;
    run.spanMs = Milliseconds(shown.back().at - shown.front().at);
    // "CAM =1  YYYY-MM-DD HH:MM:SS  mmm"
    auto stampMs = [](const std::string& caption) {
        int h = 0, m = 0, s = 0, ms = 0;
        std::sscanf(caption.c_str(), "CAM =%*d %*d-%*d-%*d %d:%d:%d %d", &h, &m, &s, &ms);
        return ((h * 60.0 + m) * 60 + s) * 1000 + ms;
    };
    run.recordedMs = std::abs(stampMs(shown.back().caption) - stampMs(shown.front().caption));
    run.cpuPerPicture = used / static_cast<double>(shown.size());
    return run;
}

double StepBackMs(Session& session) {
    const auto start = Clock::now();
    session.StepBack();
    return Milliseconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: backward_play RECORDING [CACHE_MIB]\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    korvane::StderrNotifier notifier;
    Session session(notifier);
    const std::size_t bound = (argc > 2 ? std::stoul(argv[2]) : korvane::kDefaultPictureCacheBytes >> 20) << 20;
    if (!session.Open(argv[1])) return 2;

    const Run forward = Measure(session, PlayMode::Play);
    // Back play from the end with a cache that starts empty.
    session.SetCacheBound(0);
    session.SetCacheBound(bound);
    const Run backward = Measure(session, PlayMode::BackPlay);
    const std::size_t peak = session.Cache().PeakBytes();

    // From the end again: the last group is not cached, then its pictures are.
    session.SetFastSpeed(5);
    session.Start(PlayMode::FastPlay);
    while (session.IsPlaying()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    session.SetCacheBound(0);
    session.SetCacheBound(bound);
    const double uncached = StepBackMs(session);
    // The step back decoded the last group from its key picture up to the
    // picture before the last one: those pictures are all the cache holds.
    std::size_t held = 0;
    if (const korvane::CameraTrack* track = session.Track(); track && track->Last()) {
        const korvane::RecordRef last = *track->Last();
        for (auto ref = std::optional(track->KeyOf(last)); ref && *ref < last; ref = track->NextVideo(*ref, true))
            ++held;
    }
    const std::size_t heldBytes = session.Cache().Bytes();
    const double cached = StepBackMs(session);

    std::printf("pictures: forward %d, backward %d\n", forward.pictures, backward.pictures);
    std::printf("forward play rate / recorded rate: %.3f\n", forward.recordedMs / forward.spanMs);
    std::printf("back play rate / recorded rate: %.3f\n", backward.recordedMs / backward.spanMs);
    std::printf("CPU per picture: forward %.2f ms, backward %.2f ms, backward / forward: %.2f\n",
                forward.cpuPerPicture * 1e3, backward.cpuPerPicture * 1e3,
                backward.cpuPerPicture / forward.cpuPerPicture);
    std::printf("cache peak: %.1f MiB of a %.1f MiB bound (%s)\n", static_cast<double>(peak) / (1 << 20),
                static_cast<double>(bound) / (1 << 20), peak <= bound ? "within" : "ABOVE");
    std::printf("step back onto the last picture of a group: uncached %.1f ms, cached %.1f ms\n", uncached,
                cached);
    if (held > 0)
        std::printf("cache bytes per picture: %.2f MB (%zu pictures, %.1f MiB)\n",
                    static_cast<double>(heldBytes) / 1e6 / static_cast<double>(held), held,
                    static_cast<double>(heldBytes) / (1 << 20));
    return peak <= bound ? 0 : 1;
}
