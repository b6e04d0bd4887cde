// The desktop notifier's boxes, answered from the event loop: what they show,
// and that a worker thread waits until its box was dismissed.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

#include "platform/Mailbox.h"
#include "desktop/QtNotifier.h"
#include "tests/platform/BoxAnswerer.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

class QtNotifierTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    QtNotifier notifier;
};

TEST_F(QtNotifierTest, GuiThreadBoxIsTitledKorvaneWithOneOkAndReturnsWhenAnswered) {
    BoxAnswerer answerer;
    notifier.ShowMessage("program is running.");
    EXPECT_TRUE(answerer.Answered());
    const auto shown = answerer.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("Korvane"));
    EXPECT_EQ(shown[0].text, QStringLiteral("program is running."));
    EXPECT_EQ(shown[0].buttonCount, 1);
    EXPECT_TRUE(shown[0].hasOk);
    EXPECT_TRUE(shown[0].modal);
}

TEST_F(QtNotifierTest, TextIsShownAsPlainTextEvenWhenItLooksLikeMarkup) {
    BoxAnswerer answerer;
    notifier.ShowMessage("error =2  <b>/recordings/cam1.MP4</b>");
    const auto shown = answerer.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("error =2  <b>/recordings/cam1.MP4</b>"));
    EXPECT_EQ(shown[0].format, Qt::PlainText);
}

TEST_F(QtNotifierTest, WorkerThreadBoxShowsOnGuiThreadAndWorkerWaitsForTheAnswer) {
    // The answer comes late, so a worker that did not wait would be back first.
    BoxAnswerer answerer(std::chrono::milliseconds(150));
    QEventLoop loop;
    Mailbox toTest;
    std::atomic<bool> returned{false};
    std::atomic<bool> answeredBeforeReturn{false};
    std::thread worker([&] {
        notifier.ShowMessage("Incorrect video codec type player");
        answeredBeforeReturn = answerer.Answered();
        returned = true;
        toTest.Post([&loop] { loop.quit(); });
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();

    ASSERT_TRUE(returned);
    EXPECT_TRUE(answeredBeforeReturn);
    const auto shown = answerer.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].onGuiThread);
    EXPECT_EQ(shown[0].title, QStringLiteral("Korvane"));
    EXPECT_EQ(shown[0].text, QStringLiteral("Incorrect video codec type player"));
    EXPECT_EQ(shown[0].buttonCount, 1);
}

}  // namespace
}  // namespace korvane::testing
