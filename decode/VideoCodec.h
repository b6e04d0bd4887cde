// The video codecs a record can name, and everything that differs between
// them for decoding: which decoder, the row order of the picture written,
// whether it is written at the size the record asks for or at the stream's
// own, and which widths are shown narrower than they are coded.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace korvane {

// The enumerators carry the record's codec byte, so that a codec can be
// written back to where the player still keeps it as a number.
enum class VideoCodec : std::uint8_t {
    Unknown = 0,
    Mpeg4Narrowed = 5,   // MPEG-4, bottom row first, 360 and 720 shown as 352 and 704
    Mpeg4TopFirst = 6,   // MPEG-4, top row first
    Mpeg4 = 7,           // MPEG-4, bottom row first
    Mpeg4StreamSize = 8, // MPEG-4 at the stream's size, 368 and 720 shown as 352 and 704
    Jpeg = 9,            // TurboJPEG
    H264 = 10,
    Sdi = 11,            // the HD cameras' H.264
    H264Second = 13,
    SdiSecond = 14,
};

// The one conversion from a record's codec byte.
VideoCodec VideoCodecFromRecord(std::uint8_t codec);
// The codec's name for people: "MPEG-4", "H.264", "JPEG", "SDI", "unknown".
const char* VideoCodecName(VideoCodec codec);

// The order the recorder stores a codec's rows in. Pictures are always shown
// top row first; the order decides only how a recorded caption is drawn.
enum class RowOrder { TopFirst, BottomFirst };

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

// Which part of the pipeline decodes a codec.
enum class DecoderPath { None, Video, Sdi, Jpeg };

// AskedSize: the picture is written at the record's size (scaled when the
// stream's differs by more than a crop margin). StreamSize: at the stream's
// own size, cropped to the record's when a little larger.
enum class PictureSizing { AskedSize, StreamSize };

// Coded widths shown narrower.
enum class WidthRule { AsCoded, Narrow360And720, Narrow368And720 };

struct VideoCodecTraits {
    DecoderPath path = DecoderPath::None;
    AVCodecID avCodec = AV_CODEC_ID_NONE;
    RowOrder order = RowOrder::TopFirst;
    PictureSizing sizing = PictureSizing::StreamSize;
    WidthRule width = WidthRule::AsCoded;
    bool capCropWidth = false;  // the crop box of a record wider than 700 is 720 wide
    bool passKeyFlag = false;   // the record's key flag goes to the decoder
    // Resolution codes whose table width is shown as 704 (bit n: code n).
    std::uint32_t resolutionsAt704 = 0;
};

const VideoCodecTraits& TraitsOf(VideoCodec codec);

// The width a picture coded `width` wide is shown at.
int DisplayWidth(VideoCodec codec, int width);

}  // namespace korvane
