// Asks for the short note of a new bookmark: where it is (time and camera)
// above one line to type in. Enter keeps the bookmark, Esc drops it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace korvane {

inline constexpr int kBookmarkNoteLength = 200;

class BookmarkDialog : public QDialog {
    Q_OBJECT

public:
    explicit BookmarkDialog(QWidget* parent = nullptr);

    // Shows the dialog (window modal) for a bookmark at `where`, with an empty note.
    void Ask(const QString& where);
    QString Where() const;
    QString Note() const;
    QLineEdit* Editor() const { return m_editor; }

private:
    QLabel* m_where = nullptr;      // owned by the dialog
    QLineEdit* m_editor = nullptr;  // owned by the dialog
};

}  // namespace korvane
