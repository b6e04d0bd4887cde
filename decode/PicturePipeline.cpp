#include "decode/PicturePipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

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

PicturePipeline::PicturePipeline() { GrowPictureBuffers(kPictureBufferStart); }

PicturePipeline::~PicturePipeline() = default;

void PicturePipeline::GrowPictureBuffers(std::size_t capacity) {
    m_decodeBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    m_pictureBufferSize = capacity;
}

bool PicturePipeline::EnsureCapacity(int width, int height, std::size_t capacity) {
    const std::size_t needed = std::size_t(std::max(width, 0)) * std::size_t(std::max(height, 0)) * 3;
    if (m_pictureBufferSize >= needed) return true;
    // A size no camera records comes from a damaged record: the buffers stay
    // as they are and the decoders refuse a picture that does not fit them.
    if (capacity > kPictureBufferMax) return false;
    GrowPictureBuffers(capacity);
    return m_pictureBufferSize >= needed;
}

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

int PicturePipeline::DecodeVideoFrame(const FrameHeader& header, const FrameExtension& extension,
                                      std::span<const std::uint8_t> data,
                                      const CaptionDescriptor* caption,
                                      std::span<const std::uint8_t> captionText, int show) {
    if (header.mediaKind != kMediaVideo) return 0;
    const VideoCodec codec = VideoCodecFromRecord(header.codec);
    const VideoCodecTraits& traits = TraitsOf(codec);
    const std::span<const std::uint8_t> record = data.first(std::min<std::size_t>(header.dataLength, data.size()));

    // Picture size: the extension block's when it has one, else the code's.
    int width, height;
    const bool withExtension = header.hasExtensionFlag() && extension.hasMarker();
    if (withExtension) {
        width = extension.extWidth;
        height = extension.extHeight;
        const int shownHeight = (header.resolution == 2 || header.resolution == 3) ? height * 2 : height;
        // The name ends at its NUL, or at the end of its 48 bytes.
        const std::size_t nameLength = strnlen(extension.extName.data(), extension.extName.size());
        char text[kTextMax + 1];
        const int n = std::snprintf(text, sizeof text, "%.*s  [%d * %d]", static_cast<int>(nameLength),
                                    extension.extName.data(), korvane::DisplayWidth(codec, width), shownHeight);
        SetStreamInfo(text, n < 0 ? 0 : static_cast<std::size_t>(n));
    } else {
        const Size size = ResolutionSize(header.resolution, codec);
        width = size.width;
        height = size.height;
        SetStreamInfo("", 0);
    }

    m_topDown = 0;
    bool decoded = false;
    int outWidth = 0, outHeight = 0;
    switch (traits.path) {
        case DecoderPath::None:
            return kCodecUnknown;
        case DecoderPath::Video:
            m_topDown = traits.order == RowOrder::TopFirst;
            if (width != m_videoWidth || height != m_videoHeight || codec != m_decoderCodec) {
                SetUpDecoder(codec, width, height);
            }
            decoded = Decompress(record, {width, height}, header.frameType == kFrameKey, show != 0, &outWidth,
                                 &outHeight);
            break;
        case DecoderPath::Sdi:
            decoded = DecodeSdiFrame(codec, record, width, height, &outWidth, &outHeight, show != 0) != 0;
            break;
        case DecoderPath::Jpeg:
            // JPEG pictures stand alone: the video decoder keeps its set-up.
            if (width != m_videoWidth || height != m_videoHeight) {
                EnsureCapacity(width, height, std::size_t(width) * height * 3);
                m_videoWidth = width;
                m_videoHeight = height;
            }
            decoded = DecodeJpegFrame(record, &outWidth, &outHeight) != 0;
            if (decoded) m_topDown = 1;
            break;
    }
    // A codec that writes the asked size delivers a picture of that size.
    if (traits.sizing == PictureSizing::AskedSize) {
        outWidth = width;
        outHeight = height;
    }
    WriteCaption(header);

    if (decoded && show != 0) {
        if (header.frameType != kFrameDecoderOnly && header.frameType != kFrameDecoderOnly4) {
            // Rows are written at the display width.
            const int rowWidth = korvane::DisplayWidth(codec, outWidth);
            PresentPicture(m_decodeBuffer.get(), rowWidth, m_topDown ? -outHeight : outHeight,
                           caption, captionText);
            m_largePicture = outWidth > 600 ? 1 : 0;
        }
    }
    return decoded ? 1 : 0;
}

int PicturePipeline::DecodeSdiFrame(VideoCodec codec, std::span<const std::uint8_t> record, int width,
                                    int height, int* widthOut, int* heightOut, bool convert) {
    EnsureCapacity(width, height, std::size_t(width) * height * 3 + TraitsOf(codec).spareBytes);
    // The size compared is the one the decoder was set up with, which JPEG
    // records in between leave alone.
    if (!(m_videoDecoder.SetUpSize() == PictureSize{width, height}) || m_decoderCodec != codec) {
        m_decoderCodec = codec;
        m_videoDecoder.Open(codec, {width, height});
    }
    return Decompress(record, {width, height}, false, convert, widthOut, heightOut) ? 1 : 0;
}

void PicturePipeline::SetUpDecoder(VideoCodec codec, int width, int height) {
    EnsureCapacity(width, height, std::size_t(width) * height * 3 + TraitsOf(codec).spareBytes);
    m_decoderCodec = codec;
    m_videoWidth = width;
    m_videoHeight = height;
    m_videoDecoder.Open(codec, {width, height});
}

bool PicturePipeline::Decompress(std::span<const std::uint8_t> record, PictureSize recordSize, bool keyFrame,
                                 bool convert, int* widthOut, int* heightOut) {
    PictureSize written;
    if (m_videoDecoder.DecodePicture(record, recordSize, keyFrame, convert ? m_decodeBuffer.get() : nullptr,
                                     m_pictureBufferSize, written) != VideoStatus::Picture) {
        return false;
    }
    *widthOut = written.width;
    *heightOut = written.height;
    return true;
}

int PicturePipeline::DecodeJpegFrame(std::span<const std::uint8_t> record, int* widthOut, int* heightOut) {
    return m_jpegDecoder.Decode(record.data(), record.size(), m_decodeBuffer.get(), m_pictureBufferSize,
                                widthOut, heightOut);
}

void PicturePipeline::PresentPicture(std::uint8_t* picture, int width, int height,
                                     const CaptionDescriptor* caption,
                                     std::span<const std::uint8_t> captionText) {
    if (caption && caption->captionMarker == kCaptionMarker && caption->captionEnabled == 1) {
        m_textOverlay.SetPosition(caption->textX, caption->textY);
        m_textOverlay.SetFont(caption->font);
        m_textOverlay.SetColor(caption->textColor);
        const auto length = std::min<std::size_t>(caption->textLength, captionText.size());
        m_textOverlay.InsertText(picture, width, height,
                                 reinterpret_cast<const char*>(captionText.data()), static_cast<int>(length));
    }
    const int rows = std::abs(height);
    const std::size_t rowBytes = std::size_t(std::max(width, 0)) * 3;
    if (rowBytes * std::size_t(rows) > m_pictureBufferSize) return;  // the decoders never deliver such a picture
    if (!m_pictureSink) return;
    auto shown = std::make_shared<Picture>();
    shown->width = std::max(width, 0);
    shown->height = rows;
    shown->pixels.resize(rowBytes * std::size_t(rows));
    for (int row = 0; row < rows; ++row) {
        // Bottom-up pictures are turned over here, in the one copy a picture gets.
        const int from = height < 0 ? row : rows - 1 - row;
        std::memcpy(shown->pixels.data() + rowBytes * std::size_t(row), picture + rowBytes * std::size_t(from), rowBytes);
    }
    shown->caption = m_caption.str();
    shown->streamInfo = m_streamInfo.str();
    shown->camera = m_captionCamera;
    shown->captureTime = m_captionTime;
    shown->presentedAt = std::chrono::steady_clock::now();
    m_pictureSink(std::move(shown));
}

void PicturePipeline::WriteCaption(const FrameHeader& header) {
    char text[kTextMax + 1];
    m_caption.Assign(text, FormatCaptionInto(header, text));
    m_captionCamera = header.camera;
    m_captionTime = header.timeStamp;
}

void PicturePipeline::SetStreamInfo(const char* text, std::size_t length) { m_streamInfo.Assign(text, length); }

}  // namespace korvane
