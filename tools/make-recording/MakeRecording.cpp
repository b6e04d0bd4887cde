#include "tools/make-recording/MakeRecording.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "recording/TimeStamp.h"

namespace korvane::tools {
namespace {

using testing::PictureSize;

constexpr int kSampleRate = 8000;
// Audio blocks of 200 ms, the length recorders write and play with sound paces by.
constexpr std::size_t kG721BlockBytes = 800;   // 1,600 samples
constexpr std::size_t kPcmBlockBytes = 3200;   // 1,600 samples
constexpr std::uint8_t kAudioG721 = 8;
constexpr std::uint8_t kAudioPcm = 1;
constexpr std::uint8_t kAudioIma = 2;  // any codec but 1, 8, 10, 13 is IMA ADPCM

constexpr char kUsage[] =
    "usage:\n"
    "  korvane-make-recording demo --video0 FILE --audio0 FILE --video1 FILE --output FILE\n"
    "                         [--site NAME] [--start \"YYYY-MM-DD HH:MM:SS\"]\n"
    "  korvane-make-recording camera --video FILE --output FILE [--audio FILE] [--camera N]\n"
    "                         [--fps N] [--codec N] [--resolution N] [--name TEXT]\n"
    "                         [--caption TEXT] [--start \"YYYY-MM-DD HH:MM:SS\"]\n"
    "Video: .m4v (MPEG-4, codec 5), .h264 (H.264, codec 10), .mjpeg (JPEG, codec 9).\n"
    "Audio: .g726 (G.721, 800-byte blocks), .raw (16-bit PCM, 3200-byte blocks),\n"
    "       .wav (IMA ADPCM, 508-byte blocks). Audio is 8 kHz mono.\n";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct AudioPlan {
    std::uint8_t codec = 0;
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<std::int64_t> startMs;  // each block's start, from the stream's first sample
};

AudioPlan LoadAudio(const std::string& path) {
    AudioPlan plan;
    std::vector<std::size_t> samples;  // samples in each block
    if (EndsWith(path, ".g726")) {
        plan.codec = kAudioG721;
        plan.blocks = testing::ReadAudioBlocks(path, kG721BlockBytes);
        for (const auto& b : plan.blocks) samples.push_back(b.size() * 2);
    } else if (EndsWith(path, ".raw")) {
        plan.codec = kAudioPcm;
        plan.blocks = testing::ReadAudioBlocks(path, kPcmBlockBytes);
        for (const auto& b : plan.blocks) samples.push_back(b.size() / 2);
    } else if (EndsWith(path, ".wav")) {
        plan.codec = kAudioIma;
        testing::ImaWav wav = testing::ReadImaAdpcmWav(path);
        plan.blocks = std::move(wav.blocks);
        samples.assign(plan.blocks.size(), wav.format.samplesPerBlock);
    } else {
        throw std::runtime_error("unknown audio stream kind: " + path);
    }
    std::int64_t total = 0;
    for (std::size_t n : samples) {
        plan.startMs.push_back(total * 1000 / kSampleRate);
        total += static_cast<std::int64_t>(n);
    }
    return plan;
}

std::uint8_t DefaultCodec(testing::VideoStream kind) {
    switch (kind) {
        case testing::VideoStream::Mpeg4: return 5;
        case testing::VideoStream::H264: return 10;
        case testing::VideoStream::Mjpeg: return 9;
    }
    return 5;
}

PictureSize FirstPictureSize(testing::VideoStream kind, const testing::VideoFrame& first) {
    testing::VideoDecoder decoder(kind);
    std::vector<PictureSize> sizes = decoder.Decode(first.bytes);
    if (sizes.empty()) sizes = decoder.Flush();
    if (sizes.empty()) throw std::runtime_error("the first picture does not decode");
    return sizes.front();
}

std::string CaptionText(const std::string& prefix, std::size_t number) {
    char counter[32];
    std::snprintf(counter, sizeof counter, "  #%04zu", number);
    return prefix + counter;
}

SystemTime ParseStart(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1601)
        throw std::runtime_error("--start wants \"YYYY-MM-DD HH:MM:SS\", got \"" + text + "\"");
    return testing::MakeTime(y, mo, d, h, mi, s, 0);
}

int ParseInt(const std::string& text, const std::string& option, int low, int high) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < low || value > high)
        throw std::runtime_error(option + " wants a number from " + std::to_string(low) + " to " +
                                 std::to_string(high));
    return value;
}

void PrintSummary(const CameraSummary& s, std::ostream& out) {
    out << "camera " << s.camera << ": " << s.size.width << "x" << s.size.height << ", "
        << s.videoRecords << " video records (" << s.keyRecords << " key), " << s.audioRecords
        << " audio records, " << s.captions << " captions, " << s.extensions << " extension blocks, "
        << FormatTimeStamp(s.first) << " to " << FormatTimeStamp(s.last) << "\n";
}

}  // namespace

std::uint8_t ResolutionCode(int width, int height) {
    struct Entry {
        int width, height;
        std::uint8_t code;
    };
    static constexpr Entry kCodes[] = {
        {320, 240, 0}, {352, 288, 1}, {640, 240, 2}, {704, 288, 3}, {640, 480, 4},
        {704, 576, 5}, {360, 288, 6}, {352, 240, 7}, {720, 480, 8}, {720, 240, 9},
        {720, 576, 12}, {720, 288, 14}, {704, 480, 15}, {704, 240, 16}, {160, 120, 17},
        {160, 112, 18}, {176, 144, 19}, {176, 112, 20}, {180, 144, 21}, {180, 112, 22},
        {368, 240, 23}, {368, 288, 24},
    };
    for (const Entry& e : kCodes)
        if (e.width == width && e.height == height) return e.code;
    return 15;
}

CameraSummary AddCamera(testing::RecordingWriter& writer, const CameraStream& stream, SystemTime start) {
    if (stream.camera < 0 || stream.camera >= kCameraCount)
        throw std::runtime_error("camera must be 0 to 31");
    if (stream.framesPerSecond < 1 || stream.framesPerSecond > 1000)
        throw std::runtime_error("frame rate must be 1 to 1000");
    const testing::VideoStream kind = testing::VideoStreamFromPath(stream.videoPath);
    const std::vector<testing::VideoFrame> frames = testing::ReadVideoFrames(stream.videoPath);
    if (frames.empty() || !frames.front().key)
        throw std::runtime_error(stream.videoPath + " does not start with a key picture");
    const PictureSize size = FirstPictureSize(kind, frames.front());
    if (size.width <= 0 || size.height <= 0 || size.width > 0xFFFF || size.height > 0xFFFF)
        throw std::runtime_error(stream.videoPath + ": picture size out of range");

    AudioPlan audio;
    if (!stream.audioPath.empty()) audio = LoadAudio(stream.audioPath);

    writer.Header().setPlayCamera(stream.camera, 1);
    writer.Header().setNameCamera(stream.camera, 1);

    CameraSummary summary;
    summary.camera = stream.camera;
    summary.size = size;
    std::size_t nextAudio = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto at = static_cast<std::int64_t>(i) * 1000 / stream.framesPerSecond;
        const SystemTime time = testing::AddMilliseconds(start, at);

        testing::RecordSpec entry;
        FrameHeader& h = entry.header;
        h.camera = static_cast<std::uint8_t>(stream.camera);
        h.mediaKind = kMediaVideo;
        h.codec = stream.codec.value_or(DefaultCodec(kind));
        h.resolution = stream.resolution.value_or(ResolutionCode(size.width, size.height));
        h.frameType = frames[i].key ? kFrameKey : kFrameDependent;
        h.timeStamp = time;
        entry.data = frames[i].bytes;
        if (!stream.captionPrefix.empty()) {
            entry.caption = testing::MakeCaption(CaptionText(stream.captionPrefix, i + 1), 16,
                                                static_cast<std::uint16_t>(std::max(0, size.height - 40)),
                                                0x0000FFFF /* yellow */);
            ++summary.captions;
        }
        if (!stream.name.empty()) {
            entry.extension = testing::MakeExtension(static_cast<std::uint16_t>(size.width),
                                                    static_cast<std::uint16_t>(size.height), stream.name);
            ++summary.extensions;
        }
        writer.Add(std::move(entry));
        ++summary.videoRecords;
        if (frames[i].key) ++summary.keyRecords;
        if (i == 0) summary.first = time;
        summary.last = time;

        // The audio that starts while this picture is shown follows it.
        const auto nextPicture = static_cast<std::int64_t>(i + 1) * 1000 / stream.framesPerSecond;
        while (nextAudio < audio.blocks.size() && audio.startMs[nextAudio] < nextPicture) {
            writer.AddAudio(stream.camera, audio.codec, audio.blocks[nextAudio],
                            testing::AddMilliseconds(start, audio.startMs[nextAudio]));
            ++summary.audioRecords;
            ++nextAudio;
        }
    }
    return summary;
}

int RunMakeRecording(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || (args[0] != "demo" && args[0] != "camera")) {
        err << kUsage;
        return 2;
    }
    const bool demo = args[0] == "demo";
    const std::vector<std::string> known =
        demo ? std::vector<std::string>{"--video0", "--audio0", "--video1", "--output", "--site", "--start"}
             : std::vector<std::string>{"--video", "--audio", "--camera", "--fps", "--codec",
                                        "--resolution", "--name", "--caption", "--output", "--start"};
    std::map<std::string, std::string> options;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (std::find(known.begin(), known.end(), args[i]) == known.end() || i + 1 >= args.size()) {
            err << "korvane-make-recording: unexpected argument " << args[i] << "\n" << kUsage;
            return 2;
        }
        options[args[i]] = args[i + 1];
    }
    const auto option = [&](const std::string& key) {
        auto it = options.find(key);
        return it == options.end() ? std::string() : it->second;
    };
    const std::vector<std::string> required =
        demo ? std::vector<std::string>{"--video0", "--audio0", "--video1", "--output"}
             : std::vector<std::string>{"--video", "--output"};
    for (const std::string& key : required) {
        if (option(key).empty()) {
            err << "korvane-make-recording: " << key << " is required\n" << kUsage;
            return 2;
        }
    }

    const std::string output = option("--output");
    try {
        // A summer afternoon, 30 seconds before a minute turns.
        SystemTime start = testing::MakeTime(2023, 6, 14, 17, 58, 30, 0);
        start.dayOfWeek = 3;
        if (!option("--start").empty()) start = ParseStart(option("--start"));

        std::vector<CameraStream> cameras;
        if (demo) {
            const std::string site = option("--site").empty() ? "Harbor Street Market" : option("--site");
            CameraStream front;
            front.camera = 0;
            front.videoPath = option("--video0");
            front.codec = 5;
            front.resolution = 15;
            front.framesPerSecond = 25;
            front.name = "Front door";
            front.captionPrefix = site;
            front.audioPath = option("--audio0");
            CameraStream back;
            back.camera = 1;
            back.videoPath = option("--video1");
            back.framesPerSecond = 5;
            back.name = "Back yard";
            // Camera 0 plays by itself from start to end only when no record
            // of another camera stands between its records, so camera 1 follows.
            cameras = {front, back};
        } else {
            CameraStream one;
            one.videoPath = option("--video");
            one.audioPath = option("--audio");
            if (!option("--camera").empty()) one.camera = ParseInt(option("--camera"), "--camera", 0, 31);
            if (!option("--fps").empty()) one.framesPerSecond = ParseInt(option("--fps"), "--fps", 1, 1000);
            if (!option("--codec").empty())
                one.codec = static_cast<std::uint8_t>(ParseInt(option("--codec"), "--codec", 0, 255));
            if (!option("--resolution").empty())
                one.resolution =
                    static_cast<std::uint8_t>(ParseInt(option("--resolution"), "--resolution", 0, 255));
            one.name = option("--name");
            one.captionPrefix = option("--caption");
            cameras = {one};
        }

        testing::RecordingWriter writer(kFileKind514, 0, output);
        std::vector<CameraSummary> summaries;
        for (const CameraStream& camera : cameras) summaries.push_back(AddCamera(writer, camera, start));
        writer.Finish();
        for (const CameraSummary& s : summaries) PrintSummary(s, out);
        out << output << ": " << std::filesystem::file_size(output) << " bytes\n";
    } catch (const std::exception& e) {
        err << "korvane-make-recording: " << e.what() << "\n";
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        return 1;
    }
    return 0;
}

}  // namespace korvane::tools
