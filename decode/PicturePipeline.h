// The player's picture pipeline: one video record in, the picture the user
// sees out. It works out the picture size, chooses the decoder by the record's
// codec and sets it up again only when the size or the codec changes, decodes
// into the decode buffer, writes the caption and stream lines, draws the
// recorded caption into the picture and hands the finished picture to the
// painter.
//
// Decoding runs on one thread at a time (a command on the GUI thread or the
// playback worker). The painter runs on the GUI thread and reads only what
// Presentation() copies out under m_pictureMutex.
#pragma once

#include <cstdint>
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "decode/CaptionOverlay.h"
#include "decode/JpegDecoder.h"
#include "decode/VideoCodec.h"
#include "decode/VideoDecoder.h"
#include "recording/FrameReader.h"
#include "recording/RecordLayout.h"

namespace korvane {

inline constexpr std::size_t kPictureBufferStart = 12'000'000;
inline constexpr std::size_t kPictureBufferMax = 8192u * 4320u * 3u + 3000u;  // 8K pictures
inline constexpr std::size_t kTextMax = 259;  // texts live in 260-character buffers
inline constexpr int kCodecUnknown = -1;

// Win32 BITMAPINFOHEADER: how the painter reads the picture. A negative
// height marks rows stored top row first.
struct BitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
    bool operator==(const BitmapInfoHeader&) const = default;
};

// What the painter paints: a copy of the presented picture with its format
// and the two text lines.
struct Presentation {
    bool ready = false;  // false until the first picture was presented
    BitmapInfoHeader format;
    std::vector<std::uint8_t> pixels;  // biWidth x |biHeight| x 3 bytes
    std::string caption;
    std::string streamInfo;
};

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
    virtual ~PicturePipeline();
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
                       int* widthOut, int* heightOut);
    // A JPEG at its own size into the decode buffer; 1 with its size.
    int DecodeJpegFrame(std::span<const std::uint8_t> record, int* widthOut, int* heightOut);
    // Shows a group picture reached from behind: decodes from its key record
    // forward, unshown, to the record with the target's time of day, and shows
    // that one. 1 when it was reached.
    int ShowGroupPicture(const FrameHeader& target, FrameReader& reader,
                        std::span<std::uint8_t> refFrameData, std::span<std::uint8_t> frameData);

    struct Size {
        int width = 0;
        int height = 0;
        bool operator==(const Size&) const = default;
    };
    static Size ResolutionSize(int code, VideoCodec codec);
    // The shown width for a codec still kept as the record's number.
    static int DisplayWidth(int recordCodec, int width);
    void SetPictureFormat(int codec, int width, int height);

    // Draws the recorded caption into the picture, copies it for the painter
    // and asks for a repaint. A negative height: top row first.
    void PresentPicture(std::uint8_t* picture, int width, int height, const CaptionDescriptor* caption,
                        std::span<const std::uint8_t> captionText);

    // The camera-and-time line, written before a picture is decoded for display.
    void WriteCaption(const FrameHeader& header);
    std::string Caption() const;
    std::string StreamInfo() const;
    bool PictureReady() const;
    // A copy of everything the painter needs, taken under the picture lock.
    Presentation TakePresentation() const;
    // Called on the decoding thread after each presented picture.
    void SetRepaintRequest(std::function<void()> request) { m_repaintRequest = std::move(request); }

protected:
    void GrowPictureBuffers(std::size_t capacity);
    bool EnsureCapacity(int width, int height, std::size_t capacity);
    // Sets the video decoder up afresh for a new codec or picture size.
    void SetUpDecoder(VideoCodec codec, int width, int height);
    // Decodes the record into the decode buffer; on a picture, its size.
    bool Decompress(std::span<const std::uint8_t> record, PictureSize recordSize, bool keyFrame, int* widthOut,
                    int* heightOut);
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
    BitmapInfoHeader m_bmiHeader;

    std::unique_ptr<std::uint8_t[]> m_decodeBuffer;
    std::size_t m_pictureBufferSize = 0;

private:
    std::function<void()> m_repaintRequest;

    // Shared with the painter.
    mutable std::mutex m_pictureMutex;
    std::unique_ptr<std::uint8_t[]> m_picture;  // guarded; m_pictureBufferSize bytes
    BitmapInfoHeader m_presentedFormat;          // guarded
    bool m_pictureReady = false;                // guarded
    FixedText m_caption;                       // guarded
    FixedText m_streamInfo;                    // guarded
};

}  // namespace korvane
