// The headless snapshot interface, run as the user runs it: the korvane
// program on the demo recording and on broken input.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>

#include <cstdio>

#include "tests/support/GuiApp.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProgramRun Korvane(const std::string& arguments, const TempDir& dir) {
    const std::string errFile = dir.File("stderr.txt");
    const std::string command = std::string("'") + KORVANE_BINARY + "' " + arguments + " 2>'" + errFile + "'";
    ProgramRun run;
    if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    if (std::FILE* f = std::fopen(errFile.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, f)) run.err.append(buffer, n);
        std::fclose(f);
    }
    return run;
}

const std::string kDemo = std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4";

TEST(Snapshot, DemoRecordingGivesItsPictureTitleAndLines) {
    EnsureGuiApp();
    TempDir dir;
    const std::string png = dir.File("first.png");
    const ProgramRun run = Korvane("--snapshot '" + png + "' '" + kDemo + "'", dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "title: Harbor Street Market : Front door\n"
              "caption: CAM =1  2023-06-14 17:58:30  000\n"
              "stream: Front door  [704 * 480]\n");
    const QImage image(QString::fromStdString(png));
    EXPECT_EQ(image.width(), 704);
    EXPECT_EQ(image.height(), 480);

    const std::string stepped = dir.File("stepped.png");
    const ProgramRun steps = Korvane("--snapshot '" + stepped + "' --next 5 --previous 2 '" + kDemo + "'", dir);
    EXPECT_EQ(steps.status, 0);
    EXPECT_NE(steps.out.find("caption: CAM =1  2023-06-14 17:58:30  120\n"), std::string::npos) << steps.out;
    EXPECT_NE(QImage(QString::fromStdString(stepped)), image);
}

TEST(Snapshot, MissingFileExitsTwoWithTheReadersMessage) {
    TempDir dir;
    const std::string missing = dir.File("missing.MP4");
    const ProgramRun run = Korvane("--snapshot '" + dir.File("x.png") + "' '" + missing + "'", dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("message: error =2  " + missing + "\n"), std::string::npos) << run.err;
}

TEST(Snapshot, RecordingWithoutPicturesExitsOne) {
    TempDir dir;
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 0), MakeTime(2026, 1, 1, 0, 0, 0, 0));
    const std::string path = dir.File("audio.MP4");
    w.WriteFile(path);
    const std::string png = dir.File("none.png");
    const ProgramRun run = Korvane("--snapshot '" + png + "' '" + path + "'", dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(QImage(QString::fromStdString(png)).width() > 0);
}

TEST(Snapshot, BadArgumentsExitTwoWithUsage) {
    TempDir dir;
    const ProgramRun run = Korvane("--snapshot", dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage:"), std::string::npos);
}

}  // namespace
}  // namespace korvane::testing
