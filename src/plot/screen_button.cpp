#include "plot/screen_button.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "app/xla_window.h"
#include "plot/cwinplot.h"

using namespace win;

namespace {

HFONT hButtonFont = nullptr;
HFONT hButtonFontHeavy = nullptr;

HFONT makeButtonFont(int nWeight)
{
    return CreateFontA(16, 0, 0, 0, nWeight, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                       PROOF_QUALITY, FF_SWISS | DEFAULT_PITCH, nullptr);
}

void copyCaption(char* szTo, int nCapacity, const char* szFrom, int n)
{
    int nMax = nCapacity - 1;
    if (n > nMax) n = nMax;
    int k = 0;
    if (szFrom)
        while (k < n && szFrom[k]) {
            szTo[k] = szFrom[k];
            k++;
        }
    szTo[k] = 0;
}

void line(HDC dc, int x1, int y1, int x2, int y2)
{
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

// Logical units of the 1399 x 1000 window to client pixels.
int pixelX(float v, float fWidth)
{
    return int(std::floor(double(v) * fWidth / (double(fPlotXScale) * double(fThousand))));
}

int pixelY(float v, float fHeight)
{
    return int(std::floor(double(v) * fHeight / 1000.0));
}

}  // namespace

HFONT screenButtonFont(bool bHeavy)
{
    if (bHeavy) {
        if (!hButtonFontHeavy) hButtonFontHeavy = makeButtonFont(FW_HEAVY);
        return hButtonFontHeavy;
    }
    if (!hButtonFont) hButtonFont = makeButtonFont(FW_NORMAL);
    return hButtonFont;
}

CScreenButton::CScreenButton()
    : nButtonType(2), bOn(0), bFlat(0), bBaselineText(0), bBaselineRaised(0), bHidden(0), pszOffText(nullptr),
      pszOnText(nullptr), nTextCapacity(1000), crLight(RGB(220, 220, 220)), crDark(RGB(100, 100, 100)),
      crMid(RGB(150, 150, 150)), crFace(RGB(200, 200, 200)), crOn(RGB(230, 230, 230)), crText(RGB(0, 0, 150)),
      bAltFont(0), hFace(nullptr), bHasFace(0), nRight(0), nLeft(0), nTop(0), nBottom(0), nMarkX(0), nMarkY(0),
      nMarkRadius(0), crMarkDot(0), bHasBackground(0), hBackground(nullptr)
{
    pszOffText = new char[size_t(nTextCapacity) + 1];
    pszOnText = new char[size_t(nTextCapacity) + 1];
    std::strcpy(pszOffText, "ScreenButton");
    std::strcpy(pszOnText, "ON STATE");
}

CScreenButton::~CScreenButton()
{
    delete[] pszOffText;
    delete[] pszOnText;
    if (bHasFace && hFace) DeleteMetaFile(hFace);
    if (hBackground) DeleteObject(hBackground);
}

void CScreenButton::SetRect(float top, float left, float bottom, float right)
{
    nTop = int(std::floor(top));
    nLeft = int(std::floor(left));
    nBottom = int(std::floor(bottom));
    nRight = int(std::floor(right));
}

void CScreenButton::SetText(const char* szOff, int nOff, const char* szOn, int nOn)
{
    copyCaption(pszOffText, nTextCapacity, szOff, nOff);
    copyCaption(pszOnText, nTextCapacity, szOn, nOn);
}

void CScreenButton::Toggle()
{
    bOn = !bOn;
    Render();
}

bool CScreenButton::HitTest(float x, float y)
{
    if (bHidden) return false;
    // the same single-precision product as the callers' conversions, so that a
    // click on a button's edge hits it
    const float xl = fPlotXScale * x;
    auto between = [](float v, int a, int b) { return (v >= float(a) && v <= float(b)) || (v >= float(b) && v <= float(a)); };
    if (nLeft == nRight || !between(xl, nLeft, nRight) || !between(y, nTop, nBottom)) return false;
    if (nButtonType == 2) Toggle();
    return true;
}

bool CScreenButton::DrawFace(HDC dc)
{
    if (bHidden) return true;
    HGDIOBJ hOldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    HGDIOBJ hOldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(NULL_PEN));

    HBRUSH hBrush = CreateSolidBrush(bFlat ? RGB(255, 255, 255) : bOn ? crOn : crFace);
    SelectObject(dc, hBrush);
    Rectangle(dc, nLeft + 1, nBottom + 1, nRight, nTop);

    HPEN hPen = nullptr;
    auto usePen = [&](COLORREF cr) {
        HPEN h = CreatePen(PS_SOLID, 1, cr);
        SelectObject(dc, h);
        if (hPen) DeleteObject(hPen);
        hPen = h;
    };
    if (bFlat) {
        usePen(crFace);
        MoveToEx(dc, nRight, nTop, nullptr);
        LineTo(dc, nRight, nBottom);
        LineTo(dc, nLeft, nBottom);
        LineTo(dc, nLeft, nTop);
        LineTo(dc, nRight, nTop);
        MoveToEx(dc, nRight - 1, nTop - 1, nullptr);
        LineTo(dc, nRight - 1, nBottom + 1);
        LineTo(dc, nLeft + 1, nBottom + 1);
        LineTo(dc, nLeft + 1, nTop - 1);
        LineTo(dc, nRight - 1, nTop - 1);
    } else {
        usePen(crLight);
        line(dc, nRight, nTop, nRight, nBottom);
        line(dc, nRight, nTop, nLeft, nTop);
        usePen(crDark);
        line(dc, nLeft, nBottom, nRight, nBottom);
        line(dc, nLeft, nBottom, nLeft, nTop);
        usePen(crMid);
        line(dc, nLeft + 1, nBottom - 1, nRight - 1, nBottom - 1);
        line(dc, nLeft + 1, nBottom - 1, nLeft + 1, nTop + 1);
    }

    SetBkColor(dc, bFlat ? RGB(255, 255, 255) : crFace);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(dc, screenButtonFont(bAltFont != 0));
    WriteCaption(dc, crText);

    SelectObject(dc, hOldPen);
    SelectObject(dc, hOldBrush);
    SelectObject(dc, hOldFont);
    DeleteObject(hBrush);
    DeleteObject(hPen);
    return true;
}

void CScreenButton::WriteCaption(HDC dc, COLORREF crColor)
{
    SetTextColor(dc, crColor);
    SetTextAlign(dc, (bBaselineText || bBaselineRaised) ? (TA_CENTER | TA_BASELINE) : (TA_CENTER | TA_BOTTOM));
    const double r = bBaselineRaised ? -2.0 : 0.0;
    const int x = int(nLeft + (nRight - nLeft) * 0.5);
    const int y = int(nBottom + r - 1.0);
    const char* sz = bOn ? pszOnText : pszOffText;
    RECT rc{nLeft, nTop, nRight, nBottom};
    ExtTextOutA(dc, x, y, ETO_CLIPPED, &rc, sz, UINT(std::strlen(sz)), nullptr);
}

bool CScreenButton::Render()
{
    if (bHidden) return true;
    HDC dc = CreateMetaFileA(nullptr);
    if (!dc) return false;
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    DrawFace(dc);
    HMETAFILE h = CloseMetaFile(dc);
    if (!h) return false;
    if (bHasFace && hFace) DeleteMetaFile(hFace);
    hFace = h;
    bHasFace = 1;
    return true;
}

namespace {

// A client context mapped like the plots: the 1399 x 1000 window over the
// client area.
HDC plotMappedDC(TWindow* pWindow)
{
    RECT rc{};
    GetClientRect(pWindow->HWindow, &rc);
    HDC dc = GetDC(pWindow->HWindow);
    if (!dc) return nullptr;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    SetViewportExtEx(dc, rc.right, rc.bottom, nullptr);
    return dc;
}

}  // namespace

void CScreenButton::Paint(TWindow* pWindow)
{
    if (bHidden || !pWindow || !bHasFace || !hFace) return;
    HDC dc = plotMappedDC(pWindow);
    if (!dc) return;
    PlayMetaFile(dc, hFace);
    ReleaseDC(pWindow->HWindow, dc);
}

void CScreenButton::BackgroundRect(TXLAWindow* pWindow, int* pX, int* pY, int* pW, int* pH) const
{
    const float W = pWindow->fClientWidth, H = pWindow->fClientHeight;
    int x1 = pixelX(float(nLeft), W) - 2, x2 = pixelX(float(nRight), W) + 2;
    int y1 = pixelY(float(nTop), H) - 1, y2 = pixelY(float(nBottom), H) + 2;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    *pX = x1;
    *pY = y1;
    *pW = x2 - x1 + 1;
    *pH = y2 - y1 + 1;
}

bool CScreenButton::SaveBackground(TXLAWindow* pWindow)
{
    if (!pWindow || !pWindow->HWindow) return false;
    int x, y, w, h;
    BackgroundRect(pWindow, &x, &y, &w, &h);
    HDC dc = GetDC(pWindow->HWindow);
    if (!dc) return false;
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, dc, x, y, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(pWindow->HWindow, dc);
    if (hBackground) DeleteObject(hBackground);
    hBackground = bmp;
    bHasBackground = 1;
    nBackX = x;
    nBackY = y;
    nBackW = w;
    nBackH = h;
    return true;
}

// The pixels go back where they were taken from, even when the window has
// been resized since.
bool CScreenButton::RestoreBackground(TXLAWindow* pWindow)
{
    if (!pWindow || !pWindow->HWindow || !bHasBackground || !hBackground) return false;
    HDC dc = GetDC(pWindow->HWindow);
    if (!dc) return false;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, hBackground);
    BitBlt(dc, nBackX, nBackY, nBackW, nBackH, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(pWindow->HWindow, dc);
    if (nMarkRadius > 0) EraseRound(pWindow, nMarkX, nMarkY, nMarkRadius);
    return true;
}

void CScreenButton::RenderRound(TWindow* pWindow, int cx, int cy, int radius, COLORREF crRing, COLORREF crDot)
{
    if (bHidden || !pWindow) return;
    if (nMarkRadius > 0) EraseRound(pWindow, nMarkX, nMarkY, nMarkRadius);
    if (radius < 1) return;
    nMarkX = cx;
    nMarkY = cy;
    nMarkRadius = radius;
    crMarkDot = crDot;
    HDC dc = GetDC(pWindow->HWindow);
    if (!dc) return;
    HPEN hPen = CreatePen(PS_SOLID, 1, crRing);
    HGDIOBJ hOldPen = SelectObject(dc, hPen);
    HGDIOBJ hOldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    int nOldRop = SetROP2(dc, R2_COPYPEN);
    for (int k = 0; k < 3; k++) Ellipse(dc, cx - radius + k, cy - radius + k, cx + radius - k, cy + radius - k);
    SetROP2(dc, nOldRop);
    SelectObject(dc, hOldPen);
    SelectObject(dc, hOldBrush);
    DeleteObject(hPen);
    ReleaseDC(pWindow->HWindow, dc);
}

void CScreenButton::EraseRound(TWindow* pWindow, int cx, int cy, int r)
{
    if (bHidden || !pWindow) return;
    HDC dc = GetDC(pWindow->HWindow);
    if (dc) {
        HGDIOBJ hOldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
        HGDIOBJ hOldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
        Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
        HPEN hDot = CreatePen(PS_SOLID, 1, crMarkDot);
        SelectObject(dc, hDot);
        Ellipse(dc, cx - 2, cy - 2, cx + 2, cy + 2);
        Ellipse(dc, cx - 1, cy - 1, cx + 1, cy + 1);
        Ellipse(dc, cx, cy, cx + 1, cy + 1);
        SelectObject(dc, hOldPen);
        SelectObject(dc, hOldBrush);
        DeleteObject(hDot);
        ReleaseDC(pWindow->HWindow, dc);
    }
    nMarkX = nMarkY = nMarkRadius = 0;
}

void CScreenButton::Beep()
{
    MessageBeep(0);
}

void CScreenButton::DrawCaption(TWindow* pWindow)
{
    if (bHidden || !pWindow) return;
    HDC dc = plotMappedDC(pWindow);
    if (!dc) return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(dc, screenButtonFont(bAltFont != 0));
    WriteCaption(dc, crText);
    SelectObject(dc, hOldFont);
    ReleaseDC(pWindow->HWindow, dc);
}

void CScreenButton::EraseCaption(TWindow* pWindow)
{
    if (bHidden || !pWindow) return;
    HDC dc = plotMappedDC(pWindow);
    if (!dc) return;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(dc, screenButtonFont(bAltFont != 0));
    WriteCaption(dc, RGB(255, 255, 255));
    SelectObject(dc, hOldFont);
    ReleaseDC(pWindow->HWindow, dc);
}
