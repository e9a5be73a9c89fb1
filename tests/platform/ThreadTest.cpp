#include "platform/Thread.h"

#include "support/Scripted.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

// Spins the GUI event loop until Condition holds or the time is up.
template <typename F> bool PumpUntil(F Condition, int Milliseconds = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(Milliseconds);
    while (!Condition()) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// Counts its steps; every step may ask the GUI thread to run a call.
class TCountingThread : public TThread {
public:
    explicit TCountingThread(bool CreateSuspended) : TThread(CreateSuspended) {}
    ~TCountingThread() override { Shutdown(); }

    std::atomic<int> Steps{0};
    std::atomic<int> GuiCalls{0};
    std::atomic<int> RefusedCalls{0};
    std::atomic<bool> RanOnGuiThread{true};
    std::atomic<bool> UseSynchronize{false};
    std::atomic<bool> Throw{false};

protected:
    void Execute() override {
        while (CheckSuspended()) {
            ++Steps;
            if (Throw)
                throw std::runtime_error("worker failed");
            if (UseSynchronize) {
                const bool ran = Synchronize([this] {
                    if (QThread::currentThread() != QCoreApplication::instance()->thread())
                        RanOnGuiThread = false;
                    ++GuiCalls;
                });
                if (!ran)
                    ++RefusedCalls;
            }
            SleepFor(1);
        }
    }
};

// Blocks in Synchronize, flagging when the call is about to be posted.
class TBlockedThread : public TThread {
public:
    explicit TBlockedThread(std::atomic<int>& Runs) : TThread(true), FRuns(Runs) {}
    ~TBlockedThread() override { Shutdown(); }
    std::atomic<bool> Posting{false};
    std::atomic<bool> Returned{false};
    std::atomic<bool> Result{true};

protected:
    void Execute() override {
        Posting = true;
        std::atomic<int>& runs = FRuns;
        Result = Synchronize([&runs] { ++runs; });
        Returned = true;
    }

private:
    std::atomic<int>& FRuns;
};

} // namespace

TEST(Thread, CreatedSuspendedDoesNotRunUntilResumed) {
    TCountingThread thread(true);
    EXPECT_TRUE(thread.Suspended());
    QThread::msleep(30);
    EXPECT_EQ(thread.Steps, 0);
    thread.Resume();
    EXPECT_FALSE(thread.Suspended());
    EXPECT_TRUE(PumpUntil([&] { return thread.Steps > 3; }));
}

TEST(Thread, CreatedNotSuspendedStartsAtTheFirstResume) {
    // Starting from the base constructor would run Execute of an unfinished object.
    TCountingThread thread(false);
    EXPECT_FALSE(thread.Suspended());
    QThread::msleep(20);
    EXPECT_EQ(thread.Steps, 0);
    thread.Resume();
    EXPECT_TRUE(PumpUntil([&] { return thread.Steps > 0; }));
}

TEST(Thread, SuspendHoldsTheLoopAndResumeContinuesIt) {
    TCountingThread thread(true);
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Steps > 2; }));
    thread.Suspend();
    QThread::msleep(20); // lets a step under way finish
    const int held = thread.Steps;
    QThread::msleep(50);
    EXPECT_LE(thread.Steps - held, 1);
    thread.Resume();
    EXPECT_TRUE(PumpUntil([&] { return thread.Steps > held + 3; }));
}

TEST(Thread, TerminateEndsTheLoopEvenWhileSuspended) {
    TCountingThread thread(true);
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Steps > 0; }));
    thread.Suspend();
    thread.Terminate();
    EXPECT_TRUE(thread.Terminated());
    const auto start = Clock::now();
    thread.Shutdown();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    const int final = thread.Steps;
    QThread::msleep(20);
    EXPECT_EQ(thread.Steps, final);
    thread.Shutdown(); // idempotent
}

TEST(Thread, ShutdownOfANeverStartedThreadReturns) {
    TCountingThread thread(true);
    thread.Shutdown();
    thread.Resume(); // too late: a terminated thread does not start
    QThread::msleep(20);
    EXPECT_EQ(thread.Steps, 0);
}

TEST(Thread, SynchronizeRunsTheCallOnTheGuiThread) {
    TCountingThread thread(true);
    thread.UseSynchronize = true;
    thread.Resume();
    EXPECT_TRUE(PumpUntil([&] { return thread.GuiCalls >= 5; }));
    EXPECT_TRUE(thread.RanOnGuiThread);
    thread.Shutdown();
}

TEST(Thread, SynchronizeWaitsForTheGuiThread) {
    TCountingThread thread(true);
    thread.UseSynchronize = true;
    thread.Resume();
    // Without the event loop the worker is held in its first Synchronize.
    QThread::msleep(50);
    EXPECT_EQ(thread.Steps, 1);
    EXPECT_EQ(thread.GuiCalls, 0);
    EXPECT_TRUE(PumpUntil([&] { return thread.GuiCalls >= 1; }));
}

TEST(Thread, DestroyingWhileASynchronizeIsPendingReturnsAndNeverRunsTheCall) {
    std::atomic<int> runs{0};
    bool returned = false;
    bool result = true;
    const auto start = Clock::now();
    {
        TBlockedThread thread(runs);
        thread.Resume();
        while (!thread.Posting)
            QThread::msleep(1);
        QThread::msleep(20); // the call is queued now, and the GUI thread does not serve it
        EXPECT_FALSE(thread.Returned);
        thread.Shutdown();
        returned = thread.Returned;
        result = thread.Result;
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(returned);
    EXPECT_FALSE(result);
    // The queued call is delivered now, finds itself abandoned and does nothing.
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(runs, 0);
}

TEST(Thread, SynchronizeAfterTerminateIsRefused) {
    TCountingThread thread(true);
    thread.UseSynchronize = true;
    thread.Terminate();
    thread.Resume();
    QThread::msleep(20);
    EXPECT_EQ(thread.GuiCalls, 0);
}

TEST(Thread, ErrorsOfTheGuiCallGoToTheDefaultHandler) {
    MessageCapture messages;
    struct TFailing : TThread {
        TFailing() : TThread(true) {}
        ~TFailing() override { Shutdown(); }
        std::atomic<bool> Done{false};
        std::atomic<bool> Ran{false};
        void Execute() override {
            Ran = Synchronize([] { throw std::runtime_error("frame failed"); });
            Done = true;
        }
    } thread;
    thread.Resume();
    ASSERT_TRUE(PumpUntil([&] { return thread.Done.load(); }));
    EXPECT_TRUE(thread.Ran);
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "frame failed");
}

TEST(Thread, AnErrorEscapingExecuteIsShownOnTheGuiThread) {
    MessageCapture messages;
    TCountingThread thread(true);
    thread.Throw = true;
    thread.Resume();
    EXPECT_TRUE(PumpUntil([&] { return !messages.Messages().empty(); }));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "worker failed");
}

TEST(ThreadStress, TwoHundredCreateResumeDestroyCycles) {
    const auto start = Clock::now();
    for (int i = 0; i < 200; ++i) {
        TCountingThread thread(true);
        thread.UseSynchronize = (i % 2) == 0;
        thread.Resume();
        if (i % 3 == 0)
            QCoreApplication::processEvents();
        if (i % 5 == 0)
            thread.Suspend();
    }
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}
