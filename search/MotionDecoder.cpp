#include "search/MotionDecoder.h"

#include "media/DecoderContext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

namespace korvane {

bool MotionDecoder::Open(VideoCodec codec, int threads) {
    m_context.reset();
    m_codec = codec;
    const VideoCodecTraits& traits = TraitsOf(codec);
    AVCodecID id = traits.avCodec;
    if (traits.path == DecoderPath::Jpeg) id = AV_CODEC_ID_MJPEG;
    if (id == AV_CODEC_ID_NONE) return false;
    m_context = OpenDecoderContext(id, [threads](AVCodecContext& c) {
        c.thread_count = threads;  // 0: libavcodec picks one per core
        c.thread_type = FF_THREAD_FRAME;
    });
    return m_context && EnsurePacketAndFrame(m_packet, m_frame);
}

bool MotionDecoder::Send(std::size_t length, const Fill& fill, std::int64_t tag, const Sink& sink) {
    if (!m_context) return false;
    av_packet_unref(m_packet.get());
    if (length > static_cast<std::size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE)) return false;
    if (av_new_packet(m_packet.get(), static_cast<int>(length)) < 0) return false;
    if (!fill(std::span<std::uint8_t>(m_packet->data, length))) return false;
    m_packet->pts = tag;
    m_packet->dts = tag;
    int sent = avcodec_send_packet(m_context.get(), m_packet.get());
    while (sent == AVERROR(EAGAIN)) {
        // The decoder is full: take its pictures, then the record goes in.
        Receive(sink);
        sent = avcodec_send_packet(m_context.get(), m_packet.get());
    }
    if (sent == AVERROR(ENOMEM)) return false;
    Receive(sink);
    return true;
}

void MotionDecoder::Drain(const Sink& sink) {
    if (!m_context) return;
    avcodec_send_packet(m_context.get(), nullptr);
    Receive(sink);
    avcodec_flush_buffers(m_context.get());
}

void MotionDecoder::Receive(const Sink& sink) {
    while (avcodec_receive_frame(m_context.get(), m_frame.get()) == 0) {
        const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(m_frame->format));
        // Planar YUV and grey keep luma in the first plane, one byte a pixel.
        const bool lumaPlane = format != nullptr && (format->flags & AV_PIX_FMT_FLAG_RGB) == 0 &&
                               format->comp[0].plane == 0 && format->comp[0].step == 1 &&
                               format->comp[0].depth == 8;
        if (lumaPlane && m_frame->data[0] != nullptr && m_frame->linesize[0] > 0) {
            const std::int64_t tag =
                m_frame->pts != AV_NOPTS_VALUE ? m_frame->pts : m_frame->best_effort_timestamp;
            sink({m_frame->data[0], m_frame->linesize[0], m_frame->width, m_frame->height}, tag);
        }
        av_frame_unref(m_frame.get());
    }
}

}  // namespace korvane
