// Recordings come off damaged recorders and half-copied disks: every length
// in them is checked, and a record the reader cannot take is refused whole.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "recording/RecordFile.h"
#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

// Runs a move that must fail and leave the reader and the caller's buffers as they were.
void ExpectRefused(ReaderHarness& h, const std::function<int()>& move) {
    const auto seen = [&] {
        return std::tuple(h.reader.CurrentOffset(), h.reader.CurrentHeader(), h.header, h.data, h.text);
    };
    const auto before = seen();
    EXPECT_EQ(move(), 0);
    EXPECT_EQ(seen(), before);
}

// A key picture, then a dependent picture with caption and extension that each case breaks.
struct TwoRecords {
    RecordingWriter writer;
    std::uint32_t first = writer.Add(Video(200));
    std::uint32_t second =
        writer.Add(Video(300, kFrameDependent, MakeCaption("Checkout 3", 10, 20), MakeExtension(704, 480, "Aisle")));
};

TEST(MalformedRecording, RecordThatDoesNotFitTheBuffersOrTheFileIsRefusedUntouched) {
    const auto cut = [](std::uint32_t at) { return [at](TwoRecords& r) { r.writer.Truncate(r.second + at); }; };
    const auto patch = [](std::uint32_t at, std::uint32_t v) {
        return [=](TwoRecords& r) { r.writer.PatchU32(r.second + at, v); };
    };
    const struct {
        const char* name;
        std::size_t data, text;  // the caller's buffers; exactly enough is 300 and 10
        std::function<void(TwoRecords&)> breakIt;
    } cases[] = {
        {"data one byte over the buffer", 299, 10, {}},
        {"caption text one byte over the buffer", 300, 9, {}},
        {"cut in the head", 300, 10, cut(30)},  // dataEnd still claims the whole chain
        {"cut in the data", 300, 10, cut(56 + 150)},
        {"cut in the caption descriptor", 300, 10, cut(56 + 300 + 40)},
        {"cut in the caption text", 300, 10, cut(56 + 300 + 80 + 5)},
        {"cut in the extension block", 300, 10, cut(56 + 300 + 80 + 10 + 57)},
        {"dataLength wraps 32-bit offsets back to the first record", 1 << 20, 1 << 20, [](TwoRecords& r) {
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
        ExpectRefused(h, [&] { return h.Next(); });
        EXPECT_EQ(h.Next(), 0);  // and again: nothing moved
    }
    ReaderHarness exact(300, 10);
    TwoRecords r;
    ASSERT_TRUE(exact.ReadTo(r.writer, 1));
    EXPECT_EQ(std::string(exact.text.begin(), exact.text.begin() + 10), "Checkout 3");
}

TEST(MalformedRecording, LinksThatDoNotLeadBackAreRefusedEvenWithCommit) {
    RecordingWriter w;
    w.Add(Video(20));
    const auto second = w.Add(Video(21));
    w.Add(Video(22, kFrameDependent));
    for (std::uint32_t target : {second, w.Offsets()[2], second + 3}) {  // itself, forward, into itself
        SCOPED_TRACE(target);
        ReaderHarness h;
        w.PatchU32(second, target);
        ASSERT_TRUE(h.ReadTo(w, 1));
        ExpectRefused(h, [&] { return h.Previous(); });
    }
    ReaderHarness h;
    ASSERT_TRUE(h.ReadTo(w, 0));
    FrameHeader forward = h.header;
    forward.keyFrameOffset = second;
    ExpectRefused(h, [&] { return h.KeyFrame(forward, 1); });

}

TEST(MalformedRecording, EmptyHeaderOnlyUnopenedAndClosedFilesHaveNoRecord) {
    ReaderHarness h;
    EXPECT_EQ(h.First() + h.Next(), 0);
    EXPECT_EQ(h.OpenBytes({}), 0);
    RecordingFileHeader header;
    header.setFileKind(kFileKind514);
    header.setDataEnd(100000);
    ASSERT_EQ(h.OpenBytes({header.bytes.begin(), header.bytes.end()}), 1);
    EXPECT_EQ(h.First() + h.Next() + h.Previous() + h.KeyFrame(FrameHeader{}, 1), 0);
    TwoRecords r;
    ASSERT_TRUE(h.ReadTo(r.writer, 0));
    h.reader.Close();
    EXPECT_EQ(h.Next() + h.reader.CopyFileHeader(&header), 0);
    EXPECT_EQ(h.reader.CurrentOffset(), r.first);
}

// A located record's caption text: only a marked caption's, never more than
// the caller's buffer, never past the end of the file.
TEST(RecordFileCaptionText, ReadsAMarkedCaptionUpToTheBufferAndNoFurther) {
    const struct {
        const char* name;
        std::uint16_t marker;
        std::size_t buffer;
        std::uint32_t cut;                    // bytes cut off the end of the file
        std::optional<std::string> expected;  // what lands in the buffer
    } cases[] = {
        {"whole text", kCaptionMarker, 16, 0, "Gate 4"},
        {"exactly the buffer", kCaptionMarker, 6, 0, "Gate 4"},
        {"cut to the buffer", kCaptionMarker, 4, 0, "Gate"},
        {"unmarked caption", 0x1234, 16, 0, std::nullopt},
        {"text past the end of the file", kCaptionMarker, 16, 1, std::nullopt},
        {"only the text's cut-off end past the buffer", kCaptionMarker, 4, 1, "Gate"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWriter w;
        Caption caption = MakeCaption("Gate 4", 0, 0);
        caption.descriptor.captionMarker = c.marker;
        const std::uint32_t at = w.Add(Video(30, kFrameKey, caption));
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
