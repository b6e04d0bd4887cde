// Seek latency: the engine seeks to 100 random capture times of a 1080p H.264
// recording with 2-second groups (made by bench/run-navigation-bench with ffmpeg's
// x264 at run time), and libavcodec alone decodes the same frames (from each
// target's key picture to the target, one thread, as the engine's decoder).
// Prints p50 and p95 of both and their ratio.
//
//   seek_latency STREAM.h264 SCRATCH_FOLDER
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "platform/Notifier.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"

namespace {

using namespace korvane;
using Clock = std::chrono::steady_clock;

constexpr int kSeeks = 100;
constexpr int kFrameMs = 40;
const SystemTime kStart = testing::MakeTime(2025, 9, 10, 11, 12, 13, 0);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: seek_latency STREAM.h264 SCRATCH_FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        const auto frames = testing::ReadVideoFrames(argv[1]);
        testing::RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        std::map<std::uint32_t, std::size_t> frameAt;  // record offset -> frame number
        std::vector<std::size_t> keyOf(frames.size());
        std::size_t lastKey = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            testing::RecordSpec e;
            e.header.codec = 10;
            e.header.frameType = frames[i].key ? kFrameKey : kFrameDependent;
            e.header.timeStamp = testing::AddMilliseconds(kStart, static_cast<std::int64_t>(i) * kFrameMs);
            e.data = frames[i].bytes;
            e.extension = testing::MakeExtension(1920, 1080, "Bench");
            frameAt[w.Add(std::move(e))] = i;
            if (frames[i].key) lastKey = i;
            keyOf[i] = lastKey;
        }
        const std::string path = std::string(argv[2]) + "/seek-1080p.MP4";
        w.WriteFile(path);

        StderrNotifier notifier;
        Session session(notifier);
        if (!session.Open(path) || !session.WaitForIndex()) throw std::runtime_error("cannot open " + path);

        // The same 100 times on every run.
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        const std::int64_t first = CaptureMilliseconds(kStart), span = static_cast<std::int64_t>(frames.size()) * kFrameMs;
        std::vector<double> engine, plain;
        // libavcodec's H.264 decoder on one thread, as the engine's; a key picture starts afresh.
        testing::VideoDecoder decoder(testing::VideoStream::H264);
        std::size_t framesDecoded = 0;
        for (int s = 0; s < kSeeks; ++s) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            const std::int64_t target = first + static_cast<std::int64_t>(state % static_cast<std::uint64_t>(span));
            const auto expected = session.Track()->PictureAt(target);
            const Clock::time_point t0 = Clock::now();
            if (!session.SeekTo(target)) throw std::runtime_error("a seek failed");
            const Clock::time_point t1 = Clock::now();
            if (session.CurrentTime() != session.Track()->Entry(*expected).time) throw std::runtime_error("a seek showed another picture");
            engine.push_back(Ms(t1 - t0));

            const std::size_t frame = frameAt.at(session.Track()->Entry(*expected).offset);
            const Clock::time_point t2 = Clock::now();
            std::size_t pictures = 0;
            for (std::size_t i = keyOf[frame]; i <= frame; ++i) pictures += decoder.Decode(frames[i].bytes).size();
            if (pictures != frame - keyOf[frame] + 1) throw std::runtime_error("libavcodec missed pictures");
            plain.push_back(Ms(Clock::now() - t2));
            framesDecoded += frame - keyOf[frame] + 1;
        }
        const double e50 = Percentile(engine, 0.5), e95 = Percentile(engine, 0.95);
        const double p50 = Percentile(plain, 0.5), p95 = Percentile(plain, 0.95);
        std::printf("%zu frames of 1920x1080 H.264, %d seeks, %.1f frames decoded a seek on average\n", frames.size(),
                    kSeeks, static_cast<double>(framesDecoded) / kSeeks);
        std::printf("engine seek:        p50 %7.2f ms   p95 %7.2f ms\n", e50, e95);
        std::printf("libavcodec decode:  p50 %7.2f ms   p95 %7.2f ms\n", p50, p95);
        std::printf("ratio engine / libavcodec: p50 %.2f   p95 %.2f\n", e50 / p50, e95 / p95);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "seek_latency: %s\n", e.what());
        return 1;
    }
    return 0;
}
