// Keyboard accelerators, the key state, dropped files and the message loop.
#pragma once

#include "platform/win_types.h"

namespace win {

struct HACCEL__;
struct HDROP__;
using HACCEL = HACCEL__*;
using HDROP = HDROP__*;

// --- accelerators
inline constexpr BYTE FVIRTKEY = 0x01;  // key is a virtual key, else a character
inline constexpr BYTE FNOINVERT = 0x02;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

HACCEL CreateAcceleratorTable(const ACCEL* paccel, int cAccel);
inline HACCEL CreateAcceleratorTableA(const ACCEL* p, int n) { return CreateAcceleratorTable(p, n); }
BOOL DestroyAcceleratorTable(HACCEL hAccel);
// Copies up to cAccelEntries entries; with a null destination, the number of
// entries.
int CopyAcceleratorTable(HACCEL hAccelSrc, ACCEL* lpAccelDst, int cAccelEntries);
inline int CopyAcceleratorTableA(HACCEL h, ACCEL* p, int n) { return CopyAcceleratorTable(h, p, n); }
// A key press (WM_KEYDOWN, WM_SYSKEYDOWN; WM_CHAR, WM_SYSCHAR for character
// entries) that matches an entry, with exactly the entry's Shift, Ctrl and Alt
// held, is sent to the window as WM_COMMAND (HIWORD(wParam) = 1) and the
// function returns non-zero: the caller must not dispatch the key. An entry
// whose menu item in the window's menu is grayed or disabled sends nothing.
int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, MSG* lpMsg);
inline int TranslateAcceleratorA(HWND h, HACCEL a, MSG* m) { return TranslateAccelerator(h, a, m); }

// Down (bit 15 set, a negative value) or up, as of the last key or mouse
// message taken from the queue, as on Windows.
short GetKeyState(int nVirtKey);

// --- dropped files (WM_DROPFILES, wParam = the HDROP)
void DragAcceptFiles(HWND hWnd, BOOL fAccept);
// iFile 0xFFFFFFFF: the number of files. A null buffer: the length of name
// iFile. Else copies at most cch - 1 characters and returns how many.
UINT DragQueryFile(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
inline UINT DragQueryFileA(HDROP h, UINT i, LPSTR s, UINT n) { return DragQueryFile(h, i, s, n); }
// The client point of the drop; TRUE when it lies in the client area.
BOOL DragQueryPoint(HDROP hDrop, POINT* lppt);
// Releases the drop record; every WM_DROPFILES handler calls it.
void DragFinish(HDROP hDrop);

// --- the layer's own helpers

// The program's message loop: takes each message, lets the accelerator table
// of its window (TWindow::SetAcceleratorTable) translate it, then translates
// and dispatches it; paints invalid windows whenever the queue runs empty.
// Returns the code given to PostQuitMessage (0 when, headless, nothing can
// arrive any more).
int runMessageLoop();

}  // namespace win
