#include "app/BookmarkStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <optional>
#include <tuple>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

const QString kAside = QStringLiteral(".unreadable");  // after the name of a file that cannot be read

QStringList SortedPaths(const std::vector<std::string>& recordings) {
    QStringList paths;
    for (const std::string& path : recordings) {
        const QFileInfo file(QString::fromLocal8Bit(path.c_str()));
        const QString canonical = file.canonicalFilePath();
        paths << (canonical.isEmpty() ? file.absoluteFilePath() : canonical);
    }
    paths.sort();
    paths.removeDuplicates();
    return paths;
}

bool Earlier(const Bookmark& a, const Bookmark& b) { return std::tie(a.ms, a.camera) < std::tie(b.ms, b.camera); }

// The entries of a bookmark file; nothing when the bytes are not one. An entry without a real time or camera is left out.
std::optional<std::vector<Bookmark>> Parse(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    const QJsonValue entries = document.object().value(QStringLiteral("bookmarks"));
    if (!entries.isArray()) return std::nullopt;
    std::vector<Bookmark> list;
    for (const QJsonValue& value : entries.toArray()) {
        const QJsonObject entry = value.toObject();
        const auto time = ParseCaptureTime(entry.value(QStringLiteral("time")).toString().toStdString());
        const int camera = entry.value(QStringLiteral("camera")).toInt(0);
        if (!time || camera < 1 || camera > 256) continue;
        list.push_back({CaptureMilliseconds(*time), camera - 1, entry.value(QStringLiteral("note")).toString().toStdString()});
    }
    std::stable_sort(list.begin(), list.end(), Earlier);
    return list;
}

}  // namespace

BookmarkStore::BookmarkStore(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder)) {}

QString BookmarkStore::DefaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/bookmarks");
}

QString BookmarkStore::FileOf(const std::vector<std::string>& recordings) const {
    const QByteArray identity = SortedPaths(recordings).join(QLatin1Char('\n')).toUtf8();
    return m_folder + QLatin1Char('/') +
           QString::fromLatin1(QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex()) +
           QStringLiteral(".json");
}

void BookmarkStore::Use(const std::vector<std::string>& recordings) {
    m_recordings = recordings;
    m_file = recordings.empty() ? QString() : FileOf(recordings);
    m_list.clear();
    m_error.clear();
    m_unreadable = false;
    QFile file(m_file);
    if (!m_file.isEmpty() && file.open(QIODevice::ReadOnly)) {
        if (auto list = Parse(file.readAll())) {
            m_list = std::move(*list);
        } else {
            m_unreadable = true;
            m_error = tr("The bookmark file %1 cannot be read. It is left as it is; a new bookmark moves it to %1%2.")
                          .arg(m_file, kAside);
        }
    }
    emit Changed();
}

bool BookmarkStore::Add(Bookmark bookmark) {
    m_list.insert(std::upper_bound(m_list.begin(), m_list.end(), bookmark, Earlier), std::move(bookmark));
    const bool saved = Save();
    emit Changed();
    return saved;
}

bool BookmarkStore::Remove(std::size_t index) {
    if (index >= m_list.size()) return true;
    m_list.erase(m_list.begin() + std::ptrdiff_t(index));
    const bool saved = Save();
    emit Changed();
    return saved;
}

bool BookmarkStore::Save() {
    m_error.clear();
    if (m_file.isEmpty()) return true;
    if (m_unreadable) {
        QFile::remove(m_file + kAside);
        QFile::rename(m_file, m_file + kAside);
        m_unreadable = false;
    }
    QJsonArray recordings;
    for (const QString& path : SortedPaths(m_recordings)) recordings.append(path);
    QJsonArray entries;
    for (const Bookmark& b : m_list)
        entries.append(QJsonObject{{QStringLiteral("time"), QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(b.ms)))},
                                   {QStringLiteral("camera"), b.camera + 1},
                                   {QStringLiteral("note"), QString::fromStdString(b.note)}});
    const QJsonObject root{{QStringLiteral("recordings"), recordings}, {QStringLiteral("bookmarks"), entries}};
    QSaveFile file(m_file);
    const bool written = QDir().mkpath(m_folder) && file.open(QIODevice::WriteOnly) &&
                         file.write(QJsonDocument(root).toJson()) >= 0 && file.commit();
    if (!written) m_error = tr("The bookmarks cannot be kept in %1: %2").arg(m_file, file.errorString());
    return written;
}

std::vector<ManifestBookmark> ManifestBookmarks(const std::vector<Bookmark>& bookmarks) {
    std::vector<ManifestBookmark> out;
    for (const Bookmark& b : bookmarks)
        out.push_back({b.camera + 1, FormatCaptureTime(FromCaptureMilliseconds(b.ms)), b.note});
    return out;
}

}  // namespace korvane
