// The sound of a clip made from a camera's decoded audio records: placed at
// their times as 16-bit PCM (Matroska, when the records cannot go in as
// recorded) or encoded to AAC (MP4).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "clip/SoundTimes.h"
#include "media/FFmpegPtr.h"

namespace korvane {

class AacEncoder {
public:
    // A packet: its bytes, its first sample and its length in samples.
    using PacketSink = std::function<bool(std::span<const std::uint8_t>, std::int64_t, std::int64_t)>;

    bool Open(int sampleRate);
    int FrameSize() const;
    // Samples the encoder's packets lag behind the frames they come from.
    int Delay() const;
    std::vector<std::uint8_t> Extradata() const;
    // Encodes samples that follow the ones before them, handing each packet
    // to sink; false when the encoder or the sink fails.
    bool Encode(std::span<const std::int16_t> samples, const PacketSink& sink);
    // Encodes what is left (the last frame filled with silence) and drains the encoder.
    bool Flush(const PacketSink& sink);
    // Fills the frame begun with silence, so that what comes next starts a frame.
    bool CompleteFrame(const PacketSink& sink);

private:
    bool Send(const AVFrame* frame, const PacketSink& sink);

    AVCodecContextUPtr m_context;
    AVFrameUPtr m_frame;
    AVPacketUPtr m_packet;
    std::vector<std::int16_t> m_pending;  // fewer samples than a frame
    std::int64_t m_next = 0;              // the first sample of the next frame
};

// Writes a clip's sound: Matroska takes the PCM at the recorded times, MP4
// the AAC of a continuous stream. Memory never grows with a gap: a short gap
// in MP4 is filled with silence a second at a time; a longer one is not
// filled, the sound after it starts at its own time and the gap is counted.
// Records are placed by SoundTimes.
class SoundTrack {
public:
    // firstMs, lastMs: the capture times of the clip's time 0 and of its last picture.
    // Packets (bytes, first sample, samples) go to write.
    SoundTrack(AacEncoder::PacketSink write, AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate);

    // A record's decoded samples and its capture time.
    bool Add(std::int64_t ms, std::span<const std::int16_t> pcm);
    bool Finish();
    std::uint64_t Samples() const { return m_samples; }
    std::size_t UnfilledGaps() const { return m_unfilledGaps; }
    std::size_t OutOfOrder() const { return m_times.OutOfOrder(); }

    static constexpr std::int64_t kMostSilenceSeconds = 60;

private:
    bool Silence(std::int64_t samples);
    AacEncoder::PacketSink Sink();

    AacEncoder::PacketSink m_write;
    AacEncoder* m_aac;  // nothing: PCM as it is
    SoundTimes m_times;
    // AAC: from which of the encoder's samples on its packets move by how much (gaps not filled).
    struct Shift {
        std::int64_t from = 0, offset = 0;
    };
    std::vector<Shift> m_shifts{Shift{}};
    std::uint64_t m_samples = 0;
    std::size_t m_unfilledGaps = 0;
};

}  // namespace korvane
