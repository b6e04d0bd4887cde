// The sound of a clip: a camera's audio records as 16-bit mono PCM (linear
// PCM as stored, G.721 and IMA ADPCM through libavcodec, as play with sound
// decodes them), and the AAC encoder that MP4 clips carry the sound in.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "audio/AvAudioDecoder.h"
#include "audio/ImaAdpcmConverter.h"
#include "media/FFmpegPtr.h"
#include "recording/RecordLayout.h"

namespace korvane {

class SoundDecoder {
public:
    SoundDecoder();

    // Appends the samples of one audio record to pcm; false when its decoder refuses it.
    bool Decode(const FrameHeader& header, std::span<const std::uint8_t> data, std::vector<std::int16_t>& pcm);
    // Samples a second of the record's sound.
    static int SampleRate(const FrameHeader& header);

private:
    AvAudioDecoder m_g721;
    ImaAdpcmConverter m_ima;
    std::vector<std::uint8_t> m_bytes;  // a record's PCM as it comes out of a decoder
};

class AacEncoder {
public:
    // A packet: its bytes, its first sample and its length in samples.
    using PacketSink = std::function<bool(std::span<const std::uint8_t>, std::int64_t, std::int64_t)>;

    bool Open(int sampleRate);
    int FrameSize() const;
    std::vector<std::uint8_t> Extradata() const;
    // Encodes samples that follow the ones before them, handing each packet
    // to sink; false when the encoder or the sink fails.
    bool Encode(std::span<const std::int16_t> samples, const PacketSink& sink);
    // Encodes what is left (the last frame filled with silence) and drains the encoder.
    bool Flush(const PacketSink& sink);

private:
    bool Send(const AVFrame* frame, const PacketSink& sink);

    AVCodecContextUPtr m_context;
    AVFrameUPtr m_frame;
    AVPacketUPtr m_packet;
    std::vector<std::int16_t> m_pending;  // fewer samples than a frame
    std::int64_t m_next = 0;              // the first sample of the next frame
};

}  // namespace korvane
