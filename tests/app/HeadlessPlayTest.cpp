// The headless play interface, run as a user runs it: one line per
// presented picture with the time since the worker started.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

struct Line {
    long ms;
    std::string caption;
};

struct PlayRun {
    int status = -1;
    std::vector<Line> lines;
};

PlayRun HeadlessPlay(const std::string& arguments, const std::string& environment = "") {
    const std::string command =
        environment + " '" + KORVANE_BINARY + "' --headless-play " + arguments + " 2>/dev/null";
    PlayRun run;
    std::string out;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::istringstream in(out);
    std::string text;
    while (std::getline(in, text)) {
        const auto space = text.find(' ');
        run.lines.push_back({std::stol(text.substr(0, space)), text.substr(space + 1)});
    }
    return run;
}

class HeadlessPlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        for (int i = 0; i < 12; ++i)
            w.AddVideo(0, 7, frames[i].key ? kFrameKey : kFrameDependent, frames[i].bytes,
                       MakeTime(2026, 4, 5, 6, 7, 8, 40 * i), 7);
        path = dir.File("rec.MP4");
        w.WriteFile(path);
    }
    std::string Caption(int i) const {
        char text[64];
        std::snprintf(text, sizeof text, "CAM =1  2026-04-05 06:07:08  %03d", 40 * i);
        return text;
    }
    TempDir dir;
    std::string path;
};

TEST_F(HeadlessPlayTest, PlayPrintsEveryPictureAfterTheStepsWithItsPacing) {
    const PlayRun run = HeadlessPlay("--next 2 '" + path + "'");
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 9u);  // pictures 3 to 11
    for (std::size_t i = 0; i < run.lines.size(); ++i) EXPECT_EQ(run.lines[i].caption, Caption(3 + int(i)));
    // The pre-read takes its first stamp from picture 1, so the pause after
    // picture 3 is 80 ms; the seven after it are 40 ms each.
    const long span = run.lines.back().ms - run.lines.front().ms;
    EXPECT_GE(span, 80 + 7 * 40 - 5);
    EXPECT_LT(span, 80 + 7 * 40 + 400);
}

TEST_F(HeadlessPlayTest, FastAndBackModesFollowTheirRules) {
    const PlayRun fast = HeadlessPlay("--mode fast --speed 4 '" + path + "'");
    EXPECT_EQ(fast.status, 0);
    // The key picture 10 always shows; of the dependent ones every fourth.
    std::vector<std::string> captions;
    for (const auto& line : fast.lines) captions.push_back(line.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{Caption(4), Caption(8), Caption(10)}));

    const PlayRun back = HeadlessPlay("--mode back --next 3 '" + path + "'");
    EXPECT_EQ(back.status, 0);
    captions.clear();
    for (const auto& line : back.lines) captions.push_back(line.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{Caption(2), Caption(1), Caption(0)}));
}

TEST_F(HeadlessPlayTest, SoundModePlaysTheAudioRecordsWithThePictures) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, frames[0].bytes, MakeTime(2026, 4, 5, 6, 7, 8, 0), 7);
    std::vector<std::int16_t> levels;
    for (int k = 0; k < 4; ++k) {
        levels.push_back(static_cast<std::int16_t>(3000 + 1000 * k));
        const std::vector<std::int16_t> pcm(1600, levels.back());  // 200 ms
        std::vector<std::uint8_t> bytes(pcm.size() * 2);
        std::memcpy(bytes.data(), pcm.data(), bytes.size());
        w.AddAudio(0, 1, bytes, MakeTime(2026, 4, 5, 6, 7, 8, 200 * k));
        w.AddVideo(0, 7, kFrameDependent, frames[1 + k].bytes, MakeTime(2026, 4, 5, 6, 7, 8, 200 * k + 100), 7);
    }
    const std::string sound = dir.File("sound.MP4"), played = dir.File("played.raw");
    w.WriteFile(sound);

    const PlayRun run = HeadlessPlay("--mode sound '" + sound + "'",
                                     "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + played + "'");
    EXPECT_EQ(run.status, 0);
    ASSERT_EQ(run.lines.size(), 4u);
    // Each picture waits for its sound, 100 ms into its record: about 200 ms apart.
    for (std::size_t i = 1; i < run.lines.size(); ++i) EXPECT_GE(run.lines[i].ms - run.lines[i - 1].ms, 150) << i;

    // The records' levels in order on the left channel; the program may end
    // before the last record has played out.
    std::ifstream in(played, std::ios::binary);
    const std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> heard;
    for (std::size_t at = 0; at + 4 <= raw.size(); at += 4) {
        std::int16_t left = 0;
        std::memcpy(&left, &raw[at], 2);
        if (left != 0 && (heard.empty() || heard.back() != left)) heard.push_back(left);
    }
    ASSERT_GE(heard.size(), 3u);
    EXPECT_EQ(heard, std::vector<std::int16_t>(levels.begin(), levels.begin() + heard.size()));
}

TEST_F(HeadlessPlayTest, BadArgumentsAndMissingFilesAreRefused) {
    EXPECT_EQ(HeadlessPlay("--mode sideways '" + path + "'").status, 2);
    EXPECT_EQ(HeadlessPlay("--speed 9 '" + path + "'").status, 2);
    EXPECT_EQ(HeadlessPlay("'" + dir.File("missing.MP4") + "'").status, 2);
}

}  // namespace
}  // namespace korvane::testing
