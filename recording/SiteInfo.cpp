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

int LookUpSiteInfo(const FrameReader& reader, const std::string& recordingPath,
                   std::string& siteName, std::string& cameraName) {
    RecordingFileHeader header;
    if (!reader.CopyFileHeader(&header)) return 0;
    const int camera = header.firstNamedCamera();
    if (camera < 0) return 0;

    const std::string file = SiteInfoFolder(recordingPath) + "/" + kSiteInfoFileName;
    char key[32];
    std::snprintf(key, sizeof key, "CAMERA_NAME%02d", camera + 1);
    cameraName = GetProfileString(file, "INFO", key);
    siteName = GetProfileString(file, "INFO", "SITENAME");
    return (!cameraName.empty() || !siteName.empty()) ? 1 : 0;
}

}  // namespace korvane
