// One camera stream's run of a playback mode on the worker: it walks the
// camera's track in its direction and shows each picture when the session
// clock reaches the picture's capture time, so that the stream always shows
// its latest picture at or before the clock. Play, back play, fast play at
// its multiples and play with sound are the same walk at another rate.
//
// The selected camera's run leads: it sets the clock going, sound (when on)
// sets the clock, and it passes over time with no picture of any camera
// shown (longer than a second of playing time) and time going the wrong way
// instead of waiting. The other cameras' runs follow the clock. Where
// decoding cannot keep up with the clock, a run shows key pictures (and
// pictures already decoded) only, so the clock never slips; at the recorded
// pace a camera shown alone that has fallen far behind starts its schedule
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
        // The rate reached so far (capture time shown over time passed; the lead's).
        std::function<void(double rate)> rate;
        // A codec the player cannot decode ended the run.
        std::function<void()> codecFailure;
        // The camera has no picture within a gap's length at or before the
        // clock: the capture time of its next picture in the run's direction.
        std::function<void(std::optional<std::int64_t> next)> without;
        // The lead's view of the other cameras shown: the capture time of the
        // nearest picture of any of them strictly beyond `time` in the direction.
        std::function<std::optional<std::int64_t>(std::int64_t time, bool forward)> nearest;
    };

    PlaybackRun(CameraStream& stream, PlaybackClock& clock, const std::atomic<bool>& stop, Hooks hooks)
        : m_stream(stream), m_clock(clock), m_stop(stop), m_hooks(std::move(hooks)) {}

    // Leads from the picture `from` at `rate` (negative: backward) until the
    // end of what the cameras shown hold, a stop or a codec failure. With
    // sound, the feed is started after `from`. Returns the last picture shown.
    RecordRef Run(RecordRef from, int rate, SoundFeed* sound);
    // Follows the running clock from the stream's picture at the clock's time
    // (`shown` when that one is on screen already) until its track ends or a
    // stop; rate 0 only shows the picture at the clock.
    void Follow(std::optional<RecordRef> shown, int rate);

private:
    // The next picture in the run's direction, passing (and feeding) records
    // that give none; from nothing: the first picture (forward).
    std::optional<RecordRef> Step(std::optional<RecordRef> from, bool forward, int& status);
    // When the run is late: the latest key or decoded picture at or before
    // the clock, beyond `next` in the run's direction; `next` when there is none.
    RecordRef CatchUp(RecordRef next, bool forward);
    // The lead's way to its picture at `own` (nothing: past the end of its
    // track): time with no picture of any camera shown is passed over, time
    // with pictures of another camera plays; its own tile goes dark when the
    // clock reaches `darkAt` on the way. False on a stop.
    bool CrossGap(std::optional<std::int64_t> own, bool forward, std::int64_t speed,
                  std::optional<std::int64_t> darkAt);
    // Waits until the clock reaches `target` in the run's direction; false on a stop.
    bool WaitFor(std::int64_t target, bool forward);
    // Walks from `at` (the picture shown, or nothing) until the end, a stop or a codec failure.
    RecordRef Walk(std::optional<RecordRef> at, int rate, SoundFeed* sound, bool lead);
    bool Failed(int status);
    void ReportRate(std::int64_t shown);

    CameraStream& m_stream;
    PlaybackClock& m_clock;
    const std::atomic<bool>& m_stop;
    Hooks m_hooks;
    TimeSource::TimePoint m_startedAt{};
    TimeSource::TimePoint m_reportedAt{};
    std::int64_t m_travelled = 0;  // capture time covered by the pictures shown
    std::int64_t m_lastShown = 0;
};

}  // namespace korvane
