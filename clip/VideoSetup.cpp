#include "clip/VideoSetup.h"

#include "decode/VideoCodec.h"
#include "media/DecoderContext.h"
#include "media/PaddedPacket.h"

namespace korvane {
namespace {

constexpr std::uint8_t kNalSps = 7;
constexpr std::uint8_t kNalPps = 8;
constexpr std::uint8_t kVopStart = 0xB6;

// Offset of the next 00 00 01 at or after `from`, or the size.
std::size_t StartCode(std::span<const std::uint8_t> s, std::size_t from) {
    for (std::size_t i = from; i + 2 < s.size(); ++i)
        if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) return i;
    return s.size();
}

std::vector<std::uint8_t> H264Headers(const std::vector<std::vector<std::uint8_t>>& records) {
    std::vector<std::uint8_t> headers;
    bool sps = false, pps = false;
    for (const auto& record : records) {
        for (std::span<const std::uint8_t> nal : SplitNalUnits(record)) {
            const std::uint8_t type = nal[0] & 0x1F;
            if ((type != kNalSps || sps) && (type != kNalPps || pps)) continue;
            (type == kNalSps ? sps : pps) = true;
            headers.insert(headers.end(), {0, 0, 0, 1});
            headers.insert(headers.end(), nal.begin(), nal.end());
        }
    }
    return sps && pps ? headers : std::vector<std::uint8_t>{};
}

// The bytes in front of the first VOP of the first record that has any.
std::vector<std::uint8_t> Mpeg4Headers(const std::vector<std::vector<std::uint8_t>>& records) {
    for (const auto& record : records) {
        for (std::size_t at = StartCode(record, 0); at < record.size(); at = StartCode(record, at + 3)) {
            if (at + 3 < record.size() && record[at + 3] == kVopStart) {
                if (at > 0) return {record.begin(), record.begin() + static_cast<std::ptrdiff_t>(at)};
                break;
            }
        }
    }
    return {};
}

}  // namespace

AVCodecID ContainerCodec(std::uint8_t recordCodec) {
    const VideoCodecTraits& traits = TraitsOf(VideoCodecFromRecord(recordCodec));
    if (traits.path == DecoderPath::Jpeg) return AV_CODEC_ID_MJPEG;
    return traits.avCodec;
}

bool HoldsPicture(AVCodecID codec, std::span<const std::uint8_t> data) {
    if (codec == AV_CODEC_ID_H264) {
        for (std::span<const std::uint8_t> nal : SplitNalUnits(data))
            if (const int type = nal[0] & 0x1F; type >= 1 && type <= 5) return true;
        return false;
    }
    if (codec == AV_CODEC_ID_MPEG4) {
        for (std::size_t at = StartCode(data, 0); at < data.size(); at = StartCode(data, at + 3))
            if (at + 3 < data.size() && data[at + 3] == kVopStart) return true;
        return false;
    }
    return true;
}

std::vector<std::span<const std::uint8_t>> SplitNalUnits(std::span<const std::uint8_t> stream) {
    std::vector<std::span<const std::uint8_t>> units;
    std::size_t at = StartCode(stream, 0);
    while (at < stream.size()) {
        const std::size_t begin = at + 3;
        const std::size_t next = StartCode(stream, begin);
        std::size_t end = next;
        // A four-byte start code's leading zero, and trailing zeros, are not part of the unit.
        while (end > begin && stream[end - 1] == 0) --end;
        if (end > begin) units.push_back(stream.subspan(begin, end - begin));
        at = next;
    }
    return units;
}

std::optional<VideoTrack> ProbeVideo(AVCodecID codec, const std::vector<std::vector<std::uint8_t>>& records) {
    VideoTrack track;
    track.codec = codec;
    if (codec == AV_CODEC_ID_H264) track.extradata = H264Headers(records);
    if (codec == AV_CODEC_ID_MPEG4) track.extradata = Mpeg4Headers(records);

    AVCodecContextUPtr context = OpenDecoderContext(codec, [](AVCodecContext& c) { c.thread_count = 1; });
    AVPacketUPtr packet;
    AVFrameUPtr frame;
    if (!context || !EnsurePacketAndFrame(packet, frame)) return std::nullopt;
    auto received = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) == 0) {
            track.width = frame->width;
            track.height = frame->height;
            av_frame_unref(frame.get());
        }
        return track.width > 0 && track.height > 0;
    };
    for (const auto& record : records) {
        if (!FillPaddedPacket(*packet, record.data(), record.size())) return std::nullopt;
        avcodec_send_packet(context.get(), packet.get());
        if (received()) return track;
    }
    avcodec_send_packet(context.get(), nullptr);
    if (received()) return track;
    return std::nullopt;
}

}  // namespace korvane
