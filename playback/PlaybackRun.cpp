#include "playback/PlaybackRun.h"

#include <cstdlib>

namespace korvane {
namespace {

using std::chrono::milliseconds;

constexpr std::int64_t kLongestWait = 1000;       // ms of playing time: a longer gap is not waited for
constexpr std::int64_t kLongestCatchUp = 250;     // ms behind at the recorded pace: the schedule starts again
constexpr std::int64_t kFastSlack = 40;           // ms behind in fast play: key pictures only from here
constexpr std::int64_t kSoundLead = 1000;         // ms of sound queued ahead of the picture shown
constexpr milliseconds kRateEvery{500};

}  // namespace

std::optional<RecordRef> PlaybackRun::Step(RecordRef from, bool forward, int& status) {
    const CameraTrack& track = *m_stream.Track();
    if (!forward) return track.PreviousVideo(from, true);
    for (std::optional<RecordRef> at = track.NextVideo(from, false); at; at = track.NextVideo(*at, false)) {
        if (track.Entry(*at).IsPicture()) return at;
        m_stream.Exact(*at, CameraStream::Walk::TargetOnly, status);  // feeds the decoder
        if (status == kCodecUnknown || m_stop.load()) return std::nullopt;
    }
    return std::nullopt;
}

RecordRef PlaybackRun::CatchUp(RecordRef next, bool forward) {
    const CameraTrack& track = *m_stream.Track();
    const std::int64_t now = m_clock.Now();
    const auto cheap = [&](RecordRef r) { return track.Entry(r).frameType == kFrameKey || m_stream.Cached(r); };
    RecordRef best = next;
    if (forward) {
        for (auto at = track.NextVideo(next, true); at && track.Entry(*at).time <= now;
             at = track.NextVideo(*at, true))
            if (cheap(*at)) best = *at;
        return best;
    }
    for (std::optional<RecordRef> at = next; at; at = track.PreviousVideo(*at, true))
        if (track.Entry(*at).time <= now && cheap(*at)) return *at;
    return best;
}

bool PlaybackRun::Wait(TimeSource::TimePoint due) { return m_clock.Source().WaitUntil(due) && !m_stop.load(); }

void PlaybackRun::ReportRate(std::int64_t shown) {
    m_travelled += std::llabs(shown - m_lastShown);
    m_lastShown = shown;
    const auto now = m_clock.Source().Now();
    if (!m_hooks.rate || now - m_reportedAt < kRateEvery) return;
    m_reportedAt = now;
    const auto elapsed = std::chrono::duration_cast<milliseconds>(now - m_startedAt).count();
    if (elapsed > 0) m_hooks.rate(static_cast<double>(m_travelled) / static_cast<double>(elapsed));
}

RecordRef PlaybackRun::Run(RecordRef from, int rate, SoundFeed* sound) {
    const CameraTrack* track = m_stream.Track();
    if (track == nullptr) return from;
    const bool forward = rate > 0;
    const std::int64_t speed = std::abs(rate);
    RecordRef shown = from, at = from;
    std::int64_t lastTime = track->Entry(from).time;
    m_clock.Set(lastTime);
    m_clock.Run(rate);
    m_startedAt = m_reportedAt = m_clock.Source().Now();
    m_lastShown = lastTime;
    m_travelled = 0;
    if (sound) sound->Start(*track, from);

    while (!m_stop.load()) {
        int status = 0;
        std::optional<RecordRef> next = Step(at, forward, status);
        if (status == kCodecUnknown) {
            if (m_hooks.codecFailure) m_hooks.codecFailure();
            return shown;
        }
        if (!next) return shown;
        std::int64_t time = track->Entry(*next).time;
        const std::int64_t step = forward ? time - lastTime : lastTime - time;
        const bool jump = step < 0 || step > kLongestWait * speed;
        if (jump) {
            m_clock.Set(time);  // not waited for
        } else {
            const std::int64_t now = m_clock.Now();
            const std::int64_t late = forward ? now - time : time - now;
            if (speed == 1 && late > kLongestCatchUp && sound == nullptr) {
                m_clock.Set(time);
            } else if (speed > 1 && late > kFastSlack * speed) {
                next = CatchUp(*next, forward);
                time = track->Entry(*next).time;
            }
        }
        if (sound) sound->QueueUntil(time + kSoundLead, m_clock);
        const DecodedHandle picture = m_stream.Exact(
            *next, forward ? CameraStream::Walk::TargetOnly : CameraStream::Walk::KeepGroup, status);
        if (status == kCodecUnknown) {
            if (m_hooks.codecFailure) m_hooks.codecFailure();
            return shown;
        }
        at = *next;
        if (!picture) continue;
        // Every picture is the latest at or before the clock: forward it is
        // due at its own time, backward as soon as the clock leaves the one shown.
        const std::int64_t target = forward || jump ? time : std::min(lastTime - 1, m_clock.Now());
        const auto due = m_clock.When(target);
        if (!forward && speed == 1) {
            // Back play decodes the group before the shown one while it waits.
            auto cost = milliseconds(0);
            while (!m_stop.load() && m_clock.Source().Now() + cost < due) {
                const auto began = m_clock.Source().Now();
                if (!m_stream.FillStep(*next)) break;
                cost = std::chrono::duration_cast<milliseconds>(m_clock.Source().Now() - began);
            }
        }
        if (!Wait(due)) return shown;  // a pause stays on the picture on screen
        m_hooks.show(*next, picture);
        shown = *next;
        lastTime = time;
        ReportRate(time);
    }
    return shown;
}

}  // namespace korvane
