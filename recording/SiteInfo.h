// The site and camera names of an open recording, from "mp4info.txt" in the
// recording's folder (section "INFO", keys "SITENAME" and "CAMERA_NAMEnn").
#pragma once

#include <string>

#include "recording/RecordLayout.h"

namespace korvane {

inline constexpr const char* kSiteInfoFileName = "mp4info.txt";

// Folder that holds mp4info.txt for a recording path: the path up to its last
// '/' or '\', or the current directory for a bare file name.
std::string SiteInfoFolder(const std::string& recordingPath);

// The site's name and the name of the first camera the file header names.
// True when either is non-empty. With no camera in the header's name table,
// false, and both are left untouched.
bool LookUpSiteInfo(const RecordingFileHeader& header, const std::string& recordingPath, std::string& siteName,
                    std::string& cameraName);

// The site's name and a camera's (0-based) in the mp4info.txt beside the
// recording; empty when it has none.
std::string SiteName(const std::string& recordingPath);
std::string CameraName(const std::string& recordingPath, int camera);

}  // namespace korvane
