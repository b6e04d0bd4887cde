#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

// One reader and one recording per test.
class Reader : public ::testing::Test {
protected:
    ReaderHarness h;
    RecordingWriter w;
};

TEST_F(Reader, HeaderPicksTheCameraAndTheFirstRecordOrKeepsThePreviousCamera) {
    const struct {
        std::uint32_t kind;
        std::uint16_t channels;
        int playCamera;  // -1: empty play table
        std::uint32_t camera, first;
    } cases[] = {{kFileKind514, 0, 3, 3, 584},  {kFileKind771, 33, 5, 32, 604}, {kFileKind771, 64, -1, 63, 1224},
                 {kFileKind514, 0, -1, 63, 584}, {kFileKind771, 32, 1, 63, 584}, {1, 40, 1, 63, 584}};
    for (const auto& c : cases) {  // one reader: a header naming no camera keeps the one before
        SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.channels));
        RecordingWriter w(c.kind, c.channels);
        if (c.playCamera >= 0) {
            w.Header().setPlayCamera(c.playCamera, 1);
            w.Header().setPlayCamera(7, 1);
        }
        EXPECT_EQ(w.AddVideo(static_cast<int>(c.camera), 5, kFrameKey, Payload(50, 2), TimeAt(1)), c.first);
        ASSERT_EQ(h.Open(w), 1);
        EXPECT_EQ(h.reader.SelectedCamera(), c.camera);
        ASSERT_EQ(h.First(), 1);
        EXPECT_EQ(h.reader.CurrentOffset(), c.first);
        EXPECT_EQ(Bytes(h.data, 50), Payload(50, 2));
    }
}

// Unreadable files are refused quietly (CheckFile says why in words).
TEST_F(Reader, UnreadableFilesAreRefusedAndPathBackslashesAreTriedAsSlashes) {
    const std::string folder = h.dir.File("folder.MP4");
    std::filesystem::create_directory(folder);
    RecordingFileHeader out;
    for (const std::string& path : {h.dir.File("absent.MP4"), h.dir.Write("short.MP4", std::vector<std::uint8_t>(583, 1)), folder}) {
        EXPECT_EQ(h.reader.Open(path), 0);
        EXPECT_TRUE(h.notifier.Messages().empty());
        EXPECT_EQ(h.First(), 0);
        EXPECT_EQ(h.reader.CopyFileHeader(&out), 0);
    }
    w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    std::filesystem::create_directory(h.dir.Path() / "sub");
    w.WriteFile(h.dir.File("sub/rec.MP4"));
    ASSERT_EQ(h.reader.Open(h.dir.File("sub") + "\\rec.MP4"), 1);
    ASSERT_EQ(h.reader.CopyFileHeader(&out), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(out.bytes.begin(), out.bytes.end()), Bytes(w.Bytes(), 584));
}

TEST_F(Reader, ReadNextWalksTheChainAndStopsAtDataEndOrAForeignRecord) {
    std::vector<std::uint32_t> at;
    for (int i = 0; i < 4; ++i)
        at.push_back(w.AddVideo(0, 5, i == 0 ? kFrameKey : kFrameDependent, Payload(100 + i, i), TimeAt(i)));
    ASSERT_TRUE(h.ReadTo(w, 0));
    for (int i = 1; i < 4; ++i) {
        ASSERT_EQ(h.Next(), 1) << i;
        EXPECT_EQ(h.reader.CurrentOffset(), at[i]);
        EXPECT_EQ(Bytes(h.data, 100 + i), Payload(100 + i, static_cast<std::uint8_t>(i)));
        EXPECT_EQ(h.header.timeStamp, TimeAt(i));
    }
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), at[3]);

    // dataEnd inside the second record's head still lets it be read; the third is hidden.
    w.SetDataEnd(at[1] + 1);
    ASSERT_TRUE(h.ReadTo(w, 1));
    EXPECT_EQ(h.Next(), 0);
    for (std::uint32_t end : {584u, 500u}) {
        w.SetDataEnd(end);
        ASSERT_EQ(h.Open(w), 1);
        EXPECT_EQ(h.First(), 0) << end;
    }
    // Another camera, or a record without its marker, ends ReadNext; ReadFirst does not check the marker.
    const struct { std::uint32_t offset; int width; std::uint32_t value; bool first; } breaks[] = {
        {at[1] + 16 + 18, 1, 1, false}, {at[1] + 16, 2, 0x0303, false}, {at[0] + 16, 2, 0, true}};
    for (const auto& b : breaks) {
        RecordingWriter broken;
        for (int i = 0; i < 2; ++i) broken.AddVideo(0, 5, kFrameKey, Payload(100 + i, i), TimeAt(i));
        b.width == 1 ? broken.PatchU8(b.offset, 1) : broken.PatchU16(b.offset, static_cast<std::uint16_t>(b.value));
        ASSERT_TRUE(h.ReadTo(broken, 0));
        EXPECT_EQ(h.Next(), b.first ? 1 : 0) << b.offset;
        EXPECT_EQ(h.reader.CurrentOffset(), b.first ? at[1] : at[0]);
    }
}

TEST(FrameReaderExtension, OnlyAMarkedBlockFlaggedInTheLowNibbleIsStoredAndCountsOnTheChain) {
    // The second record's block; unmarked, its flag points at the next record's head.
    for (auto [flags, marked] : {std::pair{0x01, true}, {0x11, true}, {0x21, true}, {0x02, true}, {0x01, false}}) {
        SCOPED_TRACE(std::to_string(flags) + (marked ? " marked" : " unmarked"));
        ReaderHarness h;
        RecordingWriter w;
        w.Add(Video(40, kFrameKey, {}, MakeExtension(704, 480, "Front door")));
        RecordSpec entry = Video(40, kFrameDependent, MakeCaption("Lane", 1, 2));
        if (marked) entry.extension = MakeExtension(352, 240, "Back door");
        entry.header.extFlags = static_cast<std::uint8_t>(flags);
        w.Add(entry);
        const auto third = w.Add(Video(72, kFrameDependent));
        w.Add(Video(0, kFrameDependent));  // its empty data ends the file
        ASSERT_TRUE(h.ReadTo(w, 1));
        const bool flagged = (flags & 0x0F) == 1;  // else the block is not skipped and no next head is found
        const std::string kept = flagged && marked ? "Back door" : "Front door";
        EXPECT_EQ(h.extension.name() + "|" + h.reader.CurrentExtension().name(), kept + "|" + kept);
        ASSERT_EQ(h.Next(), flagged ? 1 : 0);
        if (flagged) { EXPECT_EQ(h.reader.CurrentOffset(), third); }
        EXPECT_EQ(h.Next(), flagged ? 1 : 0);
    }
}

TEST_F(Reader, ReadPreviousFollowsPrevOffsetToAPictureAndRefusesAudioAndTheStart) {
    const auto v1 = w.Add(Video(30, kFrameKey, {}, MakeExtension(704, 480, "Cam")));
    const auto a1 = w.AddAudio(0, 1, Payload(320, 2), TimeAt(0, 20));
    const auto v2 = w.AddVideo(0, 5, kFrameDependent, Payload(30, 3), TimeAt(0, 40));
    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.Previous(), 0);  // the first record's prevOffset is below 584
    ASSERT_TRUE(h.ReadTo(w, 2));
    ASSERT_EQ(h.Previous(), 1);  // over the audio record to the previous picture
    EXPECT_EQ(h.reader.CurrentOffset(), v1);
    EXPECT_EQ(Bytes(h.data, 30), Payload(30, 30));
    ASSERT_EQ(h.Next(), 1);  // physically next, past v1's extension block
    EXPECT_EQ(h.reader.CurrentOffset(), a1);
    EXPECT_EQ(h.header.audioSampleRate(), 8000);

    w.PatchU32(v2, a1);  // a prevOffset leading to an audio record
    ASSERT_TRUE(h.ReadTo(w, 2));
    EXPECT_EQ(h.Previous(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), v2);
}

TEST_F(Reader, MarkedCaptionGivesExactlyItsTextAndTheKeyIsReadWithItAndMovedToOnlyOnCommit) {
    Caption unmarked = MakeCaption("Till 2", 16, 32, 0x0000FF);
    unmarked.descriptor.captionMarker = 0x1234;
    const auto k = w.Add(Video(64, kFrameKey, MakeCaption("Till 2", 16, 32, 0x0000FF), MakeExtension(704, 480, "K")));
    const auto d1 = w.Add(Video(64, kFrameDependent, unmarked));
    const auto d2 = w.AddVideo(0, 5, kFrameDependent, Payload(20, 3), TimeAt(2));

    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.header.totalLength, 64u + 80u + 6u);
    CaptionDescriptor stored = MakeCaption("Till 2", 16, 32, 0x0000FF).descriptor;
    stored.textLength = 6;
    EXPECT_EQ(h.caption, stored);
    EXPECT_EQ(std::string(h.text.begin(), h.text.begin() + 7), std::string("Till 2\xEE"));  // nothing behind it
    EXPECT_EQ(Bytes(h.data, 64), Payload(64, 64));
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.caption, CaptionDescriptor{});  // unmarked: dropped, yet its bytes are skipped
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), d2);

    // The key comes with its caption: 64 + 80 + 6 bytes; one byte short is refused even with commit.
    const FrameHeader target = h.header;
    h.data.resize(149);
    EXPECT_EQ(h.KeyFrame(target, 1), 0);
    h.data.resize(1 << 20, 0xEE);
    ASSERT_EQ(h.KeyFrame(target, 0), 1);
    EXPECT_EQ(h.header.frameType, kFrameKey);
    EXPECT_EQ(Bytes(h.data, 64), Payload(64, 64));
    EXPECT_EQ(std::string(h.data.begin() + 64 + 80, h.data.begin() + 150 + 1), std::string("Till 2\xEE"));
    EXPECT_EQ(h.extension.name(), "K");
    EXPECT_EQ(h.reader.CurrentOffset(), d2);

    ASSERT_EQ(h.KeyFrame(target, 1), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), k);
    EXPECT_EQ(h.reader.CurrentExtension().name(), "K");
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), d1);
}

TEST(FrameReaderKeyFrame, OnlyKeyAndDecoderOnlyPicturesAreKeysYetCommitMovesToARefusedOne) {
    for (auto [type, accepted] : {std::pair{kFrameKey, 1}, {kFrameDecoderOnly, 1}, {kFrameGroup, 0},
                                  {kFrameDependent, 0}}) {
        ReaderHarness h;
        RecordingWriter w;
        const auto k = w.AddVideo(0, 11, type, Payload(50, 1), TimeAt(0));
        w.AddVideo(0, 11, kFrameDependent, Payload(20, 2), TimeAt(1));
        ASSERT_TRUE(h.ReadTo(w, 1));
        FrameHeader target = h.header;
        target.keyFrameOffset = k;
        h.header = FrameHeader{};
        EXPECT_EQ(h.KeyFrame(target, 0), accepted) << int(type);
        EXPECT_EQ(h.header.frameType, accepted ? type : 0);
        EXPECT_EQ(h.KeyFrame(target, 1), accepted);
        EXPECT_EQ(h.reader.CurrentOffset(), k);
        EXPECT_EQ(h.reader.CurrentExtension(), FrameExtension{});
    }
}

}  // namespace
}  // namespace korvane::testing
