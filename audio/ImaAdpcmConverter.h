// The IMA ADPCM to PCM conversion of play with sound: mono 8,000-Hz IMA
// ADPCM in 508-byte blocks of 1,009 samples into 16-bit mono PCM (2,018
// bytes a block), through libavcodec's adpcm_ima_wav decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "audio/AvAudioDecoder.h"

namespace korvane {

inline constexpr std::uint16_t kWaveFormatImaAdpcm = 0x11;
inline constexpr std::size_t kImaBlockBytes = 508;
inline constexpr std::size_t kImaBlockSamples = 1009;
inline constexpr std::size_t kImaBlockPcmBytes = kImaBlockSamples * 2;  // 2,018

class ImaAdpcmConverter {
public:
    // formatTag: the wave format tag of the coding to convert from. Only IMA
    // ADPCM (0x11) has a converter; Init fails for any other.
    explicit ImaAdpcmConverter(std::uint16_t formatTag = kWaveFormatImaAdpcm);
    ImaAdpcmConverter(const ImaAdpcmConverter&) = delete;
    ImaAdpcmConverter& operator=(const ImaAdpcmConverter&) = delete;

    // Opens the conversion stream (again, when it is open). 1 when it is
    // open, 0 otherwise.
    int Init();
    // Converts the whole 508-byte blocks at the start of src into dst, as
    // many as fit: bytes after the last whole block are not converted, and
    // conversion stops at the first block whose PCM no longer fits. On
    // success returns 1 and sets produced to the PCM bytes written (0 when
    // src holds no whole block). Returns 0 and leaves produced as it was
    // when no stream is open or the decoder refuses a block. Never writes
    // past dst.
    int Convert(std::span<const std::uint8_t> src, std::span<std::uint8_t> dst, std::uint32_t& produced);
    // Closes the stream; Convert then converts nothing until the next Init.
    void Close();
    bool IsOpen() const { return m_stream.IsOpen(); }

private:
    std::uint16_t m_formatTag;
    AvAudioDecoder m_stream;
};

}  // namespace korvane
