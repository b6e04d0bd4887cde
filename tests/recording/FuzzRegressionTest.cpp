// Replays the frame reader's kept fuzz findings and its seed recordings
// through the fuzz driver, without the fuzzer: every check the driver makes
// after each move must hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/FrameReaderDrive.h"
#include "fuzz/FrameReaderSeeds.h"
#include "recording/RecordLayout.h"

namespace korvane::fuzzing {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzRegression, KeptFindings_ReplayWithEveryCheckHolding) {
    const fs::path folder = fs::path(KORVANE_TEST_DATA) / "fuzz-regressions";
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    if (files.empty()) GTEST_SKIP() << "no kept findings in " << folder;

    FrameReaderDriver driver;
    for (const auto& path : files) {
        const auto bytes = ReadWhole(path);
        const DriveReport report = driver.Run(bytes);
        EXPECT_EQ(report.failure, "") << path.filename();
    }
}

TEST(FuzzRegression, Seeds_WalkTheirChainAndKeepEveryPromise) {
    FrameReaderDriver driver;
    const auto seeds = MakeSeeds();
    ASSERT_GE(seeds.size(), 12u);
    for (const Seed& seed : seeds) {
        SCOPED_TRACE(seed.name);
        const DriveReport report = driver.Run(seed.bytes);
        EXPECT_EQ(report.failure, "");
        EXPECT_EQ(report.opened, seed.bytes.size() >= kFileHeaderSize);
        EXPECT_EQ(report.forwardWalk, seed.forwardWalk);
    }
}

}  // namespace
}  // namespace korvane::fuzzing
