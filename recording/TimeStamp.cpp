#include "recording/TimeStamp.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace korvane {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads exactly `digits` digits at text[at].
bool Digits(std::string_view text, std::size_t at, std::size_t digits, int& out) {
    if (at + digits > text.size()) return false;
    for (std::size_t i = at; i < at + digits; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    std::from_chars(text.data() + at, text.data() + at + digits, out);
    return true;
}

}  // namespace

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

std::string FormatCaptureTime(const SystemTime& t) {
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day,
                                t.hour, t.minute, t.second, t.milliseconds);
    return std::string(text, n < 0 ? 0 : static_cast<std::size_t>(n));
}

std::optional<SystemTime> ParseCaptureTime(std::string_view text) {
    int year, month, day, hour, minute, second, millisecond = 0;
    if (text.size() < 19 || !Digits(text, 0, 4, year) || text[4] != '-' || !Digits(text, 5, 2, month) ||
        text[7] != '-' || !Digits(text, 8, 2, day) || text[10] != ' ' || !Digits(text, 11, 2, hour) ||
        text[13] != ':' || !Digits(text, 14, 2, minute) || text[16] != ':' || !Digits(text, 17, 2, second))
        return std::nullopt;
    if (text.size() > 19) {
        const std::size_t fraction = text.size() - 20;
        if (text[19] != '.' || fraction < 1 || fraction > 3 || !Digits(text, 20, fraction, millisecond))
            return std::nullopt;
        for (std::size_t i = fraction; i < 3; ++i) millisecond *= 10;
    }
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    return FromCaptureMilliseconds(DaysFromCivil(year, month, day) * kMsPerDay +
                                   ((hour * 60 + minute) * 60 + second) * 1000LL + millisecond);
}

std::int64_t CaptureMilliseconds(const SystemTime& t) {
    // Months out of range are folded into the year so that any stamp gives a number.
    const int month = t.month == 0 ? 1 : t.month;
    const std::int64_t year = t.year + (month - 1) / 12;
    const unsigned monthInYear = static_cast<unsigned>((month - 1) % 12 + 1);
    return (DaysFromCivil(year, monthInYear, 1) + t.day - 1) * kMsPerDay +
           ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

SystemTime FromCaptureMilliseconds(std::int64_t milliseconds) {
    std::int64_t days = milliseconds / kMsPerDay;
    std::int64_t rest = milliseconds % kMsPerDay;
    if (rest < 0) {
        rest += kMsPerDay;
        --days;
    }
    // Civil from days (the inverse of DaysFromCivil).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2);
    SystemTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    t.dayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
    t.hour = static_cast<std::uint16_t>(rest / 3'600'000);
    t.minute = static_cast<std::uint16_t>(rest / 60'000 % 60);
    t.second = static_cast<std::uint16_t>(rest / 1000 % 60);
    t.milliseconds = static_cast<std::uint16_t>(rest % 1000);
    return t;
}

}  // namespace korvane
