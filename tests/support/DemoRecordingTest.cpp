// Checks the shipped demo recording (samples/demo.MP4, made by
// samples/make-demo): its chain record by record, the links a recorder
// writes, and what the frame reader and the decoders make of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Notifier.h"
#include "platform/ProfileReader.h"
#include "recording/FrameReader.h"
#include "recording/RecordLayout.h"
#include "recording/SiteInfo.h"
#include "tests/support/FrameSource.h"
#include "tests/support/RecordingWriter.h"

namespace korvane::testing {
namespace {

const std::string kDemoPath = std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4";

// make-demo fixes these: one minute at 25 pictures a second with a key
// picture a second and an 80 ms G.721 block every second picture for camera
// 0; 5 pictures a second with an IDR every 10 for camera 1.
constexpr std::size_t kFrontPictures = 1500;
constexpr std::size_t kFrontGroup = 25;
constexpr std::size_t kFrontAudio = 300;
constexpr std::size_t kBackPictures = 300;
constexpr std::size_t kBackGroup = 10;
const std::string kSite = "Harbor Street Market";

struct ChainRecord {
    std::uint32_t offset = 0;
    RecordPrefix prefix;
    FrameHeader header;
    std::span<const std::uint8_t> data;
    std::optional<CaptionDescriptor> caption;
    std::string captionText;
    std::optional<FrameExtension> extension;
};

// The file and every record on its physical chain, decoded block by block.
struct Demo {
    std::vector<std::uint8_t> bytes;
    RecordingFileHeader header;
    std::vector<ChainRecord> records;
    std::uint64_t chainEnd = 0;

    std::vector<const ChainRecord*> Select(int camera, int mediaKind) const {
        std::vector<const ChainRecord*> out;
        for (const ChainRecord& r : records)
            if (r.header.camera == camera && r.header.mediaKind == mediaKind) out.push_back(&r);
        return out;
    }
    const ChainRecord* At(std::uint32_t offset) const {
        for (const ChainRecord& r : records)
            if (r.offset == offset) return &r;
        return nullptr;
    }
};

// Parses the chain; stops at the first record that does not fit the file.
Demo LoadDemo() {
    Demo demo;
    demo.bytes = ReadWholeFile(kDemoPath);
    const std::vector<std::uint8_t>& b = demo.bytes;
    if (b.size() < kFileHeaderSize) return demo;
    std::copy_n(b.begin(), kFileHeaderSize, demo.header.bytes.begin());
    std::uint64_t pos = demo.header.firstRecordOffset();
    const std::uint64_t end = std::min<std::uint64_t>(demo.header.dataEnd(), b.size());
    while (pos < end) {
        if (end - pos < kRecordHeadSize) break;
        ChainRecord r;
        r.offset = static_cast<std::uint32_t>(pos);
        r.prefix = DecodePrefix(std::span<const std::uint8_t, kPrefixSize>(&b[pos], kPrefixSize));
        r.header = DecodeFrameHeader(
            std::span<const std::uint8_t, kFrameHeaderSize>(&b[pos + kPrefixSize], kFrameHeaderSize));
        const FrameHeader& h = r.header;
        const std::uint64_t dataAt = pos + kRecordHeadSize;
        if (h.bodyLength() > end - dataAt) break;
        r.data = std::span<const std::uint8_t>(&b[dataAt], h.dataLength);
        if (h.hasCaption()) {
            if (h.totalLength - h.dataLength < kCaptionDescriptorSize) break;
            const std::uint64_t at = dataAt + h.dataLength;
            r.caption = DecodeCaption(
                std::span<const std::uint8_t, kCaptionDescriptorSize>(&b[at], kCaptionDescriptorSize));
            if (r.caption->textLength > h.totalLength - h.dataLength - kCaptionDescriptorSize) break;
            r.captionText.assign(reinterpret_cast<const char*>(&b[at + kCaptionDescriptorSize]),
                                 r.caption->textLength);
        }
        std::uint64_t next = dataAt + h.bodyLength();
        if (h.hasExtensionFlag()) {
            if (end - next < kExtensionSize) break;
            r.extension = DecodeExtension(std::span<const std::uint8_t, kExtensionSize>(&b[next], kExtensionSize));
            if (r.extension->hasMarker()) next += kExtensionSize;
        }
        demo.records.push_back(std::move(r));
        pos = next;
    }
    demo.chainEnd = pos;
    return demo;
}

const Demo& TheDemo() {
    static const Demo demo = LoadDemo();
    return demo;
}

std::string Counter(std::size_t number) {
    char text[64];
    std::snprintf(text, sizeof text, "%s  #%04zu", kSite.c_str(), number);
    return text;
}

std::int64_t MillisecondsOfDay(const SystemTime& t) {
    return ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

TEST(DemoRecording, HeaderPlaysCameraZeroAndChainEndsAtDataEnd) {
    const Demo& demo = TheDemo();
    EXPECT_EQ(demo.header.fileKind(), kFileKind514);
    EXPECT_EQ(demo.header.playCamera(0), 1u);
    EXPECT_EQ(demo.header.nameCamera(0), 1u);
    EXPECT_NE(demo.header.playCamera(1), 0u);
    EXPECT_NE(demo.header.nameCamera(1), 0u);
    for (int camera = 2; camera < kCameraCount; ++camera) EXPECT_EQ(demo.header.playCamera(camera), 0u);
    EXPECT_EQ(demo.header.headerCamera(), 0);
    EXPECT_EQ(demo.header.dataEnd(), demo.bytes.size());
    EXPECT_EQ(demo.chainEnd, demo.bytes.size());  // every record parsed, none runs over
    EXPECT_LT(demo.bytes.size(), 4'000'000u);
}

TEST(DemoRecording, RecordsOfEachKindAreAllThere) {
    const Demo& demo = TheDemo();
    for (const ChainRecord& r : demo.records) EXPECT_EQ(r.header.marker, kRecordMarker) << r.offset;

    const auto front = demo.Select(0, kMediaVideo);
    const auto frontAudio = demo.Select(0, kMediaAudio);
    const auto back = demo.Select(1, kMediaVideo);
    ASSERT_EQ(front.size(), kFrontPictures);
    ASSERT_EQ(frontAudio.size(), kFrontAudio);
    ASSERT_EQ(back.size(), kBackPictures);
    EXPECT_TRUE(demo.Select(1, kMediaAudio).empty());
    EXPECT_EQ(demo.records.size(), kFrontPictures + kFrontAudio + kBackPictures);

    for (std::size_t i = 0; i < front.size(); ++i) {
        const ChainRecord& r = *front[i];
        EXPECT_EQ(r.header.codec, 5);
        EXPECT_EQ(r.header.resolution, 15);
        EXPECT_EQ(r.header.frameType, i % kFrontGroup == 0 ? kFrameKey : kFrameDependent) << i;
        ASSERT_TRUE(r.caption) << i;
        EXPECT_EQ(r.caption->captionMarker, kCaptionMarker);
        EXPECT_EQ(r.caption->captionEnabled, 1);
        EXPECT_STREQ(r.caption->font.faceName.data(), "DejaVu Sans");
        EXPECT_EQ(r.captionText, Counter(i + 1));
        ASSERT_TRUE(r.extension) << i;
        EXPECT_TRUE(r.extension->hasMarker());
        EXPECT_EQ(r.extension->extWidth, 704);
        EXPECT_EQ(r.extension->extHeight, 480);
        EXPECT_EQ(r.extension->name(), "Front door");
    }
    for (const ChainRecord* r : frontAudio) {
        EXPECT_EQ(r->header.codec, 8);  // G.721
        EXPECT_EQ(r->header.dataLength, 800u);  // 200 ms
        EXPECT_FALSE(r->caption);
        EXPECT_FALSE(r->extension);
    }
    for (std::size_t i = 0; i < back.size(); ++i) {
        const ChainRecord& r = *back[i];
        EXPECT_EQ(r.header.codec, 10);
        EXPECT_EQ(r.header.resolution, 7);
        EXPECT_EQ(r.header.frameType, i % kBackGroup == 0 ? kFrameKey : kFrameDependent) << i;
        ASSERT_TRUE(r.extension);
        EXPECT_EQ(r.extension->extWidth, 352);
        EXPECT_EQ(r.extension->extHeight, 240);
        EXPECT_EQ(r.extension->name(), "Back yard");
    }
    // Camera 1 comes after all of camera 0, so that camera 0 plays to its end.
    EXPECT_GT(back.front()->offset, front.back()->offset);
    EXPECT_GT(back.front()->offset, frontAudio.back()->offset);
}

TEST(DemoRecording, TimeStampsStepByTheFrameRateAndAudioFollowsItsPicture) {
    const Demo& demo = TheDemo();
    const auto front = demo.Select(0, kMediaVideo);
    const auto back = demo.Select(1, kMediaVideo);
    ASSERT_EQ(front.size(), kFrontPictures);
    ASSERT_EQ(back.size(), kBackPictures);
    const SystemTime start = front.front()->header.timeStamp;
    for (std::size_t i = 0; i < front.size(); ++i)
        ASSERT_EQ(front[i]->header.timeStamp, AddMilliseconds(start, 40 * std::int64_t(i))) << i;
    for (std::size_t i = 0; i < back.size(); ++i)
        ASSERT_EQ(back[i]->header.timeStamp, AddMilliseconds(start, 200 * std::int64_t(i))) << i;
    // The minute turns during the recording.
    EXPECT_NE(front.front()->header.timeStamp.minute, front.back()->header.timeStamp.minute);
    EXPECT_EQ(MillisecondsOfDay(front.back()->header.timeStamp) - MillisecondsOfDay(start), 59'960);

    // Each audio block starts with every fifth picture and is the record after it.
    std::size_t block = 0;
    for (std::size_t n = 0; n < demo.records.size(); ++n) {
        const ChainRecord& r = demo.records[n];
        if (r.header.mediaKind != kMediaAudio) continue;
        ASSERT_GT(n, 0u);
        const ChainRecord& before = demo.records[n - 1];
        EXPECT_EQ(before.header.mediaKind, kMediaVideo);
        EXPECT_EQ(before.offset, front[5 * block]->offset) << "block " << block;
        EXPECT_EQ(r.header.timeStamp, AddMilliseconds(start, 200 * std::int64_t(block))) << block;
        EXPECT_EQ(r.header.audioSampleBits(), 16);
        EXPECT_EQ(r.header.audioSampleRate(), 8000);
        ++block;
    }
    EXPECT_EQ(block, kFrontAudio);
}

// prevOffset leads to the camera's previous video record (audio records too
// point at the picture before them), keyFrameOffset to the key record of the
// picture's group.
TEST(DemoRecording, PrevAndKeyOffsetsLeadToTheRightRecords) {
    const Demo& demo = TheDemo();
    for (int camera : {0, 1}) {
        SCOPED_TRACE(camera);
        std::uint32_t lastVideo = 0;
        std::uint32_t lastKey = 0;
        std::size_t pictures = 0;
        for (const ChainRecord& r : demo.records) {
            if (r.header.camera != camera) continue;
            EXPECT_EQ(r.prefix.prevOffset, lastVideo) << r.offset;
            if (r.header.mediaKind != kMediaVideo) continue;
            if (r.header.frameType == kFrameKey) lastKey = r.offset;
            ASSERT_EQ(r.header.keyFrameOffset, lastKey) << r.offset;
            const ChainRecord* key = demo.At(r.header.keyFrameOffset);
            ASSERT_NE(key, nullptr) << r.offset;
            EXPECT_EQ(key->header.camera, camera);
            EXPECT_EQ(key->header.frameType, kFrameKey);
            if (lastVideo != 0) {
                const ChainRecord* previous = demo.At(r.prefix.prevOffset);
                ASSERT_NE(previous, nullptr);
                EXPECT_EQ(previous->header.mediaKind, kMediaVideo);
                EXPECT_EQ(previous->header.camera, camera);
            }
            lastVideo = r.offset;
            ++pictures;
        }
        EXPECT_EQ(pictures, camera == 0 ? kFrontPictures : kBackPictures);
    }
}

struct ReaderBuffers {
    StderrNotifier notifier{false};
    FrameReader reader{notifier};
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(1 << 20);
    std::vector<std::uint8_t> text = std::vector<std::uint8_t>(kCaptionTextCapacity);
    FrameHeader header;
    FrameExtension extension;
    CaptionDescriptor caption;

    int First() { return reader.ReadFirst(&header, &extension, data, &caption, text); }
    int Next() { return reader.ReadNext(&header, &extension, data, &caption, text); }
    int Previous() { return reader.ReadPrevious(&header, &extension, data, &caption, text); }
    std::span<const std::uint8_t> Data() const { return std::span(data).first(header.dataLength); }
};

// Forward play of camera 0 goes from the first record to its last one, and
// every picture decodes to 704 x 480; it stops at camera 1's first record.
TEST(DemoRecording, ReaderPlaysCameraZeroToItsLastRecordAndEveryPictureDecodes) {
    const Demo& demo = TheDemo();
    ReaderBuffers rb;
    ASSERT_EQ(rb.reader.Open(kDemoPath), 1);
    EXPECT_EQ(rb.reader.SelectedCamera(), 0u);
    ASSERT_EQ(rb.First(), 1);
    EXPECT_EQ(rb.header.frameType, kFrameKey);

    VideoDecoder decoder(VideoStream::Mpeg4);
    std::size_t pictures = 0;
    std::size_t audio = 0;
    std::uint32_t lastOffset = 0;
    do {
        lastOffset = rb.reader.CurrentOffset();
        ASSERT_EQ(rb.header.camera, 0);
        if (rb.header.mediaKind == kMediaAudio) {
            ++audio;
            continue;
        }
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(rb.text.data()), rb.caption.textLength),
                  Counter(pictures + 1));
        ASSERT_EQ(rb.reader.CurrentExtension().name(), "Front door");
        const std::vector<PictureSize> out = decoder.Decode(rb.Data());
        ASSERT_EQ(out.size(), 1u) << "picture " << pictures;
        ASSERT_EQ(out[0], (PictureSize{704, 480})) << "picture " << pictures;
        ++pictures;
    } while (rb.Next() == 1);

    EXPECT_EQ(pictures, kFrontPictures);
    EXPECT_EQ(audio, kFrontAudio);
    EXPECT_EQ(lastOffset, demo.Select(0, kMediaVideo).back()->offset);
    EXPECT_EQ(rb.reader.CurrentOffset(), lastOffset);  // stayed on the last record of camera 0
}

TEST(DemoRecording, ReaderStepsBackFromTheLastPictureToTheFirstOverTheAudio) {
    ReaderBuffers rb;
    ASSERT_EQ(rb.reader.Open(kDemoPath), 1);
    ASSERT_EQ(rb.First(), 1);
    while (rb.Next() == 1) {
    }
    std::size_t steps = 0;
    while (rb.Previous() == 1) {
        ASSERT_EQ(rb.header.mediaKind, kMediaVideo);
        ++steps;
    }
    EXPECT_EQ(steps, kFrontPictures - 1);
    EXPECT_EQ(rb.reader.CurrentOffset(), rb.reader.FileHeader().firstRecordOffset());
}

// The last picture's key record starts a group that decodes on a fresh decoder.
TEST(DemoRecording, LastGroupDecodesFromItsKeyRecord) {
    const Demo& demo = TheDemo();
    const auto front = demo.Select(0, kMediaVideo);
    ASSERT_EQ(front.size(), kFrontPictures);
    const std::uint32_t key = front.back()->header.keyFrameOffset;
    VideoDecoder decoder(VideoStream::Mpeg4);
    std::size_t decoded = 0;
    for (const ChainRecord* r : front) {
        if (r->offset < key) continue;
        const std::vector<PictureSize> out = decoder.Decode(r->data);
        ASSERT_EQ(out.size(), 1u);
        ++decoded;
    }
    EXPECT_EQ(decoded, kFrontGroup);
}

TEST(DemoRecording, SiteFileNamesTheSiteOfTheCaptionsAndBothCameras) {
    StderrNotifier notifier(false);
    FrameReader reader(notifier);
    ASSERT_EQ(reader.Open(kDemoPath), 1);
    std::string site;
    std::string camera;
    ASSERT_EQ(LookUpSiteInfo(reader, kDemoPath, site, camera), 1);
    EXPECT_EQ(site, kSite);
    EXPECT_EQ(camera, "Front door");
    EXPECT_EQ(GetProfileString(SiteInfoFolder(kDemoPath) + "/" + kSiteInfoFileName, "INFO", "CAMERA_NAME02"),
              "Back yard");
}

}  // namespace
}  // namespace korvane::testing
