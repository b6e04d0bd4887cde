#include "decode/VideoCodec.h"

#include <array>

namespace korvane {
namespace {

constexpr std::uint32_t Codes(std::initializer_list<int> codes) {
    std::uint32_t bits = 0;
    for (int code : codes) bits |= 1u << code;
    return bits;
}

constexpr VideoCodecTraits Mpeg4AtAskedSize(RowOrder order, WidthRule width, std::uint32_t at704) {
    return {DecoderPath::Video, AV_CODEC_ID_MPEG4, order, PictureSizing::AskedSize, width, false, false, at704};
}

constexpr VideoCodecTraits H264(DecoderPath path, bool fromRecorder) {
    return {path, AV_CODEC_ID_H264, RowOrder::BottomFirst, PictureSizing::StreamSize, WidthRule::AsCoded,
            fromRecorder, fromRecorder, 0};
}

constexpr VideoCodecTraits kUnknown{};
constexpr VideoCodecTraits kMpeg4Narrowed =
    Mpeg4AtAskedSize(RowOrder::BottomFirst, WidthRule::Narrow360And720, Codes({8, 9, 12, 13}));
constexpr VideoCodecTraits kMpeg4TopFirst = Mpeg4AtAskedSize(RowOrder::TopFirst, WidthRule::AsCoded, Codes({13}));
constexpr VideoCodecTraits kMpeg4 = Mpeg4AtAskedSize(RowOrder::BottomFirst, WidthRule::AsCoded, 0);
constexpr VideoCodecTraits kMpeg4StreamSize{DecoderPath::Video, AV_CODEC_ID_MPEG4, RowOrder::TopFirst,
                                            PictureSizing::StreamSize, WidthRule::Narrow368And720,
                                            true, false, 0};
constexpr VideoCodecTraits kJpeg{DecoderPath::Jpeg, AV_CODEC_ID_NONE, RowOrder::TopFirst,
                                 PictureSizing::StreamSize, WidthRule::AsCoded, false, false, 0};
constexpr VideoCodecTraits kH264 = H264(DecoderPath::Video, true);
constexpr VideoCodecTraits kSdi = H264(DecoderPath::Sdi, false);

}  // namespace

VideoCodec VideoCodecFromRecord(std::uint8_t codec) {
    switch (codec) {
        case 5: return VideoCodec::Mpeg4Narrowed;
        case 6: return VideoCodec::Mpeg4TopFirst;
        case 7: return VideoCodec::Mpeg4;
        case 8: return VideoCodec::Mpeg4StreamSize;
        case 9: return VideoCodec::Jpeg;
        case 10: return VideoCodec::H264;
        case 11: return VideoCodec::Sdi;
        case 13: return VideoCodec::H264Second;
        case 14: return VideoCodec::SdiSecond;
        default: return VideoCodec::Unknown;
    }
}

const char* VideoCodecName(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::Mpeg4Narrowed:
        case VideoCodec::Mpeg4TopFirst:
        case VideoCodec::Mpeg4: return "MPEG-4";
        case VideoCodec::Mpeg4StreamSize: return "MPEG-4 (second decoder)";
        case VideoCodec::Jpeg: return "JPEG";
        case VideoCodec::H264:
        case VideoCodec::H264Second: return "H.264";
        case VideoCodec::Sdi:
        case VideoCodec::SdiSecond: return "SDI";
        case VideoCodec::Unknown: break;
    }
    return "unknown";
}

const VideoCodecTraits& TraitsOf(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::Mpeg4Narrowed: return kMpeg4Narrowed;
        case VideoCodec::Mpeg4TopFirst: return kMpeg4TopFirst;
        case VideoCodec::Mpeg4: return kMpeg4;
        case VideoCodec::Mpeg4StreamSize: return kMpeg4StreamSize;
        case VideoCodec::Jpeg: return kJpeg;
        case VideoCodec::H264:
        case VideoCodec::H264Second: return kH264;
        case VideoCodec::Sdi:
        case VideoCodec::SdiSecond: return kSdi;
        case VideoCodec::Unknown: break;
    }
    return kUnknown;
}

int DisplayWidth(VideoCodec codec, int width) {
    switch (TraitsOf(codec).width) {
        case WidthRule::Narrow360And720:
            if (width == 360) return 352;
            break;
        case WidthRule::Narrow368And720:
            if (width == 368) return 352;
            break;
        case WidthRule::AsCoded:
            return width;
    }
    return width == 720 ? 704 : width;
}

}  // namespace korvane
