// The player's view: it owns the reader, the decoders, the picture and record
// buffers, the texts and the five playback workers. It opens recordings,
// shows their first picture, steps one picture forward or back, runs the
// playback modes on its workers, and paints the picture stretched over
// itself with the two text lines on top.
//
// Threads: everything here runs on the GUI thread except the loops, which
// run on the one worker that plays. A start command stops a running mode
// first and a step is refused while a worker plays, so the reader, the
// decoders and the record buffers are never used by two threads at once.
#pragma once

#include <QRect>
#include <QWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "audio/ImaAdpcmConverter.h"
#include "audio/SoundPlayback.h"
#include "audio/WaveOutput.h"
#include "decode/PicturePipeline.h"
#include "platform/Mailbox.h"
#include "platform/Messages.h"
#include "platform/Notifier.h"
#include "playback/PlaybackWorker.h"
#include "playback/ControlBarLink.h"
#include "recording/FrameReader.h"

class QPainter;

namespace korvane {

inline constexpr const char* kIncorrectCodecText = "Incorrect video codec type player";

class PlayerView : public QWidget, public PicturePipeline, public MessageTarget {
    Q_OBJECT

public:
    explicit PlayerView(Notifier& notifier, QWidget* parent = nullptr);
    ~PlayerView() override;

    // Sizes the window, opens a recording named on the command line (the
    // text after the program's name; empty for none) and applies zoom 1x.
    void OnInitialUpdate(const std::string& commandLine);
    // Menu commands (ViewCommand ids) and the state the menu shows for them.
    void OnCommand(int id);
    struct CommandState {
        bool enabled = true;
        bool checked = false;
    };
    CommandState QueryCommand(int id) const;
    // The control bar's messages (ViewMessage ids).
    long HandleMessage(unsigned id, WParam wParam, LParam lParam) override;
    Mailbox& MessageMailbox() override { return m_mailbox; }

    // Opens a recording named as on the command line: a path, or a path in
    // double quotes. Shows its first picture. 1 when the reader opened it.
    int OpenCommandLine(const std::string& commandLine);
    int OpenFile(const std::string& path);
    long Reload();
    int ShowFirstPicture();
    // Step forward and back; 0 when refused because a mode is playing.
    int OnNext();
    int OnPrevious();
    void SetSound(int on);

    enum class Mode { Play, PlaySound, BackPlay, FastPlay, FastBackPlay };
    // Starts a playback mode; a running mode is stopped first. 1 when started.
    int StartMode(Mode mode);
    void StopAllWorkers();
    bool IsPlaying() const;

    // Paints the current picture and its two text lines over target.
    void OnDraw(QPainter& painter, const QRect& target);
    void SetZoom(int factor);
    void ToggleFullScreen();
    void ToggleMenu();

    void SetControlBar(ControlBarLink* bar) { m_bar = bar ? bar : m_standIn.get(); }
    // Called after every successful open, with the recording's path.
    void SetOpenObserver(std::function<void(const std::string&)> observer) {
        m_openObserver = std::move(observer);
    }
    // Called on the decoding thread after every presented picture, with its
    // caption line (for the headless play interface).
    void SetPresentObserver(std::function<void(const std::string&)> observer) {
        m_presentObserver = std::move(observer);
    }

    const std::string& FilePath() const { return m_filePath; }
    FrameReader& Reader() { return m_reader; }
    bool FileOpen() const { return m_fileOpen != 0; }
    int SoundOn() const { return m_soundOn.load(); }
    void SetFastSpeed(int speed) { m_fastSpeed = speed; }
    bool MenuHidden() const { return m_menuHidden != 0; }
    bool FullScreen() const { return m_fullScreen != 0; }

    // The loops, one run each; they always return 0. Public for the thread
    // procedures and the tests.
    int PlayLoop();
    int PlaySoundLoop();
    int BackPlayLoop();
    int FastPlayLoop();
    int FastBackPlayLoop();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // The buffers a move of the reader fills; cleared for each command or run.
    struct RecordBuffers {
        FrameHeader header;
        FrameExtension extension;
        CaptionDescriptor caption;
        std::array<std::uint8_t, kCaptionTextCapacity> captionText{};
    };
    int ReadFirst(RecordBuffers& b);
    int ReadNext(RecordBuffers& b);
    int ReadPrevious(RecordBuffers& b);
    int Decode(RecordBuffers& b, int show);
    // Decodes the key record of a dependent picture unseen, without moving the reader.
    void DecodeKeyOf(const FrameHeader& header);
    std::span<std::uint8_t> FrameData() { return {m_frameData.get(), kFrameDataCapacity}; }
    std::span<std::uint8_t> RefFrameData() { return {m_refFrameData.get(), kFrameDataCapacity}; }
    void SetTitle(const std::string& title);
    // Opens m_filePath with the reader; 1 on success.
    int OpenReader();
    void OpenWithDialog();
    void Exit();

    // Pacing of the loops, on the worker thread.
    struct Pacing {
        int prevSecond = -1;
        int prevMillisecond = -1;
        int interval = 60;
    };
    void PreRead(RecordBuffers& b, Pacing& pacing);
    void ForwardPacing(const FrameHeader& header, Pacing& pacing, PlaybackWorker* self);
    void BackwardPacing(const FrameHeader& header, Pacing& pacing, PlaybackWorker* self);
    void DelayWithMessages(int milliseconds, PlaybackWorker* self);
    // The pause after handing n PCM bytes to the wave output.
    int AudioTarget(std::uint32_t bytes) const;
    // Waits until the sound recorded `into` after the last audio record's
    // stamp goes to the output (by the steady clock from `reference`, the end
    // of the last audio wait, when no output plays it).
    void WaitForSound(std::chrono::milliseconds into, std::chrono::steady_clock::time_point reference,
                      PlaybackWorker* self);
    bool StopRequested(const PlaybackWorker* self) const { return self != nullptr && self->IsStopRequested(); }
    int EndLoop();
    void CodecFailure();
    PlaybackWorker* Worker(Mode mode) const;

    Notifier& m_notifier;
    Mailbox m_mailbox{this};  // work handed to the GUI thread by the workers
    FrameReader m_reader;
    std::unique_ptr<std::uint8_t[]> m_frameData;
    std::unique_ptr<std::uint8_t[]> m_refFrameData;
    std::string m_filePath;
    int m_fileOpen = 0;
    std::atomic<int> m_soundOn{0};
    // Sound: the output, the IMA ADPCM converter, and the audio record path
    // over them (which keeps its own 4,096-byte PCM buffer).
    WaveOutput m_waveOut;
    ImaAdpcmConverter m_imaAdpcm;
    SoundPlayback m_audio{m_waveOut, m_imaAdpcm, m_notifier};
    std::atomic<int> m_fastSpeed{0};
    int m_menuHidden = 1;
    int m_fullScreen = 0;
    QRect m_restoreGeometry;
    QPoint m_dragStart;
    std::function<void(const std::string&)> m_presentObserver;
    std::function<void(const std::string&)> m_openObserver;

    std::unique_ptr<ControlBarLink> m_standIn;
    ControlBarLink* m_bar = nullptr;

    // Declared last: destroyed first, joined before anything they use goes.
    std::unique_ptr<PlaybackWorker> m_playThread;
    std::unique_ptr<PlaybackWorker> m_playSoundThread;
    std::unique_ptr<PlaybackWorker> m_backPlayThread;
    std::unique_ptr<PlaybackWorker> m_fastPlayThread;
    std::unique_ptr<PlaybackWorker> m_fastBackPlayThread;
};

}  // namespace korvane
