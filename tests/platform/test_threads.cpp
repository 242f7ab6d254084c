// Worker threads: the threads behind TThread objects are kept from one Start
// to the next, every started object still runs at once beside the others,
// and a quiet wait leaves the user-interface thread's queue alone.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "app/app_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/key_polling.h"

using namespace win;

namespace {

// Records the thread it ran on; with a meeting count, waits (at most 10 s)
// until that many objects are running at the same time.
class Recorder : public TThread {
public:
    std::thread::id id;
    std::atomic<int>* pArrived = nullptr;
    int nMeeting = 0;
    bool bMet = true;
    ~Recorder() override { WaitQuietly(); }
    int Run() override
    {
        id = std::this_thread::get_id();
        if (pArrived) {
            ++*pArrived;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (pArrived->load() < nMeeting && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            bMet = pArrived->load() >= nMeeting;
        }
        return 3;
    }
};

// Runs until its gate opens.
class Gate : public TThread {
public:
    std::atomic<bool> bOpen{false};
    ~Gate() override { WaitQuietly(); }
    int Run() override
    {
        while (!bOpen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 5;
    }
};

std::set<std::thread::id> runRound(int n)
{
    std::set<std::thread::id> ids;
    std::atomic<int> arrived{0};
    std::vector<Recorder> w(n);
    for (Recorder& r : w) {
        r.pArrived = &arrived;
        r.nMeeting = n;
        EXPECT_NE(r.Start(), nullptr);
    }
    for (Recorder& r : w) {
        EXPECT_EQ(r.WaitForSelf(), WAIT_OBJECT_0);
        EXPECT_EQ(r.GetExitCode(), 3);
        EXPECT_TRUE(r.bMet) << "a started object waited for another to end";
        ids.insert(r.id);
    }
    return ids;
}

}  // namespace

// Eight objects meet while running (each runs at once, on a thread of its
// own); the next rounds of eight and of three run on those same threads and
// make none; a round of ten adds two. Released, the threads are gone and the
// next start makes a new one.
TEST(Threads, KeptForTheNextStartAndEachStartedObjectRunsAtOnce)
{
    EXPECT_EQ(keptThreadCount(), 0);  // every test starts without
    const std::set<std::thread::id> first = runRound(8);
    EXPECT_EQ(first.size(), 8u);
    EXPECT_EQ(first.count(std::this_thread::get_id()), 0u);
    EXPECT_EQ(keptThreadCount(), 8);
    for (int n : {8, 3}) {
        SCOPED_TRACE(n);
        const std::set<std::thread::id> again = runRound(n);
        EXPECT_EQ(again.size(), static_cast<size_t>(n));
        for (const std::thread::id& id : again) EXPECT_EQ(first.count(id), 1u) << "a thread made anew";
        EXPECT_EQ(keptThreadCount(), 8);
    }
    EXPECT_EQ(runRound(10).size(), 10u);
    EXPECT_EQ(keptThreadCount(), 10);

    releaseKeptThreads();
    EXPECT_EQ(keptThreadCount(), 0);
    const std::set<std::thread::id> after = runRound(1);
    EXPECT_EQ(after.size(), 1u);
    EXPECT_EQ(keptThreadCount(), 1);
}

// Released while one of them runs: the running one finishes its Run and
// ends, the release does not wait for it, and later starts get new threads.
TEST(Threads, AReleaseLetsARunningObjectFinish)
{
    Gate gate;
    ASSERT_NE(gate.Start(), nullptr);
    releaseKeptThreads();
    EXPECT_EQ(keptThreadCount(), 0);
    EXPECT_EQ(gate.GetStatus(), TThread::Running);
    gate.bOpen = true;
    EXPECT_EQ(gate.WaitForSelf(), WAIT_OBJECT_0);
    EXPECT_EQ(gate.GetExitCode(), 5);
    EXPECT_EQ(runRound(2).size(), 2u);
    releaseKeptThreads();
    EXPECT_EQ(keptThreadCount(), 0);
}

// WaitForSelf on the user-interface thread takes a queued key (a key stops
// the workers) and moves the headless clock by its slices; WaitQuietly takes
// nothing and moves nothing. An object never started needs no wait.
TEST(Threads, AQuietWaitLeavesTheQueueAndTheClock)
{
    headless::Script script;
    bInterruptComputation = 0;
    script.pressKey('Q');
    {
        Gate gate;
        ASSERT_NE(gate.Start(), nullptr);
        std::thread opener([&gate] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            gate.bOpen = true;
        });
        const unsigned long t0 = headless::virtualTime();
        gate.WaitQuietly();
        opener.join();
        EXPECT_EQ(gate.GetStatus(), TThread::Finished);
        EXPECT_EQ(headless::virtualTime(), t0);
        EXPECT_EQ(bInterruptComputation.load(), 0);
    }
    {
        Gate gate;
        ASSERT_NE(gate.Start(), nullptr);
        gate.bOpen = true;
        EXPECT_EQ(gate.WaitForSelf(), WAIT_OBJECT_0);
        EXPECT_EQ(bInterruptComputation.load(), 1);  // the key, taken by the wait
        EXPECT_FALSE(keyPressed());
    }
    bInterruptComputation = 0;
    Gate never;
    never.WaitQuietly();
    EXPECT_EQ(never.GetStatus(), TThread::Created);
}
