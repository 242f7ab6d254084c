// Windows: the surface, painting, captions, cursors.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/internal.h"

namespace win {
namespace detail {

namespace {

std::mutex gWindowsLock;
std::vector<WindowData*> gWindows;  // in order of creation
int gDefaultWidth = 1400;
int gDefaultHeight = 1000;
HCURSOR gCursor = nullptr;

RECT unite(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

WindowData* windowData(HWND h)
{
    if (!h) return nullptr;
    auto* w = reinterpret_cast<WindowData*>(h);
    std::lock_guard<std::mutex> g(gWindowsLock);
    return std::find(gWindows.begin(), gWindows.end(), w) != gWindows.end() ? w : nullptr;
}

HWND mainWindow()
{
    std::lock_guard<std::mutex> g(gWindowsLock);
    return gWindows.empty() ? nullptr : reinterpret_cast<HWND>(gWindows.front());
}

std::vector<HWND> windows()
{
    std::lock_guard<std::mutex> g(gWindowsLock);
    std::vector<HWND> out;
    for (WindowData* w : gWindows) out.push_back(reinterpret_cast<HWND>(w));
    return out;
}

int defaultClientWidth()
{
    return gDefaultWidth;
}

int defaultClientHeight()
{
    return gDefaultHeight;
}

void setDefaultClientSizeImpl(int w, int h)
{
    gDefaultWidth = std::max(1, w);
    gDefaultHeight = std::max(1, h);
}

void setWindowClientSize(HWND h, int width, int height)
{
    WindowData* w = windowData(h);
    if (!w) return;
    {
        std::lock_guard<std::mutex> g(w->lock);
        w->width = std::max(1, width);
        w->height = std::max(1, height);
        resizeSurface(*w->surface, w->width, w->height);
    }
    InvalidateRect(h, nullptr, TRUE);
}

bool paintWindow(HWND h)
{
    WindowData* w = windowData(h);
    if (!w) return false;
    RECT rc;
    bool erase;
    {
        std::lock_guard<std::mutex> g(w->lock);
        if (!w->bInvalid) return false;
        rc = w->invalid;
        erase = w->bErase;
        w->bInvalid = false;
        w->bErase = false;
    }
    DispatchScope scope;
    DeviceContext* dc = newWindowDC(h, w->surface);
    registerDC(dc);
    setDeviceClip(dc, &rc);
    if (erase) FillRect(handleOf(dc), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (w->owner) w->owner->Paint(handleOf(dc), erase, rc);
    unregisterDC(dc);
    delete dc;
    backend().surfaceChanged(h, rc);
    return true;
}

void paintInvalidWindows()
{
    for (HWND h : windows()) paintWindow(h);
}

}  // namespace detail

using namespace detail;

HDC GetDC(HWND hWnd)
{
    WindowData* w = windowData(hWnd);
    if (!w) return nullptr;
    DeviceContext* dc = newWindowDC(hWnd, w->surface);
    registerDC(dc);
    return handleOf(dc);
}

int ReleaseDC(HWND, HDC hDC)
{
    DeviceContext* dc = deviceContext(hDC);
    if (!dc || dc->isRecording() || isMemoryDC(dc)) return 0;
    unregisterDC(dc);
    delete dc;
    return 1;
}

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    WindowData* w = windowData(hWnd);
    if (!w) return FALSE;
    {
        std::lock_guard<std::mutex> g(w->lock);
        RECT all{0, 0, w->width, w->height};
        RECT r = lpRect ? *lpRect : all;
        r = RECT{std::max(r.left, LONG(0)), std::max(r.top, LONG(0)), std::min(r.right, all.right),
                 std::min(r.bottom, all.bottom)};
        if (r.right <= r.left || r.bottom <= r.top) return TRUE;
        w->invalid = w->bInvalid ? unite(w->invalid, r) : r;
        w->bInvalid = true;
        if (bErase) w->bErase = true;
    }
    backend().invalidated(hWnd);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd)
{
    if (!windowData(hWnd)) return FALSE;
    paintWindow(hWnd);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, RECT* lpRect)
{
    WindowData* w = windowData(hWnd);
    if (!w || !lpRect) return FALSE;
    std::lock_guard<std::mutex> g(w->lock);
    *lpRect = RECT{0, 0, w->width, w->height};
    return TRUE;
}

BOOL SetWindowText(HWND hWnd, LPCSTR lpString)
{
    WindowData* w = windowData(hWnd);
    if (!w) return FALSE;
    w->caption = lpString ? lpString : "";
    headless::transcribe("Caption " + headless::quote(w->caption));
    backend().captionChanged(hWnd);
    return TRUE;
}

int GetWindowText(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    WindowData* w = windowData(hWnd);
    if (!w || !lpString || nMaxCount <= 0) return 0;
    size_t n = std::min(w->caption.size(), size_t(nMaxCount - 1));
    std::memcpy(lpString, w->caption.data(), n);
    lpString[n] = 0;
    return int(n);
}

HCURSOR LoadCursor(HINSTANCE, LPCSTR lpCursorName)
{
    return reinterpret_cast<HCURSOR>(const_cast<char*>(lpCursorName));
}

HCURSOR SetCursor(HCURSOR hCursor)
{
    HCURSOR prev = gCursor;
    gCursor = hCursor;
    if (prev != hCursor) backend().cursorChanged(hCursor);
    return prev;
}

bool saveWindowImage(HWND hWnd, const char* path)
{
    WindowData* w = windowData(hWnd);
    if (!w || !path) return false;
    return saveSurface(*w->surface, path);
}

// ------------------------------------------------------------ TWindow

TWindow::TWindow(TWindow* parent, const char* title) : Parent(parent), szTitle(title ? title : "") {}

TWindow::~TWindow()
{
    if (!HWindow) return;
    HWND h = HWindow;
    backend().windowDestroyed(h);
    killWindowTimers(h);
    destroyAllMenusOf(h);
    WindowData* w = windowData(h);
    {
        std::lock_guard<std::mutex> g(gWindowsLock);
        gWindows.erase(std::remove(gWindows.begin(), gWindows.end(), w), gWindows.end());
    }
    delete w;
    HWindow = nullptr;
}

bool TWindow::Create()
{
    if (HWindow) return true;
    auto* w = new WindowData;
    w->owner = this;
    w->caption = szTitle;
    w->width = defaultClientWidth();
    w->height = defaultClientHeight();
    w->surface = newSurface(w->width, w->height);
    {
        std::lock_guard<std::mutex> g(gWindowsLock);
        gWindows.push_back(w);
    }
    HWindow = reinterpret_cast<HWND>(w);
    backend().windowCreated(HWindow);
    SetupWindow();
    InvalidateRect(HWindow, nullptr, TRUE);
    return true;
}

void TWindow::SetupWindow() {}

void TWindow::Paint(HDC, bool, RECT&) {}

LRESULT TWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    UINT keys = UINT(wParam);
    UINT repeat = LOWORD(uintptr_t(lParam));
    UINT flags = HIWORD(uintptr_t(lParam));
    switch (msg) {
    case WM_COMMAND: return EvCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_TIMER: EvTimer(UINT(wParam)); return 0;
    case WM_LBUTTONDOWN: EvLButtonDown(keys, pt); return 0;
    case WM_LBUTTONUP: EvLButtonUp(keys, pt); return 0;
    case WM_LBUTTONDBLCLK: EvLButtonDblClk(keys, pt); return 0;
    case WM_RBUTTONDOWN: EvRButtonDown(keys, pt); return 0;
    case WM_RBUTTONUP: EvRButtonUp(keys, pt); return 0;
    case WM_RBUTTONDBLCLK: EvRButtonDblClk(keys, pt); return 0;
    case WM_MOUSEMOVE: EvMouseMove(keys, pt); return 0;
    case WM_KEYDOWN: EvKeyDown(UINT(wParam), repeat, flags); return 0;
    case WM_KEYUP: EvKeyUp(UINT(wParam), repeat, flags); return 0;
    case WM_CHAR: EvChar(UINT(wParam), repeat, flags); return 0;
    case WM_DROPFILES: EvDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_HELP: EvHelpRequest(UINT(wParam)); return 0;
    case WM_CLOSE: EvClose(); return 0;
    default: return 0;
    }
}

LRESULT TWindow::EvCommand(UINT, HWND, UINT)
{
    return 0;
}

void TWindow::EvTimer(UINT) {}
void TWindow::EvLButtonDown(UINT, const POINT&) {}
void TWindow::EvLButtonUp(UINT, const POINT&) {}
void TWindow::EvLButtonDblClk(UINT, const POINT&) {}
void TWindow::EvRButtonDown(UINT, const POINT&) {}
void TWindow::EvRButtonUp(UINT, const POINT&) {}
void TWindow::EvRButtonDblClk(UINT, const POINT&) {}
void TWindow::EvMouseMove(UINT, const POINT&) {}
void TWindow::EvKeyDown(UINT, UINT, UINT) {}
void TWindow::EvKeyUp(UINT, UINT, UINT) {}
void TWindow::EvChar(UINT, UINT, UINT) {}

void TWindow::EvDropFiles(HDROP hDrop)
{
    // A window that does not read the files still releases the record.
    DragFinish(hDrop);
}

void TWindow::EvHelpRequest(UINT) {}

void TWindow::EvClose()
{
    // Closing the main window ends the program.
    if (HWindow && HWindow == mainWindow()) PostQuitMessage(0);
}

void TWindow::SetAcceleratorTable(HACCEL hAccel)
{
    WindowData* w = windowData(HWindow);
    if (!w) return;
    w->accel = hAccel;
    backend().menuChanged(HWindow);
}

HACCEL TWindow::GetAcceleratorTable() const
{
    WindowData* w = windowData(HWindow);
    return w ? w->accel : nullptr;
}

void TWindow::SetCaption(const char* title)
{
    szTitle = title ? title : "";
    if (HWindow) win::SetWindowText(HWindow, szTitle.c_str());
}

const char* TWindow::GetCaption() const
{
    return szTitle.c_str();
}

int TWindow::GetClientWidth() const
{
    return GetClientRect().right;
}

int TWindow::GetClientHeight() const
{
    return GetClientRect().bottom;
}

void TWindow::Invalidate(bool erase)
{
    win::InvalidateRect(HWindow, nullptr, erase);
}

void TWindow::InvalidateRect(const RECT& rect, bool erase)
{
    win::InvalidateRect(HWindow, &rect, erase);
}

void TWindow::UpdateWindow()
{
    win::UpdateWindow(HWindow);
}

RECT TWindow::GetClientRect() const
{
    RECT r{0, 0, 0, 0};
    win::GetClientRect(HWindow, &r);
    return r;
}

HDC TWindow::GetDC()
{
    return win::GetDC(HWindow);
}

int TWindow::ReleaseDC(HDC dc)
{
    return win::ReleaseDC(HWindow, dc);
}

HMENU TWindow::GetMenu() const
{
    return win::GetMenu(HWindow);
}

bool TWindow::SetMenu(HMENU menu)
{
    return win::SetMenu(HWindow, menu) != FALSE;
}

UINT_PTR TWindow::SetTimer(UINT_PTR id, UINT ms)
{
    return win::SetTimer(HWindow, id, ms, nullptr);
}

bool TWindow::KillTimer(UINT_PTR id)
{
    return win::KillTimer(HWindow, id) != FALSE;
}

}  // namespace win
