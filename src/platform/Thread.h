#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// A worker thread that is created suspended, can be resumed, suspended again and told to
// terminate, and can run a call on the GUI thread and wait for it.
//
// Suspension is cooperative: Execute calls CheckSuspended at the top of each step and is
// held there while the thread is suspended. Shutdown (terminate, abandon a pending GUI
// call, wake, join) never deadlocks with the GUI thread: a Synchronize whose call has not
// run yet returns without running it. A derived class must call Shutdown in its own
// destructor, before its members go away.
//
// The system thread starts at the first Resume, also when created not suspended: a base
// constructor cannot start it, since Execute is not there until the derived object is
// complete.
class TThread {
public:
    explicit TThread(bool CreateSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();
    void Suspend();
    void Terminate();
    bool Suspended() const;
    bool Terminated() const;
    // Terminate, abandon a pending Synchronize, wake the thread and join it. Idempotent;
    // must not be called from the worker itself.
    void Shutdown();

protected:
    virtual void Execute() = 0;

    // Runs Method on the GUI thread (the thread of the Qt application object) and waits
    // for it. Returns false when it did not run because the thread is terminating. Called
    // on the GUI thread itself, it runs Method at once. An error Method raises goes to the
    // application's default error handler (it must not cross Qt's event loop), and an
    // error escaping Execute is shown there too; the thread then ends.
    bool Synchronize(const std::function<void()>& Method);
    // Blocks while suspended; returns false once the thread is to terminate.
    bool CheckSuspended();
    // Sleeps, waking early when the thread is told to terminate.
    void SleepFor(uint32_t Milliseconds);

private:
    struct TSyncCall;
    void Run();

    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FSuspended;
    bool FTerminated = false;
    bool FStarted = false;
    std::shared_ptr<TSyncCall> FPendingCall;
    std::thread FThread;
};
