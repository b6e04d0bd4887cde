#include "media/PaddedPacket.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace korvane {

bool FillPaddedPacket(AVPacket& packet, const std::uint8_t* data, std::size_t length) {
    AVBufferRef*& buffer = packet.buf;
    const std::size_t needed = length + AV_INPUT_BUFFER_PADDING_SIZE;
    if (buffer == nullptr || buffer->size < needed || !av_buffer_is_writable(buffer)) {
        const std::size_t size = buffer ? std::max<std::size_t>(buffer->size, needed) : needed;
        AVBufferRef* fresh = av_buffer_alloc(size);
        if (fresh == nullptr) return false;
        av_buffer_unref(&buffer);
        buffer = fresh;
    }
    if (length > 0) std::memcpy(buffer->data, data, length);
    std::memset(buffer->data + length, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    packet.data = buffer->data;
    packet.size = static_cast<int>(length);
    packet.flags = 0;
    return true;
}

}  // namespace korvane
