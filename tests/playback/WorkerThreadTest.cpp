// The worker wrapper with real threads: repetition, the -1 end, the bounded
// stop, and blocking calls into the GUI thread completing during a stop.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Mailbox.h"
#include "platform/Messages.h"
#include "playback/PlaybackWorker.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<int> result{0};
    std::atomic<int> sleepMs{0};
};

int CountingProc(void* argument) {
    auto* counter = static_cast<Counter*>(argument);
    ++counter->calls;
    std::this_thread::sleep_for(milliseconds(counter->sleepMs.load()));
    return counter->result.load();
}

class WorkerThreadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
};

TEST_F(WorkerThreadTest, NeverStartedLooksFinishedAndStopped) {
    PlaybackWorker worker;
    EXPECT_EQ(worker.IsFinished(), 1);
    EXPECT_EQ(worker.IsStopRequested(), 1);
}

TEST_F(WorkerThreadTest, RepeatingWorkerIsCalledAgainEveryTenMillisecondsUntilStopped) {
    Counter counter;
    PlaybackWorker worker;
    worker.Init(&counter, CountingProc, 1);
    ASSERT_EQ(worker.StartThread(), 1);
    EXPECT_EQ(worker.StartThread(), 0);  // never two threads on one loop
    std::this_thread::sleep_for(milliseconds(300));
    const int calls = counter.calls.load();
    // One call per 10 ms pause plus scheduling: far more than one, at most one a pause.
    EXPECT_GE(calls, 5);
    EXPECT_LE(calls, 31);
    EXPECT_EQ(worker.IsFinished(), 0);
    EXPECT_EQ(worker.StopThread(), 1);
    EXPECT_EQ(worker.IsFinished(), 1);
    const int after = counter.calls.load();
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(counter.calls.load(), after);

    // A finished worker starts again.
    ASSERT_EQ(worker.StartThread(), 1);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_GT(counter.calls.load(), after);
    EXPECT_EQ(worker.StopThread(), 1);
}

TEST_F(WorkerThreadTest, MinusOneEndsTheWorkerAfterThatCall) {
    Counter counter;
    counter.result = -1;
    PlaybackWorker worker;
    worker.Init(&counter, CountingProc, 1);
    ASSERT_EQ(worker.StartThread(), 1);
    const auto start = Clock::now();
    while (!worker.IsFinished() && Clock::now() - start < milliseconds(2000))
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(worker.IsFinished(), 1);
    EXPECT_EQ(worker.IsStopRequested(), 1);
    EXPECT_EQ(counter.calls.load(), 1);
}

TEST_F(WorkerThreadTest, StopReturnsAfterTheCurrentCallAndGivesUpAfterItsBound) {
    Counter counter;
    counter.sleepMs = 150;
    PlaybackWorker worker;
    worker.Init(&counter, CountingProc, 1);
    ASSERT_EQ(worker.StartThread(), 1);
    std::this_thread::sleep_for(milliseconds(20));
    auto start = Clock::now();
    EXPECT_EQ(worker.StopThread(), 1);
    EXPECT_LT(Clock::now() - start, milliseconds(1000));

    // A call that outlasts the bound: the stop reports 0 after about 5.1 s,
    // and the worker still ends on its own afterwards.
    counter.sleepMs = 5600;
    ASSERT_EQ(worker.StartThread(), 1);
    std::this_thread::sleep_for(milliseconds(20));
    start = Clock::now();
    EXPECT_EQ(worker.StopThread(), 0);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(5000));
    EXPECT_LT(waited, milliseconds(5600));
    EXPECT_EQ(worker.IsStopRequested(), 1);
}

// A target living on the GUI thread, called from the worker with a blocking hop.
class GuiTarget : public MessageTarget {
public:
    long HandleMessage(unsigned id, WParam wParam, LParam) override {
        lastId = id;
        lastW = wParam;
        return 42;
    }
    Mailbox& MessageMailbox() override { return mailbox; }
    Mailbox mailbox;
    unsigned lastId = 0;
    WParam lastW = 0;
};

struct SendingWorker {
    GuiTarget* target;
    std::atomic<bool> entered{false};
    std::atomic<long> answer{0};
};

int SendFromWorker(void* argument) {
    auto* w = static_cast<SendingWorker*>(argument);
    w->entered = true;
    std::this_thread::sleep_for(milliseconds(30));
    w->answer = SendMessage(*w->target, 6042, 7);
    return -1;
}

TEST_F(WorkerThreadTest, BlockingCallIntoTheGuiThreadCompletesDuringTheStop) {
    GuiTarget target;
    SendingWorker sending{&target};
    PlaybackWorker worker;
    worker.Init(&sending, SendFromWorker, 1);
    ASSERT_EQ(worker.StartThread(), 1);
    while (!sending.entered.load()) std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(worker.StopThread(), 1);  // the hop is served while the stop waits
    EXPECT_EQ(sending.answer.load(), 42);
    EXPECT_EQ(target.lastId, 6042u);
    EXPECT_EQ(target.lastW, 7u);
}

TEST_F(WorkerThreadTest, PacingWaitWakesOnStop) {
    PlaybackWorker idle;
    EXPECT_FALSE(idle.WaitUnlessStopped(milliseconds(500)));  // never started: stopped already

    struct Waiter {
        PlaybackWorker* self;
        std::atomic<int> waitedMs{-1};
    } waiter{};
    PlaybackWorker worker;
    waiter.self = &worker;
    worker.Init(&waiter, [](void* argument) {
        auto* w = static_cast<Waiter*>(argument);
        const auto start = Clock::now();
        w->self->WaitUnlessStopped(milliseconds(3000));
        w->waitedMs = static_cast<int>(std::chrono::duration_cast<milliseconds>(Clock::now() - start).count());
        return 0;
    }, 1);
    ASSERT_EQ(worker.StartThread(), 1);
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(worker.StopThread(), 1);
    EXPECT_GE(waiter.waitedMs.load(), 0);
    EXPECT_LT(waiter.waitedMs.load(), 1000);
}

}  // namespace
}  // namespace korvane::testing
