#include "desktop/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace korvane {
namespace {

const QString kGroup = QStringLiteral("RecentFiles");

QString EntryKey(int index) { return QStringLiteral("File%1").arg(index + 1); }

}  // namespace

RecentFileList::RecentFileList(std::unique_ptr<QSettings> settings, int size)
    : m_settings(settings ? std::move(settings) : UserSettings()),
      m_size(size) {
    m_settings->beginGroup(kGroup);
    for (int i = 0; i < m_size; ++i) {
        const QString file = m_settings->value(EntryKey(i)).toString();
        if (!file.isEmpty() && !m_files.contains(file)) m_files.append(file);
    }
    m_settings->endGroup();
}

RecentFileList::~RecentFileList() = default;

void RecentFileList::Add(const QString& path) {
    if (path.isEmpty() || m_size <= 0) return;
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_files.removeAll(file);
    m_files.prepend(file);
    while (m_files.size() > m_size) m_files.removeLast();
    Save();
}

void RecentFileList::Save() {
    m_settings->beginGroup(kGroup);
    m_settings->remove(QString());
    for (int i = 0; i < m_files.size(); ++i) m_settings->setValue(EntryKey(i), m_files[i]);
    m_settings->endGroup();
    m_settings->sync();
}

}  // namespace korvane
