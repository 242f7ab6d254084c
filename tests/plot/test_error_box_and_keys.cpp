// The error box and the keyboard polling of long computations.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "app/app_globals.h"
#include "numerics/error_stop.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "plot/sound_folder.h"

using namespace win;

namespace {

class KeyWindow : public TWindow {
public:
    KeyWindow() : TWindow(nullptr, "main") {}
    int nDelivered = 0;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        nDelivered++;
        return TWindow::WindowProc(msg, wParam, lParam);
    }
};

bool quitRequested()
{
    MSG m;
    return PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

TEST(ErrorBox, FatalBoxAsksToQuitAfterTheBoxAndTheCallerRunsOn)
{
    clearShownErrorMessages();
    headless::Script script;
    script.expectMessageBox("Error", IDOK).expectMessageBox("Error", IDOK);

    EXPECT_EQ(showErrorMessage("Attention: nothing to fit", 0), IDOK);
    EXPECT_FALSE(quitRequested());

    showErrorMessage("allocation failure in vector()", 1);
    EXPECT_TRUE(quitRequested());
    // The box has no owner, says "Error" and carries the text unchanged.
    std::vector<std::string> lines;
    for (const std::string& s : script.lines())
        if (s.rfind("MessageBox", 0) == 0) lines.push_back(s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "MessageBox \"Error\" \"allocation failure in vector()\" MB_OK|MB_ICONINFORMATION -> IDOK");
    EXPECT_EQ(errorBoxQuitRequests(), 1);

    // Polling for keys afterwards cannot lose the quit request.
    EXPECT_FALSE(keyPressed());
    EXPECT_TRUE(quitRequested());
    clearShownErrorMessages();
}

// A fatal error: error sound, the box, the goodbye sound played to its end,
// then the quit request.
TEST(ErrorBox, FatalErrorSoundsBoxGoodbyeAndQuit)
{
    soundtest::SoundFolder folder(soundtest::programDirectory() + "/sounds");
    countSoundFiles();
    bSound = 1;
    headless::Script script;
    script.expectMessageBox("Error", IDOK);
    showErrorMessage("allocation failure in dvector()", 1);
    std::vector<std::string> lines = script.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0] == "Sound \"error.wav\" SND_ASYNC|SND_NODEFAULT" ||
                lines[0] == "Sound \"error2.wav\" SND_ASYNC|SND_NODEFAULT")
        << lines[0];
    EXPECT_EQ(lines[1], "MessageBox \"Error\" \"allocation failure in dvector()\" MB_OK|MB_ICONINFORMATION -> IDOK");
    EXPECT_EQ(lines[2], "Sound \"bye.wav\" SND_SYNC|SND_NODEFAULT");
    // Played to its end: the clock has moved on by the sound's length.
    EXPECT_GE(headless::virtualTime(), 800u);
    EXPECT_TRUE(quitRequested());

    // Sounds off: the box alone.
    bSound = 0;
    script.expectMessageBox("Error", IDOK);
    showErrorMessage("Singular matrix in routine ludcmp", 0);
    ASSERT_EQ(script.lines().size(), 4u);
    EXPECT_EQ(script.lines()[3].rfind("MessageBox", 0), 0u);
    clearShownErrorMessages();
}

// A solver on a worker thread never opens a box itself: the message waits
// for the user-interface thread.
TEST(ErrorBox, AWorkerLeavesItsMessageForTheInterfaceThread)
{
    clearShownErrorMessages();
    headless::Script script;
    std::thread worker([] { showErrorMessage("Error 1 in tridag", 0); });
    worker.join();
    EXPECT_TRUE(script.lines().empty());
    EXPECT_EQ(deferredErrorMessageCount(), 1);
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(showDeferredErrorMessages(), 1);
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_EQ(script.lines()[0], "MessageBox \"Error\" \"Error 1 in tridag\" MB_OK|MB_ICONINFORMATION -> IDOK");
    clearShownErrorMessages();
}

TEST(KeyPolling, AKeyIsTakenWithItsCharacterAndNothingReachesTheWindow)
{
    KeyWindow w;
    ASSERT_TRUE(w.Create());
    headless::processMessages();
    w.nDelivered = 0;
    PostMessage(w.HWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessage(w.HWindow, WM_KEYDOWN, 'R', 0);
    PostMessage(w.HWindow, WM_CHAR, 'r', 0);
    PostMessage(w.HWindow, WM_KEYUP, 'R', 0);
    EXPECT_FALSE(keyPressed());  // the click, lost
    EXPECT_TRUE(keyPressed());   // the key, with its character and release
    headless::processMessages();
    EXPECT_EQ(w.nDelivered, 0);

    // Limited to one window: another window's key is not taken.
    KeyWindow other;
    ASSERT_TRUE(other.Create());
    PostMessage(other.HWindow, WM_KEYDOWN, 'A', 0);
    PostMessage(other.HWindow, WM_KEYUP, 'A', 0);
    EXPECT_FALSE(windowKeyPressed(&w));
    EXPECT_FALSE(windowKeyPressed(nullptr));
    EXPECT_TRUE(windowKeyPressed(&other));
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(KeyPolling, InterruptOfTheRealtimeUpdate)
{
    KeyWindow w;
    ASSERT_TRUE(w.Create());
    EXPECT_FALSE(checkUserInterrupt(nullptr));
    EXPECT_FALSE(checkUserInterrupt(&w));

    bAbortRequested = 1;
    EXPECT_TRUE(checkUserInterrupt(&w));
    EXPECT_EQ(bAbortRequested, 0);
    EXPECT_FALSE(checkUserInterrupt(&w));

    // Only key messages are taken; a click stays for the window.
    PostMessage(w.HWindow, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessage(w.HWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(checkUserInterrupt(&w));
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_LBUTTONDOWN);
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
}

TEST(KeyPolling, ReadingCharactersAlsoForKeysThatTypeNone)
{
    KeyWindow w;
    ASSERT_TRUE(w.Create());
    headless::Script script;
    int nCode = -5;
    EXPECT_FALSE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, -5);

    script.typeChar('q');
    EXPECT_TRUE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, 'q');
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));

    // A function key types nothing: it is read at once as 0, and the
    // character typed later is left for the next read.
    script.pressKey(VK_F5).typeChar('z', 100);
    EXPECT_TRUE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, 0);
    EXPECT_LT(headless::virtualTime(), 100u);
    headless::advanceTime(200);
    EXPECT_TRUE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, 'z');

    // The echo writes the code at the window's top left corner.
    HDC dc = GetDC(w.HWindow);
    int nDark = 0;
    script.typeChar('a');
    EXPECT_EQ(readKeyAndEcho(&w), 97);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 40; x++)
            if (GetPixel(dc, x, y) == RGB(0, 0, 0)) nDark++;
    EXPECT_GT(nDark, 10);
    ReleaseDC(w.HWindow, dc);
    EXPECT_EQ(readKeyAndEcho(&w), -1);
}

TEST(KeyPolling, WaitsRunOnTheClock)
{
    KeyWindow w;
    ASSERT_TRUE(w.Create());
    DWORD t0 = headless::virtualTime();
    for (float s : {0.0f, -1.0f, NAN, 0.0005f}) waitSeconds(s);
    EXPECT_EQ(headless::virtualTime(), t0);
    waitSeconds(0.25f);
    EXPECT_GE(headless::virtualTime() - t0, 250u);
    EXPECT_LT(headless::virtualTime() - t0, 260u);

    EXPECT_FALSE(waitForKeyOrTimeout(&w, 0.0f));
    t0 = headless::virtualTime();
    EXPECT_FALSE(waitForKeyOrTimeout(&w, 0.1f));
    EXPECT_GE(headless::virtualTime() - t0, 100u);

    headless::Script script;
    script.pressKey(VK_SPACE, 30);
    t0 = headless::virtualTime();
    EXPECT_TRUE(waitForKeyOrTimeout(&w, 1.0f));
    EXPECT_LT(headless::virtualTime() - t0, 100u);
    MSG m;
    EXPECT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));  // the key stays queued
    EXPECT_EQ(m.message, WM_KEYDOWN);
}
