// Worker threads, run on threads that are kept for the next Start.
//
// A distribution fit starts its sets of workers for every evaluation, dozens
// of evaluations a fit: a new thread each time cost its creation and its end
// (stack set-up, the release of its stack pages, which interrupts every core
// the process runs on). A kept thread waits on a condition of its own for
// the next object to serve, and keeps the memory its allocator has gathered.
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "platform/internal.h"

namespace win {

namespace {
// Length of one wait of the user-interface thread between two polls.
constexpr unsigned long kWaitSliceMs = 10;
}  // namespace

namespace detail {

class KeptThreads {
public:
    // Runs t's body on a waiting thread or a new one; false when no thread
    // can be had.
    bool Run(TThread* t)
    {
        std::lock_guard<std::mutex> g(mutex);
        if (!idle.empty()) {
            Slot* s = idle.back();
            idle.pop_back();
            s->pBody = t;
            s->wake.notify_one();
            return true;
        }
        try {
            auto slot = std::make_unique<Slot>();
            Slot* s = slot.get();
            s->pBody = t;
            slots.push_back(std::move(slot));
            try {
                s->thread = std::thread([this, s] { Serve(s); });
            } catch (...) {
                slots.pop_back();
                return false;
            }
        } catch (...) {
            return false;
        }
        return true;
    }

    void Release()
    {
        std::vector<std::unique_ptr<Slot>> ending;
        {
            std::lock_guard<std::mutex> g(mutex);
            idle.clear();
            std::vector<std::unique_ptr<Slot>> busy;
            for (std::unique_ptr<Slot>& slot : slots) {
                Slot* s = slot.get();
                if (s->bEnded) continue;  // let go earlier while busy; gone now
                s->bQuit = true;
                s->wake.notify_one();
                if (s->pBody) {
                    // Busy: it ends on its own after its Run; the slot stays
                    // until a later release finds it ended.
                    if (s->thread.joinable()) s->thread.detach();
                    busy.push_back(std::move(slot));
                } else {
                    ending.push_back(std::move(slot));
                }
            }
            slots = std::move(busy);
        }
        for (const std::unique_ptr<Slot>& s : ending) s->thread.join();
    }

    int Count()
    {
        std::lock_guard<std::mutex> g(mutex);
        int n = 0;
        for (const auto& s : slots)
            if (!s->bQuit) n++;
        return n;
    }

private:
    struct Slot {
        std::thread thread;
        std::condition_variable wake;
        TThread* pBody = nullptr;  // the object whose Run is due or running
        bool bQuit = false;
        bool bEnded = false;
    };

    void Serve(Slot* s)
    {
        std::unique_lock<std::mutex> lk(mutex);
        for (;;) {
            s->wake.wait(lk, [s] { return s->pBody != nullptr || s->bQuit; });
            if (!s->pBody) break;
            TThread* t = s->pBody;
            lk.unlock();
            const int code = t->Run();
            lk.lock();
            // Back among the waiting threads before the object is Finished:
            // a Start after the wait for it finds this thread.
            s->pBody = nullptr;
            if (!s->bQuit) idle.push_back(s);
            t->Finish(code);
            if (s->bQuit) break;
        }
        s->bEnded = true;
    }

    std::mutex mutex;
    std::vector<std::unique_ptr<Slot>> slots;  // every kept thread
    std::vector<Slot*> idle;                   // those waiting for work, the latest last
};

namespace {

// Never destroyed: a thread still running a Run at the program's end (none
// should) finds its slot and the lock where they were.
KeptThreads& keptThreads()
{
    static KeptThreads* p = new KeptThreads;
    return *p;
}

// The program's end ends the waiting threads.
struct EndKeptThreads {
    ~EndKeptThreads() { keptThreads().Release(); }
} gEndKeptThreads;

}  // namespace

}  // namespace detail

void releaseKeptThreads()
{
    detail::keptThreads().Release();
}

int keptThreadCount()
{
    return detail::keptThreads().Count();
}

TThread::TThread() = default;

void TThread::Terminate()
{
    bTerminateRequested = true;
}

TThread::~TThread()
{
    // A started Run is waited for: it works on this object (a derived object
    // waits in its own destructor, before its part is gone).
    WaitQuietly();
}

void TThread::WaitQuietly()
{
    std::unique_lock<std::mutex> lk(mutex);
    if (eStatus.load() == Running) finished.wait(lk, [this] { return eStatus.load() == Finished; });
}

HANDLE TThread::Start()
{
    {
        std::lock_guard<std::mutex> g(mutex);
        if (eStatus.load() != Created) return nullptr;
        eStatus = Running;
    }
    if (!detail::keptThreads().Run(this)) {
        std::lock_guard<std::mutex> g(mutex);
        eStatus = Invalid;
        return nullptr;
    }
    return this;
}

void TThread::Finish(int code)
{
    nExitCode = code;
    // Finished and the notice under the lock: a waiter that sees Finished
    // may destroy the object as soon as it has the lock.
    std::lock_guard<std::mutex> g(mutex);
    eStatus = Finished;
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
    return WAIT_OBJECT_0;
}

int TThread::SetPriority(int priority)
{
    nPriority = priority;
    return 1;
}

}  // namespace win
