// Every camera of a folder side by side with the real engine at its real
// pace: the rate the session keeps as a ratio of the recorded rate, the gap
// between each picture's capture time and the session clock when it
// arrives to be shown (p50, p99, most), the share of the cameras' pictures
// shown, and the CPU the process used over the wall time.
//   grid_play FOLDER MODE LEVEL TILE_WIDTH TILE_HEIGHT [CACHE_MIB]
// MODE: play, back, fast or fastback.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"

namespace {

using Clock = std::chrono::steady_clock;
using korvane::PlayMode;
using korvane::Session;

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Percentile(std::vector<std::int64_t> values, double share) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return static_cast<double>(values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fputs("usage: grid_play FOLDER MODE LEVEL TILE_WIDTH TILE_HEIGHT [CACHE_MIB]\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    korvane::StderrNotifier notifier;
    Session session(notifier);
    const std::string mode = argv[2];
    const PlayMode playMode = mode == "back" ? PlayMode::BackPlay
                              : mode == "fast" ? PlayMode::FastPlay
                              : mode == "fastback" ? PlayMode::FastBackPlay
                                                   : PlayMode::Play;
    const bool forward = playMode == PlayMode::Play || playMode == PlayMode::FastPlay;
    if (argc > 6) session.SetCacheBound(std::stoul(argv[6]) << 20);
    if (!session.Open(argv[1]) || !session.WaitForIndex()) return 2;
    const std::vector<int> cameras = session.Cameras();
    for (const int camera : cameras) session.SetShownSize(camera, QSize(std::stoi(argv[4]), std::stoi(argv[5])));
    session.ShowCameras(cameras);
    session.SetFastSpeed(std::stoi(argv[3]));
    if (!forward) session.SeekToLast();
    session.Settle();

    std::size_t pictures = 0;
    for (const int camera : cameras) pictures += session.Set()->Track(camera)->PictureCount();
    std::vector<std::int64_t> gaps;
    std::int64_t firstTime = 0, lastTime = 0;
    Clock::time_point firstAt{}, lastAt{};
    QObject::connect(&session, &Session::CameraPictureShown, [&](const korvane::PictureHandle& p) {
        const std::int64_t time = korvane::CaptureMilliseconds(p->captureTime);
        const std::int64_t clock = session.Clock().Now();
        gaps.push_back(clock - time);  // the latest picture at or before the clock: never negative
        if (p->camera == session.SelectedCamera()) {
            if (firstAt == Clock::time_point{}) firstTime = time, firstAt = Clock::now();
            lastTime = time, lastAt = Clock::now();
        }
    });
    const double cpu = CpuSeconds();
    const auto began = Clock::now();
    session.Start(playMode);
    QTimer tick;
    tick.start(20);
    while (session.IsPlaying()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double wall = std::chrono::duration<double>(Clock::now() - began).count();
    const double used = CpuSeconds() - cpu;
    const double recorded = static_cast<double>(std::llabs(lastTime - firstTime));
    const double spent = std::chrono::duration<double, std::milli>(lastAt - firstAt).count();
    const int multiple = playMode == PlayMode::FastPlay || playMode == PlayMode::FastBackPlay
                             ? korvane::FastMultiple(std::stoi(argv[3])) : 1;
    const auto ahead = std::count_if(gaps.begin(), gaps.end(), [](std::int64_t g) { return g < 0; });
    std::printf("%zu cameras, %s at %dx: rate / recorded rate %.3f (of %dx: %.3f)\n", cameras.size(), mode.c_str(),
                multiple, spent > 0 ? recorded / spent : 0.0, multiple, spent > 0 ? recorded / spent / multiple : 0.0);
    std::printf("  clock - capture time when shown: p50 %.0f ms, p99 %.0f ms, most %.0f ms; ahead of the clock: %ld\n",
                Percentile(gaps, 0.5), Percentile(gaps, 0.99), Percentile(gaps, 1.0), static_cast<long>(ahead));
    std::printf("  pictures shown: %zu of %zu (%.1f%%)\n", gaps.size(), pictures,
                100.0 * static_cast<double>(gaps.size()) / static_cast<double>(pictures));
    std::printf("  CPU: %.2f s over %.2f s wall = %.2f cores\n", used, wall, used / wall);
    return 0;
}
