// The session's navigation: the complete index built in the background,
// seeking to a capture time, moving by time, and the choice of camera.
#include "playback/Session.h"

namespace korvane {

void Session::StartIndex() {
    const unsigned run = ++m_indexRun;
    m_indexBuilder.Start(
        m_paths,
        [this, run](int percent) {
            m_mailbox.Post([this, run, percent] {
                if (run == m_indexRun) emit IndexProgress(percent);
            });
        },
        [this, run](std::shared_ptr<const RecordingSet> set) {
            m_mailbox.Post([this, run, set = std::move(set)]() mutable {
                if (run == m_indexRun) IndexBuilt(std::move(set));
            });
        });
}

bool Session::WaitForIndex() {
    m_indexBuilder.Wait();
    m_mailbox.Drain();  // the build's result is announced here, on this thread
    return m_complete;
}

void Session::UseSet(std::shared_ptr<const RecordingSet> set) {
    m_set = std::move(set);
    for (auto& [camera, stream] : m_streams) stream->SetTrack(m_set->Track(camera));
}

void Session::IndexBuilt(std::shared_ptr<const RecordingSet> set) {
    const PlayMode resume = Resumable();
    Stop();  // the run walks the tracks that are replaced now
    UseSet(std::move(set));
    m_complete = true;
    for (const TrackOverlap& o : m_set->Overlaps())
        Say("Camera " + std::to_string(o.camera + 1) + ": " + m_set->Path(o.laterFile) + " starts " +
            std::to_string(o.earlierEnds - o.laterStarts) + " ms before " + m_set->Path(o.earlierFile) +
            " ends; both play whole, one after the other.");
    emit IndexReady();
    if (!Track()) {
        // The camera the file header picks shows nothing: say so and take the first that does.
        if (const std::vector<int> cameras = Cameras(); !cameras.empty()) {
            NoPictures(m_camera);
            SelectCamera(cameras.front());
        }
        return;
    }
    if (!m_shown && !m_quickWhole) ShowFirstPicture();  // the quick look did not reach its pictures
    if (resume != PlayMode::Idle) Start(resume);
    else PositionOthers();  // cameras the quick look did not reach
}

bool Session::Moved(RecordRef ref, CameraStream::Walk walk) {
    const PlayMode resume = Resumable();
    Stop();
    const bool shown = ShowRecord(ref, walk) == 1;
    if (resume != PlayMode::Idle) Start(resume);
    else if (shown) PositionOthers();
    return shown;
}

bool Session::SeekTo(std::int64_t time) {
    const CameraTrack* track = Track();
    if (!track) {
        NoPictures(m_camera);
        return false;
    }
    return Moved(*track->PictureAt(time), CameraStream::Walk::TargetOnly);
}

bool Session::SeekBy(std::int64_t milliseconds) {
    const CameraTrack* track = Track();
    const auto now = CurrentTime();
    if (!track || !now) return false;
    auto picture = track->PictureAt(*now + milliseconds);
    if (picture && milliseconds > 0 && track->Entry(*picture).time <= *now) picture = track->PictureAfter(*now);
    return picture && Moved(*picture, CameraStream::Walk::TargetOnly);
}

bool Session::SeekToFirst() {
    const auto picture = Track() ? Track()->First() : std::nullopt;
    return picture && Moved(*picture, CameraStream::Walk::TargetOnly);
}

bool Session::SeekToLast() {
    const auto picture = Track() ? Track()->Last() : std::nullopt;
    return picture && Moved(*picture, CameraStream::Walk::TargetOnly);
}

std::optional<std::int64_t> Session::CurrentTime() const {
    if (!m_shown || !Track()) return std::nullopt;
    return Track()->Entry(*m_shown).time;
}

bool Session::SelectCamera(int camera) {
    const CameraTrack* track = m_set ? m_set->Track(camera) : nullptr;
    if (!track) {
        NoPictures(camera);
        return false;
    }
    const std::int64_t moment = CurrentTime().value_or(track->Entry(*track->First()).time);
    const PlayMode resume = Resumable();
    Stop();
    m_camera = camera;
    m_tiles.Show(m_tiles.List().size() > 1 ? m_tiles.List() : std::vector<int>{}, camera);
    m_shown.reset();
    UpdateTitle(true);
    emit CameraChanged(camera);
    const bool shown = ShowRecord(*track->PictureAt(moment), CameraStream::Walk::TargetOnly) == 1;
    if (resume != PlayMode::Idle) Start(resume);
    else if (shown) PositionOthers();
    return shown;
}

}  // namespace korvane
