// Motion search on a real MPEG-4 recording: a still, noisy scene in which a
// dark box stands in the right half from picture 40 (4.0 s) to picture 69.
#include <gtest/gtest.h>

#include <QDir>

#include <atomic>
#include <filesystem>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/TimeStamp.h"
#include "search/MotionSearch.h"

namespace korvane {
namespace {

using testing::MakeTime;

constexpr std::int64_t kStepMs = 100;
constexpr std::int64_t kBoxAppearsMs = 4000;

std::int64_t StartMs() { return CaptureMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0)); }

class MotionSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_request.paths = {Write("scene.MP4", 0, 80)};
        m_request.camera = 0;
        m_request.threads = 2;
    }
    // A recording of the scene's pictures [from, to).
    std::string Write(const std::string& name, std::size_t from, std::size_t to) const {
        static const auto frames = testing::ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/motion_352x240.m4v");
        testing::RecordingWriter w(kFileKind514);
        for (std::size_t i = from; i < to; ++i) {
            w.AddVideo(0, 6, frames.at(i).key ? kFrameKey : kFrameDependent, frames[i].bytes,
                       testing::AddMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0), kStepMs * std::int64_t(i)));
        }
        w.WriteFile(m_dir.File(name));
        return m_dir.File(name);
    }

    QString CacheFolder() const { return QString::fromStdString(m_dir.File("cache")); }
    std::size_t CacheEntries() const {
        return QDir(CacheFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden).size();
    }

    testing::TempDir m_dir;
    MotionRequest m_request;
    std::atomic<bool> m_cancel{false};
};

TEST_F(MotionSearchTest, FindsTheBoxOnlyWhereTheRegionCoversIt) {
    struct Case {
        const char* name;
        MotionRegion region;
        bool keysOnly;
        std::size_t events;
    };
    const Case cases[] = {
        {"whole picture", {}, false, 1},
        {"right half", {176, 0, 176, 240}, false, 1},
        {"left half, away from the box", {0, 0, 176, 240}, false, 0},
        {"below the box", {200, 150, 152, 90}, false, 0},
        {"key pictures only", {}, true, 1},
        {"right half of the picture shown twice as large", {352, 0, 352, 480, 704, 480}, false, 1},
        {"left half of the picture shown twice as large", {0, 0, 352, 480, 704, 480}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_request.settings.region = c.region;
        m_request.settings.keysOnly = c.keysOnly;
        std::vector<MotionEvent> reported;
        ScanCallbacks callbacks;
        callbacks.found = [&](const MotionEvent& e) { reported.push_back(e); };
        const ScanOutcome outcome = ScanForMotion(m_request, m_cancel, callbacks);
        ASSERT_EQ(outcome.status, ScanStatus::Done) << outcome.message;
        EXPECT_EQ(outcome.result.keysOnly, c.keysOnly);
        EXPECT_EQ(outcome.result.pictures, c.keysOnly ? 4 : 80);
        ASSERT_EQ(outcome.result.events.size(), c.events);
        EXPECT_EQ(reported, outcome.result.events);
        if (c.events == 0) continue;
        const MotionEvent& e = outcome.result.events.front();
        EXPECT_LE(std::llabs(e.startMs - (StartMs() + kBoxAppearsMs)), kStepMs);
        EXPECT_GE(e.endMs, StartMs() + (c.keysOnly ? 6000 : 6800));
        EXPECT_LE(e.endMs, StartMs() + 7100);
        EXPECT_GT(e.peakPercent, 0.0);
        // The first picture with the box, small: its dark square at the box's place (280,100 of 352x240).
        ASSERT_EQ(e.first.width, 88);
        ASSERT_EQ(e.first.height, 60);
        EXPECT_LT(e.first.luma[28 * 88 + 73], 60);
        EXPECT_GT(e.first.luma[28 * 88 + 40], 60);
    }
}

TEST_F(MotionSearchTest, RunsAcrossTheCamerasRecordingsInTimeOrder) {
    // The later half named first: the search follows capture time, not the list.
    m_request.paths = {Write("b.MP4", 40, 80), Write("a.MP4", 0, 40)};
    const ScanOutcome outcome = ScanForMotion(m_request, m_cancel);
    ASSERT_EQ(outcome.status, ScanStatus::Done) << outcome.message;
    EXPECT_EQ(outcome.result.pictures, 80);
    ASSERT_EQ(outcome.result.events.size(), 1u);
    EXPECT_EQ(outcome.result.events.front().startMs, StartMs() + kBoxAppearsMs);
}

TEST_F(MotionSearchTest, ACancelledSearchLeavesNoCacheEntry) {
    const MotionCache cache(CacheFolder());
    ScanCallbacks callbacks;
    callbacks.progress = [&](std::int64_t done, std::int64_t total) {
        if (done < total) m_cancel = true;
    };
    const ScanOutcome outcome = SearchForMotion(m_request, &cache, m_cancel, callbacks);
    EXPECT_EQ(outcome.status, ScanStatus::Cancelled);
    EXPECT_EQ(CacheEntries(), 0u);
    EXPECT_FALSE(cache.Load(m_request));
}

TEST_F(MotionSearchTest, ARepeatedSearchReadsTheCacheAndAChangeMissesIt) {
    const MotionCache cache(CacheFolder());
    const ScanOutcome first = SearchForMotion(m_request, &cache, m_cancel);
    ASSERT_EQ(first.status, ScanStatus::Done);
    EXPECT_FALSE(first.result.fromCache);
    EXPECT_EQ(CacheEntries(), 1u);

    std::vector<MotionEvent> reported;
    ScanCallbacks callbacks;
    callbacks.found = [&](const MotionEvent& e) { reported.push_back(e); };
    const ScanOutcome again = SearchForMotion(m_request, &cache, m_cancel, callbacks);
    EXPECT_TRUE(again.result.fromCache);
    EXPECT_EQ(again.result.events, first.result.events);  // thumbnails too
    ASSERT_FALSE(again.result.events.empty());
    EXPECT_FALSE(again.result.events.front().first.luma.empty());
    EXPECT_EQ(reported, first.result.events);
    EXPECT_EQ(again.result.pictures, first.result.pictures);

    MotionRequest other = m_request;
    other.settings.sensitivity = 9;
    EXPECT_FALSE(SearchForMotion(other, &cache, m_cancel).result.fromCache);
    other = m_request;
    other.toMs = StartMs() + 5000;
    EXPECT_FALSE(SearchForMotion(other, &cache, m_cancel).result.fromCache);
    // A recording that changed is searched again.
    const std::string& path = m_request.paths.front();
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    EXPECT_FALSE(SearchForMotion(m_request, &cache, m_cancel).result.fromCache);
}

TEST_F(MotionSearchTest, ASpanLimitsThePicturesCompared) {
    m_request.fromMs = StartMs() + 4500;  // within the group keyed at 4.0 s
    m_request.toMs = StartMs() + 5999;
    const ScanOutcome outcome = ScanForMotion(m_request, m_cancel);
    ASSERT_EQ(outcome.status, ScanStatus::Done);
    EXPECT_EQ(outcome.result.pictures, 15);
    EXPECT_EQ(outcome.result.firstMs, StartMs() + 4500);
    EXPECT_EQ(outcome.result.lastMs, StartMs() + 5900);
    // The box was there before the span began: it is background from its first picture.
    EXPECT_TRUE(outcome.result.events.empty());
}

TEST_F(MotionSearchTest, RefusesWhatItCannotSearch) {
    MotionRequest missing = m_request;
    missing.paths = {m_dir.File("absent.MP4")};
    EXPECT_EQ(ScanForMotion(missing, m_cancel).status, ScanStatus::CannotOpen);
    MotionRequest otherCamera = m_request;
    otherCamera.camera = 3;
    const ScanOutcome none = ScanForMotion(otherCamera, m_cancel);
    EXPECT_EQ(none.status, ScanStatus::NoPictures);
    EXPECT_EQ(none.message, "Camera 4 has no picture in the span searched.");
}

}  // namespace
}  // namespace korvane
