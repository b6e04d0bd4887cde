#include "desktop/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvane {
namespace {

// Where an older release kept its settings, and what its groups are called now.
const QString kOldFolder = QStringLiteral("Local AppWizard-Generated Applications");
const QString kOldFile = QStringLiteral("Korvane.conf");
const QString kOldRecentGroup = QStringLiteral("Recent File List");
const QString kRecentGroup = QStringLiteral("RecentFiles");

QString ConfigFolder(const QString& given) {
    return given.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) : given;
}

}  // namespace

std::unique_ptr<QSettings> UserSettings() {
    // The native format of Linux is an INI file named .conf.
    return std::make_unique<QSettings>(QString::fromLatin1(kSettingsOrganisation),
                                       QString::fromLatin1(kSettingsApplication));
}

bool MoveOldSettings(const QString& configFolder) {
    const QDir folder(ConfigFolder(configFolder));
    const QString oldPath = folder.filePath(kOldFolder + QLatin1Char('/') + kOldFile);
    const QString newPath = folder.filePath(QStringLiteral("%1/%2.conf").arg(QLatin1String(kSettingsOrganisation),
                                                                              QLatin1String(kSettingsApplication)));
    if (!QFileInfo::exists(oldPath)) return false;
    if (!QFileInfo::exists(newPath)) {
        const QSettings old(oldPath, QSettings::IniFormat);
        QSettings moved(newPath, QSettings::IniFormat);
        for (const QString& key : old.allKeys()) {
            QString newKey = key;
            if (key.startsWith(kOldRecentGroup + QLatin1Char('/')))
                newKey = kRecentGroup + key.mid(kOldRecentGroup.size());
            moved.setValue(newKey, old.value(key));
        }
        moved.sync();
        if (moved.status() != QSettings::NoError) return false;  // the old file stays for the next start
    }
    QFile::remove(oldPath);
    folder.rmdir(kOldFolder);  // only when nothing else is in it
    return true;
}

}  // namespace korvane
