// How fast the recording layer's reader reads every record of a large
// recording along its camera's track, compared with reading the same file
// front to back in 1 MiB chunks: both from the page cache, so the difference
// is the reader's own cost (system calls, copies, checks). The index the
// track walks is built once, before the measure.
// Rates are per CPU second of the benchmark's thread: with the file cached
// all the work is done on that thread, and unlike wall time the measure does
// not swing with whatever else runs on a busy machine.
//
// The recording (at least 512 MiB, one camera, 25 pictures a second with two
// 320-byte audio blocks each, captions and extension blocks on some records)
// is made once in $KORVANE_BENCH_DIR, or in a "korvane-bench" folder under
// the system's temporary folder, and reused while it has the expected size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "recording/RecordLayout.h"
#include "recording/RecordReader.h"
#include "recording/RecordingSet.h"
#include "authoring/RecordingWriter.h"
#include "bench/PosixFile.h"

namespace {

using namespace korvane;
using korvane::testing::AddMilliseconds;
using korvane::testing::MakeCaption;
using korvane::testing::MakeExtension;
using korvane::testing::MakeTime;
using korvane::testing::RecordingWriter;
using korvane::testing::RecordSpec;

constexpr std::uint64_t kTargetSize = 512ull << 20;
constexpr int kGroupLength = 30;  // pictures from one key picture to the next
constexpr std::size_t kAudioBlock = 320;
constexpr std::size_t kChunk = 1 << 20;
const char* const kFileName = "reader-throughput-v1.MP4";

// A small fixed generator, so that the recording is the same on every
// machine and every run (its size tells whether a kept file is still right).
class Random {
public:
    std::uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    std::size_t Between(std::size_t low, std::size_t high) { return low + Next() % (high - low + 1); }

private:
    std::uint64_t m_state = 0x9E3779B97F4A7C15ull;
};

// What one picture carries; audio blocks follow every picture.
struct Picture {
    bool key = false;
    std::size_t size = 0;
    bool caption = false;
    bool extension = false;
};

class Plan {
public:
    Picture Next() {
        Picture p;
        p.key = m_index % kGroupLength == 0;
        // 704x480 MPEG-4 at a surveillance bit rate: key pictures near 100 KB,
        // the others 5 to 60 KB.
        p.size = p.key ? m_random.Between(90'000, 110'000) : m_random.Between(5'000, 60'000);
        p.caption = m_index % 4 == 0;
        p.extension = p.key || m_index % 8 == 3;
        ++m_index;
        return p;
    }

private:
    Random m_random;
    std::uint64_t m_index = 0;
};

std::string CaptionText(std::uint64_t index) {
    char text[64];
    std::snprintf(text, sizeof text, "CAM01 ENTRANCE %06llu", static_cast<unsigned long long>(index));
    return text;
}

std::uint64_t PictureBytes(const Picture& p, std::uint64_t index) {
    std::uint64_t bytes = kRecordHeadSize + p.size;
    if (p.caption) bytes += kCaptionDescriptorSize + CaptionText(index).size();
    if (p.extension) bytes += kExtensionSize;
    return bytes + 2 * (kRecordHeadSize + kAudioBlock);
}

struct Layout {
    std::uint64_t size = kFirstRecordOffset;
    std::uint64_t pictures = 0;
    std::uint64_t records = 0;
};

// The size and record count of the recording, from the plan alone.
Layout PlannedLayout() {
    Layout layout;
    Plan plan;
    while (layout.size < kTargetSize) {
        layout.size += PictureBytes(plan.Next(), layout.pictures);
        ++layout.pictures;
        layout.records += 3;
    }
    return layout;
}

void WriteRecording(const std::string& path, const Layout& layout) {
    // Payloads are slices of one pool of noise, so that writing is quick.
    std::vector<std::uint8_t> pool(256 * 1024);
    Random noise;
    for (auto& b : pool) b = static_cast<std::uint8_t>(noise.Next() >> 56);

    const std::string partial = path + ".partial";
    RecordingWriter w(kFileKind514, 0, partial);
    w.Header().setPlayCamera(0, 1);
    w.Header().setNameCamera(0, 1);
    Plan plan;
    const SystemTime start = MakeTime(2024, 3, 14, 10, 0, 0, 0);
    for (std::uint64_t i = 0; i < layout.pictures; ++i) {
        const Picture p = plan.Next();
        const SystemTime at = AddMilliseconds(start, static_cast<std::int64_t>(i * 40));
        RecordSpec entry;
        entry.header.camera = 0;
        entry.header.mediaKind = kMediaVideo;
        entry.header.codec = 5;
        entry.header.resolution = 15;
        entry.header.frameType = p.key ? kFrameKey : kFrameDependent;
        entry.header.timeStamp = at;
        const std::size_t from = (i * 4099) % (pool.size() - p.size);
        entry.data.assign(pool.begin() + static_cast<std::ptrdiff_t>(from),
                         pool.begin() + static_cast<std::ptrdiff_t>(from + p.size));
        if (p.caption) entry.caption = MakeCaption(CaptionText(i), 8, 16);
        if (p.extension) entry.extension = MakeExtension(704, 480, "Entrance");
        w.Add(std::move(entry));
        for (int a = 0; a < 2; ++a)
            w.AddAudio(0, 1, std::span(pool).subspan((i * 2 + a) * 64 % 4096, kAudioBlock),
                       AddMilliseconds(at, 20 * a));
    }
    w.Finish();
    std::filesystem::rename(partial, path);
}

struct Recording {
    std::string path;
    Layout layout;
};

Recording& TheRecording() {
    static Recording recording;
    return recording;
}

Recording PrepareRecording() {
    const char* env = std::getenv("KORVANE_BENCH_DIR");
    const std::filesystem::path folder =
        env && *env ? std::filesystem::path(env) : std::filesystem::temp_directory_path() / "korvane-bench";
    std::filesystem::create_directories(folder);
    Recording recording{(folder / kFileName).string(), PlannedLayout()};
    std::error_code error;
    const auto size = std::filesystem::file_size(recording.path, error);
    if (error || size != recording.layout.size) {
        std::fprintf(stderr, "making %s (%llu bytes)...\n", recording.path.c_str(),
                     static_cast<unsigned long long>(recording.layout.size));
        WriteRecording(recording.path, recording.layout);
        if (std::filesystem::file_size(recording.path) != recording.layout.size)
            throw std::runtime_error("the recording came out with an unexpected size");
    }
    return recording;
}

using Fd = korvane::bench::PosixFile;

// Reads the whole file in chunks and returns the bytes read.
std::uint64_t ReadSequentially(const std::string& path, std::vector<std::uint8_t>& chunk) {
    Fd fd(path);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("read failed");
        if (n == 0) break;
        total += static_cast<std::uint64_t>(n);
    }
    return total;
}

void BM_ReaderWalk(benchmark::State& state) {
    const Recording& recording = TheRecording();
    const auto set = RecordingSet::Build({recording.path});
    const CameraTrack* track = set ? set->Track(0) : nullptr;
    if (track == nullptr) {
        state.SkipWithError("cannot index the recording");
        return;
    }
    auto buffers = std::make_unique<RecordBuffers>();
    std::uint64_t records = 0;
    for (auto _ : state) {
        RecordReader reader({recording.path});
        records = 0;
        for (auto r = track->Front(); r && reader.Read(r->file, track->Entry(*r).offset, *buffers); r = track->Next(*r))
            ++records;
        benchmark::DoNotOptimize(buffers->data.get());
    }
    if (records != recording.layout.records) {
        state.SkipWithError("the walk did not reach every record");
        return;
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * recording.layout.size));
}
BENCHMARK(BM_ReaderWalk)->Unit(benchmark::kMillisecond);

void BM_SequentialRead(benchmark::State& state) {
    const Recording& recording = TheRecording();
    std::vector<std::uint8_t> chunk(kChunk);
    std::uint64_t total = 0;
    for (auto _ : state) {
        total = ReadSequentially(recording.path, chunk);
        benchmark::DoNotOptimize(chunk.data());
    }
    if (total != recording.layout.size) {
        state.SkipWithError("the read did not reach the end of the file");
        return;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * recording.layout.size));
}
BENCHMARK(BM_SequentialRead)->Unit(benchmark::kMillisecond);

// The console report, plus each benchmark's bytes per second for the ratio
// printed at the end: the median of its repetitions (reported after the
// runs), or its one run.
class RateReporter : public benchmark::ConsoleReporter {
public:
    RateReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (run.error_occurred || it == run.counters.end()) continue;
            if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")
                m_rates[run.run_name.function_name] = it->second.value;
        }
    }
    // Bytes per second of a benchmark, or 0 when it did not run.
    double Rate(const std::string& name) const {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        TheRecording() = PrepareRecording();
        // Warm the page cache so that both benchmarks read from memory.
        std::vector<std::uint8_t> chunk(kChunk);
        ReadSequentially(TheRecording().path, chunk);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "reader_throughput: %s\n", e.what());
        return 1;
    }
    std::printf("recording: %s, %llu bytes, %llu records\n", TheRecording().path.c_str(),
                static_cast<unsigned long long>(TheRecording().layout.size),
                static_cast<unsigned long long>(TheRecording().layout.records));

    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double reader = reporter.Rate("BM_ReaderWalk");
    const double sequential = reporter.Rate("BM_SequentialRead");
    if (reader > 0 && sequential > 0) {
        std::printf("reader/sequential throughput ratio: %.2f\n", reader / sequential);
        std::fflush(stdout);
    }
    return 0;
}
