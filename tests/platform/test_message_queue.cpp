// The queue of the user-interface thread: key polling, timers, the quit
// request, and workers stopped by a key while the user-interface thread waits.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win.h"
#include "plot/key_polling.h"

using namespace win;

namespace {

class CountingWindow : public TWindow {
public:
    CountingWindow() : TWindow(nullptr, "main") {}
    int nTimer = 0;
    std::vector<UINT> commands;
    void EvTimer(UINT id) override
    {
        if (id == 13) nTimer++;
    }
    LRESULT EvCommand(UINT id, HWND, UINT) override
    {
        commands.push_back(id);
        return 0;
    }
};

class ListWorker : public TThread {
public:
    int nItems = 0;
    std::atomic<int> nDone{0};
    int Run() override
    {
        SetPriority(2);
        for (int i = 0; i < nItems; i++) {
            if (bInterruptComputation) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            nDone++;
        }
        return 0;
    }
};

}  // namespace

TEST(KeyPolling, NonKeyMessagesAreLostAndAKeyIsDrainedToItsRelease)
{
    headless::Script script;
    EXPECT_FALSE(keyPressed());  // empty queue

    script.mouse(WM_LBUTTONDOWN, 5, 5).pressKey(VK_ESCAPE);
    EXPECT_FALSE(keyPressed());  // the click is taken and lost
    EXPECT_TRUE(keyPressed());
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));  // nor WM_KEYUP nor WM_CHAR is left

    // A typed character: TranslateMessage puts WM_CHAR before the release.
    script.typeChar('r');
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, WPARAM('R'));
    TranslateMessage(&m);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_CHAR);
    EXPECT_EQ(m.wParam, WPARAM('r'));
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYUP);

    // A worker thread never sees the keys; they stay for the interface thread.
    script.pressKey('A');
    bool workerSaw = true;
    std::thread t([&] { workerSaw = keyPressed(); });
    t.join();
    EXPECT_FALSE(workerSaw);
    EXPECT_TRUE(keyPressed());

    // Only key messages of the range are taken with a filter.
    script.command(7).pressKey('B');
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(m.message, WM_KEYDOWN);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_COMMAND);
}

TEST(KeyPolling, AQuitRequestSurvivesPolling)
{
    PostQuitMessage(0);
    EXPECT_FALSE(keyPressed());
    EXPECT_FALSE(keyPressed());
    MSG m;
    EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.message, WM_QUIT);
    // Taken once by the message loop, it is gone; with nothing scripted the
    // loop then learns that nothing more can come.
    EXPECT_EQ(GetMessage(&m, nullptr, 0, 0), -1);
}

TEST(KeyPolling, AKeyStopsTheWorkersThroughTheWaitingThread)
{
    headless::Script script;
    bInterruptComputation = 0;
    // Without a key every worker does all its items.
    {
        ListWorker w[3];
        for (int k = 1; k <= 2; k++) {
            w[k].nItems = 20;
            w[k].Start();
        }
        for (int k = 1; k <= 2; k++) EXPECT_EQ(w[k].WaitForSelf(TThread::NoLimit), WAIT_OBJECT_0);
        EXPECT_EQ(w[1].nDone, 20);
        EXPECT_EQ(w[2].nDone, 20);
        EXPECT_EQ(bInterruptComputation, 0);
        EXPECT_EQ(w[1].GetStatus(), TThread::Finished);
    }
    // A key arriving while the interface thread waits sets the stop flag.
    script.pressKey(VK_ESCAPE, 50);
    ListWorker w[3];
    for (int k = 1; k <= 2; k++) {
        w[k].nItems = 100000;
        w[k].Start();
    }
    for (int k = 1; k <= 2; k++) w[k].WaitForSelf((unsigned long)-1);
    EXPECT_EQ(bInterruptComputation, 1);
    EXPECT_LT(w[1].nDone, 100000);
    EXPECT_LT(w[2].nDone, 100000);
    EXPECT_GE(headless::virtualTime(), 50u);
    bInterruptComputation = 0;

    // A wait with a time-out gives up when the time is over.
    struct Gate : TThread {
        std::atomic<bool> bOpen{false};
        int Run() override
        {
            while (!bOpen) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 7;
        }
    } gate;
    gate.Start();
    EXPECT_EQ(gate.WaitForSelf(30), WAIT_TIMEOUT);
    EXPECT_EQ(gate.GetStatus(), TThread::Running);
    gate.bOpen = true;
    EXPECT_EQ(gate.WaitForSelf(), WAIT_OBJECT_0);
    EXPECT_EQ(gate.GetExitCode(), 7);
}

TEST(Timers, TickOnTheVirtualClockAndReachTheWindow)
{
    CountingWindow w;
    w.Create();
    ASSERT_EQ(w.SetTimer(13, 60000), 13u);
    headless::advanceTime(59999);
    headless::processMessages();
    EXPECT_EQ(w.nTimer, 0);
    headless::advanceTime(1);
    headless::processMessages();
    EXPECT_EQ(w.nTimer, 1);
    // A long pause gives one tick, not one per period missed.
    headless::advanceTime(200000);
    headless::processMessages();
    EXPECT_EQ(w.nTimer, 2);
    EXPECT_TRUE(w.KillTimer(13));
    headless::advanceTime(120000);
    headless::processMessages();
    EXPECT_EQ(w.nTimer, 2);

    // Scripted commands arrive in order; waiting for one lets its time pass.
    headless::Script script;
    script.command(901, 1000).command(902, 1000);
    MSG m;
    DWORD before = headless::virtualTime();
    ASSERT_GT(GetMessage(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.wParam, 901u);
    EXPECT_EQ(headless::virtualTime(), before + 1000);
    DispatchMessage(&m);
    headless::processMessages();
    EXPECT_EQ(w.commands, (std::vector<UINT>{901, 902}));

    // Busy waits on the clock end: every reading takes a virtual millisecond.
    DWORD end = GetTickCount() + 100;
    while (GetTickCount() < end) {
    }
    EXPECT_GE(headless::virtualTime(), end);
}
