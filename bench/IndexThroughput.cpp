// How fast the index of a 4 GiB recording is built, against walking the same
// record heads with plain pread() (56 bytes a record, the lengths decoded by
// hand), in the same iterations: both from the page cache, so the difference
// is the index's own cost. Also the peak of heap memory the build holds, per
// record (counted by this program's operator new).
//
// The recording is sparse: its record heads are written where a recorder's
// chain puts them, the pictures between them are holes. Two cameras and an
// audio block behind every second picture, 4 GiB with 160,000 records or so.
// It is made once in $KORVANE_BENCH_DIR (or "korvane-bench" under the
// system's temporary folder) and reused while it has the expected size.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "authoring/RecordingWriter.h"
#include "bench/PosixFile.h"
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

struct Head {
    std::uint64_t offset;
    RecordPrefix prefix;
    FrameHeader header;
};

// The record heads of the recording, in chain order, and its size: pictures
// of two cameras by turns (key pictures near 140 KB, the others 20 to 60 KB),
// an audio block of camera 1 behind every second picture.
std::vector<Head> Plan(std::uint64_t& size) {
    std::vector<Head> heads;
    std::uint64_t random = 0x2545F4914F6CDD1Dull, offset = kFirstRecordOffset;
    const auto between = [&](std::uint32_t low, std::uint32_t high) {
        random ^= random << 13, random ^= random >> 7, random ^= random << 17;
        return low + static_cast<std::uint32_t>(random % (high - low + 1));
    };
    std::uint32_t lastVideo[2] = {}, lastKey[2] = {};
    const SystemTime start = testing::MakeTime(2025, 2, 3, 4, 5, 6, 0);
    for (std::uint64_t picture = 0;; ++picture) {
        const int camera = static_cast<int>(picture % 2);
        const bool key = picture / 2 % kGroupLength == 0;
        FrameHeader v, a;
        v.marker = a.marker = kRecordMarker;
        v.camera = static_cast<std::uint8_t>(camera), v.codec = 10, v.frameType = key ? kFrameKey : kFrameDependent;
        v.timeStamp = testing::AddMilliseconds(start, static_cast<std::int64_t>(picture / 2 * 40));
        v.dataLength = v.totalLength = key ? between(120'000, 160'000) : between(20'000, 60'000);
        if (key) lastKey[camera] = static_cast<std::uint32_t>(offset);
        v.keyFrameOffset = lastKey[camera];
        a.timeStamp = v.timeStamp, a.mediaKind = kMediaAudio, a.codec = 1, a.dataLength = a.totalLength = 640;
        a.setAudioFormat(16, 8000);
        const std::uint64_t audioAt = offset + kRecordHeadSize + v.dataLength;
        const std::uint64_t next = audioAt + (camera == 0 ? kRecordHeadSize + 640 : 0);
        if (next > kTargetSize) break;
        heads.push_back({offset, {lastVideo[camera]}, v});
        lastVideo[camera] = static_cast<std::uint32_t>(offset);
        if (camera == 0) heads.push_back({audioAt, {lastVideo[0]}, a});
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

using Fd = korvane::bench::PosixFile;

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

// CPU time of the calling thread: with the file cached all the work is done
// there, and unlike wall time it does not swing with a busy machine.
double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
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

// Both walks in every iteration, one after the other, so that they meet the same machine.
void BM_IndexAgainstPread(benchmark::State& state) {
    const Recording& recording = TheRecording();
    RecordFile file;
    if (file.Open(recording.path) != 0) return state.SkipWithError("cannot open the recording");
    double indexSeconds = 0, preadSeconds = 0;
    std::size_t records = 0, peak = 0;
    for (auto _ : state) {
        const std::size_t before = g_heapInUse.load();
        g_heapPeak = before;
        const double t0 = ThreadSeconds();
        auto index = RecordIndex::Build(file);
        const double t1 = ThreadSeconds();
        if (!index || index->Size() != recording.heads.size()) return state.SkipWithError("the index missed records");
        records = index->Size();
        peak = g_heapPeak.load() - before;
        index.reset();
        const double t2 = ThreadSeconds();
        if (WalkWithPread(recording.path, recording.size) != records) return state.SkipWithError("the walk missed records");
        indexSeconds += t1 - t0;
        preadSeconds += ThreadSeconds() - t2;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["records"] = static_cast<double>(records);
    state.counters["index_ms"] = 1000 * indexSeconds / n;
    state.counters["pread_ms"] = 1000 * preadSeconds / n;
    state.counters["index_time_per_pread_time"] = indexSeconds / preadSeconds;
    state.counters["index_throughput_share_of_pread"] = preadSeconds / indexSeconds;
    state.counters["peak_bytes_per_record"] = static_cast<double>(peak) / static_cast<double>(records);
}
BENCHMARK(BM_IndexAgainstPread)->Unit(benchmark::kMillisecond);

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

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
