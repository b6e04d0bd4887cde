// Tells the companion clip-export tool that the player is closing: when a
// local socket server of that name answers, it receives the message (2025,
// 1, 1) as three little-endian 32-bit numbers; no answer is awaited.
#pragma once

#include <QString>

#include <chrono>

namespace korvane {

inline constexpr const char* kCompanionServerName = "ClipExport";
inline constexpr unsigned kCompanionMessage = 2025;
inline constexpr std::chrono::milliseconds kCompanionConnectWait{100};

// True when a server answered and the message was handed to it.
bool NotifyCompanion(const QString& serverName = QString::fromLatin1(kCompanionServerName),
                     std::chrono::milliseconds connectWait = kCompanionConnectWait);

}  // namespace korvane
