// One libavcodec audio decoder for mono 8 kHz ADPCM, giving 16-bit signed
// samples; AudioRecordDecoder uses one for G.721 and one for IMA ADPCM. The
// decoder's state runs on from one packet to the next, as a continuous ADPCM
// stream needs.
//
// Steady decoding allocates nothing of its own: the packet keeps its padded
// copy of the input (it only grows) and the frame is reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "media/FFmpegPtr.h"

namespace korvane {

enum class AudioStatus {
    Decoded,   // every sample the packet gave was written
    TooLarge,  // the samples did not fit; those of the frames that did are written
    BadData,   // the decoder refused the packet
    NotOpen,   // no decoder set up
    Failed,    // out of memory or another failure of the library
};

class AvAudioDecoder {
public:
    AvAudioDecoder();
    ~AvAudioDecoder();
    AvAudioDecoder(const AvAudioDecoder&) = delete;
    AvAudioDecoder& operator=(const AvAudioDecoder&) = delete;

    // (Re)creates the decoder for mono 8 kHz input of 4-bit codes; blockAlign
    // is the size of a block for block codecs, 0 for the others.
    bool Open(AVCodecID codecId, int blockAlign);
    void Close();
    bool IsOpen() const { return m_context != nullptr; }

    // Decodes one packet into out and sets produced to the samples written.
    // Never writes past out.
    AudioStatus Decode(std::span<const std::uint8_t> in, std::span<std::int16_t> out, std::size_t& produced);

private:

    AVCodecContextUPtr m_context;
    AVPacketUPtr m_packet;
    AVFrameUPtr m_frame;
};

// Maps a libavcodec error code to a status; the one place where AVERROR
// values are interpreted for audio.
AudioStatus AudioStatusFromAvError(int error);

}  // namespace korvane
