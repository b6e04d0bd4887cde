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
    std::vector<std::uint32_t> Play(const std::vector<std::pair<int, int>>& pictures, bool leadingAudio = false) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.Header().setNameCamera(0, 1);
        if (leadingAudio) {
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 1), FrameTime(0));
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 2), FrameTime(0));
        }
        std::vector<std::uint32_t> offsets;
        for (auto [index, type] : pictures) {
            offsets.push_back(w.AddVideo(0, 10, static_cast<std::uint8_t>(type), s_frames.at(index).bytes,
                                         FrameTime(index)));
            w.AddAudio(0, 1, std::vector<std::uint8_t>(320, 3), FrameTime(index));
        }
        w.WriteFile(dir.File("rec.MP4"));
        EXPECT_TRUE(session.OpenCommandLine(dir.File("rec.MP4")));
        return offsets;
    }

    void ExpectShowing(int index) {
        const PictureHandle p = session.CurrentPicture();
        ASSERT_TRUE(p);
        EXPECT_GE(Psnr(p->Bytes(), s_reference.at(index)), kMinPsnr) << "expected picture " << index;
        char caption[64];
        std::snprintf(caption, sizeof caption, "CAM =1  2025-05-06 07:08:%02d  %03d", index / 25, index % 25 * 40);
        EXPECT_EQ(p->caption, caption);
    }

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

TEST_F(SessionStepTest, DecoderOnlyFirstRecordPrimesAndTheNextPictureIsShown) {
    Play({{0, kFrameDecoderOnly}, {1, kFrameDependent}, {2, kFrameDependent}});
    ExpectShowing(1);
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

TEST_F(SessionStepTest, StepForwardPassesAudioAndDecoderOnlyRecordsAndStopsAtTheEnd) {
    Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameDecoderOnly}, {3, kFrameDependent}});
    session.StepForward();
    ExpectShowing(1);
    session.StepForward();  // 2 is decoded unseen, 3 is shown
    ExpectShowing(3);
    const PictureHandle last = session.CurrentPicture();
    session.StepForward();
    EXPECT_EQ(session.CurrentPicture(), last);  // nothing new shown at the end
}

TEST_F(SessionStepTest, StepBackDecodesFromTheKeyRecordAndChangesNothingAtTheFirstPicture) {
    Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameGroup}, {3, kFrameGroup}, {4, kFrameGroup}});
    for (int i = 0; i < 4; ++i) session.StepForward();
    ExpectShowing(4);
    session.StepBack();
    ExpectShowing(3);  // the group from its key record, unseen up to the target
    session.StepBack();
    ExpectShowing(2);
    session.StepBack();
    ExpectShowing(1);  // a dependent picture after its key record
    session.StepBack();
    const PictureHandle first = session.CurrentPicture();
    ExpectShowing(0);
    session.StepBack();
    EXPECT_EQ(session.CurrentPicture(), first);
    session.StepForward();
    ExpectShowing(1);
}

}  // namespace
}  // namespace korvane::testing
