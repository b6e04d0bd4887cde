#include "recording/TimeStamp.h"

#include <algorithm>
#include <cstdio>

namespace korvane {

std::size_t FormatTimeStamp(const SystemTime& t, char* out, std::size_t size) {
    if (size == 0) return 0;
    const int n = std::snprintf(out, size, "%04d-%02d-%02d %02d:%02d:%02d  %03d", t.year, t.month, t.day,
                                t.hour, t.minute, t.second, t.milliseconds);
    return n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), size - 1);
}

std::string FormatTimeStamp(const SystemTime& t) {
    char text[64];
    return std::string(text, FormatTimeStamp(t, text, sizeof text));
}

}  // namespace korvane
