#include "platform/Thread.h"

#include "platform/Application.h"
#include "platform/Exception.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <deque>
#include <exception>
#include <string>

// One request to run a call on the GUI thread. The GUI side holds it by shared_ptr, so it
// outlives the thread object when the owner is destroyed before the queued call runs;
// it has its own lock for the same reason.
struct TThread::TSyncCall {
    std::function<void()> Method;
    std::mutex Mutex;
    std::condition_variable Finished;
    bool Done = false;
    bool Abandoned = false;
};

namespace {

bool OnGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

// The std::thread is never started here: Execute belongs to the derived class, which is
// not constructed yet.
TThread::TThread(bool CreateSuspended) : FSuspended(CreateSuspended) {}

TThread::~TThread() {
    Shutdown();
}

void TThread::Resume() {
    std::lock_guard lock(FMutex);
    FSuspended = false;
    if (!FStarted && !FTerminated) {
        FStarted = true;
        FThread = std::thread([this] { Run(); });
    }
    FWake.notify_all();
}

void TThread::Suspend() {
    std::lock_guard lock(FMutex);
    FSuspended = true;
}

void TThread::Terminate() {
    std::lock_guard lock(FMutex);
    FTerminated = true;
    FWake.notify_all();
}

bool TThread::Suspended() const {
    std::lock_guard lock(FMutex);
    return FSuspended;
}

bool TThread::Terminated() const {
    std::lock_guard lock(FMutex);
    return FTerminated;
}

void TThread::Shutdown() {
    std::shared_ptr<TSyncCall> pending;
    {
        std::lock_guard lock(FMutex);
        FTerminated = true;
        pending = std::move(FPendingCall);
        FWake.notify_all();
    }
    if (pending) {
        std::lock_guard lock(pending->Mutex);
        pending->Abandoned = true;
        pending->Finished.notify_all();
    }
    if (FThread.joinable()) {
        if (FThread.get_id() == std::this_thread::get_id())
            FThread.detach(); // misuse from the worker: joining itself would never return
        else
            FThread.join();
    }
}

bool TThread::Synchronize(const std::function<void()>& Method) {
    if (OnGuiThread()) {
        Application().Guarded(Method);
        return true;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;

    auto call = std::make_shared<TSyncCall>();
    call->Method = Method;
    {
        std::lock_guard lock(FMutex);
        if (FTerminated)
            return false;
        FPendingCall = call;
    }
    // The call reaches the GUI thread under a std::mutex, not among the queued functor's
    // captures: Qt's own queue locks are invisible to ThreadSanitizer unless Qt is built
    // with it, which would make every hand-off look like a race.
    static std::mutex HandOffMutex;
    static std::deque<std::shared_ptr<TSyncCall>> HandOff;
    {
        std::lock_guard lock(HandOffMutex);
        HandOff.push_back(call);
    }
    QMetaObject::invokeMethod(
        app,
        [] {
            std::shared_ptr<TSyncCall> call;
            {
                std::lock_guard lock(HandOffMutex);
                call = std::move(HandOff.front());
                HandOff.pop_front();
            }
            {
                std::lock_guard lock(call->Mutex);
                if (call->Abandoned)
                    return;
            }
            // Errors end at the default handler: they must not cross the event loop.
            Application().Guarded(call->Method);
            std::lock_guard lock(call->Mutex);
            call->Done = true;
            call->Finished.notify_all();
        },
        Qt::QueuedConnection);

    bool ran;
    {
        std::unique_lock lock(call->Mutex);
        call->Finished.wait(lock, [&] { return call->Done || call->Abandoned; });
        ran = call->Done;
    }
    std::lock_guard lock(FMutex);
    if (FPendingCall == call)
        FPendingCall.reset();
    return ran;
}

bool TThread::CheckSuspended() {
    std::unique_lock lock(FMutex);
    FWake.wait(lock, [this] { return !FSuspended || FTerminated; });
    return !FTerminated;
}

void TThread::SleepFor(uint32_t Milliseconds) {
    std::unique_lock lock(FMutex);
    FWake.wait_for(lock, std::chrono::milliseconds(Milliseconds), [this] { return FTerminated; });
}

void TThread::Run() {
    std::string failure;
    try {
        Execute();
    } catch (const std::exception& E) {
        failure = E.what();
    } catch (...) {
        failure = "Unknown error in a worker thread";
    }
    if (failure.empty())
        return;
    // Shown on the GUI thread, like any other error the program does not catch.
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [failure] { Application().HandleException(Exception(failure)); },
            Qt::QueuedConnection);
}
