// Tables as tab-separated text on the clipboard.
#include "app/clipboard_text.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/xla_window.h"
#include "platform/win.h"

using namespace win;

bool putTextOnClipboard(TXLAWindow* pWindow, const float* pX, float* const* pY, int nFirst, int nLast, int nY, int)
{
    if (!pX || nLast < nFirst || nY < 0 || (nY > 0 && !pY)) return false;
    std::string text;
    char sz[32];
    for (int i = nFirst; i <= nLast; ++i) {
        std::snprintf(sz, sizeof sz, "%g", static_cast<double>(pX[i]));
        text += sz;
        for (int k = 0; k < nY; ++k) {
            std::snprintf(sz, sizeof sz, "\t%g", pY[k] ? static_cast<double>(pY[k][i]) : 0.0);
            text += sz;
        }
        text += "\n";
    }
    return putStringOnClipboard(pWindow, text);
}

bool putStringOnClipboard(TXLAWindow* pWindow, const std::string& text)
{
    HGLOBAL h = GlobalAlloc(GHND, text.size() + 1);
    if (!h) return false;
    std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
    GlobalUnlock(h);
    if (!OpenClipboard(pWindow ? pWindow->HWindow : nullptr)) {
        GlobalFree(h);
        return false;
    }
    EmptyClipboard();
    bool ok = SetClipboardData(CF_TEXT, h) != nullptr;
    if (!ok) GlobalFree(h);
    CloseClipboard();
    return ok;
}
