// The four playback loops without sound. Each run starts from wherever the
// reader stands, shows records as it goes and paces itself from their time
// stamps (or by the fast speed). It returns at the end of the data, on a
// codec it cannot decode, or when a stop is requested. Forward loops always
// move on (the next record lies after the current one); backward loops only
// move to records before the lowest one they have reached, so every run ends.
#include <chrono>
#include <memory>
#include <thread>

#include "playback/Player.h"

namespace korvane {
namespace {

constexpr int kLongestWait = 1000;  // a longer gap between records is not waited for

void SleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Milliseconds from one stamp to the next within a minute (seconds wrap at 60).
int Interval(int fromSecond, int fromMillisecond, int toSecond, int toMillisecond) {
    int seconds = toSecond - fromSecond;
    if (fromSecond > toSecond) seconds += 60;
    return seconds * 1000 + toMillisecond - fromMillisecond;
}

}  // namespace

void Player::Delay(int milliseconds) {
    if (milliseconds >= 1) m_worker.WaitUnlessStopped(std::chrono::milliseconds(milliseconds));
}

void Player::ForwardPacing(const FrameHeader& header, Pacing& p) {
    const int second = header.timeStamp.second, millisecond = header.timeStamp.milliseconds;
    if (p.prevSecond != -1 && p.prevMillisecond != -1)
        p.interval = Interval(p.prevSecond, p.prevMillisecond, second, millisecond);
    p.prevSecond = second;
    p.prevMillisecond = millisecond;
    if (p.interval > kLongestWait) p.interval = 0;
    Delay(p.interval);
}

void Player::BackwardPacing(const FrameHeader& header, Pacing& p) {
    const int second = header.timeStamp.second, millisecond = header.timeStamp.milliseconds;
    if (p.prevSecond != -1 && p.prevMillisecond != -1)
        p.interval = Interval(second, millisecond, p.prevSecond, p.prevMillisecond);
    p.prevSecond = second;
    p.prevMillisecond = millisecond;
    if (p.interval > kLongestWait) p.interval = 0;
    Delay(p.interval);
}

// Steps back one video record and forward one record, so that the first
// pause is measured from the picture before the one the reader stands on.
void Player::PreRead(RecordBuffers& b, Pacing& p) {
    if (!ReadPrevious(b)) return;
    p.prevSecond = b.header.timeStamp.second;
    p.prevMillisecond = b.header.timeStamp.milliseconds;
    ReadNext(b);
}

void Player::PlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    PreRead(*b, pacing);
    while (!StopRequested() && ReadNext(*b)) {
        if (b->header.mediaKind != kMediaVideo) continue;
        m_pipeline.WriteCaption(b->header);
        if (Decode(*b, 1) == kCodecUnknown) return CodecFailure();
        ForwardPacing(b->header, pacing);
    }
}

void Player::BackPlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    std::uint32_t lowest = m_reader.CurrentOffset();
    bool retried = false;
    while (!StopRequested()) {
        if (!ReadBefore(*b, lowest, false)) {
            // Once a run, a failed move is tried again through the next record's link.
            if (retried || !ReadBefore(*b, lowest, true)) return;
            retried = true;
        }
        m_pipeline.WriteCaption(b->header);
        switch (b->header.frameType) {
            case kFrameKey:
                if (Decode(*b, 1) == kCodecUnknown) return CodecFailure();
                SleepMs(1);
                continue;  // a key picture is shown without a pause
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            case kFrameDependent:
                DecodeKeyOf(b->header);
                if (Decode(*b, 1) == kCodecUnknown) return CodecFailure();
                break;
            case kFrameGroup:
                if (!ShowGroupPicture(b->header)) continue;
                break;
            default:
                break;
        }
        BackwardPacing(b->header, pacing);
        SleepMs(1);
    }
}

void Player::FastPlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    int skipCounter = 0;
    // Audio records are not filtered: they take their turn and their sleep,
    // and the decoder passes over them.
    while (!StopRequested() && ReadNext(*b)) {
        m_pipeline.WriteCaption(b->header);
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
        if (result == kCodecUnknown) return CodecFailure();
        SleepMs(1);
    }
}

void Player::FastBackPlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    int skipCounter = 0;
    std::uint32_t lowest = m_reader.CurrentOffset();
    bool retried = false;
    while (!StopRequested()) {
        if (!ReadBefore(*b, lowest, false)) {
            if (retried || !ReadBefore(*b, lowest, true)) return;
            retried = true;
        }
        m_pipeline.WriteCaption(b->header);
        const int speed = m_fastSpeed;
        if (b->header.frameType == kFrameKey) {
            if (Decode(*b, 1) == kCodecUnknown) return CodecFailure();
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
            if (Decode(*b, 1) == kCodecUnknown) return CodecFailure();
        } else if (b->header.frameType == kFrameGroup) {
            ShowGroupPicture(b->header);
        }
    }
}

}  // namespace korvane
