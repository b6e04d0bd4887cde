#include "decode/CMp4ADecoder.h"

namespace korvane {
namespace {

// Coded widths of this recorder's MPEG-4 streams and the width shown.
int DisplayedWidth(int codedWidth) {
    switch (codedWidth) {
        case 720: return 704;
        case 368: return 352;
        default: return codedWidth;
    }
}

}  // namespace

CMp4ADecoder::CMp4ADecoder() : m_decoder(AV_CODEC_ID_MPEG4) {}

CMp4ADecoder::~CMp4ADecoder() = default;

int CMp4ADecoder::Result(VideoStatus status) {
    switch (status) {
        case VideoStatus::Picture: return 1;
        case VideoStatus::NoPicture:
        case VideoStatus::BadData:
        case VideoStatus::TooLarge:
        case VideoStatus::NotOpen:
        case VideoStatus::Failed: return 0;
    }
    return 0;
}

std::uint8_t CMp4ADecoder::Initialize(const VideoInitBlock& block) {
    m_initialized = {static_cast<int>(block.width), static_cast<int>(block.height)};
    return m_decoder.Open() ? 1 : 0;
}

int CMp4ADecoder::Decompress(Mp4ADecompressBlock& block) {
    const VideoStatus decoded = m_decoder.Decode(block.data, block.length);
    if (decoded != VideoStatus::Picture) return Result(decoded);

    const PictureSize coded = m_decoder.DecodedSize();
    PictureSize out = CropToAsked(coded, m_initialized);
    if (out.width == coded.width) out.width = DisplayedWidth(coded.width);
    const VideoStatus written =
        m_decoder.WritePicture(block.picture, block.pictureCapacity, out, RowOrder::TopFirst);
    if (written == VideoStatus::Picture) {
        block.widthOut = static_cast<std::uint32_t>(out.width);
        block.heightOut = static_cast<std::uint32_t>(out.height);
    }
    return Result(written);
}

void CMp4ADecoder::Release() { m_decoder.Close(); }

}  // namespace korvane
