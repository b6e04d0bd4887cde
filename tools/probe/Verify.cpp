#include "tools/probe/Verify.h"

#include <QFile>

#include <filesystem>
#include <ostream>

#include "clip/HashingSource.h"
#include "clip/Manifest.h"

namespace korvane::probe {
namespace {

enum class Outcome { Ok, Differs, Missing, NotFound };

// Hashes the file at path against what the manifest says of it, printing one line.
Outcome Check(const std::string& label, const std::string& path, const ManifestFile& expected, std::ostream& out) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        out << "MISSING  " << label << "\n";
        return Outcome::Missing;
    }
    const std::uint64_t size = std::filesystem::file_size(path, error);
    const std::string sha = Sha256OfFile(path).toStdString();
    if (sha.empty()) {
        out << "MISSING  " << label << ": cannot be read\n";
        return Outcome::Missing;
    }
    if (sha == expected.sha256 && size == expected.size) {
        out << "OK       " << label << "\n";
        return Outcome::Ok;
    }
    out << "DIFFERS  " << label << ":";
    if (size != expected.size) out << " " << size << " bytes, the manifest says " << expected.size << ";";
    out << " SHA-256 " << sha << ", the manifest says " << expected.sha256 << "\n";
    return Outcome::Differs;
}

// Whether a listed path stays inside the package.
bool Inside(const std::string& path) {
    const std::filesystem::path p(path);
    if (p.empty() || p.is_absolute()) return false;
    for (const auto& part : p)
        if (part == "..") return false;
    return true;
}

}  // namespace

int VerifyManifest(const std::string& manifestPath, std::ostream& out, std::ostream& err) {
    QFile file(QString::fromStdString(manifestPath));
    if (!file.open(QIODevice::ReadOnly)) {
        err << "korvane-probe: cannot read " << manifestPath << "\n";
        return 2;
    }
    std::string why;
    const std::optional<Manifest> manifest = ParseManifest(file.readAll(), why);
    if (!manifest) {
        err << "korvane-probe: " << manifestPath << " is no incident manifest: " << why << "\n";
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(manifestPath).parent_path();
    std::size_t ok = 0, bad = 0, sourcesOk = 0, sourcesBad = 0, notFound = 0;
    for (const ManifestFile& f : manifest->files) {
        if (!Inside(f.path)) {
            out << "MISSING  " << f.path << ": not a path inside the package\n";
            ++bad;
            continue;
        }
        (Check(f.path, (folder / f.path).string(), f, out) == Outcome::Ok ? ok : bad)++;
    }
    for (const ManifestFile& s : manifest->sources) {
        // At its path, else beside the manifest (a package handed on with its recordings).
        std::string path = s.path;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            path = (folder / std::filesystem::path(s.path).filename()).string();
        if (!std::filesystem::is_regular_file(path, error)) {
            out << "NOT HERE source " << s.path << " (not checked)\n";
            ++notFound;
            continue;
        }
        (Check("source " + path, path, s, out) == Outcome::Ok ? sourcesOk : sourcesBad)++;
    }
    out << ok << " of " << manifest->files.size() << " files match";
    out << "; " << sourcesOk << " of " << manifest->sources.size() << " source recordings match";
    if (notFound > 0) out << " (" << notFound << " not here)";
    out << (bad + sourcesBad == 0 ? ": the package is as it was made\n" : ": the package is NOT as it was made\n");
    return bad + sourcesBad == 0 ? 0 : 1;
}

}  // namespace korvane::probe
