// Windows, painting, menus and cursors.
//
// A window's client area is a persistent image, its surface. Painting draws
// into it, and so does any drawing outside painting (GetDC), at any time and
// from any thread; the screen only shows the surface. InvalidateRect
// schedules a paint: the window's Paint runs when the message loop is idle or
// at UpdateWindow, after the invalid part was filled with the background
// (white) when erasing was asked for.
#pragma once

#include <string>

#include "platform/win_input.h"
#include "platform/win_message.h"
#include "platform/win_types.h"

namespace win {

// --- window functions
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
// A null rectangle invalidates the whole client area.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
// Paints now when something is invalid.
BOOL UpdateWindow(HWND hWnd);
BOOL GetClientRect(HWND hWnd, RECT* lpRect);
BOOL SetWindowText(HWND hWnd, LPCSTR lpString);
inline BOOL SetWindowTextA(HWND h, LPCSTR s) { return SetWindowText(h, s); }
int GetWindowText(HWND hWnd, LPSTR lpString, int nMaxCount);
inline int GetWindowTextA(HWND h, LPSTR s, int n) { return GetWindowText(h, s, n); }

// --- menus: data, changed by command id (MF_BYCOMMAND, searching the whole
// tree) or by position in one menu (MF_BYPOSITION)
inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BYPOSITION = 0x0400;
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_ENABLED = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_UNCHECKED = 0x0000;
inline constexpr UINT MF_CHECKED = 0x0008;
inline constexpr UINT MF_POPUP = 0x0010;
inline constexpr UINT MF_MENUBARBREAK = 0x0020;
inline constexpr UINT MF_MENUBREAK = 0x0040;
inline constexpr UINT MF_SEPARATOR = 0x0800;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus.
BOOL DestroyMenu(HMENU hMenu);
// uIDNewItem is the command id, or with MF_POPUP the submenu's handle.
BOOL AppendMenu(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
inline BOOL AppendMenuA(HMENU m, UINT f, UINT_PTR id, LPCSTR s) { return AppendMenu(m, f, id, s); }
// Inserts before the item at uPosition (a command id or a position; a
// position past the end appends).
BOOL InsertMenu(HMENU hMenu, UINT uPosition, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
inline BOOL InsertMenuA(HMENU m, UINT p, UINT f, UINT_PTR id, LPCSTR s) { return InsertMenu(m, p, f, id, s); }
// Takes an item out; a submenu survives RemoveMenu and is destroyed by
// DeleteMenu.
BOOL RemoveMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
BOOL DeleteMenu(HMENU hMenu, UINT uPosition, UINT uFlags);
// Previous state (MF_CHECKED / MF_UNCHECKED), or 0xFFFFFFFF when no such item.
DWORD CheckMenuItem(HMENU hMenu, UINT uIDCheckItem, UINT uCheck);
// Previous state (MF_ENABLED / MF_GRAYED / MF_DISABLED), or -1.
BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable);
// MF_CHECKED, MF_GRAYED, MF_POPUP, ... of the item, or 0xFFFFFFFF.
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);
int GetMenuItemCount(HMENU hMenu);
// The command id at a position; 0xFFFFFFFF for a submenu or none.
UINT GetMenuItemID(HMENU hMenu, int nPos);
HMENU GetSubMenu(HMENU hMenu, int nPos);
int GetMenuString(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT flags);
inline int GetMenuStringA(HMENU m, UINT id, LPSTR s, int n, UINT f) { return GetMenuString(m, id, s, n, f); }
HMENU GetMenu(HWND hWnd);
BOOL SetMenu(HWND hWnd, HMENU hMenu);
BOOL DrawMenuBar(HWND hWnd);

// --- cursors
inline const LPCSTR IDC_ARROW = reinterpret_cast<LPCSTR>(uintptr_t(32512));
inline const LPCSTR IDC_IBEAM = reinterpret_cast<LPCSTR>(uintptr_t(32513));
inline const LPCSTR IDC_WAIT = reinterpret_cast<LPCSTR>(uintptr_t(32514));
inline const LPCSTR IDC_CROSS = reinterpret_cast<LPCSTR>(uintptr_t(32515));
HCURSOR LoadCursor(HINSTANCE hInstance, LPCSTR lpCursorName);
inline HCURSOR LoadCursorA(HINSTANCE h, LPCSTR n) { return LoadCursor(h, n); }
// The previous cursor.
HCURSOR SetCursor(HCURSOR hCursor);

// --- the layer's own helpers

// Saves the window's surface as PNG or BMP (by the path's extension).
bool saveWindowImage(HWND hWnd, const char* path);

// A window. Members that share a name with a window function have a static
// twin with that function's parameters, so that the functions stay callable
// unqualified inside members of derived classes.
class TWindow {
public:
    explicit TWindow(TWindow* parent = nullptr, const char* title = nullptr);
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow();

    HWND HWindow = nullptr;
    TWindow* Parent = nullptr;

    // Makes the window with its surface and runs SetupWindow. The headless
    // window's client area is 1400 x 1000 pixels unless set otherwise.
    bool Create();
    virtual void SetupWindow();
    // Draws the client area; dc draws into the surface in pixels (MM_TEXT),
    // rect is the part to paint, erase tells that it was filled with the
    // background first.
    virtual void Paint(HDC dc, bool erase, RECT& rect);
    // Messages dispatched to the window go to the handlers below (WM_COMMAND
    // to EvCommand, WM_TIMER to EvTimer, mouse and key messages to their Ev...
    // handler); the rest is ignored unless a derived window takes it.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // notifyCode: 0 from a menu, 1 from an accelerator
    virtual LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode);
    virtual void EvTimer(UINT timerId);
    // Mouse: modKeys = MK_* of the message, point in client pixels.
    virtual void EvLButtonDown(UINT modKeys, const POINT& point);
    virtual void EvLButtonUp(UINT modKeys, const POINT& point);
    virtual void EvLButtonDblClk(UINT modKeys, const POINT& point);
    virtual void EvRButtonDown(UINT modKeys, const POINT& point);
    virtual void EvRButtonUp(UINT modKeys, const POINT& point);
    virtual void EvRButtonDblClk(UINT modKeys, const POINT& point);
    virtual void EvMouseMove(UINT modKeys, const POINT& point);
    // Keys: the virtual key (EvChar: the character), the repeat count and
    // HIWORD(lParam) of the message.
    virtual void EvKeyDown(UINT key, UINT repeatCount, UINT flags);
    virtual void EvKeyUp(UINT key, UINT repeatCount, UINT flags);
    virtual void EvChar(UINT key, UINT repeatCount, UINT flags);
    // WM_DROPFILES; the handler ends with DragFinish (the default only does that).
    virtual void EvDropFiles(HDROP hDrop);
    // WM_HELP: F1 was pressed while the menu item of commandId was
    // highlighted; the menu is closed and the command is not sent.
    virtual void EvHelpRequest(UINT commandId);
    // WM_CLOSE (the frame's close button); the default ends the program when
    // this is the main window.
    virtual void EvClose();

    // The table runMessageLoop translates this window's keys with (not owned;
    // null = none). The screen shows it in the menu bar's mnemonics: a menu
    // bar mnemonic that an Alt accelerator uses is dropped.
    void SetAcceleratorTable(HACCEL hAccel);
    HACCEL GetAcceleratorTable() const;

    void SetCaption(const char* title);
    const char* GetCaption() const;
    int GetClientWidth() const;
    int GetClientHeight() const;

    void Invalidate(bool erase = true);
    void InvalidateRect(const RECT& rect, bool erase = true);
    static BOOL InvalidateRect(HWND h, const RECT* r, BOOL e) { return win::InvalidateRect(h, r, e); }
    void UpdateWindow();
    static BOOL UpdateWindow(HWND h) { return win::UpdateWindow(h); }
    RECT GetClientRect() const;
    static BOOL GetClientRect(HWND h, RECT* r) { return win::GetClientRect(h, r); }
    // A context drawing into the surface in pixels; give it back with ReleaseDC.
    HDC GetDC();
    static HDC GetDC(HWND h) { return win::GetDC(h); }
    int ReleaseDC(HDC dc);
    static int ReleaseDC(HWND h, HDC dc) { return win::ReleaseDC(h, dc); }
    HMENU GetMenu() const;
    static HMENU GetMenu(HWND h) { return win::GetMenu(h); }
    bool SetMenu(HMENU menu);
    static BOOL SetMenu(HWND h, HMENU m) { return win::SetMenu(h, m); }
    UINT_PTR SetTimer(UINT_PTR id, UINT ms);
    static UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT ms, TIMERPROC f) { return win::SetTimer(h, id, ms, f); }
    bool KillTimer(UINT_PTR id);
    static BOOL KillTimer(HWND h, UINT_PTR id) { return win::KillTimer(h, id); }

private:
    std::string szTitle;
};

}  // namespace win
