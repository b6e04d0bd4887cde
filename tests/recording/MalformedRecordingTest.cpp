// Recordings come off damaged recorders and half-copied disks: every length
// in them is checked. The index ends its chain at a record that does not lie
// in the file, the reader refuses a record that does not fit the file or its
// buffers without handing anything over, and a key offset that names no key
// of the picture's camera before it is not followed.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>

#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/RecordFile.h"
#include "recording/RecordReader.h"
#include "recording/RecordingSet.h"
#include "recording/TimeStamp.h"

namespace korvane::testing {
namespace {

SystemTime TimeAtMs(int ms) { return AddMilliseconds(MakeTime(2026, 3, 14, 10, 20, 0, 0), ms); }

// A picture of camera 0 whose payload bytes tell records apart.
RecordSpec Video(std::size_t size, std::uint8_t frameType = kFrameKey, std::optional<Caption> caption = {},
                 std::optional<FrameExtension> extension = {}) {
    RecordSpec e;
    e.header.frameType = frameType;
    e.header.timeStamp = TimeAtMs(static_cast<int>(size));
    e.data.resize(size);
    for (std::size_t i = 0; i < size; ++i) e.data[i] = static_cast<std::uint8_t>(size + i * 7);
    e.caption = std::move(caption);
    e.extension = std::move(extension);
    return e;
}

// A key picture, then a dependent picture with caption and extension that each case breaks.
struct TwoRecords {
    RecordingWriter writer;
    std::uint32_t first = writer.Add(Video(200));
    std::uint32_t second =
        writer.Add(Video(300, kFrameDependent, MakeCaption("Checkout 3", 10, 20), MakeExtension(704, 480, "Aisle")));
};

TEST(MalformedRecording, RecordThatDoesNotFitTheFileOrTheBuffersIsRefusedWithNothingHandedOver) {
    const auto cut = [](std::uint32_t at) { return [at](TwoRecords& r) { r.writer.Truncate(r.second + at); }; };
    const auto patch = [](std::uint32_t at, std::uint32_t v) {
        return [=](TwoRecords& r) { r.writer.PatchU32(r.second + at, v); };
    };
    const auto caption = [](std::size_t length) {
        return [length](TwoRecords& r) {
            r.writer = RecordingWriter();
            r.writer.Add(Video(200));
            r.writer.Add(Video(300, kFrameDependent, MakeCaption(std::string(length, 'c'), 1, 2)));
        };
    };
    const struct {
        const char* name;
        std::function<void(TwoRecords&)> breakIt;
        std::size_t indexed;  // 2: the second record lies in the file, only the buffers refuse it
    } cases[] = {
        {"data one byte over the buffer", [](TwoRecords& r) {
             r.writer = RecordingWriter();
             r.writer.Add(Video(200));
             r.writer.Add(Video(kFrameDataCapacity + 1, kFrameDependent));
         }, 2},
        {"caption text one byte over the buffer", caption(kCaptionTextCapacity + 1), 2},
        {"cut in the head", cut(30), 1},  // dataEnd still claims the whole chain
        {"cut in the data", cut(56 + 150), 1},
        {"cut in the caption descriptor", cut(56 + 300 + 40), 1},
        {"cut in the caption text", cut(56 + 300 + 80 + 5), 1},
        {"cut in the extension block", cut(56 + 300 + 80 + 10 + 57), 1},
        {"dataLength wraps 32-bit offsets back to the first record", [](TwoRecords& r) {
             r.writer.PatchU32(r.second + 16 + 28, 0xFFFFFFFFu - r.second - 56 + 1 + r.first);
             r.writer.PatchU32(r.second + 16 + 36, 0);
         }, 1},
        {"totalLength wraps", patch(16 + 36, 0xFFFFFFF0u), 1},
        {"caption textLength wraps", patch(56 + 300 + 4, 0xFFFFFFFFu), 1},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TwoRecords r;
        c.breakIt(r);
        const std::string path = dir.Write("rec.MP4", r.writer.Bytes());
        RecordFile file;
        ASSERT_EQ(file.Open(path), 0);
        const auto index = RecordIndex::Build(file);
        ASSERT_TRUE(index);
        EXPECT_EQ(index->Size(), c.indexed);
        if (c.indexed == 1) {
            EXPECT_EQ(std::pair(index->End(), index->EndOffset()), std::pair(IndexEnd::Unreadable, std::uint64_t{r.second}));
        }
        RecordReader reader({path});
        auto buffers = std::make_unique<RecordBuffers>();
        ASSERT_TRUE(reader.Read(0, r.first, *buffers));
        buffers->header = FrameHeader{};
        EXPECT_FALSE(reader.Read(0, r.second, *buffers));
        EXPECT_EQ(buffers->header, FrameHeader{});
    }

    // Exactly the buffer's length, and a short text with nothing behind it.
    for (const std::size_t length : {kCaptionTextCapacity, std::size_t{10}}) {
        TwoRecords r;
        if (length != 10) caption(length)(r);
        RecordReader reader({dir.Write("rec.MP4", r.writer.Bytes())});
        auto buffers = std::make_unique<RecordBuffers>();
        buffers->captionText.fill(0xEE);
        ASSERT_TRUE(reader.Read(0, r.second, *buffers)) << length;
        EXPECT_EQ(buffers->caption.textLength, length);
        const std::string text(buffers->captionText.begin(), buffers->captionText.begin() + long(length));
        EXPECT_EQ(text, length == 10 ? "Checkout 3" : std::string(length, 'c'));
        if (length == 10) { EXPECT_EQ(buffers->captionText[10], 0xEE); }
        EXPECT_EQ(buffers->extension.name(), length == 10 ? "Aisle" : "");
    }
}

// Camera 0: key K0, camera 1's key, decoder-only DO, group picture G, then the
// dependent D whose key offset each case sets, and a key L after it.
TEST(MalformedRecording, KeyOffsetThatNamesNoKeyOfTheCameraBeforeThePictureIsNotFollowed) {
    RecordingWriter w;
    const std::uint32_t k0 = w.Add(Video(20));
    RecordSpec other = Video(21);
    other.header.camera = 1;
    const std::uint32_t foreign = w.Add(other);
    const std::uint32_t decoderOnly = w.Add(Video(22, kFrameDecoderOnly));
    const std::uint32_t group = w.Add(Video(23, kFrameGroup));
    RecordSpec d = Video(24, kFrameDependent);
    d.keyFrameOffset = 0;
    const std::uint32_t at = w.Add(d);
    const std::uint32_t later = w.Add(Video(25));
    const struct { const char* name; std::uint32_t named, key; } cases[] = {
        {"a decoder-only record before it", decoderOnly, decoderOnly},
        {"the picture itself", at, k0},
        {"a key after it", later, k0},
        {"the middle of a record", decoderOnly + 3, k0},
        {"a picture that is no key", group, k0},
        {"another camera's key", foreign, k0},
        {"the file header", 0, k0},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w.PatchU32(at + kPrefixSize + 24, c.named);
        const auto set = RecordingSet::Build({dir.Write("rec.MP4", w.Bytes())});
        ASSERT_TRUE(set);
        const CameraTrack* track = set->Track(0);
        ASSERT_NE(track, nullptr);
        const auto picture = track->PictureAt(CaptureMilliseconds(TimeAtMs(24)));
        ASSERT_TRUE(picture);
        ASSERT_EQ(track->Entry(*picture).offset, at);
        EXPECT_EQ(track->Entry(track->KeyOf(*picture)).offset, c.key);
    }
}

TEST(MalformedRecording, ShortHeaderOnlyAndMissingRecordingsHoldNoRecord) {
    TempDir dir;
    RecordingWriter headerOnly;
    RecordingWriter noRecords;  // dataEnd claims records the file does not hold
    noRecords.SetDataEnd(100000);
    std::vector<std::uint8_t> shortFile = headerOnly.Bytes();
    shortFile.resize(100);
    const std::vector<std::string> paths = {dir.Write("short.MP4", shortFile), dir.Write("empty.MP4", headerOnly.Bytes()),
                                            dir.Write("none.MP4", noRecords.Bytes()), dir.File("absent.MP4")};
    const auto set = RecordingSet::Build(paths);
    ASSERT_TRUE(set);
    ASSERT_EQ(set->FileCount(), 4u);  // numbered as given, whether read or not
    EXPECT_EQ(set->Index(0), nullptr);
    ASSERT_NE(set->Index(1), nullptr);
    EXPECT_EQ(std::tuple(set->Index(1)->Size(), set->Index(1)->End()), std::tuple(0u, IndexEnd::DataEnd));
    ASSERT_NE(set->Index(2), nullptr);
    EXPECT_EQ(std::tuple(set->Index(2)->Size(), set->Index(2)->End()), std::tuple(0u, IndexEnd::Unreadable));
    EXPECT_EQ(set->Index(3), nullptr);
    EXPECT_TRUE(set->Cameras().empty());
    RecordReader reader(paths);
    auto buffers = std::make_unique<RecordBuffers>();
    for (std::uint32_t f = 0; f <= 4; ++f) EXPECT_FALSE(reader.Read(f, kFirstRecordOffset, *buffers)) << f;
}

TEST(RecordFileOpen, TellsTheSystemErrorAndTriesBackslashesAsSlashes) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    RecordingWriter w;
    w.Add(Video(10));
    w.WriteFile(dir.File("sub/rec.MP4"));
    const std::pair<std::string, int> cases[] = {
        {dir.File("absent.MP4"), ENOENT}, {dir.File("sub"), EISDIR}, {dir.File("sub") + "\\rec.MP4", 0}};
    for (const auto& [path, error] : cases) {
        RecordFile file;
        EXPECT_EQ(file.Open(path), error) << path;
        EXPECT_EQ(file.IsOpen(), error == 0) << path;
    }
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
