// korvane-probe --motion on a real recording: the events as JSON lines and
// as text, and the command line's refusals.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "tests/tools/ProbeRun.h"

namespace korvane::testing {
namespace {

// The still scene with the dark box from 4.0 s to 7.0 s in its right half.
std::string WriteScene(const TempDir& dir) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/motion_352x240.m4v");
    RecordingWriter w(kFileKind514);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        w.AddVideo(0, 6, frames[i].key ? kFrameKey : kFrameDependent, frames[i].bytes,
                   AddMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0), 100 * std::int64_t(i)));
    }
    w.WriteFile(dir.File("scene.MP4"));
    return dir.File("scene.MP4");
}

TEST(MotionCommandTest, PrintsEachEventAndASummary) {
    TempDir dir;
    const std::string path = WriteScene(dir);
    const ProbeRun json = RunProbe({"--motion", "--no-cache", "--json", "--camera", "1", path});
    ASSERT_EQ(json.status, 0) << json.err;
    std::istringstream lines(json.out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    const QJsonObject event = QJsonDocument::fromJson(QByteArray::fromStdString(first)).object();
    EXPECT_EQ(event.value("start").toString(), QStringLiteral("2026-04-05 06:07:12.000"));
    EXPECT_FALSE(event.value("keysOnly").toBool());
    const QJsonObject summary = QJsonDocument::fromJson(QByteArray::fromStdString(second)).object().value("summary").toObject();
    EXPECT_EQ(summary.value("events").toInt(), 1);
    EXPECT_EQ(summary.value("pictures").toInt(), 80);
    EXPECT_NE(json.err.find("progress: 100%"), std::string::npos);

    const ProbeRun text = RunProbe({"--motion", "--no-cache", "--keys-only", "--region", "0,0,176,240", path});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "0 events in 4 key pictures (key pictures only, coarser)\n");
}

TEST(MotionCommandTest, RefusesWrongOptionsAndMissingPictures) {
    TempDir dir;
    const std::string path = WriteScene(dir);
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"--motion", "--region", "1,2,3", path}, 2, "--region wants X,Y,W,H"},
        {{"--motion", "--sensitivity", "11", path}, 2, "--sensitivity wants a number from 1 to 10"},
        {{"--motion", "--from", "yesterday", path}, 2, "--from wants a time"},
        {{"--motion"}, 2, "--motion wants at least one recording"},
        {{"--motion", "--no-cache", "--camera", "2", path}, 1, "Camera 2 has no picture"},
        {{"--motion", "--no-cache", dir.File("absent.MP4")}, 2, "Cannot read"},
    };
    for (const auto& c : cases) {
        const ProbeRun run = RunProbe(c.args);
        EXPECT_EQ(run.status, c.status) << c.says;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    }
}

}  // namespace
}  // namespace korvane::testing
