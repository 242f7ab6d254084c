// The queue of the user-interface thread, timers and clocks.
#include <chrono>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id gUiThread = std::this_thread::get_id();

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    DWORD due;
    TIMERPROC proc;
    bool queued;
};

std::mutex gQueueLock;
std::deque<MSG> gQueue;
std::vector<Timer> gTimers;
bool gQuitPosted = false;
int gQuitCode = 0;
std::atomic<WaitPollFunction> gWaitPoll{nullptr};

bool matches(const MSG& m, HWND h, UINT lo, UINT hi)
{
    if (h && m.hwnd != h) return false;
    if (lo == 0 && hi == 0) return true;
    return m.message >= lo && m.message <= hi;
}

// Takes the first matching message; synthesises a due WM_TIMER or the quit
// request when nothing else is there. Caller holds gQueueLock.
bool take(MSG* out, HWND h, UINT lo, UINT hi, bool remove)
{
    for (auto it = gQueue.begin(); it != gQueue.end(); ++it) {
        if (!matches(*it, h, lo, hi)) continue;
        if (out) *out = *it;
        if (remove) {
            noteKeyState(*it);
            if (it->message == WM_TIMER)
                for (Timer& t : gTimers)
                    if (t.hwnd == it->hwnd && t.id == it->wParam) t.queued = false;
            gQueue.erase(it);
        }
        return true;
    }
    DWORD now = backend().clockNow();
    for (Timer& t : gTimers) {
        if (t.queued || int32_t(now - t.due) < 0) continue;
        MSG m{t.hwnd, WM_TIMER, t.id, LPARAM(reinterpret_cast<intptr_t>(t.proc)), now, {0, 0}};
        if (!matches(m, h, lo, hi)) continue;
        if (out) *out = m;
        if (remove) t.due = now + t.period;
        return true;
    }
    MSG q{nullptr, WM_QUIT, WPARAM(gQuitCode), 0, now, {0, 0}};
    if (gQuitPosted && (lo == 0 && hi == 0 ? true : (WM_QUIT >= lo && WM_QUIT <= hi))) {
        if (out) *out = q;
        return true;
    }
    return false;
}

}  // namespace

void postInput(const MSG& msg)
{
    {
        std::lock_guard<std::mutex> g(gQueueLock);
        gQueue.push_back(msg);
    }
    backend().queueChanged();
}

void postMouseMove(const MSG& msg)
{
    {
        std::lock_guard<std::mutex> g(gQueueLock);
        if (!gQueue.empty() && gQueue.back().message == WM_MOUSEMOVE && gQueue.back().hwnd == msg.hwnd)
            gQueue.back() = msg;
        else
            gQueue.push_back(msg);
    }
    backend().queueChanged();
}

bool nextTimerDue(DWORD* due)
{
    std::lock_guard<std::mutex> g(gQueueLock);
    bool any = false;
    DWORD first = 0;
    for (const Timer& t : gTimers) {
        if (t.queued) continue;
        if (!any || int32_t(t.due - first) < 0) first = t.due;
        any = true;
    }
    if (any && due) *due = first;
    return any;
}

namespace {
int gDispatchDepth = 0;  // user-interface thread only
}

int dispatchDepth()
{
    return gDispatchDepth;
}

DispatchScope::DispatchScope()
{
    if (IsUserInterfaceThread()) gDispatchDepth++;
}

DispatchScope::~DispatchScope()
{
    if (IsUserInterfaceThread()) gDispatchDepth--;
}

void clearQueue()
{
    std::lock_guard<std::mutex> g(gQueueLock);
    gQueue.clear();
    gTimers.clear();
    gQuitPosted = false;
    gQuitCode = 0;
    clearKeyState();
}

void killWindowTimers(HWND h)
{
    std::lock_guard<std::mutex> g(gQueueLock);
    for (size_t i = gTimers.size(); i-- > 0;)
        if (gTimers[i].hwnd == h) gTimers.erase(gTimers.begin() + long(i));
}

char charOfKeyDown(const MSG& m)
{
    if (m.message != WM_KEYDOWN) return 0;
    // Keys typed as characters carry them in the scan-code field.
    char c = char((uintptr_t(m.lParam) >> 16) & 0xFF);
    if (c) return c;
    UINT vk = UINT(m.wParam);
    if (vk >= 'A' && vk <= 'Z') return char(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return char(vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return char('0' + (vk - VK_NUMPAD0));
    switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_TAB: return '\t';
    case VK_BACK: return 0x08;
    case VK_ADD: return '+';
    case VK_SUBTRACT:
    case VK_OEM_MINUS: return '-';
    case VK_MULTIPLY: return '*';
    case VK_DIVIDE: return '/';
    case VK_DECIMAL:
    case VK_OEM_PERIOD: return '.';
    case VK_OEM_COMMA: return ',';
    case VK_OEM_PLUS: return '=';
    default: return 0;
    }
}

}  // namespace detail

using namespace detail;

bool IsUserInterfaceThread()
{
    return std::this_thread::get_id() == gUiThread;
}

void SetWaitPoll(WaitPollFunction poll)
{
    gWaitPoll.store(poll);
}

WaitPollFunction GetWaitPoll()
{
    return gWaitPoll.load();
}

BOOL PeekMessage(MSG* lpMsg, HWND hWnd, UINT lo, UINT hi, UINT remove)
{
    if (!IsUserInterfaceThread()) return FALSE;
    backend().pollInput(false);
    std::lock_guard<std::mutex> g(gQueueLock);
    return take(lpMsg, hWnd, lo, hi, (remove & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL GetMessage(MSG* lpMsg, HWND hWnd, UINT lo, UINT hi)
{
    if (!IsUserInterfaceThread()) return -1;
    for (;;) {
        backend().pollInput(false);
        {
            std::lock_guard<std::mutex> g(gQueueLock);
            MSG m;
            if (take(&m, hWnd, lo, hi, true)) {
                if (lpMsg) *lpMsg = m;
                if (m.message == WM_QUIT) {
                    gQuitPosted = false;
                    return 0;
                }
                return TRUE;
            }
        }
        if (!backend().pollInput(true)) return -1;
    }
}

BOOL WaitMessage()
{
    if (!IsUserInterfaceThread()) return FALSE;
    for (;;) {
        backend().pollInput(false);
        {
            std::lock_guard<std::mutex> g(gQueueLock);
            if (take(nullptr, nullptr, 0, 0, false)) return TRUE;
        }
        if (!backend().pollInput(true)) return FALSE;
    }
}

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    postInput(MSG{hWnd, Msg, wParam, lParam, backend().clockNow(), {0, 0}});
    return TRUE;
}

LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    WindowData* w = windowData(hWnd);
    if (!w || !w->owner) return 0;
    DispatchScope scope;
    return w->owner->WindowProc(Msg, wParam, lParam);
}

BOOL TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg || lpMsg->message != WM_KEYDOWN) return FALSE;
    char c = charOfKeyDown(*lpMsg);
    if (!c) return FALSE;
    // The character comes next, before the key's release.
    std::lock_guard<std::mutex> g(gQueueLock);
    gQueue.push_front(MSG{lpMsg->hwnd, WM_CHAR, WPARAM(static_cast<unsigned char>(c)), lpMsg->lParam & 0xFFFF,
                          lpMsg->time, lpMsg->pt});
    return TRUE;
}

LRESULT DispatchMessage(const MSG* lpMsg)
{
    if (!lpMsg) return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, lpMsg->time);
        return 0;
    }
    WindowData* w = windowData(lpMsg->hwnd);
    if (!w || !w->owner) return 0;
    DispatchScope scope;
    return w->owner->WindowProc(lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void PostQuitMessage(int nExitCode)
{
    {
        std::lock_guard<std::mutex> g(gQueueLock);
        gQuitPosted = true;
        gQuitCode = nExitCode;
    }
    backend().queueChanged();
}

DWORD GetTickCount()
{
    return backend().tickCount();
}

void Sleep(DWORD ms)
{
    backend().sleep(ms);
}

void GetLocalTime(SYSTEMTIME* st)
{
    if (!st) return;
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    st->wYear = WORD(tm.tm_year + 1900);
    st->wMonth = WORD(tm.tm_mon + 1);
    st->wDayOfWeek = WORD(tm.tm_wday);
    st->wDay = WORD(tm.tm_mday);
    st->wHour = WORD(tm.tm_hour);
    st->wMinute = WORD(tm.tm_min);
    st->wSecond = WORD(tm.tm_sec);
    st->wMilliseconds =
        WORD(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (uElapse == 0) uElapse = 1;
    std::lock_guard<std::mutex> g(gQueueLock);
    DWORD now = backend().clockNow();
    for (Timer& t : gTimers) {
        if (t.hwnd == hWnd && t.id == nIDEvent) {
            t.period = uElapse;
            t.due = now + uElapse;
            t.proc = lpTimerFunc;
            return nIDEvent ? nIDEvent : 1;
        }
    }
    gTimers.push_back(Timer{hWnd, nIDEvent, uElapse, now + uElapse, lpTimerFunc, false});
    return nIDEvent ? nIDEvent : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR id)
{
    std::lock_guard<std::mutex> g(gQueueLock);
    for (size_t i = 0; i < gTimers.size(); i++) {
        if (gTimers[i].hwnd == hWnd && gTimers[i].id == id) {
            gTimers.erase(gTimers.begin() + long(i));
            for (auto it = gQueue.begin(); it != gQueue.end();) {
                if (it->message == WM_TIMER && it->hwnd == hWnd && it->wParam == id)
                    it = gQueue.erase(it);
                else
                    ++it;
            }
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace win
