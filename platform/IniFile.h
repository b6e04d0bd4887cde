// An INI file ("[section]" headers, "key=value" lines) read through
// QSettings, with section and key names matched without regard to case, as
// the files recorders write beside their recordings need.
#pragma once

#include <QString>

#include <map>
#include <string>

namespace korvane {

class IniFile {
public:
    // Reads the file; a missing or unreadable file holds no values.
    explicit IniFile(const QString& path);

    // The value of key in section, or fallback when either is missing. A
    // value QSettings splits at its commas comes back joined as written.
    QString Value(const QString& section, const QString& key, const QString& fallback = {}) const;

private:
    std::map<QString, QString> m_values;  // by "section/key" in lower case
};

// The same for one value, as UTF-8.
std::string IniValue(const std::string& path, const std::string& section, const std::string& key);

}  // namespace korvane
