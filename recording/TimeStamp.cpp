#include "recording/TimeStamp.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace korvane {
namespace {

using namespace std::chrono;
using Milliseconds = duration<std::int64_t, std::milli>;

constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;
constexpr std::int64_t kDaysPerCycle = 146'097;  // in every 400 years of the calendar

const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

// Reads exactly `count` digits at text[at].
bool Digits(std::string_view text, std::size_t at, std::size_t count, int& out) {
    if (at + count > text.size()) return false;
    for (std::size_t i = at; i < at + count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    std::from_chars(text.data() + at, text.data() + at + count, out);
    return true;
}

// ".m" to ".mmm" at text[at] to the end, as milliseconds; nothing for other text.
std::optional<int> Fraction(std::string_view text, std::size_t at) {
    if (at == text.size()) return 0;
    const std::size_t count = text.size() - at - 1;
    int value = 0;
    if (text[at] != '.' || count < 1 || count > 3 || !Digits(text, at + 1, count, value)) return std::nullopt;
    for (std::size_t i = count; i < 3; ++i) value *= 10;
    return value;
}

// Why hours, minutes and seconds are no time of day; empty when they are one.
std::string TimeOfDayError(int hour, int minute, int second) {
    if (hour > 23) return "there is no hour " + std::to_string(hour) + " (hours go from 00 to 23)";
    if (minute > 59) return "there is no minute " + std::to_string(minute) + " (minutes go from 00 to 59)";
    if (second > 59) return "there is no second " + std::to_string(second) + " (seconds go from 00 to 59)";
    return {};
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

constexpr std::string_view kForm = "write it as YYYY-MM-DD HH:MM:SS or YYYY-MM-DD HH:MM:SS.mmm";

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

std::string FormatCaptureMilliseconds(std::int64_t milliseconds) {
    const std::int64_t first = duration_cast<Milliseconds>(sys_days(year(kFirstYear) / 1 / 1).time_since_epoch()).count();
    const std::int64_t end = duration_cast<Milliseconds>(sys_days(year(kLastYear + 1) / 1 / 1).time_since_epoch()).count();
    const bool real = milliseconds >= first && milliseconds < end;
    return FormatCaptureTime(FromCaptureMilliseconds(milliseconds)) + (real ? "" : std::string(kDamagedMark));
}

std::string FormatRecordedTime(const SystemTime& t) {
    return FormatTimeStamp(t) + (IsRealTime(t) ? "" : std::string(kDamagedMark));
}

bool IsRealTime(const SystemTime& t) {
    if (t.year < kFirstYear || t.year > kLastYear) return false;
    const year_month_day date{year(t.year), month(t.month), day(t.day)};
    return date.ok() && t.hour < 24 && t.minute < 60 && t.second < 60 && t.milliseconds < 1000;
}

TimeReading ReadCaptureTime(std::string_view text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const bool shape = text.size() >= 19 && Digits(text, 0, 4, y) && text[4] == '-' && Digits(text, 5, 2, mo) &&
                       text[7] == '-' && Digits(text, 8, 2, d) && text[10] == ' ' && Digits(text, 11, 2, h) &&
                       text[13] == ':' && Digits(text, 14, 2, mi) && text[16] == ':' && Digits(text, 17, 2, s);
    std::optional<int> ms;
    if (shape) {
        int shown = 0;  // the form shown on the picture: two spaces and three digits
        if (text.size() == 24 && text.substr(19, 2) == "  " && Digits(text, 21, 3, shown)) ms = shown;
        else ms = Fraction(text, 19);
    }
    if (!shape || !ms) {
        // A year of more than four digits is a damaged stamp as the probe prints it.
        if (const auto dash = text.find('-'); dash > 4 && dash != std::string_view::npos && dash <= 6 &&
                                              std::all_of(text.begin(), text.begin() + dash, [](char c) {
                                                  return c >= '0' && c <= '9';
                                              }))
            return {std::nullopt, Quoted(text) + " is no capture time: the year " +
                                      std::string(text.substr(0, dash)) +
                                      " is past 9999, a damaged time stamp"};
        return {std::nullopt, Quoted(text) + " is no capture time: " + std::string(kForm)};
    }
    if (y < kFirstYear) return {std::nullopt, Quoted(text) + " is no capture time: there is no year 0000"};
    if (mo < 1 || mo > 12)
        return {std::nullopt, Quoted(text) + " is no capture time: there is no month " + std::to_string(mo)};
    const year_month_day date{year(y), month(static_cast<unsigned>(mo)), day(static_cast<unsigned>(d))};
    if (!date.ok()) {
        const unsigned last = static_cast<unsigned>(year_month_day_last{year(y) / month(mo) / std::chrono::last}.day());
        return {std::nullopt, Quoted(text) + " is no capture time: " + kMonthNames[mo - 1] + " " +
                                  std::to_string(y) + " has " + std::to_string(last) + " days"};
    }
    if (std::string why = TimeOfDayError(h, mi, s); !why.empty())
        return {std::nullopt, Quoted(text) + " is no capture time: " + why};
    const auto moment = sys_days(date) + hours(h) + minutes(mi) + seconds(s) + milliseconds(*ms);
    return {FromCaptureMilliseconds(moment.time_since_epoch().count()), {}};
}

GoToReading ReadGoToTime(std::string_view text, std::int64_t now) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return {std::nullopt, "Type a date and time, a time of day or a move such as +10s."};

    // A move: a sign, a whole number and its unit.
    if (text.front() == '+' || text.front() == '-') {
        std::int64_t amount = 0;
        const char* end = text.data() + text.size();
        const auto [rest, error] = std::from_chars(text.data() + 1, end, amount);
        const std::string_view unit(rest, static_cast<std::size_t>(end - rest));
        const struct {
            std::string_view name;
            std::int64_t milliseconds;
        } units[] = {{"ms", 1}, {"s", 1000}, {"m", 60'000}, {"min", 60'000}, {"h", 3'600'000}};
        for (const auto& u : units) {
            if (error != std::errc() || rest == text.data() + 1 || unit != u.name) continue;
            if (amount < 0 || amount > std::int64_t{1} << 40) break;  // no second sign, no overflow
            const std::int64_t by = amount * u.milliseconds;
            return {text.front() == '+' ? now + by : now - by, {}};
        }
        return {std::nullopt, Quoted(text) + " is no move: write a sign, a number and a unit, as +10s, -2m, +1h or -500ms."};
    }

    // A time of day on the day shown now.
    if (text.size() <= 12 && text.size() >= 5 && text[2] == ':') {
        int h = 0, mi = 0, s = 0;
        std::optional<int> ms = 0;
        bool shape = Digits(text, 0, 2, h) && Digits(text, 3, 2, mi);
        if (shape && text.size() > 5) {
            shape = text[5] == ':' && Digits(text, 6, 2, s);
            if (shape) ms = Fraction(text, 8);
        }
        if (shape && ms) {
            if (std::string why = TimeOfDayError(h, mi, s); !why.empty())
                return {std::nullopt, Quoted(text) + " is no time of day: " + why + "."};
            const auto day = floor<days>(sys_time<Milliseconds>(Milliseconds(now)));
            const auto moment = day + hours(h) + minutes(mi) + seconds(s) + milliseconds(*ms);
            return {duration_cast<Milliseconds>(moment.time_since_epoch()).count(), {}};
        }
    }

    TimeReading reading = ReadCaptureTime(text);
    if (!reading.time) return {std::nullopt, reading.error + "."};
    return {CaptureMilliseconds(*reading.time), {}};
}

std::int64_t CaptureMilliseconds(const SystemTime& t) {
    // Months out of range are folded into the year, days and times counted on
    // from the month's first day, so that any stamp gives a number. Years are
    // taken whole 400-year cycles (which all have the same days) into the
    // range the calendar types hold.
    const int monthNumber = t.month == 0 ? 1 : t.month;
    const std::int64_t y = t.year + (monthNumber - 1) / 12;
    const std::int64_t cycles = (y - 2000 - (y < 2000 ? 399 : 0)) / 400;
    const year_month first{year(static_cast<int>(y - cycles * 400)),
                           month(static_cast<unsigned>((monthNumber - 1) % 12 + 1))};
    const auto moment = sys_days(first / day(1)) + days(cycles * kDaysPerCycle + t.day - 1) + hours(t.hour) +
                        minutes(t.minute) + seconds(t.second) + milliseconds(t.milliseconds);
    return duration_cast<Milliseconds>(moment.time_since_epoch()).count();
}

SystemTime FromCaptureMilliseconds(std::int64_t milliseconds) {
    const sys_time<Milliseconds> moment{Milliseconds(milliseconds)};
    sys_days date = floor<days>(moment);
    const hh_mm_ss<Milliseconds> time{moment - date};
    // Whole 400-year cycles from 2000 are counted apart, as above.
    const std::int64_t fromBase = (date - sys_days(year(2000) / 1 / 1)).count();
    const std::int64_t cycles = (fromBase - (fromBase < 0 ? kDaysPerCycle - 1 : 0)) / kDaysPerCycle;
    date -= days(cycles * kDaysPerCycle);
    const year_month_day ymd{date};
    SystemTime t;
    t.year = static_cast<std::uint16_t>(static_cast<int>(ymd.year()) + cycles * 400);
    t.month = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month()));
    t.day = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.day()));
    t.dayOfWeek = static_cast<std::uint16_t>(weekday(date).c_encoding());
    t.hour = static_cast<std::uint16_t>(time.hours().count());
    t.minute = static_cast<std::uint16_t>(time.minutes().count());
    t.second = static_cast<std::uint16_t>(time.seconds().count());
    t.milliseconds = static_cast<std::uint16_t>(time.subseconds().count());
    return t;
}

}  // namespace korvane
