#include <gtest/gtest.h>

#include <cstring>

#include "recording/RecordLayout.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

// Every field gets a distinct value so that a swapped or shifted field shows.
FrameHeader DistinctHeader() {
    FrameHeader h;
    h.marker = 0x0202;
    h.timeStamp = {0x07D4, 0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C, 0x0D0E};
    h.camera = 0x11;
    h.mediaKind = 0x12;
    h.reserved20 = 0x13;
    h.codec = 0x14;
    h.resolution = 0x15;
    h.frameType = 0x16;
    h.keyFrameOffset = 0x1A191817;
    h.dataLength = 0x1E1D1C1B;
    h.reserved32 = 0x1F;
    h.extFlags = 0x20;
    h.reserved34 = 0x2221;
    h.totalLength = 0x26252423;
    return h;
}

TEST(RecordLayout, FrameHeaderFieldsSitAtTheirByteOffsets) {
    std::array<std::uint8_t, kFrameHeaderSize> bytes{};
    EncodeFrameHeader(DistinctHeader(), bytes);
    EXPECT_EQ(bytes[0], 0x02);
    EXPECT_EQ(bytes[1], 0x02);
    EXPECT_EQ(bytes[2], 0xD4);  // year, low byte first
    EXPECT_EQ(bytes[3], 0x07);
    EXPECT_EQ(bytes[16], 0x0E);  // milliseconds
    EXPECT_EQ(bytes[18], 0x11);  // camera
    EXPECT_EQ(bytes[19], 0x12);  // media kind
    EXPECT_EQ(bytes[21], 0x14);  // codec
    EXPECT_EQ(bytes[22], 0x15);  // resolution
    EXPECT_EQ(bytes[23], 0x16);  // frame type
    EXPECT_EQ(bytes[24], 0x17);  // key frame offset
    EXPECT_EQ(bytes[28], 0x1B);  // data length
    EXPECT_EQ(bytes[33], 0x20);  // extension flags
    EXPECT_EQ(bytes[36], 0x23);  // total length
    EXPECT_EQ(bytes[39], 0x26);
    EXPECT_EQ(DecodeFrameHeader(bytes), DistinctHeader());
}

TEST(RecordLayout, AudioFormatSharesTheKeyFrameOffsetBytes) {
    std::array<std::uint8_t, kFrameHeaderSize> bytes{};
    bytes[24] = 16;
    bytes[25] = 0xAA;
    bytes[26] = 0x40;  // 8000 = 0x1F40
    bytes[27] = 0x1F;
    const FrameHeader h = DecodeFrameHeader(bytes);
    EXPECT_EQ(h.audioSampleBits(), 16);
    EXPECT_EQ(h.audioSampleRate(), 8000);
}

TEST(RecordLayout, CaptionAndExtensionRoundTripWithTheirLayout) {
    CaptionDescriptor c;
    c.captionMarker = 514;
    c.reserved2 = 0x0403;
    c.textLength = 0x08070605;
    c.font.height = -20;
    c.font.width = 0x0D0C0B0A;
    c.font.weight = 700;
    c.font.italic = 1;
    c.font.underline = 2;
    c.font.strikeOut = 3;
    c.font.pitchAndFamily = 9;
    std::strcpy(c.font.faceName.data(), "DejaVu Sans");
    c.textColor = 0x00112233;
    c.textX = 0x4455;
    c.textY = 0x6677;
    c.captionEnabled = 1;
    c.reserved77 = {7, 8, 9};
    std::array<std::uint8_t, kCaptionDescriptorSize> cb{};
    EncodeCaption(c, cb);
    EXPECT_EQ(cb[4], 0x05);                      // text length
    EXPECT_EQ(cb[8], static_cast<std::uint8_t>(-20));  // font height, first LOGFONT field
    EXPECT_EQ(cb[28], 1);                        // italic follows five 32-bit fields
    EXPECT_EQ(cb[35], 9);                        // pitch and family
    EXPECT_EQ(cb[36], 'D');                      // face name
    EXPECT_EQ(cb[68], 0x33);                     // colour 0x00BBGGRR, red byte first
    EXPECT_EQ(cb[72], 0x55);                     // x
    EXPECT_EQ(cb[74], 0x77);                     // y
    EXPECT_EQ(cb[76], 1);                        // enabled
    EXPECT_EQ(DecodeCaption(cb), c);

    FrameExtension e;
    e.extMarker = kExtensionMarker;
    e.reserved2 = {1, 2, 3, 4};
    e.extWidth = 704;
    e.extHeight = 480;
    std::strcpy(e.extName.data(), "Front door");
    std::array<std::uint8_t, kExtensionSize> eb{};
    EncodeExtension(e, eb);
    EXPECT_EQ(eb[0], 0x11);
    EXPECT_EQ(eb[1], 0x22);
    EXPECT_EQ(eb[6], 704 & 0xFF);
    EXPECT_EQ(eb[8], 480 & 0xFF);
    EXPECT_EQ(eb[10], 'F');
    EXPECT_EQ(DecodeExtension(eb), e);
    EXPECT_EQ(e.name(), "Front door");
}

TEST(RecordLayout, ExtensionNameWithoutNulStopsAtTheBlockEnd) {
    FrameExtension e;
    e.extName.fill('x');
    EXPECT_EQ(e.name(), std::string(48, 'x'));
}

TEST(RecordLayout, FileHeaderPicksCameraAndFirstRecordByKind) {
    RecordingFileHeader h;
    h.setFileKind(514);
    EXPECT_EQ(h.headerCamera(), -1);
    h.setPlayCamera(5, 1);
    h.setPlayCamera(9, 1);
    EXPECT_EQ(h.headerCamera(), 5);
    EXPECT_EQ(h.firstRecordOffset(), 584u);
    h.setChannelCount(40);  // only read in kind 771
    EXPECT_EQ(h.firstRecordOffset(), 584u);
    EXPECT_EQ(h.bytes[188 + 4 * 5], 1);

    RecordingFileHeader k;
    k.setFileKind(771);
    k.setPlayCamera(2, 1);  // ignored by kind 771
    for (auto [channels, camera, first] : {std::tuple{32, -1, 584u}, {33, 32, 604u}, {64, 63, 1224u}}) {
        k.setChannelCount(static_cast<std::uint16_t>(channels));
        EXPECT_EQ(k.headerCamera(), camera) << channels;
        EXPECT_EQ(k.firstRecordOffset(), first) << channels;
    }
    EXPECT_EQ(k.bytes[580], 64);

    RecordingFileHeader other;
    other.setFileKind(1);
    other.setPlayCamera(0, 1);
    EXPECT_EQ(other.headerCamera(), -1);
}

TEST(RecordLayout, NameTableIsSeparateFromPlayTable) {
    RecordingFileHeader h;
    h.setPlayCamera(0, 1);
    h.setNameCamera(2, 7);
    EXPECT_EQ(h.firstNamedCamera(), 2);
    EXPECT_EQ(h.bytes[60 + 8], 7);
    h.setDataEnd(0x12345678);
    EXPECT_EQ(h.bytes[56], 0x78);
}

TEST(TimeStamp, FormatsAsThePlayerShowsIt) {
    SystemTime t{2004, 1, 5, 2, 3, 4, 5, 6};
    EXPECT_EQ(FormatTimeStamp(t), "2004-01-02 03:04:05  006");
    SystemTime big{65535, 65535, 0, 65535, 65535, 65535, 65535, 65535};
    EXPECT_EQ(FormatTimeStamp(big), "65535-65535-65535 65535:65535:65535  65535");
}

}  // namespace
}  // namespace korvane
