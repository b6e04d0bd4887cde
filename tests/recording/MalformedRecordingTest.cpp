// Recordings come off damaged recorders and half-copied disks: every length
// in them is checked, and a record the reader cannot take is refused whole.
#include <gtest/gtest.h>

#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

// Snapshot of everything a refused move must leave alone.
struct Observed {
    std::uint32_t offset;
    FrameHeader current;
    FrameHeader header;
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> text;

    static Observed Of(const ReaderHarness& h) {
        return {h.reader.CurrentOffset(), h.reader.CurrentHeader(), h.header, h.data, h.text};
    }
    bool operator==(const Observed&) const = default;
};

// Key picture, then a dependent picture that each test breaks.
struct TwoRecords {
    RecordingWriter writer{kFileKind514};
    std::uint32_t first, second;
    TwoRecords() {
        writer.Header().setPlayCamera(0, 1);
        first = writer.AddVideo(0, 5, kFrameKey, Payload(200, 1), TimeAt(0));
        RecordSpec entry;
        entry.header.frameType = kFrameDependent;
        entry.data = Payload(300, 2);
        entry.caption = MakeCaption("Checkout 3", 10, 20);
        entry.extension = MakeExtension(704, 480, "Aisle");
        second = writer.Add(entry);
    }
    std::uint32_t DataLengthAt() const { return second + 16 + 28; }
    std::uint32_t TotalLengthAt() const { return second + 16 + 36; }
    std::uint32_t TextLengthAt() const { return second + 56 + 300 + 4; }
};

void ExpectNextRefused(ReaderHarness& h, const std::vector<std::uint8_t>& bytes) {
    ASSERT_EQ(h.OpenBytes(bytes), 1);
    ASSERT_EQ(h.First(), 1);
    const Observed before = Observed::Of(h);
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(Observed::Of(h), before);
    EXPECT_EQ(h.Next(), 0);  // and again: nothing moved
}

TEST(MalformedRecording, LengthsBeyondTheCallersBuffersAreRefusedUntouched) {
    {
        ReaderHarness h(299);  // one byte short of the second record's data
        TwoRecords r;
        ExpectNextRefused(h, r.writer.Bytes());
    }
    {
        ReaderHarness h(1 << 20, 9);  // caption text is 10 bytes
        TwoRecords r;
        ExpectNextRefused(h, r.writer.Bytes());
    }
}

TEST(MalformedRecording, ExactlyFittingBuffersAreEnough) {
    ReaderHarness h(300, 10);
    TwoRecords r;
    ASSERT_EQ(h.Open(r.writer), 1);
    ASSERT_EQ(h.First(), 1);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(std::string(h.text.begin(), h.text.begin() + 10), "Checkout 3");
}

TEST(MalformedRecording, RecordCutShortByTheEndOfTheFileIsRefused) {
    TwoRecords r;
    const std::vector<std::uint8_t> whole = r.writer.Bytes();
    // Cut inside the head, the data, the caption descriptor, the caption text
    // and the extension block; dataEnd still claims the whole chain.
    for (std::uint32_t cut : {r.second + 30, r.second + 56 + 150, r.second + 56 + 300 + 40,
                              r.second + 56 + 300 + 80 + 5, static_cast<std::uint32_t>(whole.size() - 1)}) {
        ReaderHarness h;
        std::vector<std::uint8_t> bytes(whole.begin(), whole.begin() + cut);
        SCOPED_TRACE(cut);
        ExpectNextRefused(h, bytes);
    }
}

TEST(MalformedRecording, LengthsThatWrapThirtyTwoBitsAreRefused) {
    TwoRecords r;
    // dataLength chosen so that 32-bit offset arithmetic would wrap back to
    // the first record; the record claims to reach far beyond the file.
    r.writer.PatchU32(r.DataLengthAt(), 0xFFFFFFFFu - r.second - 56 + 1 + r.first);
    r.writer.PatchU32(r.TotalLengthAt(), 0);
    ReaderHarness h;
    ExpectNextRefused(h, r.writer.Bytes());

    TwoRecords t;
    t.writer.PatchU32(t.TotalLengthAt(), 0xFFFFFFF0u);
    ReaderHarness h2;
    ExpectNextRefused(h2, t.writer.Bytes());

    TwoRecords c;
    c.writer.PatchU32(c.TextLengthAt(), 0xFFFFFFFFu);
    ReaderHarness h3;
    ExpectNextRefused(h3, c.writer.Bytes());
}

TEST(MalformedRecording, DataEndBeyondTheFileEndsTheWalkCleanly) {
    TwoRecords r;
    r.writer.SetDataEnd(0xFFFFFFFFu);
    ReaderHarness h;
    ASSERT_EQ(h.Open(r.writer), 1);
    ASSERT_EQ(h.First(), 1);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.Next(), 0);  // the next head would lie past the end of the file
    EXPECT_EQ(h.reader.CurrentOffset(), r.second);
}

TEST(MalformedRecording, PrevOffsetThatDoesNotLeadBackIsRefused) {
    for (int variant = 0; variant < 3; ++variant) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.AddVideo(0, 5, kFrameKey, Payload(20, 1), TimeAt(0));
        const auto second = w.AddVideo(0, 5, kFrameDependent, Payload(20, 2), TimeAt(1));
        const auto third = w.AddVideo(0, 5, kFrameDependent, Payload(20, 3), TimeAt(2));
        const std::uint32_t target[] = {second, third, second + 3};
        w.PatchU32(second, target[variant]);  // itself, forward, or into itself
        ReaderHarness h;
        ASSERT_EQ(h.Open(w), 1);
        ASSERT_EQ(h.First(), 1);
        ASSERT_EQ(h.Next(), 1);
        const Observed before = Observed::Of(h);
        EXPECT_EQ(h.Previous(), 0) << variant;
        EXPECT_EQ(Observed::Of(h), before);
    }
}

TEST(MalformedRecording, KeyFrameOffsetAfterTheCurrentRecordIsRefused) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 5, kFrameKey, Payload(20, 1), TimeAt(0));
    const auto later = w.AddVideo(0, 5, kFrameKey, Payload(20, 2), TimeAt(1));
    ReaderHarness h;
    ASSERT_EQ(h.Open(w), 1);
    ASSERT_EQ(h.First(), 1);
    FrameHeader forward = h.header;
    forward.keyFrameOffset = later;
    const Observed before = Observed::Of(h);
    EXPECT_EQ(h.KeyFrame(forward, 1), 0);
    EXPECT_EQ(Observed::Of(h), before);
}

TEST(MalformedRecording, KeyRecordWhoseCaptionOverflowsTheBufferIsRefusedEvenWithCommit) {
    // A key record is read with its caption: 100 data + 80 + 100 text bytes.
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    RecordSpec key;
    key.header.frameType = kFrameKey;
    key.data = Payload(100, 1);
    key.caption = MakeCaption(std::string(100, 'k'), 0, 0);
    w.Add(key);
    w.AddVideo(0, 5, kFrameDependent, Payload(50, 2), TimeAt(1));
    ReaderHarness h(279);
    ASSERT_EQ(h.Open(w), 1);
    ASSERT_EQ(h.First(), 1);
    ASSERT_EQ(h.Next(), 1);
    const Observed before = Observed::Of(h);
    EXPECT_EQ(h.KeyFrame(h.header, 1), 0);
    EXPECT_EQ(Observed::Of(h), before);

    ReaderHarness roomy(280);
    ASSERT_EQ(roomy.Open(w), 1);
    ASSERT_EQ(roomy.First(), 1);
    ASSERT_EQ(roomy.Next(), 1);
    EXPECT_EQ(roomy.KeyFrame(roomy.header, 1), 1);
}

TEST(MalformedRecording, EmptyAndHeaderOnlyFilesHaveNoRecord) {
    ReaderHarness h;
    EXPECT_EQ(h.OpenBytes({}), 0);
    RecordingFileHeader header;
    header.setFileKind(kFileKind514);
    header.setDataEnd(100000);
    ASSERT_EQ(h.OpenBytes({header.bytes.begin(), header.bytes.end()}), 1);
    EXPECT_EQ(h.First(), 0);
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.Previous(), 0);
    EXPECT_EQ(h.KeyFrame(FrameHeader{}, 1), 0);
}

TEST(MalformedRecording, MovesBeforeOpenOrAfterCloseDoNothing) {
    ReaderHarness h;
    EXPECT_EQ(h.First(), 0);
    EXPECT_EQ(h.Next(), 0);
    TwoRecords r;
    ASSERT_EQ(h.Open(r.writer), 1);
    ASSERT_EQ(h.First(), 1);
    h.reader.Close();
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), r.first);
}

}  // namespace
}  // namespace korvane::testing
