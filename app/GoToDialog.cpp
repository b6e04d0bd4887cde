#include "app/GoToDialog.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include <memory>

namespace korvane {

GoToDialog::GoToDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Go to"));
    auto layout = std::make_unique<QVBoxLayout>();
    layout->addWidget(std::make_unique<QLabel>(tr("Capture date and time:")).release());
    auto editor = std::make_unique<QDateTimeEdit>();
    editor->setTimeSpec(Qt::UTC);
    editor->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    editor->setCalendarPopup(true);
    m_editor = editor.get();
    layout->addWidget(editor.release());
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons.get(), &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.get(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons.release());
    setLayout(layout.release());
}

void GoToDialog::SetTime(std::int64_t captureTime) {
    m_editor->setDateTime(QDateTime::fromMSecsSinceEpoch(captureTime, Qt::UTC));
}

std::int64_t GoToDialog::Time() const { return m_editor->dateTime().toMSecsSinceEpoch(); }

}  // namespace korvane
