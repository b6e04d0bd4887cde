#include "decode/CAPIDecoderClass.h"

#include "recording/RecordLayout.h"

namespace korvane {

CAPIDecoderClass::CAPIDecoderClass() : m_decoder(AV_CODEC_ID_H264) {}

CAPIDecoderClass::~CAPIDecoderClass() = default;

int CAPIDecoderClass::Result(VideoStatus status) {
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

std::uint8_t CAPIDecoderClass::Initialize(const VideoInitBlock& block) {
    m_initialized = {static_cast<int>(block.width), static_cast<int>(block.height)};
    return m_decoder.Open() ? 1 : 0;
}

int CAPIDecoderClass::Decompress(H264DecompressBlock& block) {
    const bool key = (block.frameType & 0xFF) == kFrameKey;
    const VideoStatus decoded = m_decoder.Decode(block.data, block.length, key);
    if (decoded != VideoStatus::Picture) return Result(decoded);

    const PictureSize out = CropToAsked(m_decoder.DecodedSize(), m_initialized);
    const VideoStatus written =
        m_decoder.WritePicture(block.picture, block.pictureCapacity, out, RowOrder::BottomFirst);
    if (written == VideoStatus::Picture) {
        block.widthOut = static_cast<std::uint32_t>(out.width);
        block.heightOut = static_cast<std::uint32_t>(out.height);
    }
    return Result(written);
}

void CAPIDecoderClass::Release() { m_decoder.Close(); }

}  // namespace korvane
