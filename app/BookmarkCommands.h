// The window's bookmarks: B asks a note and adds a bookmark at the picture
// shown on the selected camera; VIEW > Bookmarks lists them, goes to each
// through the engine (the camera, then the time) and deletes them. The
// store follows the recordings the engine opens.
#pragma once

#include <QObject>

#include <memory>
#include <optional>

#include "app/BookmarkStore.h"

class QMessageBox;

namespace korvane {

class Actions;
class BookmarkDialog;
class BookmarkList;
class Session;

class BookmarkCommands : public QObject {
    Q_OBJECT

public:
    // Adds the commands (AddBookmark, Bookmarks) to `actions`; dialogs open over `window`. The
    // bookmarks are kept in BookmarkStore::DefaultFolder().
    BookmarkCommands(QWidget& window, Actions& actions, Session& session);
    ~BookmarkCommands() override;

    const BookmarkStore& Store() const { return m_store; }

private:
    void Ask();
    void Keep();
    void ShowList();
    void ShowRows();
    void GoTo(int row);
    void ShowStates();
    void Warn(const QString& text);

    QWidget& m_window;
    Actions& m_actions;
    Session& m_session;
    BookmarkStore m_store;
    std::optional<Bookmark> m_asked;  // where the note being typed belongs
    std::unique_ptr<BookmarkDialog> m_dialog;
    std::unique_ptr<BookmarkList> m_list;
    std::unique_ptr<QMessageBox> m_warning;
};

}  // namespace korvane
