#include "clip/RecordedSound.h"

#include <algorithm>
#include <array>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr int kG721Bits = 4;

constexpr std::array<std::uint8_t, 256> kSwappedNibbles = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned b = 0; b < 256; ++b) table[b] = static_cast<std::uint8_t>((b << 4 | b >> 4) & 0xFF);
    return table;
}();

// The bytes of a record that make whole samples (or blocks), and the samples they give.
std::pair<std::size_t, std::int64_t> Usable(AudioCoding coding, std::size_t bytes) {
    switch (coding) {
        case AudioCoding::Pcm16: return {bytes / 2 * 2, std::int64_t(bytes / 2)};
        case AudioCoding::Pcm8: return {bytes, std::int64_t(bytes)};
        case AudioCoding::G721: return {bytes, std::int64_t(bytes) * 2};
        case AudioCoding::ImaAdpcm: {
            const std::size_t blocks = bytes / kImaBlockBytes;
            return {blocks * kImaBlockBytes, std::int64_t(blocks * kImaBlockSamples)};
        }
    }
    return {0, 0};
}

}  // namespace

std::optional<RecordedFormat> SharedFormat(std::span<const ClipRecord> audio) {
    if (audio.empty()) return std::nullopt;
    const auto format = [](const ClipRecord& r) {
        const FrameHeader head = r.entry.KnownHead();
        return std::pair(CodingOf(head), SampleRateOf(head));
    };
    const auto [coding, rate] = format(audio.front());
    for (const ClipRecord& r : audio)
        if (format(r) != std::pair(coding, rate)) return std::nullopt;
    return RecordedFormat{coding, rate};
}

AudioTrack RecordedTrack(const RecordedFormat& format) {
    AudioTrack track;
    track.sampleRate = format.rate;
    switch (format.coding) {
        case AudioCoding::Pcm16:
            track.codec = AV_CODEC_ID_PCM_S16LE;
            track.bitsPerSample = 16;
            track.blockAlign = 2;
            break;
        case AudioCoding::Pcm8:
            track.codec = AV_CODEC_ID_PCM_U8;
            track.bitsPerSample = 8;
            track.blockAlign = 1;
            break;
        case AudioCoding::G721:
            track.codec = AV_CODEC_ID_ADPCM_G726;
            track.bitsPerSample = kG721Bits;
            track.bitRate = std::int64_t(format.rate) * kG721Bits;
            break;
        case AudioCoding::ImaAdpcm:
            track.codec = AV_CODEC_ID_ADPCM_IMA_WAV;
            track.bitsPerSample = 4;
            track.blockAlign = int(kImaBlockBytes);
            track.frameSize = int(kImaBlockSamples);
            break;
    }
    return track;
}

std::string RecordedCodecName(AudioCoding coding) { return avcodec_get_name(RecordedTrack({coding, 0}).codec); }

std::string SoundNote(const std::optional<AudioCoding>& recorded, const std::string& audioCodec) {
    if (recorded == AudioCoding::G721)
        return "The sound is the recorder's own G.721 codes, unchanged but for the order of the two 4-bit codes in "
               "each byte, which is swapped because Matroska stores this coding the other way round.";
    if (recorded) return "The sound is carried as the recorder stored it (" + audioCodec + "), byte for byte.";
    if (audioCodec == "aac") return "MP4 carries no 16-bit PCM here: the sound was encoded to AAC";
    if (audioCodec == "pcm_s16le")
        return "The sound records mix codings or sample rates, so the sound was decoded to 16-bit PCM.";
    return {};
}

RecordedSound::RecordedSound(RecordedFormat format, SoundTimes times) : m_format(format), m_times(times) {}

bool RecordedSound::Add(ClipMuxer& muxer, const FrameHeader& header, std::span<const std::uint8_t> data) {
    const auto [bytes, samples] = Usable(m_format.coding, std::min<std::size_t>(data.size(), header.dataLength));
    if (samples == 0) return true;
    data = data.first(bytes);
    if (m_format.coding == AudioCoding::G721) {
        m_swapped.resize(data.size());
        std::transform(data.begin(), data.end(), m_swapped.begin(), [](std::uint8_t b) { return kSwappedNibbles[b]; });
        data = m_swapped;
    }
    const std::int64_t start = m_times.Start(CaptureMilliseconds(header.timeStamp));
    m_times.Placed(start, samples);
    m_samples += std::uint64_t(samples);
    return muxer.WriteAudio(data, start, samples);
}

}  // namespace korvane
