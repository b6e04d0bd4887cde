// The player's picture pipeline: one video record in, its decoded picture
// out. It works out the picture size, chooses the decoder by the record's
// codec and sets it up again only when the size or the codec changes,
// decodes, writes the caption and stream lines, and hands the picture on as
// an immutable DecodedPicture (still as the decoder gave it: a
// PictureConverter makes what is shown of it).
//
// Decoding runs on one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "decode/DecodedPicture.h"
#include "decode/JpegDecoder.h"
#include "decode/VideoCodec.h"
#include "decode/VideoDecoder.h"
#include "recording/RecordLayout.h"

namespace korvane {

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

// status: 1 when a picture was decoded, 0 when not (audio records give 0),
// kCodecUnknown for a codec the player does not know. picture: the decoded
// picture when it was asked for and the record gives one to show.
struct DecodeResult {
    int status = 0;
    DecodedHandle picture;
};

class PicturePipeline {
public:
    PicturePipeline();
    ~PicturePipeline();
    PicturePipeline(const PicturePipeline&) = delete;
    PicturePipeline& operator=(const PicturePipeline&) = delete;

    // Decodes one record. Without keepPicture the record only brings the
    // decoder up to date: no picture is kept.
    DecodeResult Decode(const FrameHeader& header, const FrameExtension& extension,
                        std::span<const std::uint8_t> data, const CaptionDescriptor* caption,
                        std::span<const std::uint8_t> captionText, bool keepPicture);

    struct Size {
        int width = 0;
        int height = 0;
        bool operator==(const Size&) const = default;
    };
    static Size ResolutionSize(int code, VideoCodec codec);

    // The camera-and-time line, written before a picture is decoded for display.
    void WriteCaption(const FrameHeader& header);
    std::string Caption() const { return m_caption.str(); }
    std::string StreamInfo() const { return m_streamInfo.str(); }
    // Puts back the lines of a picture decoded earlier, as it is shown again.
    void RestoreTexts(const std::string& caption, const std::string& streamInfo) {
        m_caption.Assign(caption.data(), caption.size());
        m_streamInfo.Assign(streamInfo.data(), streamInfo.size());
    }
    // The next record sets its decoder up afresh (a new recording).
    void ForgetDecoder() { m_decoderCodec = VideoCodec::Unknown; }
    // Up to `count` threads decode the slices of a picture larger than 720p
    // (one core is enough for smaller ones), from the decoder's next set-up
    // on. Pictures still leave with their records, exactly as with one.
    void SetDecoderThreads(int count) {
        m_decoderThreads = count;
        ForgetDecoder();
    }
    // Whether the last picture kept was wider than 600 pixels.
    bool LargePicture() const { return m_largePicture; }

private:
    // The HD cameras' records: the decoder is set up again when the codec or
    // the size it was set up with changes.
    VideoStatus DecodeSdi(VideoCodec codec, std::span<const std::uint8_t> record, PictureSize size,
                          PictureSize& shown);
    // Sets the video decoder up afresh for a new codec or picture size.
    void SetUpDecoder(VideoCodec codec, PictureSize size);
    void SetStreamInfo(const char* text, std::size_t length);
    DecodedHandle Keep(AVFrameUPtr frame, PictureSize shown, RowOrder order, const CaptionDescriptor* caption,
                       std::span<const std::uint8_t> captionText);

    // One decoder for every libavcodec codec; a change of codec sets it up
    // again, so its state never carries over from one codec to another.
    VideoDecoder m_videoDecoder;
    JpegDecoder m_jpegDecoder;

    PictureSize m_videoSize;  // the record size the video path last saw (JPEG records change it too)
    VideoCodec m_decoderCodec = VideoCodec::Unknown;  // what m_videoDecoder was set up for
    bool m_largePicture = false;
    int m_decoderThreads = 1;

    FixedText m_caption;
    int m_captionCamera = -1;  // the record m_caption was written for
    SystemTime m_captionTime;
    FixedText m_streamInfo;
};

}  // namespace korvane
