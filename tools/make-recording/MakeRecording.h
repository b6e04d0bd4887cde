// Makes recordings from elementary streams: each camera's pictures become
// video records stamped at its frame rate, with an optional audio stream cut
// into blocks and interleaved by time, a recorded caption with a picture
// counter, and an extension block with the picture size and a name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "recording/RecordLayout.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"

namespace korvane::tools {

struct CameraStream {
    int camera = 0;
    std::string videoPath;                   // .m4v, .h264 or .mjpeg
    std::optional<std::uint8_t> codec;       // by default 5, 10 or 9 after the stream kind
    std::optional<std::uint8_t> resolution;  // by default the code of the picture size
    int framesPerSecond = 25;
    std::string name;           // extension block's name; no block when empty
    std::string captionPrefix;  // caption "<prefix>  #0001"; no caption when empty
    std::string audioPath;      // .g726 (G.721), .raw (16-bit PCM) or .wav (IMA ADPCM); optional
};

struct CameraSummary {
    int camera = 0;
    testing::PictureSize size;
    std::size_t videoRecords = 0;
    std::size_t keyRecords = 0;
    std::size_t audioRecords = 0;
    std::size_t captions = 0;
    std::size_t extensions = 0;
    SystemTime first;
    SystemTime last;
};

// Resolution code of a picture size, or 15 (704 x 480) for a size without one.
std::uint8_t ResolutionCode(int width, int height);

// Appends one camera's records and marks the camera in both camera tables.
CameraSummary AddCamera(testing::RecordingWriter& writer, const CameraStream& stream, SystemTime start);

// The command line: "demo" and "camera" modes (see Usage). Returns the exit status.
int RunMakeRecording(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace korvane::tools
