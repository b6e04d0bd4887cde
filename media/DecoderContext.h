// Opening a libavcodec decoder, shared by the video and the audio decoders.
#pragma once

#include <functional>

#include "media/FFmpegPtr.h"

namespace korvane {

// A decoder for codecId, set up by configure before it opens; null when
// libavcodec has no such decoder or refuses the set-up.
AVCodecContextUPtr OpenDecoderContext(AVCodecID codecId, const std::function<void(AVCodecContext&)>& configure);

// Makes the packet and the frame that every record reuses, once.
bool EnsurePacketAndFrame(AVPacketUPtr& packet, AVFrameUPtr& frame);

}  // namespace korvane
