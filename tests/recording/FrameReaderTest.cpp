#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

using ::testing::ElementsAre;

std::vector<std::uint8_t> Bytes(const std::vector<std::uint8_t>& v, std::size_t n) {
    return {v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n)};
}

RecordingWriter OneCamera514(int camera = 0) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(camera, 1);
    return w;
}

TEST(FrameReaderOpen, Kind514SelectsTheFirstPlayedCamera) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514(3);
    w.Header().setPlayCamera(7, 1);
    w.AddVideo(3, 5, kFrameKey, Payload(100, 1), TimeAt(0));
    ASSERT_EQ(h.Open(w), 1);
    EXPECT_EQ(h.reader.SelectedCamera(), 3u);
    EXPECT_EQ(h.reader.CurrentOffset(), 584u);
    ASSERT_EQ(h.First(), 1);
    EXPECT_EQ(h.header.camera, 3);
    EXPECT_EQ(Bytes(h.data, 100), Payload(100, 1));
}

TEST(FrameReaderOpen, Kind771ChannelCountMovesFirstRecordAndPicksCamera) {
    for (auto [channels, camera, first] : {std::tuple{33, 32u, 604u}, {64, 63u, 1224u}}) {
        ReaderHarness h;
        RecordingWriter w(kFileKind771, static_cast<std::uint16_t>(channels));
        const auto at = w.AddVideo(static_cast<int>(camera), 10, kFrameKey, Payload(50, 2), TimeAt(1));
        EXPECT_EQ(at, first);
        ASSERT_EQ(h.Open(w), 1);
        EXPECT_EQ(h.reader.SelectedCamera(), camera);
        ASSERT_EQ(h.First(), 1) << channels;
        EXPECT_EQ(h.reader.CurrentOffset(), first);
    }
}

TEST(FrameReaderOpen, HeaderWithoutCameraKeepsThePreviousFilesCamera) {
    ReaderHarness h;
    RecordingWriter third = OneCamera514(3);
    third.AddVideo(3, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    ASSERT_EQ(h.Open(third, "a.MP4"), 1);
    h.reader.Close();

    RecordingWriter none(kFileKind514);  // play table all zero
    none.AddVideo(3, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    ASSERT_EQ(h.Open(none, "b.MP4"), 1);
    EXPECT_EQ(h.reader.SelectedCamera(), 3u);
    EXPECT_EQ(h.First(), 1);

    RecordingWriter k771(kFileKind771, 32);  // 32 channels name no camera either
    k771.AddVideo(3, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    ASSERT_EQ(h.Open(k771, "c.MP4"), 1);
    EXPECT_EQ(h.reader.SelectedCamera(), 3u);
    EXPECT_EQ(h.reader.CurrentOffset(), 584u);
}

TEST(FrameReaderOpen, MissingFileShowsTheErrorWithCodeAndPath) {
    ReaderHarness h;
    const std::string path = h.dir.File("absent.MP4");
    EXPECT_EQ(h.reader.Open(path), 0);
    EXPECT_FALSE(h.reader.IsOpen());
    EXPECT_THAT(h.notifier.Messages(), ElementsAre("error =" + std::to_string(ENOENT) + "  " + path));
    RecordingFileHeader out;
    EXPECT_EQ(h.reader.CopyFileHeader(&out), 0);
}

TEST(FrameReaderOpen, FileShorterThanItsHeaderIsRefusedWithErrorZero) {
    ReaderHarness h;
    const std::string path = h.dir.Write("short.MP4", std::vector<std::uint8_t>(583, 1));
    EXPECT_EQ(h.reader.Open(path), 0);
    EXPECT_THAT(h.notifier.Messages(), ElementsAre("error =0  " + path));
    EXPECT_EQ(h.First(), 0);
    RecordingFileHeader out;
    EXPECT_EQ(h.reader.CopyFileHeader(&out), 0);
}

TEST(FrameReaderOpen, BackslashPathIsAcceptedAndCopyFileHeaderGivesTheHeader) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    RecordingFileHeader out;
    EXPECT_EQ(h.reader.CopyFileHeader(&out), 0);
    std::filesystem::create_directory(h.dir.Path() / "sub");
    w.WriteFile(h.dir.File("sub/rec.MP4"));
    std::string windowsStyle = h.dir.File("sub") + "\\rec.MP4";
    ASSERT_EQ(h.reader.Open(windowsStyle), 1);
    ASSERT_EQ(h.reader.CopyFileHeader(&out), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(out.bytes.begin(), out.bytes.end()), Bytes(w.Bytes(), 584));
    EXPECT_EQ(out.dataEnd(), w.End());
}

TEST(FrameReaderWalk, ReadNextWalksTheChainAndStopsAtDataEnd) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    std::vector<std::uint32_t> at;
    for (int i = 0; i < 5; ++i)
        at.push_back(w.AddVideo(0, 5, i == 0 ? kFrameKey : kFrameDependent, Payload(100 + i, i), TimeAt(i)));
    ASSERT_TRUE(h.ReadTo(w, 0));
    for (int i = 1; i < 5; ++i) {
        ASSERT_EQ(h.Next(), 1) << i;
        EXPECT_EQ(h.reader.CurrentOffset(), at[i]);
        EXPECT_EQ(h.header.dataLength, 100u + i);
        EXPECT_EQ(Bytes(h.data, 100 + i), Payload(100 + i, static_cast<std::uint8_t>(i)));
        EXPECT_EQ(h.header.timeStamp, TimeAt(i));
    }
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), at[4]);
    EXPECT_EQ(h.Next(), 0);
}

TEST(FrameReaderWalk, DataEndSmallerThanTheFileHidesTheRecordsBehindIt) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    const auto second = w.AddVideo(0, 5, kFrameDependent, Payload(10, 2), TimeAt(1));
    w.AddVideo(0, 5, kFrameDependent, Payload(10, 3), TimeAt(2));
    w.SetDataEnd(second + 1);  // the second record begins below dataEnd, the third does not
    ASSERT_TRUE(h.ReadTo(w, 1));
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), second);

    for (std::uint32_t end : {584u, 500u}) {
        w.SetDataEnd(end);
        ASSERT_EQ(h.Open(w), 1);
        EXPECT_EQ(h.First(), 0) << end;
    }
}

TEST(FrameReaderWalk, ForeignOrUnmarkedRecordStopsReadNextWithoutMoving) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    const auto first = w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    const auto foreign = w.AddVideo(1, 5, kFrameKey, Payload(10, 2), TimeAt(0));
    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), first);
    EXPECT_EQ(h.header.timeStamp, TimeAt(0));

    w.PatchU8(foreign + 16 + 18, 0);  // same camera now, but
    w.PatchU16(foreign + 16, 0x0303);  // a wrong marker
    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), first);

    // ReadFirst does not look at the marker, only at the camera.
    RecordingWriter unmarkedFirst = OneCamera514();
    const auto only = unmarkedFirst.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    unmarkedFirst.PatchU16(only + 16, 0);
    ASSERT_EQ(h.Open(unmarkedFirst), 1);
    EXPECT_EQ(h.First(), 1);
    RecordingWriter otherFirst = OneCamera514(2);
    otherFirst.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    ASSERT_EQ(h.Open(otherFirst), 1);
    EXPECT_EQ(h.First(), 0);
}

TEST(FrameReaderCaption, MarkedCaptionGivesExactlyItsTextAndUnmarkedIsDropped) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    RecordSpec marked;
    marked.header.frameType = kFrameKey;
    marked.header.codec = 5;
    marked.data = Payload(64, 9);
    marked.caption = MakeCaption("Till 2", 16, 32, 0x0000FF);
    w.Add(marked);
    RecordSpec unmarked = marked;
    unmarked.caption->descriptor.captionMarker = 0x1234;
    const auto second = w.Add(unmarked);
    RecordSpec plain = marked;
    plain.caption.reset();
    w.Add(plain);

    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.header.totalLength, 64u + 80u + 6u);
    EXPECT_EQ(h.caption.captionMarker, kCaptionMarker);
    EXPECT_EQ(h.caption.textLength, 6u);
    EXPECT_EQ(h.caption.textX, 16);
    EXPECT_EQ(h.caption.textColor, 0x0000FFu);
    EXPECT_EQ(std::string(h.text.begin(), h.text.begin() + 6), "Till 2");
    EXPECT_EQ(h.text[6], 0xEE);  // nothing written behind the text
    EXPECT_EQ(Bytes(h.data, 64), Payload(64, 9));

    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), second);
    EXPECT_EQ(h.caption, CaptionDescriptor{});
    ASSERT_EQ(h.Next(), 1);  // the chain still skips the unmarked caption's bytes
    EXPECT_EQ(h.caption, CaptionDescriptor{});
    EXPECT_EQ(h.header.totalLength, 64u);
}

TEST(FrameReaderExtension, OnlyTheLowNibbleFlagsTheBlockAndItFollowsTheCaption) {
    for (std::uint8_t flags : {0x01, 0x11, 0x21, 0x02}) {
        ReaderHarness h;
        RecordingWriter w = OneCamera514();
        RecordSpec entry;
        entry.header.frameType = kFrameKey;
        entry.header.extFlags = flags;
        entry.data = Payload(40, 3);
        entry.caption = MakeCaption("Lane", 1, 2);
        entry.extension = MakeExtension(704, 480, "Front door");
        const bool flagged = (flags & 0x0F) == 1;
        w.Add(entry);
        entry.extension = MakeExtension(352, 240, "Back door");
        const auto second = w.Add(entry);
        ASSERT_TRUE(h.ReadTo(w, 0));
        if (flagged) {
            EXPECT_EQ(h.extension.extWidth, 704) << int(flags);
            EXPECT_EQ(h.extension.name(), "Front door");
            ASSERT_EQ(h.Next(), 1) << int(flags);
            EXPECT_EQ(h.reader.CurrentOffset(), second);
            EXPECT_EQ(h.extension.name(), "Back door");
        } else {
            // 0x02 flags nothing: the 58 bytes are not skipped, so the next
            // offset lands inside the extension block and finds no record.
            EXPECT_EQ(h.extension, FrameExtension{});
            EXPECT_EQ(h.Next(), 0) << int(flags);
        }
    }
}

TEST(FrameReaderExtension, FlaggedBlockWithoutMarkerIsNotCountedOnTheChain) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    RecordSpec entry;
    entry.header.frameType = kFrameKey;
    entry.data = Payload(40, 3);
    entry.extension = MakeExtension(704, 480, "Marked");
    w.Add(entry);
    entry.extension = MakeExtension(1, 1, "Unmarked");
    entry.extension->extMarker = 0;
    const auto unmarked = w.Add(entry);
    // The unmarked block's 58 bytes are not skipped: the next record is
    // expected to begin where the block does.
    const std::uint32_t nextAt = unmarked + 56 + 40;
    std::vector<std::uint8_t> bytes = w.Bytes();
    RecordingWriter tail(kFileKind514);
    tail.AddVideo(0, 5, kFrameDependent, Payload(7, 5), TimeAt(9));
    const std::vector<std::uint8_t> tailBytes = tail.Bytes();
    bytes.resize(nextAt);
    bytes.insert(bytes.end(), tailBytes.begin() + 584, tailBytes.end());
    RecordingFileHeader header;
    std::copy_n(bytes.begin(), 584, header.bytes.begin());
    header.setDataEnd(static_cast<std::uint32_t>(bytes.size()));
    std::copy(header.bytes.begin(), header.bytes.end(), bytes.begin());

    ASSERT_EQ(h.OpenBytes(bytes), 1);
    ASSERT_EQ(h.First(), 1);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), unmarked);
    EXPECT_EQ(h.extension.name(), "Marked");  // ReadNext keeps only a marked block
    EXPECT_EQ(h.reader.CurrentExtension().name(), "Marked");
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), nextAt);
    EXPECT_EQ(h.header.timeStamp, TimeAt(9));
}

TEST(FrameReaderBackward, ReadPreviousFollowsPrevOffsetAndRefusesAudioAndTheStart) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    const auto v1 = w.AddVideo(0, 5, kFrameKey, Payload(30, 1), TimeAt(0));
    const auto a1 = w.AddAudio(0, 1, Payload(320, 2), TimeAt(0, 20));
    const auto v2 = w.AddVideo(0, 5, kFrameDependent, Payload(30, 3), TimeAt(0, 40));
    ASSERT_TRUE(h.ReadTo(w, 0));
    EXPECT_EQ(h.Previous(), 0);  // the first record's prevOffset is below 584
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.header.mediaKind, kMediaAudio);
    EXPECT_EQ(h.header.audioSampleRate(), 8000);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), v2);

    ASSERT_EQ(h.Previous(), 1);  // over the audio record to the previous picture
    EXPECT_EQ(h.reader.CurrentOffset(), v1);
    EXPECT_EQ(Bytes(h.data, 30), Payload(30, 1));
    ASSERT_EQ(h.Next(), 1);  // physically next: the audio record comes first
    EXPECT_EQ(h.reader.CurrentOffset(), a1);
    EXPECT_EQ(h.header.mediaKind, kMediaAudio);

    // A prevOffset leading to an audio record is refused in place.
    w.PatchU32(v2, a1);
    ASSERT_TRUE(h.ReadTo(w, 2));
    EXPECT_EQ(h.Previous(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), v2);
    EXPECT_EQ(h.header.timeStamp, TimeAt(0, 40));
}

TEST(FrameReaderBackward, ReadNextAfterReadPreviousUsesTheReachedRecordsExtension) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    RecordSpec v;
    v.header.frameType = kFrameKey;
    v.data = Payload(30, 1);
    v.extension = MakeExtension(704, 480, "Cam");
    const auto v1 = w.Add(v);
    const auto a1 = w.AddAudio(0, 1, Payload(100, 2), TimeAt(1));
    RecordSpec plain;
    plain.data = Payload(30, 4);  // no extension
    w.Add(plain);
    ASSERT_TRUE(h.ReadTo(w, 2));
    ASSERT_EQ(h.Previous(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), v1);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), a1);
}

TEST(FrameReaderKeyFrame, CommitZeroReadsTheKeyWithoutMoving) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    RecordSpec key;
    key.header.frameType = kFrameKey;
    key.data = Payload(50, 1);
    key.caption = MakeCaption("key", 0, 0);
    key.extension = MakeExtension(704, 480, "K");
    const auto k = w.Add(key);
    w.AddVideo(0, 5, kFrameDependent, Payload(20, 2), TimeAt(1));
    const auto d2 = w.AddVideo(0, 5, kFrameDependent, Payload(20, 3), TimeAt(2));
    const auto d3 = w.AddVideo(0, 5, kFrameDependent, Payload(20, 4), TimeAt(3));
    ASSERT_TRUE(h.ReadTo(w, 2));
    const FrameHeader target = h.header;
    EXPECT_EQ(target.keyFrameOffset, k);

    ASSERT_EQ(h.KeyFrame(target, 0), 1);
    EXPECT_EQ(h.header.frameType, kFrameKey);
    // Data and caption come together: max(dataLength, totalLength) bytes.
    EXPECT_EQ(Bytes(h.data, 50), Payload(50, 1));
    EXPECT_EQ(std::string(h.data.begin() + 50 + 80, h.data.begin() + 50 + 80 + 3), "key");
    EXPECT_EQ(h.data[50 + 80 + 3], 0xEE);
    EXPECT_EQ(h.extension.name(), "K");
    EXPECT_EQ(h.reader.CurrentOffset(), d2);
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), d3);
}

TEST(FrameReaderKeyFrame, CommitOneMovesToTheKeyEvenWhenItIsRefused) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    const auto k = w.AddVideo(0, 5, kFrameKey, Payload(50, 1), TimeAt(0));
    const auto d1 = w.AddVideo(0, 5, kFrameDependent, Payload(20, 2), TimeAt(1));
    w.AddVideo(0, 5, kFrameDependent, Payload(20, 3), TimeAt(2));
    ASSERT_TRUE(h.ReadTo(w, 2));
    ASSERT_EQ(h.KeyFrame(h.header, 1), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), k);
    EXPECT_EQ(h.reader.CurrentExtension(), FrameExtension{});
    ASSERT_EQ(h.Next(), 1);
    EXPECT_EQ(h.reader.CurrentOffset(), d1);

    // A "key" that is a dependent picture is refused, but commit still moves there.
    FrameHeader pointsAtDependent = h.header;
    pointsAtDependent.keyFrameOffset = d1;
    ASSERT_EQ(h.Next(), 1);
    h.header = FrameHeader{};
    EXPECT_EQ(h.KeyFrame(pointsAtDependent, 0), 0);
    EXPECT_EQ(h.header, FrameHeader{});
    EXPECT_EQ(h.KeyFrame(pointsAtDependent, 1), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), d1);
}

TEST(FrameReaderKeyFrame, DecoderOnlyRecordsCountAsKeysGroupPicturesDoNot) {
    ReaderHarness h;
    RecordingWriter w = OneCamera514();
    const auto k = w.AddVideo(0, 11, kFrameDecoderOnly, Payload(50, 1), TimeAt(0));
    const auto g = w.AddVideo(0, 11, kFrameGroup, Payload(20, 2), TimeAt(1));
    w.AddVideo(0, 11, kFrameGroup, Payload(20, 3), TimeAt(2));
    ASSERT_TRUE(h.ReadTo(w, 2));
    FrameHeader target = h.header;
    EXPECT_EQ(target.keyFrameOffset, k);
    EXPECT_EQ(h.KeyFrame(target, 0), 1);
    EXPECT_EQ(h.header.frameType, kFrameDecoderOnly);
    target.keyFrameOffset = g;
    EXPECT_EQ(h.KeyFrame(target, 0), 0);
}

}  // namespace
}  // namespace korvane::testing
