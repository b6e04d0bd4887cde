// A backup folder of three named cameras for the window's evidence tests:
// one recording with the cameras interleaved, `count` pictures each of the
// fixture's first 12 over and over, 100 ms apart from 2024-03-09 22:14:00.000
// (camera c 10 x c ms later), and mp4info.txt naming the site and cameras.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

inline constexpr const char* kCameraNames[] = {"Gate", "Quay", "Office"};

inline std::int64_t CameraMs(int camera, int picture) { return 100 * std::int64_t{picture} + 10 * camera; }
inline SystemTime CamerasStart() { return MakeTime(2024, 3, 9, 22, 14, 0, 0); }

inline std::string WriteCameras(const TempDir& dir, int count = 30) {
    static const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    const std::filesystem::path folder = dir.Path() / "backup";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "mp4info.txt") << "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\nCAMERA_NAME02=Quay\nCAMERA_NAME03=Office\n";
    RecordingWriter w(kFileKind514);
    for (int camera = 0; camera < 3; ++camera) w.Header().setPlayCamera(camera, 1);
    for (int i = 0; i < count; ++i)
        for (int camera = 0; camera < 3; ++camera) {
            const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 12));
            w.AddVideo(camera, 7, f.key ? kFrameKey : kFrameDependent, f.bytes,
                       AddMilliseconds(CamerasStart(), CameraMs(camera, i)), 7);
        }
    w.WriteFile((folder / "CH00.MP4").string());
    return folder.string();
}

}  // namespace korvane::testing
