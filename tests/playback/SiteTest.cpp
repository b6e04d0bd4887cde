// Every camera of a backup on one clock: a folder of four cameras, two
// consecutive recordings each, a gap in camera 2, cameras 3 and 4
// interleaved in one chain. Whatever moves the session (a seek, a step, a
// mode at any rate), each camera shows its latest picture at or before the
// clock, the very picture a session of that camera alone shows there, and
// a camera with nothing within a second before the clock shows none.
#include <gtest/gtest.h>

#include <map>

#include "recording/TimeStamp.h"
#include "tests/app/FourCameras.h"
#include "tests/playback/SessionHarness.h"

namespace korvane::testing {
namespace {

std::int64_t Ms(const PictureHandle& p) { return CaptureMilliseconds(p->captureTime) - kFourStart; }

class SiteTest : public ::testing::Test, public SessionHarness {
protected:
    void SetUp() override {
        // H.264 pictures: a key picture every 400 ms.
        WriteFourCameras(dir, "h264_704x480.h264", 10, 15);
        QObject::connect(&session, &Session::CameraPictureShown, &session, [this](const PictureHandle& p) {
            tiles.push_back({p, session.Clock().Now() - kFourStart});
        });
        QObject::connect(&session, &Session::CameraWithoutPicture, &session, [this](int camera, qint64 next) {
            dark.push_back({camera, next < 0 ? -1 : next - kFourStart, session.Clock().Now() - kFourStart});
        });
        ASSERT_TRUE(session.Open(dir.Path()));
        ASSERT_TRUE(session.WaitForIndex());
        ASSERT_EQ(session.Cameras(), (std::vector<int>{0, 1, 2, 3}));
        session.ShowCameras(session.Cameras());
        session.Settle();
    }
    void TearDown() override { session.Stop(); }

    // The picture a session showing `camera` alone shows at `time` (ms after kFourStart).
    std::vector<std::uint8_t> Alone(int camera, std::int64_t time) {
        if (!m_alone) {
            m_alone = std::make_unique<Session>(notifier, std::make_unique<ManualTimeSource>());
            m_alone->Open(dir.Path());
            m_alone->WaitForIndex();
        }
        m_alone->SelectCamera(camera);
        m_alone->SeekTo(kFourStart + time);
        const PictureHandle p = m_alone->CurrentPicture();
        return {p->Bytes().begin(), p->Bytes().end()};
    }

    struct Tile {
        PictureHandle picture;
        std::int64_t clock;  // the session clock when it arrived (ms after kFourStart)
    };
    struct Dark {
        int camera;
        std::int64_t next, clock;
    };
    std::vector<Tile> tiles;
    std::vector<Dark> dark;
    std::unique_ptr<Session> m_alone;
};

// Seeks across both recordings, into and out of camera 2's gap: every
// camera shows what it shows alone, or nothing with its next picture's time.
TEST_F(SiteTest, EveryCameraShowsItsPictureAtTheSeekTime) {
    const struct { std::int64_t at; int selected; } seeks[] = {
        {0, 0}, {575, 0}, {1199, 1}, {1230, 3}, {1700, 0}, {2180, 2}, {2500, 1}, {2395, 3}};
    for (const auto& s : seeks) {
        SCOPED_TRACE(s.at);
        ASSERT_TRUE(session.SelectCamera(s.selected));
        ASSERT_TRUE(session.SeekTo(kFourStart + s.at));
        session.Settle();
        const std::int64_t now = Ms(session.CurrentPicture());
        for (const int camera : session.Cameras()) {
            SCOPED_TRACE(camera + 1);
            const PictureHandle p = session.CameraPicture(camera);
            const CameraTrack& track = *session.Set()->Track(camera);
            const std::int64_t latest = track.Entry(*track.PictureAt(kFourStart + now)).time - kFourStart;
            if (latest > now || now - latest > 1000) {
                // Nothing within a second before: dark, with the time of the camera's next picture.
                EXPECT_EQ(p, nullptr);
                const auto last = std::find_if(dark.rbegin(), dark.rend(), [&](const Dark& d) { return d.camera == camera; });
                ASSERT_NE(last, dark.rend());
                EXPECT_EQ(last->next, track.Entry(*track.PictureAfter(kFourStart + now)).time - kFourStart);
                continue;
            }
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(Ms(p), latest);
            const auto alone = Alone(camera, now);
            EXPECT_TRUE(std::equal(alone.begin(), alone.end(), p->Bytes().begin(), p->Bytes().end()));
        }
    }
}

// A step moves the selected camera by one picture and the others to its time.
TEST_F(SiteTest, AStepMovesTheOthersToTheSelectedCamerasTime) {
    ASSERT_TRUE(session.SelectCamera(2));
    ASSERT_TRUE(session.SeekTo(kFourStart + 1100));
    for (const bool forward : {true, true, true, false, false}) {
        forward ? session.StepForward() : session.StepBack();
        session.Settle();
        const std::int64_t now = Ms(session.CurrentPicture());
        for (const int camera : {0, 3}) {
            const PictureHandle p = session.CameraPicture(camera);
            ASSERT_NE(p, nullptr);
            EXPECT_TRUE(Ms(p) <= now && now < Ms(p) + 40) << camera << " at " << now;
        }
    }
}

// Every mode and rate across the recordings' boundary and camera 2's gap,
// on the manual clock: each picture arrives when it is its camera's latest
// at or before the clock, every picture of every camera is shown once, and
// camera 2 goes dark a second after its last picture before the gap.
TEST_F(SiteTest, EveryTileFollowsTheClockInEveryMode) {
    const struct { PlayMode mode; int level; std::int64_t from; } runs[] = {
        {PlayMode::Play, 0, 0}, {PlayMode::BackPlay, 0, 2400}, {PlayMode::FastPlay, 1, 0}, {PlayMode::FastBackPlay, 0, 2400}};
    for (const auto& r : runs) {
        SCOPED_TRACE(static_cast<int>(r.mode));
        session.SetFastSpeed(r.level);
        ASSERT_TRUE(session.SelectCamera(0));
        ASSERT_TRUE(session.SeekTo(kFourStart + r.from));
        session.Settle();
        const bool forward = r.mode == PlayMode::Play || r.mode == PlayMode::FastPlay;
        // The pictures still to come: beyond the one each camera shows (or the clock).
        const std::int64_t clock = Ms(session.CurrentPicture());
        std::map<int, int> expected;
        for (const int camera : session.Cameras()) {
            const PictureHandle p = session.CameraPicture(camera);
            const CameraTrack& track = *session.Set()->Track(camera);
            for (auto at = track.First(); at; at = track.NextVideo(*at, true)) {
                const std::int64_t t = track.Entry(*at).time - kFourStart;
                expected[camera] += p ? (forward ? t > Ms(p) : t < Ms(p)) : (forward ? t > clock : t <= clock);
            }
        }
        tiles.clear();
        dark.clear();
        ASSERT_TRUE(session.Start(r.mode));
        RunUntilEnded();
        std::map<int, int> shownPerCamera;
        for (const Tile& t : tiles) {
            const int camera = t.picture->camera;
            ++shownPerCamera[camera];
            const CameraTrack& track = *session.Set()->Track(camera);
            EXPECT_EQ(track.Entry(*track.PictureAt(kFourStart + t.clock)).time - kFourStart, Ms(t.picture))
                << "camera " << camera + 1 << " at " << t.clock;
        }
        EXPECT_EQ(shownPerCamera, expected);
        // Camera 2 goes dark in its gap (forward a second after its last picture before it).
        const auto gap = std::find_if(dark.begin(), dark.end(), [&](const Dark& d) {
            return d.camera == 1 && (forward ? d.clock > 1000 : d.clock < kCamera2Resumes);
        });
        ASSERT_NE(gap, dark.end());
        if (forward) {
            EXPECT_EQ(gap->next, kCamera2Resumes);
            EXPECT_NEAR(gap->clock, 1170 + 1000, FastMultiple(r.level));
        } else {
            EXPECT_EQ(gap->next, 1170);
        }
    }
}

// Sound, the marks and the readout stay the selected camera's; showing one
// camera alone and all again keeps the moment.
TEST_F(SiteTest, ShowingOneCameraAloneAndAllAgainKeepsTheMoment) {
    ASSERT_TRUE(session.SelectCamera(3));
    ASSERT_TRUE(session.SeekTo(kFourStart + 1500));
    const std::int64_t now = Ms(session.CurrentPicture());
    session.ShowCameras({3});
    EXPECT_EQ(session.ShownCameras(), (std::vector<int>{3}));
    EXPECT_EQ(Ms(session.CurrentPicture()), now);
    session.ShowCameras(session.Cameras());
    session.Settle();
    EXPECT_EQ(Ms(session.CurrentPicture()), now);
    for (const int camera : {0, 2}) EXPECT_LE(Ms(session.CameraPicture(camera)), now);
    // The timeline's small picture: the camera's key picture at or before the time, fitted into the size.
    const PictureHandle small = session.KeyPictureNear(2, kFourStart + now, QSize(88, 88));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->camera, 2);
    EXPECT_EQ((Ms(small) - 20) % 400, 0) << "a key picture";
    EXPECT_LE(Ms(small), now);
    EXPECT_GT(Ms(small) + 400, now);
    EXPECT_EQ(std::pair(small->width, small->height), std::pair(88, 60));
}

}  // namespace
}  // namespace korvane::testing
