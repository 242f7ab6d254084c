// The clipboard: text, pictures (metafiles) and bitmaps.
//
// Used as on Windows: OpenClipboard, EmptyClipboard, SetClipboardData with a
// global memory block (GlobalAlloc with GHND) or a bitmap, CloseClipboard.
// The clipboard takes over what it is given. The desktop receives the text as
// plain text, a metafile as SVG and as a PNG image, a bitmap as an image.
//
//   HGLOBAL h = GlobalAlloc(GHND, text.size() + 1);
//   memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
//   GlobalUnlock(h);
//   if (OpenClipboard(hWnd)) {
//       EmptyClipboard();
//       SetClipboardData(CF_TEXT, h);
//       CloseClipboard();
//   }
#pragma once

#include "platform/win_types.h"

namespace win {

inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_METAFILEPICT = 3;

// A picture on the clipboard: a metafile with its mapping mode and its size
// (MM_ISOTROPIC / MM_ANISOTROPIC: the suggested size in 0.01 mm).
struct METAFILEPICT {
    LONG mm;
    LONG xExt;
    LONG yExt;
    HMETAFILE hMF;
};

// FALSE when the clipboard is open already (until CloseClipboard).
BOOL OpenClipboard(HWND hWndNewOwner);
// Discards what the clipboard holds; needs the clipboard open.
BOOL EmptyClipboard();
// CF_TEXT: a global block holding text ended by a zero. CF_METAFILEPICT: a
// global block holding a METAFILEPICT. CF_BITMAP: an HBITMAP. The clipboard
// owns the data afterwards (null when the clipboard is not open or the data
// do not fit the format; the data then stay the caller's).
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// The data in this format (owned by the clipboard, valid until it changes),
// or null. A picture is available as CF_METAFILEPICT only while this
// program's copy is on the clipboard; any image is available as CF_BITMAP.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);
BOOL CloseClipboard();

}  // namespace win
