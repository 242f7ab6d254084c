// Painting of the main window and its drawing services.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "resources/commands.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/noise_subtraction.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

using namespace win;

void TXLAWindow::Paint(HDC dc, bool, RECT&)
{
    if (bCtotBusy || bLoadFromList || bRunning || bFitting) return;
    RECT rc = GetClientRect();
    nClientWidth = rc.right - rc.left;
    nClientHeight = rc.bottom - rc.top;
    fClientWidth = static_cast<float>(nClientWidth);
    fClientHeight = static_cast<float>(nClientHeight);
    bWindowPainted = 1;
    forgetTextLines();  // the client was erased

    PaintPlots(dc, nClientWidth, nClientHeight);
    if (pNoiseButton) pNoiseButton->Paint(this);
    PaintIntegrateButtons();
    if (bMStarMode && pMStarButtons)
        for (int k = 1; k <= nMStarButtons; ++k)
            if (pMStarButtons[k]) pMStarButtons[k]->Paint(this);
    // the fitted-parameter text after a Run or Fit
    if (bShowParameterText && bModelComputed && nScans > 0) ShowModelParameters();
    paintStatusLines(dc);
    if (bMStarMode) mStarShowCMStatistics(this);
}

void paintStatusLines(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    if (bRealtimeUpdate) {
        TextOut(dc, 10, 5, szRealtimeStatus, static_cast<int>(std::strlen(szRealtimeStatus)));
        TextOut(dc, 10, 22, szRealtimeChecked, static_cast<int>(std::strlen(szRealtimeChecked)));
    }
    if (bShowStatusText)
        TextOut(dc, 10, nClientHeight - 20, szStatusText, static_cast<int>(std::strlen(szStatusText)));
    SetBkMode(dc, OPAQUE);
}

void TXLAWindow::DebugLog(const char* szText)
{
    if (!bDiagnostics || !szText) return;
    static bool bTruncated = false;
    FILE* f = fopenMapped("c:\\temp\\Morvexdebug_t0.txt", bTruncated ? "a" : "w");
    if (!f) return;
    bTruncated = true;
    std::fputs(szText, f);
    std::fclose(f);
}

void TXLAWindow::InvalidateUnlessBatch()
{
    // Neither the unattended run nor a serialised fit repaints as it goes;
    // the unattended run paints once for its screenshot.
    if (bBatchMode || bSerialFitRunning || !HWindow) return;
    Invalidate(true);
}

void TXLAWindow::DrawPlotsUnlessBatch()
{
    if (bBatchMode || bSerialFitRunning || !HWindow) return;
    Invalidate(true);
    UpdateWindow();
}

namespace {

// An XOR line from y0 to y1 (pixels) at pixel x.
void xorVerticalLine(TXLAWindow* w, int x, int y0, int y1)
{
    HDC dc = w->GetDC();
    if (!dc) return;
    int nOldRop = SetROP2(dc, R2_NOT);
    HPEN pen = CreatePen(PS_SOLID, 0, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x, y0, nullptr);
    LineTo(dc, x, y1);
    SelectObject(dc, old);
    DeleteObject(pen);
    SetROP2(dc, nOldRop);
    w->ReleaseDC(dc);
}

}  // namespace

void TXLAWindow::DrawXorMarker(int nXPixel)
{
    RECT rc = GetClientRect();
    int h = rc.bottom - rc.top;
    xorVerticalLine(this, nXPixel, nPlotTop * h / 1000, nResidPlotBottom * h / 1000);
}

void TXLAWindow::DrawXorLine(int nXLogical)
{
    RECT rc = GetClientRect();
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int nWindowWidth = static_cast<int>(std::floor(1.4f * 1000.0f));
    int x = static_cast<int>(std::lround(static_cast<double>(nXLogical) * w / nWindowWidth));
    xorVerticalLine(this, x, nPlotTop * h / 1000, nPlotBottom * h / 1000);
}

void TXLAWindow::DrawMarkers()
{
    // the M* screens follow the meniscus, bottom and fit limits
    if (bMStarMode) {
        mStarCompute(this);
        mStarHandleInput(this, 0);
    }
    InvalidateUnlessBatch();
}

bool TXLAWindow::CheckMaxGradient()
{
    if (bFluorescenceData || bDLSData) return true;
    if (fMeniscus <= 0 || fBottom <= 0 || fFitLeftLim <= 0 || fFitRightLim <= 0) return true;
    if (!(fMeniscus < fFitLeftLim && fFitLeftLim < fFitRightLim && fFitRightLim < fBottom)) return true;
    if (!pFitFirstIndex || !pFitLastIndex || nScans <= 0) return true;
    for (int s = 1; s <= nScans; ++s) {
        const float* r = ppRadius[s];
        const float* c = ppSignal[s];
        if (!r || !c) continue;
        for (int i = pFitFirstIndex[s]; i <= pFitLastIndex[s] && i < pScanPoints[s] - 4; ++i) {
            if (i < 1) continue;
            float fSlopes[4];
            for (int k = 0; k < 4; ++k) {
                float dr = r[i + k + 1] - r[i + k];
                if (dr == 0.0f) return true;
                fSlopes[k] = (c[i + k + 1] - c[i + k]) / dr;
            }
            bool bAll = true;
            float fMax = fSlopes[0];
            for (int k = 0; k < 4; ++k) {
                if (!(fSlopes[k] > fGradientLimit)) bAll = false;
                if (fSlopes[k] > fMax) fMax = fSlopes[k];
            }
            if (bAll) {
                char sz[600];
                std::snprintf(sz, sizeof sz, "max gradient exceeded:  grad = %.1f/cm at r ~ %.4fcm in scan %s",
                              fMax, r[i], ppScanFileName && ppScanFileName[s] ? ppScanFileName[s] : "");
                MessageBox(HWindow, sz, "ERROR", MB_OK);
                return false;
            }
        }
    }
    return true;
}

void TXLAWindow::UpdateFloToolsMenu()
{
    HMENU menu = GetMenu();
    if (!menu) return;
    auto present = [menu](UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) != 0xFFFFFFFFu; };
    auto flags = [](UINT id) { return MF_BYPOSITION | MF_STRING | (HasHandler(id) ? MF_ENABLED : MF_GRAYED); };
    bool bChanged = false;
    bool bPresent = present(915);
    if (bFluorescenceData && !bPresent) {
        const CommandInfo* c = findCommand(915);
        InsertMenu(menu, static_cast<UINT>(GetMenuItemCount(menu)), flags(915), 915, c ? c->szCaption : "FloTools");
        bChanged = true;
    } else if (!bFluorescenceData && bPresent) {
        RemoveMenu(menu, 915, MF_BYCOMMAND);
        bChanged = true;
    }

    // The mean-field ctot(r,t) items of the non-ideal c(s) model stand in the
    // Data menu, ahead of the separator before Print, while that model is chosen.
    static const UINT kCtotItems[] = {1103, 1104, 1105, 1106};
    bPresent = present(kCtotItems[0]);
    if (bModelNonidealCS && !bPresent) {
        HMENU data = GetSubMenu(menu, 0);
        if (data) {
            int nAt = GetMenuItemCount(data);
            for (int k = 0; k < GetMenuItemCount(data); ++k)
                if (GetMenuItemID(data, k) == CM_PRINT) nAt = k > 0 ? k - 1 : k;
            for (UINT id : kCtotItems) {
                const CommandInfo* c = findCommand(id);
                InsertMenu(data, static_cast<UINT>(nAt++), flags(id), id, c ? c->szCaption : "");
            }
            bChanged = true;
        }
    } else if (!bModelNonidealCS && bPresent) {
        for (UINT id : kCtotItems) RemoveMenu(menu, id, MF_BYCOMMAND);
        bChanged = true;
    }
    if (bChanged) DrawMenuBar(HWindow);
}

void TXLAWindow::ShowNoiseButtons()
{
    // Freshly loaded or fitted data carry their noise: the button starts at
    // "remove TI and RI".
    if (!pNoiseButton) pNoiseButton = new CScreenButton;
    CScreenButton* b = pNoiseButton;
    b->nButtonType = 2;
    b->bOn = 0;
    b->crFace = RGB(220, 220, 220);
    b->crOn = RGB(255, 200, 150);
    // above the data plot's frame, at its right end (logical units)
    const float fRight = nPlotRight * fPlotXScale;
    b->SetRect(nPlotTop - 42.0f, fRight - 190.0f, nPlotTop - 12.0f, fRight);
    b->SetText("remove TI and RI", 16, "restore TI noise", 16);
    b->Render();
    InvalidateUnlessBatch();
}

void TXLAWindow::DeleteNoiseButtons()
{
    if (!pNoiseButton) return;
    delete pNoiseButton;
    pNoiseButton = nullptr;
    InvalidateUnlessBatch();
}

bool TXLAWindow::NoiseButtonClicked(int nX, int nY)
{
    if (!pNoiseButton || pNoiseButton->bHidden || fClientWidth <= 0 || fClientHeight <= 0) return false;
    // a hit flips the toggle: on means the noise has just been taken off
    if (!pNoiseButton->HitTest(nX * 1000.0f / fClientWidth, nY * 1000.0f / fClientHeight)) return false;
    if (pNoiseButton->bOn) {
        if (bFitRINoise)
            subtractAllNoiseFromData();
        else
            subtractTiNoiseFromData();
    } else {
        restoreOriginalTiNoise();
    }
    InvalidateUnlessBatch();
    return true;
}
