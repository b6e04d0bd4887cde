// The audio side of play with sound: turns each audio record into 16-bit
// PCM, keeps the wave output in the sample format IMA ADPCM records name,
// hands the PCM to the output and reports how many bytes it handed over (the
// loop paces itself on that count).
//
// Codings by the record's codec: 1 linear PCM, played as stored; 8, 10 and
// 13 G.721 (G.726 at 32 kbit/s, two 4-bit codes a byte, low nibble first),
// four PCM bytes for every input byte; any other IMA ADPCM in 508-byte
// blocks, 2,018 PCM bytes a block.
//
// Everything here runs on the play-with-sound worker thread. The wave
// output, the IMA ADPCM converter and the notifier belong to the view and
// must outlive this object; the 4,096-byte PCM buffer and the G.721 decoder
// are its own.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "audio/AvAudioDecoder.h"
#include "audio/ImaAdpcmConverter.h"
#include "audio/WaveOutput.h"
#include "platform/Notifier.h"
#include "recording/RecordLayout.h"

namespace korvane {

inline constexpr const char* kAudioDecoderInitErrorText = "The sound of this recording cannot be decoded; the pictures play without it.";
inline constexpr std::size_t kAudioOutCapacity = 4096;
// Seconds an output may play IMA ADPCM before it is closed and reopened.
inline constexpr std::uint32_t kAudioDeviceAgeLimit = 120;

enum AudioCodec : std::uint8_t {
    kAudioCodecPcm = 1,
    kAudioCodecG721 = 8,
    kAudioCodecG721b = 10,
    kAudioCodecG721c = 13,
};

class SoundPlayback {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // now: the clock that ages the output (the steady clock unless a test
    // gives its own). Opens the G.721 decoder.
    SoundPlayback(WaveOutput& waveOut, ImaAdpcmConverter& audioDecoder, Notifier& notifier,
                   Clock now = &std::chrono::steady_clock::now);
    SoundPlayback(const SoundPlayback&) = delete;
    SoundPlayback& operator=(const SoundPlayback&) = delete;

    // Readies the audio path at the start of a play-with-sound run: opens the
    // IMA ADPCM converter until that first succeeds (the message box
    // kAudioDecoderInitErrorText when it fails; the run goes on), opens the
    // output for 16-bit 8,000-Hz PCM at full volume on both channels, and
    // starts the G.721 stream afresh.
    void PrepareAudio();
    // Decodes the record's data (its first dataLength bytes, never more than
    // frameData holds), queues the PCM on the output and returns the number
    // of PCM bytes handed over, whether or not the output took them.
    std::uint32_t PlayAudioRecord(const FrameHeader& header, std::span<const std::uint8_t> frameData);
    // When the sound `into` after the start of the last record's sound goes
    // to the output; nothing when that record reached no open output.
    std::optional<std::chrono::steady_clock::time_point> WhenPlayed(std::chrono::milliseconds into);
    // The latest moment the next record's sound can be queued without the
    // output running dry: a device buffer and a margin before the queued
    // sound ends. Nothing when no output plays.
    std::optional<std::chrono::steady_clock::time_point> NextRecordDue();
    // 1 while the output's age count has not passed limitSeconds (a count
    // not yet begun begins now); 0, and the count ended, once it has.
    int IsAudioDeviceFresh(std::uint32_t limitSeconds);

    std::uint32_t AudioBits() const { return m_audioBits; }
    std::uint32_t AudioRate() const { return m_audioRate; }
    std::uint32_t AudioDeviceTime() const { return m_audioDeviceTime; }
    bool ConverterOpen() const { return m_converterOpen != 0; }

private:
    std::uint32_t PlayG721(std::span<const std::uint8_t> data);
    std::uint32_t PlayImaAdpcm(const FrameHeader& header, std::span<const std::uint8_t> data);
    void FollowFormat(const FrameHeader& header);
    // Queues one piece of the record's PCM, noting where the record's sound starts.
    void Queue(std::span<const std::uint8_t> pcm);
    std::uint32_t NowSeconds() const;

    WaveOutput& m_waveOut;
    ImaAdpcmConverter& m_imaAdpcm;
    Notifier& m_notifier;
    Clock m_now;
    AvAudioDecoder m_g721;
    std::unique_ptr<std::uint8_t[]> m_audioOut;  // kAudioOutCapacity bytes of decoded PCM

    std::uint32_t m_converterOpen = 0;
    std::uint32_t m_audioDeviceTime = 0;  // clock seconds when the age count began; 0 = not begun
    std::uint32_t m_audioBits = 16;       // format the output was last opened with
    std::uint32_t m_audioRate = 8000;
    std::optional<std::uint64_t> m_lastRecordFrame;  // the output frame the last record starts at
};

}  // namespace korvane
