#include "decode/VideoDecoder.h"

#include "media/DecoderContext.h"
#include "media/PaddedPacket.h"

#include <algorithm>
#include <climits>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace korvane {
namespace {

constexpr int kMaxCropMargin = 16;

// The full-range variants of the planar formats are deprecated for the
// scaler; it wants the plain format with the range given separately.
AVPixelFormat PlainFormat(AVPixelFormat format, bool* fullRange) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P: *fullRange = true; return AV_PIX_FMT_YUV420P;
        case AV_PIX_FMT_YUVJ422P: *fullRange = true; return AV_PIX_FMT_YUV422P;
        case AV_PIX_FMT_YUVJ444P: *fullRange = true; return AV_PIX_FMT_YUV444P;
        case AV_PIX_FMT_YUVJ440P: *fullRange = true; return AV_PIX_FMT_YUV440P;
        case AV_PIX_FMT_YUVJ411P: *fullRange = true; return AV_PIX_FMT_YUV411P;
        default: return format;
    }
}

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

VideoDecoder::VideoDecoder() = default;

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::Open(VideoCodec codec, PictureSize recordSize) {
    Close();
    m_codec = codec;
    m_setUpSize = recordSize;
    const VideoCodecTraits& traits = TraitsOf(codec);
    if (traits.path != DecoderPath::Video && traits.path != DecoderPath::Sdi) return false;
    AVCodecContextUPtr context = OpenDecoderContext(traits.avCodec, [](AVCodecContext& c) {
        // Pictures leave the decoder with the record that carries them.
        c.flags |= AV_CODEC_FLAG_LOW_DELAY;
        c.thread_count = 1;
        c.thread_type = 0;
    });
    if (!context || !EnsurePacketAndFrame(m_packet, m_frame)) return false;
    m_context = std::move(context);
    return true;
}

void VideoDecoder::Close() {
    m_context.reset();
    if (m_frame) av_frame_unref(m_frame.get());
    m_havePicture = false;
}

VideoStatus VideoDecoder::Decode(std::span<const std::uint8_t> record, bool keyFrame) {
    m_havePicture = false;
    if (!m_context) return VideoStatus::NotOpen;
    av_frame_unref(m_frame.get());
    if (record.data() == nullptr || record.empty()) return VideoStatus::BadData;
    if (record.size() > static_cast<std::size_t>(INT_MAX) - AV_INPUT_BUFFER_PADDING_SIZE) {
        return VideoStatus::BadData;
    }
    if (!FillPaddedPacket(*m_packet, record.data(), record.size())) return VideoStatus::Failed;
    if (keyFrame) m_packet->flags |= AV_PKT_FLAG_KEY;

    int error = avcodec_send_packet(m_context.get(), m_packet.get());
    if (error == AVERROR(EAGAIN)) {
        // A picture of an earlier record is still waiting; it is stale now.
        av_frame_unref(m_frame.get());
        if (avcodec_receive_frame(m_context.get(), m_frame.get()) >= 0) {
            av_frame_unref(m_frame.get());
        }
        error = avcodec_send_packet(m_context.get(), m_packet.get());
    }
    if (error < 0) return StatusFromAvError(error);
    return ReceivePicture();
}

VideoStatus VideoDecoder::ReceivePicture() {
    const int error = avcodec_receive_frame(m_context.get(), m_frame.get());
    if (error < 0) return StatusFromAvError(error);
    if (m_frame->width <= 0 || m_frame->height <= 0 || m_frame->data[0] == nullptr) {
        av_frame_unref(m_frame.get());
        return VideoStatus::BadData;
    }
    m_havePicture = true;
    return VideoStatus::Picture;
}

VideoStatus VideoDecoder::WritePicture(std::uint8_t* dest, std::size_t capacity,
                                         PictureSize out, RowOrder order) {
    if (!m_havePicture) return VideoStatus::NoPicture;
    if (dest == nullptr || out.width <= 0 || out.height <= 0) return VideoStatus::TooLarge;
    const std::size_t rowBytes = static_cast<std::size_t>(out.width) * 3;
    if (rowBytes * static_cast<std::size_t>(out.height) > capacity) return VideoStatus::TooLarge;

    bool fullRange = m_frame->color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(m_frame->format), &fullRange);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (desc == nullptr) return VideoStatus::Failed;

    // Source planes: the whole picture, or its centre when it is a little
    // larger than asked and the format's planes can be offset exactly.
    const uint8_t* source[4] = {m_frame->data[0], m_frame->data[1], m_frame->data[2],
                                m_frame->data[3]};
    int sourceWidth = m_frame->width;
    int sourceHeight = m_frame->height;
    const PictureSize cropped = CropToAsked({sourceWidth, sourceHeight}, out);
    const bool planar = (desc->flags & AV_PIX_FMT_FLAG_PLANAR) != 0 &&
                        (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL)) == 0;
    if (planar && cropped == out && (cropped.width != sourceWidth || cropped.height != sourceHeight)) {
        const int alignX = 1 << desc->log2_chroma_w;
        const int alignY = 1 << desc->log2_chroma_h;
        const int x = ((sourceWidth - out.width) / 2) / alignX * alignX;
        const int y = ((sourceHeight - out.height) / 2) / alignY * alignY;
        for (int c = 0; c < desc->nb_components; ++c) {
            const AVComponentDescriptor& comp = desc->comp[c];
            const bool chroma = c == 1 || c == 2;
            const int planeX = chroma ? x >> desc->log2_chroma_w : x;
            const int planeY = chroma ? y >> desc->log2_chroma_h : y;
            source[comp.plane] = m_frame->data[comp.plane] +
                                 static_cast<std::ptrdiff_t>(planeY) * m_frame->linesize[comp.plane] +
                                 static_cast<std::ptrdiff_t>(planeX) * comp.step;
        }
        sourceWidth = out.width;
        sourceHeight = out.height;
    }

    SwsContext* scaler = sws_getCachedContext(m_scaler.release(), sourceWidth, sourceHeight, format,
                                              out.width, out.height, AV_PIX_FMT_BGR24,
                                              SWS_BILINEAR, nullptr, nullptr, nullptr);
    m_scaler.reset(scaler);
    if (!m_scaler) {
        m_scalerSetup = {};
        return VideoStatus::Failed;
    }

    // The matrix and range the picture declares, as ffmpeg itself applies them.
    const ScalerSetup setup{sourceWidth, sourceHeight, format, out.width, out.height,
                            m_frame->colorspace, fullRange ? 1 : 0};
    if (!(setup == m_scalerSetup)) {
        const int* coefficients = sws_getCoefficients(
            setup.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : setup.colorspace);
        sws_setColorspaceDetails(scaler, coefficients, setup.range,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        m_scalerSetup = setup;
    }

    uint8_t* target[4] = {dest, nullptr, nullptr, nullptr};
    int targetStride[4] = {static_cast<int>(rowBytes), 0, 0, 0};
    if (order == RowOrder::BottomFirst) {
        target[0] = dest + rowBytes * static_cast<std::size_t>(out.height - 1);
        targetStride[0] = -static_cast<int>(rowBytes);
    }
    const int rows = sws_scale(scaler, source, m_frame->linesize, 0, sourceHeight, target,
                               targetStride);
    return rows == out.height ? VideoStatus::Picture : VideoStatus::Failed;
}

VideoStatus VideoDecoder::DecodePicture(std::span<const std::uint8_t> record, PictureSize recordSize,
                                        bool keyFrame, std::uint8_t* dest, std::size_t capacity,
                                        PictureSize& written) {
    const VideoCodecTraits& traits = TraitsOf(m_codec);
    PictureSize out;
    if (traits.sizing == PictureSizing::AskedSize) {
        // No picture is asked for without a size: the record is not decoded.
        if (recordSize.width <= 0 || recordSize.height <= 0) return VideoStatus::BadData;
        out = {DisplayWidth(m_codec, recordSize.width), recordSize.height};
    }
    const VideoStatus decoded = Decode(record, keyFrame && traits.passKeyFlag);
    if (decoded != VideoStatus::Picture) return decoded;
    if (traits.sizing == PictureSizing::StreamSize) {
        const PictureSize coded{m_frame->width, m_frame->height};
        PictureSize box = m_setUpSize;
        if (traits.capCropWidth && box.width > 700) box.width = 720;
        out = CropToAsked(coded, box);
        if (out.width == coded.width) out.width = DisplayWidth(m_codec, coded.width);
    }
    const VideoStatus status = dest == nullptr ? VideoStatus::Picture : WritePicture(dest, capacity, out, traits.order);
    if (status == VideoStatus::Picture) written = out;
    return status;
}

}  // namespace korvane
