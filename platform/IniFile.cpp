#include "platform/IniFile.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace korvane {
namespace {

QString Name(const QString& section, const QString& key) {
    return section.trimmed().toLower() + QLatin1Char('/') + key.trimmed().toLower();
}

}  // namespace

IniFile::IniFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    const QSettings file(path, QSettings::IniFormat);
    for (const QString& full : file.allKeys()) {
        const qsizetype slash = full.lastIndexOf(QLatin1Char('/'));
        // QSettings files the keys of a "[General]" section at the top.
        const QString name = slash < 0 ? Name(QStringLiteral("General"), full) : Name(full.left(slash), full.mid(slash + 1));
        const QVariant value = file.value(full);
        // Of names that differ only in case, the first in QSettings' order is kept.
        m_values.emplace(name, value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", "))
                                                                         : value.toString());
    }
}

QString IniFile::Value(const QString& section, const QString& key, const QString& fallback) const {
    const auto found = m_values.find(Name(section, key));
    return found != m_values.end() ? found->second : fallback;
}

std::string IniValue(const std::string& path, const std::string& section, const std::string& key) {
    return IniFile(QString::fromStdString(path))
        .Value(QString::fromStdString(section), QString::fromStdString(key))
        .toStdString();
}

}  // namespace korvane
