// The packets and presentation times of a clip's video, planned from the
// records' capture times before anything is written:
// - a picture keeps its capture time, so the clip's times are the recorder's;
// - a record that only feeds the decoder is a packet of its own at its own
//   capture time when it holds coded picture data and that time falls
//   between the packets around it; otherwise (stream headers alone, or a time
//   it cannot keep) it rides in front of the next picture's packet;
// - a picture whose time lies far outside its neighbours' (a damaged capture
//   time) is placed right after the packet before it, so it neither
//   stretches nor squeezes the other pictures' times;
// - times strictly increase: a picture whose time goes back is moved just
//   after the packet before it, and the pictures after it keep their spacing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace korvane {

enum class TimeNote : std::uint8_t {
    None,        // the record's packet is at its capture time
    Merged,      // it rides with the next packet, at that packet's time
    OutOfOrder,  // its capture time is far outside its neighbours'; placed after the packet before it
    Adjusted,    // moved to keep times increasing (or the spacing after such a move)
};

std::string_view TimeNoteText(TimeNote note);

// A picture further than this outside the times of the pictures on both sides is out of order.
inline constexpr std::int64_t kOutOfOrderMs = 60'000;

struct PictureTimes {
    std::vector<std::int64_t> ptsMs;  // capture milliseconds, as the clip presents them
    std::vector<TimeNote> notes;
    std::size_t outOfOrder = 0;
};

// The presentation times of a clip's pictures from their capture times, in play order.
PictureTimes PlanPictureTimes(std::span<const std::int64_t> captureMs);

// The picture a record that only feeds the decoder goes in front of.
struct NextPicture {
    std::int64_t ptsMs = 0;
    std::int64_t captureMs = 0;
    TimeNote note = TimeNote::None;
};

struct FeederPlace {
    bool ownPacket = false;
    std::int64_t ptsMs = 0;
    TimeNote note = TimeNote::None;
};

// Where a record that only feeds the decoder goes: previousPts is the packet
// before it, next the picture after it (nothing at the end of the clip).
FeederPlace PlaceFeeder(std::int64_t captureMs, bool holdsPicture, std::optional<std::int64_t> previousPts,
                        const std::optional<NextPicture>& next);

}  // namespace korvane
