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

int JpegDecoder::Decode(const std::uint8_t* data, std::size_t length, std::uint8_t* picture,
                        std::size_t pictureCapacity, int* widthOut, int* heightOut) {
    if (!m_handle || data == nullptr || length == 0 || picture == nullptr) return 0;
    tjhandle handle = m_handle.get();

    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle, data, length, &width, &height, &subsampling, &colorspace) != 0) {
        return 0;
    }
    if (width <= 0 || height <= 0) return 0;
    const std::size_t pitch = static_cast<std::size_t>(width) * 3;
    if (pitch * static_cast<std::size_t>(height) > pictureCapacity) return 0;

    // Progressive JPEGs with absurd scan counts are refused rather than left
    // to run for minutes.
    const int result = tjDecompress2(handle, data, length, picture, width, static_cast<int>(pitch),
                                     height, TJPF_BGR, TJFLAG_LIMITSCANS);
    if (!Succeeded(result, handle)) return 0;
    if (widthOut != nullptr) *widthOut = width;
    if (heightOut != nullptr) *heightOut = height;
    return 1;
}

}  // namespace korvane
