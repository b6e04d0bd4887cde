// libFuzzer entry point for the time texts people type (--at, Go to) and for
// time stamps as records carry them: a time read is written back to the
// same moment, a refusal always says why, and any stamp formats and counts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "recording/TimeStamp.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "time text check failed: %s for \"%.*s\"\n", what, static_cast<int>(text.size()), text.data());
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const korvane::TimeReading reading = korvane::ReadCaptureTime(text);
    if (reading.time.has_value() == !reading.error.empty()) Fail("a reading and its error disagree", text);
    if (reading.time) {
        const std::string written = korvane::FormatCaptureTime(*reading.time);
        const auto again = korvane::ReadCaptureTime(written).time;
        if (!again || korvane::CaptureMilliseconds(*again) != korvane::CaptureMilliseconds(*reading.time))
            Fail("a time read does not read back", text);
    }
    const korvane::GoToReading goTo = korvane::ReadGoToTime(text, 1'686'765'510'500);
    if (goTo.time.has_value() == !goTo.error.empty()) Fail("a go-to reading and its error disagree", text);
    if (size >= sizeof(korvane::SystemTime)) {
        korvane::SystemTime stamp;
        std::memcpy(&stamp, data, sizeof stamp);
        const std::int64_t ms = korvane::CaptureMilliseconds(stamp);
        if (korvane::FormatRecordedTime(stamp).empty() || korvane::FormatCaptureMilliseconds(ms).empty())
            Fail("a stamp formats to nothing", text);
    }
    return 0;
}
