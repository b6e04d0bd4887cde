// The player's picture pipeline: one video record in, the picture the user
// sees out. It works out the picture size, chooses the decoder by the record's
// codec and sets it up again only when the size or the codec changes, decodes
// into the decode buffer, writes the caption and stream lines, draws the
// recorded caption into the picture and hands the finished picture on as an
// immutable value.
//
// Decoding runs on one thread at a time (a command on the GUI thread or the
// playback worker); the picture sink is called on that thread.
#pragma once

#include <cstdint>
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "decode/CaptionOverlay.h"
#include "decode/JpegDecoder.h"
#include "decode/Picture.h"
#include "decode/VideoCodec.h"
#include "decode/VideoDecoder.h"
#include "recording/RecordLayout.h"

namespace korvane {

inline constexpr std::size_t kPictureBufferStart = 12'000'000;
inline constexpr std::size_t kPictureBufferMax = 8192u * 4320u * 3u + 3000u;  // 8K pictures
inline constexpr std::size_t kTextMax = 259;  // texts live in 260-character buffers
inline constexpr int kCodecUnknown = -1;

// A text of at most 259 characters kept in place, so that writing one
// allocates nothing.
class FixedText {
public:
    void Assign(const char* text, std::size_t length);
    void Clear() { m_length = 0; }
    std::string str() const { return std::string(m_chars.data(), m_length); }

private:
    std::array<char, kTextMax + 1> m_chars{};
    std::size_t m_length = 0;
};

// "CAM =%d  %s": the camera counted from 1 and the capture time.
std::string FormatCaption(const FrameHeader& header);

class PicturePipeline {
public:
    PicturePipeline();
    ~PicturePipeline();
    PicturePipeline(const PicturePipeline&) = delete;
    PicturePipeline& operator=(const PicturePipeline&) = delete;

    // 1 when a picture was decoded, 0 when not (audio records give 0), -1 for
    // a codec the player does not know. With show 0 the record only keeps
    // the decoder's reference pictures up to date.
    int DecodeVideoFrame(const FrameHeader& header, const FrameExtension& extension,
                         std::span<const std::uint8_t> data, const CaptionDescriptor* caption,
                         std::span<const std::uint8_t> captionText, int show);
    // The HD cameras' records: the decoder is set up again when the codec or
    // the size it was set up with changes. 1 with the picture's size.
    int DecodeSdiFrame(VideoCodec codec, std::span<const std::uint8_t> record, int width, int height,
                       int* widthOut, int* heightOut, bool convert = true);
    // A JPEG at its own size into the decode buffer; 1 with its size.
    int DecodeJpegFrame(std::span<const std::uint8_t> record, int* widthOut, int* heightOut);

    struct Size {
        int width = 0;
        int height = 0;
        bool operator==(const Size&) const = default;
    };
    static Size ResolutionSize(int code, VideoCodec codec);
    // The shown width for a codec still kept as the record's number.

    // Draws the recorded caption into the picture and hands a copy, top row
    // first, to the picture sink. A negative height: top row first.
    void PresentPicture(std::uint8_t* picture, int width, int height, const CaptionDescriptor* caption,
                        std::span<const std::uint8_t> captionText);

    // The camera-and-time line, written before a picture is decoded for display.
    void WriteCaption(const FrameHeader& header);
    std::string Caption() const { return m_caption.str(); }
    std::string StreamInfo() const { return m_streamInfo.str(); }
    // Puts back the lines of a picture decoded earlier, as it is shown again.
    void RestoreTexts(const std::string& caption, const std::string& streamInfo) {
        m_caption.Assign(caption.data(), caption.size());
        m_streamInfo.Assign(streamInfo.data(), streamInfo.size());
    }
    // Called on the decoding thread with each presented picture.
    void SetPictureSink(std::function<void(PictureHandle)> sink) { m_pictureSink = std::move(sink); }
    // The next record sets its decoder up afresh (a new recording).
    void ForgetDecoder() { m_decoderCodec = VideoCodec::Unknown; }
    // Whether the last presented picture was wider than 600 pixels.
    bool LargePicture() const { return m_largePicture != 0; }

protected:
    void GrowPictureBuffers(std::size_t capacity);
    bool EnsureCapacity(int width, int height, std::size_t capacity);
    // Sets the video decoder up afresh for a new codec or picture size.
    void SetUpDecoder(VideoCodec codec, int width, int height);
    // Decodes the record, into the decode buffer when converted; on a picture, its size.
    bool Decompress(std::span<const std::uint8_t> record, PictureSize recordSize, bool keyFrame, bool convert,
                    int* widthOut, int* heightOut);
    void SetStreamInfo(const char* text, std::size_t length);

    // One decoder for every libavcodec codec; a change of codec sets it up
    // again, so its state never carries over from one codec to another.
    VideoDecoder m_videoDecoder;
    JpegDecoder m_jpegDecoder;
    CaptionOverlay m_textOverlay;

    int m_videoWidth = 0;
    int m_videoHeight = 0;
    VideoCodec m_decoderCodec = VideoCodec::Unknown;  // what m_videoDecoder was set up for
    int m_topDown = 0;
    int m_largePicture = 0;

    std::unique_ptr<std::uint8_t[]> m_decodeBuffer;
    std::size_t m_pictureBufferSize = 0;

private:
    std::function<void(PictureHandle)> m_pictureSink;
    FixedText m_caption;
    int m_captionCamera = -1;  // the record m_caption was written for
    SystemTime m_captionTime;
    FixedText m_streamInfo;
};

}  // namespace korvane
