// Reading a located record's caption text: only a marked caption's, never more
// than the caller's buffer, never past the end of the file.
#include <gtest/gtest.h>

#include "recording/RecordFile.h"
#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

TEST(RecordFileCaptionText, ReadsAMarkedCaptionUpToTheBufferAndNoFurther) {
    struct Case {
        const char* name;
        std::string text;
        std::uint16_t marker;
        std::size_t buffer;
        std::uint32_t cut;                     // bytes cut off the end of the file
        std::optional<std::string> expected;  // what lands in the buffer
    };
    const Case cases[] = {
        {"whole text", "Gate 4", kCaptionMarker, 16, 0, "Gate 4"},
        {"exactly the buffer", "Gate 4", kCaptionMarker, 6, 0, "Gate 4"},
        {"cut to the buffer", "Gate 4", kCaptionMarker, 4, 0, "Gate"},
        {"empty text", "", kCaptionMarker, 16, 0, ""},
        {"unmarked caption", "Gate 4", 0x1234, 16, 0, std::nullopt},
        {"text past the end of the file", "Gate 4", kCaptionMarker, 16, 1, std::nullopt},
        {"only the text's cut-off end past the buffer", "Gate 4", kCaptionMarker, 4, 1, "Gate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWriter w(kFileKind514);
        RecordSpec entry;
        entry.data = Payload(30, 1);
        entry.caption = MakeCaption(c.text, 0, 0);
        entry.caption->descriptor.captionMarker = c.marker;
        const std::uint32_t at = w.Add(entry);
        w.Truncate(w.End() - c.cut);
        TempDir dir;
        RecordFile file;
        ASSERT_EQ(file.Open(dir.Write("rec.MP4", w.Bytes())), 0);
        LocatedRecord record;
        file.Locate(at, record);
        ASSERT_TRUE(record.captionRead);

        std::vector<std::uint8_t> out(c.buffer + 1, 0xEE);  // one guard byte behind the buffer
        const auto length = file.ReadCaptionText(record, std::span(out).first(c.buffer));
        ASSERT_EQ(length.has_value(), c.expected.has_value());
        if (length) {
            EXPECT_EQ(std::string(out.begin(), out.begin() + *length), *c.expected);
        }
        EXPECT_EQ(out.back(), 0xEE);
    }
}

TEST(RecordFileCaptionText, RecordWithoutCaptionHasNoText) {
    RecordingWriter w(kFileKind514);
    const std::uint32_t at = w.AddVideo(0, 5, kFrameKey, Payload(30, 1), TimeAt(0));
    TempDir dir;
    RecordFile file;
    ASSERT_EQ(file.Open(dir.Write("rec.MP4", w.Bytes())), 0);
    LocatedRecord record;
    ASSERT_EQ(file.Locate(at, record), LocateResult::Ok);
    std::vector<std::uint8_t> out(16);
    EXPECT_FALSE(file.ReadCaptionText(record, out).has_value());
}

}  // namespace
}  // namespace korvane::testing
