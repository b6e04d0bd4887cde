// Diagnostic lines for developers: debug messages of the Qt logging category
// "korvane", off unless QT_LOGGING_RULES enables them (QT_LOGGING_RULES="korvane.debug=true").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(korvaneDebug)

namespace korvane {

// Writes one line as it stands (the text carries its own line end).
void DebugLine(const char* text);

}  // namespace korvane
