#include "decode/CMP4CodecDll.h"

namespace korvane {

CMP4CodecDll::CMP4CodecDll() : m_decoder(AV_CODEC_ID_MPEG4) {}

CMP4CodecDll::~CMP4CodecDll() = default;

int CMP4CodecDll::OutputWidth(int width, int mode) {
    if (mode == 1 && width == 360) return 352;
    if (mode == 1 && width == 720) return 704;
    return width;
}

int CMP4CodecDll::MPEG4DecodeInit(int /*width*/, int /*height*/, int /*mode*/, int /*second*/,
                                  int /*reserved*/) {
    // The stream carries its own size; the size of each picture comes with
    // every MPEG4Decode call.
    return m_decoder.Open() ? 1 : 0;
}

int CMP4CodecDll::MPEG4Decode(const std::uint8_t* data, std::uint8_t* picture, int width,
                              int height, int length, int /*reserved*/, int mode,
                              std::size_t pictureCapacity) {
    if (length <= 0 || width <= 0 || height <= 0) return AdapterResult(VideoStatus::BadData);
    const VideoStatus decoded = m_decoder.Decode(data, static_cast<std::size_t>(length));
    if (decoded != VideoStatus::Picture) return AdapterResult(decoded);
    const RowOrder order = mode == 0 ? RowOrder::TopFirst : RowOrder::BottomFirst;
    return AdapterResult(m_decoder.WritePicture(picture, pictureCapacity,
                                         {OutputWidth(width, mode), height}, order));
}

int CMP4CodecDll::MPEG4DecodeClose(int /*mode*/) {
    m_decoder.Close();
    return 1;
}

}  // namespace korvane
