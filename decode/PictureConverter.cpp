#include "decode/PictureConverter.h"

#include "decode/VideoDecoder.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace korvane {
namespace {

// Scalers kept: enough for every camera of a site view at two sizes.
constexpr std::size_t kScalersKept = 32;

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

void TurnOver(std::uint8_t* rows, std::size_t rowBytes, int count) {
    for (int top = 0, bottom = count - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(rows + rowBytes * std::size_t(top), rows + rowBytes * std::size_t(top + 1),
                         rows + rowBytes * std::size_t(bottom));
    }
}

}  // namespace

PictureConverter::PictureConverter() = default;

PictureConverter::~PictureConverter() = default;

PictureHandle PictureConverter::Convert(const DecodedPicture& picture,
                                        std::chrono::steady_clock::time_point presentedAt) {
    return Convert(picture, picture.Shown(), presentedAt);
}

PictureHandle PictureConverter::Convert(const DecodedPicture& picture, PictureSize target,
                                        std::chrono::steady_clock::time_point presentedAt) {
    const PictureSize shown = picture.Shown();
    if (target.width <= 0 || target.height <= 0 || shown.width <= 0 || shown.height <= 0) return nullptr;
    const std::size_t rowBytes = std::size_t(target.width) * 3;
    if (rowBytes * std::size_t(target.height) > kLargestPictureBytes) return nullptr;
    auto pixels = std::make_shared<std::vector<std::uint8_t>>(rowBytes * std::size_t(target.height));
    std::uint8_t* rows = pixels->data();

    // A caption on a picture the recorder stores bottom row first is drawn
    // into the rows in that order, as the recorder draws it, and the rows are
    // turned over afterwards.
    const RecordedCaption* caption = picture.Caption();
    const bool bottomFirst = caption && picture.Order() == RowOrder::BottomFirst && target == shown;
    std::uint8_t* dest = bottomFirst ? rows + rowBytes * std::size_t(target.height - 1) : rows;
    const int stride = bottomFirst ? -static_cast<int>(rowBytes) : static_cast<int>(rowBytes);
    if (!Scale(picture.Frame(), shown, target, dest, stride)) return nullptr;
    if (caption) {
        DrawCaption(*caption, double(target.width) / shown.width, double(target.height) / shown.height, rows, target,
                    bottomFirst);
        if (bottomFirst) TurnOver(rows, rowBytes, target.height);
    }

    auto made = std::make_shared<Picture>();
    made->width = target.width;
    made->height = target.height;
    made->pixels = std::move(pixels);
    const PictureLines& lines = picture.Lines();
    made->caption = lines.caption;
    made->streamInfo = lines.streamInfo;
    made->camera = lines.camera;
    made->captureTime = lines.captureTime;
    made->presentedAt = presentedAt;
    return made;
}

void PictureConverter::DrawCaption(const RecordedCaption& caption, double scaleX, double scaleY, std::uint8_t* rows,
                                   PictureSize size, bool bottomFirst) {
    const CaptionDescriptor& d = caption.descriptor;
    m_overlay.SetPosition(d.textX, d.textY);
    m_overlay.SetFont(d.font);
    m_overlay.SetColor(d.textColor);
    m_overlay.SetScale(scaleX, scaleY);
    m_overlay.InsertText(rows, size.width, bottomFirst ? size.height : -size.height, caption.text.data(),
                         static_cast<int>(caption.text.size()));
}

bool PictureConverter::Scale(const AVFrame& frame, PictureSize shown, PictureSize target, std::uint8_t* dest,
                             int stride) {
    const std::size_t rowBytes = std::size_t(target.width) * 3;
    if (frame.format == AV_PIX_FMT_BGR24 && frame.width == target.width && frame.height == target.height) {
        // Rows as they are (JPEG at its own size).
        for (int row = 0; row < target.height; ++row) {
            std::memcpy(dest + std::ptrdiff_t(stride) * row, frame.data[0] + std::ptrdiff_t(frame.linesize[0]) * row,
                        rowBytes);
        }
        return true;
    }

    bool fullRange = frame.color_range == AVCOL_RANGE_JPEG;
    const AVPixelFormat format = PlainFormat(static_cast<AVPixelFormat>(frame.format), &fullRange);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (desc == nullptr) return false;

    // Source planes: the whole picture, or its centre when it is a little
    // larger than shown and the format's planes can be offset exactly.
    const std::uint8_t* source[4] = {frame.data[0], frame.data[1], frame.data[2], frame.data[3]};
    int sourceWidth = frame.width;
    int sourceHeight = frame.height;
    const PictureSize cropped = CropToAsked({sourceWidth, sourceHeight}, shown);
    const bool planar = (desc->flags & AV_PIX_FMT_FLAG_PLANAR) != 0 &&
                        (desc->flags & (AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_HWACCEL)) == 0;
    if (planar && cropped == shown && (cropped.width != sourceWidth || cropped.height != sourceHeight)) {
        const int alignX = 1 << desc->log2_chroma_w;
        const int alignY = 1 << desc->log2_chroma_h;
        const int x = ((sourceWidth - shown.width) / 2) / alignX * alignX;
        const int y = ((sourceHeight - shown.height) / 2) / alignY * alignY;
        for (int c = 0; c < desc->nb_components; ++c) {
            const AVComponentDescriptor& comp = desc->comp[c];
            const bool chroma = c == 1 || c == 2;
            const int planeX = chroma ? x >> desc->log2_chroma_w : x;
            const int planeY = chroma ? y >> desc->log2_chroma_h : y;
            source[comp.plane] = frame.data[comp.plane] +
                                 static_cast<std::ptrdiff_t>(planeY) * frame.linesize[comp.plane] +
                                 static_cast<std::ptrdiff_t>(planeX) * comp.step;
        }
        sourceWidth = shown.width;
        sourceHeight = shown.height;
    }

    SwsContext* scaler = ScalerFor({sourceWidth, sourceHeight, format, target.width, target.height,
                                    frame.colorspace, fullRange ? 1 : 0});
    if (scaler == nullptr) return false;
    std::uint8_t* target4[4] = {dest, nullptr, nullptr, nullptr};
    const int targetStride[4] = {stride, 0, 0, 0};
    return sws_scale(scaler, source, frame.linesize, 0, sourceHeight, target4, targetStride) == target.height;
}

SwsContext* PictureConverter::ScalerFor(const ScalerSetup& setup) {
    const auto found = std::find_if(m_scalers.begin(), m_scalers.end(),
                                    [&setup](const Scaler& s) { return s.setup == setup; });
    if (found != m_scalers.end()) return found->context.get();
    // A setup not met lately: the oldest scaler, when enough are kept, is made over for it.
    SwsContextUPtr oldest;
    if (m_scalers.size() >= kScalersKept) {
        oldest = std::move(m_scalers.front().context);
        m_scalers.erase(m_scalers.begin());
    }
    SwsContextUPtr scaler(sws_getCachedContext(oldest.release(), setup.sourceWidth, setup.sourceHeight,
                                               static_cast<AVPixelFormat>(setup.format), setup.width, setup.height,
                                               AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) return nullptr;
    // The matrix and range the picture declares, as ffmpeg itself applies them.
    const int* coefficients =
        sws_getCoefficients(setup.colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : setup.colorspace);
    sws_setColorspaceDetails(scaler.get(), coefficients, setup.range, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0,
                             1 << 16, 1 << 16);
    m_scalers.push_back({setup, std::move(scaler)});
    return m_scalers.back().context.get();
}

}  // namespace korvane
