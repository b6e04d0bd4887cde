#include "playback/PlaybackRun.h"

#include <cstdlib>

#include "recording/RecordIndex.h"

namespace korvane {
namespace {

using std::chrono::milliseconds;

constexpr std::int64_t kLongestWait = 1000;       // ms of playing time: a longer gap is not waited for
constexpr std::int64_t kLongestCatchUp = 250;     // ms behind at the recorded pace: the schedule starts again
constexpr std::int64_t kFastSlack = 40;           // ms behind: key pictures only from here
constexpr std::int64_t kSoundLead = 1000;         // ms of sound queued ahead of the picture shown
constexpr std::int64_t kGap = RecordIndex::kGapMilliseconds;  // longer without a picture: "No recording"
constexpr milliseconds kRateEvery{500};

}  // namespace

std::optional<RecordRef> PlaybackRun::Step(std::optional<RecordRef> from, bool forward, int& status) {
    const CameraTrack& track = *m_stream.Track();
    if (!from) return forward ? track.First() : std::nullopt;
    if (!forward) return track.PreviousVideo(*from, true);
    for (std::optional<RecordRef> at = track.NextVideo(*from, false); at; at = track.NextVideo(*at, false)) {
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

bool PlaybackRun::WaitFor(std::int64_t target, bool forward) {
    TimeSource& source = m_clock.Source();
    while (!m_stop.load()) {
        const unsigned seen = source.Pokes();  // a clock set from here on wakes the wait
        const std::int64_t now = m_clock.Now();
        if (forward ? now >= target : now <= target) return true;
        const auto due = m_clock.When(target);
        if (due <= source.Now()) return true;  // the clock does not run towards it
        if (!source.WaitUntil(due, seen)) return false;
    }
    return false;
}

bool PlaybackRun::CrossGap(std::optional<std::int64_t> own, bool forward, std::int64_t speed,
                           std::optional<std::int64_t> darkAt) {
    const std::int64_t limit = kLongestWait * speed;
    const auto beyond = [forward](std::int64_t a, std::int64_t b) { return forward ? a > b : a < b; };
    bool darkens = darkAt.has_value();  // the lead's tile has yet to go dark at `dark`
    const std::int64_t dark = darkAt.value_or(0);
    const auto darken = [&] {
        if (m_hooks.without) m_hooks.without(own);
        darkens = false;
    };
    std::optional<std::int64_t> last;  // the latest picture of another camera passed
    while (!m_stop.load()) {
        const std::int64_t now = m_clock.Now();
        if (own && !beyond(*own, now)) return true;
        if (darkens && !beyond(dark, now)) darken();
        std::optional<std::int64_t> next = m_hooks.nearest ? m_hooks.nearest(now, forward) : std::nullopt;
        if (own && (!next || beyond(*next, *own))) next = own;
        if (!next) {
            // The end of every track: the other cameras' last pictures are shown, the lead's tile goes dark.
            std::optional<std::int64_t> end;
            if (last) end = forward ? *last + kGap : *last - kGap;
            if (darkens && (!end || beyond(dark, *end))) end = dark;
            if (end && !WaitFor(*end, forward)) return false;
            if (darkens) darken();
            return true;
        }
        if (std::llabs(*next - now) > limit) {
            if (next == own) darkens = false;  // straight to the lead's next picture: never dark
            m_clock.Set(*next);             // no camera shown has a picture in between: not waited for
            continue;
        }
        last = next;
        std::int64_t target = forward ? *next + limit : *next - limit;
        if (own && beyond(target, *own)) target = *own;
        if (darkens && beyond(target, dark)) target = dark;
        if (!WaitFor(target, forward)) return false;
    }
    return false;
}

bool PlaybackRun::Failed(int status) {
    if (status != kCodecUnknown) return false;
    if (m_hooks.codecFailure) m_hooks.codecFailure();
    return true;
}

void PlaybackRun::ReportRate(std::int64_t shown) {
    m_travelled += std::llabs(shown - m_lastShown);
    m_lastShown = shown;
    const auto now = m_clock.Source().Now();
    if (!m_hooks.rate || now - m_reportedAt < kRateEvery) return;
    m_reportedAt = now;
    const auto elapsed = std::chrono::duration_cast<milliseconds>(now - m_startedAt).count();
    if (elapsed > 0) m_hooks.rate(static_cast<double>(m_travelled) / static_cast<double>(elapsed));
}

RecordRef PlaybackRun::Walk(std::optional<RecordRef> at, int rate, SoundFeed* sound, bool lead) {
    const CameraTrack& track = *m_stream.Track();
    const bool forward = rate > 0;
    const std::int64_t speed = std::abs(rate);
    const bool others = static_cast<bool>(m_hooks.nearest);
    std::optional<RecordRef> shown = at;
    std::optional<std::int64_t> lastTime;
    if (at) lastTime = track.Entry(*at).time;

    while (!m_stop.load()) {
        int status = 0;
        std::optional<RecordRef> next = Step(at, forward, status);
        if (Failed(status)) break;
        // A tile goes dark a gap's length after its picture when the next is not due by then.
        const std::optional<std::int64_t> dark =
            lastTime ? std::optional(forward ? *lastTime + kGap : *lastTime - 1) : std::nullopt;
        if (!next) {
            if (lead && others) {
                CrossGap(std::nullopt, forward, speed, dark);
            } else if (!lead && dark && WaitFor(forward ? *dark : *lastTime - kGap, forward) && m_hooks.without) {
                m_hooks.without(std::nullopt);
            }
            break;
        }
        std::int64_t time = track.Entry(*next).time;
        const std::int64_t step = !lastTime ? 0 : forward ? time - *lastTime : *lastTime - time;
        const bool darkens = step > kGap && (others || !lead);
        const bool jumps = lead && step < 0;
        if (jumps) {
            m_clock.Set(time);  // time going the wrong way is not waited for
        } else if (lead && step > kLongestWait * speed) {
            const std::int64_t due = forward || !darkens ? time : time + kGap;  // as the target below
            if (!CrossGap(due, forward, speed, darkens ? dark : std::nullopt)) break;
        } else {
            if (darkens) {
                if (!WaitFor(*dark, forward)) break;
                const std::int64_t now = m_clock.Now();
                if ((forward ? now < time : now > time + kGap) && m_hooks.without) m_hooks.without(time);
            }
            const std::int64_t now = m_clock.Now();
            const std::int64_t late = forward ? now - time : time - now;
            // A camera alone at the recorded pace shows every picture, late or not;
            // side by side the clock never goes back: a late camera catches up.
            if (lead && speed == 1 && sound == nullptr && !others) {
                if (late > kLongestCatchUp) m_clock.Set(time);
            } else if (late > kFastSlack * speed && (speed > 1 || !lead || others)) {
                next = CatchUp(*next, forward);
                time = track.Entry(*next).time;
            }
        }
        if (sound) sound->QueueUntil(time + kSoundLead, m_clock);
        const DecodedHandle picture = m_stream.Exact(
            *next, forward ? CameraStream::Walk::TargetOnly : CameraStream::Walk::KeepGroup, status);
        if (Failed(status)) break;
        at = *next;
        if (!picture) continue;
        // Every picture is the latest at or before the clock: forward it is
        // due at its own time, backward as soon as the clock leaves the one
        // shown (or comes within a gap's length of it).
        const std::int64_t target = forward || !lastTime || jumps ? time : darkens ? time + kGap : *lastTime - 1;
        if (!forward && speed == 1) {
            // Back play decodes the group before the shown one while it waits.
            const auto due = m_clock.When(target);
            auto cost = milliseconds(0);
            while (!m_stop.load() && m_clock.Source().Now() + cost < due) {
                const auto began = m_clock.Source().Now();
                if (!m_stream.FillStep(*next)) break;
                cost = std::chrono::duration_cast<milliseconds>(m_clock.Source().Now() - began);
            }
        }
        if (!WaitFor(target, forward)) break;  // a pause stays on the picture on screen
        m_hooks.show(*next, picture);
        shown = *next;
        lastTime = time;
        if (lead) ReportRate(time);
    }
    return shown.value_or(RecordRef{});
}

RecordRef PlaybackRun::Run(RecordRef from, int rate, SoundFeed* sound) {
    const CameraTrack* track = m_stream.Track();
    if (track == nullptr) return from;
    const std::int64_t start = track->Entry(from).time;
    m_clock.Set(start);
    m_clock.Run(rate);
    m_startedAt = m_reportedAt = m_clock.Source().Now();
    m_lastShown = start;
    m_travelled = 0;
    if (sound) sound->Start(*track, from);
    return Walk(from, rate, sound, true);
}

void PlaybackRun::Follow(std::optional<RecordRef> shown, int rate) {
    const CameraTrack* track = m_stream.Track();
    if (track == nullptr) return;
    const std::int64_t now = m_clock.Now();
    std::optional<RecordRef> at = track->PictureAt(now);
    if (at && track->Entry(*at).time > now) at.reset();  // before the camera's first picture
    const bool current = at && now - track->Entry(*at).time <= kGap;
    if (current && at != shown) {
        int status = 0;
        const DecodedHandle picture = m_stream.Exact(*at, CameraStream::Walk::TargetOnly, status);
        if (Failed(status)) return;
        if (picture) m_hooks.show(*at, picture);
    } else if (!current && m_hooks.without) {
        const auto after = track->PictureAfter(now);
        m_hooks.without(rate < 0 && at   ? std::optional(track->Entry(*at).time)
                        : after         ? std::optional(track->Entry(*after).time)
                                        : std::nullopt);
    }
    if (rate == 0) return;
    if (at && !current && rate < 0) {
        // Backward, the latest picture before a gap is the first to come.
        if (!WaitFor(track->Entry(*at).time + kGap, false)) return;
        int status = 0;
        const DecodedHandle picture = m_stream.Exact(*at, CameraStream::Walk::KeepGroup, status);
        if (Failed(status)) return;
        if (picture) m_hooks.show(*at, picture);
    }
    Walk(at, rate, nullptr, false);
}

}  // namespace korvane
