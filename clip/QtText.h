// The export's texts are made as standard strings; Qt's JSON, PDF and
// painting take them as QStrings.
#pragma once

#include <QString>

#include <string>

namespace korvane {

inline QString ToQt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace korvane
