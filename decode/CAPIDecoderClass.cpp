#include "decode/CAPIDecoderClass.h"

#include "recording/RecordLayout.h"

namespace korvane {

CAPIDecoderClass::CAPIDecoderClass() : m_decoder(AV_CODEC_ID_H264) {}

CAPIDecoderClass::~CAPIDecoderClass() = default;

std::uint8_t CAPIDecoderClass::Initialize(const VideoInitBlock& block) {
    m_initialized = {static_cast<int>(block.width), static_cast<int>(block.height)};
    return m_decoder.Open() ? 1 : 0;
}

int CAPIDecoderClass::Decompress(H264DecompressBlock& block) {
    const bool key = (block.frameType & 0xFF) == kFrameKey;
    return DecompressAtStreamSize(m_decoder, block, key, m_initialized, RowOrder::BottomFirst);
}

void CAPIDecoderClass::Release() { m_decoder.Close(); }

}  // namespace korvane
