// Input on the screen while a computation runs on the user-interface thread
// and polls the queue: real Qt key and mouse events reach the queue only;
// no command, accelerator, timer, paint or menu handler runs meanwhile; a key
// stops the computation, also while the thread waits for its workers.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/screen.h"
#include "platform/win.h"
#include "plot/key_polling.h"

using namespace win;

namespace {

int gArgc = 1;
char gName[] = "morvex_tests";
char* gArgv[] = {gName, nullptr};

class QtInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen::start(gArgc, gArgv);
        bInterruptComputation = 0;
    }
    void TearDown() override
    {
        bInterruptComputation = 0;
        screen::stop();
    }
};

const ACCEL runAccelerator[] = {{FVIRTKEY | FCONTROL, 'R', 213}};

class ListWorker : public TThread {
public:
    int nItems = 0;
    std::atomic<int> nDone{0};
    int Run() override
    {
        for (int i = 0; i < nItems && !bInterruptComputation; i++) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            nDone++;
        }
        return 0;
    }
};

// Command 100 runs a computation that polls the keyboard; every handler
// notes when it runs inside it.
class TComputingWindow : public TWindow {
public:
    TComputingWindow() : TWindow(nullptr, "Sedimentation Analysis") {}
    bool bComputing = false;
    std::vector<std::string> during, after;
    std::function<void()> computation;
    int nPaints = 0;

    void note(const std::string& what) { (bComputing ? during : after).push_back(what); }
    LRESULT EvCommand(UINT id, HWND, UINT code) override
    {
        note("command " + std::to_string(id) + " " + std::to_string(code));
        if (id == 100 && computation && !bComputing) {
            bComputing = true;
            computation();
            bComputing = false;
        }
        return 0;
    }
    void EvTimer(UINT id) override { note("timer " + std::to_string(id)); }
    void EvKeyDown(UINT key, UINT, UINT) override { note("key " + std::to_string(key)); }
    void EvLButtonDown(UINT, const POINT&) override { note("click"); }
    void Paint(HDC, bool, RECT&) override
    {
        nPaints++;
        note("paint");
    }
};

void quitSoon(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(0);
}

// Handles the pending input and what it leads to, paints when idle, returns.
void runUntilIdle()
{
    screen::processEvents(30);
    SetTimer(nullptr, 999, 50, quitSoon);
    runMessageLoop();
}

}  // namespace

TEST_F(QtInput, NoHandlerRunsWhileAComputationPollsAndAKeyStopsIt)
{
    TComputingWindow w;
    w.Create();
    HMENU menu = CreateMenu(), data = CreatePopupMenu();
    AppendMenu(data, MF_STRING, 200, "&Load New Files");
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(data), "&Data");
    AppendMenu(menu, MF_STRING, 213, "&Run");
    HACCEL accel = CreateAcceleratorTable(runAccelerator, 1);
    w.SetMenu(menu);
    w.SetAcceleratorTable(accel);
    runUntilIdle();
    w.after.clear();

    // A click, then Ctrl+R (the Run accelerator) while the computation
    // polls: the click is lost, the Ctrl key press stops the computation,
    // and Run never starts. A timer due meanwhile does not tick into it,
    // and the invalidated window is not painted until the program is idle.
    bool bStopped = false;
    int nPaintsBefore = 0;
    w.computation = [&] {
        nPaintsBefore = w.nPaints;
        SetTimer(w.HWindow, 13, 1, nullptr);
        InvalidateRect(w.HWindow, nullptr, TRUE);
        screen::mouse(w.HWindow, WM_LBUTTONDOWN, 40, 40);
        screen::mouse(w.HWindow, WM_LBUTTONUP, 40, 40);
        screen::keyClick(w.HWindow, 'R', screen::Ctrl);
        for (int i = 0; i < 20000 && !bStopped; i++) {
            bStopped = keyPressed();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        KillTimer(w.HWindow, 13);
    };
    PostMessage(w.HWindow, WM_COMMAND, 100, 0);
    runUntilIdle();
    // On a busy machine the idle paint can come after the first idle spell.
    for (int i = 0; i < 40 && w.nPaints == nPaintsBefore; i++) runUntilIdle();
    EXPECT_TRUE(bStopped);
    EXPECT_TRUE(w.during.empty()) << w.during.front();
    EXPECT_EQ(w.after, (std::vector<std::string>{"command 100 0", "paint"}));
    EXPECT_EQ(w.nPaints, nPaintsBefore + 1);

    // The menu bar's mnemonic (Alt+D) opens no menu while the computation
    // polls: Escape afterwards still reaches the computation as a key.
    w.after.clear();
    bStopped = false;
    int nPolls = 0;
    w.computation = [&] {
        screen::keyClick(w.HWindow, 'D', screen::Alt);
        screen::keyClick(w.HWindow, VK_ESCAPE);
        for (nPolls = 0; nPolls < 20000 && !bStopped; nPolls++) {
            bStopped = keyPressed();
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    };
    PostMessage(w.HWindow, WM_COMMAND, 100, 0);
    runUntilIdle();
    EXPECT_TRUE(bStopped);
    EXPECT_TRUE(w.during.empty());
    EXPECT_EQ(w.after, (std::vector<std::string>{"command 100 0"}));
    // Idle again, the same keys are the menu's, and Ctrl+R runs its command.
    screen::keyClick(w.HWindow, 'R', screen::Ctrl);
    runUntilIdle();
    EXPECT_EQ(w.after.back(), "command 213 1");

    // Escape pressed while the interface thread waits for its workers stops
    // them through the stop flag.
    w.after.clear();
    ListWorker workers[3];
    w.computation = [&] {
        for (int k = 1; k <= 2; k++) {
            workers[k].nItems = 200000;
            workers[k].Start();
        }
        screen::keyClick(w.HWindow, VK_ESCAPE);
        for (int k = 1; k <= 2; k++) workers[k].WaitForSelf(TThread::NoLimit);
    };
    PostMessage(w.HWindow, WM_COMMAND, 100, 0);
    runUntilIdle();
    EXPECT_EQ(bInterruptComputation, 1);
    EXPECT_LT(workers[1].nDone, 200000);
    EXPECT_LT(workers[2].nDone, 200000);
    EXPECT_TRUE(w.during.empty());

    // What a computation invalidated is painted once it shows a box.
    w.during.clear();
    int nPaintsInBox = -1;
    w.computation = [&] {
        InvalidateRect(w.HWindow, nullptr, TRUE);
        keyPressed();
        int before = w.nPaints;
        screen::answerNextDialog({IDOK, "", {}});
        MessageBox(w.HWindow, "fit converged", "", MB_OK);
        nPaintsInBox = w.nPaints - before;
    };
    PostMessage(w.HWindow, WM_COMMAND, 100, 0);
    runUntilIdle();
    EXPECT_EQ(nPaintsInBox, 1);

    w.SetMenu(nullptr);
    DestroyMenu(menu);
    DestroyAcceleratorTable(accel);
}
