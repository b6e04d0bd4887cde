#include "recording/RecordLayout.h"

#include <algorithm>
#include <cassert>

#include "recording/ByteOrder.h"

namespace korvane {
namespace {

constexpr std::size_t kFileKindAt = 0;
constexpr std::size_t kDataEndAt = 56;
constexpr std::size_t kNameCameraTableAt = 60;
constexpr std::size_t kPlayCameraTableAt = 188;
constexpr std::size_t kChannelCountAt = 580;

bool ValidCamera(int camera) { return camera >= 0 && camera < kCameraCount; }

}  // namespace

std::uint32_t RecordingFileHeader::fileKind() const { return LoadU32(&bytes[kFileKindAt]); }
std::uint32_t RecordingFileHeader::dataEnd() const { return LoadU32(&bytes[kDataEndAt]); }
std::uint16_t RecordingFileHeader::channelCount() const { return LoadU16(&bytes[kChannelCountAt]); }

std::uint32_t RecordingFileHeader::nameCamera(int camera) const {
    return ValidCamera(camera) ? LoadU32(&bytes[kNameCameraTableAt + 4 * camera]) : 0;
}
std::uint32_t RecordingFileHeader::playCamera(int camera) const {
    return ValidCamera(camera) ? LoadU32(&bytes[kPlayCameraTableAt + 4 * camera]) : 0;
}

void RecordingFileHeader::setFileKind(std::uint32_t v) { StoreU32(&bytes[kFileKindAt], v); }
void RecordingFileHeader::setDataEnd(std::uint32_t v) { StoreU32(&bytes[kDataEndAt], v); }
void RecordingFileHeader::setChannelCount(std::uint16_t v) { StoreU16(&bytes[kChannelCountAt], v); }
void RecordingFileHeader::setNameCamera(int camera, std::uint32_t v) {
    assert(ValidCamera(camera));
    StoreU32(&bytes[kNameCameraTableAt + 4 * camera], v);
}
void RecordingFileHeader::setPlayCamera(int camera, std::uint32_t v) {
    assert(ValidCamera(camera));
    StoreU32(&bytes[kPlayCameraTableAt + 4 * camera], v);
}

std::uint32_t RecordingFileHeader::firstRecordOffset() const {
    if (fileKind() == kFileKind771 && channelCount() > 32)
        return kFirstRecordOffset + kChannelEntrySize * (channelCount() - 32u);
    return kFirstRecordOffset;
}

int RecordingFileHeader::headerCamera() const {
    if (fileKind() == kFileKind514) {
        for (int i = 0; i < kCameraCount; ++i)
            if (playCamera(i) != 0) return i;
        return -1;
    }
    if (fileKind() == kFileKind771 && channelCount() > 32) return channelCount() - 1;
    return -1;
}

int RecordingFileHeader::firstNamedCamera() const {
    for (int i = 0; i < kCameraCount; ++i)
        if (nameCamera(i) != 0) return i;
    return -1;
}

void FrameHeader::setAudioFormat(std::uint8_t bits, std::uint16_t rate) {
    keyFrameOffset = bits | (static_cast<std::uint32_t>(rate) << 16);
}

std::string FrameExtension::name() const {
    auto end = std::find(extName.begin(), extName.end(), '\0');
    return std::string(extName.begin(), end);
}

RecordPrefix DecodePrefix(std::span<const std::uint8_t, kPrefixSize> in) {
    ByteReader r(in);
    RecordPrefix v;
    v.prevOffset = r.u32();
    for (auto& word : v.reserved) word = r.u32();
    return v;
}

void EncodePrefix(const RecordPrefix& v, std::span<std::uint8_t, kPrefixSize> out) {
    ByteWriter w(out);
    w.u32(v.prevOffset);
    for (auto word : v.reserved) w.u32(word);
}

FrameHeader DecodeFrameHeader(std::span<const std::uint8_t, kFrameHeaderSize> in) {
    ByteReader r(in);
    FrameHeader v;
    v.marker = r.u16();
    SystemTime& t = v.timeStamp;
    for (std::uint16_t* field : {&t.year, &t.month, &t.dayOfWeek, &t.day, &t.hour, &t.minute,
                                 &t.second, &t.milliseconds})
        *field = r.u16();
    v.camera = r.u8();
    v.mediaKind = r.u8();
    v.reserved20 = r.u8();
    v.codec = r.u8();
    v.resolution = r.u8();
    v.frameType = r.u8();
    v.keyFrameOffset = r.u32();
    v.dataLength = r.u32();
    v.reserved32 = r.u8();
    v.extFlags = r.u8();
    v.reserved34 = r.u16();
    v.totalLength = r.u32();
    assert(r.position() == kFrameHeaderSize);
    return v;
}

void EncodeFrameHeader(const FrameHeader& v, std::span<std::uint8_t, kFrameHeaderSize> out) {
    ByteWriter w(out);
    w.u16(v.marker);
    const SystemTime& t = v.timeStamp;
    for (std::uint16_t field :
         {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds})
        w.u16(field);
    w.u8(v.camera);
    w.u8(v.mediaKind);
    w.u8(v.reserved20);
    w.u8(v.codec);
    w.u8(v.resolution);
    w.u8(v.frameType);
    w.u32(v.keyFrameOffset);
    w.u32(v.dataLength);
    w.u8(v.reserved32);
    w.u8(v.extFlags);
    w.u16(v.reserved34);
    w.u32(v.totalLength);
    assert(w.position() == kFrameHeaderSize);
}

CaptionDescriptor DecodeCaption(std::span<const std::uint8_t, kCaptionDescriptorSize> in) {
    ByteReader r(in);
    CaptionDescriptor v;
    v.captionMarker = r.u16();
    v.reserved2 = r.u16();
    v.textLength = r.u32();
    LogFont& f = v.font;
    for (std::int32_t* field : {&f.height, &f.width, &f.escapement, &f.orientation, &f.weight})
        *field = r.i32();
    for (std::uint8_t* field : {&f.italic, &f.underline, &f.strikeOut, &f.charSet,
                                &f.outPrecision, &f.clipPrecision, &f.quality, &f.pitchAndFamily})
        *field = r.u8();
    r.raw(f.faceName);
    v.textColor = r.u32();
    v.textX = r.u16();
    v.textY = r.u16();
    v.captionEnabled = r.u8();
    r.raw(v.reserved77);
    assert(r.position() == kCaptionDescriptorSize);
    return v;
}

void EncodeCaption(const CaptionDescriptor& v, std::span<std::uint8_t, kCaptionDescriptorSize> out) {
    ByteWriter w(out);
    w.u16(v.captionMarker);
    w.u16(v.reserved2);
    w.u32(v.textLength);
    const LogFont& f = v.font;
    for (std::int32_t field : {f.height, f.width, f.escapement, f.orientation, f.weight})
        w.i32(field);
    for (std::uint8_t field : {f.italic, f.underline, f.strikeOut, f.charSet, f.outPrecision,
                               f.clipPrecision, f.quality, f.pitchAndFamily})
        w.u8(field);
    w.raw(f.faceName);
    w.u32(v.textColor);
    w.u16(v.textX);
    w.u16(v.textY);
    w.u8(v.captionEnabled);
    w.raw(v.reserved77);
    assert(w.position() == kCaptionDescriptorSize);
}

FrameExtension DecodeExtension(std::span<const std::uint8_t, kExtensionSize> in) {
    ByteReader r(in);
    FrameExtension v;
    v.extMarker = r.u16();
    r.raw(v.reserved2);
    v.extWidth = r.u16();
    v.extHeight = r.u16();
    r.raw(v.extName);
    assert(r.position() == kExtensionSize);
    return v;
}

void EncodeExtension(const FrameExtension& v, std::span<std::uint8_t, kExtensionSize> out) {
    ByteWriter w(out);
    w.u16(v.extMarker);
    w.raw(v.reserved2);
    w.u16(v.extWidth);
    w.u16(v.extHeight);
    w.raw(v.extName);
    assert(w.position() == kExtensionSize);
}

}  // namespace korvane
