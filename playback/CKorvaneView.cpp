#include "playback/CKorvaneView.h"

#include <QMetaObject>

#include <chrono>
#include <thread>

#include "playback/ViewMessages.h"
#include "recording/SiteInfo.h"

namespace korvane {
namespace {

constexpr int kStepFailureLimit = 10;

}  // namespace

CKorvaneView::CKorvaneView(Notifier& notifier, QWidget* parent)
    : QWidget(parent),
      m_notifier(notifier),
      m_reader(notifier),
      m_pFrameData(std::make_unique<std::uint8_t[]>(kFrameDataCapacity)),
      m_pRefFrameData(std::make_unique<std::uint8_t[]>(kFrameDataCapacity)),
      m_pAudioOut(std::make_unique<std::uint8_t[]>(kAudioOutSize)) {
    // Pictures may be presented from a worker thread; the repaint is queued
    // to the GUI thread.
    SetRepaintRequest([this] { QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection); });
}

CKorvaneView::~CKorvaneView() = default;

void CKorvaneView::OnInitialUpdate(const std::string& commandLine) {
    window()->resize(352, 240);
    if (!commandLine.empty()) OpenCommandLine(commandLine);
}

void CKorvaneView::OnCommand(int id) {
    switch (id) {
        case ID_NEXT: OnNext(); break;
        case ID_PREVIOUS: OnPrevious(); break;
        default: break;
    }
}

CKorvaneView::CommandState CKorvaneView::QueryCommand(int id) const {
    CommandState state;
    if (id == ID_SOUND) state.checked = m_bSoundOn != 0;
    if (id == ID_NEXT || id == ID_PREVIOUS) state.enabled = m_bSoundOn == 0;
    return state;
}

void CKorvaneView::OnDraw(QPainter&, const QRect&) {}

void CKorvaneView::StopAllWorkers() {}

void CKorvaneView::SetTitle(const std::string& title) {
    window()->setWindowTitle(QString::fromLocal8Bit(title.data(), static_cast<qsizetype>(title.size())));
}

int CKorvaneView::ReadFirst(RecordBuffers& b) {
    return m_reader.ReadFirst(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int CKorvaneView::ReadNext(RecordBuffers& b) {
    return m_reader.ReadNext(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int CKorvaneView::ReadPrevious(RecordBuffers& b) {
    return m_reader.ReadPrevious(&b.header, &b.extension, FrameData(), &b.caption, b.captionText);
}
int CKorvaneView::Decode(RecordBuffers& b, int show) {
    return DecodeVideoFrame(b.header, b.extension, FrameData(), &b.caption, b.captionText, show);
}

int CKorvaneView::OpenCommandLine(const std::string& commandLine) {
    if (commandLine.empty()) return 0;
    std::string path = commandLine;
    if (path.front() == '"') path = path.size() >= 2 ? path.substr(1, path.size() - 2) : std::string{};
    m_szFilePath = path;
    SetTitle(m_szFilePath);
    if (m_reader.Open(m_szFilePath) == 0) return 0;
    m_bFileOpen = 1;
    ShowFirstPicture();
    return 1;
}

int CKorvaneView::ShowFirstPicture() {
    RecordBuffers b;
    bool read = ReadFirst(b) != 0;
    while (read && b.header.mediaKind != kMediaVideo) read = ReadNext(b) != 0;
    if (read) {
        const int result = Decode(b, 1);
        if (result == kCodecUnknown) {
            m_notifier.ShowMessage(kIncorrectCodecText);
            return 0;
        }
        bool settle = result == 1 && b.header.frameType == kFrameDecoderOnly;
        bool done = result == 1 && b.header.frameType == kFrameKey;
        // Decode on until a key picture (or, once a decoder-only record has
        // primed the decoder, any picture) has been shown.
        while (!done) {
            read = ReadNext(b) != 0;
            WriteCaption(b.header);
            if (!read) break;
            if (b.header.timeStamp.second == 0 && b.header.timeStamp.milliseconds == 51)
                b.header.frameType = kFrameGroup;
            const int decoded = Decode(b, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (b.header.mediaKind != kMediaVideo || decoded != 1) continue;
            if (b.header.frameType == kFrameDecoderOnly) {
                settle = true;
                continue;
            }
            if (b.header.frameType == kFrameDecoderOnly4) continue;
            done = settle || b.header.frameType == kFrameKey;
        }
    }
    std::string site, camera;
    if (LookUpSiteInfo(m_reader, m_szFilePath, site, camera)) SetTitle(site + " : " + camera);
    return 1;
}

void CKorvaneView::OnNext() {
    RecordBuffers b;
    int failures = 0;
    for (;;) {
        if (ReadNext(b) == 0) {
            ++failures;
            ReadNext(b);
            ReadPrevious(b);
            if (failures > kStepFailureLimit) return;
            continue;
        }
        if (b.header.mediaKind == kMediaAudio) continue;
        switch (b.header.frameType) {
            case kFrameDependent:
            case kFrameKey:
            case kFrameGroup:
                WriteCaption(b.header);
                if (Decode(b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                if (Decode(b, 0) == kCodecUnknown) {
                    m_notifier.ShowMessage(kIncorrectCodecText);
                    return;
                }
                continue;
            default:
                continue;
        }
    }
}

void CKorvaneView::OnPrevious() {
    RecordBuffers b;
    int failures = 0;
    for (;;) {
        if (ReadPrevious(b) == 0) {
            ++failures;
            ReadNext(b);
            ReadPrevious(b);
            if (failures > kStepFailureLimit) return;
            continue;
        }
        failures = 0;
        WriteCaption(b.header);
        switch (b.header.frameType) {
            case kFrameKey:
                if (Decode(b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return;
            case kFrameDependent: {
                FrameHeader keyHeader;
                FrameExtension keyExtension;
                m_reader.ReadKeyFrame(b.header, &keyHeader, &keyExtension, RefFrameData(), 0);
                DecodeVideoFrame(keyHeader, keyExtension, RefFrameData(), nullptr, {}, 0);
                if (Decode(b, 1) == kCodecUnknown) m_notifier.ShowMessage(kIncorrectCodecText);
                return;
            }
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            case kFrameGroup:
                DecodingGOP_SDI(b.header, m_reader, RefFrameData(), FrameData());
                return;
            default:
                return;
        }
    }
}

}  // namespace korvane
