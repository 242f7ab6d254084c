// Basic types, handles, records and constants of the window layer.
//
// Names, layouts and numeric values are those the system's code was written
// against, so that code reads the same as it did on Windows. Handles are
// opaque pointers; what they point to lives inside the layer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace win {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using INT = int;
using CHAR = char;
using SIZE_T = size_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = DWORD;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using HFILE = int;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline constexpr int MAX_PATH = 260;

// Handles. Every GDI object handle converts to HGDIOBJ, as on Windows.
using HANDLE = void*;
using HGDIOBJ = void*;
using HGLOBAL = void*;
struct HWND__;
struct HDC__;
struct HPEN__;
struct HBRUSH__;
struct HFONT__;
struct HBITMAP__;
struct HMETAFILE__;
struct HMENU__;
struct HINSTANCE__;
struct HCURSOR__;
using HWND = HWND__*;
using HDC = HDC__*;
using HPEN = HPEN__*;
using HBRUSH = HBRUSH__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HMETAFILE = HMETAFILE__*;
using HMENU = HMENU__*;
using HINSTANCE = HINSTANCE__*;
using HCURSOR = HCURSOR__*;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t(-1));

struct POINT {
    LONG x;
    LONG y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

// 100-ns intervals since 1 January 1601 (UTC), low half first.
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// Colours are 0x00bbggrr.
constexpr COLORREF RGB(int r, int g, int b)
{
    return COLORREF(BYTE(r)) | (COLORREF(BYTE(g)) << 8) | (COLORREF(BYTE(b)) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c & 0xff); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE((c >> 8) & 0xff); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE((c >> 16) & 0xff); }

constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xffff); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xffff); }
constexpr LONG MAKELONG(WORD lo, WORD hi) { return LONG(DWORD(lo) | (DWORD(hi) << 16)); }
constexpr LPARAM MAKELPARAM(int lo, int hi) { return LPARAM(MAKELONG(WORD(lo), WORD(hi))); }
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return WPARAM(DWORD(MAKELONG(WORD(lo), WORD(hi)))); }
// Signed client coordinates of a mouse message.
constexpr int GET_X_LPARAM(LPARAM l) { return int(int16_t(LOWORD(uintptr_t(l)))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return int(int16_t(HIWORD(uintptr_t(l)))); }

}  // namespace win
