#include "recording/TimeStamp.h"

#include <cstdio>

namespace korvane {

std::string FormatTimeStamp(const SystemTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d  %03d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.milliseconds);
    return text;
}

}  // namespace korvane
