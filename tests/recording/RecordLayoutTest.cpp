#include <gtest/gtest.h>

#include <numeric>

#include "recording/RecordLayout.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

// Decodes bytes that each hold their own offset, so that a field read from the
// wrong place or in the wrong order shows, and checks encoding gives them back.
template <std::size_t N, class T>
T FromOffsets(T (*decode)(std::span<const std::uint8_t, N>), void (*encode)(const T&, std::span<std::uint8_t, N>)) {
    std::array<std::uint8_t, N> bytes, again{};
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
    const T decoded = decode(bytes);
    encode(decoded, again);
    EXPECT_EQ(again, bytes);
    return decoded;
}

TEST(RecordLayout, FieldsSitAtTheirByteOffsetsLowByteFirst) {
    const FrameHeader h = FromOffsets(DecodeFrameHeader, EncodeFrameHeader);
    EXPECT_EQ(h.marker, 0x0100);
    EXPECT_EQ(h.timeStamp, (SystemTime{0x0302, 0x0504, 0x0706, 0x0908, 0x0B0A, 0x0D0C, 0x0F0E, 0x1110}));
    EXPECT_EQ((std::array{h.camera, h.mediaKind, h.reserved20, h.codec, h.resolution, h.frameType, h.reserved32,
                          h.extFlags}),
              (std::array<std::uint8_t, 8>{18, 19, 20, 21, 22, 23, 32, 33}));
    EXPECT_EQ((std::array{h.keyFrameOffset, h.dataLength, h.totalLength, std::uint32_t{h.reserved34}}),
              (std::array<std::uint32_t, 4>{0x1B1A1918, 0x1F1E1D1C, 0x27262524, 0x2322}));
    EXPECT_EQ(h.audioSampleBits(), 0x18);  // an audio record's format shares the key offset's bytes
    EXPECT_EQ(h.audioSampleRate(), 0x1B1A);

    const CaptionDescriptor c = FromOffsets(DecodeCaption, EncodeCaption);
    EXPECT_EQ((std::array{std::uint32_t{c.captionMarker}, c.textLength, std::uint32_t(c.font.height),
                          std::uint32_t(c.font.weight), c.textColor, std::uint32_t{c.textX}, std::uint32_t{c.textY}}),
              (std::array<std::uint32_t, 7>{0x0100, 0x07060504, 0x0B0A0908, 0x1B1A1918, 0x47464544, 0x4948, 0x4B4A}));
    EXPECT_EQ((std::array{c.font.italic, c.font.pitchAndFamily, std::uint8_t(c.font.faceName[0]), c.captionEnabled}),
              (std::array<std::uint8_t, 4>{28, 35, 36, 76}));

    FrameExtension e = FromOffsets(DecodeExtension, EncodeExtension);
    EXPECT_EQ((std::array{e.extMarker, e.extWidth, e.extHeight, std::uint16_t(e.extName[0])}),
              (std::array<std::uint16_t, 4>{0x0100, 0x0706, 0x0908, 10}));
    EXPECT_EQ(e.name().size(), 48u);  // the name ends at its NUL or the block end
    e.extName[3] = 0;
    EXPECT_EQ(e.name(), "\x0A\x0B\x0C");
}

TEST(RecordLayout, FileHeaderFieldsSitAtTheirByteOffsets) {
    RecordingFileHeader h;
    h.setFileKind(771);
    h.setDataEnd(0x12345678);
    h.setNameCamera(2, 7);
    h.setPlayCamera(5, 1);
    h.setChannelCount(64);
    for (auto [at, value] : std::initializer_list<std::pair<int, int>>{
             {0, 0x03}, {1, 0x03}, {56, 0x78}, {60 + 8, 7}, {188 + 4 * 5, 1}, {580, 64}})
        EXPECT_EQ(h.bytes[at], value) << at;
    EXPECT_EQ(h.firstNamedCamera(), 2);
}

TEST(TimeStamp, FormatsAsThePlayerShowsIt) {
    EXPECT_EQ(FormatTimeStamp(SystemTime{2004, 1, 5, 2, 3, 4, 5, 6}), "2004-01-02 03:04:05  006");
    SystemTime big{65535, 65535, 0, 65535, 65535, 65535, 65535, 65535};
    EXPECT_EQ(FormatTimeStamp(big), "65535-65535-65535 65535:65535:65535  65535");
}

TEST(TimeStamp, CaptureTimesReadWriteAndCount) {
    const struct {
        const char* text;
        const char* written;  // nullptr: refused
        std::int64_t milliseconds;
    } cases[] = {
        {"1970-01-01 00:00:00", "1970-01-01 00:00:00.000", 0},
        {"2023-06-14 17:58:30.5", "2023-06-14 17:58:30.500", 1686765510500},
        {"2023-06-14 17:58:30  500", "2023-06-14 17:58:30.500", 1686765510500},
        {"0001-01-01 00:00:00", "0001-01-01 00:00:00.000", -62135596800000},
        {"2024-02-29 23:59:59.999", "2024-02-29 23:59:59.999", 1709251199999},
        {"1969-12-31 23:59:59.990", "1969-12-31 23:59:59.990", -10},
        {"2023-02-29 00:00:00", nullptr, 0},
        {"2023-06-14 24:00:00", nullptr, 0},
        {"2023-06-14 17:58:30.", nullptr, 0},
        {"2023-06-14 17:58:30.1234", nullptr, 0},
        {"2023-06-14T17:58:30", nullptr, 0},
        {"2023-6-14 17:58:30", nullptr, 0},
    };
    for (const auto& c : cases) {
        const auto t = ParseCaptureTime(c.text);
        ASSERT_EQ(t.has_value(), c.written != nullptr) << c.text;
        if (!t) continue;
        EXPECT_EQ(FormatCaptureTime(*t), c.written);
        EXPECT_EQ(CaptureMilliseconds(*t), c.milliseconds) << c.text;
        EXPECT_EQ(FromCaptureMilliseconds(c.milliseconds), *t) << c.text;
    }
    EXPECT_EQ(ParseCaptureTime("2023-06-14 17:58:30")->dayOfWeek, 3);  // a Wednesday
    // A damaged stamp still orders: month 13 is the next year's January.
    EXPECT_EQ(CaptureMilliseconds(SystemTime{2023, 13, 0, 1, 0, 0, 0, 0}),
              CaptureMilliseconds(*ParseCaptureTime("2024-01-01 00:00:00")));
}

// What the probe prints is read back, or refused with its reason.
TEST(TimeStamp, DamagedStampsArePrintedMarkedAndRefusedWithTheirReason) {
    const SystemTime damaged{65535, 12, 0, 31, 0, 0, 0, 0};
    const std::int64_t ms = CaptureMilliseconds(damaged);
    EXPECT_GT(ms, CaptureMilliseconds(SystemTime{9999, 12, 0, 31, 0, 0, 0, 0}));
    SystemTime back = FromCaptureMilliseconds(ms);
    back.dayOfWeek = 0;
    EXPECT_EQ(back, damaged);
    EXPECT_EQ(FormatCaptureMilliseconds(ms), "65535-12-31 00:00:00.000 (damaged)");
    EXPECT_EQ(FormatRecordedTime(SystemTime{2023, 2, 0, 30, 1, 2, 3, 4}), "2023-02-30 01:02:03  004 (damaged)");
    EXPECT_EQ(FormatRecordedTime(SystemTime{2023, 2, 0, 28, 1, 2, 3, 4}), "2023-02-28 01:02:03  004");
    const struct {
        const char* text;
        const char* reason;
    } refused[] = {
        {"65535-12-31 00:00:00.000", "the year 65535 is past 9999"},
        {"65535-12-31 00:00:00.000 (damaged)", "the year 65535 is past 9999"},
        {"2023-02-30 00:00:00", "February 2023 has 28 days"},
        {"2023-13-01 00:00:00", "no month 13"},
        {"2023-06-14 24:00:00", "no hour 24"},
        {"2023-06-14 17:60:00", "no minute 60"},
        {"0000-06-14 17:00:00", "no year 0000"},
        {"14.06.2023", "YYYY-MM-DD HH:MM:SS"},
    };
    for (const auto& r : refused) {
        const TimeReading reading = ReadCaptureTime(r.text);
        EXPECT_FALSE(reading.time) << r.text;
        EXPECT_NE(reading.error.find(r.reason), std::string::npos) << reading.error;
    }
}

TEST(TimeStamp, GoToReadsWhatPeopleType) {
    const std::int64_t now = CaptureMilliseconds(*ParseCaptureTime("2023-06-14 17:58:30.500"));
    const auto at = [](const char* text) { return CaptureMilliseconds(*ParseCaptureTime(text)); };
    const struct {
        const char* text;
        std::optional<std::int64_t> time;  // nothing: refused
    } cases[] = {
        {"2023-06-14 17:59:10.500", at("2023-06-14 17:59:10.500")},
        {" 2023-06-13 01:02:03 ", at("2023-06-13 01:02:03")},
        {"17:59:10", at("2023-06-14 17:59:10")},
        {"17:59:10.25", at("2023-06-14 17:59:10.250")},
        {"17:59", at("2023-06-14 17:59:00")},
        {"00:00", at("2023-06-14 00:00:00")},
        {"+10s", now + 10'000},
        {"-2m", now - 120'000},
        {"+1h", now + 3'600'000},
        {"-500ms", now - 500},
        {"", std::nullopt},
        {"tomorrow", std::nullopt},
        {"+10", std::nullopt},
        {"+s", std::nullopt},
        {"+-5s", std::nullopt},
        {"+10x", std::nullopt},
        {"24:00", std::nullopt},
        {"17:5", std::nullopt},
        {"2023-06-14 17:59:10.5000", std::nullopt},
    };
    for (const auto& c : cases) {
        const GoToReading reading = ReadGoToTime(c.text, now);
        EXPECT_EQ(reading.time, c.time) << c.text;
        EXPECT_EQ(reading.error.empty(), c.time.has_value()) << c.text << ": " << reading.error;
    }
}

}  // namespace
}  // namespace korvane
