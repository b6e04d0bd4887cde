#include "app/BookmarkDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <memory>

namespace korvane {

BookmarkDialog::BookmarkDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Add bookmark"));
    auto layout = std::make_unique<QVBoxLayout>();
    auto where = std::make_unique<QLabel>();
    m_where = where.get();
    layout->addWidget(where.release());
    auto editor = std::make_unique<QLineEdit>();
    editor->setPlaceholderText(tr("A short note, for example: van stops at the gate"));
    editor->setMaxLength(kBookmarkNoteLength);
    m_editor = editor.get();
    layout->addWidget(editor.release());
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons.get(), &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.get(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons.release());
    setLayout(layout.release());
    setWindowModality(Qt::WindowModal);
}

void BookmarkDialog::Ask(const QString& where) {
    m_where->setText(where);
    m_editor->clear();
    open();
    m_editor->setFocus();
}

QString BookmarkDialog::Where() const { return m_where->text(); }
QString BookmarkDialog::Note() const { return m_editor->text().trimmed(); }

}  // namespace korvane
