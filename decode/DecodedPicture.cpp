#include "decode/DecodedPicture.h"

namespace korvane {

DecodedPicture::DecodedPicture(AVFrameUPtr frame, PictureSize shown, RowOrder order,
                               std::optional<RecordedCaption> caption, PictureLines lines)
    : m_frame(std::move(frame)), m_shown(shown), m_order(order), m_caption(std::move(caption)),
      m_lines(std::move(lines)) {}

std::size_t DecodedPicture::Bytes() const {
    std::size_t bytes = sizeof(*this) + sizeof(AVFrame) + m_lines.caption.capacity() + m_lines.streamInfo.capacity();
    if (m_caption) bytes += m_caption->text.capacity();
    for (const AVBufferRef* buffer : m_frame->buf) {
        if (buffer != nullptr) bytes += buffer->size;
    }
    for (int i = 0; i < m_frame->nb_extended_buf; ++i) bytes += m_frame->extended_buf[i]->size;
    return bytes;
}

}  // namespace korvane
