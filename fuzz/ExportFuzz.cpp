// libFuzzer entry point for the clip export: every input is a recording,
// exported whole into Matroska and MP4. Whatever the damage, an export ends
// with the clip and the files beside it, or with none of them and nothing
// half-written left in the folder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "clip/ClipExporter.h"

namespace {

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("korvane-export-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void Fail(const char* what) {
    std::fprintf(stderr, "export check failed: %s\n", what);
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string source = (Folder() / "rec.MP4").string();
    std::ofstream(source, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    for (const char* name : {"clip.mkv", "clip.mp4"}) {
        const std::string out = (Folder() / name).string();
        const korvane::ExportResult result = korvane::ExportClip({source, out, {}, {}, {}});
        const bool written = result.status == korvane::ExportStatus::Written;
        if (written != std::filesystem::exists(out) || written != std::filesystem::exists(korvane::ReportPath(out)))
            Fail("the clip and its report exist exactly when the export says it was written");
        if (!written && result.message.empty()) Fail("a failure names its cause");
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            if (entry.path().extension() == ".part") Fail("a temporary file was left behind");
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            if (entry.path() != source) std::filesystem::remove(entry.path());
    }
    return 0;
}
