#include "decode/VideoDecoder.h"

#include "media/DecoderContext.h"
#include "media/PaddedPacket.h"

#include <climits>

namespace korvane {
namespace {

constexpr int kMaxCropMargin = 16;

}  // namespace

VideoStatus StatusFromAvError(int error) {
    if (error >= 0) return VideoStatus::Picture;
    switch (error) {
        case AVERROR(EAGAIN):
        case AVERROR_EOF:
            return VideoStatus::NoPicture;
        case AVERROR(ENOMEM):
        case AVERROR(EINVAL):
        case AVERROR_BUG:
        case AVERROR_BUG2:
        case AVERROR_EXTERNAL:
            return VideoStatus::Failed;
        case AVERROR_INVALIDDATA:
        case AVERROR_PATCHWELCOME:
        case AVERROR(ENOSYS):
        default:
            return VideoStatus::BadData;
    }
}

PictureSize CropToAsked(PictureSize decoded, PictureSize asked) {
    auto fit = [](int have, int want) {
        return (want > 0 && have > want && have - want <= kMaxCropMargin) ? want : have;
    };
    return {fit(decoded.width, asked.width), fit(decoded.height, asked.height)};
}

VideoDecoder::VideoDecoder(DecoderThreads threads) : m_threads(threads) {}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open(VideoCodec codec, PictureSize recordSize) {
    Close();
    m_codec = codec;
    m_setUpSize = recordSize;
    const VideoCodecTraits& traits = TraitsOf(codec);
    if (traits.path != DecoderPath::Video && traits.path != DecoderPath::Sdi) return false;
    AVCodecContextUPtr context = OpenDecoderContext(traits.avCodec, [this](AVCodecContext& c) {
        // Pictures leave the decoder with the record that carries them, unless frame threads hold some back.
        if (!LatePictures()) c.flags |= AV_CODEC_FLAG_LOW_DELAY;
        c.thread_count = Threaded() ? m_threads.count : 1;
        c.thread_type = !Threaded() ? 0 : (m_threads.frame ? FF_THREAD_FRAME : 0) | (m_threads.slice ? FF_THREAD_SLICE : 0);
    });
    if (!context || !EnsurePacketAndFrame(m_packet, m_frame)) return false;
    m_context = std::move(context);
    return true;
}

void VideoDecoder::Close() {
    m_context.reset();
    if (m_frame) av_frame_unref(m_frame.get());
    m_havePicture = false;
    m_draining = false;
}

VideoStatus VideoDecoder::Send(std::span<const std::uint8_t> record, bool keyFrame) {
    if (record.data() == nullptr || record.empty()) return VideoStatus::BadData;
    if (record.size() > static_cast<std::size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) {
        return VideoStatus::BadData;
    }
    if (!FillPaddedPacket(*m_packet, record.data(), record.size())) return VideoStatus::Failed;
    if (keyFrame) m_packet->flags |= AV_PKT_FLAG_KEY;

    int error = avcodec_send_packet(m_context.get(), m_packet.get());
    if (error == AVERROR(EAGAIN)) {
        // A picture of an earlier record is still waiting. In low delay it is
        // stale now; with threads it is the picture this record gives.
        const bool waiting = avcodec_receive_frame(m_context.get(), m_frame.get()) >= 0;
        if (waiting && LatePictures()) {
            error = avcodec_send_packet(m_context.get(), m_packet.get());
            if (error < 0) av_frame_unref(m_frame.get());
            return error < 0 ? StatusFromAvError(error) : VideoStatus::Picture;
        }
        av_frame_unref(m_frame.get());
        error = avcodec_send_packet(m_context.get(), m_packet.get());
    }
    return error < 0 ? StatusFromAvError(error) : VideoStatus::NoPicture;
}

VideoStatus VideoDecoder::ReceivePicture() {
    const int error = avcodec_receive_frame(m_context.get(), m_frame.get());
    if (error < 0) return StatusFromAvError(error);
    return VideoStatus::Picture;
}

VideoStatus VideoDecoder::Shown(VideoStatus status, PictureSize& shown) {
    if (status != VideoStatus::Picture) return status;
    if (m_frame->width <= 0 || m_frame->height <= 0 || m_frame->data[0] == nullptr) {
        av_frame_unref(m_frame.get());
        return VideoStatus::BadData;
    }
    const VideoCodecTraits& traits = TraitsOf(m_codec);
    if (traits.sizing == PictureSizing::AskedSize) {
        shown = {DisplayWidth(m_codec, m_asked.width), m_asked.height};
        return status;
    }
    const PictureSize coded{m_frame->width, m_frame->height};
    PictureSize box = m_setUpSize;
    if (traits.capCropWidth && box.width > 700) box.width = 720;
    shown = CropToAsked(coded, box);
    if (shown.width == coded.width) shown.width = DisplayWidth(m_codec, coded.width);
    return status;
}

VideoStatus VideoDecoder::DecodePicture(std::span<const std::uint8_t> record, PictureSize recordSize,
                                        bool keyFrame, PictureSize& shown) {
    m_havePicture = false;
    if (!m_context) return VideoStatus::NotOpen;
    // No picture is asked for without a size: the record is not decoded.
    if (TraitsOf(m_codec).sizing == PictureSizing::AskedSize && (recordSize.width <= 0 || recordSize.height <= 0))
        return VideoStatus::BadData;
    if (m_draining) {
        avcodec_flush_buffers(m_context.get());
        m_draining = false;
    }
    av_frame_unref(m_frame.get());
    m_asked = recordSize;
    VideoStatus status = Send(record, keyFrame && TraitsOf(m_codec).passKeyFlag);
    if (status == VideoStatus::NoPicture) status = ReceivePicture();
    status = Shown(status, shown);
    m_havePicture = status == VideoStatus::Picture;
    return status;
}

VideoStatus VideoDecoder::Drain(PictureSize& shown) {
    m_havePicture = false;
    if (!m_context) return VideoStatus::NotOpen;
    av_frame_unref(m_frame.get());
    if (!m_draining) {
        m_draining = true;
        if (avcodec_send_packet(m_context.get(), nullptr) < 0) return VideoStatus::NoPicture;
    }
    const VideoStatus status = Shown(ReceivePicture(), shown);
    m_havePicture = status == VideoStatus::Picture;
    return status;
}

AVFrameUPtr VideoDecoder::RefPicture() const {
    if (!m_havePicture) return nullptr;
    return AVFrameUPtr(av_frame_clone(m_frame.get()));
}

}  // namespace korvane
