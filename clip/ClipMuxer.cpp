#include "clip/ClipMuxer.h"

#include <cstdint>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace korvane {
namespace {

bool EndsWith(const std::string& text, const char* end) {
    const std::size_t n = std::strlen(end);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != end[i]) return false;
    return true;
}

// Copies the headers into extradata the codec parameters own.
bool SetExtradata(AVCodecParameters& par, const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return true;
    par.extradata = static_cast<std::uint8_t*>(av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (par.extradata == nullptr) return false;
    std::memcpy(par.extradata, bytes.data(), bytes.size());
    par.extradata_size = static_cast<int>(bytes.size());
    return true;
}

}  // namespace

std::optional<Container> ContainerForPath(const std::string& path) {
    if (EndsWith(path, ".mkv")) return Container::Matroska;
    if (EndsWith(path, ".mp4")) return Container::Mp4;
    return std::nullopt;
}

void ClipMuxer::ContextDeleter::operator()(AVFormatContext* context) const {
    context->pb = nullptr;  // the caller's
    avformat_free_context(context);
}

bool ClipMuxer::Failed(const char* what, int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    m_error = std::string(what) + ": " + text;
    return false;
}

void ClipMuxer::PacketDeleter::operator()(AVPacket* packet) const { av_packet_free(&packet); }

ClipMuxer::ClipMuxer() = default;
ClipMuxer::~ClipMuxer() = default;

bool ClipMuxer::Open(AVIOContext* io, Container container, const VideoTrack& video,
                     const std::optional<AudioTrack>& audio, const ClipTags& tags) {
    AVFormatContext* raw = nullptr;
    const char* format = container == Container::Matroska ? "matroska" : "mp4";
    if (io == nullptr || avformat_alloc_output_context2(&raw, nullptr, format, nullptr) < 0 || raw == nullptr)
        return Failed("the container cannot be made", AVERROR(ENOMEM));
    m_context.reset(raw);
    m_packet.reset(av_packet_alloc());
    if (!m_packet) return false;

    AVStream* v = avformat_new_stream(m_context.get(), nullptr);
    if (v == nullptr) return false;
    v->time_base = {1, kVideoTicksPerSecond};
    v->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    v->codecpar->codec_id = video.codec;
    v->codecpar->width = video.width;
    v->codecpar->height = video.height;
    if (!SetExtradata(*v->codecpar, video.extradata)) return false;

    if (audio) {
        AVStream* a = avformat_new_stream(m_context.get(), nullptr);
        if (a == nullptr) return false;
        a->time_base = {1, audio->sampleRate};
        a->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        a->codecpar->codec_id = audio->codec;
        a->codecpar->sample_rate = audio->sampleRate;
        a->codecpar->frame_size = audio->frameSize;
        av_channel_layout_default(&a->codecpar->ch_layout, 1);
        a->codecpar->bits_per_coded_sample = audio->bitsPerSample;
        a->codecpar->block_align = audio->blockAlign;
        a->codecpar->bit_rate = audio->bitRate;
        if (!SetExtradata(*a->codecpar, audio->extradata)) return false;
        m_audioStream = a->index;
        m_audioRate = audio->sampleRate;
    }
    av_dict_set(&m_context->metadata, "title", tags.title.c_str(), 0);
    av_dict_set(&m_context->metadata, "creation_time", tags.creationTime.c_str(), 0);
    if (tags.durationMs > 0) m_context->duration = tags.durationMs * (AV_TIME_BASE / 1000);

    m_context->pb = io;
    AVDictionary* options = nullptr;
    // MP4 as fragments (the header first, a fragment a second or at each key picture): nothing is patched later.
    if (container == Container::Mp4) {
        av_dict_set(&options, "movflags", "empty_moov+default_base_moof+frag_keyframe", 0);
        av_dict_set(&options, "frag_duration", "1000000", 0);
    } else {
        // The clip's SHA-256 covers every byte: the CRC-32 of each element would only cost time.
        av_dict_set(&options, "write_crc32", "0", 0);
    }
    const int written = avformat_write_header(m_context.get(), &options);
    av_dict_free(&options);
    return written >= 0 || Failed("the container refuses the clip's tracks", written);
}

bool ClipMuxer::Write(int stream, std::span<const std::uint8_t> data, std::int64_t pts, std::int64_t duration,
                      AVRational from, bool key) {
    if (!m_context) return false;
    AVPacket& p = *m_packet;
    if (data.size() > std::size_t(INT32_MAX / 2) || av_new_packet(&p, static_cast<int>(data.size())) < 0)
        return Failed("a packet cannot be made", AVERROR(ENOMEM));
    if (!data.empty()) std::memcpy(p.data, data.data(), data.size());
    p.stream_index = stream;
    const AVRational to = m_context->streams[stream]->time_base;
    p.pts = p.dts = av_rescale_q(pts, from, to);
    p.duration = duration > 0 ? av_rescale_q(duration, from, to) : 0;
    p.flags = key ? AV_PKT_FLAG_KEY : 0;
    const int result = av_interleaved_write_frame(m_context.get(), &p);  // takes the packet's data
    av_packet_unref(&p);
    return result >= 0 || Failed("the container refuses a packet", result);
}

bool ClipMuxer::WriteVideo(std::span<const std::uint8_t> data, std::int64_t ticks, std::int64_t duration, bool key) {
    return Write(0, data, ticks, duration, {1, kVideoTicksPerSecond}, key);
}

bool ClipMuxer::WriteAudio(std::span<const std::uint8_t> data, std::int64_t samples, std::int64_t duration) {
    return m_audioStream >= 0 && Write(m_audioStream, data, samples, duration, {1, m_audioRate}, true);
}

bool ClipMuxer::Finish() {
    if (!m_context) return false;
    const int written = av_write_trailer(m_context.get());
    m_context.reset();
    return written >= 0 || Failed("the container cannot be finished", written);
}

}  // namespace korvane
