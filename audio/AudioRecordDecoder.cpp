#include "audio/AudioRecordDecoder.h"

namespace korvane {
namespace {

constexpr std::size_t kG721SamplesPerByte = 2;

}  // namespace

AudioCoding CodingOf(const FrameHeader& header) {
    switch (header.codec) {
        case kAudioCodecPcm:
            return header.audioSampleBits() == 8 ? AudioCoding::Pcm8 : AudioCoding::Pcm16;
        case kAudioCodecG721:
        case kAudioCodecG721b:
        case kAudioCodecG721c:
            return AudioCoding::G721;
        default:
            return AudioCoding::ImaAdpcm;
    }
}

int SampleRateOf(const FrameHeader& header) {
    if (CodingOf(header) == AudioCoding::G721 || header.audioSampleRate() == 0) return kDefaultSampleRate;
    return header.audioSampleRate();
}

AudioRecordDecoder::AudioRecordDecoder() { Restart(); }

bool AudioRecordDecoder::Restart() {
    // A fresh G.726 context: flushing does not reset its state.
    const bool g721 = m_g721.Open(AV_CODEC_ID_ADPCM_G726LE, 0);
    const bool ima = m_ima.Open(AV_CODEC_ID_ADPCM_IMA_WAV, static_cast<int>(kImaBlockBytes));
    return g721 && ima;
}

std::optional<std::span<const std::int16_t>> AudioRecordDecoder::Decode(const FrameHeader& header,
                                                                        std::span<const std::uint8_t> data) {
    if (header.dataLength > data.size()) return std::nullopt;
    data = data.first(header.dataLength);
    m_samples.clear();
    switch (CodingOf(header)) {
        case AudioCoding::Pcm16:
            m_samples.resize(data.size() / 2);
            for (std::size_t i = 0; i < m_samples.size(); ++i)
                m_samples[i] = static_cast<std::int16_t>(data[2 * i] | data[2 * i + 1] << 8);
            break;
        case AudioCoding::Pcm8:
            m_samples.resize(data.size());
            for (std::size_t i = 0; i < data.size(); ++i) m_samples[i] = static_cast<std::int16_t>((data[i] - 128) * 256);
            break;
        case AudioCoding::G721:
            // One piece: the decoder's state carries on across records, so pieces would change nothing.
            if (!DecodeWith(m_g721, data, data.size(), data.size() * kG721SamplesPerByte)) return std::nullopt;
            break;
        case AudioCoding::ImaAdpcm:
            if (!data.empty() && data.size() < kImaBlockBytes) return std::nullopt;
            if (!DecodeWith(m_ima, data.first(data.size() - data.size() % kImaBlockBytes), kImaBlockBytes,
                            kImaBlockSamples))
                return std::nullopt;
            break;
    }
    return std::span<const std::int16_t>(m_samples);
}

// Decodes data in pieces of pieceBytes, each giving at most pieceSamples.
bool AudioRecordDecoder::DecodeWith(AvAudioDecoder& decoder, std::span<const std::uint8_t> data,
                                    std::size_t pieceBytes, std::size_t pieceSamples) {
    if (data.empty()) return true;
    const std::size_t pieces = data.size() / pieceBytes;
    m_samples.resize(pieces * pieceSamples);
    std::size_t written = 0;
    for (std::size_t p = 0; p < pieces; ++p) {
        std::size_t produced = 0;
        const AudioStatus status = decoder.Decode(data.subspan(p * pieceBytes, pieceBytes),
                                                  std::span(m_samples).subspan(written), produced);
        if (status != AudioStatus::Decoded) return false;
        written += produced;
    }
    m_samples.resize(written);
    return true;
}

}  // namespace korvane
