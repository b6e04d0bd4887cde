#include "app/BookmarkList.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace korvane {

BookmarkList::BookmarkList(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Bookmarks"));
    auto layout = std::make_unique<QVBoxLayout>();
    auto table = std::make_unique<QTreeWidget>();
    table->setHeaderLabels({tr("Time"), tr("Camera"), tr("Note")});
    table->setRootIsDecorated(false);
    table->setAllColumnsShowFocus(true);
    table->header()->setStretchLastSection(true);
    m_table = table.get();
    layout->addWidget(table.release(), 1);
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Close);
    m_goTo = buttons->addButton(tr("&Go to"), QDialogButtonBox::ActionRole);
    m_delete = buttons->addButton(tr("&Delete"), QDialogButtonBox::DestructiveRole);
    // Enter in the table goes to the bookmark rather than pressing a button.
    for (QAbstractButton* button : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(false);
    connect(buttons.get(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_goTo, &QPushButton::clicked, this, [this] {
        if (Selected() >= 0) emit GoTo(Selected());
    });
    connect(m_delete, &QPushButton::clicked, this, [this] {
        if (Selected() >= 0) emit Delete(Selected());
    });
    connect(m_table, &QTreeWidget::itemActivated, this, [this] {
        if (Selected() >= 0) emit GoTo(Selected());
    });
    layout->addWidget(buttons.release());
    setLayout(layout.release());
    resize(560, 320);
}

void BookmarkList::SetRows(const std::vector<Row>& rows) {
    const int selected = Selected();
    m_table->clear();
    for (const Row& row : rows) {
        auto item = std::make_unique<QTreeWidgetItem>(QStringList{row.time, row.camera, row.note});
        m_table->addTopLevelItem(item.release());
    }
    m_table->resizeColumnToContents(0);
    m_table->resizeColumnToContents(1);
    const int count = m_table->topLevelItemCount();
    if (count > 0) m_table->setCurrentItem(m_table->topLevelItem(std::clamp(selected, 0, count - 1)));
    m_goTo->setEnabled(count > 0);
    m_delete->setEnabled(count > 0);
}

void BookmarkList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && Selected() >= 0) {
        emit Delete(Selected());
        return;
    }
    QDialog::keyPressEvent(event);
}

int BookmarkList::Selected() const {
    QTreeWidgetItem* item = m_table->currentItem();
    return item != nullptr ? m_table->indexOfTopLevelItem(item) : -1;
}

}  // namespace korvane
