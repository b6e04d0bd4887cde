// The playback engine's interface and the session's state: the recordings
// opened together (one file, several, or a folder), the camera selected, the
// picture shown, the mode playing. Its interface is what a user can do; it
// reports what happened through its signals, always on the thread that made
// it (the GUI thread): a picture, the mode and the rate reached, the end of
// playback, the index's progress, messages for the user (as values: the face
// decides how to show them).
//
// The parts it holds each do one thing: the index builder (the set of
// recordings and its tracks), a camera stream per camera (reading and
// decoding exactly), the one picture cache, the one clock, the sound path,
// the one worker with its run (pacing).
//
// Threads: everything here runs on the owning thread except a run, which
// plays on the worker; a start stops a running mode first, and a step,
// seek or camera switch stops and restarts it, so a stream is used by one
// thread at a time. Stop returns only once the worker has been joined.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "decode/PictureConverter.h"
#include "platform/Mailbox.h"
#include "platform/Notifier.h"
#include "playback/CameraStream.h"
#include "playback/IndexBuilder.h"
#include "playback/KeyPictures.h"
#include "playback/PictureCache.h"
#include "playback/PlaybackClock.h"
#include "playback/PlaybackRun.h"
#include "playback/PlaybackWorker.h"
#include "playback/ShownCameras.h"
#include "playback/SoundPath.h"
#include "recording/RecordingSet.h"

namespace korvane {

inline constexpr const char* kIncorrectCodecText = "The pictures of this recording are in a video format the player does not know.";

// Idle, or the mode the worker plays. Play becomes PlaySound when the sound is on.
enum class PlayMode { Idle, Play, PlaySound, BackPlay, FastPlay, FastBackPlay };

// The multiple of the recorded pace a fast level plays at: 2x to 64x.
constexpr int FastMultiple(int level) { return 2 << (level < 0 ? 0 : level > 5 ? 5 : level); }

class Session : public QObject {
    Q_OBJECT

public:
    // `time` paces every mode (the steady clock unless a test gives a manual one).
    explicit Session(std::unique_ptr<TimeSource> time = nullptr, QObject* parent = nullptr);
    // Messages go to `notifier` as well as to the Message signal.
    explicit Session(Notifier& notifier, std::unique_ptr<TimeSource> time = nullptr);
    ~Session() override;

    // Stops playback and opens recordings: files, or folders of them. Shows
    // the first picture. False, with a message, when none can be read.
    bool Open(const std::vector<std::string>& paths);
    bool Open(const std::string& path) { return Open(std::vector<std::string>{path}); }
    // Opens a recording named as on the command line: a path, or a path in double quotes.
    bool OpenCommandLine(const std::string& commandLine);
    // Stops playback and opens the same recordings again at the first picture.
    bool Reload();
    bool ShowFirstPicture();
    // One picture forward or back; false when refused because a mode plays.
    bool StepForward();
    bool StepBack();

    // Starts a mode; a running mode is stopped first. False when nothing is
    // open or that mode already plays.
    bool Start(PlayMode mode);
    // Pause and stop: the picture on screen stays the current one.
    void Stop();
    // Sound on or off: the picture, the marks and a running mode go on from the same moment.
    void SetSound(bool on);
    void SetVolume(int level) { m_sound.SetVolume(level); }
    // Fast level 0 to 5 (2x to 64x); a running fast mode takes it at once.
    void SetFastSpeed(int level);
    void CloseSound() { m_sound.Close(); }
    bool SoundOutputOpen() const { return m_sound.OutputOpen(); }
    // The bound of the session's picture cache (no mode may play).
    void SetCacheBound(std::size_t bytes) { m_cache.SetBound(bytes); }
    const PictureCache& Cache() const { return m_cache; }
    PlaybackClock& Clock() { return m_clock; }

    PlayMode Mode() const { return m_mode; }
    bool IsPlaying() const { return m_mode != PlayMode::Idle; }
    bool FileOpen() const { return m_set != nullptr; }
    bool SoundOn() const { return m_soundOn; }
    int FastSpeed() const { return m_fastSpeed; }
    // The first recording of the session (for names and the recent list), and all of them.
    const std::string& FilePath() const { return m_filePath; }
    const std::vector<std::string>& Paths() const { return m_paths; }
    const QString& Title() const { return m_title; }
    PictureHandle CurrentPicture() const { return m_current; }
    // The camera-and-time line of the picture shown (of the last record decoded when none is).
    std::string Caption() const;
    std::string StreamInfo() const { return m_current ? m_current->streamInfo : std::string{}; }

    // --- Navigation ---------------------------------------------------------
    // The set of recordings; complete once IndexReady has been sent (until
    // then it holds the first records of each recording).
    const std::shared_ptr<const RecordingSet>& Set() const { return m_set; }
    bool IndexComplete() const { return m_complete; }
    // The selected camera's track; null when it has no picture.
    const CameraTrack* Track() const { return m_set ? m_set->Track(m_camera) : nullptr; }
    // Waits for the complete index and announces it; false when it could not be built.
    bool WaitForIndex();
    // The selected camera's picture at or before `time` (capture ms).
    bool SeekTo(std::int64_t time);
    // From the current picture's time by `milliseconds`; forward, past a gap
    // longer than the move, to the first picture after the gap.
    bool SeekBy(std::int64_t milliseconds);
    bool SeekToFirst();
    bool SeekToLast();
    std::optional<std::int64_t> CurrentTime() const;
    // 0-based, as in the records (the user sees camera + 1).
    int SelectedCamera() const { return m_camera; }
    std::vector<int> Cameras() const { return m_set ? m_set->Cameras() : std::vector<int>{}; }
    // Switches to another camera at the moment shown now (its first picture
    // when none is shown). False, with a message, when it has no picture.
    bool SelectCamera(int camera);
    std::string SiteName() const { return m_set ? m_set->SiteName() : std::string{}; }

    // --- Cameras side by side (SessionCameras.cpp) ------------------------------
    // The cameras shown side by side, in camera-number order (the selected
    // camera always among them; none or one: the selected camera alone).
    // Every camera shown shows its latest picture at or before the session
    // clock in every mode, seek and step; the selected camera leads (sound,
    // steps, the readout and the marks are its).
    void ShowCameras(std::vector<int> cameras);
    const std::vector<int>& ShownCameras() const { return m_tiles.List(); }
    // Pictures of `camera` are converted to fit `size` in their proportions;
    // an empty size: the picture's own size.
    void SetShownSize(int camera, QSize size) { m_tiles.SetSize(camera, size); }
    // The picture a camera shown shows now; null when it has none at the clock.
    PictureHandle CameraPicture(int camera) const { return m_tiles.Picture(camera); }
    // A small picture of `camera` near `time` (capture ms): its key picture
    // at or before, fitted into `size`; null when there is none.
    PictureHandle KeyPictureNear(int camera, std::int64_t time, QSize size);
    // Waits until every camera shown shows its picture at the time of the
    // selected one (after a move while no mode plays).
    void Settle();
    std::string CameraName(int camera) const { return m_set ? m_set->CameraName(camera) : std::string{}; }

signals:
    void IndexProgress(int percent);
    void IndexReady();
    void CameraChanged(int camera);
    void PictureShown(korvane::PictureHandle picture);
    // A shown camera's picture (the selected camera's too): picture->camera says which.
    void CameraPictureShown(korvane::PictureHandle picture);
    // A shown camera has no picture at the clock's time: the capture time of
    // its next picture in the direction of play, or -1 when none follows.
    void CameraWithoutPicture(int camera, qint64 nextCaptureMs);
    // An open left nothing to show: the last picture is gone.
    void PictureCleared();
    void ModeChanged(korvane::PlayMode mode);
    // The multiple of the recorded pace a running mode reaches.
    void RateReached(double rate);
    // A mode reached the end of what it plays (not sent for Stop).
    void PlaybackEnded();
    void TitleChanged(const QString& title);
    // After every successful open, with the first path given.
    void Opened(const QString& path);
    void SoundChanged(bool on);
    // A text the user must see.
    void Message(const QString& text);

private:
    // Messages of the worker's parts reach the owning thread as values.
    class PostedNotifier final : public Notifier {
    public:
        explicit PostedNotifier(Session& session) : m_session(session) {}
        void ShowMessage(std::string_view text) override;

    private:
        Session& m_session;
    };

    CameraStream& Stream(int camera);
    // Shows the exact picture of `ref`: 1 when shown, 0 when it gives none, kCodecUnknown.
    int ShowRecord(RecordRef ref, CameraStream::Walk walk);
    // Stops a running mode around a move, and starts it again from where the move left.
    bool Moved(RecordRef ref, CameraStream::Walk walk);
    void Present(RecordRef ref, const DecodedHandle& picture, PictureConverter& converter);
    void Deliver(RecordRef ref, PictureHandle picture);
    void Say(const std::string& text);
    void ClearPicture();
    void SetTitle(const std::string& title);
    void UpdateTitle(bool switched);
    void SetMode(PlayMode mode);
    // The mode to go on with after a move: none while a stop drains the work posted before it.
    PlayMode Resumable() const { return m_stopping > 0 ? PlayMode::Idle : m_mode; }
    int RateOf(PlayMode mode) const;
    void RunEnded(unsigned run);
    void StartIndex();
    void IndexBuilt(std::shared_ptr<const RecordingSet> set);
    void UseSet(std::shared_ptr<const RecordingSet> set);
    void NoPictures(int camera);
    // The other cameras shown, on the worker: following the clock at `rate`, or (0) shown at it.
    std::vector<std::function<void()>> Followers(int rate);
    void PositionOthers();
    PlaybackRun::Hooks FollowerHooks(int camera);

    Mailbox m_mailbox{this};  // work handed to the owning thread by the worker and the index builder
    PostedNotifier m_posted{*this};
    std::unique_ptr<TimeSource> m_time;
    PlaybackClock m_clock;
    PictureCache m_cache;
    SoundPath m_sound{m_posted};
    PictureConverter m_converter;        // the owning thread's
    class ShownCameras m_tiles;          // the cameras side by side
    KeyPictures m_keyPictures{m_cache};

    std::vector<std::string> m_given;  // the paths as opened
    std::vector<std::string> m_paths;  // the recordings they name
    std::string m_filePath;
    RecordingFileHeader m_header;  // of the first recording
    QString m_title;
    std::shared_ptr<const RecordingSet> m_set;
    bool m_complete = false;
    bool m_quickWhole = false;  // the quick look read every recording to its end
    std::map<int, std::unique_ptr<CameraStream>> m_streams;
    int m_camera = 0;
    std::optional<RecordRef> m_shown;  // the record of the picture on screen
    PictureHandle m_current;
    PlayMode m_mode = PlayMode::Idle;
    unsigned m_run = 0;  // counts runs and stops, so that the end of a stopped run is ignored
    int m_stopping = 0;  // Stop is draining the mailbox
    bool m_soundOn = false;
    int m_fastSpeed = 0;
    unsigned m_indexRun = 0;  // counts builds, so that a superseded build's result is dropped
    IndexBuilder m_indexBuilder;  // after m_mailbox: joined before the mailbox goes

    // Declared last: stopped and joined first, before anything its run uses goes.
    PlaybackWorker m_worker{*m_time};
};

}  // namespace korvane
