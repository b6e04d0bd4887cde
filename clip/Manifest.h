// manifest.json of an incident package: every file written with its size
// and SHA-256 (paths relative to the package's folder), every source
// recording with its path, size and SHA-256, the site, the span, the cameras
// with their names, times, picture counts, gaps and sound codec, the bookmarks, the note,
// the program and when it was made. Written by the incident export, read by
// korvane-probe --verify.
#pragma once

#include <QByteArray>
#include <QJsonObject>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

struct ManifestFile {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
};

struct ManifestGap {
    std::string from, to;  // capture times of the pictures on either side
};

struct ManifestCamera {
    int camera = 0;  // 1-based
    std::string name;
    std::string firstTime, lastTime;
    std::uint64_t pictures = 0;
    std::vector<ManifestGap> gaps;
    std::vector<std::string> clips;  // paths of its clips in the package
    std::uint64_t picturesOutOfOrder = 0;
    std::string audioCodec;  // libavcodec's name of the sound's codec in the clips, "none" without sound
};

struct ManifestBookmark {
    int camera = 0;
    std::string time, note;
};

struct Manifest {
    std::string program, made;  // made: UTC, ISO 8601
    std::string site, from, to, note;
    std::vector<ManifestCamera> cameras;
    std::vector<ManifestBookmark> bookmarks;
    std::vector<ManifestFile> files, sources;
};

QByteArray ManifestJson(const Manifest& manifest);
// Nothing when the bytes are not a manifest (with why in `error`).
std::optional<Manifest> ParseManifest(const QByteArray& bytes, std::string& error);

}  // namespace korvane
