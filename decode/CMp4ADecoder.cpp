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

std::uint8_t CMp4ADecoder::Initialize(const VideoInitBlock& block) {
    m_initialized = {static_cast<int>(block.width), static_cast<int>(block.height)};
    return m_decoder.Open() ? 1 : 0;
}

int CMp4ADecoder::Decompress(Mp4ADecompressBlock& block) {
    return DecompressAtStreamSize(m_decoder, block, false, m_initialized, RowOrder::TopFirst, DisplayedWidth);
}

void CMp4ADecoder::Release() { m_decoder.Close(); }

}  // namespace korvane
