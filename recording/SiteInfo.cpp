#include "recording/SiteInfo.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/ProfileReader.h"

namespace korvane {

std::string SiteInfoFolder(const std::string& recordingPath) {
    const auto cut = recordingPath.find_last_of("/\\");
    if (cut != std::string::npos && cut != 0) return recordingPath.substr(0, cut);
    std::error_code error;
    std::string current = std::filesystem::current_path(error).string();
    return current.substr(0, 255);
}

namespace {

std::string SiteInfoFile(const std::string& recordingPath) {
    return SiteInfoFolder(recordingPath) + "/" + kSiteInfoFileName;
}

}  // namespace

std::string SiteName(const std::string& recordingPath) {
    return GetProfileString(SiteInfoFile(recordingPath), "INFO", "SITENAME");
}

std::string CameraName(const std::string& recordingPath, int camera) {
    char key[32];
    std::snprintf(key, sizeof key, "CAMERA_NAME%02d", camera + 1);
    return GetProfileString(SiteInfoFile(recordingPath), "INFO", key);
}

bool LookUpSiteInfo(const RecordingFileHeader& header, const std::string& recordingPath, std::string& siteName,
                    std::string& cameraName) {
    const int camera = header.firstNamedCamera();
    if (camera < 0) return false;
    cameraName = CameraName(recordingPath, camera);
    siteName = SiteName(recordingPath);
    return !cameraName.empty() || !siteName.empty();
}

}  // namespace korvane
