// Play with sound: forward playback in which audio records are decoded and
// played, and in which the audio, while it keeps coming, sets the pace. A
// video record within two seconds of the last audio record is shown when the
// sound recorded with it goes to the output (by the output's own clock, or
// by the steady clock from the last audio wait when no output plays), but
// never so late that the next audio record would reach the output after the
// queued sound has run out; after that the pictures pace themselves by their
// time stamps again.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>

#include "playback/Player.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::int64_t kAudioLeadSeconds = 2;
// The longest a picture waits for its sound; an output that stalls cannot hold the play.
constexpr milliseconds kLongestSoundWait{3000};

std::int64_t StampSeconds(const SystemTime& t) {
    return ((std::int64_t{t.day} * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
}

// Whole seconds from one stamp to a later one; month and year do not count.
std::int64_t SecondsBetween(const SystemTime& earlier, const SystemTime& later) {
    return StampSeconds(later) - StampSeconds(earlier);
}

milliseconds MillisecondsBetween(const SystemTime& earlier, const SystemTime& later) {
    return milliseconds{SecondsBetween(earlier, later) * 1000 + later.milliseconds - earlier.milliseconds};
}

}  // namespace

int Player::AudioTarget(std::uint32_t bytes) const {
    if (bytes == 3200) return 200;
    if (bytes == 3552 || bytes == 3682) return m_pipeline.LargePicture() ? 226 : 228;
    if (bytes == 1000) return 55;
    if (bytes < 4000) return 125;
    if (bytes == 8192) return 510;
    return 270;
}

void Player::WaitForSound(milliseconds into, Clock::time_point reference) {
    if (into.count() < 0) return;  // a picture from before the sound
    Clock::time_point due = m_audio.WhenPlayed(into).value_or(reference + into);
    if (const auto latest = m_audio.NextRecordDue()) due = std::min(due, *latest);
    const auto wait = std::min(std::chrono::ceil<milliseconds>(due - Clock::now()), kLongestSoundWait);
    Delay(static_cast<int>(wait.count()));
}

void Player::PlaySoundLoop() {
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    SystemTime lastAudioStamp;  // a zero year: no audio played yet
    bool audioSeen = false;
    Clock::time_point reference;

    FrameReader::Position shown = m_reader.Tell();
    PreRead(*b, pacing);
    m_audio.PrepareAudio();
    ApplyVolume();  // the output opened at full volume; the user's level holds, and no sample has gone out yet
    while (!StopRequested() && ReadNext(*b)) {
        m_pipeline.WriteCaption(b->header);
        if (b->header.mediaKind == kMediaVideo) {
            const bool audioLeads =
                audioSeen && SecondsBetween(lastAudioStamp, b->header.timeStamp) <= kAudioLeadSeconds;
            int result = 0;  // a codec the player does not know is passed over here
            const PictureHandle picture = ExactPicture(*b, result, Walk::TargetOnly);
            const auto due = Due(b->header, pacing, false);
            if (audioLeads) {
                WaitForSound(MillisecondsBetween(lastAudioStamp, b->header.timeStamp), reference);
                pacing.due = Clock::now();  // the pictures' own schedule goes on from here
            } else if (picture) {
                WaitUntil(due);
            }
            if (StopRequested()) return m_reader.Restore(shown);  // a pause stays on the picture on screen
            Present(picture);
            if (picture) shown = m_reader.Tell();
        } else if (b->header.mediaKind == kMediaAudio && m_soundOn) {
            audioSeen = true;
            const std::uint32_t handed = m_audio.PlayAudioRecord(b->header, FrameData());
            const bool first = lastAudioStamp.year == 0;
            lastAudioStamp = b->header.timeStamp;
            if (!first) {
                // The wait counts from the end of the previous audio wait.
                const auto elapsed = std::chrono::duration_cast<milliseconds>(Clock::now() - reference);
                Delay(AudioTarget(handed) - static_cast<int>(elapsed.count()));
            }
            reference = Clock::now();
        }
    }
}

}  // namespace korvane
