#include "plot/progress_line.h"

#include <algorithm>
#include <cmath>

#include "app/app_globals.h"

using namespace win;

CProgressLine::CProgressLine()
    : fScale(1.0f), fValue(0.0f), nLength(100), nWidth(3), crLine(RGB(255, 0, 0)), crBack(RGB(200, 200, 200)),
      hLinePen(nullptr), hBackPen(nullptr), nRight(0), nLeft(0), nBottom(0), nTop(0), bHasBackground(0),
      hBackground(nullptr), bDial(0), nDialLeft(0), nDialTop(0), nDialRight(0), nDialBottom(0), nDialStartX(0),
      nDialStartY(0)
{
    hLinePen = CreatePen(PS_SOLID, 1, crLine);
    hBackPen = CreatePen(PS_SOLID, 1, crBack);
}

CProgressLine::~CProgressLine()
{
    if (hBackground) DeleteObject(hBackground);
    DeleteObject(hLinePen);
    DeleteObject(hBackPen);
}

void CProgressLine::Show(TWindow* window, int x, int y)
{
    std::lock_guard<std::mutex> g(lock);
    nLeft = x;
    nTop = y;
    nRight = x + nLength;
    nBottom = y + nWidth;
    nDialLeft = x;
    nDialTop = y + 3 * nWidth;
    nDialRight = x + 6 * nWidth;
    nDialBottom = y - 3 * nWidth;
    nDialStartX = x + 3 * nWidth;
    nDialStartY = y - 3 * nWidth;
    SaveLocked(window);
    if (!bWindowPainted || !window) return;
    HDC dc = window->GetDC();
    DrawLocked(0.0f, dc);
    window->ReleaseDC(dc);
}

void CProgressLine::Draw(float value, TWindow* window)
{
    std::lock_guard<std::mutex> g(lock);
    if (!bWindowPainted || !window || !(value > fValue)) return;
    HDC dc = window->GetDC();
    DrawLocked(value, dc);
    window->ReleaseDC(dc);
}

void CProgressLine::SetProgress(float value, HDC dc)
{
    std::lock_guard<std::mutex> g(lock);
    if (!bWindowPainted || !dc) return;
    DrawLocked(value, dc);
}

void CProgressLine::DrawLocked(float value, HDC dc)
{
    if (!(value > fValue)) return;
    fValue = value;
    if (!bDial) {
        // Fractions outside 0..1 are drawn as they come, but the end stays a
        // pixel position.
        // Computed in float, as the fraction itself is: 0.9 of 100 pixels
        // ends at pixel 90, not 89.
        float fEnd = float(nLeft) + float(nLength) * value / fScale;
        int xEnd = int(std::clamp(fEnd, -1e9f, 1e9f));
        const int pRows[4] = {nTop, nTop + 1, nTop + 2, nTop - 1};
        SelectObject(dc, hBackPen);
        for (int y : pRows) {
            MoveToEx(dc, nLeft, y, nullptr);
            LineTo(dc, nRight, y);
        }
        SelectObject(dc, hLinePen);
        for (int y : pRows) {
            MoveToEx(dc, nLeft, y, nullptr);
            LineTo(dc, xEnd, y);
        }
        return;
    }
    // The dial: 6.3 radians make the full turn.
    double dAngle = 6.3 * double(fValue) / double(fScale);
    int cx = nDialStartX;
    int cy = nDialBottom + (nDialTop - nDialBottom) / 2;
    int xEnd = cx + int(std::floor(double(nLength) * std::sin(dAngle)));
    int yEnd = cy - int(std::floor(double(nLength) * std::cos(dAngle)));
    int nBoxTop = std::min(nDialTop, nDialBottom);
    int nBoxBottom = std::max(nDialTop, nDialBottom);
    SelectObject(dc, hLinePen);
    for (int g = 0; g <= 2; g++)
        Arc(dc, nDialLeft - g, nBoxTop - g, nDialRight + g, nBoxBottom + g, nDialStartX, nDialStartY, nDialStartX,
            nDialStartY);
    if (value < 1.0f) {
        // The part still to do, counter-clockwise from twelve o'clock, in grey.
        SelectObject(dc, hBackPen);
        for (int g = 0; g <= 2; g++)
            Arc(dc, nDialLeft - g, nBoxTop - g, nDialRight + g, nBoxBottom + g, nDialStartX, nDialStartY, xEnd, yEnd);
    }
}

void CProgressLine::Hide(TWindow* window)
{
    std::lock_guard<std::mutex> g(lock);
    RestoreLocked(window);
}

void CProgressLine::SetLineColor(COLORREF cr)
{
    std::lock_guard<std::mutex> g(lock);
    crLine = cr;
    DeleteObject(hLinePen);
    hLinePen = CreatePen(PS_SOLID, 1, crLine);
}

void CProgressLine::SetColorBlue() { SetLineColor(RGB(0, 100, 255)); }

void CProgressLine::SetColorOrange() { SetLineColor(RGB(255, 100, 0)); }

void CProgressLine::SetColorPurple() { SetLineColor(RGB(180, 0, 180)); }

RECT CProgressLine::BackgroundRect() const
{
    int x1 = nLeft - 1, x2 = nRight + 1;
    int y1 = nTop - nWidth, y2 = nBottom;
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

bool CProgressLine::SaveBackground(TWindow* window)
{
    std::lock_guard<std::mutex> g(lock);
    return SaveLocked(window);
}

bool CProgressLine::RestoreBackground(TWindow* window)
{
    std::lock_guard<std::mutex> g(lock);
    return RestoreLocked(window);
}

bool CProgressLine::SaveLocked(TWindow* window)
{
    if (!bWindowPainted || !window) return false;
    RECT r = BackgroundRect();
    int cx = r.right - r.left + 1, cy = r.bottom - r.top + 1;
    HDC dc = window->GetDC();
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, cx, cy);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, cx, cy, dc, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    window->ReleaseDC(dc);
    if (hBackground) DeleteObject(hBackground);
    hBackground = bmp;
    bHasBackground = 1;
    return true;
}

bool CProgressLine::RestoreLocked(TWindow* window)
{
    if (!bWindowPainted || !window) return false;
    if (!bHasBackground || !hBackground) return false;
    RECT r = BackgroundRect();
    int cx = r.right - r.left + 1, cy = r.bottom - r.top + 1;
    HDC dc = window->GetDC();
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, hBackground);
    BitBlt(dc, r.left, r.top, cx, cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    window->ReleaseDC(dc);
    return true;
}
