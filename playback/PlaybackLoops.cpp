// The four playback loops without sound. Each run starts from wherever the
// reader stands, shows records as it goes and paces itself from their time
// stamps (or by the fast speed); it ends at the end of the data, on a codec
// it cannot decode, or when its worker is told to stop, and then tells the
// control bar that playback has ended.
#include <chrono>
#include <memory>
#include <thread>

#include "platform/DebugLog.h"
#include "playback/PlayerView.h"

namespace korvane {
namespace {

constexpr int kLongestWait = 1000;  // a longer gap between records is not waited for

void SleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

void PlayerView::DelayWithMessages(int milliseconds, PlaybackWorker* self) {
    if (milliseconds < 1) return;
    if (self != nullptr)
        self->WaitUnlessStopped(std::chrono::milliseconds(milliseconds));
    else
        SleepMs(milliseconds);
}

void PlayerView::ForwardPacing(const FrameHeader& header, Pacing& p, PlaybackWorker* self) {
    const int second = header.timeStamp.second, millisecond = header.timeStamp.milliseconds;
    if (p.prevSecond != -1 && p.prevMillisecond != -1) {
        int ds = second - p.prevSecond;
        if (p.prevSecond > second) ds += 60;
        p.interval = ds * 1000 + millisecond - p.prevMillisecond;
    }
    p.prevSecond = second;
    p.prevMillisecond = millisecond;
    if (p.interval > kLongestWait) p.interval = 0;
    DelayWithMessages(p.interval, self);
}

void PlayerView::BackwardPacing(const FrameHeader& header, Pacing& p, PlaybackWorker* self) {
    const int second = header.timeStamp.second, millisecond = header.timeStamp.milliseconds;
    if (p.prevSecond != -1 && p.prevMillisecond != -1) {
        int ds = p.prevSecond - second;
        if (p.prevSecond < second) ds += 60;
        p.interval = ds * 1000 + p.prevMillisecond - millisecond;
    }
    p.prevSecond = second;
    p.prevMillisecond = millisecond;
    if (p.interval > kLongestWait) p.interval = 0;
    DelayWithMessages(p.interval, self);
}

// Steps back one video record and forward one record, so that the first
// pause is measured from the picture before the one the reader stands on.
void PlayerView::PreRead(RecordBuffers& b, Pacing& p) {
    if (ReadPrevious(b) == 0) return;
    p.prevSecond = b.header.timeStamp.second;
    p.prevMillisecond = b.header.timeStamp.milliseconds;
    ReadNext(b);
}

int PlayerView::EndLoop() {
    m_bar->PlaybackEnded();
    return 0;
}

void PlayerView::CodecFailure() { m_notifier.ShowMessage(kIncorrectCodecText); }

int PlayerView::PlayLoop() {
    PlaybackWorker* self = m_playThread.get();
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    PreRead(*b, pacing);
    for (;;) {
        if (StopRequested(self)) return EndLoop();
        if (ReadNext(*b) == 0) return EndLoop();
        if (b->header.mediaKind != kMediaVideo) continue;
        WriteCaption(b->header);
        if (Decode(*b, 1) == kCodecUnknown) {
            CodecFailure();
            return EndLoop();
        }
        ForwardPacing(b->header, pacing, self);
    }
}

int PlayerView::BackPlayLoop() {
    PlaybackWorker* self = m_backPlayThread.get();
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    bool retried = false;
    for (;;) {
        if (StopRequested(self)) return EndLoop();
        if (ReadPrevious(*b) == 0) {
            if (retried) return EndLoop();  // the beginning of the recording
            ReadNext(*b);
            ReadPrevious(*b);
            retried = true;
            SleepMs(1);
            continue;
        }
        if (b->header.mediaKind != kMediaVideo) {
            SleepMs(1);
            continue;
        }
        WriteCaption(b->header);
        switch (b->header.frameType) {
            case kFrameKey:
                if (Decode(*b, 1) == kCodecUnknown) {
                    CodecFailure();
                    return EndLoop();
                }
                SleepMs(1);
                continue;  // a key picture is shown without a pause
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            case kFrameDependent:
                DecodeKeyOf(b->header);
                if (Decode(*b, 1) == kCodecUnknown) {
                    CodecFailure();
                    return EndLoop();
                }
                break;
            case kFrameGroup:
                if (ShowGroupPicture(b->header, m_reader, RefFrameData(), FrameData()) == 0) {
                    DebugLine("DecodingGOP_SDI is FALSE => Retry other image data \n");
                    continue;
                }
                break;
            default:
                break;
        }
        BackwardPacing(b->header, pacing, self);
        SleepMs(1);
    }
}

int PlayerView::FastPlayLoop() {
    PlaybackWorker* self = m_fastPlayThread.get();
    auto b = std::make_unique<RecordBuffers>();
    int skipCounter = 0;
    for (;;) {
        if (StopRequested(self)) return EndLoop();
        // Audio records are not filtered: they take their turn and their
        // sleep, and the decoder passes over them.
        if (ReadNext(*b) == 0) return EndLoop();
        WriteCaption(b->header);
        const int speed = m_fastSpeed;
        int result = 0;
        switch (b->header.frameType) {
            case kFrameKey:
                result = Decode(*b, 1);
                break;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                result = Decode(*b, 0);
                break;
            default:
                if (speed < 3) {
                    SleepMs(100 - 20 * speed);
                    result = Decode(*b, 1);
                } else if (++skipCounter >= speed) {
                    skipCounter = 0;
                    result = Decode(*b, 1);
                } else if (b->header.frameType == kFrameGroup) {
                    result = Decode(*b, 0);
                }
                break;
        }
        if (result == kCodecUnknown) CodecFailure();
        SleepMs(1);
        if (result == kCodecUnknown) return EndLoop();
    }
}

int PlayerView::FastBackPlayLoop() {
    PlaybackWorker* self = m_fastBackPlayThread.get();
    auto b = std::make_unique<RecordBuffers>();
    int skipCounter = 0;
    bool retried = false;
    for (;;) {
        if (StopRequested(self)) return EndLoop();
        if (ReadPrevious(*b) == 0) {
            if (retried) return EndLoop();
            ReadNext(*b);
            ReadPrevious(*b);
            FrameHeader keyHeader;
            FrameExtension keyExtension;
            m_reader.ReadKeyFrame(b->header, &keyHeader, &keyExtension, RefFrameData(), 0);
            retried = true;
            continue;
        }
        if (b->header.mediaKind != kMediaVideo) continue;
        WriteCaption(b->header);
        const int speed = m_fastSpeed;
        if (b->header.frameType == kFrameKey) {
            if (Decode(*b, 1) == kCodecUnknown) {
                CodecFailure();
                return EndLoop();
            }
            continue;
        }
        if (b->header.frameType == kFrameDecoderOnly4) continue;
        if (speed < 3) {
            SleepMs(100 - 20 * speed);
        } else if (++skipCounter < speed) {
            continue;
        } else {
            skipCounter = 0;
        }
        if (b->header.frameType == kFrameDependent) {
            DecodeKeyOf(b->header);
            if (Decode(*b, 1) == kCodecUnknown) {
                CodecFailure();
                return EndLoop();
            }
        } else if (b->header.frameType == kFrameGroup) {
            ShowGroupPicture(b->header, m_reader, RefFrameData(), FrameData());
        }
    }
}

}  // namespace korvane
