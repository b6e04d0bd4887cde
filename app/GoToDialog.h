// The "go to a time" dialog (Ctrl+G): a capture date and time to the
// millisecond, filled in with the current picture's. The recorder's clock
// has no time zone, so the times are kept as they are written (UTC in Qt's
// terms, never converted).
#pragma once

#include <QDialog>

#include <cstdint>

class QDateTimeEdit;

namespace korvane {

class GoToDialog : public QDialog {
    Q_OBJECT

public:
    explicit GoToDialog(QWidget* parent = nullptr);

    void SetTime(std::int64_t captureTime);
    std::int64_t Time() const;
    QDateTimeEdit* Editor() const { return m_editor; }

private:
    QDateTimeEdit* m_editor = nullptr;  // owned by the dialog
};

}  // namespace korvane
