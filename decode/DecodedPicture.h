// A picture as its decoder gave it, kept until it is shown: the decoder's
// planes (YUV for libavcodec's codecs, BGR rows for JPEG) held by a frame
// reference of its own, and everything needed to show it. It never changes
// once made, so the decoding thread, a cache and the converting thread can
// all hold it without a lock. PictureConverter turns it into what is shown.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "decode/VideoCodec.h"
#include "media/FFmpegPtr.h"
#include "recording/RecordLayout.h"

namespace korvane {

// No picture is shown larger than 8K: its BGR rows.
inline constexpr std::size_t kLargestPictureBytes = 8192u * 4320u * 3u;

// The lines shown with a picture, and the record they were written for.
struct PictureLines {
    std::string caption;     // the camera-and-time line
    std::string streamInfo;  // the extension's name and size line
    int camera = -1;         // 0-based
    SystemTime captureTime;
};

// A caption the recorder asks to draw into its picture.
struct RecordedCaption {
    CaptionDescriptor descriptor;
    std::string text;  // Latin-1, cut to the descriptor's length
};

class DecodedPicture {
public:
    // `frame` is a reference of the picture's own; `shown` the size it is
    // shown at (the frame's centre when the frame is a little larger);
    // `order` the codec's row order, which a recorded caption is drawn in.
    DecodedPicture(AVFrameUPtr frame, PictureSize shown, RowOrder order,
                   std::optional<RecordedCaption> caption, PictureLines lines);
    DecodedPicture(const DecodedPicture&) = delete;
    DecodedPicture& operator=(const DecodedPicture&) = delete;

    const AVFrame& Frame() const { return *m_frame; }
    PictureSize Shown() const { return m_shown; }
    RowOrder Order() const { return m_order; }
    // The caption to draw; null when none is marked and enabled.
    const RecordedCaption* Caption() const { return m_caption ? &*m_caption : nullptr; }
    const PictureLines& Lines() const { return m_lines; }
    // The memory this picture holds: the frame's buffers and its texts.
    std::size_t Bytes() const;

private:
    AVFrameUPtr m_frame;
    PictureSize m_shown;
    RowOrder m_order;
    std::optional<RecordedCaption> m_caption;
    PictureLines m_lines;
};

using DecodedHandle = std::shared_ptr<const DecodedPicture>;

}  // namespace korvane
