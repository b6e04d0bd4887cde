// report.pdf of an incident package, for a person who has never seen the
// player: a first page with the site, the span, the cameras, the note, the
// program and how to check the package; then a page per camera with its
// name, times, picture count, gaps, pictures (first, middle, last, and one
// at each bookmark) and the SHA-256 of its files written out in full. Every
// page carries its number and the SHA-256 of manifest.json.
#pragma once

#include <QByteArray>
#include <QImage>

#include <string>
#include <vector>

#include "clip/Manifest.h"

namespace korvane {

struct ReportPicture {
    std::string label;  // "first", "middle", "last", "bookmark: ..."
    std::string time;
    QImage image;       // null when the picture does not decode
};

struct ReportCamera {
    ManifestCamera camera;
    std::string soundNote;  // how its sound is carried; empty without sound
    std::vector<ReportPicture> pictures;
    std::vector<ManifestFile> files;
};

// The PDF's bytes; empty when Qt cannot make it.
QByteArray IncidentPdf(const Manifest& manifest, const std::string& manifestSha256,
                       const std::vector<ReportCamera>& cameras);

}  // namespace korvane
