#include "decode/PicturePipeline.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

// MPEG-4 decoder mode and second set-up argument for codecs 5, 6 and 7.
struct Mpeg4Mode {
    int mode;
    int second;
};
Mpeg4Mode Mpeg4ModeFor(int codec) {
    switch (codec) {
        case 5: return {1, 0};
        case 6: return {0, 0};
        default: return {2, 1};
    }
}

// The width the second MPEG-4 and the H.264 decoders are set up with.
std::uint32_t CappedWidth(int width) { return width > 700 ? 720u : static_cast<std::uint32_t>(width); }

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

PicturePipeline::PicturePipeline()
    : m_mp4ADecoder(std::make_unique<CMp4ADecoder>()),
      m_h264Decoder(std::make_unique<CAPIDecoderClass>()),
      m_sdiDecoder(std::make_unique<CSDI_Colorspace>()) {
    GrowPictureBuffers(kPictureBufferStart);
    VideoInitBlock first;
    first.flag = 0;
    first.width = 352;
    first.height = 240;
    m_mp4ADecoder->Initialize(first);
    m_h264Decoder->Initialize(first);
    SdiInitBlock sdi;
    sdi.width = 1280;
    sdi.height = 720;
    m_sdiDecoder->Initialize(sdi);
}

PicturePipeline::~PicturePipeline() {
    if (m_mpeg4Decoder) m_mpeg4Decoder->MPEG4DecodeClose(m_mpeg4Mode);
    m_mp4ADecoder->Release();
    m_h264Decoder->Release();
    m_sdiDecoder->Release();
}

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

PicturePipeline::Size PicturePipeline::ResolutionSize(int code, int codec) {
    static constexpr Size kSizes[26] = {
        {320, 240}, {352, 288}, {640, 240}, {704, 288}, {640, 480}, {704, 576}, {360, 288},
        {352, 240}, {720, 480}, {720, 240}, {320, 240}, {320, 240}, {720, 576}, {720, 288},
        {720, 288}, {704, 480}, {704, 240}, {160, 120}, {160, 112}, {176, 144}, {176, 112},
        {180, 144}, {180, 112}, {368, 240}, {368, 288}, {160, 112},
    };
    if (code < 0 || code > 25) return {320, 240};
    Size size = kSizes[code];
    const bool narrowFor5 = codec == 5 && (code == 8 || code == 9 || code == 12);
    const bool narrowFor5And6 = (codec == 5 || codec == 6) && code == 13;
    if (narrowFor5 || narrowFor5And6) size.width = 704;
    return size;
}

int PicturePipeline::DisplayWidth(int codec, int width) {
    if (codec == 8) {
        if (width == 368) return 352;
        if (width == 720) return 704;
    }
    if (codec == 5) {
        if (width == 360) return 352;
        if (width == 720) return 704;
    }
    return width;
}

void PicturePipeline::SetPictureFormat(int codec, int width, int height) {
    BitmapInfoHeader bmi;
    bmi.biWidth = DisplayWidth(codec, width);
    bmi.biHeight = m_topDown ? -height : height;
    bmi.biSizeImage = static_cast<std::uint32_t>(std::int64_t{bmi.biWidth} * height * 3);
    m_bmiHeader = bmi;
}

int PicturePipeline::DecodeVideoFrame(const FrameHeader& header, const FrameExtension& extension,
                                      std::span<const std::uint8_t> data,
                                      const CaptionDescriptor* caption,
                                      std::span<const std::uint8_t> captionText, int show) {
    if (header.mediaKind != kMediaVideo) return 0;
    const int codec = header.codec;
    const std::span<const std::uint8_t> record = data.first(std::min<std::size_t>(header.dataLength, data.size()));

    // Picture size: the extension block's when it has one, else the code's.
    int width, height;
    Size failedSize;  // what the format says when a non-MPEG-4 decode fails
    const bool withExtension = header.hasExtensionFlag() && extension.hasMarker();
    if (withExtension) {
        width = extension.extWidth;
        height = extension.extHeight;
        const int shownHeight = (header.resolution == 2 || header.resolution == 3) ? height * 2 : height;
        // The name ends at its NUL, or at the end of its 48 bytes.
        const std::size_t nameLength = strnlen(extension.extName.data(), extension.extName.size());
        char text[kTextMax + 1];
        const int n = std::snprintf(text, sizeof text, "%.*s  [%d * %d]", static_cast<int>(nameLength),
                                    extension.extName.data(), DisplayWidth(codec, width), shownHeight);
        SetStreamInfo(text, n < 0 ? 0 : static_cast<std::size_t>(n));
        failedSize = {DisplayWidth(codec, width), shownHeight};
    } else {
        const Size size = ResolutionSize(header.resolution, codec);
        width = size.width;
        height = size.height;
        SetStreamInfo("", 0);
    }

    m_topDown = 0;
    bool decoded = false;
    int outWidth = 0, outHeight = 0;
    const bool changed = width != m_videoWidth || height != m_videoHeight || codec != m_decoderCodec;
    switch (codec) {
        case 5:
        case 6:
        case 7: {
            m_topDown = codec == 6;
            if (changed) {
                EnsureCapacity(width, height, (std::size_t(width) * height + 1000) * 3);
                if (m_mpeg4Decoder) m_mpeg4Decoder->MPEG4DecodeClose(m_mpeg4Mode);
                const Mpeg4Mode mode = Mpeg4ModeFor(codec);
                m_decoderCodec = codec;
                m_mpeg4Mode = mode.mode;
                m_mpeg4Decoder = std::make_unique<CMP4CodecDll>();
                m_mpeg4Decoder->MPEG4DecodeInit(width, height, mode.mode, mode.second, 0);
                m_videoWidth = width;
                m_videoHeight = height;
            }
            decoded = m_mpeg4Decoder->MPEG4Decode(record.data(), m_decodeBuffer.get(), width, height,
                                                   static_cast<int>(record.size()), 0, m_mpeg4Mode,
                                                   m_pictureBufferSize) >= 1;
            outWidth = width;
            outHeight = height;
            break;
        }
        case 8: {
            m_topDown = 1;
            if (changed) SetUpDecoder(*m_mp4ADecoder, codec, width, height, 1);
            decoded = Decompress(*m_mp4ADecoder, Mp4ADecompressBlock{}, record, &outWidth, &outHeight);
            break;
        }
        case 9: {
            if (width != m_videoWidth || height != m_videoHeight) {
                EnsureCapacity(width, height, std::size_t(width) * height * 3);
                m_videoWidth = width;
                m_videoHeight = height;
            }
            decoded = DecodeJpegFrame(header.camera, record, m_decodeBuffer.get(), &outWidth, &outHeight) != 0;
            if (decoded) m_topDown = 1;
            break;
        }
        case 10:
        case 13: {
            if (changed) SetUpDecoder(*m_h264Decoder, codec, width, height, 0);
            H264DecompressBlock block;
            block.frameType = header.frameType;
            decoded = Decompress(*m_h264Decoder, block, record, &outWidth, &outHeight);
            break;
        }
        case 11:
        case 14:
            decoded = DecodeSdiFrame(header, record, width, height, &outWidth, &outHeight) != 0;
            break;
        default:
            return kCodecUnknown;
    }

    const bool mpeg4Family = codec >= 5 && codec <= 7;
    if (!decoded && !mpeg4Family) {
        outWidth = failedSize.width;
        outHeight = failedSize.height;
    }
    SetPictureFormat(codec, outWidth, outHeight);
    WriteCaption(header);

    if (decoded && show != 0) {
        SetPictureFormat(codec, outWidth, outHeight);
        if (header.frameType != kFrameDecoderOnly && header.frameType != kFrameDecoderOnly4) {
            // The adapters deliver rows of the display width.
            const int rowWidth = DisplayWidth(codec, outWidth);
            PresentPicture(m_decodeBuffer.get(), rowWidth, m_topDown ? -outHeight : outHeight,
                           caption, captionText);
            m_largePicture = outWidth > 600 ? 1 : 0;
        }
    }
    return decoded ? 1 : 0;
}

int PicturePipeline::DecodeSdiFrame(const FrameHeader& header, std::span<const std::uint8_t> data,
                                    int width, int height, int* widthOut, int* heightOut) {
    EnsureCapacity(width, height, std::size_t(width) * height * 3 + 3000);
    if (m_sdiDecoder->InitializedWidth() != width || m_sdiDecoder->InitializedHeight() != height ||
        m_decoderCodec != header.codec) {
        m_sdiDecoder->Release();
        m_decoderCodec = header.codec;
        SdiInitBlock init;
        init.width = static_cast<std::uint32_t>(width);
        init.height = static_cast<std::uint32_t>(height);
        m_sdiDecoder->Initialize(init);
    }
    const auto record = data.first(std::min<std::size_t>(header.dataLength, data.size()));
    return Decompress(*m_sdiDecoder, SdiDecompressBlock{}, record, widthOut, heightOut) ? 1 : 0;
}

template <typename Decoder>
void PicturePipeline::SetUpDecoder(Decoder& decoder, int codec, int width, int height, std::uint32_t initFlag) {
    EnsureCapacity(width, height, std::size_t(width) * height * 3);
    decoder.Release();
    m_decoderCodec = codec;
    m_videoWidth = width;
    m_videoHeight = height;
    VideoInitBlock init;
    init.flag = initFlag;
    init.width = CappedWidth(width);
    init.height = static_cast<std::uint32_t>(height);
    decoder.Initialize(init);
}

template <typename Decoder, typename DecompressBlock>
bool PicturePipeline::Decompress(Decoder& decoder, DecompressBlock block, std::span<const std::uint8_t> record,
                                 int* widthOut, int* heightOut) {
    block.data = record.data();
    block.length = static_cast<std::uint32_t>(record.size());
    block.picture = m_decodeBuffer.get();
    block.pictureCapacity = m_pictureBufferSize;
    if (decoder.Decompress(block) == 0) return false;
    *widthOut = static_cast<int>(block.widthOut);
    *heightOut = static_cast<int>(block.heightOut);
    return true;
}

int PicturePipeline::DecodeJpegFrame(int /*camera*/, std::span<const std::uint8_t> data,
                                     std::uint8_t* destination, int* widthOut, int* heightOut) {
    return m_jpegDecoder.Decode(data.data(), data.size(), destination, m_pictureBufferSize, widthOut,
                                heightOut);
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
    shown->presentedAt = std::chrono::steady_clock::now();
    m_pictureSink(std::move(shown));
}

void PicturePipeline::WriteCaption(const FrameHeader& header) {
    char text[kTextMax + 1];
    m_caption.Assign(text, FormatCaptionInto(header, text));
}

void PicturePipeline::SetStreamInfo(const char* text, std::size_t length) { m_streamInfo.Assign(text, length); }

}  // namespace korvane
