#include "plot/key_polling.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "app/app_globals.h"
#include "platform/win.h"

std::atomic<unsigned char> bInterruptComputation{0};

using namespace win;

namespace {

HWND windowHandle(TWindow* window) { return window ? window->HWindow : nullptr; }

// Whole milliseconds of a positive span in seconds, kept inside what the
// 32-bit clock can wait for.
DWORD millisecondsOf(float fSeconds)
{
    double dMs = double(fSeconds) * 1000.0;
    if (!(dMs > 0.0)) return 0;
    if (dMs > 2147483647.0) return 2147483647u;
    return DWORD(dMs);
}

bool clockReached(DWORD now, DWORD end) { return int32_t(now - end) >= 0; }

// Input messages: keys, mouse, commands and timers, but never the quit
// request, which has to stay posted for the message loop.
constexpr UINT WM_INPUTFIRST = WM_KEYFIRST;
constexpr UINT WM_INPUTLAST = 0xFFFF;

// After a key-down has been taken: removes messages of the window (null: of
// any window) until the message given has been removed, waiting while the
// queue is empty. False when nothing more can ever arrive.
bool consumeUntil(HWND hWnd, UINT message, MSG* pFound)
{
    MSG msg;
    for (;;) {
        if (GetMessage(&msg, hWnd, WM_INPUTFIRST, WM_INPUTLAST) <= 0) return false;
        if (msg.message == message) {
            if (pFound) *pFound = msg;
            return true;
        }
    }
}

// keyPressed with an optional window filter.
bool keyPressedFor(HWND hWnd)
{
    MSG msg;
    if (!PeekMessage(&msg, hWnd, 0, 0, PM_REMOVE)) return false;
    if (msg.message != WM_KEYDOWN) return false;
    consumeUntil(hWnd, WM_KEYUP, nullptr);
    return true;
}

}  // namespace

// Takes one message off the queue without dispatching it. Anything but a key
// press is lost; a key press is consumed up to its release, so neither its
// character nor its release reaches a window afterwards.
bool keyPressed() { return keyPressedFor(nullptr); }

bool checkUserInterrupt(TWindow* window)
{
    HWND hWnd = windowHandle(window);
    if (!hWnd) return false;
    MSG msg;
    bool bKey = PeekMessage(&msg, hWnd, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) != FALSE;
    if (bKey || bAbortRequested) {
        bAbortRequested = 0;
        return true;
    }
    return false;
}

bool windowKeyPressed(TWindow* window)
{
    HWND hWnd = windowHandle(window);
    if (!hWnd) return false;
    return keyPressedFor(hWnd);
}

bool waitForKeyOrTimeout(TWindow* window, float fSeconds)
{
    if (!(fSeconds > 0.0f)) return false;
    HWND hWnd = windowHandle(window);
    DWORD end = GetTickCount() + millisecondsOf(fSeconds);
    for (;;) {
        if (hWnd) {
            MSG msg;
            if (PeekMessage(&msg, hWnd, 0, 0, PM_NOREMOVE) && msg.message == WM_KEYDOWN) return true;
        }
        if (clockReached(GetTickCount(), end)) return false;
        std::this_thread::yield();
    }
}

bool readKeyChar(int* pnCode)
{
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message != WM_KEYDOWN) return false;
    int nCode = 0;
    // A key that types no character (an arrow, a function key) has no
    // WM_CHAR to wait for: waiting for one would hang until another key.
    if (TranslateMessage(&msg)) {
        MSG ch;
        if (consumeUntil(nullptr, WM_CHAR, &ch)) nCode = int(ch.wParam);
    }
    consumeUntil(nullptr, WM_KEYUP, nullptr);
    if (pnCode) *pnCode = nCode;
    return true;
}

int readKeyAndEcho(TWindow* window)
{
    HWND hWnd = windowHandle(window);
    MSG msg;
    if (!PeekMessage(&msg, hWnd, 0, 0, PM_REMOVE)) return -1;
    if (msg.message != WM_KEYDOWN) return -1;
    // The key's character comes next in the queue (a key that types none has
    // none); taking it straight away keeps the keys typed ahead in their order.
    signed char cCode = 0;
    if (TranslateMessage(&msg)) {
        MSG ch;
        if (PeekMessage(&ch, msg.hwnd, WM_CHAR, WM_CHAR, PM_REMOVE)) cCode = static_cast<signed char>(ch.wParam);
    }
    if (hWnd) {
        char szText[16];
        std::snprintf(szText, sizeof szText, "%d", int(cCode));
        HDC dc = GetDC(hWnd);
        TextOut(dc, 5, 5, szText, int(std::strlen(szText)));
        ReleaseDC(hWnd, dc);
    }
    return cCode;
}

int waitForKeyAndEcho(TWindow* window)
{
    const HWND hWnd = windowHandle(window);
    for (;;) {
        MSG msg;
        if (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (msg.message == WM_QUIT || msg.message == WM_CLOSE) return -1;
            if (hWnd && msg.hwnd != hWnd) {
                PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
                continue;
            }
            const int c = readKeyAndEcho(window);
            if (c != -1) return c;
            continue;
        }
        if (!WaitMessage()) return -1;
    }
}

bool windowCloseQueued()
{
    MSG msg;
    return PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && (msg.message == WM_QUIT || msg.message == WM_CLOSE);
}

void waitSeconds(float fSeconds)
{
    DWORD nMs = millisecondsOf(fSeconds);
    if (nMs == 0) return;
    DWORD end = GetTickCount() + nMs;
    while (!clockReached(GetTickCount(), end)) std::this_thread::yield();
}

namespace {

// While the user-interface thread waits for worker threads it polls the
// keyboard the same way, so a key press stops the workers' computation.
void pollWhileWaiting()
{
    if (!bInterruptComputation.load() && keyPressed()) bInterruptComputation = 1;
}

[[maybe_unused]] const bool bWaitPollRegistered = (SetWaitPoll(&pollWhileWaiting), true);

}  // namespace
