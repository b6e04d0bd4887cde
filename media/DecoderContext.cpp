#include "media/DecoderContext.h"

namespace korvane {

AVCodecContextUPtr OpenDecoderContext(AVCodecID codecId, const std::function<void(AVCodecContext&)>& configure) {
    const AVCodec* codec = avcodec_find_decoder(codecId);
    if (codec == nullptr) return nullptr;
    AVCodecContextUPtr context(avcodec_alloc_context3(codec));
    if (!context) return nullptr;
    configure(*context);
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
    return context;
}

bool EnsurePacketAndFrame(AVPacketUPtr& packet, AVFrameUPtr& frame) {
    if (!packet) packet.reset(av_packet_alloc());
    if (!frame) frame.reset(av_frame_alloc());
    return packet && frame;
}

}  // namespace korvane
