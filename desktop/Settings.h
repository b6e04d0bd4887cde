// Where the player keeps the user's choices and recent files:
// ~/.config/korvane/korvane.conf (an INI file). Settings an older release
// left under its first name are moved there once, and the old file removed.
#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace korvane {

inline constexpr const char* kSettingsOrganisation = "korvane";
inline constexpr const char* kSettingsApplication = "korvane";

// The user's settings file, in the user's configuration folder.
std::unique_ptr<QSettings> UserSettings();

// Moves the settings of an older release from `configFolder` (the user's
// configuration folder when empty) into the user's settings file, unless
// that already exists, and removes the old file. True when something moved.
bool MoveOldSettings(const QString& configFolder = QString());

}  // namespace korvane
