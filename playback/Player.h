// The playback engine: it owns the reader, the picture pipeline, the sound
// path and the one playback worker, and holds the one true playback mode.
// Its interface is what a user can do with a recording; it reports what
// happened through its signals, always on the thread that made it (the GUI
// thread): a new picture, the mode now running, the end of playback, a new
// title, a recording opened, the sound switched. Messages for the user go
// to the notifier.
//
// Threads: everything here runs on the owning thread except the loops,
// which run on the worker. A start stops a running mode first and a step is
// refused while a mode runs, so the reader, the pipeline and the record
// buffers are used by one thread at a time. Stop returns only once the
// worker has been joined.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio/ImaAdpcmConverter.h"
#include "audio/SoundPlayback.h"
#include "audio/WaveOutput.h"
#include "decode/Picture.h"
#include "decode/PicturePipeline.h"
#include "platform/Mailbox.h"
#include "platform/Notifier.h"
#include "playback/IndexBuilder.h"
#include "playback/PictureCache.h"
#include "playback/PlaybackWorker.h"
#include "recording/FrameReader.h"
#include "recording/RecordIndex.h"

namespace korvane {

inline constexpr const char* kIncorrectCodecText = "The pictures of this recording are in a video format the player does not know.";

// Idle, or the mode the worker plays. Play becomes PlaySound when the sound
// is on.
enum class PlayMode { Idle, Play, PlaySound, BackPlay, FastPlay, FastBackPlay };

class Player : public QObject {
    Q_OBJECT

public:
    explicit Player(Notifier& notifier, QObject* parent = nullptr);
    ~Player() override;

    // Opens a recording named as on the command line: a path, or a path in
    // double quotes. Shows its first picture. True when the reader opened it.
    bool OpenCommandLine(const std::string& commandLine);
    // Stops playback and opens another recording at its first picture.
    bool Open(const std::string& path);
    // Stops playback and opens the same recording again at its first picture.
    bool Reload();
    bool ShowFirstPicture();
    // Moves to the record of the selected camera at `offset` and shows its
    // exact picture, decoded from its key record (false while a mode plays,
    // or when there is no such record or it gives no picture).
    bool ShowRecordAt(std::uint32_t offset);
    // One picture forward or back; false when refused because a mode plays.
    bool StepForward();
    bool StepBack();

    // Starts a mode; a running mode is stopped first. False when no
    // recording is open or that mode already plays.
    bool Start(PlayMode mode);
    // Pause and stop: the reader stays where the mode left it.
    void Stop();
    // Sound on or off; with a recording open it is opened again, as a fresh start.
    void SetSound(bool on);
    // Volume level 0 to 5 of the sound output. The level is kept and applied
    // each time play with sound opens the output again; until a level is
    // set, the output plays at full volume.
    void SetVolume(int level);
    // Fast play speed 0 to 5.
    void SetFastSpeed(int level) { m_fastSpeed = level; }
    // Plays out what sound is queued and closes the output (no mode may play).
    void CloseSound() { m_waveOut.CloseOutput(); }
    bool SoundOutputOpen() const { return m_waveOut.IsOutputOpen(); }
    // The bound of the decoded-picture cache for backward moves (no mode may play).
    void SetCacheBound(std::size_t bytes) { m_cache.SetBound(bytes); }
    const PictureCache& Cache() const { return m_cache; }

    PlayMode Mode() const { return m_mode; }
    bool IsPlaying() const { return m_mode != PlayMode::Idle; }
    bool FileOpen() const { return m_fileOpen; }
    bool SoundOn() const { return m_soundOn.load(); }
    const std::string& FilePath() const { return m_filePath; }
    const QString& Title() const { return m_title; }
    // The picture shown last; null before the first.
    const PictureHandle& CurrentPicture() const { return m_current; }
    // The camera-and-time and stream lines as last written (also for
    // records that gave no picture).
    std::string Caption() const { return m_pipeline.Caption(); }
    std::string StreamInfo() const { return m_pipeline.StreamInfo(); }
    const FrameReader& Reader() const { return m_reader; }

    // --- Navigation (PlayerNavigation.cpp) ------------------------------------
    // The index of the recording is built in the background from every Open.
    // Times are capture times in milliseconds (CaptureMilliseconds). A seek
    // or a camera switch stops a running mode, shows the exact picture and
    // starts the mode again from there.

    // The index of the open recording; null until it has been built.
    const std::shared_ptr<const RecordIndex>& Index() const { return m_index; }
    // Waits for the index of the open recording and announces it; false when
    // it could not be built (no recording open, or unreadable).
    bool WaitForIndex();
    // The selected camera's picture at `time` (RecordIndex::PictureAt). False
    // before the index is built, when the camera has no picture, or when the
    // picture could not be shown.
    bool SeekTo(std::int64_t time);
    // From the current picture's time by `milliseconds`; forward, past a gap
    // longer than the move, to the first picture after the gap.
    bool SeekBy(std::int64_t milliseconds);
    bool SeekToFirst();
    bool SeekToLast();
    // Capture time of the picture shown last; nothing before the first.
    std::optional<std::int64_t> CurrentTime() const;
    // 0-based, as in the records (the user sees camera + 1).
    int SelectedCamera() const { return static_cast<int>(m_reader.SelectedCamera()); }
    // The cameras the index found pictures of; empty until it is built.
    std::vector<int> Cameras() const;
    // Switches to another camera at the moment shown now (its first picture
    // when none is shown). False, with a message, when it has no picture.
    bool SelectCamera(int camera);
    int FastSpeed() const { return m_fastSpeed.load(); }

signals:
    // Navigation: how far the index has got, that it is ready, the camera now selected.
    void IndexProgress(int percent);
    void IndexReady();
    void CameraChanged(int camera);

    void PictureShown(korvane::PictureHandle picture);
    // An open left nothing to show (the recording could not be opened or has
    // no picture of its camera): the last picture is gone.
    void PictureCleared();
    void ModeChanged(korvane::PlayMode mode);
    // A mode reached the end of what it plays (not sent for Stop).
    void PlaybackEnded();
    void TitleChanged(const QString& title);
    // After every successful open, with the recording's path.
    void Opened(const QString& path);
    void SoundChanged(bool on);

private:
    // The buffers a move of the reader fills; one set per command or run.
    struct RecordBuffers {
        FrameHeader header;
        FrameExtension extension;
        CaptionDescriptor caption;
        std::array<std::uint8_t, kCaptionTextCapacity> captionText{};
    };
    // Pacing of the loops by the records' capture times: each picture is
    // due the capture-time difference from the previous one after that one's
    // due time, on the steady clock.
    struct Pacing {
        std::optional<std::int64_t> previous;  // capture time of the previous picture, ms
        std::chrono::steady_clock::time_point due = std::chrono::steady_clock::now();
    };
    // Back play decodes the group before the one it shows while it waits.
    struct AheadFill {
        std::uint32_t after = 0;   // key record of the group shown when this fill began
        std::uint32_t end = 0;     // the last record of the group being filled
        FrameReader::Position at;  // where the fill's walk stands
        bool active = false;
    };

    // Reading and decoding (PlayerSteps.cpp).
    bool ReadFirst(RecordBuffers& b);
    bool ReadNext(RecordBuffers& b);
    bool ReadPrevious(RecordBuffers& b);
    // Moves back one record, only to a record before `lowest` (the lowest
    // offset this run has reached), which it then lowers: a backward run
    // never visits a record twice. With retry, a failed move tries once more
    // through the next record's link.
    bool ReadBefore(RecordBuffers& b, std::uint32_t& lowest, bool retry);
    // Feeds the current record (b) to the decoder; with show, its picture goes to the window.
    int Decode(RecordBuffers& b, int show);
    std::span<std::uint8_t> FrameData() { return {m_frameData.get(), kFrameDataCapacity}; }

    // Exact pictures (ExactPictures.cpp). The picture of the current record
    // (b) exactly as forward play shows it: from the cache, decoded directly
    // when the decoder was last fed the record before it, or else decoded
    // from its key record forward. Null for a record that gives no picture;
    // `result` is the decoder's answer (kCodecUnknown for an unknown codec).
    // Moving backward, a walk keeps every picture of the group for the moves
    // that follow; otherwise it makes only the target's picture.
    enum class Walk { KeepGroup, TargetOnly };
    PictureHandle ExactPicture(RecordBuffers& b, int& result, Walk walk);
    // The same, but only from the cache or for a key picture (fast back play).
    PictureHandle QuickPicture(RecordBuffers& b, int& result);
    // Walks from the key record of the current record forward to it, decoding
    // every record (and keeping the pictures in the cache with KeepGroup). The walk only goes
    // forward, never past the target, and ends on a stop request; the reader
    // is left on the target. Returns the target's picture, or null.
    PictureHandle WalkFromKey(const FrameHeader& target, Walk walk);
    // Decodes the current record and takes its picture instead of showing it.
    PictureHandle DecodeUnshown(RecordBuffers& b, int& result);
    // Shows a picture now (a cached one as a fresh presentation).
    void Present(const PictureHandle& picture);
    // Decodes a step of the group before the one being shown while time is left before `due`.
    void FillAhead(AheadFill& fill, const FrameHeader& shown, std::chrono::steady_clock::time_point due);
    bool BeginFill(AheadFill& fill, std::uint32_t shownGroup);

    // The loops, on the worker (PlaybackLoops.cpp, PlaySoundLoop.cpp).
    void PlayLoop();
    void PlaySoundLoop();
    void BackPlayLoop();
    void FastPlayLoop();
    void FastBackPlayLoop();
    void PreRead(RecordBuffers& b, Pacing& pacing);
    // When the picture of `header` is due, forward or backward from the previous one.
    static std::chrono::steady_clock::time_point Due(const FrameHeader& header, Pacing& pacing, bool backward);
    void WaitUntil(std::chrono::steady_clock::time_point due);
    void Delay(int milliseconds);
    bool StopRequested() const { return m_worker.StopRequested(); }
    // The pause after handing n PCM bytes to the wave output.
    int AudioTarget(std::uint32_t bytes) const;
    void WaitForSound(std::chrono::milliseconds into, std::chrono::steady_clock::time_point reference);
    void CodecFailure();

    // On the owning thread.
    bool OpenReader();
    void SetTitle(const std::string& title);
    void SetMode(PlayMode mode);
    void Deliver(PictureHandle picture);
    void ClearPicture();
    // Applies the kept volume level to the open output.
    void ApplyVolume();
    // Hands a picture to the owning thread (at once when called on it).
    void Hand(PictureHandle picture);
    void LoopEnded(unsigned run);

    Notifier& m_notifier;
    Mailbox m_mailbox{this};  // work handed to the owning thread by the worker
    const std::thread::id m_owner = std::this_thread::get_id();
    FrameReader m_reader;
    PicturePipeline m_pipeline;
    std::unique_ptr<std::uint8_t[]> m_frameData;
    // Used by one thread at a time, as the pipeline is.
    PictureCache m_cache;
    std::uint32_t m_decoderAt = 0;        // the last video record fed to the decoder; 0: none
    PictureHandle* m_capture = nullptr;   // while set, a decoded picture goes here, not to the window
    std::string m_filePath;
    QString m_title;
    bool m_fileOpen = false;
    PlayMode m_mode = PlayMode::Idle;
    unsigned m_run = 0;  // counts runs and stops, so that the end of a stopped run is ignored
    PictureHandle m_current;
    std::atomic<bool> m_soundOn{false};
    std::atomic<int> m_fastSpeed{0};
    std::atomic<int> m_volumeLevel{-1};  // -1: none set
    // Sound: the output, the IMA ADPCM converter, and the audio record path over them.
    WaveOutput m_waveOut;
    ImaAdpcmConverter m_imaAdpcm;
    SoundPlayback m_audio{m_waveOut, m_imaAdpcm, m_notifier};

    // --- Navigation (PlayerNavigation.cpp) ------------------------------------
    void StartIndex();
    void IndexBuilt(std::shared_ptr<const RecordIndex> index);
    // Shows the record at offset (a picture of the selected camera), pausing a running mode around it.
    bool ShowIndexed(std::uint32_t offset);
    void NoPictures(int camera);
    std::shared_ptr<const RecordIndex> m_index;
    unsigned m_indexRun = 0;       // counts builds, so that a superseded build's result is dropped
    PictureHandle m_shownAtOpen;   // the picture before the open: none shown since when still current
    IndexBuilder m_indexBuilder;   // after m_mailbox: joined before the mailbox goes

    // Declared last: stopped and joined first, before anything its loop uses goes.
    PlaybackWorker m_worker;
};

}  // namespace korvane
