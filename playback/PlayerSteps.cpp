// Reading for the commands and the loops, and one picture forward or back.
#include "playback/Player.h"

namespace korvane {
namespace {

constexpr int kStepFailureLimit = 10;

}  // namespace

bool Player::ReadFirst(RecordBuffers& b) {
    return m_reader.ReadFirst(&b.header, &b.extension, FrameData(), &b.caption, b.captionText) != 0;
}
bool Player::ReadNext(RecordBuffers& b) {
    return m_reader.ReadNext(&b.header, &b.extension, FrameData(), &b.caption, b.captionText) != 0;
}
bool Player::ReadPrevious(RecordBuffers& b) {
    return m_reader.ReadPrevious(&b.header, &b.extension, FrameData(), &b.caption, b.captionText) != 0;
}

bool Player::ReadBefore(RecordBuffers& b, std::uint32_t& lowest, bool retry) {
    bool moved = ReadPrevious(b);
    if (!moved && retry) {
        ReadNext(b);
        moved = ReadPrevious(b);
    }
    if (!moved || m_reader.CurrentOffset() >= lowest) return false;
    lowest = m_reader.CurrentOffset();
    return true;
}

bool Player::StepForward() {
    if (IsPlaying()) return false;  // the worker owns the reader
    auto b = std::make_unique<RecordBuffers>();
    int failures = 0;
    for (;;) {
        if (!ReadNext(*b)) {
            ++failures;
            ReadNext(*b);
            ReadPrevious(*b);
            if (failures > kStepFailureLimit) return true;
            continue;
        }
        const FrameHeader& h = b->header;
        if (h.mediaKind == kMediaAudio || h.frameType > kFrameDecoderOnly4) continue;
        const bool picture = h.frameType != kFrameDecoderOnly && h.frameType != kFrameDecoderOnly4;
        if (picture) m_pipeline.WriteCaption(h);
        int result = 0;
        Present(ExactPicture(*b, result, Walk::TargetOnly));
        if (result == kCodecUnknown) {
            CodecFailure();
            return true;
        }
        if (picture) return true;
    }
}

bool Player::StepBack() {
    if (IsPlaying()) return false;  // the worker owns the reader
    auto b = std::make_unique<RecordBuffers>();
    std::uint32_t lowest = m_reader.CurrentOffset();
    for (int failures = 0; failures <= kStepFailureLimit;) {
        if (!ReadBefore(*b, lowest, true)) {
            ++failures;
            continue;
        }
        failures = 0;
        m_pipeline.WriteCaption(b->header);
        switch (b->header.frameType) {
            case kFrameKey:
            case kFrameDependent:
            case kFrameGroup: {
                int result = 0;
                Present(ExactPicture(*b, result, Walk::KeepGroup));
                if (result == kCodecUnknown) CodecFailure();
                return true;
            }
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            default:
                return true;
        }
    }
    return true;
}

}  // namespace korvane
