// The recent-file list kept in the user's settings: the newest path first,
// each path once, at most a fixed number of entries.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

#include "desktop/Settings.h"

class QSettings;

namespace korvane {

inline constexpr int kRecentFileCount = 4;

class RecentFileList {
public:
    // Loads the list from settings (the user's own scope when none is given).
    explicit RecentFileList(std::unique_ptr<QSettings> settings = {}, int size = kRecentFileCount);
    ~RecentFileList();
    RecentFileList(const RecentFileList&) = delete;
    RecentFileList& operator=(const RecentFileList&) = delete;

    // Puts path first (as an absolute path), drops an older entry for the
    // same file and the oldest entries beyond the size, and saves the list.
    void Add(const QString& path);
    const QStringList& Files() const { return m_files; }
    // The settings the list is kept in; the window keeps its own choices there too.
    QSettings& Store() { return *m_settings; }

private:
    void Save();

    std::unique_ptr<QSettings> m_settings;
    int m_size;
    QStringList m_files;
};

}  // namespace korvane
