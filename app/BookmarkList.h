// The bookmarks of the recordings open (VIEW > Bookmarks): time, camera and
// note, one row each in time order. Go to (or Enter, or a double click) shows
// the bookmark's camera at its time; Delete (or the Delete key) removes it.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QPushButton;
class QTreeWidget;

namespace korvane {

class BookmarkList : public QDialog {
    Q_OBJECT

public:
    struct Row {
        QString time, camera, note;
    };

    explicit BookmarkList(QWidget* parent = nullptr);

    // Shows these rows, keeping the selected row where there still is one.
    void SetRows(const std::vector<Row>& rows);
    QTreeWidget* Table() const { return m_table; }
    QPushButton* GoToButton() const { return m_goTo; }
    QPushButton* DeleteButton() const { return m_delete; }

signals:
    void GoTo(int row);
    void Delete(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int Selected() const;

    QTreeWidget* m_table = nullptr;   // owned by the dialog
    QPushButton* m_goTo = nullptr;    // owned by the dialog
    QPushButton* m_delete = nullptr;  // owned by the dialog
};

}  // namespace korvane
