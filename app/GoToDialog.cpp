#include "app/GoToDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <memory>

#include "recording/TimeStamp.h"

namespace korvane {

GoToDialog::GoToDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Go to"));
    auto layout = std::make_unique<QVBoxLayout>();
    layout->addWidget(std::make_unique<QLabel>(tr("Capture time, time of day or move:")).release());
    auto editor = std::make_unique<QLineEdit>();
    editor->setPlaceholderText(QStringLiteral("2023-06-14 17:59:10.500"));
    m_editor = editor.get();
    layout->addWidget(editor.release());
    auto hint = std::make_unique<QLabel>(tr("For example 2023-06-14 17:59:10.500, 17:59:10, 17:59, +10s or -2m."));
    hint->setEnabled(false);
    layout->addWidget(hint.release());
    auto refusal = std::make_unique<QLabel>();
    refusal->setWordWrap(true);
    refusal->setStyleSheet(QStringLiteral("color: #c01c28"));
    refusal->hide();
    m_refusal = refusal.get();
    layout->addWidget(refusal.release());
    auto buttons = std::make_unique<QDialogButtonBox>(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons.get(), &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons.get(), &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons.release());
    setLayout(layout.release());
    connect(m_editor, &QLineEdit::textEdited, m_refusal, [this] {
        m_refusal->clear();
        m_refusal->hide();
    });
}

void GoToDialog::SetNow(std::int64_t captureTime) {
    m_now = captureTime;
    m_editor->setText(QString::fromStdString(FormatCaptureTime(FromCaptureMilliseconds(captureTime))));
    m_editor->selectAll();
    m_refusal->clear();
    m_refusal->hide();
}

QString GoToDialog::Refusal() const { return m_refusal->text(); }

void GoToDialog::accept() {
    const GoToReading reading = ReadGoToTime(m_editor->text().toStdString(), m_now);
    if (!reading.time) {
        m_refusal->setText(QString::fromStdString(reading.error));
        m_refusal->show();
        return;
    }
    QDialog::accept();
    emit Chosen(*reading.time);
}

}  // namespace korvane
