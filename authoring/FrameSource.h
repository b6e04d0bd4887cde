// Turns elementary streams made by real encoders into what a recorder stores
// one per record: video split into single pictures with libavcodec's parsers
// (each marked key or not), audio cut into blocks. Also small libavcodec
// decoders so that tests can check what a frame or block decodes to.
// Failures throw std::runtime_error: these are tools for tests and for the
// recording maker, not part of the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

extern "C" {
struct AVCodecParserContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
}

namespace korvane::testing {

struct ParserDeleter {
    void operator()(AVCodecParserContext* parser) const;
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const;
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const;
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const;
};
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

enum class VideoStream { Mpeg4, H264, Mjpeg };

// One coded picture: an MPEG-4 VOP (the first one with the stream's VOS/VOL
// headers in front), an H.264 access unit (SPS and PPS in front of every IDR
// picture), or one complete JPEG.
struct VideoFrame {
    std::vector<std::uint8_t> bytes;
    bool key = false;  // decodable on its own: MPEG-4 I-VOP, H.264 IDR, every JPEG
};

struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize&) const = default;
};

std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The stream kind from a file name: .m4v, .h264, .mjpeg.
VideoStream VideoStreamFromPath(const std::string& path);

// Splits a stream into pictures. Throws when a piece the parser returns is
// not exactly one picture, or a key picture lacks the headers it needs.
std::vector<VideoFrame> SplitVideoFrames(std::span<const std::uint8_t> stream, VideoStream kind);
std::vector<VideoFrame> ReadVideoFrames(const std::string& path);

// Cuts raw audio (G.721 codes, PCM) into blocks of blockSize bytes; the last
// block is shorter when the data does not divide evenly.
std::vector<std::vector<std::uint8_t>> SplitBlocks(std::span<const std::uint8_t> data,
                                                   std::size_t blockSize);
std::vector<std::vector<std::uint8_t>> ReadAudioBlocks(const std::string& path, std::size_t blockSize);

// The blocks of a mono IMA ADPCM WAV file. Throws unless the file is IMA
// ADPCM, mono, with the given block size, and its data chunk lies inside the
// file and holds whole blocks.
struct ImaWavFormat {
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t samplesPerBlock = 0;
};
struct ImaWav {
    ImaWavFormat format;
    std::vector<std::vector<std::uint8_t>> blocks;
};
ImaWav ReadImaAdpcmWav(const std::string& path, std::uint16_t blockAlign = 508);

// Decodes pictures in stream order and reports the size of each picture the
// decoder gives back (pictures may come out later than their frame).
class VideoDecoder {
public:
    explicit VideoDecoder(VideoStream kind);
    std::vector<PictureSize> Decode(std::span<const std::uint8_t> frame);
    std::vector<PictureSize> Flush();

private:
    std::vector<PictureSize> Receive();

    CodecContextPtr m_context;
    PacketPtr m_packet;
    FramePtr m_frame;
};

enum class AudioCoding { G726, ImaAdpcm };

// Decodes audio blocks of mono 8 kHz audio to 16-bit samples: G.721 as
// G.726 at 4 bits a code, or IMA ADPCM in blocks of blockAlign bytes.
class AudioDecoder {
public:
    explicit AudioDecoder(AudioCoding coding, int blockAlign = 508);
    std::vector<std::int16_t> Decode(std::span<const std::uint8_t> block);

private:
    CodecContextPtr m_context;
    PacketPtr m_packet;
    FramePtr m_frame;
};

}  // namespace korvane::testing
