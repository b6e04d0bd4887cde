// How fast the index of a 4 GiB recording is built, against walking the same
// record heads with plain pread() (56 bytes a record, the lengths decoded by
// hand): both from the page cache, so the difference is the index's own cost.
// Also the peak of heap memory the build holds, per record.
//
// The recording is sparse: its record heads are written where a recorder's
// chain puts them, the pictures between them are holes. Two cameras and an
// audio block behind every second picture, 4 GiB with 160,000 records or so.
// It is made once in $KORVANE_BENCH_DIR (or "korvane-bench" under the
// system's temporary folder) and reused while it has the expected size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/RecordingWriter.h"
#include "recording/RecordIndex.h"
#include "recording/RecordLayout.h"

// Heap bytes in use and their peak, counted by the program's own operator new.
namespace {
std::atomic<std::size_t> g_heapInUse{0};
std::atomic<std::size_t> g_heapPeak{0};
}  // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    const std::size_t now = g_heapInUse += malloc_usable_size(p);
    std::size_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    g_heapInUse -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

using namespace korvane;

constexpr std::uint64_t kTargetSize = 0xFFFF'0000ull;  // 4 GiB less 64 KiB: offsets stay 32-bit
constexpr int kGroupLength = 50;
const char* const kFileName = "index-throughput-v1.MP4";

class Random {
public:
    std::uint64_t Next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }
    std::uint32_t Between(std::uint32_t low, std::uint32_t high) {
        return low + static_cast<std::uint32_t>(Next() % (high - low + 1));
    }

private:
    std::uint64_t m_state = 0x2545F4914F6CDD1Dull;
};

struct Head {
    std::uint64_t offset;
    RecordPrefix prefix;
    FrameHeader header;
};

// The record heads of the recording, in chain order, and its size.
std::vector<Head> Plan(std::uint64_t& size) {
    std::vector<Head> heads;
    Random random;
    std::uint64_t offset = kFirstRecordOffset;
    std::uint32_t lastVideo[2] = {}, lastKey[2] = {};
    const SystemTime start = testing::MakeTime(2025, 2, 3, 4, 5, 6, 0);
    for (std::uint64_t picture = 0;; ++picture) {
        const int camera = static_cast<int>(picture % 2);
        const std::uint64_t perCamera = picture / 2;
        const bool key = perCamera % kGroupLength == 0;
        Head h{offset, {}, {}};
        h.header.marker = kRecordMarker;
        h.header.camera = static_cast<std::uint8_t>(camera);
        h.header.mediaKind = kMediaVideo;
        h.header.codec = 10;
        h.header.frameType = key ? kFrameKey : kFrameDependent;
        h.header.timeStamp = testing::AddMilliseconds(start, static_cast<std::int64_t>(perCamera * 40));
        h.header.dataLength = key ? random.Between(120'000, 160'000) : random.Between(20'000, 60'000);
        h.header.totalLength = h.header.dataLength;
        if (key) lastKey[camera] = static_cast<std::uint32_t>(offset);
        h.header.keyFrameOffset = lastKey[camera];
        h.prefix.prevOffset = lastVideo[camera];
        lastVideo[camera] = static_cast<std::uint32_t>(offset);
        std::uint64_t next = offset + kRecordHeadSize + h.header.dataLength;
        std::vector<Head> more{h};
        if (picture % 2 == 0) {  // an audio block of camera 1 behind every second picture
            Head a{next, {}, {}};
            a.header.marker = kRecordMarker;
            a.header.mediaKind = kMediaAudio;
            a.header.codec = 1;
            a.header.timeStamp = h.header.timeStamp;
            a.header.setAudioFormat(16, 8000);
            a.header.dataLength = a.header.totalLength = 640;
            a.prefix.prevOffset = lastVideo[0];
            more.push_back(a);
            next += kRecordHeadSize + 640;
        }
        if (next > kTargetSize) break;
        heads.insert(heads.end(), more.begin(), more.end());
        offset = next;
    }
    size = offset;
    return heads;
}

struct Recording {
    std::string path;
    std::vector<Head> heads;
    std::uint64_t size = 0;
};

Recording& TheRecording() {
    static Recording recording;
    return recording;
}

class Fd {
public:
    Fd(const std::string& path, int flags) : m_fd(::open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (m_fd < 0) throw std::runtime_error("cannot open " + path);
    }
    ~Fd() { ::close(m_fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

void Write(const std::string& path, const std::vector<Head>& heads, std::uint64_t size) {
    const std::string partial = path + ".partial";
    {
        Fd fd(partial, O_WRONLY | O_CREAT | O_TRUNC);
        RecordingFileHeader header;
        header.setFileKind(kFileKind514);
        header.setPlayCamera(0, 1);
        header.setNameCamera(0, 1);
        header.setDataEnd(static_cast<std::uint32_t>(size));
        if (::pwrite(fd.get(), header.bytes.data(), header.bytes.size(), 0) != static_cast<ssize_t>(kFileHeaderSize))
            throw std::runtime_error("cannot write the file header");
        std::array<std::uint8_t, kRecordHeadSize> bytes{};
        for (const Head& h : heads) {
            EncodePrefix(h.prefix, std::span(bytes).first<kPrefixSize>());
            EncodeFrameHeader(h.header, std::span(bytes).last<kFrameHeaderSize>());
            if (::pwrite(fd.get(), bytes.data(), bytes.size(), static_cast<off_t>(h.offset)) !=
                static_cast<ssize_t>(bytes.size()))
                throw std::runtime_error("cannot write a record head");
        }
        if (::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) throw std::runtime_error("cannot size the file");
    }
    std::filesystem::rename(partial, path);
}

Recording PrepareRecording() {
    const char* env = std::getenv("KORVANE_BENCH_DIR");
    const std::filesystem::path folder =
        env && *env ? std::filesystem::path(env) : std::filesystem::temp_directory_path() / "korvane-bench";
    std::filesystem::create_directories(folder);
    Recording recording;
    recording.path = (folder / kFileName).string();
    recording.heads = Plan(recording.size);
    std::error_code error;
    if (std::filesystem::file_size(recording.path, error) != recording.size || error) {
        std::fprintf(stderr, "making %s (%llu bytes, sparse)...\n", recording.path.c_str(),
                     static_cast<unsigned long long>(recording.size));
        Write(recording.path, recording.heads, recording.size);
    }
    return recording;
}

// The reference: the same chain walked with one pread() of the 56-byte head a record.
std::uint64_t WalkWithPread(const std::string& path, std::uint64_t end) {
    Fd fd(path, O_RDONLY);
    std::array<std::uint8_t, kRecordHeadSize> head{};
    std::uint64_t records = 0;
    for (std::uint64_t offset = kFirstRecordOffset; offset < end; ++records) {
        if (::pread(fd.get(), head.data(), head.size(), static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(head.size()))
            throw std::runtime_error("pread failed");
        const FrameHeader h = DecodeFrameHeader(std::span(head).last<kFrameHeaderSize>());
        benchmark::DoNotOptimize(h);
        offset += kRecordHeadSize + h.bodyLength();  // the bench recording has no extension blocks
    }
    return records;
}

void BM_IndexBuild(benchmark::State& state) {
    const Recording& recording = TheRecording();
    RecordFile file;
    if (file.Open(recording.path) != 0) return state.SkipWithError("cannot open the recording");
    std::size_t records = 0, peak = 0, held = 0;
    for (auto _ : state) {
        const std::size_t before = g_heapInUse.load();
        g_heapPeak = before;
        auto index = RecordIndex::Build(file);
        if (!index) return state.SkipWithError("the index was not built");
        records = index->Size();
        peak = g_heapPeak.load() - before;
        held = index->MemoryBytes();
        benchmark::DoNotOptimize(index->Cameras());
    }
    if (records != recording.heads.size()) return state.SkipWithError("the index missed records");
    state.counters["records"] = static_cast<double>(records);
    state.counters["peak_bytes_per_record"] = static_cast<double>(peak) / static_cast<double>(records);
    state.counters["held_bytes_per_record"] = static_cast<double>(held) / static_cast<double>(records);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records));
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond);

void BM_PreadHeads(benchmark::State& state) {
    const Recording& recording = TheRecording();
    std::uint64_t records = 0;
    for (auto _ : state) records = WalkWithPread(recording.path, recording.size);
    if (records != recording.heads.size()) return state.SkipWithError("the walk missed records");
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * records));
}
BENCHMARK(BM_PreadHeads)->Unit(benchmark::kMillisecond);

// The console report, plus each benchmark's records per second (the median
// of its repetitions, or its one run) and the index's memory counters.
class RateReporter : public benchmark::ConsoleReporter {
public:
    RateReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type != Run::RT_Iteration && run.aggregate_name != "median") continue;
            for (const auto& [name, counter] : run.counters) m_values[run.run_name.function_name + "/" + name] = counter.value;
        }
    }
    double Value(const std::string& key) const {
        const auto it = m_values.find(key);
        return it == m_values.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_values;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    try {
        TheRecording() = PrepareRecording();
        WalkWithPread(TheRecording().path, TheRecording().size);  // both read from the page cache
    } catch (const std::exception& e) {
        std::fprintf(stderr, "index_throughput: %s\n", e.what());
        return 1;
    }
    std::printf("recording: %s, %llu bytes, %zu records\n", TheRecording().path.c_str(),
                static_cast<unsigned long long>(TheRecording().size), TheRecording().heads.size());

    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double index = reporter.Value("BM_IndexBuild/items_per_second");
    const double pread = reporter.Value("BM_PreadHeads/items_per_second");
    if (index > 0 && pread > 0) {
        std::printf("index time / pread time: %.2f (index throughput %.2f of plain pread)\n", pread / index,
                    index / pread);
        std::printf("index peak heap: %.1f bytes a record (held after the build: %.1f)\n",
                    reporter.Value("BM_IndexBuild/peak_bytes_per_record"),
                    reporter.Value("BM_IndexBuild/held_bytes_per_record"));
        std::fflush(stdout);
    }
    return 0;
}
