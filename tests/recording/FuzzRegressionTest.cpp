// Replays the recording seeds, and any kept findings of the recording fuzz
// target, through its driver without the fuzzer: every check it makes on
// the index, the set, the camera tracks and the record reader must hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz/RecordingDrive.h"
#include "fuzz/RecordingSeeds.h"

namespace korvane::fuzzing {
namespace {

TEST(FuzzRegression, SeedsAndKeptFindingsKeepEveryPromise) {
    RecordingDriver driver;
    const auto seeds = MakeSeeds();
    ASSERT_GE(seeds.size(), 15u);
    for (const Seed& seed : seeds) {
        SCOPED_TRACE(seed.name);
        const DriveReport report = driver.Run(seed.bytes);
        EXPECT_EQ(report.failure, "");
        EXPECT_EQ(report.recordings, seed.recordings);
        EXPECT_EQ(report.records, seed.records);
        EXPECT_EQ(report.read, seed.read);
    }
    const std::filesystem::path kept = std::filesystem::path(KORVANE_TEST_DATA) / "fuzz-regressions";
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(kept, error)) {
        std::ifstream in(item.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(driver.Run(bytes).failure, "") << item.path().filename();
    }
}

}  // namespace
}  // namespace korvane::fuzzing
