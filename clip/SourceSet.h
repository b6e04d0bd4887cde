// The recordings a clip or an incident reads, each read once front to back
// and hashed on the way (HashingSource): records are copied out in play
// order, which is each file's own order, file after file.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "clip/HashingSource.h"

namespace korvane {

struct SourceFile {
    std::string path;
    std::uint64_t size = 0;
    QByteArray sha256;  // lower-case hex, once Finish has read the file to its end
};

class SourceSet {
public:
    // Opens every file; false (with the path that failed in Error()) when one cannot be opened.
    bool Open(const std::vector<std::string>& paths);
    std::size_t Count() const { return m_sources.size(); }
    // Copies a record's bytes; false when they are not in the file.
    bool Read(std::uint32_t file, std::uint64_t offset, std::span<std::uint8_t> out);
    // Sets Error() to say that a file cannot be read, and why when `why` says; false.
    bool Fail(std::uint32_t file, const std::string& why);
    // The part of all the files read so far (0 to 1).
    double Done() const;
    // Reads each file to its end and hashes it; false when a read fails (Error() names the file).
    // `cancelled` is asked between pieces.
    bool Finish(const std::function<bool()>& cancelled);
    const std::vector<SourceFile>& Files() const { return m_files; }
    const std::string& Error() const { return m_error; }

private:
    std::vector<std::unique_ptr<HashingSource>> m_sources;
    std::vector<SourceFile> m_files;
    std::uint64_t m_total = 0;
    std::string m_error;
};

}  // namespace korvane
