// libavcodec's own messages (a damaged header, a concealed error) go to the
// developers' log category "korvane" instead of the terminal: damaged
// recordings are the normal case for this player, which tells the user about
// them in its own words.
#pragma once

namespace korvane {

// Routes every later libav message; call once at start-up.
void RouteCodecLogToDebugLog();

}  // namespace korvane
