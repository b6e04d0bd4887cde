#include "media/CodecLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>

#include "platform/DebugLog.h"

namespace korvane {
namespace {

void CodecLogLine(void* context, int level, const char* format, va_list args) {
    if (level > av_log_get_level() || !korvaneDebug().isDebugEnabled()) return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(context, level, format, args, line, sizeof line, &printPrefix);
    DebugLine(line);
}

}  // namespace

void RouteCodecLogToDebugLog() { av_log_set_callback(&CodecLogLine); }

}  // namespace korvane
