// Bookmarks: moments people mark on a camera, with a short note. They belong
// to a set of recordings and are kept in the user's data folder, one JSON
// file per set named after the SHA-256 of the set's sorted paths, never
// beside the recordings (those are evidence and only ever read). Each change
// rewrites the file whole (QSaveFile), so it holds the old list or the new.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "clip/Manifest.h"

namespace korvane {

struct Bookmark {
    std::int64_t ms = 0;  // capture time (CaptureMilliseconds)
    int camera = 0;       // 0-based
    std::string note;
    bool operator==(const Bookmark&) const = default;
};

class BookmarkStore : public QObject {
    Q_OBJECT

public:
    explicit BookmarkStore(QString folder = DefaultFolder(), QObject* parent = nullptr);
    // "bookmarks" in the application's data folder (~/.local/share/korvane/bookmarks).
    static QString DefaultFolder();

    // The file of a set of recordings: the same for the same files however they are named or ordered.
    QString FileOf(const std::vector<std::string>& recordings) const;
    // Takes the set's bookmarks from its file (none when it has none yet).
    // A file that cannot be read (Error() says so) is moved aside (".unreadable")
    // by the next change, never overwritten.
    void Use(const std::vector<std::string>& recordings);
    // In time order, then by camera.
    const std::vector<Bookmark>& List() const { return m_list; }
    // False, with Error(), when the file cannot be written; the list in memory has the change all the same.
    bool Add(Bookmark bookmark);
    bool Remove(std::size_t index);
    const QString& Error() const { return m_error; }

signals:
    void Changed();

private:
    bool Save();

    QString m_folder;
    QString m_file;  // empty while no set is used
    std::vector<std::string> m_recordings;
    std::vector<Bookmark> m_list;
    bool m_unreadable = false;  // m_file is there but holds no bookmark list
    QString m_error;
};

// As the incident export takes them: cameras from 1, times as text.
std::vector<ManifestBookmark> ManifestBookmarks(const std::vector<Bookmark>& bookmarks);

}  // namespace korvane
