// Reads values from Windows-style profile (INI) files: "[section]" headers
// and "key=value" lines. Section and key names match without regard to case;
// values come back without surrounding blanks, cut to 259 characters.
#pragma once

#include <string>

namespace korvane {

inline constexpr std::size_t kProfileValueMax = 259;

// The value of key in section of the file at path, or fallback when the
// file, the section or the key is missing.
std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback = {});

}  // namespace korvane
