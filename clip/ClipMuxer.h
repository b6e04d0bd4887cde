// One clip written through libavformat: a video track whose packets are
// stored as given, an optional audio track, the title and the creation time.
// The container follows the file name: Matroska for .mkv, MP4 for .mp4. The
// clip is written front to back without going back (MP4 as fragments), so
// that it can be hashed as it is written.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/rational.h>
}

struct AVFormatContext;
struct AVIOContext;
struct AVPacket;

namespace korvane {

enum class Container { Matroska, Mp4 };

// The container a file name asks for; nothing for any other extension.
std::optional<Container> ContainerForPath(const std::string& path);

struct VideoTrack {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> extradata;  // the stream's headers, where the codec has any
};

struct AudioTrack {
    AVCodecID codec = AV_CODEC_ID_NONE;
    int sampleRate = 8000;
    int frameSize = 0;
    std::vector<std::uint8_t> extradata;
    int bitsPerSample = 0;  // of the coded sound; 0 where the codec knows it
    int blockAlign = 0;     // bytes of a block of a block codec, of a sample of PCM
    std::int64_t bitRate = 0;
};

struct ClipTags {
    std::string title;
    std::string creationTime;  // ISO 8601
    // The clip's length in milliseconds, known before its first packet. Matroska
    // states it in its header, which a clip hashed as it is written cannot go
    // back to fill in; without it, readers guess the length from the bit rate.
    std::int64_t durationMs = 0;
};

// Video timestamps are in milliseconds (capture times are), audio ones in samples.
inline constexpr int kVideoTicksPerSecond = 1000;

class ClipMuxer {
public:
    ClipMuxer();
    ~ClipMuxer();
    ClipMuxer(const ClipMuxer&) = delete;
    ClipMuxer& operator=(const ClipMuxer&) = delete;

    // Writes the container's header into io; false (with Error()) when the muxer refuses the tracks.
    bool Open(AVIOContext* io, Container container, const VideoTrack& video, const std::optional<AudioTrack>& audio,
              const ClipTags& tags);
    bool WriteVideo(std::span<const std::uint8_t> data, std::int64_t ticks, std::int64_t duration, bool key);
    bool WriteAudio(std::span<const std::uint8_t> data, std::int64_t samples, std::int64_t duration);
    // Writes the trailer; false when it fails.
    bool Finish();
    // What libavformat said of the last failure.
    const std::string& Error() const { return m_error; }

private:
    bool Write(int stream, std::span<const std::uint8_t> data, std::int64_t pts, std::int64_t duration,
               AVRational from, bool key);

    struct ContextDeleter {
        void operator()(AVFormatContext* context) const;
    };
    std::unique_ptr<AVFormatContext, ContextDeleter> m_context;
    struct PacketDeleter {
        void operator()(AVPacket* packet) const;
    };
    std::unique_ptr<AVPacket, PacketDeleter> m_packet;
    bool Failed(const char* what, int code);

    std::string m_error;
    int m_audioStream = -1;
    int m_audioRate = 8000;
};

}  // namespace korvane
