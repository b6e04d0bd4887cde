#include "platform/DebugLog.h"

Q_LOGGING_CATEGORY(korvaneDebug, "korvane", QtWarningMsg)

namespace korvane {

void DebugLine(const char* text) { qCDebug(korvaneDebug).noquote() << QString::fromLatin1(text).trimmed(); }

}  // namespace korvane
