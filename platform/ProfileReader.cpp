#include "platform/ProfileReader.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>

namespace korvane {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& fallback) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return fallback;
    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            inSection = close != std::string_view::npos && SameName(Trim(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        const auto equals = text.find('=');
        if (equals == std::string_view::npos || !SameName(Trim(text.substr(0, equals)), key)) continue;
        std::string_view value = Trim(text.substr(equals + 1));
        return std::string(value.substr(0, kProfileValueMax));
    }
    return fallback;
}

}  // namespace korvane
