#include "recording/FileCheck.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "recording/ByteOrder.h"
#include "recording/RecordFile.h"
#include "recording/RecordIndex.h"
#include "recording/RecordLayout.h"

namespace korvane {
namespace {

// Enough of a file's start to tell the common containers apart.
constexpr std::size_t kSniffBytes = 192;

std::string_view Bytes(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    if (at + count > bytes.size()) return {};
    return {reinterpret_cast<const char*>(bytes.data() + at), count};
}

// The kind of an ordinary video file by its first bytes; empty for none of them.
std::string VideoType(std::span<const std::uint8_t> start) {
    if (Bytes(start, 4, 4) == "ftyp") {
        const std::string_view brand = Bytes(start, 8, 4);
        return brand == "qt  " ? "QuickTime movie" : "ISO MP4";
    }
    if (Bytes(start, 0, 4) == std::string_view("\x1a\x45\xdf\xa3", 4)) return "Matroska or WebM";
    if (Bytes(start, 0, 4) == "RIFF" && Bytes(start, 8, 4) == "AVI ") return "AVI";
    if (Bytes(start, 0, 4) == std::string_view("\x00\x00\x01\xba", 4)) return "MPEG program stream";
    if (start.size() > 188 && start[0] == 0x47 && start[188] == 0x47) return "MPEG transport stream";
    if (Bytes(start, 0, 4) == "OggS") return "Ogg";
    if (Bytes(start, 0, 3) == "FLV") return "Flash video";
    if (Bytes(start, 0, 4) == std::string_view("\x30\x26\xb2\x75", 4)) return "Windows Media (ASF)";
    return {};
}

std::string CameraList(const std::vector<int>& cameras) {
    std::string text;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        if (i > 0) text += i + 1 == cameras.size() ? " and " : ", ";
        text += std::to_string(cameras[i] + 1);
    }
    return text;
}

std::string Name(const std::string& path) { return "\"" + path + "\""; }

FileCheck Found(FileTrouble trouble, std::string sentence, std::vector<int> cameras = {}) {
    return {trouble, std::move(sentence), std::move(cameras)};
}

}  // namespace

FileCheck CheckFile(const std::string& path, int camera) {
    RecordFile file;
    if (const int error = file.Open(path); error != 0)
        return Found(FileTrouble::Unreadable, Name(path) + " cannot be opened: " + std::strerror(error) + ".");
    if (file.Size() == 0) return Found(FileTrouble::Empty, Name(path) + " is empty (0 bytes): it holds no recording.");

    std::vector<std::uint8_t> start(static_cast<std::size_t>(std::min<std::uint64_t>(file.Size(), kSniffBytes)));
    if (!file.ReadAt(0, start))
        return Found(FileTrouble::Unreadable, Name(path) + " cannot be read: " + std::strerror(EIO) + ".");
    const std::uint32_t kind = start.size() >= 4 ? LoadU32(start.data()) : 0;
    if (kind != kFileKind514 && kind != kFileKind771) {
        if (const std::string type = VideoType(start); !type.empty())
            return Found(FileTrouble::OrdinaryVideo, Name(path) + " is an ordinary video file (" + type +
                                                    "), not a recorder's recording: open it with a video player.");
        return Found(FileTrouble::NotRecording,
                Name(path) + " is not a recording of a video recorder: it does not begin as one.");
    }
    const std::string size = std::to_string(file.Size());
    if (file.Size() < kFileHeaderSize)
        return Found(FileTrouble::CutShort, Name(path) + " is cut short at " + size + " bytes: its header alone needs " +
                                           std::to_string(kFileHeaderSize) + " bytes, so nothing of it could be read.");

    const std::optional<RecordIndex> index = RecordIndex::Build(file);
    if (!index) return Found(FileTrouble::Unreadable, Name(path) + " cannot be read.");
    const std::vector<int> cameras = index->Cameras();
    if (index->PictureCount(camera) > 0) return Found(FileTrouble::None, {}, cameras);
    if (cameras.empty() && index->End() == IndexEnd::Unreadable)
        return Found(FileTrouble::CutShort,
                Name(path) + " is cut short at " + size + " bytes: " + std::to_string(index->Size()) +
                    " whole records (the first " + std::to_string(index->EndOffset()) +
                    " bytes) could be read, and none of them is a picture.");
    if (cameras.empty())
        return Found(FileTrouble::NoPicture, Name(path) + " is a recording without any picture.");
    return Found(FileTrouble::NoPicture, Name(path) + " holds no picture of camera " + std::to_string(camera + 1) + "; " +
                                        (cameras.size() == 1 ? "camera " : "cameras ") + CameraList(cameras) +
                                        (cameras.size() == 1 ? " has" : " have") + " pictures.",
            cameras);
}

}  // namespace korvane
