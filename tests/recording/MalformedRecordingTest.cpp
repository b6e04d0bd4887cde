// Recordings come off damaged recorders and half-copied disks: every length
// in them is checked, and a record the reader cannot take is refused whole.
#include <gtest/gtest.h>

#include <functional>

#include "recording/RecordFile.h"
#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

// Snapshot of everything a refused move must leave alone.
struct Observed {
    std::uint32_t offset;
    FrameHeader current, header;
    std::vector<std::uint8_t> data, text;

    static Observed Of(const ReaderHarness& h) {
        return {h.reader.CurrentOffset(), h.reader.CurrentHeader(), h.header, h.data, h.text};
    }
    bool operator==(const Observed&) const = default;
};

// Key picture, then a dependent picture with caption and extension that each case breaks.
struct TwoRecords {
    RecordingWriter writer;
    std::uint32_t first, second;
    TwoRecords() {
        first = writer.AddVideo(0, 5, kFrameKey, Payload(200, 1), TimeAt(0));
        RecordSpec entry;
        entry.header.frameType = kFrameDependent;
        entry.data = Payload(300, 2);
        entry.caption = MakeCaption("Checkout 3", 10, 20);
        entry.extension = MakeExtension(704, 480, "Aisle");
        second = writer.Add(entry);
    }
};

TEST(MalformedRecording, RecordThatDoesNotFitTheBuffersOrTheFileIsRefusedUntouched) {
    const auto cut = [](std::uint32_t at) {
        return [at](TwoRecords& r) { r.writer.Truncate(r.second + at); };
    };
    const auto patch = [](std::uint32_t at, std::uint32_t value) {
        return [=](TwoRecords& r) { r.writer.PatchU32(r.second + at, value); };
    };
    const struct {
        const char* name;
        std::size_t data, text;  // the caller's buffers; exactly enough is 300 and 10
        std::function<void(TwoRecords&)> breakIt;
    } cases[] = {
        {"data one byte over the buffer", 299, 10, {}},
        {"caption text one byte over the buffer", 300, 9, {}},
        // dataEnd still claims the whole chain.
        {"cut in the head", 300, 10, cut(30)},
        {"cut in the data", 300, 10, cut(56 + 150)},
        {"cut in the caption descriptor", 300, 10, cut(56 + 300 + 40)},
        {"cut in the caption text", 300, 10, cut(56 + 300 + 80 + 5)},
        {"cut in the extension block", 300, 10, cut(56 + 300 + 80 + 10 + 57)},
        // dataLength that wraps 32-bit offset arithmetic back to the first record.
        {"dataLength wraps", 1 << 20, 1 << 20, [](TwoRecords& r) {
             r.writer.PatchU32(r.second + 16 + 28, 0xFFFFFFFFu - r.second - 56 + 1 + r.first);
             r.writer.PatchU32(r.second + 16 + 36, 0);
         }},
        {"totalLength wraps", 1 << 20, 1 << 20, patch(16 + 36, 0xFFFFFFF0u)},
        {"caption textLength wraps", 1 << 20, 1 << 20, patch(56 + 300 + 4, 0xFFFFFFFFu)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TwoRecords r;
        if (c.breakIt) c.breakIt(r);
        ReaderHarness h(c.data, c.text);
        ASSERT_TRUE(h.ReadTo(r.writer, 0));
        const Observed before = Observed::Of(h);
        EXPECT_EQ(h.Next(), 0);
        EXPECT_EQ(Observed::Of(h), before);
        EXPECT_EQ(h.Next(), 0);  // and again: nothing moved
    }
    ReaderHarness exact(300, 10);
    TwoRecords r;
    ASSERT_TRUE(exact.ReadTo(r.writer, 1));
    EXPECT_EQ(std::string(exact.text.begin(), exact.text.begin() + 10), "Checkout 3");
}

TEST(MalformedRecording, LinksThatDoNotLeadBackAreRefusedUntouched) {
    RecordingWriter w;
    w.AddVideo(0, 5, kFrameKey, Payload(20, 1), TimeAt(0));
    const auto second = w.AddVideo(0, 5, kFrameKey, Payload(20, 2), TimeAt(1));
    const auto third = w.AddVideo(0, 5, kFrameDependent, Payload(20, 3), TimeAt(2));
    for (std::uint32_t target : {second, third, second + 3}) {  // itself, forward, into itself
        ReaderHarness h;
        w.PatchU32(second, target);
        ASSERT_TRUE(h.ReadTo(w, 1));
        const Observed before = Observed::Of(h);
        EXPECT_EQ(h.Previous(), 0) << target;
        EXPECT_EQ(Observed::Of(h), before);
    }
    // A key record after the current one, even with commit.
    ReaderHarness h;
    ASSERT_TRUE(h.ReadTo(w, 0));
    FrameHeader forward = h.header;
    forward.keyFrameOffset = second;
    const Observed before = Observed::Of(h);
    EXPECT_EQ(h.KeyFrame(forward, 1), 0);
    EXPECT_EQ(Observed::Of(h), before);
}

TEST(MalformedRecording, KeyRecordWhoseCaptionOverflowsTheBufferIsRefusedEvenWithCommit) {
    // A key record is read with its caption: 100 data + 80 + 100 text bytes.
    RecordingWriter w;
    RecordSpec key;
    key.header.frameType = kFrameKey;
    key.data = Payload(100, 1);
    key.caption = MakeCaption(std::string(100, 'k'), 0, 0);
    w.Add(key);
    w.AddVideo(0, 5, kFrameDependent, Payload(50, 2), TimeAt(1));
    for (auto [buffer, read] : {std::pair{279, 0}, {280, 1}}) {
        ReaderHarness h(buffer);
        ASSERT_TRUE(h.ReadTo(w, 1));
        const Observed before = Observed::Of(h);
        EXPECT_EQ(h.KeyFrame(h.header, 1), read) << buffer;
        if (!read) { EXPECT_EQ(Observed::Of(h), before); }
    }
}

TEST(MalformedRecording, EmptyHeaderOnlyUnopenedAndClosedFilesHaveNoRecord) {
    ReaderHarness h;
    EXPECT_EQ(h.First(), 0);
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.OpenBytes({}), 0);
    RecordingFileHeader header;
    header.setFileKind(kFileKind514);
    header.setDataEnd(100000);
    ASSERT_EQ(h.OpenBytes({header.bytes.begin(), header.bytes.end()}), 1);
    EXPECT_EQ(h.First(), 0);
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.Previous(), 0);
    EXPECT_EQ(h.KeyFrame(FrameHeader{}, 1), 0);

    TwoRecords r;
    ASSERT_TRUE(h.ReadTo(r.writer, 0));
    h.reader.Close();
    EXPECT_EQ(h.Next(), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), r.first);
}

// Reading a located record's caption text: only a marked caption's, never
// more than the caller's buffer, never past the end of the file.
TEST(RecordFileCaptionText, ReadsAMarkedCaptionUpToTheBufferAndNoFurther) {
    const struct {
        const char* name;
        std::string text;
        std::uint16_t marker;
        std::size_t buffer;
        std::uint32_t cut;                     // bytes cut off the end of the file
        std::optional<std::string> expected;  // what lands in the buffer
    } cases[] = {
        {"whole text", "Gate 4", kCaptionMarker, 16, 0, "Gate 4"},
        {"exactly the buffer", "Gate 4", kCaptionMarker, 6, 0, "Gate 4"},
        {"cut to the buffer", "Gate 4", kCaptionMarker, 4, 0, "Gate"},
        {"empty text at the end of the file", "", kCaptionMarker, 16, 0, ""},
        {"unmarked caption", "Gate 4", 0x1234, 16, 0, std::nullopt},
        {"text past the end of the file", "Gate 4", kCaptionMarker, 16, 1, std::nullopt},
        {"only the text's cut-off end past the buffer", "Gate 4", kCaptionMarker, 4, 1, "Gate"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWriter w;
        RecordSpec entry;
        entry.data = Payload(30, 1);
        entry.caption = MakeCaption(c.text, 0, 0);
        entry.caption->descriptor.captionMarker = c.marker;
        const std::uint32_t at = w.Add(entry);
        w.Truncate(w.End() - c.cut);
        RecordFile file;
        ASSERT_EQ(file.Open(dir.Write("rec.MP4", w.Bytes())), 0);
        LocatedRecord record;
        file.Locate(at, record);
        ASSERT_TRUE(record.captionRead);

        std::vector<std::uint8_t> out(c.buffer + 1, 0xEE);  // one guard byte behind the buffer
        const auto length = file.ReadCaptionText(record, std::span(out).first(c.buffer));
        ASSERT_EQ(length.has_value(), c.expected.has_value());
        if (length) { EXPECT_EQ(std::string(out.begin(), out.begin() + *length), *c.expected); }
        EXPECT_EQ(out.back(), 0xEE);
    }
}

}  // namespace
}  // namespace korvane::testing
