// How fast a clip is exported compared with reading the same recording front
// to back in 1 MiB chunks and hashing it with SHA-256 (what the export's
// report needs in any case), with the same SHA-256 (OpenSSL's). The export here takes the whole camera: every
// byte of the recording is read and hashed, every picture and sound record
// is written into the clip, and the clip is hashed too.
//
// The recording (256 MiB: the MPEG-4 fixture's 704x480 pictures over and
// over at 25 a second, an 800-byte G.721 block every fifth picture, so the
// sound is continuous) is made once in
// $KORVANE_BENCH_DIR, or in "korvane-bench" under the system's temporary
// folder, and reused while it has the expected size. Times are wall times
// (the export's writes are part of its cost); run it on an idle machine.
#include <benchmark/benchmark.h>

#include <QGuiApplication>


#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "clip/ClipExporter.h"
#include "clip/IncidentExport.h"
#include "clip/Sha256.h"

namespace {

using namespace korvane;
using namespace korvane::testing;

constexpr std::uint64_t kTargetSize = 256ull << 20;

std::filesystem::path Folder() {
    const char* env = std::getenv("KORVANE_BENCH_DIR");
    const auto folder = env && *env ? std::filesystem::path(env) : std::filesystem::temp_directory_path() / "korvane-bench";
    std::filesystem::create_directories(folder);
    return folder;
}

// The fixture's G.721 in whole 800-byte blocks (its short last piece left out): the sound runs on without gaps.
std::vector<std::vector<std::uint8_t>> SoundBlocks() {
    auto blocks = ReadAudioBlocks(std::string(KORVANE_TEST_DATA) + "/g726le_32k.g726", 800);
    std::erase_if(blocks, [](const std::vector<std::uint8_t>& block) { return block.size() != 800; });
    return blocks;
}

const std::string& Recording() {
    static const std::string path = [] {
        const std::string file = (Folder() / "clip-export-v2.MP4").string();
        std::error_code error;
        if (std::filesystem::file_size(file, error) >= kTargetSize && !error) return file;
        std::fprintf(stderr, "making %s...\n", file.c_str());
        const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_704x480.m4v");
        const auto blocks = SoundBlocks();
        RecordingWriter w(kFileKind514, 0, file);
        w.Header().setPlayCamera(0, 1);
        for (std::uint64_t i = 0; w.End() < kTargetSize; ++i) {
            const VideoFrame& f = frames[i % frames.size()];
            const SystemTime t = AddMilliseconds(MakeTime(2026, 1, 2, 3, 4, 5, 0), std::int64_t(i) * 40);
            w.AddVideo(0, 5, f.key ? kFrameKey : kFrameDependent, f.bytes, t);
            if (i % 5 == 0) w.AddAudio(0, 8, blocks[i / 5 % blocks.size()], t);
        }
        w.Finish();
        return file;
    }();
    return path;
}

void BM_ReadAndHash(benchmark::State& state) {
    const std::string& path = Recording();
    std::vector<char> chunk(1 << 20);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error("cannot open " + path);
        Sha256 hash;  // OpenSSL's, as the export's
        for (ssize_t n; (n = ::read(fd, chunk.data(), chunk.size())) > 0; bytes += std::uint64_t(n))
            hash.Add({reinterpret_cast<const std::uint8_t*>(chunk.data()), std::size_t(n)});
        ::close(fd);
        benchmark::DoNotOptimize(hash.HexDigest());
    }
    state.SetBytesProcessed(std::int64_t(bytes));
}

void BM_Export(benchmark::State& state, const char* extension) {
    const std::string& path = Recording();
    const std::string out = (Folder() / (std::string("clip-export-out") + extension)).string();
    const auto size = std::filesystem::file_size(path);
    for (auto _ : state) {
        const ExportResult result = ExportClip({path, out, {}, {}, {}});
        if (result.status != ExportStatus::Written) state.SkipWithError(result.message.c_str());
    }
    state.SetBytesProcessed(std::int64_t(size * state.iterations()));
    for (const std::string& f : {out, TimesPath(out), ReportPath(out)}) std::filesystem::remove(f);
}

// Four cameras, a 64 MiB recording each, in one folder: the incident reference reads and hashes all four.
const std::vector<std::string>& Cameras() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> made;
        const auto folder = Folder() / "incident-v2";
        std::filesystem::create_directories(folder);
        const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_704x480.m4v");
        const auto blocks = SoundBlocks();
        for (int camera = 0; camera < 4; ++camera) {
            const std::string file = (folder / ("CH0" + std::to_string(camera + 1) + ".MP4")).string();
            made.push_back(file);
            std::error_code error;
            if (std::filesystem::file_size(file, error) >= kTargetSize / 4 && !error) continue;
            std::fprintf(stderr, "making %s...\n", file.c_str());
            RecordingWriter w(kFileKind514, 0, file);
            w.Header().setPlayCamera(camera, 1);
            for (std::uint64_t i = 0; w.End() < kTargetSize / 4; ++i) {
                const VideoFrame& f = frames[i % frames.size()];
                const SystemTime t = AddMilliseconds(MakeTime(2026, 1, 2, 3, 4, 5, 0), std::int64_t(i) * 40);
                w.AddVideo(camera, 5, f.key ? kFrameKey : kFrameDependent, f.bytes, t);
                if (i % 5 == 0) w.AddAudio(camera, 8, blocks[i / 5 % blocks.size()], t);
            }
            w.Finish();
        }
        return made;
    }();
    return paths;
}

void BM_ReadAndHashFour(benchmark::State& state) {
    std::vector<char> chunk(1 << 20);
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& path : Cameras()) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) throw std::runtime_error("cannot open " + path);
            Sha256 hash;
            for (ssize_t n; (n = ::read(fd, chunk.data(), chunk.size())) > 0; bytes += std::uint64_t(n))
                hash.Add({reinterpret_cast<const std::uint8_t*>(chunk.data()), std::size_t(n)});
            ::close(fd);
            benchmark::DoNotOptimize(hash.HexDigest());
        }
    }
    state.SetBytesProcessed(std::int64_t(bytes));
}

void BM_Incident(benchmark::State& state) {
    const auto out = Folder() / "incident-out";
    IncidentRequest request;
    request.folder = out.string();
    request.paths = {std::filesystem::path(Cameras().front()).parent_path().string()};
    for (auto _ : state) {
        const IncidentResult result = ExportIncident(request);
        if (result.status != ExportStatus::Written) state.SkipWithError(result.message.c_str());
        std::filesystem::remove_all(out);
    }
}

BENCHMARK(BM_ReadAndHash)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAndHashFour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Incident)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, mkv, ".mkv")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Export, mp4, ".mp4")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// The incident's report is painted: a GUI application on the offscreen platform.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
