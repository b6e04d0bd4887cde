// One libavcodec video decoder and the conversion of its pictures to BGR24,
// shared by the codec adapter classes. One record goes in and its picture
// comes out at once: the decoder runs single-threaded in low-delay mode, so it
// never holds a picture back.
//
// Steady decoding allocates nothing of its own per record: the packet with
// its padded copy of the record (it only grows), the frame and the scaler are
// kept from one record to the next.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/FFmpegPtr.h"

namespace korvane {

enum class RowOrder { TopFirst, BottomFirst };

// What a decode or conversion step came to; each adapter turns these into
// its own result in one place.
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

class AvVideoDecoder {
public:
    explicit AvVideoDecoder(AVCodecID codecId);
    ~AvVideoDecoder();
    AvVideoDecoder(const AvVideoDecoder&) = delete;
    AvVideoDecoder& operator=(const AvVideoDecoder&) = delete;

    // (Re)creates the decoder; any state of earlier records is dropped.
    bool Open();
    void Close();
    bool IsOpen() const { return m_context != nullptr; }

    // Decodes one record. On Picture the picture is kept until the next call
    // of Decode or Close, for WritePicture.
    VideoStatus Decode(const std::uint8_t* data, std::size_t length, bool keyFrame = false);
    // Size of the kept picture; 0 x 0 when there is none.
    PictureSize DecodedSize() const;

    // Writes the kept picture as BGR24 rows of out.width x 3 bytes, out.height
    // rows, in the given order. A picture at most 16 pixels wider or higher
    // than asked is centre-cropped; any other difference is scaled. Nothing
    // is written when out does not fit capacity.
    VideoStatus WritePicture(std::uint8_t* dest, std::size_t capacity, PictureSize out,
                             RowOrder order);

    // One record in, its picture out at the stream's own size (cropped to
    // `initialized` when it is a little larger; `display` turns the coded
    // width into the width shown). The size written goes to `written`.
    VideoStatus DecodeAtStreamSize(const std::uint8_t* data, std::size_t length, bool keyFrame,
                                   std::uint8_t* dest, std::size_t capacity, PictureSize initialized,
                                   RowOrder order, PictureSize& written, int (*display)(int) = nullptr);

private:
    VideoStatus ReceivePicture();

    AVCodecID m_codecId;
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

// The size an adapter reports for a decoded picture when it was set up for
// `asked`: a dimension at most 16 pixels larger than asked is cropped to the
// asked one; otherwise the decoded one stands.
PictureSize CropToAsked(PictureSize decoded, PictureSize asked);

// The adapters' result: 1 for a picture written, 0 for anything else.
inline int AdapterResult(VideoStatus status) { return status == VideoStatus::Picture ? 1 : 0; }

// The decompress step of the adapters whose blocks carry data, length,
// picture, its capacity and the size out: the record decoded at the stream's
// own size into the block's picture, the size out filled in when a picture
// came; the adapter's result.
template <typename DecompressBlock>
int DecompressAtStreamSize(AvVideoDecoder& decoder, DecompressBlock& block, bool keyFrame,
                           PictureSize initialized, RowOrder order, int (*display)(int) = nullptr) {
    PictureSize out;
    const VideoStatus status = decoder.DecodeAtStreamSize(block.data, block.length, keyFrame, block.picture,
                                                          block.pictureCapacity, initialized, order, out, display);
    if (status == VideoStatus::Picture) {
        block.widthOut = static_cast<std::uint32_t>(out.width);
        block.heightOut = static_cast<std::uint32_t>(out.height);
    }
    return AdapterResult(status);
}

}  // namespace korvane
