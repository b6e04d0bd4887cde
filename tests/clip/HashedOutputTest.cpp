// The clip's output file, written and hashed on a thread of its own: the bytes and hash of what was written
// across pieces, and a write that fails on that thread failing the file with nothing left behind.
#include "clip/HashedOutput.h"

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "authoring/FrameSource.h"
#include "authoring/TempDir.h"
#include "clip/Sha256.h"

namespace korvane::testing {
namespace {

std::vector<std::uint8_t> Noise(std::size_t size) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Writes `bytes` in uneven pieces; false as soon as a write or the close fails.
bool WriteAll(HashedOutput& out, std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 7 % 300'007 + 1)
        if (!out.Write(bytes.subspan(at, std::min(piece, bytes.size() - at)))) return false;
    return out.Close();
}

TEST(HashedOutputTest, WrittenAcrossPieces_TheFileAndItsHashAreTheBytesWritten) {
    const TempDir dir;
    const auto bytes = Noise((5 << 20) / 2 + 123);  // two and a half pieces and a bit
    HashedOutput out;
    ASSERT_TRUE(out.Create(dir.File("clip.mkv")));
    ASSERT_TRUE(WriteAll(out, bytes)) << out.Error();
    EXPECT_FALSE(std::filesystem::exists(dir.File("clip.mkv")));  // not before the commit
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(ReadWholeFile(dir.File("clip.mkv")), bytes);
    EXPECT_EQ(std::pair(out.Size(), out.Sha256Hex()), std::pair(std::uint64_t(bytes.size()), Sha256::Of(bytes)));
}

TEST(HashedOutputTest, AWriteThatFailsOnTheWritingThread_FailsTheFileAndLeavesNothing) {
    const TempDir dir;
    // Files may grow to 1 MiB: the second piece's write fails with EFBIG instead of a signal.
    struct SmallFiles {
        SmallFiles() {
            handler = std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &old);
            rlimit small = old;
            small.rlim_cur = 1 << 20;
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
        ~SmallFiles() {
            ::setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, handler);
        }
        rlimit old{};
        void (*handler)(int) = nullptr;
    };
    {
        const SmallFiles limit;
        HashedOutput out;
        ASSERT_TRUE(out.Create(dir.File("clip.mp4")));
        EXPECT_FALSE(WriteAll(out, Noise(3 << 20)));
        EXPECT_NE(out.Error().find("cannot write " + dir.File("clip.mp4") + ": File too large"), std::string::npos)
            << out.Error();
        EXPECT_TRUE(out.Sha256Hex().isEmpty());
        EXPECT_FALSE(out.Commit());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace korvane::testing
