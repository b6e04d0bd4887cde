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
#include "media/FFmpegPtr.h"
#include "platform/Notifier.h"
#include "playback/Player.h"
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

// libavcodec's H.264 decoder set up as the engine sets up its own.
class PlainDecoder {
public:
    PlainDecoder() {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
        m_context.reset(avcodec_alloc_context3(codec));
        m_packet.reset(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
        if (!m_context || !m_packet || !m_frame) throw std::runtime_error("no decoder");
        m_context->flags |= AV_CODEC_FLAG_LOW_DELAY;
        m_context->thread_count = 1;
        m_context->thread_type = 0;
        if (avcodec_open2(m_context.get(), codec, nullptr) < 0) throw std::runtime_error("cannot open the decoder");
    }
    // Decodes frames [from, to] and returns the pictures it gave.
    int Decode(const std::vector<testing::VideoFrame>& frames, std::size_t from, std::size_t to) {
        avcodec_flush_buffers(m_context.get());
        int pictures = 0;
        for (std::size_t i = from; i <= to; ++i) {
            m_packet->data = const_cast<std::uint8_t*>(frames[i].bytes.data());
            m_packet->size = static_cast<int>(frames[i].bytes.size());
            if (avcodec_send_packet(m_context.get(), m_packet.get()) < 0) throw std::runtime_error("decode failed");
            while (avcodec_receive_frame(m_context.get(), m_frame.get()) == 0) ++pictures;
        }
        return pictures;
    }

private:
    AVCodecContextUPtr m_context;
    AVPacketUPtr m_packet;
    AVFrameUPtr m_frame;
};

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
        Player player(notifier);
        if (!player.Open(path) || !player.WaitForIndex()) throw std::runtime_error("cannot open " + path);

        // The same 100 times on every run.
        std::uint64_t state = 0x9E3779B97F4A7C15ull;
        const std::int64_t first = CaptureMilliseconds(kStart), span = static_cast<std::int64_t>(frames.size()) * kFrameMs;
        std::vector<double> engine, plain;
        PlainDecoder decoder;
        std::size_t framesDecoded = 0;
        for (int s = 0; s < kSeeks; ++s) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            const std::int64_t target = first + static_cast<std::int64_t>(state % static_cast<std::uint64_t>(span));
            const auto expected = player.Index()->PictureAt(0, target);
            const Clock::time_point t0 = Clock::now();
            if (!player.SeekTo(target)) throw std::runtime_error("a seek failed");
            const Clock::time_point t1 = Clock::now();
            if (player.CurrentTime() != expected->time) throw std::runtime_error("a seek showed another picture");
            engine.push_back(Ms(t1 - t0));

            const std::size_t frame = frameAt.at(expected->offset);
            const Clock::time_point t2 = Clock::now();
            if (decoder.Decode(frames, keyOf[frame], frame) < 1) throw std::runtime_error("no picture decoded");
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
