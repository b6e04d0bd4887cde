#include "app/Deinterlacer.h"

#include <cstring>
#include <memory>
#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
}

#include "media/FFmpegPtr.h"

namespace korvane {
namespace {

using GraphUPtr = std::unique_ptr<AVFilterGraph, AVDeleter<&avfilter_graph_free>>;
using InOutUPtr = std::unique_ptr<AVFilterInOut, AVDeleter<&avfilter_inout_free>>;

// Links "in" -> description -> "out" in the graph.
bool Link(AVFilterGraph* graph, AVFilterContext* source, AVFilterContext* sink, const std::string& description) {
    InOutUPtr outputs(avfilter_inout_alloc());
    InOutUPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) return false;
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* out = outputs.release();
    const int parsed = avfilter_graph_parse_ptr(graph, description.c_str(), &in, &out, nullptr);
    InOutUPtr leftIn(in), leftOut(out);  // whatever the parser left
    return parsed >= 0 && avfilter_graph_config(graph, nullptr) >= 0;
}


// Copies a BGR888 picture into a new frame.
AVFrameUPtr FrameOf(const QImage& image, std::int64_t pts) {
    AVFrameUPtr frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->width = image.width();
    frame->height = image.height();
    frame->format = AV_PIX_FMT_BGR24;
    frame->pts = pts;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0], image.constScanLine(y), rowBytes);
    return frame;
}

}  // namespace

QImage Deinterlaced(const QImage& picture, const QImage& before) {
    const QImage image = picture.convertToFormat(QImage::Format_BGR888);
    const char* filter = avfilter_get_by_name("bwdif") ? "bwdif" : "yadif";
    GraphUPtr graph(avfilter_graph_alloc());
    if (!graph || image.isNull()) return image;
    const std::string args = "video_size=" + std::to_string(image.width()) + "x" + std::to_string(image.height()) +
                             ":pix_fmt=" + std::to_string(AV_PIX_FMT_BGR24) + ":time_base=1/25:pixel_aspect=1/1";
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                     graph.get()) < 0 ||
        avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                     graph.get()) < 0 ||
        !Link(graph.get(), source, sink, std::string(filter) + "=mode=send_frame:parity=auto:deint=all,format=bgr24")) {
        return image;
    }
    // The picture before, the picture, then the end: the filter gives the
    // last picture without waiting for one after it.
    if (before.size() == image.size()) {
        AVFrameUPtr first = FrameOf(before.convertToFormat(QImage::Format_BGR888), 0);
        if (!first || av_buffersrc_add_frame(source, first.get()) < 0) return image;
    }
    AVFrameUPtr frame = FrameOf(image, 1);
    if (!frame || av_buffersrc_add_frame(source, frame.get()) < 0 || av_buffersrc_add_frame(source, nullptr) < 0) {
        return image;
    }
    AVFrameUPtr out(av_frame_alloc());
    AVFrameUPtr last;
    while (out && av_buffersink_get_frame(sink, out.get()) >= 0) {
        last = std::move(out);
        out.reset(av_frame_alloc());
    }
    if (!last || last->width != image.width() || last->height != image.height() || last->format != AV_PIX_FMT_BGR24) {
        return image;
    }
    const auto rowBytes = static_cast<std::size_t>(image.width()) * 3;
    QImage result(image.width(), image.height(), QImage::Format_BGR888);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(result.scanLine(y), last->data[0] + static_cast<std::ptrdiff_t>(y) * last->linesize[0], rowBytes);
    return result;
}

}  // namespace korvane
