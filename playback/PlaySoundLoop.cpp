// Play with sound: forward playback in which audio records are decoded and
// played, and in which the audio, while it keeps coming, sets the pace. Video
// records within two seconds of the last audio record are shown without a
// wait; after that the pictures pace themselves by their time stamps again.
#include <chrono>
#include <cstdint>
#include <memory>

#include "playback/CKorvaneView.h"

namespace korvane {
namespace {

constexpr std::int64_t kAudioLeadSeconds = 2;

// Whole seconds from one stamp to a later one; month and year do not count.
std::int64_t SecondsBetween(const SystemTime& earlier, const SystemTime& later) {
    const auto seconds = [](const SystemTime& t) {
        return ((std::int64_t{t.day} * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
    };
    return seconds(later) - seconds(earlier);
}

}  // namespace

int CKorvaneView::AudioTarget(std::uint32_t bytes) const {
    if (bytes == 3200) return 200;
    if (bytes == 3552 || bytes == 3682) return m_bLargePicture == 1 ? 226 : 228;
    if (bytes == 1000) return 55;
    if (bytes < 4000) return 125;
    if (bytes == 8192) return 510;
    return 270;
}

int CKorvaneView::PlaySoundLoop() {
    using Clock = std::chrono::steady_clock;
    CNCCPThread* self = m_pPlaySoundThread.get();
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    SystemTime lastAudioStamp;  // a zero year: no audio played yet
    bool audioSeen = false;
    Clock::time_point reference;

    PreRead(*b, pacing);
    m_audio.PrepareAudio();
    for (;;) {
        if (StopRequested(self)) return EndLoop();
        if (ReadNext(*b) == 0) return EndLoop();
        WriteCaption(b->header);
        if (b->header.mediaKind == kMediaVideo) {
            Decode(*b, 1);  // a codec the player does not know is passed over here
            if (!audioSeen || SecondsBetween(lastAudioStamp, b->header.timeStamp) > kAudioLeadSeconds)
                ForwardPacing(b->header, pacing, self);
        } else if (b->header.mediaKind == kMediaAudio && m_bSoundOn == 1) {
            audioSeen = true;
            const std::uint32_t handed = m_audio.PlayAudioRecord(b->header, FrameData());
            const bool first = lastAudioStamp.year == 0;
            lastAudioStamp = b->header.timeStamp;
            if (!first) {
                // The wait counts from the end of the previous audio wait.
                const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - reference);
                DelayWithMessages(AudioTarget(handed) - static_cast<int>(elapsed.count()), self);
            }
            reference = Clock::now();
        }
    }
}

}  // namespace korvane
