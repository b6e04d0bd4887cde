#include "authoring/FrameSource.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

#include "recording/ByteOrder.h"

namespace korvane::testing {

void ParserDeleter::operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
void CodecContextDeleter::operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
void PacketDeleter::operator()(AVPacket* packet) const { av_packet_free(&packet); }
void FrameDeleter::operator()(AVFrame* frame) const { av_frame_free(&frame); }

namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

std::string ErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

AVCodecID CodecId(VideoStream kind) {
    switch (kind) {
        case VideoStream::Mpeg4: return AV_CODEC_ID_MPEG4;
        case VideoStream::H264: return AV_CODEC_ID_H264;
        case VideoStream::Mjpeg: return AV_CODEC_ID_MJPEG;
    }
    Fail("unknown stream kind");
}

const char* KindName(VideoStream kind) {
    switch (kind) {
        case VideoStream::Mpeg4: return "MPEG-4";
        case VideoStream::H264: return "H.264";
        case VideoStream::Mjpeg: return "JPEG";
    }
    return "?";
}

// A start code 00 00 01 and the byte after it.
struct StartCode {
    std::size_t at;     // offset of the byte after 00 00 01
    std::uint8_t code;  // that byte
};

std::vector<StartCode> FindStartCodes(std::span<const std::uint8_t> bytes) {
    std::vector<StartCode> codes;
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1) {
            codes.push_back({i + 3, bytes[i + 3]});
            i += 2;
        }
    }
    return codes;
}

// MPEG-4 Part 2: one VOP start code (B6) a frame; the first frame also
// carries the video object layer header (20-2F) in front of its VOP.
// vop_coding_type, the top two bits after B6, is 0 for an I-VOP.
VideoFrame CheckMpeg4Frame(std::vector<std::uint8_t> bytes, bool first) {
    const auto codes = FindStartCodes(bytes);
    std::size_t vops = 0;
    bool vol = false;
    bool intra = false;
    for (const StartCode& sc : codes) {
        if (sc.code == 0xB6) {
            if (sc.at + 1 >= bytes.size()) Fail("MPEG-4 frame ends inside its VOP header");
            ++vops;
            intra = (bytes[sc.at + 1] >> 6) == 0;
        } else if (sc.code >= 0x20 && sc.code <= 0x2F && vops == 0) {
            vol = true;
        } else if (vops > 0 && sc.code != 0xB1) {  // only an end-of-sequence code may follow the VOP
            Fail("MPEG-4 frame has a start code after its VOP");
        }
    }
    if (vops != 1) Fail("MPEG-4 frame holds " + std::to_string(vops) + " VOPs");
    if (first && !vol) Fail("first MPEG-4 frame has no VOL header");
    return {std::move(bytes), intra};
}

// H.264: one primary picture an access unit (exactly one slice whose
// first_mb_in_slice is 0; that ue(v) is 0 exactly when its first bit is 1).
// An IDR access unit must bring its SPS and PPS in front of the slices.
VideoFrame CheckH264Frame(std::vector<std::uint8_t> bytes) {
    const auto codes = FindStartCodes(bytes);
    std::size_t pictures = 0;
    bool idr = false;
    bool sps = false;
    bool pps = false;
    bool sliceSeen = false;
    for (const StartCode& sc : codes) {
        const int type = sc.code & 0x1F;
        if (type == 7 && !sliceSeen) sps = true;
        if (type == 8 && !sliceSeen) pps = true;
        if (type == 1 || type == 5) {
            if (sc.at + 1 >= bytes.size()) Fail("H.264 access unit ends inside a slice header");
            sliceSeen = true;
            if (bytes[sc.at + 1] & 0x80) ++pictures;
            if (type == 5) idr = true;
        }
    }
    if (pictures != 1) Fail("H.264 access unit holds " + std::to_string(pictures) + " pictures");
    if (idr && !(sps && pps)) Fail("H.264 IDR access unit without SPS and PPS in front");
    return {std::move(bytes), idr};
}

VideoFrame CheckJpegFrame(std::vector<std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    if (n < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[n - 2] != 0xFF || bytes[n - 1] != 0xD9)
        Fail("JPEG frame does not run from SOI to EOI");
    return {std::move(bytes), true};
}

CodecContextPtr AllocContext(AVCodecID id, const AVCodec** codecOut = nullptr) {
    const AVCodec* codec = avcodec_find_decoder(id);
    if (!codec) Fail(std::string("no decoder for ") + avcodec_get_name(id));
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) Fail("avcodec_alloc_context3 failed");
    if (codecOut) *codecOut = codec;
    return context;
}

void OpenContext(AVCodecContext* context, const AVCodec* codec) {
    if (int error = avcodec_open2(context, codec, nullptr); error < 0)
        Fail(std::string("cannot open ") + codec->name + ": " + ErrorText(error));
}

PacketPtr AllocPacket() {
    PacketPtr packet(av_packet_alloc());
    if (!packet) Fail("av_packet_alloc failed");
    return packet;
}

FramePtr AllocFrame() {
    FramePtr frame(av_frame_alloc());
    if (!frame) Fail("av_frame_alloc failed");
    return frame;
}

// Copies a frame or block into the packet with the padding decoders expect.
void FillPacket(AVPacket* packet, std::span<const std::uint8_t> bytes) {
    av_packet_unref(packet);
    if (bytes.size() > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) Fail("packet too large");
    if (int error = av_new_packet(packet, static_cast<int>(bytes.size())); error < 0)
        Fail("av_new_packet: " + ErrorText(error));
    if (!bytes.empty()) std::memcpy(packet->data, bytes.data(), bytes.size());
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open " + path);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) Fail("cannot read " + path);
    return bytes;
}

VideoStream VideoStreamFromPath(const std::string& path) {
    if (EndsWith(path, ".m4v")) return VideoStream::Mpeg4;
    if (EndsWith(path, ".h264")) return VideoStream::H264;
    if (EndsWith(path, ".mjpeg")) return VideoStream::Mjpeg;
    Fail("unknown video stream kind: " + path);
}

std::vector<VideoFrame> SplitVideoFrames(std::span<const std::uint8_t> stream, VideoStream kind) {
    const AVCodecID id = CodecId(kind);
    ParserPtr parser(av_parser_init(id));
    if (!parser) Fail(std::string("no parser for ") + KindName(kind));
    CodecContextPtr context = AllocContext(id);
    if (stream.size() > INT_MAX) Fail("stream too large");

    // The parser reads up to AV_INPUT_BUFFER_PADDING_SIZE bytes past the end.
    std::vector<std::uint8_t> padded(stream.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    std::copy(stream.begin(), stream.end(), padded.begin());

    std::vector<std::vector<std::uint8_t>> pieces;
    const std::uint8_t* in = padded.data();
    int left = static_cast<int>(stream.size());
    for (;;) {
        std::uint8_t* out = nullptr;
        int outSize = 0;
        // With nothing left the call flushes the parser's last frame.
        const int used = av_parser_parse2(parser.get(), context.get(), &out, &outSize, in, left,
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0 || used > left) Fail(std::string(KindName(kind)) + " parser failed");
        if (outSize > 0) pieces.emplace_back(out, out + outSize);
        if (left == 0 && outSize == 0) break;
        if (left > 0 && used == 0 && outSize == 0) Fail(std::string(KindName(kind)) + " parser stalled");
        in += used;
        left -= used;
    }

    std::vector<VideoFrame> frames;
    frames.reserve(pieces.size());
    for (auto& piece : pieces) {
        switch (kind) {
            case VideoStream::Mpeg4: frames.push_back(CheckMpeg4Frame(std::move(piece), frames.empty())); break;
            case VideoStream::H264: frames.push_back(CheckH264Frame(std::move(piece))); break;
            case VideoStream::Mjpeg: frames.push_back(CheckJpegFrame(std::move(piece))); break;
        }
    }
    return frames;
}

std::vector<VideoFrame> ReadVideoFrames(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    return SplitVideoFrames(bytes, VideoStreamFromPath(path));
}

std::vector<std::vector<std::uint8_t>> SplitBlocks(std::span<const std::uint8_t> data,
                                                   std::size_t blockSize) {
    if (blockSize == 0) Fail("block size 0");
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::size_t at = 0; at < data.size(); at += blockSize) {
        const std::size_t n = std::min(blockSize, data.size() - at);
        blocks.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(at),
                            data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return blocks;
}

std::vector<std::vector<std::uint8_t>> ReadAudioBlocks(const std::string& path, std::size_t blockSize) {
    return SplitBlocks(ReadWholeFile(path), blockSize);
}

ImaWav ReadImaAdpcmWav(const std::string& path, std::uint16_t blockAlign) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const auto tagIs = [&](std::size_t at, const char* tag) {
        return std::memcmp(&bytes[at], tag, 4) == 0;
    };
    if (bytes.size() < 12 || !tagIs(0, "RIFF") || !tagIs(8, "WAVE")) Fail(path + ": not a WAV file");

    ImaWav wav;
    bool haveFormat = false;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    std::size_t pos = 12;
    while (bytes.size() - pos >= 8) {
        const std::uint32_t length = LoadU32(&bytes[pos + 4]);
        const std::size_t body = pos + 8;
        if (length > bytes.size() - body) Fail(path + ": chunk runs past the end of the file");
        if (tagIs(pos, "fmt ")) {
            if (length < 20) Fail(path + ": format chunk too short");
            const std::uint8_t* f = &bytes[body];
            if (LoadU16(f) != 0x11) Fail(path + ": not IMA ADPCM");
            wav.format.channels = LoadU16(f + 2);
            wav.format.sampleRate = LoadU32(f + 4);
            wav.format.blockAlign = LoadU16(f + 12);
            if (LoadU16(f + 14) != 4) Fail(path + ": IMA ADPCM must have 4 bits a sample");
            if (LoadU16(f + 16) < 2) Fail(path + ": format chunk lacks samples a block");
            wav.format.samplesPerBlock = LoadU16(f + 18);
            haveFormat = true;
        } else if (tagIs(pos, "data")) {
            data = std::span(bytes).subspan(body, length);
            haveData = true;
        }
        pos = body + length + (length & 1);
        if (pos > bytes.size()) break;  // a pad byte missing after the last chunk
    }
    if (!haveFormat || !haveData) Fail(path + ": format or data chunk missing");
    const ImaWavFormat& f = wav.format;
    if (f.channels != 1) Fail(path + ": not mono");
    if (f.blockAlign != blockAlign) Fail(path + ": block size " + std::to_string(f.blockAlign));
    // Mono IMA ADPCM: a 4-byte header with the first sample, then two codes a byte.
    if (f.samplesPerBlock != (blockAlign - 4) * 2 + 1) Fail(path + ": samples a block do not match");
    if (data.empty() || data.size() % blockAlign != 0) Fail(path + ": data is not whole blocks");
    wav.blocks = SplitBlocks(data, blockAlign);
    return wav;
}

VideoDecoder::VideoDecoder(VideoStream kind) {
    const AVCodec* codec = nullptr;
    m_context = AllocContext(CodecId(kind), &codec);
    m_context->thread_count = 1;  // pictures come out in step with the frames
    OpenContext(m_context.get(), codec);
    m_packet = AllocPacket();
    m_frame = AllocFrame();
}

std::vector<PictureSize> VideoDecoder::Decode(std::span<const std::uint8_t> frame) {
    FillPacket(m_packet.get(), frame);
    if (int error = avcodec_send_packet(m_context.get(), m_packet.get()); error < 0)
        Fail("avcodec_send_packet: " + ErrorText(error));
    return Receive();
}

std::vector<PictureSize> VideoDecoder::Flush() {
    if (int error = avcodec_send_packet(m_context.get(), nullptr); error < 0 && error != AVERROR_EOF)
        Fail("avcodec_send_packet: " + ErrorText(error));
    return Receive();
}

std::vector<PictureSize> VideoDecoder::Receive() {
    std::vector<PictureSize> sizes;
    for (;;) {
        const int error = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) break;
        if (error < 0) Fail("avcodec_receive_frame: " + ErrorText(error));
        sizes.push_back({m_frame->width, m_frame->height});
        av_frame_unref(m_frame.get());
    }
    return sizes;
}

AudioDecoder::AudioDecoder(AudioCoding coding, int blockAlign) {
    const AVCodec* codec = nullptr;
    m_context = AllocContext(coding == AudioCoding::G726 ? AV_CODEC_ID_ADPCM_G726LE
                                                         : AV_CODEC_ID_ADPCM_IMA_WAV,
                             &codec);
    m_context->sample_rate = 8000;
    av_channel_layout_default(&m_context->ch_layout, 1);
    m_context->bits_per_coded_sample = 4;
    if (coding == AudioCoding::ImaAdpcm) m_context->block_align = blockAlign;
    OpenContext(m_context.get(), codec);
    m_packet = AllocPacket();
    m_frame = AllocFrame();
}

std::vector<std::int16_t> AudioDecoder::Decode(std::span<const std::uint8_t> block) {
    FillPacket(m_packet.get(), block);
    if (int error = avcodec_send_packet(m_context.get(), m_packet.get()); error < 0)
        Fail("avcodec_send_packet: " + ErrorText(error));
    std::vector<std::int16_t> samples;
    for (;;) {
        const int error = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) break;
        if (error < 0) Fail("avcodec_receive_frame: " + ErrorText(error));
        const auto format = static_cast<AVSampleFormat>(m_frame->format);
        if (format != AV_SAMPLE_FMT_S16 && format != AV_SAMPLE_FMT_S16P)
            Fail("unexpected sample format from the audio decoder");
        // Mono: packed and planar hold the same samples in data[0].
        const auto* first = reinterpret_cast<const std::int16_t*>(m_frame->data[0]);
        samples.insert(samples.end(), first, first + m_frame->nb_samples);
        av_frame_unref(m_frame.get());
    }
    return samples;
}

}  // namespace korvane::testing
