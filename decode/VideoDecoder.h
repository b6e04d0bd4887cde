// The one libavcodec video decoder of the player, set up for a codec of the
// record and the record's picture size. By default one record goes in and
// its picture comes out at once: the decoder runs single-threaded in
// low-delay mode, so it never holds a picture back. Frame or slice threads
// can be asked for instead; then pictures may come out records later, and
// Drain gives those still held at the end.
//
// A decoded picture is handed out as a reference of its own (RefPicture):
// libavcodec never writes into a buffer while a reference to it is held, so
// the decoder goes on with other buffers from its pool. Steady decoding
// allocates no picture buffer of its own: the packet with its padded copy of
// the record (it only grows) and the frame are kept from one record to the
// next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "decode/VideoCodec.h"
#include "media/FFmpegPtr.h"

namespace korvane {

// What a decode step came to.
enum class VideoStatus {
    Picture,    // a picture was decoded
    NoPicture,  // the record was taken but gave no picture (yet)
    BadData,    // the decoder refused the record
    NotOpen,    // no decoder set up
    Failed,     // out of memory or another failure of the library
};

// How libavcodec may spread decoding over threads. The default (one thread)
// decodes on the calling thread in low-delay mode.
struct DecoderThreads {
    int count = 1;
    bool frame = false;  // several pictures at once: pictures come out late
    bool slice = false;  // the slices of one picture at once: each picture still leaves with its record
    bool operator==(const DecoderThreads&) const = default;
};

class VideoDecoder {
public:
    explicit VideoDecoder(DecoderThreads threads = {});
    // The threads of the next Open.
    void SetThreads(DecoderThreads threads) { m_threads = threads; }
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

    // Decodes one record. On Picture, `shown` is the size the picture is
    // shown at: the record's for codecs that show the asked size, else the
    // stream's own (cropped to the set-up size when a little larger).
    VideoStatus DecodePicture(std::span<const std::uint8_t> record, PictureSize recordSize, bool keyFrame,
                              PictureSize& shown);
    // With threads: the next picture still held back once the records have
    // ended (NoPicture when none is left; the decoder then takes records again).
    VideoStatus Drain(PictureSize& shown);
    // The picture of the last step that gave one, as a reference of its own;
    // null without one.
    AVFrameUPtr RefPicture() const;

private:
    VideoStatus Send(std::span<const std::uint8_t> record, bool keyFrame);
    VideoStatus ReceivePicture();
    VideoStatus Shown(VideoStatus status, PictureSize& shown);
    bool Threaded() const { return m_threads.count > 1 && (m_threads.frame || m_threads.slice); }
    bool LatePictures() const { return m_threads.count > 1 && m_threads.frame; }

    DecoderThreads m_threads;
    VideoCodec m_codec = VideoCodec::Unknown;
    PictureSize m_setUpSize;
    PictureSize m_asked;  // the record size of the last record sent
    AVCodecContextUPtr m_context;
    AVPacketUPtr m_packet;
    AVFrameUPtr m_frame;
    bool m_havePicture = false;
    bool m_draining = false;
};

// Maps a libavcodec error code to a status; the one place where AVERROR
// values are interpreted.
VideoStatus StatusFromAvError(int error);

// The size a decoded picture is cropped to when `asked` was wanted: a
// dimension at most 16 pixels larger than asked becomes the asked one;
// otherwise the decoded one stands.
PictureSize CropToAsked(PictureSize decoded, PictureSize asked);

}  // namespace korvane
