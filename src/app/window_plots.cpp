// The plots of the main window: data, residuals and residuals bitmap, their
// layout, hit tests and playing them into the client area.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analyses/boundary/boundary_fractions.h"
#include "analyses/eqtest/eq_test_state.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "distributions/ctot_movie.h"
#include "distributions/distribution_result.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/screen_button.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "tools/dls/dls_loading.h"

using namespace win;

namespace {

// Whether the data plot holds the fit curves (they are shown once a model
// result belongs to the data).
bool bPlotHasFits = false;

// While the residuals bitmap is shown it takes the lower part of the
// residual band: 800..950 below residuals ending at 730, or, with a
// distribution below, 500..575 below residuals ending at 490.
bool distributionLayout() { return nResidPlotBottom != 950; }

int bitmapTop() { return distributionLayout() ? 500 : 800; }

int residualsBottom()
{
    if (!bShowResidualsBitmap) return nResidPlotBottom;
    return distributionLayout() ? 490 : 730;
}

void styleDataPlot()
{
    pDataPlot->nSymbolSize = 3;
    pDataPlot->SetXLabel("radius (cm)");
    pResidualsPlot->nSymbolSize = 2;
    pResidualsPlot->SetXLabel("radius (cm)");
}

void makePlots()
{
    if (!pDataPlot) pDataPlot = new CWINPlot();
    if (!pResidualsPlot) pResidualsPlot = new CWINPlot();
}

}  // namespace

void setDistributionPlotLayout()
{
    nPlotBottom = 350;
    nResidPlotTop = 405;
    nResidPlotBottom = 575;
}

void restoreMainPlotLayout()
{
    nPlotTop = 50;
    nPlotBottom = 475;
    nResidPlotTop = 550;
    nResidPlotBottom = 950;
}

void layoutAndRedrawPlots()
{
    if (pDataPlot) {
        pDataPlot->SetPlotRect(nPlotTop, nPlotLeft, nPlotBottom, nPlotRight);
        pDataPlot->Draw();
    }
    if (pResidualsPlot) {
        pResidualsPlot->SetPlotRect(nResidPlotTop, nPlotLeft, residualsBottom(), nPlotRight);
        pResidualsPlot->Draw();
    }
    if (bShowResidualsBitmap) renderResidualsBitmap();
}

namespace {

// The curves of the data and residual plots from the loaded scans.
void buildScanCurves(bool bWholeRange);

}  // namespace

void buildScanPlotVectors() { buildScanCurves(true); }

namespace {

void buildScanCurves(bool bWholeRange)
{
    if (nScans <= 0) {
        delete pDataPlot;
        delete pResidualsPlot;
        delete pResidualsBitmapPlot;
        pDataPlot = pResidualsPlot = pResidualsBitmapPlot = nullptr;
        bPlotHasFits = false;
        nZoomLevel = 0;
        return;
    }
    makePlots();
    pDataPlot->RemoveAllCurves();
    pResidualsPlot->RemoveAllCurves();
    // The curves of all scans go in at once: the plots find their range once,
    // not once more for every scan added.
    auto addScanCurves = [](CWINPlot* p, CCurve** ppCurves, int nStyle, bool bFitRange) {
        if (!ppCurves) return;
        std::vector<CCurve*> curves;
        std::vector<int> scans;
        for (int i = 1; i <= nScans; ++i) {
            if (!ppCurves[i]) continue;
            curves.push_back(ppCurves[i]);
            scans.push_back(i);
        }
        const int k0 = p->nCurves;
        p->AddCurves(curves.data(), static_cast<int>(curves.size()));
        for (size_t m = 0; m < scans.size(); ++m) {
            const int k = k0 + static_cast<int>(m), i = scans[m];
            p->SetCurveColor(k, scanColor(i));
            p->SetCurveStyle(k, nStyle);
            if (bFitRange) p->SetCurveIndexRange(k, pFitFirstIndex[i] - 1, pFitLastIndex[i] - 1);
        }
    };
    addScanCurves(pDataPlot, ppSignalCurve, 15, false);
    bPlotHasFits = bModelComputed != 0;
    if (bPlotHasFits) {
        addScanCurves(pDataPlot, ppFitCurve, -1, true);
        addScanCurves(pResidualsPlot, ppResidualCurve, -1, true);
    }
    // a new data set is shown whole; new fits keep the range in view
    if (bWholeRange) {
        nZoomLevel = 0;
        pDataPlot->ResetZoom();
    } else if (nZoomLevel > 0) {
        pDataPlot->SetAxisRanges(fZoomXMin[nZoomLevel], fZoomXMax[nZoomLevel], fZoomYMin[nZoomLevel],
                                 fZoomYMax[nZoomLevel]);
    }
    pDataPlot->SetPlotRect(nPlotTop, nPlotLeft, nPlotBottom, nPlotRight);
    pResidualsPlot->SetPlotRect(nResidPlotTop, nPlotLeft, residualsBottom(), nPlotRight);
}

}  // namespace

void setPlotAxisLabels()
{
    makePlots();
    styleDataPlot();
    const char* szY = "signal";
    if (bDLSData)
        szY = dlsAcfAxisTitle();
    else if (bInterferenceData)
        szY = "fringes";
    else if (bIntensityData)
        szY = "intensity";
    else if (bFluorescenceData)
        szY = "fluorescence (counts)";
    else if (bAbsorbanceData)
        szY = "absorbance (OD)";
    pDataPlot->SetYLabel(szY);
    // Light-scattering residuals carry the title of their correlation function.
    pResidualsPlot->SetYLabel(bDLSData ? szY : "residuals");
    if (bDLSData) {
        pDataPlot->SetXLabel("time (s)");
        pResidualsPlot->SetXLabel("time (s)");
    }
}

void redrawDataPlot(int bAutoscale)
{
    if (!pDataPlot) return;
    if (bAutoscale) {
        nZoomLevel = 0;
        pDataPlot->ResetZoom();
    }
    pDataPlot->Draw();
}

void checkTemperatureFluctuation(float fLimit)
{
    if (nScans < 2 || !pScanHeaders) return;
    float fMin = pScanHeaders[1].temperature, fMax = fMin;
    for (int i = 2; i <= nScans; ++i) {
        const float t = pScanHeaders[i].temperature;  // by value: the header is packed
        fMin = std::min(fMin, t);
        fMax = std::max(fMax, t);
    }
    if (fMax - fMin <= fLimit) return;
    char sz[300];
    std::snprintf(sz, sizeof sz,
                  "The temperature of the scans varies from %.1f 'C to %.1f 'C, more than %.1f 'C.", fMin,
                  fMax, fLimit);
    MessageBox(nullptr, sz, "ATTENTION", MB_OK);
}

void updateResidualsPlot(int bRedraw)
{
    for (int i = 1; i <= nScans; ++i) {
        if (!ppResidual || !ppResidual[i]) continue;
        for (int j = 1; j <= pScanPoints[i]; ++j) {
            bool bInside = pFitFirstIndex && j >= pFitFirstIndex[i] && j <= pFitLastIndex[i];
            ppResidual[i][j] = bInside ? ppSignal[i][j] - ppFit[i][j] : 0.0f;
        }
    }
    if (bRedraw && pResidualsPlot && pResidualsPlot->nCurves > 0) {
        pResidualsPlot->Rescale();
        pResidualsPlot->Draw();
    }
    if (bShowResidualsBitmap) renderResidualsBitmap();
}

HMETAFILE residualsPlotMetafile()
{
    if (!pResidualsPlot || !pResidualsPlot->bMetaFileValid) return nullptr;
    return pResidualsPlot->hMetaFile;
}

HMETAFILE bitmapPlotMetafile()
{
    if (!pResidualsBitmapPlot || !pResidualsBitmapPlot->bMetaFileValid) return nullptr;
    return pResidualsBitmapPlot->hMetaFile;
}

void updateResidualsBitmapPlot(int bRedraw)
{
    if (bRedraw) renderResidualsBitmap();
}

void renderResidualsBitmap()
{
    if (nScans <= 0 || !bModelComputed) return;
    if (!pResidualsBitmapPlot) pResidualsBitmapPlot = new CWINPlot();
    CWINPlot* p = pResidualsBitmapPlot;
    if (p->bMetaFileValid && p->hMetaFile) DeleteMetaFile(p->hMetaFile);
    p->hMetaFile = nullptr;
    p->bMetaFileValid = 0;

    // cells over the radius range of the fit limits
    float fLo = fFitLeftLim, fHi = fFitRightLim;
    if (!(fHi > fLo)) {
        if (pScanPoints[1] < 1) return;
        fLo = ppRadius[1][1];
        fHi = ppRadius[1][pScanPoints[1]];
    }
    float fMaxAbs = 0;
    for (int i = 1; i <= nScans; ++i)
        if (ppResidual && ppResidual[i])
            for (int j = 1; j <= pScanPoints[i]; ++j) fMaxAbs = std::max(fMaxAbs, std::fabs(ppResidual[i][j]));
    if (fMaxAbs <= 0) fMaxAbs = 1;

    // the cells stand under the radii of the data plot
    int nLeft = static_cast<int>(nPlotLeft * 1.4f), nRight = static_cast<int>(nPlotRight * 1.4f);
    if (pDataPlot && pDataPlot->nCurves > 0 && !pDataPlot->bLogX) {
        nLeft = std::max(nLeft, pDataPlot->MapX(fLo));
        nRight = std::min(nRight, pDataPlot->MapX(fHi));
        if (nRight <= nLeft) return;
    }
    const int nTop = bitmapTop(), nBottom = nResidPlotBottom;
    const int nColumns = std::max(1, std::min(300, nRight - nLeft));
    HDC dc = CreateMetaFile(nullptr);
    SetWindowExtEx(dc, plotWindowWidth(), plotWindowHeight(), nullptr);
    SelectObject(dc, GetStockObject(NULL_PEN));
    for (int k = 1; k <= nScans; ++k) {
        int i = pScanTimeOrder ? pScanTimeOrder[k] : k;
        if (pScanPoints[i] < 1 || !ppResidual || !ppResidual[i]) continue;  // an empty row stays blank
        int y0 = nTop + (k - 1) * (nBottom - nTop) / nScans;
        int y1 = nTop + k * (nBottom - nTop) / nScans + 1;
        // each cell shows the residual of the point nearest its centre
        int j = 1;
        for (int c = 0; c < nColumns; ++c) {
            float rc = fLo + (fHi - fLo) * (c + 0.5f) / nColumns;
            while (j < pScanPoints[i] && std::fabs(ppRadius[i][j + 1] - rc) <= std::fabs(ppRadius[i][j] - rc)) ++j;
            int grey = static_cast<int>(std::lround(128 + 127 * ppResidual[i][j] / fMaxAbs));
            grey = std::max(0, std::min(255, grey));
            const bool bMarked = bMarkResidualRanges && pMarkFirstIndex && pMarkLastIndex &&
                                 j >= pMarkFirstIndex[i] && j <= pMarkLastIndex[i] && pMarkFirstIndex[i] >= 1;
            HBRUSH b = CreateSolidBrush(bMarked ? RGB((grey + 255) / 2, grey / 2, grey / 2) : RGB(grey, grey, grey));
            HGDIOBJ old = SelectObject(dc, b);
            int x0 = nLeft + c * (nRight - nLeft) / nColumns;
            int x1 = nLeft + (c + 1) * (nRight - nLeft) / nColumns + 1;
            Rectangle(dc, x0, y0, x1, y1);
            SelectObject(dc, old);
            DeleteObject(b);
        }
    }
    p->hMetaFile = CloseMetaFile(dc);
    p->bMetaFileValid = p->hMetaFile ? 1 : 0;
}

DWORD nLastPlotUpdate = 0;
bool bPlotUpdated = false;

void updatePlotsThrottled(TXLAWindow* pWindow)
{
    DWORD now = GetTickCount();
    if (bPlotUpdated && now - nLastPlotUpdate < nPlotUpdateInterval) return;
    bPlotUpdated = true;
    nLastPlotUpdate = now;
    if (pDataPlot) pDataPlot->Draw();
    updateResidualsPlot(1);
    if (!pWindow || !pWindow->HWindow || !bWindowPainted) return;
    HDC dc = pWindow->GetDC();
    RECT rc = pWindow->GetClientRect();
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    forgetTextLines();
    pWindow->PaintPlots(dc, nClientWidth, nClientHeight);
    if (pWindow->pNoiseButton) pWindow->pNoiseButton->Paint(pWindow);
    pWindow->PaintIntegrateButtons();
    paintStatusLines(dc);
    pWindow->ReleaseDC(dc);
}

void forgetAdHocPlot(TXLAWindow*)
{
    pAdHocPlotOwner = nullptr;
    pAdHocWinPlot = nullptr;
}

void releaseResultArrays()
{
    float** arrays[] = {&pAuxArray1, &pAuxArray2, &pAuxArray3, &pAuxArray4, &pAuxArray5,
                        &pAuxArray6, &pAuxArray7, &pAuxArray8, &pAuxArray9, &pAuxArray10};
    for (float** pp : arrays) {
        if (*pp) free_vector(*pp, 1, nAuxArrayLength);
        *pp = nullptr;
    }
    nAuxArrayLength = 0;
    CVector** vectors[] = {&pAuxVector1, &pAuxVector2, &pAuxVector3, &pAuxVector4, &pAuxVector5,
                           &pAuxVector6, &pAuxVector7, &pAuxVector8, &pAuxVector9, &pAuxVector10};
    for (CVector** pp : vectors) {
        delete *pp;
        *pp = nullptr;
    }
    CCurve** curves[] = {&pAuxCurve1, &pAuxCurve2, &pAuxCurve3, &pAuxCurve4, &pAuxCurve5,
                         &pAuxCurve6, &pAuxCurve7, &pAuxCurve8, &pAuxCurve9};
    for (CCurve** pp : curves) {
        delete *pp;
        *pp = nullptr;
    }
    delete pAuxPlot;
    pAuxPlot = nullptr;
    bAuxPlotShown = 0;
    bAuxPlotFlag2 = 0;
}

namespace {

void playPlot(HDC dc, CWINPlot* p, bool bRedraw)
{
    if (!p || p->nCurves <= 0) return;
    if (bRedraw) {
        p->Rescale();
        p->Draw();
    }
    if (p->bMetaFileValid && p->hMetaFile) PlayMetaFile(dc, p->hMetaFile);
}

// Meniscus (red), bottom (blue) and fit limits (dark grey) over the data plot.
void drawMarkerLines(HDC dc)
{
    struct Marker {
        float fValue;
        COLORREF cr;
    } markers[] = {{fMeniscus, RGB(255, 0, 0)},
                   {fBottom, RGB(0, 0, 255)},
                   {fFitLeftLim, RGB(80, 80, 80)},
                   {fFitRightLim, RGB(80, 80, 80)}};
    for (const Marker& m : markers) {
        if (m.fValue <= 0 || m.fValue < pDataPlot->fXMin || m.fValue > pDataPlot->fXMax) continue;
        int x = pDataPlot->MapX(m.fValue);
        HPEN pen = CreatePen(PS_SOLID, 0, m.cr);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, x, pDataPlot->nFrameTop, nullptr);
        LineTo(dc, x, pDataPlot->nFrameBottom);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

// The plots' logical window (1399 x 1000) onto the client size.
void mapPlotsOntoClient(HDC dc, int nWidth, int nHeight)
{
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, static_cast<int>(std::trunc(std::floor(fPlotXScale * fThousand))),
                   static_cast<int>(std::trunc(std::floor(fThousand))), nullptr);
    SetViewportExtEx(dc, nWidth, nHeight, nullptr);
}

}  // namespace

void repaintDataPlot(TXLAWindow* pWindow)
{
    if (!pWindow || !pWindow->HWindow || !pDataPlot || pDataPlot->nCurves <= 0) return;
    if (nClientWidth <= 0 || nClientHeight <= 0) return;
    HDC dc = pWindow->GetDC();
    if (!dc) return;
    mapPlotsOntoClient(dc, nClientWidth, nClientHeight);
    pDataPlot->Draw();
    if (pDataPlot->bMetaFileValid && pDataPlot->hMetaFile) PlayMetaFile(dc, pDataPlot->hMetaFile);
    drawMarkerLines(dc);
    if (bShowCtotOverlay && !bMStarMode) pWindow->PaintCtotOverlay(pDataPlot, dc);
    SetMapMode(dc, MM_TEXT);
    pWindow->ReleaseDC(dc);
}

void TXLAWindow::PaintPlots(HDC dc, int nWidth, int nHeight)
{
    if (nWidth <= 0 || nHeight <= 0) return;
    mapPlotsOntoClient(dc, nWidth, nHeight);

    if (pAuxPlot) {
        // the side result of a tool is shown instead of the data plots, with
        // the time-to-equilibrium inset that belongs to it
        if (pAuxPlot->bMetaFileValid && pAuxPlot->hMetaFile) PlayMetaFile(dc, pAuxPlot->hMetaFile);
        if (pTosePlot && pTosePlot->bMetaFileValid && pTosePlot->hMetaFile) PlayMetaFile(dc, pTosePlot->hMetaFile);
        paintEqTestSelection(dc);
    } else if (bEqTestPlotShown) {
        // the approach-to-equilibrium test: its rmsd and difference plots and
        // the inset, without the meniscus and bottom markers
        playPlot(dc, pDataPlot, true);
        playPlot(dc, pResidualsPlot, true);
        if (HMETAFILE h = drawEqTestPlot()) PlayMetaFile(dc, h);
    } else if (bAreaFractionResults && pAreaFractionPlot) {
        // the boundary analyses' s against 1/sqrt(t) over the data and
        // residual plots, until Escape or a click releases it
        playPlot(dc, pAreaFractionPlot, true);
    } else {
        // on the M* screens the data plot is their plot A, with three more
        // plots where the residuals would be
        if (pDataPlot && nScans > 0) {
            if (!bMStarMode && bPlotHasFits != (bModelComputed != 0)) buildScanCurves(false);
            playPlot(dc, pDataPlot, true);
            if (pDataPlot->nCurves > 0) drawMarkerLines(dc);
            // the mean field of the non-ideal c(s) over the data (Display ctot(r,t))
            if (bShowCtotOverlay && !bMStarMode) PaintCtotOverlay(pDataPlot, dc);
        }
        if (bMStarMode) {
            playPlot(dc, pMStarPlotB, true);
            playPlot(dc, pMStarPlotC, true);
            playPlot(dc, pMStarPlotD, true);
        } else if (bShowResiduals && bModelComputed && pResidualsPlot && pResidualsPlot->nCurves > 0) {
            // the residuals under the data, on the data plot's radius axis
            pResidualsPlot->SetPlotRect(nResidPlotTop, nPlotLeft, residualsBottom(), nPlotRight);
            pResidualsPlot->bZoomX = 0;
            pResidualsPlot->Rescale();
            if (pDataPlot && pDataPlot->nCurves > 0) pResidualsPlot->SetXRange(pDataPlot->fXMin, pDataPlot->fXMax);
            pResidualsPlot->Draw();
            PlayMetaFile(dc, pResidualsPlot->hMetaFile);
        }
        if (bShowResidualsBitmap && bModelComputed && !bMStarMode) {
            renderResidualsBitmap();  // follows the data plot's range
            if (HMETAFILE h = bitmapPlotMetafile()) PlayMetaFile(dc, h);
        }
    }
    if (!bMStarMode)
        if (HMETAFILE h = paintDistributionPlot()) PlayMetaFile(dc, h);
    if (pAdHocWinPlot) playPlot(dc, pAdHocWinPlot, true);
    SetMapMode(dc, MM_TEXT);
}

namespace {

bool hitPoint(CWINPlot* p, int nScan, float fX, float fY, float fTolX, float fTolY, int* pnHit)
{
    *pnHit = 0;
    if (!p || nScan < 1 || nScan > nScans || !ppRadius || !ppRadius[nScan]) return false;
    const float* r = ppRadius[nScan];
    const float* y = (p == pDataPlot) ? (ppSignal ? ppSignal[nScan] : nullptr)
                                      : (ppResidual ? ppResidual[nScan] : nullptr);
    if (!y) return false;
    for (int j = 1; j <= pScanPoints[nScan]; ++j) {
        int px = (p->bLogX && r[j] <= 0) ? p->nFrameLeft : p->MapX(r[j]);
        // radii ascend: no point further right lies within the tolerance
        if (px >= fX + fTolX) break;
        int py = p->MapY(y[j]);
        if (std::fabs(px - fX) < fTolX && std::fabs(py - fY) < fTolY) {
            *pnHit = j;
            return true;
        }
    }
    return false;
}

}  // namespace

bool TXLAWindow::HitDataPoint(int nScan, float fX, float fY, float fTolX, float fTolY)
{
    return hitPoint(pDataPlot, nScan, fX, fY, fTolX, fTolY, &nHitScan);
}

bool TXLAWindow::HitResidualPoint(int nScan, float fX, float fY, float fTolX, float fTolY)
{
    return hitPoint(pResidualsPlot, nScan, fX, fY, fTolX, fTolY, &nHitResidualScan);
}
