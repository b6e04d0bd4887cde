#include "audio/SoundPlayback.h"

#include <algorithm>
#include <bit>

namespace korvane {

namespace {

constexpr std::uint32_t kSampleBits = 16;

}  // namespace

SoundPlayback::SoundPlayback(WaveOutput& waveOut, Notifier& notifier, Clock now)
    : m_waveOut(waveOut), m_notifier(notifier), m_now(std::move(now)) {}

void SoundPlayback::PrepareAudio() {
    if (!m_decoder.Restart()) m_notifier.ShowMessage(kAudioDecoderInitErrorText);
    m_audioRate = kDefaultSampleRate;
    m_waveOut.OpenOutput(kSampleBits, m_audioRate);
    m_audioDeviceTime = 0;
    m_waveOut.SetVolume(kFullVolume, kFullVolume);
}

std::uint32_t SoundPlayback::PlayAudioRecord(const FrameHeader& header, std::span<const std::uint8_t> data) {
    m_lastRecordFrame.reset();
    const auto samples = m_decoder.Decode(header, data);
    if (!samples || samples->empty()) return 0;
    FollowRate(header);
    static_assert(std::endian::native == std::endian::little, "the output takes little-endian samples");
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(samples->data()),
                                              samples->size_bytes());
    const std::uint64_t start = m_waveOut.FramesWritten();
    if (m_waveOut.Write(bytes) != 0) m_lastRecordFrame = start;
    return static_cast<std::uint32_t>(bytes.size());
}

std::optional<std::chrono::steady_clock::time_point> SoundPlayback::WhenPlayed(std::chrono::milliseconds into) {
    if (!m_lastRecordFrame || into.count() < 0) return std::nullopt;
    const std::uint64_t frames = static_cast<std::uint64_t>(into.count()) * m_waveOut.OutputRate() / 1000;
    return m_waveOut.WhenPlayed(*m_lastRecordFrame + frames);
}

void SoundPlayback::FollowRate(const FrameHeader& header) {
    const AudioCoding coding = CodingOf(header);
    const bool ima = coding == AudioCoding::ImaAdpcm;
    // PCM or IMA ADPCM that names no format leaves the output as it is; G.721 is always 8,000 a second.
    const bool named = header.audioSampleRate() != 0 || (ima && header.audioSampleBits() != 0);
    if (coding != AudioCoding::G721 && !named) return;
    const auto rate = static_cast<std::uint32_t>(SampleRateOf(header));
    const bool differs = rate != m_audioRate;
    const bool fresh = !ima || IsAudioDeviceFresh(kAudioDeviceAgeLimit) != 0;
    if (differs || !fresh) {
        m_waveOut.CloseOutput();
        m_audioRate = rate;
        m_waveOut.OpenOutput(kSampleBits, m_audioRate);
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
