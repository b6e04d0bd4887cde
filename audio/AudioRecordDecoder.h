// The one decoder of audio records, for play with sound and for export: one
// switch over the record's coding, giving 16-bit signed mono samples.
//
// Codings by the record's codec byte: 1 linear PCM (16-bit little-endian,
// or 8-bit unsigned when the record names 8 bits); 8, 10 and 13 G.721 (G.726
// at 32 kbit/s, two 4-bit codes a byte, low nibble first), whose state runs
// on from record to record until Restart; any other IMA ADPCM in 508-byte
// blocks of 1,009 samples, each block standing alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "audio/AvAudioDecoder.h"
#include "recording/RecordLayout.h"

namespace korvane {

enum AudioCodec : std::uint8_t {
    kAudioCodecPcm = 1,
    kAudioCodecG721 = 8,
    kAudioCodecG721b = 10,
    kAudioCodecG721c = 13,
};

enum class AudioCoding { Pcm16, Pcm8, G721, ImaAdpcm };

inline constexpr std::size_t kImaBlockBytes = 508;
inline constexpr std::size_t kImaBlockSamples = 1009;
inline constexpr int kDefaultSampleRate = 8000;

AudioCoding CodingOf(const FrameHeader& header);
// Samples a second of the record's sound: the rate a PCM or IMA ADPCM record
// names, else 8,000 (G.721 is always 8,000).
int SampleRateOf(const FrameHeader& header);

class AudioRecordDecoder {
public:
    AudioRecordDecoder();

    // Sets the decoders up again, the G.721 stream from its start; false
    // when a decoder cannot be set up (its records are then refused).
    bool Restart();

    // Decodes one record: its header and the bytes read for it. The samples
    // stay valid until the next call. Nothing when the record is refused: its
    // header claims more bytes than were read, an IMA ADPCM record holds no
    // whole block, or a decoder refuses its data. IMA ADPCM bytes after the
    // last whole block and the odd last byte of 16-bit PCM are left out.
    std::optional<std::span<const std::int16_t>> Decode(const FrameHeader& header,
                                                        std::span<const std::uint8_t> data);

private:
    bool DecodeWith(AvAudioDecoder& decoder, std::span<const std::uint8_t> data, std::size_t pieceBytes,
                    std::size_t pieceSamples);

    AvAudioDecoder m_g721;
    AvAudioDecoder m_ima;
    std::vector<std::int16_t> m_samples;  // the last record's, reused
};

}  // namespace korvane
