// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace korvane::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }
    // Writes a file in the folder and returns its path.
    std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) const;
    std::string Write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path m_path;
};

}  // namespace korvane::testing
