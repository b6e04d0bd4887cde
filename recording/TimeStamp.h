// The capture time as the player shows it: "2004-01-02 03:04:05  006".
#pragma once

#include <string>

#include "recording/RecordLayout.h"

namespace korvane {

std::string FormatTimeStamp(const SystemTime& t);
// The same into a caller's buffer, cut to fit; returns the length written.
std::size_t FormatTimeStamp(const SystemTime& t, char* out, std::size_t size);

}  // namespace korvane
