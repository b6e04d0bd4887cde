#include <gtest/gtest.h>

#include <algorithm>

#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/ByteOrder.h"
#include "recording/RecordIndex.h"
#include "recording/TimeStamp.h"

namespace korvane::testing {
namespace {

SystemTime TimeAt(int second, int ms = 0) { return MakeTime(2026, 3, 14, 10, 20, second, ms); }
std::int64_t Ms(int second, int ms = 0) { return CaptureMilliseconds(TimeAt(second, ms)); }
std::vector<std::uint8_t> Payload(std::size_t size) { return std::vector<std::uint8_t>(size, 7); }

// Camera 0: pictures at 0.0 (key), 0.5, 0.5 (a second picture at the same
// time), then a gap to 5.0 (key), a decoder-only record at 5.2, audio, 5.4;
// then the recorder's clock is set back to 3.0 and 3.5. Camera 2 has two
// pictures at 1.0 and 2.0 between them; camera 1 only audio.
class Index : public ::testing::Test {
protected:
    void SetUp() override {
        const auto video = [&](int camera, std::uint8_t type, int second, int ms) {
            return w.AddVideo(camera, 10, type, Payload(30), TimeAt(second, ms));
        };
        at = {video(0, kFrameKey, 0, 0),        video(0, kFrameDependent, 0, 500), video(0, kFrameDependent, 0, 500),
              video(2, kFrameKey, 1, 0),        video(2, kFrameGroup, 2, 0),       video(0, kFrameKey, 5, 0),
              video(0, kFrameDecoderOnly, 5, 200), w.AddAudio(1, 1, Payload(20), TimeAt(5, 300)),
              video(0, kFrameDependent, 5, 400), video(0, kFrameKey, 3, 0),        video(0, kFrameDependent, 3, 500)};
        file.Open(dir.Write("rec.MP4", w.Bytes()));
    }
    std::optional<RecordIndex> Build() { return RecordIndex::Build(file); }

    RecordingWriter w;
    TempDir dir;
    RecordFile file;
    std::vector<std::uint32_t> at;
};

TEST_F(Index, EveryRecordOfEveryCameraIsIndexedFromItsHead) {
    auto index = Build();
    ASSERT_TRUE(index);
    ASSERT_EQ(index->Size(), at.size());
    EXPECT_EQ(std::pair(index->End(), index->EndOffset()), std::pair(IndexEnd::DataEnd, std::uint64_t{w.End()}));
    const IndexEntry &audio = (*index)[7], &dependent = (*index)[8];
    EXPECT_EQ(std::tuple(audio.offset, audio.camera, audio.mediaKind), std::tuple(at[7], 1, kMediaAudio));
    // The decoder-only record starts the group.
    EXPECT_EQ(std::tuple(dependent.keyOffset, dependent.time, dependent.codec), std::tuple(at[6], Ms(5, 400), 10));
    EXPECT_EQ(index->Find(at[8]), 8u);
    EXPECT_EQ(index->Find(at[8] + 1), std::nullopt);
    EXPECT_EQ(index->Cameras(), (std::vector<int>{0, 2}));  // camera 1 has no picture
    // Not the decoder-only record; three key pictures.
    EXPECT_EQ(std::tuple(index->PictureCount(0), index->KeyCount(0), index->ClockSetBacks(0)), std::tuple(7u, 3u, 1u));
    EXPECT_EQ(index->PictureCount(1) + index->ClockSetBacks(2), 0u);
    EXPECT_LE(sizeof(IndexEntry), 24u);
}

TEST_F(Index, PictureAtTakesTheLatestAtOrBeforeTheFirstInChainOrderAmongEqualsAndTheFirstBeforeAll) {
    auto index = Build();
    ASSERT_TRUE(index);
    const struct { int camera; std::int64_t time; int record; /* -1: none */ } cases[] = {
        {0, Ms(0, 499), 0}, {0, Ms(0, 500), 1}, {0, Ms(0, 999), 1},  // between, on a shared time, after it
        {0, Ms(0) - 10000, 0},    {0, Ms(59), 8},                          // before the first, after the last
        {0, Ms(3, 200), 9}, {0, Ms(4, 999), 10},                     // the pictures after the clock went back
        {0, Ms(5, 300), 5},                                          // the decoder-only record is no picture
        {2, Ms(1, 500), 3}, {2, Ms(2), 4},    {1, Ms(5, 300), -1},  {7, Ms(0), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.camera) + " at " + FormatCaptureTime(FromCaptureMilliseconds(c.time)));
        const auto found = index->PictureAt(c.camera, c.time);  // as the record's number in `at`
        EXPECT_EQ(found ? std::find(at.begin(), at.end(), found->offset) - at.begin() : -1, c.record);
    }
    EXPECT_EQ(index->PictureAfter(0, Ms(0))->offset, at[1]);  // the first of two at 0.5
    EXPECT_EQ(index->PictureAfter(0, Ms(3, 500))->offset, at[5]);
    EXPECT_EQ(index->PictureAfter(0, Ms(5, 400)), std::nullopt);
    EXPECT_EQ(index->First(0)->offset, at[0]);
    EXPECT_EQ(index->Last(0)->offset, at[8]);
    EXPECT_EQ(index->First(1), std::nullopt);
    const auto gaps = index->Gaps(0);  // in time order, over the set-back
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(std::pair(gaps[0].from, gaps[0].to), std::pair(Ms(0, 500), Ms(3)));
    EXPECT_EQ(std::pair(gaps[1].from, gaps[1].to), std::pair(Ms(3, 500), Ms(5)));
    EXPECT_TRUE(index->Gaps(2).empty());  // exactly one second is no gap
}

TEST_F(Index, AWalkEndsAtABrokenRecordKeepingWhatCameBeforeAndACancelledBuildGivesNothing) {
    // Record 4's marker, or its data length, broken: the four records before it are kept.
    for (const IndexEnd end : {IndexEnd::MarkerMissing, IndexEnd::Unreadable}) {
        std::vector<std::uint8_t> bytes = w.Bytes();
        end == IndexEnd::MarkerMissing ? StoreU16(&bytes[at[4] + 16], 0x0303) : StoreU32(&bytes[at[4] + 44], 1u << 30);
        RecordFile broken;
        ASSERT_EQ(broken.Open(dir.Write("broken.MP4", bytes)), 0);
        auto index = RecordIndex::Build(broken);
        ASSERT_TRUE(index);
        EXPECT_EQ(std::tuple(index->End(), index->Size(), index->EndOffset()),
                  std::tuple(end, std::size_t{4}, std::uint64_t{at[4]}));
    }

    std::vector<std::uint64_t> reports;
    std::atomic<bool> cancel{false};
    const auto progress = [&](std::uint64_t walked, std::uint64_t total) {
        reports.push_back(walked);
        EXPECT_EQ(total, w.End() - 584u);
    };
    ASSERT_TRUE(RecordIndex::Build(file, &cancel, progress));
    EXPECT_EQ(reports.back(), w.End() - 584u);
    cancel = true;
    EXPECT_FALSE(RecordIndex::Build(file, &cancel, progress));
}

}  // namespace
}  // namespace korvane::testing
