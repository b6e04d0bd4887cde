#include "playback/PlayerView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>

#include <chrono>
#include <thread>

#include "playback/ViewMessages.h"
#include "recording/SiteInfo.h"

namespace korvane {
namespace {

constexpr int kStepFailureLimit = 10;
constexpr std::size_t kPathMax = 259;

// Until the skinned control bar exists: the end of a loop and the reset
// reach the view as the bar would send them.
class ControlBarStandIn final : public ControlBarLink {
public:
    explicit ControlBarStandIn(MessageTarget& view) : m_view(view) {}
    void PlaybackEnded() override { PostMessage(m_view, WM_BAR_PLAYBACK_ENDED); }
    void ResetAndReload() override { SendMessage(m_view, WM_BAR_RELOAD); }
    void SetSound(bool) override {}

private:
    MessageTarget& m_view;
};

int PlayThreadProc(void* view) { return view ? static_cast<PlayerView*>(view)->PlayLoop() : -1; }
int PlaySoundThreadProc(void* view) { return view ? static_cast<PlayerView*>(view)->PlaySoundLoop() : -1; }
int BackPlayThreadProc(void* view) { return view ? static_cast<PlayerView*>(view)->BackPlayLoop() : -1; }
int FastPlayThreadProc(void* view) { return view ? static_cast<PlayerView*>(view)->FastPlayLoop() : -1; }
int FastBackPlayThreadProc(void* view) {
    return view ? static_cast<PlayerView*>(view)->FastBackPlayLoop() : -1;
}

std::unique_ptr<PlaybackWorker> MakeWorker(PlayerView* view, PlaybackWorker::Procedure procedure) {
    auto worker = std::make_unique<PlaybackWorker>();
    worker->Init(view, procedure, 1);
    return worker;
}

}  // namespace

PlayerView::PlayerView(Notifier& notifier, QWidget* parent)
    : QWidget(parent),
      m_notifier(notifier),
      m_reader(notifier),
      m_frameData(std::make_unique_for_overwrite<std::uint8_t[]>(kFrameDataCapacity)),
      m_refFrameData(std::make_unique_for_overwrite<std::uint8_t[]>(kFrameDataCapacity)),
      m_standIn(std::make_unique<ControlBarStandIn>(*this)),
      m_bar(m_standIn.get()) {
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the old picture stays until the new one covers it
    // Pictures may be presented on a worker thread; the repaint is queued to
    // the GUI thread.
    SetRepaintRequest([this] {
        if (m_presentObserver) m_presentObserver(Caption());
        m_mailbox.Post([this] { update(); });
    });
    m_playThread = MakeWorker(this, PlayThreadProc);
    m_playSoundThread = MakeWorker(this, PlaySoundThreadProc);
    m_backPlayThread = MakeWorker(this, BackPlayThreadProc);
    m_fastPlayThread = MakeWorker(this, FastPlayThreadProc);
    m_fastBackPlayThread = MakeWorker(this, FastBackPlayThreadProc);
}

PlayerView::~PlayerView() {
    StopAllWorkers();
    for (auto* worker : {&m_playThread, &m_playSoundThread, &m_backPlayThread, &m_fastPlayThread,
                         &m_fastBackPlayThread}) {
        if (*worker && !(*worker)->IsFinished()) (*worker)->StopThread();
        worker->reset();
    }
}

void PlayerView::SetTitle(const std::string& title) {
    window()->setWindowTitle(QString::fromLocal8Bit(title.data(), static_cast<qsizetype>(title.size())));
}

void PlayerView::OnInitialUpdate(const std::string& commandLine) {
    window()->resize(352, 240);
    if (!commandLine.empty()) OpenCommandLine(commandLine);
    SetZoom(1);
}

// --- commands ---------------------------------------------------------------

void PlayerView::OnCommand(int id) {
    switch (id) {
        case ID_FILE_OPEN: OpenWithDialog(); break;
        case ID_PLAY: StartMode(m_soundOn > 0 ? Mode::PlaySound : Mode::Play); break;
        case ID_BACK_PLAY: StartMode(Mode::BackPlay); break;
        case ID_FAST_PLAY: StartMode(Mode::FastPlay); break;
        case ID_FAST_BACKPLAY: StartMode(Mode::FastBackPlay); break;
        case ID_PAUSE:
        case ID_STOP: StopAllWorkers(); break;
        case ID_NEXT: OnNext(); break;
        case ID_PREVIOUS: OnPrevious(); break;
        case ID_SOUND: SetSound(m_soundOn == 0 ? 1 : 0); break;
        case ID_ZOOM1: SetZoom(1); break;
        case ID_ZOOM2: SetZoom(2); break;
        case ID_ZOOM3: SetZoom(3); break;
        case ID_APP_EXIT: Exit(); break;
        default: break;
    }
}

PlayerView::CommandState PlayerView::QueryCommand(int id) const {
    CommandState state;
    if (id == ID_SOUND) state.checked = m_soundOn != 0;
    if (id == ID_NEXT || id == ID_PREVIOUS) state.enabled = m_soundOn == 0;
    return state;
}

long PlayerView::HandleMessage(unsigned id, WParam wParam, LParam) {
    switch (id) {
        case WM_BAR_OPEN: OnCommand(ID_FILE_OPEN); break;
        case WM_BAR_PLAY:
            if (wParam == 1) OnCommand(ID_PLAY);
            else if (wParam == 2) OnCommand(ID_BACK_PLAY);
            else if (wParam == 0) OnCommand(ID_PAUSE);
            break;
        case WM_BAR_RELOAD: return Reload();
        case WM_BAR_PREVIOUS: OnPrevious(); break;
        case WM_BAR_NEXT: OnNext(); break;
        case WM_BAR_SOUND: SetSound(static_cast<int>(wParam)); break;
        case WM_BAR_MENU: ToggleMenu(); break;
        case WM_BAR_EXIT: Exit(); break;
        case WM_BAR_VOLUME: {
            const auto gain = static_cast<std::uint16_t>(std::min<WParam>(wParam, 5) * 12288);  // level 5: 61,440
            m_waveOut.SetVolume(gain, gain);
            break;
        }
        case WM_BAR_ZOOM1: SetZoom(1); break;
        case WM_BAR_ZOOM2: SetZoom(2); break;
        case WM_BAR_ZOOM3: SetZoom(3); break;
        case WM_BAR_FAST_PLAY: OnCommand(ID_FAST_PLAY); break;
        case WM_BAR_FAST_BACK: OnCommand(ID_FAST_BACKPLAY); break;
        case WM_BAR_SPEED: m_fastSpeed = static_cast<int>(wParam); break;
        case WM_BAR_PLAYBACK_ENDED: StopAllWorkers(); break;
        default: return 0;
    }
    return 1;
}

PlaybackWorker* PlayerView::Worker(Mode mode) const {
    switch (mode) {
        case Mode::Play: return m_playThread.get();
        case Mode::PlaySound: return m_playSoundThread.get();
        case Mode::BackPlay: return m_backPlayThread.get();
        case Mode::FastPlay: return m_fastPlayThread.get();
        case Mode::FastBackPlay: return m_fastBackPlayThread.get();
    }
    return nullptr;
}

int PlayerView::StartMode(Mode mode) {
    if (m_filePath.empty() || !m_reader.IsOpen()) return 0;
    PlaybackWorker* worker = Worker(mode);
    if (worker == nullptr || !worker->IsFinished()) return 0;  // that mode already plays
    StopAllWorkers();  // another mode: stop it first, the reader carries on from where it stands
    return worker->StartThread();
}

void PlayerView::StopAllWorkers() {
    for (PlaybackWorker* worker : {m_playThread.get(), m_playSoundThread.get(), m_backPlayThread.get(),
                                m_fastPlayThread.get(), m_fastBackPlayThread.get()}) {
        if (worker && !worker->IsFinished() && !worker->IsStopRequested()) worker->StopThread();
    }
}

bool PlayerView::IsPlaying() const {
    for (PlaybackWorker* worker : {m_playThread.get(), m_playSoundThread.get(), m_backPlayThread.get(),
                                m_fastPlayThread.get(), m_fastBackPlayThread.get()}) {
        if (worker && !worker->IsFinished()) return true;
    }
    return false;
}

void PlayerView::SetSound(int on) {
    m_soundOn = on;
    m_bar->SetSound(on == 1);
    if (m_fileOpen) m_bar->ResetAndReload();
}

void PlayerView::Exit() {
    StopAllWorkers();
    window()->close();
}

// --- opening ----------------------------------------------------------------

int PlayerView::OpenCommandLine(const std::string& commandLine) {
    if (commandLine.empty()) return 0;
    std::string path = commandLine;
    if (path.front() == '"') path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::string{};
    if (path.size() > kPathMax) path.resize(kPathMax);
    m_filePath = path;
    SetTitle(m_filePath);
    if (OpenReader() == 0) return 0;
    ShowFirstPicture();
    return 1;
}

int PlayerView::OpenReader() {
    if (m_reader.Open(m_filePath) == 0) return 0;
    m_fileOpen = 1;
    if (m_openObserver) m_openObserver(m_filePath);
    return 1;
}

int PlayerView::OpenFile(const std::string& path) {
    m_filePath.clear();
    StopAllWorkers();
    m_reader.Close();
    m_filePath = path.substr(0, kPathMax);
    SetTitle(m_filePath);
    if (OpenReader() == 0) return 0;
    m_decoderCodec = VideoCodec::Unknown;
    ShowFirstPicture();
    return 1;
}

void PlayerView::OpenWithDialog() {
    const QString chosen = QFileDialog::getOpenFileName(
        this, QString(), QString(), QStringLiteral("Recordings (*.MP4 *.mp4);;All Files (*)"));
    if (chosen.isEmpty()) return;  // cancelled: a running playback goes on
    OpenFile(chosen.toLocal8Bit().toStdString());
}

long PlayerView::Reload() {
    StopAllWorkers();
    m_reader.Close();
    SetTitle(m_filePath);
    if (OpenReader() == 0) return 0;
    ShowFirstPicture();
    return 1;
}

void PlayerView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void PlayerView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    const std::string path = urls.front().toLocalFile().toLocal8Bit().toStdString().substr(0, kPathMax);
    event->acceptProposedAction();
    if (path == m_filePath) return;
    m_filePath = path;
    StopAllWorkers();
    m_reader.Close();
    SetTitle(m_filePath);
    if (OpenReader() == 0) return;
    m_bar->ResetAndReload();
}

// --- reading and stepping ---------------------------------------------------

int PlayerView::ReadFirst(RecordBuffers& b) {
    return m_reader.ReadFirst(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int PlayerView::ReadNext(RecordBuffers& b) {
    return m_reader.ReadNext(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int PlayerView::ReadPrevious(RecordBuffers& b) {
    return m_reader.ReadPrevious(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int PlayerView::Decode(RecordBuffers& b, int show) {
    return DecodeVideoFrame(b.header, b.extension, FrameData(), &b.caption, b.captionText, show);
}

void PlayerView::DecodeKeyOf(const FrameHeader& header) {
    FrameHeader keyHeader;
    FrameExtension keyExtension;
    m_reader.ReadKeyFrame(header, &keyHeader, &keyExtension, RefFrameData(), 0);
    DecodeVideoFrame(keyHeader, keyExtension, RefFrameData(), nullptr, {}, 0);
}

int PlayerView::ShowFirstPicture() {
    auto b = std::make_unique<RecordBuffers>();
    bool read = ReadFirst(*b) != 0;
    while (read && b->header.mediaKind != kMediaVideo) read = ReadNext(*b) != 0;
    if (read) {
        const int result = Decode(*b, 1);
        if (result == kCodecUnknown) {
            m_notifier.ShowMessage(kIncorrectCodecText);
            return 0;
        }
        bool settle = result == 1 && b->header.frameType == kFrameDecoderOnly;
        bool done = result == 1 && b->header.frameType == kFrameKey;
        // Decode on until a key picture (or, once a decoder-only record has
        // primed the decoder, any picture) has been shown.
        while (!done) {
            read = ReadNext(*b) != 0;
            WriteCaption(b->header);
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
    return 1;
}

int PlayerView::OnNext() {
    if (IsPlaying()) return 0;  // the worker owns the reader
    auto b = std::make_unique<RecordBuffers>();
    int failures = 0;
    for (;;) {
        if (ReadNext(*b) == 0) {
            ++failures;
            ReadNext(*b);
            ReadPrevious(*b);
            if (failures > kStepFailureLimit) return 1;
            continue;
        }
        if (b->header.mediaKind == kMediaAudio) continue;
        switch (b->header.frameType) {
            case kFrameDependent:
            case kFrameKey:
            case kFrameGroup:
                WriteCaption(b->header);
                if (Decode(*b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return 1;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                if (Decode(*b, 0) == kCodecUnknown) {
                    m_notifier.ShowMessage(kIncorrectCodecText);
                    return 1;
                }
                continue;
            default:
                continue;
        }
    }
}

int PlayerView::OnPrevious() {
    if (IsPlaying()) return 0;  // the worker owns the reader
    auto b = std::make_unique<RecordBuffers>();
    int failures = 0;
    for (;;) {
        if (ReadPrevious(*b) == 0) {
            ++failures;
            ReadNext(*b);
            ReadPrevious(*b);
            if (failures > kStepFailureLimit) return 1;
            continue;
        }
        failures = 0;
        WriteCaption(b->header);
        switch (b->header.frameType) {
            case kFrameKey:
                if (Decode(*b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return 1;
            case kFrameDependent:
                DecodeKeyOf(b->header);
                if (Decode(*b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return 1;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            case kFrameGroup:
                ShowGroupPicture(b->header, m_reader, RefFrameData(), FrameData());
                return 1;
            default:
                return 1;
        }
    }
}

}  // namespace korvane
