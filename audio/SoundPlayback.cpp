#include "audio/SoundPlayback.h"

#include <algorithm>
#include <cstring>

namespace korvane {

namespace {

constexpr std::uint32_t kStartBits = 16;
constexpr std::uint32_t kStartRate = 8000;
// G.721 gives four PCM bytes a code byte: 1,024 code bytes fill the buffer.
constexpr std::size_t kG721PcmPerByte = 4;
constexpr std::size_t kG721ChunkBytes = kAudioOutCapacity / kG721PcmPerByte;
// Whole IMA ADPCM blocks whose PCM fits the buffer: two (4,036 bytes).
constexpr std::size_t kImaChunkBytes = (kAudioOutCapacity / kImaBlockPcmBytes) * kImaBlockBytes;
// Time the worker needs, on top of one device buffer, to read, decode and
// queue the next record before the queued sound runs out.
constexpr std::chrono::milliseconds kQueueMargin{30};

}  // namespace

SoundPlayback::SoundPlayback(WaveOutput& waveOut, ImaAdpcmConverter& audioDecoder, Notifier& notifier,
                               Clock now)
    : m_waveOut(waveOut),
      m_imaAdpcm(audioDecoder),
      m_notifier(notifier),
      m_now(std::move(now)),
      m_audioOut(std::make_unique<std::uint8_t[]>(kAudioOutCapacity)) {
    m_g721.Open(AV_CODEC_ID_ADPCM_G726LE, 0);
}

void SoundPlayback::PrepareAudio() {
    if (m_converterOpen == 0) {
        if (m_imaAdpcm.Init() != 0) {
            m_converterOpen = 1;
        } else {
            m_notifier.ShowMessage(kAudioDecoderInitErrorText);
        }
    }
    m_waveOut.OpenOutput(kStartBits, kStartRate);
    m_audioBits = kStartBits;
    m_audioRate = kStartRate;
    m_audioDeviceTime = 0;
    m_waveOut.SetVolume(kFullVolume, kFullVolume);
    m_g721.Open(AV_CODEC_ID_ADPCM_G726LE, 0);  // a fresh stream: flushing does not reset the G.726 state
}

std::uint32_t SoundPlayback::PlayAudioRecord(const FrameHeader& header,
                                              std::span<const std::uint8_t> frameData) {
    const std::span<const std::uint8_t> data =
        frameData.first(std::min<std::size_t>(header.dataLength, frameData.size()));
    m_lastRecordFrame.reset();
    switch (header.codec) {
        case kAudioCodecPcm:
            if (!data.empty()) Queue(data);
            return static_cast<std::uint32_t>(data.size());
        case kAudioCodecG721:
        case kAudioCodecG721b:
        case kAudioCodecG721c:
            return PlayG721(data);
        default:
            return PlayImaAdpcm(header, data);
    }
}

std::uint32_t SoundPlayback::PlayG721(std::span<const std::uint8_t> data) {
    // A record of more than 1,024 bytes goes out in pieces that fit the
    // buffer; the decoder's state runs on from piece to piece.
    const std::span<std::uint8_t> out(m_audioOut.get(), kAudioOutCapacity);
    for (std::size_t at = 0; at < data.size(); at += kG721ChunkBytes) {
        const auto piece = data.subspan(at, std::min(kG721ChunkBytes, data.size() - at));
        const std::size_t pcmBytes = piece.size() * kG721PcmPerByte;
        std::size_t produced = 0;
        m_g721.Decode(piece, out.first(pcmBytes), produced);
        // Whatever the decoder did not give is played as silence, so the
        // record keeps its length.
        std::memset(out.data() + produced, 0, pcmBytes - produced);
        Queue(out.first(pcmBytes));
    }
    return static_cast<std::uint32_t>(data.size() * kG721PcmPerByte);
}

std::uint32_t SoundPlayback::PlayImaAdpcm(const FrameHeader& header, std::span<const std::uint8_t> data) {
    if (header.audioSampleRate() != 0 || header.audioSampleBits() != 0) FollowFormat(header);

    // Normal records hold one or two blocks; longer ones are converted two
    // blocks at a time so that none of their sound is lost. A conversion
    // that fails ends the record: nothing stale is played in its place.
    const std::span<std::uint8_t> out(m_audioOut.get(), kAudioOutCapacity);
    std::uint32_t handedOver = 0;
    for (std::size_t at = 0; at < data.size(); at += kImaChunkBytes) {
        const auto piece = data.subspan(at, std::min(kImaChunkBytes, data.size() - at));
        std::uint32_t produced = 0;
        if (m_imaAdpcm.Convert(piece, out, produced) == 0 || produced == 0) break;
        Queue(out.first(produced));
        handedOver += produced;
    }
    return handedOver;
}

void SoundPlayback::Queue(std::span<const std::uint8_t> pcm) {
    const std::uint64_t start = m_waveOut.FramesWritten();
    if (m_waveOut.Write(pcm) != 0 && !m_lastRecordFrame) m_lastRecordFrame = start;
}

std::optional<std::chrono::steady_clock::time_point> SoundPlayback::WhenPlayed(std::chrono::milliseconds into) {
    if (!m_lastRecordFrame || into.count() < 0) return std::nullopt;
    const std::uint64_t frames = static_cast<std::uint64_t>(into.count()) * m_waveOut.OutputRate() / 1000;
    return m_waveOut.WhenPlayed(*m_lastRecordFrame + frames);
}

std::optional<std::chrono::steady_clock::time_point> SoundPlayback::NextRecordDue() {
    const auto dry = m_waveOut.WhenPlayed(m_waveOut.FramesWritten());
    if (!dry) return std::nullopt;
    return *dry - m_waveOut.BufferDuration() - kQueueMargin;
}

void SoundPlayback::FollowFormat(const FrameHeader& header) {
    const std::uint32_t bits = header.audioSampleBits();
    const std::uint32_t rate = header.audioSampleRate();
    const bool differs = rate != m_audioRate || bits != m_audioBits;
    const bool fresh = IsAudioDeviceFresh(kAudioDeviceAgeLimit) != 0;
    if (differs || !fresh) {
        m_waveOut.CloseOutput();
        m_audioBits = bits;
        m_audioRate = rate;
        m_waveOut.OpenOutput(m_audioBits, m_audioRate);
    }
}

int SoundPlayback::IsAudioDeviceFresh(std::uint32_t limitSeconds) {
    const std::uint32_t now = NowSeconds();
    if (m_audioDeviceTime == 0) {
        m_audioDeviceTime = now;
        return 1;
    }
    if (((now - m_audioDeviceTime) & 0xFFFF) > limitSeconds) {
        m_audioDeviceTime = 0;
        return 0;
    }
    return 1;
}

std::uint32_t SoundPlayback::NowSeconds() const {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(m_now().time_since_epoch()).count();
    // 0 marks a count not begun; the clock's own second 0 counts as 1.
    return std::max<std::uint32_t>(static_cast<std::uint32_t>(seconds), 1);
}

}  // namespace korvane
