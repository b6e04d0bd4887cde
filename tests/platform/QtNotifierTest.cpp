// The desktop notifier's boxes, answered from the event loop as a user
// would: what they show, and that the caller, on the GUI thread or a worker,
// is back only once its box was dismissed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

#include "desktop/QtNotifier.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {

// Notes each box shown (on the thread that shows it) and clicks its OK
// button a moment later.
class BoxAnswerer : public QObject {
public:
    BoxAnswerer() { qApp->installEventFilter(this); }
    ~BoxAnswerer() override { qApp->removeEventFilter(this); }
    QStringList shown;  // title | text | format | buttons | modal | on the GUI thread
    std::atomic<bool> answered{false};

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(object);
        if (box == nullptr || event->type() != QEvent::Show) return false;
        shown << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(box->windowTitle(), box->text())
                     .arg(box->textFormat() == Qt::PlainText ? "plain" : "rich")
                     .arg(box->buttons().size() == 1 && box->button(QMessageBox::Ok) ? "OK" : "other")
                     .arg(box->isModal())
                     .arg(QThread::currentThread() == qApp->thread());
        // Late, so that a caller that did not wait would be back first.
        QTimer::singleShot(150, box, [this, box] {
            answered = true;
            box->button(QMessageBox::Ok)->click();
        });
        return false;
    }
};

namespace {

TEST(QtNotifier, BoxIsShownOnTheGuiThreadAsPlainTextAndTheCallerWaitsForTheAnswer) {
    EnsureGuiApp();
    QtNotifier notifier;
    const QString text = QStringLiteral("error =2  <b>/recordings/cam1.MP4</b>");
    for (bool fromWorker : {false, true}) {
        BoxAnswerer answerer;
        std::atomic<bool> answeredBeforeReturn{false};
        const auto show = [&] {
            notifier.ShowMessage(text.toStdString());
            answeredBeforeReturn = answerer.answered.load();
        };
        if (fromWorker) {
            std::atomic<bool> done{false};
            std::thread worker([&] { show(), done = true; });
            EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
            worker.join();
        } else {
            show();
        }
        EXPECT_TRUE(answeredBeforeReturn) << fromWorker;
        EXPECT_EQ(answerer.shown, QStringList{"Korvane|" + text + "|plain|OK|1|1"}) << fromWorker;
    }
}

}  // namespace
}  // namespace korvane::testing
