// Opening a folder of recordings with the real engine: the time to the first
// picture shown and to the complete merged index, against opening one of
// those recordings the same way and against reading the record heads of all
// of them with one plain pread() a head along the chain. All from the page
// cache (a first walk reads every head in), the median of several rounds.
//   session_open FOLDER [ROUNDS]
#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/PosixFile.h"
#include "platform/Notifier.h"
#include "playback/Session.h"
#include "recording/RecordLayout.h"
#include "recording/RecordingSet.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace korvane;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct OpenTimes {
    double firstPictureMs = 0;
    double indexMs = 0;
    std::size_t records = 0;  // in the complete index, of every recording
};

// Session::Open on `path` until the first PictureShown, then until IndexReady.
OpenTimes OpenWithEngine(const std::string& path) {
    StderrNotifier notifier;
    Session session(notifier);
    bool shown = false, ready = false;
    QObject::connect(&session, &Session::PictureShown, [&] { shown = true; });
    QObject::connect(&session, &Session::IndexReady, [&] { ready = true; });
    const auto start = Clock::now();
    if (!session.Open(path)) throw std::runtime_error("the engine cannot open " + path);
    while (!shown) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    OpenTimes times;
    times.firstPictureMs = Milliseconds(Clock::now() - start);
    while (!ready && !session.IndexComplete()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    times.indexMs = Milliseconds(Clock::now() - start);
    for (std::uint32_t file = 0; file < session.Set()->FileCount(); ++file)
        if (const auto& index = session.Set()->Index(file)) times.records += index->Size();
    return times;
}

// The reference: every head of every recording along the chain, one pread() each.
std::size_t WalkWithPread(const std::vector<std::string>& paths) {
    std::size_t records = 0;
    std::array<std::uint8_t, kRecordHeadSize> head{};
    for (const std::string& path : paths) {
        bench::PosixFile fd(path);
        const auto end = std::filesystem::file_size(path);
        for (std::uint64_t offset = kFirstRecordOffset; offset + head.size() <= end; ++records) {
            if (::pread(fd.get(), head.data(), head.size(), static_cast<off_t>(offset)) !=
                static_cast<ssize_t>(head.size()))
                throw std::runtime_error("pread failed on " + path);
            const FrameHeader h = DecodeFrameHeader(std::span(head).last<kFrameHeaderSize>());
            if (h.marker != kRecordMarker) break;
            offset += kRecordHeadSize + h.bodyLength();  // the maker writes no extension blocks
        }
    }
    return records;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: session_open FOLDER [ROUNDS]\n", stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::stoi(argv[2])) : 5;
    try {
        const std::vector<std::string> paths = RecordingPaths({folder});
        if (paths.empty()) throw std::runtime_error("no recordings in " + folder);
        const std::size_t walked = WalkWithPread(paths);  // reads every head into the page cache

        std::vector<double> folderFirst, folderIndex, oneFirst, oneIndex, pread;
        std::size_t folderRecords = 0, oneRecords = 0;
        for (int round = 0; round < rounds; ++round) {
            const OpenTimes all = OpenWithEngine(folder);
            const OpenTimes one = OpenWithEngine(paths.front());
            const auto start = Clock::now();
            if (WalkWithPread(paths) != walked) throw std::runtime_error("the walk changed");
            pread.push_back(Milliseconds(Clock::now() - start));
            folderFirst.push_back(all.firstPictureMs), folderIndex.push_back(all.indexMs);
            oneFirst.push_back(one.firstPictureMs), oneIndex.push_back(one.indexMs);
            folderRecords = all.records, oneRecords = one.records;
        }
        if (folderRecords != walked)
            std::printf("NOTE: the engine's index holds %zu records, the walk read %zu\n", folderRecords, walked);

        const double ff = Median(folderFirst), fi = Median(folderIndex), of = Median(oneFirst),
                     oi = Median(oneIndex), pr = Median(pread);
        std::printf("%zu recordings, %zu records (one recording: %zu), median of %d rounds\n", paths.size(),
                    walked, oneRecords, rounds);
        std::printf("folder: first picture %.1f ms, complete index %.1f ms\n", ff, fi);
        std::printf("one recording: first picture %.1f ms, complete index %.1f ms\n", of, oi);
        std::printf("pread of every record head of the folder: %.1f ms\n", pr);
        std::printf("first picture, folder / one recording: %.2f\n", ff / of);
        std::printf("first picture, folder / pread of all heads: %.3f\n", ff / pr);
        std::printf("complete index, folder / one recording: %.2f (%.2f per recording)\n", fi / oi,
                    fi / oi / static_cast<double>(paths.size()));
        std::printf("complete index, folder / pread of all heads: %.2f\n", fi / pr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "session_open: %s\n", e.what());
        return 1;
    }
    return 0;
}
