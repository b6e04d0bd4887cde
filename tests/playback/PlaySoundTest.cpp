// Play with sound on real threads: audio played through SDL's disk driver at real-time speed, the
// loop's audio pacing, and video that paces itself again once the audio is over two seconds behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "tests/audio/DiskAudio.h"
#include "tests/audio/PlayedStream.h"
#include "tests/playback/SessionHarness.h"

namespace korvane::testing {
namespace {

// One record's worth of 16-bit PCM: a constant level that tells the records apart.
std::vector<std::uint8_t> Level(int samples, std::int16_t value) {
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(samples), value);
    return BytesFromSamples(pcm);
}

// The engine playing a recording with sound on.
class SoundSession : public SessionHarness {
public:
    explicit SoundSession(bool manualTime = false) : SessionHarness(manualTime) { session.SetSound(true); }

    // Plays the recording from its first picture to the end, at most `limit`.
    void OpenAndPlay(RecordingWriter& w) {
        const std::string path = dir.File("sound.MP4");
        w.WriteFile(path);
        ASSERT_TRUE(session.OpenCommandLine(path));
        session.WaitForIndex();  // the complete index restarts a run: not in the middle of this one
        shown.clear();
        ASSERT_TRUE(session.Start(PlayMode::Play));  // sound is on: play with sound
        ASSERT_EQ(session.Mode(), PlayMode::PlaySound);
        RunUntilEnded();
        ASSERT_FALSE(session.IsPlaying());
    }
};

class PlaySoundTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v"); }

    static inline std::vector<VideoFrame> s_frames;
    DiskAudio disk{DiskAudio::kRealTime};
    SoundSession s;
};

SystemTime At(int second, int ms) { return MakeTime(2026, 7, 8, 9, 10, second, ms); }

constexpr int kRecordMs = 200;
constexpr int kRecordFrames = kRecordMs * 8;  // 8,000 frames a second

// Each record's sound is a level of its own, so that it can be found in what was played.
std::int16_t RecordLevel(int record) { return static_cast<std::int16_t>(100 + 200 * record); }

// A key picture at 0 ms, then `records` records of 200 ms of 16-bit PCM, each
// followed by pictures `offsets` ms into it, then one more record. Returns
// the stamps of the pictures after the key one, in ms from the first.
std::vector<int> WriteSoundRecording(RecordingWriter& w, const std::vector<VideoFrame>& frames, int records,
                                     std::initializer_list<int> offsets) {
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, frames[0].bytes, At(0, 0), 7);
    std::vector<int> pictureMs;
    for (int k = 0; k <= records; ++k) {
        w.AddAudio(0, 1, Level(kRecordFrames, RecordLevel(k)), AddMilliseconds(At(0, 0), k * kRecordMs));
        if (k == records) break;
        for (int offset : offsets) {
            const std::size_t frame = (pictureMs.size() + 1) % 10;  // groups of a key picture and nine dependent ones
            pictureMs.push_back(k * kRecordMs + offset);
            w.AddVideo(0, 7, frame == 0 ? kFrameKey : kFrameDependent, frames[frame].bytes,
                       AddMilliseconds(At(0, 0), pictureMs.back()), 7);
        }
    }
    return pictureMs;
}

// The sound of WriteSoundRecording's records, one after the other.
std::vector<std::int16_t> RecordedSound(int records) {
    std::vector<std::int16_t> sound;
    for (int k = 0; k <= records; ++k) sound.insert(sound.end(), kRecordFrames, RecordLevel(k));
    return sound;
}

TEST_F(PlaySoundTest, EveryPictureIsShownAndTheSoundPlayedAsRecorded) {
    // Six periods of 200 ms: a 3,200-byte PCM record, then its five pictures.
    RecordingWriter w(kFileKind514);
    WriteSoundRecording(w, s_frames, 6, {0, 40, 80, 120, 160});
    const std::vector<std::int16_t> expected = RecordedSound(6);
    s.OpenAndPlay(w);
    EXPECT_EQ(s.shown.size(), 30u);
    // What the output played: the records' samples in order, with silence
    // only before, after and between them.
    s.session.CloseSound();  // plays what is queued, then the file is complete
    std::vector<std::int16_t> played = disk.Left();
    played.erase(std::remove(played.begin(), played.end(), 0), played.end());
    EXPECT_EQ(played, expected);
}

// Cameras side by side: what is heard is the selected camera's sound, and
// the other camera plays on beside it.
TEST_F(PlaySoundTest, SideBySideTheSoundIsTheSelectedCamerasOwn) {
    constexpr int kRecords = 4;
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    std::vector<std::int16_t> expected;
    for (const int camera : {0, 1}) w.AddVideo(camera, 7, kFrameKey, s_frames[0].bytes, At(0, 0), 7);
    for (int k = 0; k <= kRecords; ++k) {
        const SystemTime at = AddMilliseconds(At(0, 0), k * kRecordMs);
        for (const int camera : {0, 1})
            w.AddAudio(camera, 1, Level(kRecordFrames, static_cast<std::int16_t>(RecordLevel(k) + camera)), at);
        expected.insert(expected.end(), kRecordFrames, static_cast<std::int16_t>(RecordLevel(k) + 1));
        if (k == kRecords) break;
        for (const int camera : {0, 1})
            w.AddVideo(camera, 7, kFrameKey, s_frames[0].bytes, AddMilliseconds(at, kRecordMs / 2), 7);
    }
    const std::string path = s.dir.File("two.MP4");
    w.WriteFile(path);
    ASSERT_TRUE(s.session.Open(path));
    ASSERT_TRUE(s.session.WaitForIndex());
    ASSERT_TRUE(s.session.SelectCamera(1));
    s.session.ShowCameras({0, 1});
    std::map<int, int> pictures;
    QObject::connect(&s.session, &Session::CameraPictureShown, &s.session,
                     [&](const PictureHandle& p) { ++pictures[p->camera]; });
    ASSERT_TRUE(s.session.Start(PlayMode::Play));
    s.RunUntilEnded();
    s.session.CloseSound();
    std::vector<std::int16_t> played = disk.Left();
    played.erase(std::remove(played.begin(), played.end(), 0), played.end());
    EXPECT_EQ(played, expected);
    EXPECT_EQ(pictures, (std::map<int, int>{{0, kRecords}, {1, kRecords}}));
}

// The level set on the volume slider holds through a pause and the next
// play with sound, though each run opens the output again.
TEST_F(PlaySoundTest, TheUsersVolumeHoldsThroughAPauseAndTheNextPlay) {
    RecordingWriter w(kFileKind514);
    WriteSoundRecording(w, s_frames, 4, {0, 40, 80, 120, 160});
    const std::string path = s.dir.File("sound.MP4");
    w.WriteFile(path);
    s.session.SetVolume(2);  // 24,576 of 65,535
    ASSERT_TRUE(s.session.Open(path));
    ASSERT_TRUE(s.session.Start(PlayMode::Play));
    s.RunWhile([&] { return s.shown.size() < 8; });
    s.session.Stop();
    ASSERT_TRUE(s.session.Start(PlayMode::Play));
    s.RunUntilEnded();
    s.session.CloseSound();
    std::set<std::int16_t> turnedDown;
    for (int k = 0; k <= 4; ++k) turnedDown.insert(static_cast<std::int16_t>(RecordLevel(k) * 24576 / 65535));
    std::size_t heard = 0;
    for (std::int16_t sample : disk.Left()) {
        if (sample == 0) continue;
        ++heard;
        ASSERT_TRUE(turnedDown.count(sample)) << sample << " after " << heard << " samples";
    }
    EXPECT_GT(heard, static_cast<std::size_t>(kRecordFrames));
}

TEST_F(PlaySoundTest, PicturesLateInTheirRecordDoNotLetTheSoundRunOut) {
    // A picture stamped just before the next record's sound would, if it
    // waited for its own sound, leave no time to queue that record.
    RecordingWriter w(kFileKind514);
    WriteSoundRecording(w, s_frames, 8, {199});
    const std::vector<std::int16_t> expected = RecordedSound(8);
    s.OpenAndPlay(w);
    s.session.CloseSound();

    // One run of sound from the first record to the last: no silence between records.
    const std::vector<std::int16_t> played = disk.Left();
    const auto start = std::find(played.begin(), played.end(), expected.front());
    ASSERT_NE(start, played.end());
    ASSERT_GE(played.end() - start, static_cast<std::ptrdiff_t>(expected.size()));
    const auto differ = std::mismatch(expected.begin(), expected.end(), start).first;
    EXPECT_EQ(differ, expected.end()) << "silence or other sound " << differ - expected.begin() << " frames in";
}

TEST_F(PlaySoundTest, WithoutASoundOutputPlayGoesOnToTheEnd) {
    ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
    RecordingWriter w(kFileKind514);
    WriteSoundRecording(w, s_frames, 5, {0, 40, 80, 120, 160});
    s.OpenAndPlay(w);
    EXPECT_FALSE(s.session.SoundOutputOpen());
    EXPECT_EQ(s.shown.size(), 25u);
}

// Without audio, or long after it, the clock runs by itself: pictures come at their stamps.
TEST_F(PlaySoundTest, PicturesPaceThemselvesWithoutAudioOrLongAfterIt) {
    for (const bool audio : {true, false}) {
        SCOPED_TRACE(audio ? "three seconds after the audio" : "no audio");
        SoundSession manual(true);
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.AddVideo(0, 7, kFrameKey, s_frames[0].bytes, At(0, 0), 7);
        if (audio) w.AddAudio(0, 1, Level(1600, 700), At(0, 0));
        for (int i = 0; i < 5; ++i) w.AddVideo(0, 7, kFrameDependent, s_frames[1 + i].bytes, At(3, 100 * i), 7);
        manual.OpenAndPlay(w);
        EXPECT_EQ(manual.Schedule(), (std::vector<int>{0, 100, 200, 300, 400}));
    }
}

// 30 seconds of 25 pictures a second with 200 ms of 16-bit PCM before each
// five of them, played at real-time speed into a pipe; every picture is
// shown within 100 ms of the moment the sound recorded with it was played.
// Runs as a test of its own, alone on the machine (tests/CMakeLists.txt).
class SoundSyncTest : public PlaySoundTest {
protected:
    PlayedStream stream;  // replaces the disk file of PlaySoundTest as SDL's output
};

constexpr int kSyncRecords = 150;

TEST_F(SoundSyncTest, EachPictureIsShownWithin100MsOfItsSound) {
    RecordingWriter w(kFileKind514);
    const std::vector<int> pictureMs = WriteSoundRecording(w, s_frames, kSyncRecords, {0, 40, 80, 120, 160});
    s.OpenAndPlay(w);
    s.session.CloseSound();  // plays what is queued and flushes the pipe

    // Where each record's sound starts in what was played.
    const std::vector<std::int16_t> played = stream.Left();
    std::vector<std::size_t> starts;
    for (int k = 0; k < kSyncRecords; ++k) {
        const auto at = std::find(played.begin(), played.end(), RecordLevel(k));
        ASSERT_NE(at, played.end()) << "record " << k << " was not played";
        starts.push_back(static_cast<std::size_t>(at - played.begin()));
    }
    int underruns = 0;
    for (std::size_t k = 1; k < starts.size(); ++k) {
        ASSERT_GE(starts[k], starts[k - 1] + kRecordFrames) << "record " << k << " cut into the one before";
        if (starts[k] != starts[k - 1] + kRecordFrames) ++underruns;
    }

    const auto& shown = s.shown;
    ASSERT_EQ(shown.size(), pictureMs.size());
    std::int64_t worst = 0, sum = 0;
    std::size_t worstPicture = 0;
    for (std::size_t p = 0; p < shown.size(); ++p) {
        const int record = pictureMs[p] / kRecordMs;
        const std::size_t frame = starts[static_cast<std::size_t>(record)] +
                                  static_cast<std::size_t>(pictureMs[p] - record * kRecordMs) * 8;
        const auto heard = stream.PlayedAt(frame, 8000);
        ASSERT_TRUE(heard.has_value()) << "picture " << p;
        const auto offset = std::chrono::duration_cast<milliseconds>(shown[p]->presentedAt - *heard).count();
        sum += std::abs(offset);
        if (std::abs(offset) > std::abs(worst)) {
            worst = offset;
            worstPicture = p;
        }
    }
    std::cout << "picture - sound over " << shown.size() << " pictures: worst " << worst << " ms (picture "
              << worstPicture << "), mean of the absolute offsets " << sum / static_cast<std::int64_t>(shown.size())
              << " ms; " << underruns << " records started after a gap\n";
    EXPECT_LE(std::abs(worst), 100);
    EXPECT_EQ(underruns, 0) << "the queued sound ran out between records";
}

}  // namespace
}  // namespace korvane::testing
