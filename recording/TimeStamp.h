// Capture times: as the player shows them ("2004-01-02 03:04:05  006"), as
// the navigation and export texts write and read them ("2004-01-02
// 03:04:05.006"), and as milliseconds on one line to compare and subtract.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "recording/RecordLayout.h"

namespace korvane {

std::string FormatTimeStamp(const SystemTime& t);
// The same into a caller's buffer, cut to fit; returns the length written.
std::size_t FormatTimeStamp(const SystemTime& t, char* out, std::size_t size);

// "YYYY-MM-DD HH:MM:SS.mmm".
std::string FormatCaptureTime(const SystemTime& t);
// Reads "YYYY-MM-DD HH:MM:SS" with an optional ".m" to ".mmm"; nothing for
// any other text or an impossible date or time.
std::optional<SystemTime> ParseCaptureTime(std::string_view text);

// Milliseconds since 1970-01-01 00:00:00.000 of the recorder's clock (no
// time zone is recorded). Fields out of range still give a number, so that
// a damaged stamp orders somewhere instead of failing.
std::int64_t CaptureMilliseconds(const SystemTime& t);
// The inverse for times from year 1 to 9999; the day of the week is filled in.
SystemTime FromCaptureMilliseconds(std::int64_t milliseconds);

}  // namespace korvane
