// --snapshot and --headless-play run as a user runs them, and in this process, where no widget may appear.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <fstream>
#include <iterator>
#include <sstream>

#include "app/HeadlessPlay.h"
#include "app/Snapshot.h"
#include "tests/app/Clip.h"
#include "tests/support/Outputs.h"

namespace korvane::testing {
namespace {

// Exit status, output, and the output lines split into milliseconds and caption.
struct ProgramRun {
    int status = -1;
    std::string out, err;
    std::vector<long> times;
    std::vector<std::string> captions;
};

ProgramRun Korvane(const TempDir& dir, const std::string& arguments, const std::string& environment = "") {
    const std::string errFile = dir.File("stderr.txt");
    const std::string command = environment + " '" + KORVANE_BINARY + "' " + arguments + " 2>'" + errFile + "'";
    ProgramRun run;
    std::tie(run.status, run.out) = RunCommand(command);
    std::ifstream err(errFile);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    std::istringstream lines(run.out);
    for (std::string text; std::getline(lines, text);) {
        run.times.push_back(std::atol(text.c_str()));
        run.captions.push_back(text.substr(text.find(' ') + 1));
    }
    return run;
}

const std::string kDemo = std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4";

TEST(Snapshot, WritesThePictureAndThreeLinesOrExitsWithItsCode) {
    TempDir dir;
    RecordingWriter audioOnly(kFileKind514);
    audioOnly.Header().setPlayCamera(0, 1);
    audioOnly.AddAudio(0, 1, std::vector<std::uint8_t>(320, 0), MakeTime(2026, 1, 1, 0, 0, 0, 0));
    audioOnly.WriteFile(dir.File("audio.MP4"));
    const std::string missing = dir.File("missing.MP4");
    struct Case {
        std::string arguments;
        int status;
        std::string out;  // the whole of stdout, or empty to leave it unchecked
        std::string err;  // a part of stderr
        int width;        // of the PNG written; 0 for none
    } cases[] = {
        {"--snapshot '" + dir.File("0.png") + "' '" + kDemo + "'", 0,
         "title: Harbor Street Market : Front door\ncaption: CAM =1  2023-06-14 17:58:30  000\n"
         "stream: Front door  [704 * 480]\n", "", 704},
        {"--snapshot '" + dir.File("1.png") + "' --next 5 --previous 2 '" + kDemo + "'", 0,
         "title: Harbor Street Market : Front door\ncaption: CAM =1  2023-06-14 17:58:30  120\n"
         "stream: Front door  [704 * 480]\n", "", 704},
        {"--snapshot '" + dir.File("2.png") + "' '" + dir.File("audio.MP4") + "'", 1, "", "", 0},
        {"--snapshot '" + dir.File("3.png") + "' '" + missing + "'", 2, "title: " + missing + "\ncaption: \nstream: \n",
         "message: \"" + missing + "\" cannot be opened: No such file or directory.\n", 0},
        {"--snapshot", 2, "", "korvane: Missing value after '--snapshot'.\nTry 'korvane --help'", 0},
        {"--snapshot x.png --headless-play '" + kDemo + "'", 2, "", "give one of --snapshot", 0},
        {"--snapshot '" + dir.File("6.png") + "' --camera 2 --at '2023-06-14 17:59:00.030' '" + kDemo + "'", 0,
         "title: Harbor Street Market : Back yard\ncaption: CAM =2  2023-06-14 17:59:00  000\n"
         "stream: Back yard  [352 * 240]\n", "", 352},
        {"--snapshot '" + dir.File("7.png") + "' --camera 3 '" + kDemo + "'", 1, "",
         "message: This recording holds no pictures of camera 3.\n", 0},
        {"--snapshot x.png --at '2023-06-14 24:00:00' '" + kDemo + "'", 2, "", "--at: \"2023-06-14 24:00:00\" is no capture time: there is no hour 24", 0},
        {"--snapshot x.png --at '65535-12-31 00:00:00.000' '" + kDemo + "'", 2, "", "the year 65535 is past 9999", 0},
        {"--snapshot x.png --camera 0 '" + kDemo + "'", 2, "", "--camera takes a camera number", 0},
        {"--help", 0, "", "", 0},
        {"--version", 0, "korvane 0.1\n", "", 0},
        {"--snapshot x.png --frobnicate '" + kDemo + "'", 2, "", "Unknown option 'frobnicate'", 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const ProgramRun run = Korvane(dir, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        if (!c.out.empty()) {
            EXPECT_EQ(run.out, c.out) << c.arguments;
        }
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(QImage(QString::fromStdString(dir.File(std::to_string(i) + ".png"))).width(), c.width) << i;
    }
    // The steps moved the picture, not only the caption.
    EXPECT_NE(QImage(QString::fromStdString(dir.File("0.png"))), QImage(QString::fromStdString(dir.File("1.png"))));
}

TEST(HeadlessPlay, EachModePrintsItsPicturesAndEnds) {
    TempDir dir;
    const std::string clip = WriteClip(dir, "rec.MP4");
    const ProgramRun play = Korvane(dir, "--headless-play --next 2 '" + clip + "'");
    EXPECT_EQ(play.status, 0);
    std::vector<std::string> expected;
    for (int i = 3; i < 12; ++i) expected.push_back(ClipCaption(i));
    EXPECT_EQ(play.captions, expected);
    // Fast at 2x shows every picture after the first.
    const std::pair<std::string, std::vector<int>> runs[] = {
        {"--mode fast --speed 0 '" + clip, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}, {"--mode back --next 3 '" + clip, {2, 1, 0}},
        {"--at '2026-04-05 06:07:08.219' '" + clip, {6, 7, 8, 9, 10, 11}},
        {"--mode sideways '" + clip, {}}, {"--speed 9 '" + clip, {}}, {"--next x '" + clip, {}},
        {"'" + dir.File("missing.MP4"), {}}};
    for (const auto& [arguments, pictures] : runs) {
        const ProgramRun run = Korvane(dir, "--headless-play " + arguments + "'");
        EXPECT_EQ(run.status, pictures.empty() ? 2 : 0) << arguments;
        std::vector<std::string> captions;
        for (int i : pictures) captions.push_back(ClipCaption(i));
        EXPECT_EQ(run.captions, captions) << arguments;
    }
}

TEST(HeadlessPlay, SoundModePlaysTheRecordsSoundInOrder) {
    TempDir dir;
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, frames[0].bytes, MakeTime(2026, 4, 5, 6, 7, 8, 0), 7);
    for (int k = 0; k < 4; ++k) {  // 200 ms at level 3000 + 1000 k, a picture in the middle
        const std::vector<std::int16_t> pcm(1600, static_cast<std::int16_t>(3000 + 1000 * k));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(pcm.data());
        w.AddAudio(0, 1, std::vector<std::uint8_t>(bytes, bytes + 2 * pcm.size()), MakeTime(2026, 4, 5, 6, 7, 8, 200 * k));
        w.AddVideo(0, 7, kFrameDependent, frames[1 + k].bytes, MakeTime(2026, 4, 5, 6, 7, 8, 200 * k + 100), 7);
    }
    w.WriteFile(dir.File("sound.MP4"));
    const std::string played = dir.File("played.raw");
    const ProgramRun run = Korvane(dir, "--headless-play --mode sound '" + dir.File("sound.MP4") + "'",
                                   "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + played + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.captions.size(), 4u);
    // The levels in order on the left channel; the run may end before the last record has played out.
    std::ifstream in(played, std::ios::binary);
    std::vector<std::int16_t> heard;
    for (std::int16_t frame[2]; in.read(reinterpret_cast<char*>(frame), sizeof frame);)
        if (frame[0] != 0 && (heard.empty() || heard.back() != frame[0])) heard.push_back(frame[0]);
    ASSERT_GE(heard.size(), 3u);
    for (std::size_t k = 0; k < heard.size(); ++k) EXPECT_EQ(heard[k], 3000 + 1000 * int(k)) << k;
}

// Counts the pictures every engine made while it lives shows, the widgets alive at each, and widgets made.
class WidgetWatch : public QObject {
public:
    WidgetWatch() { qApp->installEventFilter(this); }
    ~WidgetWatch() override { qApp->removeEventFilter(this); }
    void OnPicture() {
        ++pictures;
        widgetsAtPictures += static_cast<int>(QApplication::allWidgets().size());
    }
    int pictures = 0, widgetsAtPictures = 0, widgetsMade = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Create && object->isWidgetType()) ++widgetsMade;
        // An engine gets its children as it is made, before its first picture.
        if (auto* session = qobject_cast<Session*>(object); session && event->type() == QEvent::ChildAdded)
            connect(session, &Session::PictureShown, this, &WidgetWatch::OnPicture, Qt::UniqueConnection);
        return false;
    }
};

TEST(Headless, SnapshotAndPlayRunWithoutAnyWidget) {
    ASSERT_TRUE(QApplication::allWidgets().isEmpty());
    TempDir dir;
    const std::string clip = WriteClip(dir, "rec.MP4");
    WidgetWatch snapshot;
    EXPECT_EQ(RunSnapshot({dir.File("out.png"), {clip}, 3, 1}), 0);
    EXPECT_EQ(snapshot.pictures, 1 + 3 + 1);
    EXPECT_EQ(snapshot.widgetsAtPictures, 0);
    EXPECT_EQ(snapshot.widgetsMade, 0);

    WidgetWatch play;
    EXPECT_EQ(RunHeadlessPlay({{clip}, PlayMode::Play, 0, 0}), 0);
    EXPECT_EQ(play.pictures, 12);  // the first, then eleven played
    EXPECT_EQ(play.widgetsAtPictures, 0);
    EXPECT_EQ(play.widgetsMade, 0);
}

}  // namespace
}  // namespace korvane::testing
