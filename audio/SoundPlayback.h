// The audio side of play with sound: decodes each audio record (the one
// AudioRecordDecoder that export uses too), keeps the wave output at the rate
// the records name, queues the samples on the output and reports how many
// bytes it handed over.
//
// The output always takes 16-bit mono samples: it starts at 8,000 a second;
// a record whose sound has another rate (PCM and IMA ADPCM name theirs,
// G.721 is always 8,000) reopens it at that rate, and IMA ADPCM reopens it
// too once it has played for more than two minutes.
//
// Everything here runs on the play-with-sound worker thread. The wave output
// and the notifier must outlive this object.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "audio/AudioRecordDecoder.h"
#include "audio/WaveOutput.h"
#include "platform/Notifier.h"
#include "recording/RecordLayout.h"

namespace korvane {

inline constexpr const char* kAudioDecoderInitErrorText = "The sound of this recording cannot be decoded; the pictures play without it.";
// Seconds an output may play IMA ADPCM before it is closed and reopened.
inline constexpr std::uint32_t kAudioDeviceAgeLimit = 120;

class SoundPlayback {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // now: the clock that ages the output (the steady clock unless a test
    // gives its own).
    SoundPlayback(WaveOutput& waveOut, Notifier& notifier, Clock now = &std::chrono::steady_clock::now);
    SoundPlayback(const SoundPlayback&) = delete;
    SoundPlayback& operator=(const SoundPlayback&) = delete;

    // Readies the audio path at the start of a play-with-sound run: starts
    // the decoder afresh (the message kAudioDecoderInitErrorText when it
    // cannot; the run goes on) and opens the output for 16-bit 8,000-Hz
    // samples at full volume on both channels.
    void PrepareAudio();
    // Decodes the record (data: the bytes read for it), queues its samples
    // on the output and returns the bytes handed over, whether or not the
    // output took them; 0 for a refused record.
    std::uint32_t PlayAudioRecord(const FrameHeader& header, std::span<const std::uint8_t> data);
    // When the sound `into` after the start of the last record's sound goes
    // to the output; nothing when that record reached no open output.
    std::optional<std::chrono::steady_clock::time_point> WhenPlayed(std::chrono::milliseconds into);
    // 1 while the output's age count has not passed limitSeconds (a count
    // not yet begun begins now); 0, and the count ended, once it has.
    int IsAudioDeviceFresh(std::uint32_t limitSeconds);

    std::uint32_t AudioRate() const { return m_audioRate; }
    std::uint32_t AudioDeviceTime() const { return m_audioDeviceTime; }

private:
    // Reopens the output when the record's sound has another rate (or, for
    // IMA ADPCM, when the output has grown too old).
    void FollowRate(const FrameHeader& header);
    std::uint32_t NowSeconds() const;

    WaveOutput& m_waveOut;
    Notifier& m_notifier;
    Clock m_now;
    AudioRecordDecoder m_decoder;

    std::uint32_t m_audioDeviceTime = 0;  // clock seconds when the age count began; 0 = not begun
    std::uint32_t m_audioRate = 8000;     // rate the output was last opened with
    std::optional<std::uint64_t> m_lastRecordFrame;  // the output frame the last record starts at
};

}  // namespace korvane
