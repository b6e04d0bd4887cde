#include "audio/ImaAdpcmConverter.h"

namespace korvane {

ImaAdpcmConverter::ImaAdpcmConverter(std::uint16_t formatTag) : m_formatTag(formatTag) {}

int ImaAdpcmConverter::Init() {
    m_stream.Close();
    if (m_formatTag != kWaveFormatImaAdpcm) return 0;
    return m_stream.Open(AV_CODEC_ID_ADPCM_IMA_WAV, static_cast<int>(kImaBlockBytes)) ? 1 : 0;
}

int ImaAdpcmConverter::Convert(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst,
                           std::uint32_t& produced) {
    if (!m_stream.IsOpen()) return 0;
    std::size_t written = 0;
    for (std::size_t at = 0; at + kImaBlockBytes <= src.size(); at += kImaBlockBytes) {
        std::size_t bytes = 0;
        const AudioStatus status =
            m_stream.Decode(src.subspan(at, kImaBlockBytes), dst.subspan(written), bytes);
        written += bytes;
        if (status == AudioStatus::TooLarge) break;
        if (status != AudioStatus::Decoded) return 0;
    }
    produced = static_cast<std::uint32_t>(written);
    return 1;
}

void ImaAdpcmConverter::Close() {
    m_stream.Close();
}

}  // namespace korvane
