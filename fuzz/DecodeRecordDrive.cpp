#include "fuzz/DecodeRecordDrive.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "decode/PictureConverter.h"
#include "decode/PicturePipeline.h"
#include "recording/ByteOrder.h"

namespace korvane::fuzzing {
namespace {

constexpr int kMaxRecords = 6;

}  // namespace

std::vector<FuzzRecord> ParseFuzzRecords(std::span<const std::uint8_t> input) {
    std::vector<FuzzRecord> records;
    std::size_t at = 0;
    while (records.size() < kMaxRecords && input.size() - at >= kRecordDescriptionSize) {
        const std::uint8_t* d = input.data() + at;
        FuzzRecord r;
        r.codec = d[0];
        r.frameType = d[1];
        r.resolution = d[2];
        r.flags = d[3];
        r.extWidth = LoadU16(d + 4);
        r.extHeight = LoadU16(d + 6);
        const std::size_t length = std::min<std::size_t>(LoadU16(d + 8), input.size() - at - kRecordDescriptionSize);
        at += kRecordDescriptionSize;
        r.data.assign(input.begin() + static_cast<std::ptrdiff_t>(at),
                      input.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
        records.push_back(std::move(r));
    }
    return records;
}

std::vector<std::uint8_t> EncodeFuzzRecords(const std::vector<FuzzRecord>& records) {
    std::vector<std::uint8_t> out;
    for (const FuzzRecord& r : records) {
        std::uint8_t d[kRecordDescriptionSize];
        d[0] = r.codec;
        d[1] = r.frameType;
        d[2] = r.resolution;
        d[3] = r.flags;
        StoreU16(d + 4, r.extWidth);
        StoreU16(d + 6, r.extHeight);
        const std::size_t length = std::min<std::size_t>(r.data.size(), 0xFFFF);
        StoreU16(d + 8, static_cast<std::uint16_t>(length));
        out.insert(out.end(), d, d + kRecordDescriptionSize);
        out.insert(out.end(), r.data.begin(), r.data.begin() + static_cast<std::ptrdiff_t>(length));
    }
    return out;
}

const char* DriveDecode(std::span<const std::uint8_t> input) {
    PicturePipeline pipeline;
    PictureConverter converter;
    for (const FuzzRecord& r : ParseFuzzRecords(input)) {
        FrameHeader header;
        header.marker = kRecordMarker;
        header.mediaKind = (r.flags & 8) ? kMediaAudio : kMediaVideo;
        header.codec = r.codec;
        header.frameType = r.frameType;
        header.resolution = r.resolution;
        header.camera = r.frameType;
        header.timeStamp.second = r.resolution;
        header.dataLength = static_cast<std::uint32_t>(r.data.size());
        header.extFlags = (r.flags & 1) ? 0x11 : 0;
        FrameExtension extension;
        extension.extMarker = kExtensionMarker;
        extension.extWidth = r.extWidth;
        extension.extHeight = r.extHeight;
        extension.extName.fill('n');  // no NUL: the name runs to the block's end

        CaptionDescriptor caption;
        std::span<const std::uint8_t> text;
        if (r.flags & 4) {
            caption.captionMarker = kCaptionMarker;
            caption.captionEnabled = 1;
            caption.textX = r.extWidth;
            caption.textY = r.extHeight;
            caption.font.height = static_cast<std::int8_t>(r.resolution);
            caption.textColor = 0x00FF00FF;
            text = std::span(r.data).last(std::min<std::size_t>(r.data.size(), 64));
            caption.textLength = static_cast<std::uint32_t>(text.size());
        }
        const DecodeResult decoded = pipeline.Decode(header, extension, r.data, &caption, text, (r.flags & 2) != 0);
        const int result = decoded.status;
        if (result < -1 || result > 1) return "result outside -1..1";
        if (header.mediaKind == kMediaAudio && result != 0) return "an audio record decoded";
        const bool known = (r.codec >= 5 && r.codec <= 11) || r.codec == 13 || r.codec == 14;
        if (header.mediaKind == kMediaVideo && !known && result != kCodecUnknown) return "unknown codec not refused";
        if (pipeline.Caption().size() > kTextMax || pipeline.StreamInfo().size() > kTextMax)
            return "text longer than its buffer";
        if (decoded.picture && result != 1) return "a picture kept from a record that gave none";
        if (decoded.picture && (r.flags & 2) == 0) return "a picture kept that was not asked for";
        if (!decoded.picture) continue;
        const PictureSize size = decoded.picture->Shown();
        if (size.width <= 0 || size.height <= 0) return "a picture kept without a size";
        // At its own size and at a view's: each as many rows as asked (or refused).
        for (const PictureSize target : {size, PictureSize{96, 64}}) {
            const PictureHandle shown = converter.Convert(*decoded.picture, target, {});
            if (shown && (shown->width != target.width || shown->height != target.height ||
                          shown->Bytes().size() != std::size_t(target.width) * std::size_t(target.height) * 3))
                return "a converted picture does not match its size";
        }
    }
    return "";
}

}  // namespace korvane::fuzzing
