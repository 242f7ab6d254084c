// Accelerator tables, the key state, dropped files and the message loop.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

struct AccelTable {
    std::vector<ACCEL> entries;
};

struct DropData {
    std::vector<std::string> paths;
    POINT pt{0, 0};
    bool bInClient = true;
};

std::mutex gInputLock;  // the live sets below
std::unordered_set<AccelTable*>& liveTables()
{
    static std::unordered_set<AccelTable*> s;
    return s;
}
std::unordered_set<DropData*>& liveDrops()
{
    static std::unordered_set<DropData*> s;
    return s;
}

// Down keys as the messages taken from the queue left them.
std::atomic<bool> gKeyDown[256];

AccelTable* tableOf(HACCEL h)
{
    auto* t = reinterpret_cast<AccelTable*>(h);
    return t && liveTables().count(t) ? t : nullptr;
}

DropData* dropOf(HDROP h)
{
    auto* d = reinterpret_cast<DropData*>(h);
    return d && liveDrops().count(d) ? d : nullptr;
}

bool down(int vk)
{
    return gKeyDown[vk & 0xFF].load();
}

}  // namespace

void noteKeyState(const MSG& m)
{
    switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: gKeyDown[m.wParam & 0xFF] = true; break;
    case WM_KEYUP:
    case WM_SYSKEYUP: gKeyDown[m.wParam & 0xFF] = false; break;
    default:
        if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST && m.message != WM_MOUSEWHEEL) {
            UINT k = UINT(m.wParam);
            gKeyDown[VK_LBUTTON] = (k & MK_LBUTTON) != 0;
            gKeyDown[VK_RBUTTON] = (k & MK_RBUTTON) != 0;
            gKeyDown[VK_SHIFT] = (k & MK_SHIFT) != 0;
            gKeyDown[VK_CONTROL] = (k & MK_CONTROL) != 0;
        }
        break;
    }
}

void clearKeyState()
{
    for (auto& k : gKeyDown) k = false;
}

HDROP newDrop(const std::vector<std::string>& paths, POINT pt, bool inClient)
{
    auto* d = new DropData{paths, pt, inClient};
    std::lock_guard<std::mutex> g(gInputLock);
    liveDrops().insert(d);
    return reinterpret_cast<HDROP>(d);
}

}  // namespace detail

using namespace detail;

HACCEL CreateAcceleratorTable(const ACCEL* paccel, int cAccel)
{
    if (!paccel || cAccel <= 0) return nullptr;
    auto* t = new AccelTable;
    t->entries.assign(paccel, paccel + cAccel);
    std::lock_guard<std::mutex> g(gInputLock);
    liveTables().insert(t);
    return reinterpret_cast<HACCEL>(t);
}

BOOL DestroyAcceleratorTable(HACCEL hAccel)
{
    std::lock_guard<std::mutex> g(gInputLock);
    AccelTable* t = tableOf(hAccel);
    if (!t) return FALSE;
    liveTables().erase(t);
    delete t;
    return TRUE;
}

int CopyAcceleratorTable(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries)
{
    std::lock_guard<std::mutex> g(gInputLock);
    AccelTable* t = tableOf(hAccelSrc);
    if (!t) return 0;
    if (!lpAccelDst) return int(t->entries.size());
    int n = std::min(cAccelEntries, int(t->entries.size()));
    for (int i = 0; i < n; i++) lpAccelDst[i] = t->entries[size_t(i)];
    return std::max(n, 0);
}

int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, MSG* lpMsg)
{
    if (!lpMsg || !hWnd) return 0;
    UINT msg = lpMsg->message;
    bool virtKey = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    bool character = msg == WM_CHAR || msg == WM_SYSCHAR;
    if (!virtKey && !character) return 0;
    bool shift = down(VK_SHIFT), ctrl = down(VK_CONTROL);
    bool alt = down(VK_MENU) || (uintptr_t(lpMsg->lParam) & (1u << 29)) != 0;
    WORD cmd = 0;
    bool found = false;
    {
        std::lock_guard<std::mutex> g(gInputLock);
        AccelTable* t = tableOf(hAccTable);
        if (!t) return 0;
        for (const ACCEL& a : t->entries) {
            if (virtKey != ((a.fVirt & FVIRTKEY) != 0)) continue;
            if (a.key != (lpMsg->wParam & 0xFFFF)) continue;
            if (virtKey) {
                if (bool(a.fVirt & FSHIFT) != shift || bool(a.fVirt & FCONTROL) != ctrl ||
                    bool(a.fVirt & FALT) != alt)
                    continue;
            } else if (bool(a.fVirt & FALT) != (msg == WM_SYSCHAR)) {
                continue;
            }
            cmd = a.cmd;
            found = true;
            break;
        }
    }
    if (!found) return 0;
    // A command whose menu item is grayed is not sent; the key is used up all the same.
    UINT state = GetMenuState(GetMenu(hWnd), cmd, MF_BYCOMMAND);
    if (state != 0xFFFFFFFFu && (state & (MF_GRAYED | MF_DISABLED))) return 1;
    SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(cmd, 1), 0);
    return 1;
}

short GetKeyState(int nVirtKey)
{
    return down(nVirtKey) ? short(0x8000) : short(0);
}

void DragAcceptFiles(HWND hWnd, BOOL fAccept)
{
    WindowData* w = windowData(hWnd);
    if (!w) return;
    w->bAcceptFiles = fAccept != FALSE;
    backend().dropTargetChanged(hWnd);
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch)
{
    std::lock_guard<std::mutex> g(gInputLock);
    DropData* d = dropOf(hDrop);
    if (!d) return 0;
    if (iFile == 0xFFFFFFFFu) return UINT(d->paths.size());
    if (iFile >= d->paths.size()) return 0;
    const std::string& p = d->paths[iFile];
    if (!lpszFile) return UINT(p.size());
    if (cch == 0) return 0;
    size_t n = std::min<size_t>(p.size(), cch - 1);
    std::memcpy(lpszFile, p.data(), n);
    lpszFile[n] = 0;
    return UINT(n);
}

BOOL DragQueryPoint(HDROP hDrop, POINT* lppt)
{
    std::lock_guard<std::mutex> g(gInputLock);
    DropData* d = dropOf(hDrop);
    if (!d || !lppt) return FALSE;
    *lppt = d->pt;
    return d->bInClient ? TRUE : FALSE;
}

void DragFinish(HDROP hDrop)
{
    std::lock_guard<std::mutex> g(gInputLock);
    DropData* d = dropOf(hDrop);
    if (!d) return;
    liveDrops().erase(d);
    delete d;
}

int runMessageLoop()
{
    MSG m;
    for (;;) {
        // Idle: what is invalid is painted before waiting.
        if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) paintInvalidWindows();
        BOOL r = GetMessage(&m, nullptr, 0, 0);
        if (r == 0) return int(m.wParam);
        if (r < 0) return 0;
        WindowData* w = windowData(m.hwnd);
        if (w && w->accel && TranslateAccelerator(m.hwnd, w->accel, &m)) continue;
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
}

}  // namespace win
