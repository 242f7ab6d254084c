// The error box and the keyboard polling of long computations.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

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
    KeyWindow() : TWindow(nullptr, "main") { Create(); }
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

// A fatal error: error sound, the box, the goodbye sound played to its end,
// then the quit request, which polling for keys cannot take away.
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
    EXPECT_GE(headless::virtualTime(), 800u);  // the clock moved on by the sound's length
    EXPECT_TRUE(quitRequested());
    EXPECT_FALSE(keyPressed());
    EXPECT_TRUE(quitRequested());

    // Not fatal, sounds off: the box alone, no quit.
    headless::reset();
    bSound = 0;
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(showErrorMessage("Singular matrix in routine ludcmp", 0), IDOK);
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_EQ(script.lines()[0].rfind("MessageBox", 0), 0u);
    EXPECT_FALSE(quitRequested());
    clearShownErrorMessages();
}

// A solver on a worker thread never opens a box itself: the message waits
// for the user-interface thread.
TEST(ErrorBox, AWorkerLeavesItsMessageForTheInterfaceThread)
{
    headless::Script script;
    std::thread worker([] { showErrorMessage("Error 1 in tridag", 0); });
    worker.join();
    EXPECT_TRUE(script.lines().empty());
    script.expectMessageBox("Error 1 in tridag", IDOK);
    EXPECT_EQ(showDeferredErrorMessages(), 1);
    clearShownErrorMessages();
}

TEST(KeyPolling, AKeyIsTakenWithItsCharacterAndNothingReachesTheWindow)
{
    KeyWindow w;
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

    // The realtime update's abort flag counts once.
    bAbortRequested = 1;
    EXPECT_TRUE(checkUserInterrupt(&w));
    EXPECT_FALSE(checkUserInterrupt(&w));
}

TEST(KeyPolling, AKeyThatTypesNoCharacterIsReadAtOnce)
{
    headless::Script script;
    script.pressKey(VK_F5).typeChar('z', 100);
    int nCode = -5;
    EXPECT_TRUE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, 0);
    EXPECT_LT(headless::virtualTime(), 100u);  // it did not wait for the next key
    headless::advanceTime(200);
    EXPECT_TRUE(readKeyChar(&nCode));
    EXPECT_EQ(nCode, 'z');
}

// Keys typed ahead are read with their own characters, in their order; a key
// that types none reads as 0; the character is echoed at (5, 5).
TEST(KeyPolling, KeysTypedAheadAreReadInTheirOrder)
{
    KeyWindow w;
    headless::processMessages();
    headless::Script script;
    script.typeText("rs").pressKey(VK_F5).typeChar('x');
    std::vector<int> codes;
    for (int n = 0; n < 20; n++) {
        const int c = readKeyAndEcho(&w);
        if (c != -1) codes.push_back(c);
    }
    EXPECT_EQ(codes, (std::vector<int>{'r', 's', 0, 'x'}));
    HDC dc = GetDC(w.HWindow);
    int nInk = 0;
    for (int y = 5; y < 20; y++)
        for (int x = 5; x < 30; x++)
            if (GetPixel(dc, x, y) != GetPixel(dc, 200, 200)) nInk++;
    ReleaseDC(w.HWindow, dc);
    EXPECT_GT(nInk, 0);
}

TEST(KeyPolling, WaitsRunOnTheClock)
{
    KeyWindow w;
    DWORD t0 = headless::virtualTime();
    for (float s : {0.0f, -1.0f, NAN, 0.0005f}) waitSeconds(s);
    EXPECT_EQ(headless::virtualTime(), t0);
    waitSeconds(0.25f);
    EXPECT_GE(headless::virtualTime() - t0, 250u);
    EXPECT_LT(headless::virtualTime() - t0, 260u);

    headless::Script script;
    script.pressKey(VK_SPACE, 30);
    t0 = headless::virtualTime();
    EXPECT_TRUE(waitForKeyOrTimeout(&w, 1.0f));
    EXPECT_LT(headless::virtualTime() - t0, 100u);
    EXPECT_TRUE(keyPressed());  // the key was left queued
}
