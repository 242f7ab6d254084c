// Worker threads.
#include <algorithm>
#include <chrono>

#include "platform/internal.h"

namespace win {

namespace {
// Length of one wait of the user-interface thread between two polls.
constexpr unsigned long kWaitSliceMs = 10;
}

TThread::TThread() = default;

void TThread::Terminate()
{
    bTerminateRequested = true;
}

TThread::~TThread()
{
    if (worker.joinable()) worker.join();
}

HANDLE TThread::Start()
{
    std::lock_guard<std::mutex> g(mutex);
    if (eStatus.load() != Created) return nullptr;
    eStatus = Running;
    try {
        worker = std::thread([this] { Body(); });
    } catch (...) {
        eStatus = Invalid;
        return nullptr;
    }
    return this;
}

void TThread::Body()
{
    int code = Run();
    nExitCode = code;
    {
        std::lock_guard<std::mutex> g(mutex);
        eStatus = Finished;
    }
    finished.notify_all();
}

unsigned long TThread::WaitForSelf(unsigned long timeout)
{
    TStatus s = eStatus.load();
    if (s == Created || s == Invalid) return WAIT_OBJECT_0;
    if (timeout >= NoLimit) timeout = NoLimit;  // -1 in any width means no limit
    bool ui = IsUserInterfaceThread();
    unsigned long waited = 0;
    // A key already queued when the wait begins stops the workers at once,
    // not one slice later, when a short computation may be over.
    if (ui) {
        if (WaitPollFunction poll = GetWaitPoll()) poll();
    }
    std::unique_lock<std::mutex> lk(mutex);
    while (eStatus.load() != Finished) {
        if (timeout != NoLimit && waited >= timeout) return WAIT_TIMEOUT;
        unsigned long slice = ui ? kWaitSliceMs : (timeout == NoLimit ? 1000 : timeout - waited);
        if (timeout != NoLimit) slice = std::min(slice, timeout - waited);
        finished.wait_for(lk, std::chrono::milliseconds(slice), [this] { return eStatus.load() == Finished; });
        waited += slice;
        if (eStatus.load() == Finished) break;
        if (ui) {
            // Between slices the user-interface thread looks at its queue,
            // so a key press reaches the computation the workers serve.
            lk.unlock();
            detail::backend().waited(DWORD(slice));
            if (WaitPollFunction poll = GetWaitPoll()) poll();
            lk.lock();
        }
    }
    // Run has returned; joining under the lock keeps two waiters from joining twice.
    if (worker.joinable() && worker.get_id() != std::this_thread::get_id()) worker.join();
    return WAIT_OBJECT_0;
}

int TThread::SetPriority(int priority)
{
    nPriority = priority;
    return 1;
}

}  // namespace win
