// Owning types for the C objects of FFmpeg and TurboJPEG: each one frees its
// object with the library's own function when it goes out of scope.
#pragma once

#include <memory>
#include <type_traits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}
#include <turbojpeg.h>

namespace korvane {

// Calls FreeFn with the object, or with its address for the functions that
// take a T** and clear the caller's pointer (av_frame_free and the like).
template <auto FreeFn>
struct AVDeleter {
    template <typename T>
    void operator()(T* object) const {
        if (object == nullptr) return;
        if constexpr (std::is_invocable_v<decltype(FreeFn), T**>) {
            FreeFn(&object);
        } else {
            FreeFn(object);
        }
    }
};

using AVFrameUPtr = std::unique_ptr<AVFrame, AVDeleter<&av_frame_free>>;
using AVPacketUPtr = std::unique_ptr<AVPacket, AVDeleter<&av_packet_free>>;
using AVCodecContextUPtr = std::unique_ptr<AVCodecContext, AVDeleter<&avcodec_free_context>>;
using AVBufferRefUPtr = std::unique_ptr<AVBufferRef, AVDeleter<&av_buffer_unref>>;
// The pool goes once its last buffer has come back.
using AVBufferPoolUPtr = std::unique_ptr<AVBufferPool, AVDeleter<&av_buffer_pool_uninit>>;
using SwsContextUPtr = std::unique_ptr<SwsContext, AVDeleter<&sws_freeContext>>;
// tjhandle is a void*, so the generic deleter would hand tjDestroy the
// pointer's address (a void** converts to void*); it gets its own.
struct TjDeleter {
    void operator()(void* handle) const {
        if (handle != nullptr) tjDestroy(handle);
    }
};
using TjHandleUPtr = std::unique_ptr<void, TjDeleter>;

}  // namespace korvane
