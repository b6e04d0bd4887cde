// The one libavcodec video decoder of the player, set up for a codec of the
// record and the record's picture size, and the conversion of its pictures to
// BGR24. One record goes in and its picture comes out at once: the decoder
// runs single-threaded in low-delay mode, so it never holds a picture back.
//
// Steady decoding allocates nothing of its own per record: the packet with
// its padded copy of the record (it only grows), the frame and the scaler are
// kept from one record to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "decode/VideoCodec.h"
#include "media/FFmpegPtr.h"

namespace korvane {

// What a decode or conversion step came to.
enum class VideoStatus {
    Picture,    // a picture was decoded / written
    NoPicture,  // the record was taken but gave no picture (yet)
    BadData,    // the decoder refused the record
    TooLarge,   // the picture does not fit the destination; nothing written
    NotOpen,    // no decoder set up
    Failed,     // out of memory or another failure of the library
};

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

class VideoDecoder {
public:
    VideoDecoder();
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // (Re)creates the decoder for the codec and the record's picture size;
    // any state of earlier records is dropped. False for a codec libavcodec
    // does not decode here, or when it refused.
    bool Open(VideoCodec codec, PictureSize recordSize);
    void Close();
    bool IsOpen() const { return m_context != nullptr; }
    PictureSize SetUpSize() const { return m_setUpSize; }

    // Decodes one record and writes its picture into dest (capacity bytes)
    // as BGR24 rows in the codec's row order: at the record's size for codecs
    // that write the asked size, else at the stream's own (cropped to the
    // set-up size when a little larger). On Picture the size written, rows
    // of written.width pixels, is in `written`; nothing is written past
    // capacity. Without dest the picture is decoded but not converted (a
    // record that only brings the decoder up to date).
    VideoStatus DecodePicture(std::span<const std::uint8_t> record, PictureSize recordSize, bool keyFrame,
                              std::uint8_t* dest, std::size_t capacity, PictureSize& written);

private:
    VideoStatus Decode(std::span<const std::uint8_t> record, bool keyFrame);
    VideoStatus ReceivePicture();
    // Writes the decoded picture as out.width x out.height. A picture at most
    // 16 pixels wider or higher than that is centre-cropped; any other
    // difference is scaled.
    VideoStatus WritePicture(std::uint8_t* dest, std::size_t capacity, PictureSize out, RowOrder order);

    VideoCodec m_codec = VideoCodec::Unknown;
    PictureSize m_setUpSize;
    AVCodecContextUPtr m_context;
    AVPacketUPtr m_packet;
    AVFrameUPtr m_frame;
    SwsContextUPtr m_scaler;
    bool m_havePicture = false;
    // What the scaler was last set up for; a new size or format gives a new
    // scaler, which needs its colour set-up again.
    struct ScalerSetup {
        int sourceWidth = 0, sourceHeight = 0, format = -1, width = 0, height = 0;
        int colorspace = -1, range = -1;
        bool operator==(const ScalerSetup&) const = default;
    };
    ScalerSetup m_scalerSetup;
};

// Maps a libavcodec error code to a status; the one place where AVERROR
// values are interpreted.
VideoStatus StatusFromAvError(int error);

// The size a decoded picture is cropped to when `asked` was wanted: a
// dimension at most 16 pixels larger than asked becomes the asked one;
// otherwise the decoded one stands.
PictureSize CropToAsked(PictureSize decoded, PictureSize asked);

}  // namespace korvane
