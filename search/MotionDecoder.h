// The search's own libavcodec decoder: every record of a camera goes in, in
// order, and its pictures come out a few records later, decoded on frame
// threads (the player's decoder gives each picture at once on one thread;
// a search wants throughput instead). Each record carries a tag that comes
// back with its picture.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "decode/VideoCodec.h"
#include "media/FFmpegPtr.h"
#include "search/CellChange.h"

namespace korvane {

class MotionDecoder {
public:
    // A decoded picture's luma and the tag of the record it came from.
    using Sink = std::function<void(const LumaPlane& luma, std::int64_t tag)>;
    // Fills the record's bytes into the span; false when they cannot be read.
    using Fill = std::function<bool(std::span<std::uint8_t>)>;

    // False when libavcodec has no decoder for the codec here.
    bool Open(VideoCodec codec, int threads);
    bool IsOpen() const { return m_context != nullptr; }
    VideoCodec Codec() const { return m_codec; }

    // Sends a record `length` bytes long. Records the decoder refuses are
    // skipped (the next key picture recovers); false only when the record
    // cannot be read or memory runs out.
    bool Send(std::size_t length, const Fill& fill, std::int64_t tag, const Sink& sink);
    // Takes the pictures still inside the decoder.
    void Drain(const Sink& sink);

private:
    void Receive(const Sink& sink);

    VideoCodec m_codec = VideoCodec::Unknown;
    AVCodecContextUPtr m_context;
    AVPacketUPtr m_packet;
    AVFrameUPtr m_frame;
};

}  // namespace korvane
