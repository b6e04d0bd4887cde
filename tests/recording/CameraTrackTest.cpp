// The one record walk across a set of recordings: which recordings count,
// their order, the walk from record to record, the key a picture is decoded
// from, and the time lookups over every recording of a camera.
#include <gtest/gtest.h>

#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/RecordingSet.h"
#include "recording/TimeStamp.h"

namespace korvane::testing {
namespace {

std::vector<std::uint8_t> Payload(int n) { return std::vector<std::uint8_t>(std::size_t(n), 7); }
SystemTime At(int ms) { return AddMilliseconds(MakeTime(2026, 10, 1, 12, 0, 0, 0), ms); }
std::int64_t TrackMs(int ms) { return CaptureMilliseconds(At(ms)); }

// "z.MP4" (earliest): camera 0 at 0 (decoder-only), 0 (key), 40, 80 and an
// audio record; camera 1 at 20. "a.MP4": camera 0 at 2000 (key), 2040, 2040
// again, 2080. "m.MP4" starts at 2060, before "a.MP4" ends: 2060 (key), 2100.
class Track : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingWriter z(kFileKind514), a(kFileKind514), m(kFileKind771);
        z.AddVideo(0, 10, kFrameDecoderOnly, Payload(8), At(0));
        z.AddVideo(0, 10, kFrameKey, Payload(9), At(0));
        z.AddVideo(1, 10, kFrameKey, Payload(9), At(20));
        z.AddVideo(0, 10, kFrameDependent, Payload(9), At(40));
        z.AddAudio(0, 1, Payload(16), At(40));
        z.AddVideo(0, 10, kFrameDependent, Payload(9), At(80));
        for (int t : {2000, 2040, 2040, 2080})
            a.AddVideo(0, 10, t == 2000 ? kFrameKey : kFrameDependent, Payload(9), At(t));
        for (int t : {2060, 2100}) m.AddVideo(0, 10, t == 2060 ? kFrameKey : kFrameDependent, Payload(9), At(t));
        z.WriteFile(dir.File("z.MP4"));
        a.WriteFile(dir.File("a.MP4"));
        m.WriteFile(dir.File("m.MP4"));
        dir.Write("readme.MP4", "not a recording, whatever its name");
        set = RecordingSet::Build(RecordingPaths({dir.Path().string()}));
        ASSERT_TRUE(set);
        track = set->Track(0);
        ASSERT_NE(track, nullptr);
    }
    // Capture ms (from At(0)) and frame type of each record the walk passes.
    std::vector<std::pair<std::int64_t, int>> Walk(bool forward) const {
        std::vector<std::pair<std::int64_t, int>> out;
        for (auto r = forward ? track->Front() : track->Back(); r; r = forward ? track->Next(*r) : track->Previous(*r)) {
            const IndexEntry& e = track->Entry(*r);
            out.emplace_back(e.time - TrackMs(0), e.mediaKind == kMediaAudio ? -1 : e.frameType);
        }
        return out;
    }
    std::int64_t TimeOf(std::optional<RecordRef> r) const { return r ? track->Entry(*r).time - TrackMs(0) : -999; }

    TempDir dir;
    std::optional<RecordingSet> set;
    const CameraTrack* track = nullptr;
};

TEST_F(Track, RecordingsByHeaderInTheOrderOfTheirFirstPicture_EachWholeWithoutOtherCameras) {
    ASSERT_EQ(set->FileCount(), 3u);  // the file that only has the name is passed over
    EXPECT_EQ(set->Cameras(), (std::vector<int>{0, 1}));
    const std::vector<std::pair<std::int64_t, int>> forward = {
        {0, 2}, {0, 1}, {40, 0}, {40, -1}, {80, 0}, {2000, 1}, {2040, 0}, {2040, 0}, {2080, 0}, {2060, 1}, {2100, 0}};
    EXPECT_EQ(Walk(true), forward);
    EXPECT_EQ(Walk(false), std::vector(forward.rbegin(), forward.rend()));
    ASSERT_EQ(set->Overlaps().size(), 1u);
    EXPECT_EQ(set->Overlaps()[0].earlierEnds - set->Overlaps()[0].laterStarts, 20);
    EXPECT_EQ(track->PictureCount(), 9u);
    EXPECT_EQ(track->KeyCount(), 3u);
}

TEST_F(Track, TimeLookupsSpanTheRecordingsAndKeysTakeTheirStreamHeaders) {
    const struct { int at; std::int64_t pictureAt, after; } cases[] = {
        {-500, 0, 0}, {0, 0, 40}, {79, 40, 80}, {1500, 80, 2000}, {2040, 2040, 2060},
        {2070, 2060, 2080}, {5000, 2100, -999}};
    for (const auto& c : cases) {
        EXPECT_EQ(TimeOf(track->PictureAt(TrackMs(c.at))), c.pictureAt) << c.at;
        EXPECT_EQ(TimeOf(track->PictureAfter(TrackMs(c.at))), c.after) << c.at;
    }
    // Of two pictures at 2040 the first in play order; the latest is the last picture.
    const auto at2040 = track->PictureAt(TrackMs(2040));
    EXPECT_EQ(track->Entry(*track->Previous(*at2040)).time, TrackMs(2000));
    EXPECT_EQ(TimeOf(track->Last()), 2100);
    EXPECT_EQ(TimeOf(track->First()), 0);
    const auto gaps = track->Gaps();
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].from - TrackMs(0), 80);
    // A picture's walk begins at the decoder-only record in front of its key.
    const IndexEntry& key = track->Entry(track->KeyOf(*track->PictureAt(TrackMs(80))));
    EXPECT_EQ(key.frameType, kFrameDecoderOnly);
    EXPECT_EQ(track->Entry(track->KeyOf(*track->PictureAt(TrackMs(2100)))).time, TrackMs(2060));
}

}  // namespace
}  // namespace korvane::testing
