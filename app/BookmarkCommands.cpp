#include "app/BookmarkCommands.h"

#include <QAction>
#include <QMessageBox>

#include "app/Actions.h"
#include "app/BookmarkDialog.h"
#include "app/BookmarkList.h"
#include "app/CameraLabel.h"
#include "playback/Session.h"
#include "recording/TimeStamp.h"

namespace korvane {

BookmarkCommands::BookmarkCommands(QWidget& window, Actions& actions, Session& session)
    : m_window(window), m_actions(actions), m_session(session) {
    actions.Add(Command::AddBookmark, tr("Add &bookmark..."), {Qt::Key_B},
                tr("Bookmark the picture shown, with a note"));
    actions.Add(Command::Bookmarks, tr("&Bookmarks..."), {QKeySequence(Qt::CTRL | Qt::Key_B)},
                tr("The bookmarks: go to one, or delete it"));
    connect(actions[Command::AddBookmark], &QAction::triggered, this, &BookmarkCommands::Ask);
    connect(actions[Command::Bookmarks], &QAction::triggered, this, &BookmarkCommands::ShowList);
    // The bookmarks of the recordings just opened.
    connect(&session, &Session::Opened, this, [this] {
        m_store.Use(m_session.Paths());
        if (!m_store.Error().isEmpty()) Warn(m_store.Error());
    });
    connect(&m_store, &BookmarkStore::Changed, this, &BookmarkCommands::ShowRows);
    connect(&session, &Session::PictureShown, this, &BookmarkCommands::ShowStates);
    connect(&session, &Session::Opened, this, &BookmarkCommands::ShowStates);
    connect(&session, &Session::PictureCleared, this, &BookmarkCommands::ShowStates);
    ShowStates();
}

BookmarkCommands::~BookmarkCommands() = default;  // here, where the dialogs' types are complete

void BookmarkCommands::ShowStates() {
    m_actions[Command::AddBookmark]->setEnabled(m_session.FileOpen() && m_session.CurrentTime().has_value());
    m_actions[Command::Bookmarks]->setEnabled(m_session.FileOpen());
}

void BookmarkCommands::Ask() {
    const std::optional<std::int64_t> now = m_session.CurrentTime();
    if (!m_session.FileOpen() || !now) return;
    m_asked = Bookmark{*now, m_session.SelectedCamera(), {}};
    if (!m_dialog) {
        m_dialog = std::make_unique<BookmarkDialog>(&m_window);
        connect(m_dialog.get(), &QDialog::accepted, this, &BookmarkCommands::Keep);
    }
    m_dialog->Ask(tr("Bookmark at %1 on %2:")
                      .arg(QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(*now))),
                           CameraLabel(m_session, m_asked->camera)));
}

void BookmarkCommands::Keep() {
    if (!m_asked) return;
    Bookmark bookmark = *m_asked;
    m_asked.reset();
    bookmark.note = m_dialog->Note().toStdString();
    if (!m_store.Add(std::move(bookmark))) Warn(m_store.Error());
}

void BookmarkCommands::ShowList() {
    if (!m_session.FileOpen()) return;
    if (!m_list) {
        m_list = std::make_unique<BookmarkList>(&m_window);
        connect(m_list.get(), &BookmarkList::GoTo, this, &BookmarkCommands::GoTo);
        connect(m_list.get(), &BookmarkList::Delete, this, [this](int row) {
            if (!m_store.Remove(std::size_t(row))) Warn(m_store.Error());
        });
        ShowRows();
    }
    m_list->show();
    m_list->raise();
    m_list->activateWindow();
}

void BookmarkCommands::ShowRows() {
    if (!m_list) return;
    std::vector<BookmarkList::Row> rows;
    for (const Bookmark& b : m_store.List())
        rows.push_back({QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(b.ms))), CameraLabel(m_session, b.camera),
                        QString::fromStdString(b.note)});
    m_list->SetRows(rows);
}

void BookmarkCommands::GoTo(int row) {
    if (row < 0 || std::size_t(row) >= m_store.List().size()) return;
    const Bookmark b = m_store.List()[std::size_t(row)];
    if (b.camera != m_session.SelectedCamera() && !m_session.SelectCamera(b.camera)) return;  // the engine says why
    m_session.SeekTo(b.ms);
}

void BookmarkCommands::Warn(const QString& text) {
    m_warning = std::make_unique<QMessageBox>(QMessageBox::Warning, tr("Bookmarks"), text, QMessageBox::Ok, &m_window);
    m_warning->open();
}

}  // namespace korvane
