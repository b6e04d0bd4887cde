#include "decode/PicturePipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "recording/RecordKind.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

// Formats into a stack buffer; returns the length, cut to the text limit.
std::size_t FormatCaptionInto(const FrameHeader& header, char (&text)[kTextMax + 1]) {
    char time[64];
    FormatTimeStamp(header.timeStamp, time, sizeof time);
    const int n = std::snprintf(text, sizeof text, "CAM =%d  %s", header.camera + 1, time);
    return n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), kTextMax);
}

}  // namespace

void FixedText::Assign(const char* text, std::size_t length) {
    m_length = std::min(length, kTextMax);
    std::memcpy(m_chars.data(), text, m_length);
}

std::string FormatCaption(const FrameHeader& header) {
    char text[kTextMax + 1];
    return std::string(text, FormatCaptionInto(header, text));
}

PicturePipeline::PicturePipeline() = default;

PicturePipeline::~PicturePipeline() = default;

PicturePipeline::Size PicturePipeline::ResolutionSize(int code, VideoCodec codec) {
    static constexpr Size kSizes[26] = {
        {320, 240}, {352, 288}, {640, 240}, {704, 288}, {640, 480}, {704, 576}, {360, 288},
        {352, 240}, {720, 480}, {720, 240}, {320, 240}, {320, 240}, {720, 576}, {720, 288},
        {720, 288}, {704, 480}, {704, 240}, {160, 120}, {160, 112}, {176, 144}, {176, 112},
        {180, 144}, {180, 112}, {368, 240}, {368, 288}, {160, 112},
    };
    if (code < 0 || code > 25) return {320, 240};
    Size size = kSizes[code];
    if ((TraitsOf(codec).resolutionsAt704 >> code) & 1u) size.width = 704;
    return size;
}

DecodeResult PicturePipeline::Decode(const FrameHeader& header, const FrameExtension& extension,
                                     std::span<const std::uint8_t> data, const CaptionDescriptor* caption,
                                     std::span<const std::uint8_t> captionText, bool keepPicture) {
    if (header.mediaKind != kMediaVideo) return {};
    const VideoCodec codec = VideoCodecFromRecord(header.codec);
    const VideoCodecTraits& traits = TraitsOf(codec);
    const std::span<const std::uint8_t> record = data.first(std::min<std::size_t>(header.dataLength, data.size()));

    // Picture size: the extension block's when it has one, else the code's.
    PictureSize size;
    const bool withExtension = header.hasExtensionFlag() && extension.hasMarker();
    if (withExtension) {
        size = {extension.extWidth, extension.extHeight};
        const int shownHeight = (header.resolution == 2 || header.resolution == 3) ? size.height * 2 : size.height;
        // The name ends at its NUL, or at the end of its 48 bytes.
        const std::size_t nameLength = strnlen(extension.extName.data(), extension.extName.size());
        char text[kTextMax + 1];
        const int n = std::snprintf(text, sizeof text, "%.*s  [%d * %d]", static_cast<int>(nameLength),
                                    extension.extName.data(), korvane::DisplayWidth(codec, size.width), shownHeight);
        SetStreamInfo(text, n < 0 ? 0 : static_cast<std::size_t>(n));
    } else {
        const Size coded = ResolutionSize(header.resolution, codec);
        size = {coded.width, coded.height};
        SetStreamInfo("", 0);
    }

    VideoStatus status = VideoStatus::NoPicture;
    PictureSize shown;
    AVFrameUPtr jpeg;
    switch (traits.path) {
        case DecoderPath::None:
            return {kCodecUnknown, nullptr};
        case DecoderPath::Video:
            if (!(size == m_videoSize) || codec != m_decoderCodec) SetUpDecoder(codec, size);
            status = m_videoDecoder.DecodePicture(record, size, header.frameType == kFrameKey, shown);
            break;
        case DecoderPath::Sdi:
            status = DecodeSdi(codec, record, size, shown);
            break;
        case DecoderPath::Jpeg:
            // JPEG pictures stand alone: the video decoder keeps its set-up,
            // but the next video record of another size sets it up again.
            m_videoSize = size;
            jpeg = m_jpegDecoder.Decode(record, kLargestPictureBytes);
            if (jpeg) {
                status = VideoStatus::Picture;
                shown = {jpeg->width, jpeg->height};
            }
            break;
    }
    WriteCaption(header);
    if (status != VideoStatus::Picture) return {};
    if (!keepPicture || !GivesPicture(header)) return {1, nullptr};

    // A size no camera records comes from a damaged record.
    if (std::size_t(shown.width) * std::size_t(shown.height) * 3 > kLargestPictureBytes) return {};
    AVFrameUPtr frame = jpeg ? std::move(jpeg) : m_videoDecoder.RefPicture();
    if (!frame) return {};
    m_largePicture = shown.width > 600;
    const RowOrder order = traits.path == DecoderPath::Jpeg ? RowOrder::TopFirst : traits.order;
    return {1, Keep(std::move(frame), shown, order, caption, captionText)};
}

DecodedHandle PicturePipeline::Keep(AVFrameUPtr frame, PictureSize shown, RowOrder order,
                                    const CaptionDescriptor* caption, std::span<const std::uint8_t> captionText) {
    std::optional<RecordedCaption> recorded;
    if (caption && caption->captionMarker == kCaptionMarker && caption->captionEnabled == 1) {
        const auto length = std::min<std::size_t>(caption->textLength, captionText.size());
        recorded = RecordedCaption{*caption, std::string(reinterpret_cast<const char*>(captionText.data()), length)};
    }
    return std::make_shared<const DecodedPicture>(
        std::move(frame), shown, order, std::move(recorded),
        PictureLines{m_caption.str(), m_streamInfo.str(), m_captionCamera, m_captionTime});
}

VideoStatus PicturePipeline::DecodeSdi(VideoCodec codec, std::span<const std::uint8_t> record, PictureSize size,
                                       PictureSize& shown) {
    // The size compared is the one the decoder was set up with, which JPEG
    // records in between leave alone.
    if (!(m_videoDecoder.SetUpSize() == size) || m_decoderCodec != codec) {
        m_decoderCodec = codec;
        m_videoDecoder.Open(codec, size);
    }
    return m_videoDecoder.DecodePicture(record, size, false, shown);
}

void PicturePipeline::SetUpDecoder(VideoCodec codec, PictureSize size) {
    m_decoderCodec = codec;
    m_videoSize = size;
    const bool beyond720p = std::int64_t(size.width) * size.height > 1280 * 720;
    m_videoDecoder.SetThreads(m_decoderThreads > 1 && beyond720p ? DecoderThreads{.count = m_decoderThreads, .slice = true}
                                                                  : DecoderThreads{});
    m_videoDecoder.Open(codec, size);
}

void PicturePipeline::WriteCaption(const FrameHeader& header) {
    char text[kTextMax + 1];
    m_caption.Assign(text, FormatCaptionInto(header, text));
    m_captionCamera = header.camera;
    m_captionTime = header.timeStamp;
}

void PicturePipeline::SetStreamInfo(const char* text, std::size_t length) { m_streamInfo.Assign(text, length); }

}  // namespace korvane
