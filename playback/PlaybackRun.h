// One run of a playback mode on the worker: it walks the camera's track in
// its direction and shows each picture when the session clock reaches the
// picture's capture time. Play, back play, fast play at its multiples and
// play with sound are the same walk at another rate; sound, when on, sets
// the clock. Time going the wrong way and gaps longer than a second (of
// playing time) are not waited for: the clock moves to the next picture.
// Where decoding cannot keep up with a fast rate, the run shows key
// pictures (and pictures already decoded) only, so the clock never slips;
// at the recorded pace a run that has fallen far behind starts its schedule
// again instead, so that every picture is shown.
#pragma once

#include <atomic>
#include <functional>
#include <optional>

#include "playback/CameraStream.h"
#include "playback/PlaybackClock.h"
#include "playback/SoundFeed.h"

namespace korvane {

class PlaybackRun {
public:
    struct Hooks {
        // A picture to show now, of the record `ref`.
        std::function<void(RecordRef ref, const DecodedHandle& picture)> show;
        // The rate reached so far (capture time shown over time passed).
        std::function<void(double rate)> rate;
        // A codec the player cannot decode ended the run.
        std::function<void()> codecFailure;
    };

    PlaybackRun(CameraStream& stream, PlaybackClock& clock, const std::atomic<bool>& stop, Hooks hooks)
        : m_stream(stream), m_clock(clock), m_stop(stop), m_hooks(std::move(hooks)) {}

    // Runs from the picture `from` at `rate` (negative: backward) until the
    // end of the track, a stop or a codec failure. With sound, the feed is
    // started after `from`. Returns the last picture shown.
    RecordRef Run(RecordRef from, int rate, SoundFeed* sound);

private:
    // The next picture in the run's direction, passing (and feeding) records that give none.
    std::optional<RecordRef> Step(RecordRef from, bool forward, int& status);
    // When fast play is late: the latest key or decoded picture at or before
    // the clock, beyond `next` in the run's direction; `next` when there is none.
    RecordRef CatchUp(RecordRef next, bool forward);
    bool Wait(TimeSource::TimePoint due);
    void ReportRate(std::int64_t shown);

    CameraStream& m_stream;
    PlaybackClock& m_clock;
    const std::atomic<bool>& m_stop;
    Hooks m_hooks;
    std::int64_t m_startTime = 0;
    std::int64_t m_travelled = 0;  // capture time covered by the pictures shown
    TimeSource::TimePoint m_startedAt{};
    TimeSource::TimePoint m_reportedAt{};
    std::int64_t m_lastShown = 0;
};

}  // namespace korvane
