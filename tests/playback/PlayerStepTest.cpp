// The engine on real recordings: the first picture, the title, and stepping
// forward and back, checked against ffmpeg's pictures of the same frames.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/playback/PlayerHarness.h"
#include "tests/decode/PeerDecode.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;
const std::string kH264 = std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264";

SystemTime FrameTime(int i) { return AddMilliseconds(MakeTime(2025, 5, 6, 7, 8, 0, 0), 40 * i); }

class PlayerStepTest : public ::testing::Test, public PlayerHarness {
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
        EXPECT_TRUE(player.OpenCommandLine(dir.File("rec.MP4")));
        return offsets;
    }

    void ExpectShowing(int index) {
        const PictureHandle p = player.CurrentPicture();
        ASSERT_TRUE(p);
        EXPECT_GE(Psnr(p->Bytes(), s_reference.at(index)), kMinPsnr) << "expected picture " << index;
        char caption[64];
        std::snprintf(caption, sizeof caption, "CAM =1  2025-05-06 07:08:%02d  %03d", index / 25, index % 25 * 40);
        EXPECT_EQ(p->caption, caption);
    }

    static inline std::vector<VideoFrame> s_frames;
    static inline std::vector<Bgr24> s_reference;
};

TEST_F(PlayerStepTest, FirstPictureAfterLeadingAudio_SiteTitle_QuotedPath) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\n");
    Play({{0, kFrameKey}, {1, kFrameDependent}}, true);
    ExpectShowing(0);
    EXPECT_EQ(player.Title().toStdString(), "Harbour : Gate");
    EXPECT_TRUE(notifier.Messages().empty());

    // Quoted as on a command line, in a folder without mp4info.txt: the title stays the path.
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 10, kFrameKey, s_frames[0].bytes, FrameTime(0));
    const std::string spaced = dir.File("with space") + "/rec.MP4";
    std::filesystem::create_directory(dir.File("with space"));
    w.WriteFile(spaced);
    EXPECT_TRUE(player.OpenCommandLine("\"" + spaced + "\""));
    EXPECT_EQ(player.FilePath(), spaced);
    EXPECT_EQ(player.Title().toStdString(), spaced);
    ExpectShowing(0);
}

TEST_F(PlayerStepTest, DecoderOnlyFirstRecordPrimesAndTheNextPictureIsShown) {
    Play({{0, kFrameDecoderOnly}, {1, kFrameDependent}, {2, kFrameDependent}});
    ExpectShowing(1);
}

TEST_F(PlayerStepTest, UnknownCodecOrMissingRecordingIsReportedAndNothingShown) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 12, kFrameKey, s_frames[0].bytes, FrameTime(0));
    const std::string odd = dir.File("odd.MP4"), missing = dir.File("gone.MP4");
    w.WriteFile(odd);
    EXPECT_TRUE(player.OpenCommandLine(odd));
    EXPECT_FALSE(player.OpenCommandLine(missing));
    EXPECT_FALSE(player.FileOpen());
    EXPECT_FALSE(player.Start(PlayMode::Play));
    player.StepForward();
    player.StepBack();
    EXPECT_EQ(notifier.Messages(), (std::vector<std::string>{kIncorrectCodecText, "error =2  " + missing + "\nNo such file or directory"}));
    EXPECT_FALSE(player.CurrentPicture());
}

TEST_F(PlayerStepTest, StepForwardPassesAudioAndDecoderOnlyRecordsAndStopsAtTheEnd) {
    Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameDecoderOnly}, {3, kFrameDependent}});
    player.StepForward();
    ExpectShowing(1);
    player.StepForward();  // 2 is decoded unseen, 3 is shown
    ExpectShowing(3);
    const PictureHandle last = player.CurrentPicture();
    player.StepForward();
    EXPECT_EQ(player.CurrentPicture(), last);  // nothing new shown at the end
}

TEST_F(PlayerStepTest, StepBackDecodesFromTheKeyRecordAndChangesNothingAtTheFirstPicture) {
    Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameGroup}, {3, kFrameGroup}, {4, kFrameGroup}});
    for (int i = 0; i < 4; ++i) player.StepForward();
    ExpectShowing(4);
    player.StepBack();
    ExpectShowing(3);  // the group from its key record, unseen up to the target
    player.StepBack();
    ExpectShowing(2);
    player.StepBack();
    ExpectShowing(1);  // a dependent picture after its key record
    player.StepBack();
    const PictureHandle first = player.CurrentPicture();
    ExpectShowing(0);
    player.StepBack();
    EXPECT_EQ(player.CurrentPicture(), first);
    player.StepForward();
    ExpectShowing(1);
}

}  // namespace
}  // namespace korvane::testing
