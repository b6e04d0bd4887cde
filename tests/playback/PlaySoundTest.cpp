// Play with sound on real threads: audio records played through SDL's disk
// driver at real-time speed, the audio pacing of the loop, and video that
// paces itself again once the audio is more than two seconds behind.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "playback/CKorvaneView.h"
#include "playback/ViewMessages.h"
#include "tests/audio/DiskAudio.h"
#include "tests/support/FrameSource.h"
#include "tests/support/RecordingWriter.h"
#include "tests/support/TempDir.h"

namespace korvane::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class SoundView : public CKorvaneView {
public:
    using CKorvaneView::AudioTarget;
    using CKorvaneView::CKorvaneView;
    using CKorvaneView::m_bLargePicture;
    using CKorvaneView::m_waveOut;
};

class EndCounter : public ControlBarLink {
public:
    explicit EndCounter(MessageTarget& view) : m_view(view) {}
    void PlaybackEnded() override {
        ++ends;
        PostMessage(m_view, WM_BAR_PLAYBACK_ENDED);
    }
    void ResetAndReload() override {}
    void SetSound(bool) override {}
    std::atomic<int> ends{0};

private:
    MessageTarget& m_view;
};

// One record's worth of 16-bit PCM: a constant level that tells the records apart.
std::vector<std::uint8_t> Level(int samples, std::int16_t value) {
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(samples), value);
    return BytesFromSamples(pcm);
}

class PlaySoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    }
    void SetUp() override {
        view.SetControlBar(&bar);
        view.SetPresentObserver([this](const std::string& caption) {
            std::lock_guard lock(mutex);
            shown.push_back({Clock::now(), caption});
        });
        SendMessage(view, WM_BAR_SOUND, 1);
    }

    void OpenAndPlay(RecordingWriter& w) {
        const std::string path = dir.File("sound.MP4");
        w.WriteFile(path);
        ASSERT_EQ(view.OpenCommandLine(path), 1);
        {
            std::lock_guard lock(mutex);
            shown.clear();
        }
        ASSERT_EQ(SendMessage(view, WM_BAR_PLAY, 1), 1);  // sound is on: play with sound
        const auto start = Clock::now();
        while ((bar.ends.load() == 0 || view.IsPlaying()) && Clock::now() - start < milliseconds(20000)) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(milliseconds(2));
        }
        ASSERT_GT(bar.ends.load(), 0);
    }
    std::vector<int> Gaps() {
        std::lock_guard lock(mutex);
        std::vector<int> gaps;
        for (std::size_t i = 1; i < shown.size(); ++i)
            gaps.push_back(static_cast<int>(
                std::chrono::duration_cast<milliseconds>(shown[i].first - shown[i - 1].first).count()));
        return gaps;
    }

    static inline std::vector<VideoFrame> s_frames;
    DiskAudio disk{64};  // real-time speed: one 512-sample buffer each 64 ms
    StderrNotifier notifier{false};
    SoundView view{notifier};
    EndCounter bar{view};
    TempDir dir;
    std::mutex mutex;
    std::vector<std::pair<Clock::time_point, std::string>> shown;
};

SystemTime At(int second, int ms) { return MakeTime(2026, 7, 8, 9, 10, second, ms); }

TEST_F(PlaySoundTest, AudioPacesThePlayAndIsPlayedAsRecorded) {
    // Six periods of 200 ms: a 3,200-byte PCM record, then its five pictures.
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, s_frames[0].bytes, At(0, 0), 7);
    std::vector<std::int16_t> expected;
    for (int period = 0; period < 6; ++period) {
        const auto level = static_cast<std::int16_t>(1000 + 500 * period);
        w.AddAudio(0, 1, Level(1600, level), At(0, 200 * period));
        expected.insert(expected.end(), 1600, level);
        for (int i = 0; i < 5; ++i) {
            const int frame = 1 + (5 * period + i) % 9;  // dependent pictures of the first group
            w.AddVideo(0, 7, kFrameDependent, s_frames[frame].bytes, At(0, 200 * period + 40 * i), 7);
        }
    }
    OpenAndPlay(w);

    // Pictures come in fives right after their audio; the audio waits set
    // the pace, 200 ms from one record to the next.
    const auto gaps = Gaps();
    ASSERT_EQ(gaps.size(), 29u);
    for (std::size_t i = 0; i < gaps.size(); ++i) {
        if (i % 5 == 4 && i > 4) {
            EXPECT_GE(gaps[i], 180) << i;
            EXPECT_LE(gaps[i], 260) << i;
        } else if (i % 5 != 4) {
            EXPECT_LT(gaps[i], 40) << i;
        }
    }
    // What the output played: the records' samples in order on both channels,
    // with silence only before, after and between them.
    view.m_waveOut.CloseOutput();  // plays what is queued, then the file is complete
    std::vector<std::int16_t> played = disk.Left();
    played.erase(std::remove(played.begin(), played.end(), 0), played.end());
    EXPECT_EQ(played, expected);
    std::vector<std::int16_t> right = disk.Right();
    right.erase(std::remove(right.begin(), right.end(), 0), right.end());
    EXPECT_EQ(right, expected);
}

TEST_F(PlaySoundTest, VideoPacesItselfOnceTheAudioIsMoreThanTwoSecondsBehind) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, s_frames[0].bytes, At(0, 0), 7);
    w.AddAudio(0, 1, Level(1600, 700), At(0, 0));
    for (int i = 0; i < 6; ++i) w.AddVideo(0, 7, kFrameDependent, s_frames[1 + i].bytes, At(3, 100 * i), 7);
    OpenAndPlay(w);
    const auto gaps = Gaps();
    ASSERT_EQ(gaps.size(), 5u);
    for (std::size_t i = 1; i < gaps.size(); ++i) {
        EXPECT_GE(gaps[i], 97) << i;
        EXPECT_LE(gaps[i], 160) << i;
    }
}

TEST_F(PlaySoundTest, WithoutAudioItPacesLikePlay) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (int i = 0; i < 6; ++i)
        w.AddVideo(0, 7, i == 0 ? kFrameKey : kFrameDependent, s_frames[i].bytes, At(5, 40 * i), 7);
    OpenAndPlay(w);
    const auto gaps = Gaps();
    ASSERT_EQ(gaps.size(), 4u);
    EXPECT_GE(gaps[0], 57);
    for (int gap : gaps) EXPECT_LE(gap, 105);
    for (std::size_t i = 1; i < gaps.size(); ++i) EXPECT_GE(gaps[i], 37);
}

TEST(AudioPacing, TargetFollowsTheBytesHandedOver) {
    StderrNotifier notifier{false};
    SoundView view(notifier);
    view.m_bLargePicture = 0;
    EXPECT_EQ(view.AudioTarget(3200), 200);
    EXPECT_EQ(view.AudioTarget(3552), 228);
    EXPECT_EQ(view.AudioTarget(3682), 228);
    view.m_bLargePicture = 1;
    EXPECT_EQ(view.AudioTarget(3552), 226);
    EXPECT_EQ(view.AudioTarget(1000), 55);
    EXPECT_EQ(view.AudioTarget(1280), 125);
    EXPECT_EQ(view.AudioTarget(3999), 125);
    EXPECT_EQ(view.AudioTarget(8192), 510);
    EXPECT_EQ(view.AudioTarget(4000), 270);
    EXPECT_EQ(view.AudioTarget(4036), 270);
}

}  // namespace
}  // namespace korvane::testing
