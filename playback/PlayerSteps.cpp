// Reading and decoding for the commands and the loops: one picture forward
// or back, a dependent picture's key record, and a group picture reached
// from behind.
#include "platform/DebugLog.h"
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

int Player::Decode(RecordBuffers& b, int show) {
    return m_pipeline.DecodeVideoFrame(b.header, b.extension, FrameData(), &b.caption, b.captionText, show);
}

void Player::DecodeKeyOf(const FrameHeader& header) {
    FrameHeader keyHeader;
    FrameExtension keyExtension;
    m_reader.ReadKeyFrame(header, &keyHeader, &keyExtension, RefFrameData(), 0);
    m_pipeline.DecodeVideoFrame(keyHeader, keyExtension, RefFrameData(), nullptr, {}, 0);
}

bool Player::ShowGroupPicture(const FrameHeader& target) {
    if (target.frameType != kFrameGroup) return false;
    const FrameReader::Position at = m_reader.Tell();
    auto b = std::make_unique<RecordBuffers>();
    bool shown = false;
    const bool keyRead = m_reader.ReadKeyFrame(target, &b->header, &b->extension, RefFrameData(), 1) != 0;
    std::uint32_t walked = m_reader.CurrentOffset();
    if (keyRead && walked < at.offset &&
        m_pipeline.DecodeVideoFrame(b->header, b->extension, RefFrameData(), nullptr, {}, 0) != 0) {
        while (!StopRequested() && ReadNext(*b)) {
            const std::uint32_t offset = m_reader.CurrentOffset();
            if (offset <= walked || offset > at.offset) break;  // a chain that leads astray
            if (offset == at.offset) {
                shown = Decode(*b, 1) == 1;
                break;
            }
            Decode(*b, 0);
            walked = offset;
        }
    }
    m_reader.Restore(at);
    if (!shown) DebugLine("DecodingGOP_SDI is FALSE => Retry other image data \n");
    return shown;
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
        if (b->header.mediaKind == kMediaAudio) continue;
        switch (b->header.frameType) {
            case kFrameDependent:
            case kFrameKey:
            case kFrameGroup:
                m_pipeline.WriteCaption(b->header);
                if (Decode(*b, 1) == kCodecUnknown) CodecFailure();
                return true;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                if (Decode(*b, 0) == kCodecUnknown) {
                    CodecFailure();
                    return true;
                }
                continue;
            default:
                continue;
        }
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
                if (Decode(*b, 1) == kCodecUnknown) CodecFailure();
                return true;
            case kFrameDependent:
                DecodeKeyOf(b->header);
                if (Decode(*b, 1) == kCodecUnknown) CodecFailure();
                return true;
            case kFrameDecoderOnly:
            case kFrameDecoderOnly4:
                continue;
            case kFrameGroup:
                ShowGroupPicture(b->header);
                return true;
            default:
                return true;
        }
    }
    return true;
}

}  // namespace korvane
