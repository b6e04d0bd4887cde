// The four playback loops without sound. Each run starts from wherever the
// reader stands, shows records as it goes and paces itself from their
// capture times (or by the fast speed). It returns at the end of the data, on
// a codec it cannot decode, or when a stop is requested. Forward loops always
// move on (the next record lies after the current one); backward loops only
// move to records before the lowest one they have reached, so every run ends.
//
// Every picture shown is the exact one forward play shows for its record
// (see ExactPictures.cpp). Play and back play aim each picture at a deadline
// on the steady clock, the capture-time difference from the previous
// picture's, so decoding time does not slow them down.
#include <chrono>
#include <memory>
#include <thread>

#include "playback/Player.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kLongestWait{1000};  // a longer gap between pictures is not waited for
// A run later than this (a long walk, a busy machine) does not rush to catch up.
constexpr milliseconds kLongestCatchUp{250};

void SleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

}  // namespace

void Player::Delay(int milliseconds) {
    if (milliseconds >= 1) m_worker.WaitUnlessStopped(std::chrono::milliseconds(milliseconds));
}

void Player::WaitUntil(Clock::time_point due) {
    const auto wait = std::chrono::ceil<milliseconds>(due - Clock::now());
    if (wait > milliseconds::zero()) m_worker.WaitUnlessStopped(wait);
}

Clock::time_point Player::Due(const FrameHeader& header, Pacing& p, bool backward) {
    const std::int64_t stamp = CaptureMilliseconds(header.timeStamp);
    const milliseconds step{p.previous ? (backward ? *p.previous - stamp : stamp - *p.previous) : 0};
    p.previous = stamp;
    const auto now = Clock::now();
    // Time stamps that go the wrong way, long gaps, and a run that has
    // fallen far behind start the schedule again from now.
    if (step < milliseconds::zero() || step > kLongestWait || now - (p.due + step) > kLongestCatchUp) {
        p.due = now;
    } else {
        p.due += step;
    }
    return p.due;
}

// Steps back one video record and forward one record, so that the first
// picture's time is measured from the picture before the one the reader
// stands on (or from that one, at the start of the recording).
void Player::PreRead(RecordBuffers& b, Pacing& p) {
    p.previous = CaptureMilliseconds(m_reader.CurrentHeader().timeStamp);
    if (!ReadPrevious(b)) return;
    p.previous = CaptureMilliseconds(b.header.timeStamp);
    ReadNext(b);
}

void Player::PlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    FrameReader::Position shown = m_reader.Tell();
    PreRead(*b, pacing);
    while (!StopRequested() && ReadNext(*b)) {
        if (b->header.mediaKind != kMediaVideo) continue;
        m_pipeline.WriteCaption(b->header);
        int result = 0;
        const PictureHandle picture = ExactPicture(*b, result, Walk::TargetOnly);
        if (result == kCodecUnknown) return CodecFailure();
        if (!picture) continue;
        WaitUntil(Due(b->header, pacing, false));
        if (StopRequested()) return m_reader.Restore(shown);  // a pause stays on the picture on screen
        Present(picture);
        shown = m_reader.Tell();
    }
}

void Player::BackPlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    Pacing pacing;
    pacing.previous = CaptureMilliseconds(m_reader.CurrentHeader().timeStamp);
    AheadFill fill;
    FrameReader::Position shown = m_reader.Tell();
    std::uint32_t lowest = m_reader.CurrentOffset();
    bool retried = false;
    while (!StopRequested()) {
        if (!ReadBefore(*b, lowest, false)) {
            // Once a run, a failed move is tried again through the next record's link.
            if (retried || !ReadBefore(*b, lowest, true)) return;
            retried = true;
        }
        m_pipeline.WriteCaption(b->header);
        int result = 0;
        const PictureHandle picture = ExactPicture(*b, result, Walk::KeepGroup);
        if (result == kCodecUnknown) return CodecFailure();
        if (!picture) continue;
        const auto due = Due(b->header, pacing, true);
        FillAhead(fill, b->header, due);
        WaitUntil(due);
        if (StopRequested()) return m_reader.Restore(shown);
        Present(picture);
        shown = m_reader.Tell();
    }
}

void Player::FastPlayLoop() {
    auto b = std::make_unique<RecordBuffers>();
    int skipCounter = 0;
    // Audio records are not filtered: they take their turn and their sleep,
    // and the decoder passes over them. Every video record is decoded, so
    // that each picture shown is exact; only every speed-th is shown.
    while (!StopRequested() && ReadNext(*b)) {
        m_pipeline.WriteCaption(b->header);
        const int speed = m_fastSpeed;
        bool show = true;
        if (b->header.frameType != kFrameKey && b->header.frameType != kFrameDecoderOnly &&
            b->header.frameType != kFrameDecoderOnly4) {
            if (speed < 3) {
                SleepMs(100 - 20 * speed);
            } else if (++skipCounter >= speed) {
                skipCounter = 0;
            } else {
                show = false;
            }
        }
        int result = 0;
        if (show) {
            Present(ExactPicture(*b, result, Walk::TargetOnly));
        } else if (b->header.mediaKind == kMediaVideo) {
            result = Decode(*b, 0);
        }
        if (result == kCodecUnknown) return CodecFailure();
        SleepMs(1);
    }
}

// Fast back play shows pictures it can present at once: key pictures, and
// at the slow speeds (at most ten pictures a second) any picture, from the
// cache or by a walk from its key record; at the higher speeds only cached
// pictures besides the key ones.
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
        int result = 0;
        if (b->header.frameType == kFrameKey) {
            Present(QuickPicture(*b, result));
            if (result == kCodecUnknown) return CodecFailure();
            continue;
        }
        if (b->header.frameType != kFrameDependent && b->header.frameType != kFrameGroup) continue;
        if (speed < 3) {
            SleepMs(100 - 20 * speed);
        } else if (++skipCounter < speed) {
            continue;
        } else {
            skipCounter = 0;
        }
        Present(speed < 3 ? ExactPicture(*b, result, Walk::KeepGroup) : QuickPicture(*b, result));
        if (result == kCodecUnknown) return CodecFailure();
    }
}

}  // namespace korvane
