// The view on real recordings: the first picture, the title, and stepping
// forward and back, checked against ffmpeg's pictures of the same frames.
#include <gtest/gtest.h>

#include "playback/PlayerView.h"
#include "tests/decode/PeerDecode.h"
#include "authoring/FrameSource.h"
#include "tests/support/GuiApp.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;
const std::string kH264 = std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264";

class TestView : public PlayerView {
public:
    using PlayerView::PlayerView;
    using PlayerView::m_decoderCodec;
};

Bgr24 Upright(const Presentation& p) {
    const int width = p.format.biWidth, height = std::abs(p.format.biHeight);
    return p.format.biHeight > 0 ? FlipRows(p.pixels, width, height) : p.pixels;
}

SystemTime FrameTime(int i) { return AddMilliseconds(MakeTime(2025, 5, 6, 7, 8, 0, 0), 40 * i); }

class ViewStepTest : public ::testing::Test {
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
        path = dir.File("rec.MP4");
        w.WriteFile(path);
        EXPECT_EQ(view.OpenCommandLine(path), 1);
        return offsets;
    }

    void ExpectShowing(int index) {
        const Presentation p = view.TakePresentation();
        ASSERT_TRUE(p.ready);
        EXPECT_GE(Psnr(Upright(p), s_reference.at(index)), kMinPsnr) << "expected picture " << index;
        EXPECT_EQ(p.caption, "CAM =1  " + std::string("2025-05-06 07:08:") +
                                 (index < 25 ? "00" : "01") + "  " +
                                 std::string(3 - std::to_string(index % 25 * 40).size(), '0') +
                                 std::to_string(index % 25 * 40));
    }

    static inline std::vector<VideoFrame> s_frames;
    static inline std::vector<Bgr24> s_reference;
    StderrNotifier notifier{false};
    TestView view{notifier};
    TempDir dir;
    std::string path;
};

TEST_F(ViewStepTest, FirstPictureAfterLeadingAudioAndSiteTitle) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\n");
    Play({{0, kFrameKey}, {1, kFrameDependent}}, true);
    ExpectShowing(0);
    EXPECT_EQ(view.windowTitle().toStdString(), "Harbour : Gate");
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(ViewStepTest, QuotedCommandLineOpensThePathWithoutQuotes) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 10, kFrameKey, s_frames[0].bytes, FrameTime(0));
    const std::string spaced = dir.File("with space.MP4");
    w.WriteFile(spaced);
    EXPECT_EQ(view.OpenCommandLine("\"" + spaced + "\""), 1);
    EXPECT_EQ(view.FilePath(), spaced);
    EXPECT_EQ(view.windowTitle().toStdString(), spaced);  // no mp4info.txt: the title stays the path
    ExpectShowing(0);
}

TEST_F(ViewStepTest, DecoderOnlyFirstRecordPrimesAndTheNextPictureIsShown) {
    Play({{0, kFrameDecoderOnly}, {1, kFrameDependent}, {2, kFrameDependent}});
    ExpectShowing(1);
}

TEST_F(ViewStepTest, UnknownCodecFirstRecordIsReported) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.Header().setNameCamera(0, 1);
    w.AddVideo(0, 12, kFrameKey, s_frames[0].bytes, FrameTime(0));
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Harbour\n");
    path = dir.File("odd.MP4");
    w.WriteFile(path);
    EXPECT_EQ(view.OpenCommandLine(path), 1);
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{kIncorrectCodecText});
    EXPECT_EQ(view.windowTitle().toStdString(), path);
    EXPECT_FALSE(view.PictureReady());
}

TEST_F(ViewStepTest, StepForwardPassesAudioAndDecoderOnlyRecordsAndStopsAtTheEnd) {
    const auto offsets = Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameDecoderOnly}, {3, kFrameDependent}});
    view.OnNext();
    ExpectShowing(1);
    view.OnNext();  // 2 is decoded unseen, 3 is shown
    ExpectShowing(3);
    const Presentation last = view.TakePresentation();
    view.OnNext();
    const Presentation after = view.TakePresentation();
    EXPECT_EQ(after.pixels, last.pixels);
    EXPECT_EQ(after.caption, last.caption);
    // The retries leave the reader near the end; it never leaves the chain.
    EXPECT_GE(view.Reader().CurrentOffset(), offsets[3]);
}

TEST_F(ViewStepTest, StepBackOntoDependentPictureDecodesItsKeyFirst) {
    const auto offsets = Play({{0, kFrameKey}, {1, kFrameDependent}, {2, kFrameDependent}});
    view.OnNext();
    view.OnNext();
    ExpectShowing(2);
    view.OnPrevious();
    ExpectShowing(1);
    EXPECT_EQ(view.Reader().CurrentOffset(), offsets[1]);
}

TEST_F(ViewStepTest, StepBackOntoGroupPictureShowsExactlyTheTarget) {
    const auto offsets = Play({{0, kFrameKey}, {1, kFrameGroup}, {2, kFrameGroup}, {3, kFrameGroup}, {4, kFrameGroup}});
    for (int i = 0; i < 4; ++i) view.OnNext();
    ExpectShowing(4);
    view.OnPrevious();
    ExpectShowing(3);  // 0, 1 and 2 decoded on the way, unseen
    EXPECT_EQ(view.Reader().CurrentOffset(), offsets[3]);
    view.OnPrevious();
    ExpectShowing(2);
}

TEST_F(ViewStepTest, StepBackAtTheFirstPictureChangesNothingVisible) {
    Play({{0, kFrameKey}, {1, kFrameDependent}});
    const Presentation first = view.TakePresentation();
    view.OnPrevious();
    const Presentation after = view.TakePresentation();
    EXPECT_EQ(after.pixels, first.pixels);
    EXPECT_EQ(after.caption, first.caption);
    view.OnNext();
    ExpectShowing(1);
}

TEST_F(ViewStepTest, MissingRecordingIsReportedAndNothingShown) {
    const std::string missing = dir.File("gone.MP4");
    EXPECT_EQ(view.OpenCommandLine(missing), 0);
    EXPECT_FALSE(view.FileOpen());
    ASSERT_EQ(notifier.Messages().size(), 1u);
    EXPECT_EQ(notifier.Messages()[0], "error =2  " + missing);
    view.OnNext();
    view.OnPrevious();
    EXPECT_FALSE(view.PictureReady());
}

}  // namespace
}  // namespace korvane::testing
