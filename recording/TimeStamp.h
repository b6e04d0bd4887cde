// Capture times: as the player shows them ("2004-01-02 03:04:05  006"), as
// the navigation and export texts write and read them ("2004-01-02
// 03:04:05.006"), and as milliseconds on one line to compare and subtract.
// A stamp that cannot be a real moment (a damaged record) is still shown and
// counted, but marked as damaged wherever it is printed for reading back.
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
// The same for milliseconds (CaptureMilliseconds), followed by " (damaged)"
// when they lie outside the years 1 to 9999.
std::string FormatCaptureMilliseconds(std::int64_t milliseconds);
// FormatTimeStamp, followed by " (damaged)" when the stamp is no real moment.
std::string FormatRecordedTime(const SystemTime& t);
inline constexpr std::string_view kDamagedMark = " (damaged)";

// A date of the calendar between the years 1 and 9999 and a time of day.
bool IsRealTime(const SystemTime& t);

// A capture time read from text, or why the text is none.
struct TimeReading {
    std::optional<SystemTime> time;
    std::string error;  // a sentence, when there is no time
};
// Reads "YYYY-MM-DD HH:MM:SS" with an optional ".m" to ".mmm", or the shown
// form "YYYY-MM-DD HH:MM:SS  mmm"; any other text, or an impossible date or
// time, gives the reason in words.
TimeReading ReadCaptureTime(std::string_view text);
inline std::optional<SystemTime> ParseCaptureTime(std::string_view text) { return ReadCaptureTime(text).time; }

// What a person types to go somewhere, relative to the time shown now:
// a capture time as above, "HH:MM[:SS[.mmm]]" on the current day, or a move
// "+10s", "-2m", "+1h", "-500ms". Gives milliseconds (CaptureMilliseconds).
struct GoToReading {
    std::optional<std::int64_t> time;
    std::string error;
};
GoToReading ReadGoToTime(std::string_view text, std::int64_t now);

// Milliseconds since 1970-01-01 00:00:00.000 of the recorder's clock (no
// time zone is recorded). Fields out of range still give a number, so that
// a damaged stamp orders somewhere instead of failing.
std::int64_t CaptureMilliseconds(const SystemTime& t);
// The inverse for times from year 1 to 9999; the day of the week is filled in.
SystemTime FromCaptureMilliseconds(std::int64_t milliseconds);

}  // namespace korvane
