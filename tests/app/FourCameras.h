// A recorder's backup folder for the site tests: four cameras, two
// consecutive recordings each (30 pictures 40 ms apart, camera c from
// 10 x c ms, of the fixture `stream` as `codec`), camera 2 silent from
// 1.17 s to 2.48 s, cameras 3 and 4 interleaved record by record in one chain.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/TimeStamp.h"

namespace korvane::testing {

inline const std::int64_t kFourStart = CaptureMilliseconds(MakeTime(2026, 9, 9, 9, 0, 0, 0));
inline constexpr std::int64_t kCamera2Resumes = 2480;  // ms after kFourStart

inline void WriteFourCameras(const TempDir& dir, const std::string& stream = "mpeg4_352x240.m4v",
                             std::uint8_t codec = 7, std::uint8_t resolution = 7) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/" + stream);
    constexpr int kPerFile = 30;
    const auto add = [&](RecordingWriter& w, int camera, std::int64_t from, int i) {
        const VideoFrame& f = frames[std::size_t(i) % frames.size()];
        w.AddVideo(camera, codec, f.key ? kFrameKey : kFrameDependent, f.bytes,
                   FromCaptureMilliseconds(kFourStart + from + 10 * camera + 40 * i), resolution);
    };
    const auto file = [&](const std::string& name, std::vector<std::pair<int, std::int64_t>> cameras) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(cameras.front().first, 1);
        for (int i = 0; i < kPerFile; ++i)  // several cameras: record by record
            for (const auto& [camera, from] : cameras) add(w, camera, from, i);
        w.WriteFile(dir.File(name));
    };
    file("cam1-a.MP4", {{0, 0}});
    file("cam1-b.MP4", {{0, 1200}});
    file("cam2-a.MP4", {{1, 0}});
    file("cam2-b.MP4", {{1, kCamera2Resumes - 10}});
    file("cam34-a.MP4", {{2, 0}, {3, 0}});
    file("cam34-b.MP4", {{2, 1200}, {3, 1200}});
}

}  // namespace korvane::testing
