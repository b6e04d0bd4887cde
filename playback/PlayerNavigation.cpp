// The engine's navigation: the index built in the background, seeking to a
// capture time, moving by time, and the choice of camera.
#include <string>

#include "playback/Player.h"
#include "recording/SiteInfo.h"
#include "recording/TimeStamp.h"

namespace korvane {

void Player::StartIndex() {
    const unsigned run = ++m_indexRun;
    m_index.reset();
    m_shownAtOpen = m_current;
    m_indexBuilder.Start(
        m_filePath,
        [this, run](int percent) {
            m_mailbox.Post([this, run, percent] {
                if (run == m_indexRun) emit IndexProgress(percent);
            });
        },
        [this, run](std::shared_ptr<const RecordIndex> index) {
            m_mailbox.Post([this, run, index = std::move(index)]() mutable {
                if (run == m_indexRun) IndexBuilt(std::move(index));
            });
        });
}

bool Player::WaitForIndex() {
    m_indexBuilder.Wait();
    m_mailbox.Drain();  // the build's result is announced here, on this thread
    return m_index != nullptr;
}

void Player::IndexBuilt(std::shared_ptr<const RecordIndex> index) {
    if (!index) return;
    m_index = std::move(index);
    const bool noneShown = m_current == m_shownAtOpen;
    m_shownAtOpen.reset();
    emit IndexReady();
    const std::vector<int> cameras = m_index->Cameras();
    if (m_index->PictureCount(SelectedCamera()) == 0) {
        // The camera the file header picks shows nothing: say so and take the
        // first that does. A file without any picture was reported by the open.
        if (!cameras.empty()) {
            NoPictures(SelectedCamera());
            SelectCamera(cameras.front());
        }
    } else if (noneShown && !IsPlaying() && m_index->Size() > 0 && (*m_index)[0].camera != SelectedCamera()) {
        SeekToFirst();  // the chain begins with another camera's record, where the first picture was looked for
    }
}

void Player::NoPictures(int camera) {
    m_notifier.ShowMessage("This recording holds no pictures of camera " + std::to_string(camera + 1) + ".");
}

bool Player::ShowIndexed(std::uint32_t offset) {
    const PlayMode resume = m_mode;
    Stop();
    const bool shown = ShowRecordAt(offset);
    if (resume != PlayMode::Idle) Start(resume);
    return shown;
}

bool Player::SeekTo(std::int64_t time) {
    if (!m_index) return false;
    const auto picture = m_index->PictureAt(SelectedCamera(), time);
    if (!picture) {
        NoPictures(SelectedCamera());
        return false;
    }
    return ShowIndexed(picture->offset);
}

bool Player::SeekBy(std::int64_t milliseconds) {
    const auto now = CurrentTime();
    if (!m_index || !now) return false;
    const int camera = SelectedCamera();
    auto picture = m_index->PictureAt(camera, *now + milliseconds);
    if (picture && milliseconds > 0 && picture->time <= *now) picture = m_index->PictureAfter(camera, *now);
    return picture && ShowIndexed(picture->offset);
}

bool Player::SeekToFirst() {
    const auto picture = m_index ? m_index->First(SelectedCamera()) : std::nullopt;
    return picture && ShowIndexed(picture->offset);
}

bool Player::SeekToLast() {
    const auto picture = m_index ? m_index->Last(SelectedCamera()) : std::nullopt;
    return picture && ShowIndexed(picture->offset);
}

std::optional<std::int64_t> Player::CurrentTime() const {
    if (!m_current || m_current->camera < 0) return std::nullopt;
    return CaptureMilliseconds(m_current->captureTime);
}

std::vector<int> Player::Cameras() const { return m_index ? m_index->Cameras() : std::vector<int>{}; }

bool Player::SelectCamera(int camera) {
    if (!m_index || camera < 0) return false;
    const auto first = m_index->First(camera);
    if (!first) {
        NoPictures(camera);
        return false;
    }
    const std::int64_t moment = CurrentTime().value_or(first->time);
    const PlayMode resume = m_mode;
    Stop();
    m_reader.SelectCamera(static_cast<std::uint32_t>(camera));
    m_cache.Clear();  // the kept pictures are the other camera's
    std::string site, name;
    if (LookUpSiteInfo(m_reader, m_filePath, site, name)) SetTitle(site + " : " + CameraName(m_filePath, camera));
    emit CameraChanged(camera);
    const bool shown = ShowRecordAt(m_index->PictureAt(camera, moment)->offset);
    if (resume != PlayMode::Idle) Start(resume);
    return shown;
}

}  // namespace korvane
