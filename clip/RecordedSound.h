// A clip's sound as the recorder coded it, for Matroska: each sound record
// is one packet at its capture time (placed by SoundTimes), nothing decoded.
// The bytes go in as recorded, with two exceptions that change no sample:
// G.721 records hold two 4-bit codes a byte, the first in the low nibble,
// while Matroska's G.726 track (A_MS/ACM, format tag 0x0045) takes the first
// in the high nibble, so each byte's nibbles are swapped (swapping them again
// gives the recorded bytes); and the bytes the player leaves out (IMA ADPCM
// after the last whole block, the odd last byte of 16-bit PCM) are left out.
// The decoder's state runs on from packet to packet as from record to record.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioRecordDecoder.h"
#include "clip/ClipMuxer.h"
#include "clip/ClipSpan.h"
#include "clip/SoundTimes.h"

namespace korvane {

struct RecordedFormat {
    AudioCoding coding = AudioCoding::G721;
    int rate = kDefaultSampleRate;
};

// The coding and rate every sound record shares; nothing when they differ
// (the sound is then decoded) or there are none.
std::optional<RecordedFormat> SharedFormat(std::span<const ClipRecord> audio);

// The track that carries the sound as recorded.
AudioTrack RecordedTrack(const RecordedFormat& format);

// libavcodec's name of the codec the clip carries the sound in.
std::string RecordedCodecName(AudioCoding coding);

// For the reader of a report: how the sound of a clip is carried, in one sentence.
std::string SoundNote(const std::optional<AudioCoding>& recorded, const std::string& audioCodec);

class RecordedSound {
public:
    RecordedSound(RecordedFormat format, SoundTimes times);

    // Writes the record's packet; false when the muxer refuses it. A record
    // without a whole sample or block gives no packet.
    bool Add(ClipMuxer& muxer, const FrameHeader& header, std::span<const std::uint8_t> data);
    std::uint64_t Samples() const { return m_samples; }
    std::size_t OutOfOrder() const { return m_times.OutOfOrder(); }

private:
    RecordedFormat m_format;
    SoundTimes m_times;
    std::vector<std::uint8_t> m_swapped;  // reused
    std::uint64_t m_samples = 0;
};

}  // namespace korvane
