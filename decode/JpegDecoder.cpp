#include "decode/JpegDecoder.h"

namespace korvane {
namespace {

// A JPEG that only drew a warning (a damaged or truncated scan) still gives
// its whole picture; only errors refuse it.
bool Succeeded(int result, tjhandle handle) {
    return result == 0 || tjGetErrorCode(handle) == TJERR_WARNING;
}

}  // namespace

JpegDecoder::JpegDecoder() : m_handle(tjInitDecompress()) {}

JpegDecoder::~JpegDecoder() = default;

AVFrameUPtr JpegDecoder::Decode(std::span<const std::uint8_t> data, std::size_t maxBytes) {
    if (!m_handle || data.data() == nullptr || data.empty()) return nullptr;
    tjhandle handle = m_handle.get();

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, data.data(), data.size(), &width, &height, &subsampling, &colorspace) != 0) {
        return nullptr;
    }
    if (width <= 0 || height <= 0) return nullptr;
    const std::size_t pitch = static_cast<std::size_t>(width) * 3;
    const std::size_t bytes = pitch * static_cast<std::size_t>(height);
    if (bytes > maxBytes) return nullptr;

    if (!m_pool || m_poolBytes != bytes) {
        m_pool.reset(av_buffer_pool_init(bytes, av_buffer_alloc));
        m_poolBytes = m_pool ? bytes : 0;
    }
    AVFrameUPtr frame(av_frame_alloc());
    if (!m_pool || !frame) return nullptr;
    frame->buf[0] = av_buffer_pool_get(m_pool.get());
    if (frame->buf[0] == nullptr) return nullptr;
    frame->format = AV_PIX_FMT_BGR24;
    frame->width = width;
    frame->height = height;
    frame->data[0] = frame->buf[0]->data;
    frame->linesize[0] = static_cast<int>(pitch);

    // Progressive JPEGs with absurd scan counts are refused rather than left
    // to run for minutes.
    const int result = tjDecompress2(handle, data.data(), data.size(), frame->data[0], width,
                                     static_cast<int>(pitch), height, TJPF_BGR, TJFLAG_LIMITSCANS);
    if (!Succeeded(result, handle)) return nullptr;
    return frame;
}

}  // namespace korvane
