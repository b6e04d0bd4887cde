// The decode fuzz target's driver in the normal test run: kept findings stay fixed, and real
// pictures of every codec, whole and damaged, go through it with every check holding.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "authoring/FrameSource.h"
#include "fuzz/DecodeRecordDrive.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

using fuzzing::DriveDecode;

TEST(DecodeFuzzRegression, KeptFindingsStayFixed) {
    EnsureGuiApp();
    const std::filesystem::path folder = std::string(KORVANE_TEST_DATA) + "/decode-fuzz-regressions";
    if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no kept findings";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_STREQ(DriveDecode(bytes), "") << entry.path();
    }
}

TEST(DecodeFuzzRegression, RealAndDamagedPicturesOfEveryCodecHoldTheChecks) {
    EnsureGuiApp();
    const auto mpeg4 = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    const auto h264 = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264");
    const auto jpeg = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mjpeg_352x240.mjpeg");
    for (int codec : {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 200}) {
        const auto& frames = codec == 9 ? jpeg : (codec >= 10 ? h264 : mpeg4);
        // Whole; bytes flipped through the middle, with an extension and a
        // caption; cut short with a huge extension.
        for (int damage = 0; damage < 3; ++damage) {
            std::vector<fuzzing::FuzzRecord> records(3);
            for (int i = 0; i < 3; ++i) {
                const bool huge = damage == 2;
                records[i] = {static_cast<std::uint8_t>(codec), static_cast<std::uint8_t>(frames[i].key ? 1 : 0),
                              static_cast<std::uint8_t>(7 + 8 * damage), static_cast<std::uint8_t>(damage == 1 ? 7 : 2),
                              static_cast<std::uint16_t>(huge ? 0xFFFF : 704),
                              static_cast<std::uint16_t>(huge ? 0xFFFF : 480), frames[i].bytes};
                auto& data = records[i].data;
                if (damage == 1)
                    for (std::size_t k = data.size() / 3; k < data.size(); k += 7) data[k] ^= 0x5A;
                if (damage == 2) data.resize(data.size() / 2);
            }
            EXPECT_STREQ(DriveDecode(fuzzing::EncodeFuzzRecords(records)), "") << codec << " " << damage;
        }
    }
}

}  // namespace
}  // namespace korvane::testing
