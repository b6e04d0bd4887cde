#include "audio/AvAudioDecoder.h"

#include "media/DecoderContext.h"
#include "media/PaddedPacket.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

namespace korvane {

namespace {
constexpr int kSampleRate = 8000;
constexpr int kBitsPerCode = 4;
}  // namespace

AudioStatus AudioStatusFromAvError(int error) {
    if (error >= 0) return AudioStatus::Decoded;
    if (error == AVERROR_INVALIDDATA || error == AVERROR(EINVAL)) return AudioStatus::BadData;
    return AudioStatus::Failed;
}

AvAudioDecoder::AvAudioDecoder() = default;
AvAudioDecoder::~AvAudioDecoder() = default;

bool AvAudioDecoder::Open(AVCodecID codecId, int blockAlign) {
    Close();
    AVCodecContextUPtr context = OpenDecoderContext(codecId, [blockAlign](AVCodecContext& c) {
        c.sample_rate = kSampleRate;
        av_channel_layout_default(&c.ch_layout, 1);
        c.bits_per_coded_sample = kBitsPerCode;
        c.block_align = blockAlign;
        c.thread_count = 1;
    });
    if (!context || !EnsurePacketAndFrame(m_packet, m_frame)) return false;
    m_context = std::move(context);
    return true;
}

void AvAudioDecoder::Close() {
    m_context.reset();
    if (m_frame) av_frame_unref(m_frame.get());
}

AudioStatus AvAudioDecoder::Decode(std::span<const std::uint8_t> in, std::span<std::int16_t> out,
                                   std::size_t& produced) {
    produced = 0;
    if (!m_context) return AudioStatus::NotOpen;
    if (in.empty()) return AudioStatus::BadData;
    if (in.size() > static_cast<std::size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) {
        return AudioStatus::BadData;
    }
    if (!FillPaddedPacket(*m_packet, in.data(), in.size())) return AudioStatus::Failed;
    const int sent = avcodec_send_packet(m_context.get(), m_packet.get());
    if (sent < 0) return AudioStatusFromAvError(sent);

    AudioStatus status = AudioStatus::Decoded;
    for (;;) {
        const int error = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) break;
        if (error < 0) return AudioStatusFromAvError(error);
        const auto format = static_cast<AVSampleFormat>(m_frame->format);
        if ((format != AV_SAMPLE_FMT_S16 && format != AV_SAMPLE_FMT_S16P) ||
            m_frame->ch_layout.nb_channels != 1 || m_frame->nb_samples < 0) {
            av_frame_unref(m_frame.get());
            return AudioStatus::Failed;
        }
        // Mono: packed and planar hold the same samples in data[0].
        const auto samples = static_cast<std::size_t>(m_frame->nb_samples);
        if (status == AudioStatus::Decoded && samples <= out.size() - produced) {
            std::memcpy(out.data() + produced, m_frame->data[0], samples * sizeof(std::int16_t));
            produced += samples;
        } else {
            status = AudioStatus::TooLarge;
        }
        av_frame_unref(m_frame.get());
    }
    return status;
}

}  // namespace korvane
