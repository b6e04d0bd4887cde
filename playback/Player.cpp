#include "playback/Player.h"

#include <algorithm>
#include <cstdio>

#include "recording/FileCheck.h"
#include "recording/SiteInfo.h"

namespace korvane {
namespace {

constexpr int kVolumeStep = 12288;  // level 5: 61,440 of 65,535

}  // namespace

Player::Player(Notifier& notifier, QObject* parent)
    : QObject(parent),
      m_notifier(notifier),
      m_reader(notifier),
      m_frameData(std::make_unique_for_overwrite<std::uint8_t[]>(kFrameDataCapacity)) {
    m_pipeline.SetPictureSink([this](PictureHandle picture) {
        if (m_capture != nullptr) {
            *m_capture = std::move(picture);
        } else {
            Hand(std::move(picture));
        }
    });
}

Player::~Player() {
    // Nobody is told of a stop while the engine goes.
    blockSignals(true);
    Stop();
}

void Player::Hand(PictureHandle picture) {
    if (std::this_thread::get_id() == m_owner) {
        Deliver(std::move(picture));
    } else {
        m_mailbox.Post([this, picture = std::move(picture)]() mutable { Deliver(std::move(picture)); });
    }
}

void Player::Deliver(PictureHandle picture) {
    m_current = std::move(picture);
    emit PictureShown(m_current);
}

void Player::ClearPicture() {
    m_current.reset();
    emit PictureCleared();
}

void Player::SetTitle(const std::string& title) {
    m_title = QString::fromLocal8Bit(title.data(), static_cast<qsizetype>(title.size()));
    emit TitleChanged(m_title);
}

void Player::SetMode(PlayMode mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    emit ModeChanged(mode);
}

// --- modes --------------------------------------------------------------------

bool Player::Start(PlayMode mode) {
    if (mode == PlayMode::Play && m_soundOn) mode = PlayMode::PlaySound;
    if (mode == PlayMode::Idle || m_filePath.empty() || !m_reader.IsOpen()) return false;
    if (mode == m_mode) return false;  // that mode already plays
    Stop();  // another mode: the reader carries on from where it stands
    void (Player::*loop)() = nullptr;
    switch (mode) {
        case PlayMode::Play: loop = &Player::PlayLoop; break;
        case PlayMode::PlaySound: loop = &Player::PlaySoundLoop; break;
        case PlayMode::BackPlay: loop = &Player::BackPlayLoop; break;
        case PlayMode::FastPlay: loop = &Player::FastPlayLoop; break;
        case PlayMode::FastBackPlay: loop = &Player::FastBackPlayLoop; break;
        case PlayMode::Idle: return false;
    }
    // Every return of the loop is an end; the end of a run that was stopped is ignored.
    const unsigned run = ++m_run;
    const bool started = m_worker.Start([this, loop, run] {
        (this->*loop)();
        m_mailbox.Post([this, run] { LoopEnded(run); });
    });
    if (!started) return false;
    SetMode(mode);
    return true;
}

void Player::Stop() {
    ++m_run;  // an end the stopped run has posted is not playback's end any more
    m_worker.Stop();
    m_mailbox.Drain();  // the pictures the run showed arrive before anything after the stop
    SetMode(PlayMode::Idle);
}

void Player::LoopEnded(unsigned run) {
    if (run != m_run) return;  // stopped before its end arrived
    m_worker.Stop();           // the loop has returned: this only joins it
    SetMode(PlayMode::Idle);
    emit PlaybackEnded();
}

void Player::CodecFailure() { m_notifier.ShowMessage(kIncorrectCodecText); }

void Player::SetSound(bool on) {
    m_soundOn = on;
    emit SoundChanged(on);
    if (m_fileOpen) Reload();
}

void Player::SetVolume(int level) {
    m_volumeLevel = std::clamp(level, 0, 5);
    ApplyVolume();
}

// The output keeps its gains only while it is open; every open starts it at
// full volume, so the user's level is applied again after each one.
void Player::ApplyVolume() {
    const int level = m_volumeLevel.load();
    const auto gain = level < 0 ? kFullVolume : static_cast<std::uint16_t>(level * kVolumeStep);
    m_waveOut.SetVolume(gain, gain);
}

// --- opening ------------------------------------------------------------------

bool Player::OpenReader() {
    m_fileOpen = false;
    m_cache.Clear();
    m_decoderAt = 0;
    if (m_reader.Open(m_filePath) == 0) return false;
    m_fileOpen = true;
    return true;
}

bool Player::OpenCommandLine(const std::string& commandLine) {
    if (commandLine.empty()) return false;
    std::string path = commandLine;
    if (path.front() == '"') path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::string{};
    return Open(path);
}

bool Player::Open(const std::string& path) {
    Stop();
    m_reader.Close();
    m_filePath = path;
    StartIndex();
    SetTitle(m_filePath);
    if (!OpenReader()) {
        ClearPicture();
        m_notifier.ShowMessage(CheckFile(m_filePath, SelectedCamera()).sentence);
        return false;
    }
    m_pipeline.ForgetDecoder();
    if (ShowFirstPicture())
        emit Opened(QString::fromLocal8Bit(m_filePath.data(), static_cast<qsizetype>(m_filePath.size())));
    return true;
}

bool Player::Reload() {
    Stop();
    const std::uint32_t camera = m_reader.SelectedCamera();  // the same recording: the chosen camera stays
    m_reader.Close();
    SetTitle(m_filePath);
    if (!OpenReader()) {
        ClearPicture();
        return false;
    }
    m_reader.SelectCamera(camera);
    ShowFirstPicture();
    return true;
}

bool Player::ShowFirstPicture() {
    const PictureHandle before = m_current;
    auto b = std::make_unique<RecordBuffers>();
    bool read = ReadFirst(*b);
    while (read && b->header.mediaKind != kMediaVideo) read = ReadNext(*b);
    if (read) {
        const int result = Decode(*b, 1);
        if (result == kCodecUnknown) {
            m_notifier.ShowMessage(kIncorrectCodecText);
            ClearPicture();
            return false;
        }
        bool settle = result == 1 && b->header.frameType == kFrameDecoderOnly;
        bool done = result == 1 && b->header.frameType == kFrameKey;
        // Decode on until a key picture (or, once a decoder-only record has
        // primed the decoder, any picture) has been shown.
        while (!done) {
            read = ReadNext(*b);
            m_pipeline.WriteCaption(b->header);
            if (!read) break;
            if (b->header.timeStamp.second == 0 && b->header.timeStamp.milliseconds == 51)
                b->header.frameType = kFrameGroup;
            const int decoded = Decode(*b, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (b->header.mediaKind != kMediaVideo || decoded != 1) continue;
            if (b->header.frameType == kFrameDecoderOnly) {
                settle = true;
                continue;
            }
            if (b->header.frameType == kFrameDecoderOnly4) continue;
            done = settle || b->header.frameType == kFrameKey;
        }
    }
    std::string site, camera;
    if (LookUpSiteInfo(m_reader, m_filePath, site, camera)) SetTitle(site + " : " + camera);
    if (m_current == nullptr || m_current == before) {
        // Nothing of this recording came up: the last recording's picture must
        // not stay. A file with pictures of another camera is left to the index.
        ClearPicture();
        const FileCheck check = CheckFile(m_filePath, SelectedCamera());
        if (check.cameras.empty()) {
            m_notifier.ShowMessage(check.sentence);
            return false;
        }
    }
    return true;
}

bool Player::ShowRecordAt(std::uint32_t offset) {
    if (IsPlaying() || !m_reader.IsOpen()) return false;
    auto b = std::make_unique<RecordBuffers>();
    const FrameReader::Position at = m_reader.Tell();
    if (m_reader.ReadAt(offset, &b->header, &b->extension, FrameData(), &b->caption, b->captionText) == 0) return false;
    int result = 0;
    const PictureHandle picture = ExactPicture(*b, result, Walk::TargetOnly);
    if (result == kCodecUnknown) CodecFailure();
    if (!picture) {
        m_reader.Restore(at);
        return false;
    }
    Present(picture);
    return true;
}

}  // namespace korvane
