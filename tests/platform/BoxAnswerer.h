// Answers message boxes in tests: each box is noted when it is shown and its
// OK button clicked a moment later from the event loop, as a user would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <mutex>
#include <vector>

namespace korvane::testing {

struct ShownBox {
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    int buttonCount = 0;
    bool hasOk = false;
    bool modal = false;
    bool onGuiThread = false;
};

class BoxAnswerer : public QObject {
public:
    explicit BoxAnswerer(std::chrono::milliseconds delay = std::chrono::milliseconds(0)) : m_delay(delay) {
        qApp->installEventFilter(this);
    }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }

    std::vector<ShownBox> Shown() const {
        std::lock_guard lock(m_mutex);
        return m_shown;
    }
    // Set once an OK button was clicked.
    bool Answered() const { return m_answered.load(); }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(object);
        if (box == nullptr || event->type() != QEvent::Show) return false;
        ShownBox shown{box->windowTitle(), box->text(), box->textFormat(),
                       static_cast<int>(box->buttons().size()), box->button(QMessageBox::Ok) != nullptr,
                       box->isModal(), QThread::currentThread() == qApp->thread()};
        {
            std::lock_guard lock(m_mutex);
            m_shown.push_back(shown);
        }
        QTimer::singleShot(m_delay, box, [this, box] {
            if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
                m_answered = true;
                ok->click();
            }
        });
        return false;
    }

private:
    std::chrono::milliseconds m_delay;
    mutable std::mutex m_mutex;
    std::vector<ShownBox> m_shown;
    std::atomic<bool> m_answered{false};
};

}  // namespace korvane::testing
