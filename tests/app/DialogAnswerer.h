// Closes the dialogs a test opens: each one is noted by its class when it is
// shown and rejected from the event loop, as a user pressing Cancel would.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

#include <string>
#include <vector>

namespace korvane::testing {

class DialogAnswerer : public QObject {
public:
    DialogAnswerer() { qApp->installEventFilter(this); }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }
    const std::vector<std::string>& Shown() const { return m_shown; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(object);
        if (dialog == nullptr || event->type() != QEvent::Show) return false;
        m_shown.emplace_back(dialog->metaObject()->className());
        QTimer::singleShot(0, dialog, &QDialog::reject);
        return false;
    }

private:
    std::vector<std::string> m_shown;
};

}  // namespace korvane::testing
