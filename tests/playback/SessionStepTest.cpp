// The engine on real recordings: the first picture, the title, and stepping
// forward and back, checked against ffmpeg's pictures of the same frames.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/playback/SessionHarness.h"
#include "tests/decode/PeerDecode.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;
const std::string kH264 = std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264";

SystemTime FrameTime(int i) { return AddMilliseconds(MakeTime(2025, 5, 6, 7, 8, 0, 0), 40 * i); }

class SessionStepTest : public ::testing::Test, public SessionHarness {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(kH264);
        s_reference = FfmpegPictures(kH264, 704, 480);
    }

    // Writes a recording of camera 0 holding the H.264 fixture's pictures
    // `indexes` with the frame types given, and opens it in the view.
    void Play(const std::vector<std::pair<int, int>>& pictures, bool leadingAudio = false) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.Header().setNameCamera(0, 1);
        if (leadingAudio) {
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 1), FrameTime(0));
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 2), FrameTime(0));
        }
        for (auto [index, type] : pictures) {
            w.AddVideo(0, 10, static_cast<std::uint8_t>(type), s_frames.at(index).bytes, FrameTime(index));
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 3), FrameTime(index));
        }
        const std::string path = dir.File("rec" + std::to_string(++m_recordings) + ".MP4");
        w.WriteFile(path);
        EXPECT_TRUE(session.OpenCommandLine(path));
    }

    void ExpectShowing(int index) {
        const PictureHandle p = session.CurrentPicture();
        ASSERT_TRUE(p);
        EXPECT_GE(Psnr(p->Bytes(), s_reference.at(index)), kMinPsnr) << "expected picture " << index;
        char caption[64];
        std::snprintf(caption, sizeof caption, "CAM =1  2025-05-06 07:08:%02d  %03d", index / 25, index % 25 * 40);
        EXPECT_EQ(p->caption, caption);
    }

    int m_recordings = 0;
    static inline std::vector<VideoFrame> s_frames;
    static inline std::vector<Bgr24> s_reference;
};

TEST_F(SessionStepTest, FirstPictureAfterLeadingAudio_SiteTitle_QuotedPath) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\n");
    Play({{0, kFrameKey}, {1, kFrameDependent}}, true);
    ExpectShowing(0);
    EXPECT_EQ(session.Title().toStdString(), "Harbour : Gate");
    EXPECT_TRUE(notifier.Messages().empty());

    // Quoted as on a command line, in a folder without mp4info.txt: the title stays the path.
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 10, kFrameKey, s_frames[0].bytes, FrameTime(0));
    const std::string spaced = dir.File("with space") + "/rec.MP4";
    std::filesystem::create_directory(dir.File("with space"));
    w.WriteFile(spaced);
    EXPECT_TRUE(session.OpenCommandLine("\"" + spaced + "\""));
    EXPECT_EQ(session.FilePath(), spaced);
    EXPECT_EQ(session.Title().toStdString(), spaced);
    ExpectShowing(0);
}

TEST_F(SessionStepTest, UnknownCodecOrMissingRecordingIsReportedAndNothingShown) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 12, kFrameKey, s_frames[0].bytes, FrameTime(0));
    const std::string odd = dir.File("odd.MP4"), missing = dir.File("gone.MP4");
    w.WriteFile(odd);
    EXPECT_TRUE(session.OpenCommandLine(odd));
    EXPECT_FALSE(session.Start(PlayMode::Play));  // nothing to play from
    EXPECT_FALSE(session.OpenCommandLine(missing));
    EXPECT_FALSE(session.FileOpen());
    EXPECT_FALSE(session.Start(PlayMode::Play));
    session.StepForward();
    session.StepBack();
    EXPECT_EQ(notifier.Messages(), (std::vector<std::string>{kIncorrectCodecText, "\"" + missing + "\" cannot be opened: No such file or directory."}));
    EXPECT_FALSE(session.CurrentPicture());
}

// From the first picture shown, each step ('>' forward, '<' back) and the
// picture it shows; at either end a step shows nothing new.
TEST_F(SessionStepTest, StepsPassAudioAndDecoderOnlyRecordsGoBackFromTheKeyRecordAndStopAtTheEnds) {
    const struct {
        const char* what;
        std::vector<std::pair<int, int>> pictures;
        int first;
        std::string steps;
        std::vector<int> shown;
    } cases[] = {
        {"a decoder-only first record primes the decoder for the next picture",
         {{0, kFrameDecoderOnly}, {1, kFrameDependent}, {2, kFrameDependent}}, 1, "", {}},
        {"forward, a decoder-only record decoded unseen, to the end",
         {{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameDecoderOnly}, {3, kFrameDependent}}, 0, ">>>", {1, 3, 3}},
        // Back to a group picture decodes from its key record, unseen up to the target.
        {"back through group pictures to the first",
         {{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameGroup}, {3, kFrameGroup}, {4, kFrameGroup}}, 0, ">>>><<<<<>",
         {1, 2, 3, 4, 3, 2, 1, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Play(c.pictures);
        ExpectShowing(c.first);
        int previous = c.first;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const PictureHandle before = session.CurrentPicture();
            c.steps[i] == '>' ? session.StepForward() : session.StepBack();
            ExpectShowing(c.shown[i]);
            if (c.shown[i] == previous) { EXPECT_EQ(session.CurrentPicture(), before) << "step " << i; }
            previous = c.shown[i];
        }
    }
}

}  // namespace
}  // namespace korvane::testing
