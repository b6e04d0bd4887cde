#include "clip/ClipSound.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
}

namespace korvane {
bool AacEncoder::Open(int sampleRate) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) return false;
    m_context.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_context || !m_frame || !m_packet) return false;
    m_context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_context->sample_rate = sampleRate;
    av_channel_layout_default(&m_context->ch_layout, 1);
    m_context->bit_rate = 32'000;
    m_context->time_base = {1, sampleRate};
    m_context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;  // MP4 keeps the decoder set-up in its header
    // The fast coder: hours of 8 kHz speech-band sound do not need the slow search. Noise substitution
    // and temporal noise shaping cost time without a gain at this bitrate, and 8 kHz sound (G.721 is
    // telephone-band) has nothing above 3.4 kHz worth coding.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "aac_coder", "fast", 0);
    av_dict_set(&options, "aac_pns", "0", 0);
    av_dict_set(&options, "aac_tns", "0", 0);
    if (sampleRate <= 8000) m_context->cutoff = 3400;
    const bool opened = avcodec_open2(m_context.get(), codec, &options) >= 0;
    av_dict_free(&options);
    return opened;
}

int AacEncoder::FrameSize() const { return m_context ? m_context->frame_size : 0; }

int AacEncoder::Delay() const { return m_context ? m_context->initial_padding : 0; }

std::vector<std::uint8_t> AacEncoder::Extradata() const {
    if (!m_context || m_context->extradata == nullptr) return {};
    return {m_context->extradata, m_context->extradata + m_context->extradata_size};
}

bool AacEncoder::Send(const AVFrame* frame, const PacketSink& sink) {
    if (avcodec_send_frame(m_context.get(), frame) < 0) return false;
    for (;;) {
        const int error = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return true;
        if (error < 0) return false;
        const bool taken = sink({m_packet->data, static_cast<std::size_t>(m_packet->size)}, m_packet->pts,
                                m_packet->duration);
        av_packet_unref(m_packet.get());
        if (!taken) return false;
    }
}

bool AacEncoder::Encode(std::span<const std::int16_t> samples, const PacketSink& sink) {
    if (!m_context) return false;
    m_pending.insert(m_pending.end(), samples.begin(), samples.end());
    const auto frameSize = static_cast<std::size_t>(m_context->frame_size);
    std::size_t used = 0;
    while (m_pending.size() - used >= frameSize) {
        av_frame_unref(m_frame.get());
        m_frame->format = AV_SAMPLE_FMT_FLTP;
        m_frame->nb_samples = static_cast<int>(frameSize);
        m_frame->sample_rate = m_context->sample_rate;
        if (av_channel_layout_copy(&m_frame->ch_layout, &m_context->ch_layout) < 0 ||
            av_frame_get_buffer(m_frame.get(), 0) < 0)
            return false;
        auto* out = reinterpret_cast<float*>(m_frame->data[0]);
        for (std::size_t i = 0; i < frameSize; ++i) out[i] = static_cast<float>(m_pending[used + i]) / 32768.0f;
        m_frame->pts = m_next;
        m_next += static_cast<std::int64_t>(frameSize);
        used += frameSize;
        if (!Send(m_frame.get(), sink)) return false;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(used));
    return true;
}

bool AacEncoder::CompleteFrame(const PacketSink& sink) {
    if (!m_context) return false;
    if (m_pending.empty()) return true;
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(m_context->frame_size) - m_pending.size(), 0);
    return Encode(silence, sink);
}

bool AacEncoder::Flush(const PacketSink& sink) { return CompleteFrame(sink) && Send(nullptr, sink); }

SoundTrack::SoundTrack(AacEncoder::PacketSink write, AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs,
                       int rate)
    // PCM packets are the records: their starts at least a millisecond apart.
    : m_write(std::move(write)), m_aac(aac), m_times(firstMs, lastMs, rate, aac ? 0 : SamplesPerMillisecond(rate)) {}

AacEncoder::PacketSink SoundTrack::Sink() {
    return [this](std::span<const std::uint8_t> bytes, std::int64_t pts, std::int64_t duration) {
        // A packet stands for the frame that began m_aac->Delay() samples after its time.
        std::int64_t offset = 0;
        for (const Shift& shift : m_shifts)
            if (pts + m_aac->Delay() >= shift.from) offset = shift.offset;
        // The encoder's first packet, before time 0, carries only its start-up delay; MP4 fragments
        // have no edit list to hide it, and a time below 0 would move every stream.
        if (pts + offset + duration <= 0) return true;
        return m_write(bytes, pts + offset, duration);
    };
}

bool SoundTrack::Silence(std::int64_t samples) {
    const int rate = m_times.Rate();
    const std::vector<std::int16_t> second(static_cast<std::size_t>(rate), 0);
    for (std::int64_t left = samples; left > 0; left -= rate)
        if (!m_aac->Encode(std::span(second).first(static_cast<std::size_t>(std::min<std::int64_t>(left, rate))),
                           Sink()))
            return false;
    return true;
}

bool SoundTrack::Add(std::int64_t ms, std::span<const std::int16_t> pcm) {
    if (pcm.empty()) return true;  // nothing to play
    m_samples += pcm.size();
    const std::int64_t start = m_times.Start(ms);
    const auto length = static_cast<std::int64_t>(pcm.size());
    if (m_aac == nullptr) {
        m_times.Placed(start, length);
        return m_write({reinterpret_cast<const std::uint8_t*>(pcm.data()), pcm.size_bytes()}, start, length);
    }
    std::int64_t next = m_times.Next();
    if (start - next > kMostSilenceSeconds * m_times.Rate()) {
        // Too long to fill: the encoder's stream goes on from the next frame, whose packets move to the sound's time.
        ++m_unfilledGaps;
        if (!m_aac->CompleteFrame(Sink())) return false;
        const std::int64_t frame = std::max(m_aac->FrameSize(), 1);
        const std::int64_t fed = next - m_shifts.back().offset;
        const std::int64_t nextFrame = (fed + frame - 1) / frame * frame;
        m_shifts.push_back({nextFrame, start - nextFrame});
        next = start;
    }
    if (start > next && !Silence(start - next)) return false;
    m_times.Placed(start, length);
    return m_aac->Encode(pcm, Sink());
}

bool SoundTrack::Finish() { return m_aac == nullptr || m_aac->Flush(Sink()); }

}  // namespace korvane
