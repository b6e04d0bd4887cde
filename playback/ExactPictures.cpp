// Exact pictures in both directions. A dependent or group picture can only
// be decoded after every record from its key record up to it, so a picture
// reached backward (or after any jump) is decoded by a walk from its key
// record, and the walk keeps every picture it makes in the cache: moving
// further back through the group then costs no decoding. While back play
// waits for a picture's time, it decodes the group before the one it shows,
// a record at a time, so that it does not stall where groups meet.
#include "platform/DebugLog.h"
#include "playback/Player.h"
#include "recording/RecordKind.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;

// The key record a picture was decoded from; a key picture is its own.
std::uint32_t GroupOf(const FrameHeader& h, std::uint32_t offset) {
    return h.frameType == kFrameKey || h.keyFrameOffset >= offset ? offset : h.keyFrameOffset;
}

}  // namespace

int Player::Decode(RecordBuffers& b, int show) {
    const int result = m_pipeline.DecodeVideoFrame(b.header, b.extension, FrameData(), &b.caption, b.captionText, show);
    if (b.header.mediaKind == kMediaVideo) m_decoderAt = m_reader.CurrentOffset();
    return result;
}

PictureHandle Player::DecodeUnshown(RecordBuffers& b, int& result) {
    PictureHandle picture;
    m_capture = &picture;
    result = Decode(b, 1);
    m_capture = nullptr;
    if (picture) m_cache.Put(GroupOf(b.header, m_reader.CurrentOffset()), m_reader.CurrentOffset(), picture);
    return picture;
}

PictureHandle Player::ExactPicture(RecordBuffers& b, int& result, Walk walk) {
    result = 0;
    if (!GivesPicture(b.header)) {
        if (b.header.mediaKind == kMediaVideo) result = Decode(b, 0);
        return nullptr;
    }
    const std::uint32_t offset = m_reader.CurrentOffset();
    if (PictureHandle cached = m_cache.Find(offset)) {
        result = 1;
        return cached;
    }
    const bool follows = m_decoderAt != 0 && m_decoderAt == m_reader.CurrentPrefix().prevOffset;
    if (b.header.frameType == kFrameKey || follows || GroupOf(b.header, offset) == offset)
        return DecodeUnshown(b, result);
    PictureHandle picture = WalkFromKey(b.header, walk);
    if (picture) {
        result = 1;
        return picture;
    }
    DebugLine("DecodingGOP_SDI is FALSE => Retry other image data \n");
    // The key record cannot be followed: the record on its own is the best there is.
    return StopRequested() ? nullptr : DecodeUnshown(b, result);
}

PictureHandle Player::QuickPicture(RecordBuffers& b, int& result) {
    result = 0;
    if (PictureHandle cached = m_cache.Find(m_reader.CurrentOffset())) {
        result = 1;
        return cached;
    }
    return b.header.frameType == kFrameKey ? DecodeUnshown(b, result) : nullptr;
}

PictureHandle Player::WalkFromKey(const FrameHeader& target, Walk walk) {
    const FrameReader::Position at = m_reader.Tell();
    auto w = std::make_unique<RecordBuffers>();
    PictureHandle shown;
    if (m_reader.ReadAt(target.keyFrameOffset, &w->header, &w->extension, FrameData(), &w->caption, w->captionText) !=
        0) {
        std::uint32_t walked = m_reader.CurrentOffset();
        int result = 0;
        const auto feed = [&] {
            if (walk == Walk::KeepGroup && GivesPicture(w->header)) return DecodeUnshown(*w, result);
            Decode(*w, 0);
            return PictureHandle{};
        };
        feed();
        while (!StopRequested() && ReadNext(*w)) {
            const std::uint32_t offset = m_reader.CurrentOffset();
            if (offset <= walked || offset > at.offset) break;  // a chain that leads astray
            walked = offset;
            if (w->header.mediaKind != kMediaVideo) continue;
            if (offset == at.offset) {
                shown = GivesPicture(w->header) ? DecodeUnshown(*w, result) : nullptr;
                break;
            }
            feed();
        }
    }
    m_reader.Restore(at);
    return shown;
}

void Player::Present(const PictureHandle& picture) {
    if (!picture) return;
    // A cached picture goes out again as a new presentation, so that its
    // presentation time is now; the pixels are copied once.
    auto fresh = std::make_shared<Picture>(*picture);
    fresh->presentedAt = Clock::now();
    m_pipeline.RestoreTexts(fresh->caption, fresh->streamInfo);
    Hand(std::move(fresh));
}

bool Player::BeginFill(AheadFill& fill, std::uint32_t shownGroup) {
    fill.after = shownGroup;
    fill.active = false;
    const FrameReader::Position main = m_reader.Tell();
    auto w = std::make_unique<RecordBuffers>();
    // The last picture before the shown group's key record ends the group before it.
    bool found = m_reader.ReadAt(shownGroup, &w->header, &w->extension, FrameData(), &w->caption, w->captionText) != 0;
    for (int passed = 0; found && passed < 8; ++passed) {
        found = ReadPrevious(*w);
        if (found && GivesPicture(w->header)) break;
    }
    if (found && GivesPicture(w->header) && !m_cache.Find(m_reader.CurrentOffset())) {
        fill.end = m_reader.CurrentOffset();
        const std::uint32_t key = GroupOf(w->header, fill.end);
        int result = 0;
        if (key < fill.end &&
            m_reader.ReadAt(key, &w->header, &w->extension, FrameData(), &w->caption, w->captionText) != 0) {
            DecodeUnshown(*w, result);
            fill.at = m_reader.Tell();
            fill.active = true;
        }
    }
    m_reader.Restore(main);
    return fill.active;
}

void Player::FillAhead(AheadFill& fill, const FrameHeader& shown, Clock::time_point due) {
    const std::uint32_t shownGroup = GroupOf(shown, m_reader.CurrentOffset());
    // Only while the cache can hold the older group beside the shown one:
    // else the fill would push out the pictures back play is about to show.
    if (2 * m_cache.GroupBytes(shownGroup) > m_cache.Bound()) return;
    if (fill.after != shownGroup && !BeginFill(fill, shownGroup)) return;
    const FrameReader::Position main = m_reader.Tell();
    auto w = std::make_unique<RecordBuffers>();
    Clock::duration step{};
    while (fill.active && !StopRequested() && Clock::now() + step < due) {
        const auto started = Clock::now();
        m_reader.Restore(fill.at);
        const std::uint32_t from = m_reader.CurrentOffset();
        if (!ReadNext(*w) || m_reader.CurrentOffset() <= from || m_reader.CurrentOffset() > fill.end) {
            fill.active = false;
            break;
        }
        int result = 0;
        if (w->header.mediaKind == kMediaVideo) ExactPicture(*w, result, Walk::KeepGroup);
        fill.at = m_reader.Tell();
        fill.active = m_reader.CurrentOffset() != fill.end;
        step = Clock::now() - started;
    }
    m_reader.Restore(main);
}

}  // namespace korvane
