// Decoding throughput of the picture pipeline against the ffmpeg CLI.
//
// For each codec the player decodes with libavcodec or TurboJPEG, the ffmpeg
// CLI first encodes a test stream into a temporary folder (a moving test
// pattern at a camera's bit rate). The benchmark then feeds its pictures, in
// order and looping, through PicturePipeline::Decode and PictureConverter (decode, BGR24
// conversion, caption line, copy for the painter).
//
// Afterwards rounds of one pass of ours, one run of ffmpeg decoding the whole
// file to BGR24 into the null muxer (single-threaded) and one run of ffmpeg
// on its first picture only compare the two; each run's best round counts.
// The headline ratio leaves ffmpeg's start-up out: ffmpeg's steady rate is
// (N - 1) pictures over the wall time of the whole run less that of the
// one-picture run, which is start-up, probing, decoder set-up and one picture.
// As a check that depends less on other processes, our CPU time is also put
// against the CPU time ffmpeg's -benchmark reports for its decoding loop
// (user + system from the start of transcoding, after start-up and probing).
//
// Only the ratios of one run mean anything: absolute times depend on the
// machine and on what else runs on it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QGuiApplication>

#include "decode/PictureConverter.h"
#include "decode/PicturePipeline.h"
#include "recording/RecordLayout.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

extern char** environ;

namespace {

using namespace korvane;
using korvane::testing::VideoFrame;

constexpr int kFrames = 600;  // 24 s at 25 pictures a second
constexpr int kRounds = 5;    // comparison rounds, each side's best counts

// A moving picture: the test pattern scrolls, so every block of every
// picture changes, as in a camera that pans.
const std::string kMovingPattern = ",scroll=h=0.003:v=0.002";

struct StreamCase {
    std::string label;    // in the benchmark name and the ratio line
    std::string file;     // the stream's file name; its ending tells FrameSource the kind
    std::uint8_t codec;   // record codec
    std::uint8_t resolution;
    bool extension;       // the picture size comes from an extension block
    int width, height;    // the picture the user sees
    std::vector<std::string> encode;  // ffmpeg output options
};

std::vector<StreamCase> Cases() {
    const std::string gop = "25";
    return {
        {"H.264_1280x720", "h264_1280x720.h264", 10, 15, true, 1280, 720,
         {"-c:v", "libx264", "-preset", "veryfast", "-profile:v", "baseline", "-pix_fmt", "yuv420p",
          "-bf", "0", "-g", gop, "-b:v", "2M", "-maxrate", "2M", "-bufsize", "2M", "-x264-params",
          "keyint=25:min-keyint=25:scenecut=0:repeat-headers=1:slices=1", "-f", "h264"}},
        {"MPEG-4_704x480", "mpeg4_704x480.m4v", 5, 15, false, 704, 480,
         {"-c:v", "mpeg4", "-bf", "0", "-g", gop, "-sc_threshold", "1000000000", "-b:v", "1500k",
          "-maxrate", "1500k", "-bufsize", "1500k", "-f", "m4v"}},
        {"JPEG_704x480", "mjpeg_704x480.mjpeg", 9, 15, false, 704, 480,
         {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "5", "-f", "mjpeg"}},
    };
}

// ---- running ffmpeg --------------------------------------------------------

struct RunTime {
    double wallSeconds = 0;
    double cpuSeconds = 0;        // user + system of the child
    double transcodeSeconds = 0;  // user + system of ffmpeg's transcoding, by its -benchmark
};

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

// The CPU seconds in ffmpeg's "bench: utime=Us stime=Ss rtime=Rs" line; 0
// when there is none.
double TranscodeSeconds(const std::string& errorFile) {
    std::unique_ptr<std::FILE, decltype(&std::fclose)> in(std::fopen(errorFile.c_str(), "r"), &std::fclose);
    char line[256];
    double user = 0, system = 0;
    while (in && std::fgets(line, sizeof line, in.get()) != nullptr) {
        if (std::sscanf(line, "bench: utime=%lfs stime=%lfs", &user, &system) == 2) return user + system;
    }
    return 0;
}

// Runs a program found on PATH with stdin from /dev/null and, when errorFile
// is given, its standard error into that file; waits for it. Throws when it
// cannot be started or does not exit with 0.
RunTime Run(const std::vector<std::string>& args, const std::string& errorFile = {}) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!errorFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("lost " + args[0]);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const auto& a : args) line += a + ' ';
        throw std::runtime_error("failed: " + line);
    }
    return {std::chrono::duration<double>(end - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            errorFile.empty() ? 0.0 : TranscodeSeconds(errorFile)};
}

std::vector<std::string> FfmpegDecode(const std::string& path, int frames = 0) {
    // One decoding thread and one filter thread: the player converts on the
    // decoding thread too.
    // -benchmark reports at the info level; -nostats keeps the progress out.
    std::vector<std::string> args{"ffmpeg", "-hide_banner", "-nostats", "-v", "info", "-benchmark", "-nostdin",
                                  "-threads", "1", "-i", path, "-filter_threads", "1"};
    if (frames > 0) args.insert(args.end(), {"-frames:v", std::to_string(frames)});
    args.insert(args.end(), {"-pix_fmt", "bgr24", "-f", "null", "-"});
    return args;
}

void KeepBest(RunTime& best, const RunTime& t) {
    best.wallSeconds = std::min(best.wallSeconds, t.wallSeconds);
    best.cpuSeconds = std::min(best.cpuSeconds, t.cpuSeconds);
    best.transcodeSeconds = std::min(best.transcodeSeconds, t.transcodeSeconds);
}

// ---- the player's side -----------------------------------------------------

struct Record {
    FrameHeader header;
    std::vector<std::uint8_t> data;
};

struct Prepared {
    StreamCase stream;
    std::string path;
    std::vector<Record> records;
    FrameExtension extension;
    bool measured = false;  // the benchmark ran on it without error
};

Prepared Prepare(const StreamCase& stream, const korvane::testing::TempDir& folder) {
    Prepared p;
    p.stream = stream;
    p.path = folder.File(stream.file);
    const std::string source = "testsrc2=size=" + std::to_string(stream.width) + "x" +
                               std::to_string(stream.height) + ":rate=25" + kMovingPattern;
    std::vector<std::string> args{"ffmpeg", "-hide_banner", "-v", "error", "-nostdin", "-y",
                                  "-f", "lavfi", "-i", source, "-frames:v", std::to_string(kFrames)};
    args.insert(args.end(), stream.encode.begin(), stream.encode.end());
    args.push_back(p.path);
    Run(args);

    const std::vector<VideoFrame> frames = korvane::testing::ReadVideoFrames(p.path);
    if (frames.empty() || !frames.front().key) throw std::runtime_error(stream.file + ": no key picture first");
    if (stream.extension) {
        p.extension = korvane::testing::MakeExtension(static_cast<std::uint16_t>(stream.width),
                                                      static_cast<std::uint16_t>(stream.height),
                                                      "Loading bay");
    }
    const SystemTime start = korvane::testing::MakeTime(2024, 3, 14, 9, 30, 0, 0);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Record r;
        r.header.marker = kRecordMarker;
        r.header.timeStamp = korvane::testing::AddMilliseconds(start, static_cast<std::int64_t>(i) * 40);
        r.header.mediaKind = kMediaVideo;
        r.header.codec = stream.codec;
        r.header.resolution = stream.resolution;
        r.header.frameType = frames[i].key ? kFrameKey : kFrameDependent;
        r.header.dataLength = static_cast<std::uint32_t>(frames[i].bytes.size());
        r.header.totalLength = r.header.dataLength;
        r.header.extFlags = stream.extension ? 1 : 0;
        r.data = frames[i].bytes;
        p.records.push_back(std::move(r));
    }
    return p;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// What the player does with a record: decode it, convert its picture for the painter.
struct Decoding {
    PicturePipeline pipeline;
    PictureConverter converter;
    PictureHandle shown;  // each picture handed over as a value
};

// Decodes every record once, in order; the number that gave no picture.
int DecodePass(Decoding& decoding, const Prepared& p) {
    int failed = 0;
    for (const Record& r : p.records) {
        const DecodeResult result = decoding.pipeline.Decode(r.header, p.extension, r.data, nullptr, {}, true);
        if (result.status != 1 || !result.picture) {
            ++failed;
            continue;
        }
        decoding.shown = decoding.converter.Convert(*result.picture, std::chrono::steady_clock::now());
    }
    return failed;
}

void DecodeStream(benchmark::State& state, Prepared* p) {
    Decoding decoding;
    // Warm-up: decoder set-up, buffer pools and the scaler are made here.
    if (DecodePass(decoding, *p) != 0) {
        state.SkipWithError("a record gave no picture");
        return;
    }

    std::int64_t frames = 0;
    int failed = 0;
    const double cpuStart = ThreadCpuSeconds();
    for (auto _ : state) {
        failed += DecodePass(decoding, *p);
        frames += static_cast<std::int64_t>(p->records.size());
    }
    const double cpu = ThreadCpuSeconds() - cpuStart;

    if (failed != 0) {
        state.SkipWithError("a record gave no picture");
        return;
    }
    // The last picture reached the painter at the size the user sees.
    const PictureHandle& shown = decoding.shown;
    if (!shown || shown->width != p->stream.width || shown->height != p->stream.height) {
        state.SkipWithError("the presented picture has the wrong size");
        return;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["cpu_fps"] = static_cast<double>(frames) / cpu;
    p->measured = true;
}

// The comparison: rounds of one pass of ours and one ffmpeg run each, so that
// both sides see the same changes of load; each side's best round counts.
struct Comparison {
    RunTime ours{1e30, 1e30, 1e30};
    RunTime ffmpeg{1e30, 1e30, 1e30};
    RunTime ffmpegStart{1e30, 1e30, 1e30};  // ffmpeg with one picture: start-up, probing, one decode
};

Comparison Compare(const Prepared& p, const std::string& errorFile) {
    Decoding decoding;
    if (DecodePass(decoding, p) != 0) throw std::runtime_error(p.stream.file + ": a record gave no picture");
    Comparison c;
    for (int round = 0; round < kRounds; ++round) {
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (DecodePass(decoding, p) != 0) throw std::runtime_error(p.stream.file + ": a record gave no picture");
        KeepBest(c.ours, {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                          ThreadCpuSeconds() - cpuStart});
        KeepBest(c.ffmpeg, Run(FfmpegDecode(p.path), errorFile));
        KeepBest(c.ffmpegStart, Run(FfmpegDecode(p.path, 1), errorFile));
    }
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the caption overlay needs the fonts

    try {
        korvane::testing::TempDir folder;
        std::vector<std::unique_ptr<Prepared>> prepared;
        std::printf("Encoding %d-picture test streams with ffmpeg ...\n", kFrames);
        std::fflush(stdout);
        for (const StreamCase& stream : Cases()) {
            prepared.push_back(std::make_unique<Prepared>(Prepare(stream, folder)));
            Prepared* p = prepared.back().get();
            benchmark::RegisterBenchmark(("DecodeAndConvert/" + stream.label).c_str(),
                                         [p](benchmark::State& state) { DecodeStream(state, p); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
        benchmark::RunSpecifiedBenchmarks();

        std::printf("\nComparison: %d rounds of one pass of ours, one run of ffmpeg (-threads 1 -filter_threads 1\n"
                    "-pix_fmt bgr24 -f null) on the same %d-picture file and one on its first picture; the best\n"
                    "round of each counts. ffmpeg's steady rate leaves its start-up out: (N - 1) pictures over\n"
                    "the whole run's wall time less the one-picture run's.\n",
                    kRounds, kFrames);
        const std::string errorFile = folder.File("ffmpeg-stderr.txt");
        std::vector<std::string> ratios, cpuRatios;
        bool busy = false;
        for (const auto& p : prepared) {
            if (!p->measured) continue;  // filtered out or failed
            const Comparison c = Compare(*p, errorFile);
            const double frames = static_cast<double>(p->records.size());
            const double oursWallFps = frames / c.ours.wallSeconds;
            const double oursCpuFps = frames / c.ours.cpuSeconds;
            const double ffWithStartFps = frames / c.ffmpeg.wallSeconds;
            const double ffSteadyFps = (frames - 1) / std::max(c.ffmpeg.wallSeconds - c.ffmpegStart.wallSeconds, 1e-6);
            const double ffTranscodeCpuFps = frames / std::max(c.ffmpeg.transcodeSeconds, 1e-6);
            std::printf("%s: wall clock: korvane %.0f fps; ffmpeg %.0f fps without its start-up (%.0f fps with it: "
                        "start-up and first picture %.0f of %.0f ms); CPU time: korvane %.0f fps, ffmpeg's "
                        "decoding loop by -benchmark %.0f fps\n",
                        p->stream.label.c_str(), oursWallFps, ffSteadyFps, ffWithStartFps,
                        c.ffmpegStart.wallSeconds * 1e3, c.ffmpeg.wallSeconds * 1e3, oursCpuFps, ffTranscodeCpuFps);
            // Even the best round got much less than a whole core: it waited for one.
            busy = busy || c.ours.cpuSeconds < 0.9 * c.ours.wallSeconds ||
                   c.ffmpeg.cpuSeconds < 0.9 * c.ffmpeg.wallSeconds;
            char line[200];
            std::snprintf(line, sizeof line, "decode/ffmpeg frame rate ratio %s: %.2f", p->stream.label.c_str(),
                          oursWallFps / ffSteadyFps);
            ratios.push_back(line);
            std::snprintf(line, sizeof line, "  by CPU time against ffmpeg's -benchmark decoding loop, %s: %.2f",
                          p->stream.label.c_str(), oursCpuFps / ffTranscodeCpuFps);
            cpuRatios.push_back(line);
        }
        if (busy) {
            std::printf("note: other processes took CPU time from these runs, so the wall-clock ratios are\n"
                        "unreliable; the CPU time ratios below the ratio lines are the steadier measure.\n");
        }
        std::printf("\n");
        for (const std::string& line : ratios) std::printf("%s\n", line.c_str());
        for (const std::string& line : cpuRatios) std::printf("%s\n", line.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "DecodeThroughput: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}
