#include "decode/CSDI_Colorspace.h"

namespace korvane {

CSDI_Colorspace::CSDI_Colorspace() : m_decoder(AV_CODEC_ID_H264) {}

CSDI_Colorspace::~CSDI_Colorspace() = default;

int CSDI_Colorspace::Initialize(const SdiInitBlock& block) {
    m_initialized = {static_cast<int>(block.width), static_cast<int>(block.height)};
    return m_decoder.Open() ? 1 : 0;
}

int CSDI_Colorspace::Decompress(SdiDecompressBlock& block) {
    return DecompressAtStreamSize(m_decoder, block, false, m_initialized, RowOrder::BottomFirst);
}

void CSDI_Colorspace::Release() { m_decoder.Close(); }

}  // namespace korvane
