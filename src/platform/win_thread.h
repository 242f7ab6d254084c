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

// Construct, Start (the new thread calls Run and is Finished when it
// returns), WaitForSelf, destroy. A wait on the user-interface thread waits
// in short slices and runs the registered wait poll (SetWaitPoll) between
// them, so a key pressed meanwhile stops the computation the workers serve.
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
    // Waits for a thread that was started and not yet waited for.
    virtual ~TThread();

    // Starts the thread (once); returns a non-null handle, or null when it
    // cannot be started.
    HANDLE Start();
    // WAIT_OBJECT_0 when the thread has finished (or never started),
    // WAIT_TIMEOUT when the time ran out; timeout in ms, NoLimit for none.
    unsigned long WaitForSelf(unsigned long timeout = NoLimit);
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
    void Body();

    std::thread worker;
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<TStatus> eStatus{Created};
    std::atomic<bool> bTerminateRequested{false};
    std::atomic<int> nExitCode{0};
    int nPriority = Normal;
};

}  // namespace win
