// Worker threads of the class library's kind.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/win_types.h"

namespace win {

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr DWORD WAIT_OBJECT_0 = 0x00000000u;
inline constexpr DWORD WAIT_TIMEOUT = 0x00000102u;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

namespace detail {
class KeptThreads;
}

// Construct, Start (a thread calls Run and the object is Finished when it
// returns), WaitForSelf, destroy. A wait on the user-interface thread waits
// in short slices and runs the registered wait poll (SetWaitPoll) between
// them, so a key pressed meanwhile stops the computation the workers serve.
//
// The threads themselves are kept: Start hands Run to a thread that is
// waiting for work, or to a new one when none waits, and that thread waits
// for the next Start once Run has returned. Every started object runs at
// once on a thread of its own, as with a new thread, and a thread's
// per-thread state outlives the objects it served (nothing of this program
// keeps any there between two Runs). releaseKeptThreads ends the waiting
// threads; the program's end does so too.
class TThread {
public:
    enum TStatus { Created, Running, Suspended, Finished, Invalid };
    enum TPriority {
        Idle = -15, Lowest = -2, BelowNormal = -1, Normal = 0, AboveNormal = 1, Highest = 2, TimeCritical = 15
    };
    static constexpr unsigned long NoLimit = INFINITE;

    TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Asks Run to stop early; Run reads the request with ShouldTerminate.
    virtual void Terminate();
    // Waits for the Run of an object that was started and not yet waited for.
    virtual ~TThread();

    // Starts the thread (once); returns a non-null handle, or null when it
    // cannot be started.
    HANDLE Start();
    // WAIT_OBJECT_0 when the thread has finished (or never started),
    // WAIT_TIMEOUT when the time ran out; timeout in ms, NoLimit for none.
    unsigned long WaitForSelf(unsigned long timeout = NoLimit);
    // Waits for a started Run to return without looking at the queue, on any
    // thread: for work that runs to its end whatever the user types.
    void WaitQuietly();
    // Priorities are recorded only: this system does not raise a thread
    // above the normal level.
    int SetPriority(int priority);
    int GetPriority() const { return nPriority; }
    TStatus GetStatus() const { return eStatus.load(); }
    // The value Run returned (0 before).
    int GetExitCode() const { return nExitCode.load(); }

protected:
    bool ShouldTerminate() const { return bTerminateRequested.load(); }
    virtual int Run() = 0;

private:
    friend class detail::KeptThreads;
    // After Run on a kept thread: the exit code and Finished; the thread does
    // not touch the object afterwards.
    void Finish(int code);

    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<TStatus> eStatus{Created};
    std::atomic<bool> bTerminateRequested{false};
    std::atomic<int> nExitCode{0};
    int nPriority = Normal;
};

// Ends the kept threads that wait for work (a thread still running a Run ends
// after it); the next Start makes new ones. Tests call it between tests.
void releaseKeptThreads();
// The number of kept threads, running or waiting.
int keptThreadCount();

}  // namespace win
