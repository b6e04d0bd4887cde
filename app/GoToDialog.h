// The "go to a time" dialog (Ctrl+G). It takes what people type: a capture
// date and time ("2023-06-14 17:59:10.500"), a time of day on the day shown
// ("17:59:10", "17:59") or a move from the picture shown ("+10s", "-2m").
// Anything else is refused with a line in the dialog, which stays open, and
// nothing moves. The recorder's clock has no time zone: times are kept as
// they are written.
#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;

namespace korvane {

class GoToDialog : public QDialog {
    Q_OBJECT

public:
    explicit GoToDialog(QWidget* parent = nullptr);

    // The capture time of the picture shown, which the text starts with and moves count from.
    void SetNow(std::int64_t captureTime);
    QLineEdit* Editor() const { return m_editor; }
    // Why the text was refused; empty while it was not.
    QString Refusal() const;

    void accept() override;

signals:
    // The time typed, in capture milliseconds, as the dialog closes.
    void Chosen(std::int64_t captureTime);

private:
    std::int64_t m_now = 0;
    QLineEdit* m_editor = nullptr;  // owned by the dialog
    QLabel* m_refusal = nullptr;    // owned by the dialog
};

}  // namespace korvane
