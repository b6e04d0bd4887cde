// Replays the frame reader's seed recordings through the fuzz driver,
// without the fuzzer: every check the driver makes after each move must
// hold. (Kept findings, once there are any, are replayed by scripts/fuzz.)
#include <gtest/gtest.h>

#include "fuzz/FrameReaderDrive.h"
#include "fuzz/FrameReaderSeeds.h"
#include "recording/RecordLayout.h"

namespace korvane::fuzzing {
namespace {

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
