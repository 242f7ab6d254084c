// Pictures and texts of the interactive scan tools.
#include "scandata/tool_plots.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "plot/plot_fonts.h"

using namespace win;

namespace {

// The tools' pictures want larger, unrotated texts. The fonts are made once:
// making them on every redraw would leave a font behind at every key press.
void switchToLargeFonts()
{
    static bool bDone = false;
    if (bDone) return;
    useLargePlotFonts();
    bDone = true;
}

}  // namespace

CAdHocPlot* newToolPlot(const char* szXLabel, const char* szYLabel)
{
    CAdHocPlot* p = new CAdHocPlot;
    p->pPlot->SetPlotRect(nPlotTop, nPlotLeft, nResidPlotBottom, nPlotRight);
    p->pPlot->SetXLabel(szXLabel);
    p->pPlot->SetYLabel(szYLabel);
    switchToLargeFonts();
    return p;
}

int addToolCurve(CAdHocPlot* pPlot, const float* x, const float* y, int n, COLORREF cr, int nStyle)
{
    if (!pPlot || n < 1) return -1;
    float* px = vector(1, n);
    float* py = vector(1, n);
    std::memcpy(px + 1, x + 1, sizeof(float) * n);
    std::memcpy(py + 1, y + 1, sizeof(float) * n);
    const int k = pPlot->AddCurve(n, px, py);
    if (k < 0) {
        // the plot is full: the copies stay ours
        free_vector(px, 1, n);
        free_vector(py, 1, n);
        return -1;
    }
    pPlot->pPlot->SetCurveColor(k, cr);
    pPlot->pPlot->SetCurveStyle(k, nStyle);
    return k;
}

int addToolCurveD(CAdHocPlot* pPlot, const double* x, const double* y, int n, COLORREF cr, int nStyle)
{
    if (!pPlot || n < 1) return -1;
    float* fx = vector(1, n);
    float* fy = vector(1, n);
    for (int i = 1; i <= n; ++i) {
        fx[i] = static_cast<float>(x[i]);
        fy[i] = static_cast<float>(y[i]);
    }
    const int k = addToolCurve(pPlot, fx, fy, n, cr, nStyle);
    free_vector(fx, 1, n);
    free_vector(fy, 1, n);
    return k;
}

void showToolPlot(TXLAWindow* pWindow, CAdHocPlot* pPlot)
{
    // The holders of the tools' pictures are all made here; the previous one
    // goes when the window forgets it.
    CAdHocPlot* pOld = pAdHocPlotOwner;
    forgetAdHocPlot(pWindow);
    if (pOld != pPlot) delete pOld;
    if (!pPlot) return;
    switchToLargeFonts();
    pPlot->pPlot->Draw();
    pAdHocPlotOwner = pPlot;
    pAdHocWinPlot = pPlot->pPlot;
    if (pPlot->pPlot->bMetaFileValid) playIntoClientArea(pWindow, pPlot->pPlot->hMetaFile);
}

bool clientSize(TXLAWindow* pWindow, float* pfWidth, float* pfHeight)
{
    if (!pWindow || !pWindow->HWindow) return false;
    RECT rc = pWindow->GetClientRect();
    *pfWidth = static_cast<float>(rc.right - rc.left);
    *pfHeight = static_cast<float>(rc.bottom - rc.top);
    return *pfWidth > 0 && *pfHeight > 0;
}

void playIntoClientArea(TXLAWindow* pWindow, HMETAFILE hPicture)
{
    float w = 0, h = 0;
    if (!hPicture || !clientSize(pWindow, &w, &h)) return;
    HDC dc = pWindow->GetDC();
    if (!dc) return;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1400, 1000, nullptr);
    SetViewportExtEx(dc, static_cast<int>(w), static_cast<int>(h), nullptr);
    PlayMetaFile(dc, hPicture);
    SetMapMode(dc, MM_TEXT);
    pWindow->ReleaseDC(dc);
}

void writeToolText(TXLAWindow* pWindow, int x, int y, const char* szText)
{
    if (!pWindow || !pWindow->HWindow) return;
    HDC dc = pWindow->GetDC();
    if (!dc) return;
    writeTextLine(dc, x, y, szText);
    pWindow->ReleaseDC(dc);
}

namespace {

// The extent of the text last written at each place.
std::map<std::pair<int, int>, SIZE> gTextLines;

}  // namespace

void writeTextLine(HDC dc, int x, int y, const char* szText)
{
    const int n = static_cast<int>(std::strlen(szText));
    TextOut(dc, x, y, szText, n);
    SIZE now{0, 0};
    if (!GetTextExtentPoint32(dc, szText, n, &now)) return;
    SIZE& before = gTextLines[{x, y}];
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    if (before.cx > now.cx) {
        const RECT rc{x + now.cx, y, x + before.cx, y + std::max(before.cy, now.cy)};
        FillRect(dc, &rc, white);
    }
    if (before.cy > now.cy) {
        const RECT rc{x, y + now.cy, x + now.cx, y + before.cy};
        FillRect(dc, &rc, white);
    }
    before = now;
}

void forgetTextLines() { gTextLines.clear(); }

bool clickPerMille(TXLAWindow* pWindow, const POINT& point, float* pfX, float* pfY, float* pfTolX, float* pfTolY)
{
    float w = 0, h = 0;
    if (!clientSize(pWindow, &w, &h)) return false;
    *pfX = pixelToPerMilleX(point.x, w);
    *pfY = pixelToPerMilleY(point.y, h);
    if (pfTolX) *pfTolX = pixelToPerMilleX(nMarkerHitTolerance, w);
    if (pfTolY) *pfTolY = pixelToPerMilleY(nMarkerHitTolerance, h);
    return true;
}

bool plotXValue(const CWINPlot* pPlot, float fXPerMille, double* pdValue)
{
    if (!pPlot || pPlot->fXScale == 0.0f) return false;
    const double v = (double(fXPerMille) - pPlot->fXOffset) / pPlot->fXScale;
    *pdValue = pPlot->bLogX ? std::pow(10.0, v) : v;
    return std::isfinite(*pdValue);
}

int plotXPixel(TXLAWindow* pWindow, const CWINPlot* pPlot, double dValue)
{
    float w = 0, h = 0;
    if (!pPlot || !clientSize(pWindow, &w, &h)) return 0;
    const int nLogical =
        (pPlot->bLogX && dValue <= 0.0) ? pPlot->nFrameLeft : pPlot->MapX(static_cast<float>(dValue));
    return static_cast<int>(nLogical * w / (fPlotXScale * fThousand));
}
