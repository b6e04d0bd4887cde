// The cameras shown side by side: which they are, their pictures at the
// selected camera's moment, their runs following the clock, and small
// pictures for the timeline.
#include "playback/Session.h"

namespace korvane {

void Session::ShowCameras(std::vector<int> cameras) {
    const PlayMode resume = Resumable();
    Stop();
    m_tiles.Show(std::move(cameras), m_camera);
    m_cache.SetStreams(m_tiles.List().size());
    if (resume != PlayMode::Idle) Start(resume);
    else PositionOthers();
}

PlaybackRun::Hooks Session::FollowerHooks(int camera) {
    PlaybackRun::Hooks hooks;
    PictureConverter& converter = m_tiles.ConverterOf(camera);
    hooks.show = [this, camera, &converter](RecordRef ref, const DecodedHandle& decoded) {
        PictureHandle picture = m_tiles.Convert(camera, *decoded, converter, m_time->Now());
        if (!picture) return;
        m_mailbox.Post([this, camera, ref, picture = std::move(picture)] {
            m_tiles.SetPicture(camera, ref, picture);
            emit CameraPictureShown(picture);
        });
    };
    hooks.without = [this, camera](std::optional<std::int64_t> next) {
        m_mailbox.Post([this, camera, next] {
            m_tiles.SetPicture(camera, std::nullopt, nullptr);
            emit CameraWithoutPicture(camera, next.value_or(-1));
        });
    };
    hooks.codecFailure = [this] { m_posted.ShowMessage(kIncorrectCodecText); };
    return hooks;
}

std::vector<std::function<void()>> Session::Followers(int rate) {
    std::vector<std::function<void()>> loops;
    if (!m_set) return loops;
    for (const int camera : m_tiles.Others(m_camera)) {
        if (!m_set->Track(camera)) {
            FollowerHooks(camera).without(std::nullopt);
            continue;
        }
        CameraStream& stream = Stream(camera);
        loops.push_back([this, &stream, rate, shown = m_tiles.Record(camera), hooks = FollowerHooks(camera)]() mutable {
            PlaybackRun(stream, m_clock, m_worker.StopFlag(), std::move(hooks)).Follow(shown, rate);
        });
    }
    return loops;
}

void Session::PositionOthers() {
    const auto now = CurrentTime();
    // While a stop drains its mailbox nothing starts: whoever stops moves the cameras after.
    if (!now || m_tiles.List().size() < 2 || m_stopping > 0) return;
    m_worker.Stop();  // the cameras still being placed use the streams that are set up now
    m_clock.Set(*now);
    m_worker.Start(Followers(0));
}

void Session::Settle() {
    if (IsPlaying()) return;
    m_worker.Join();
    m_mailbox.Drain();
}

PictureHandle Session::KeyPictureNear(int camera, std::int64_t time, QSize size) {
    const CameraTrack* track = m_set ? m_set->Track(camera) : nullptr;
    return track ? m_keyPictures.Near(*track, time, size, m_time->Now()) : nullptr;
}

}  // namespace korvane
