// Mouse and keys of the main window.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analyses/boundary/boundary_fractions.h"
#include "analyses/analysis_globals.h"
#include "analyses/mstar/mstar_screen.h"
#include "app/app_globals.h"
#include "app/mouse_action_dispatch.h"
#include "app/scan_colors.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/mouse_tracker.h"
#include "plot/screen_button.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_edit_tools.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// Markers that can be dragged: meniscus, bottom and the two fit limits.
enum { MARKER_NONE = 0, MARKER_MENISCUS, MARKER_BOTTOM, MARKER_LEFT, MARKER_RIGHT };

float* markerValue(int nMarker)
{
    switch (nMarker) {
    case MARKER_MENISCUS: return &fMeniscus;
    case MARKER_BOTTOM: return &fBottom;
    case MARKER_LEFT: return &fFitLeftLim;
    case MARKER_RIGHT: return &fFitRightLim;
    default: return nullptr;
    }
}

bool dataPlotShown() { return pDataPlot && pDataPlot->nCurves > 0 && nScans > 0 && !pAuxPlot; }

}  // namespace

bool TXLAWindow::PointInDataPlot(int nX, int nY)
{
    if (!dataPlotShown() || fClientWidth <= 0 || fClientHeight <= 0) return false;
    const float x = pixelToPerMilleX(nX, fClientWidth);
    const float y = pixelToPerMilleY(nY, fClientHeight);
    return x >= pDataPlot->nFrameLeft && x <= pDataPlot->nFrameRight && y >= pDataPlot->nFrameTop &&
           y <= pDataPlot->nFrameBottom;
}

void TXLAWindow::EvLButtonDown(UINT, const POINT& point)
{
    ptMouse = point;
    if (bRunning || bFitting) return;
    resetMousePoints();
    recordMousePoint(point.x, point.y);
    if (mouseActionsEvLButtonDown(point)) return;
    // a click releases the result plot of the boundary analyses
    if (releaseAreaFractionDisplay(this)) return;
    // a button of the M* screens takes the click
    if (bMStarMode && pMStarButtons && fClientWidth > 0 && fClientHeight > 0) {
        const float x = point.x * 1000.0f / fClientWidth, y = point.y * 1000.0f / fClientHeight;
        for (int k = 1; k <= nMStarButtons; ++k)
            if (pMStarButtons[k] && pMStarButtons[k]->HitTest(x, y)) {
                mStarHandleInput(this, k);
                return;
            }
    }
    if (NoiseButtonClicked(point.x, point.y)) return;
    if (IntegrateButtonClicked(point.x, point.y)) return;
    if (PeakLabelClicked(point.x, point.y)) return;
    if (!PointInDataPlot(point.x, point.y)) return;
    const float x = pixelToPerMilleX(point.x, fClientWidth);
    // a marker within the hit tolerance is dragged; elsewhere a zoom window
    nDragMarker = MARKER_NONE;
    for (int m = MARKER_MENISCUS; m <= MARKER_RIGHT; ++m) {
        float v = *markerValue(m);
        if (v > 0 && std::abs(pDataPlot->MapX(v) - x) <= nMarkerHitTolerance) {
            nDragMarker = m;
            break;
        }
    }
    bMarkerDragging = nDragMarker != MARKER_NONE;
    bZoomDragging = !bMarkerDragging;
    // A zoom window shows its fixed start line and, once the mouse moved, the
    // moving one; a marker drag shows the marker's moving line only.
    nDragStartX = point.x;
    DrawXorMarker(point.x);
    nDragLastX = bZoomDragging ? -1 : point.x;
}

void TXLAWindow::EvMouseMove(UINT, const POINT& point)
{
    ptMouse = point;
    if (bRunning || bFitting) return;
    if (RangeSelectionMouseMove(point)) return;
    if (!pDataPlot) return;
    recordMousePoint(point.x, point.y);
    if (mouseActionsEvMouseMove(point)) return;
    if (!bZoomDragging && !bMarkerDragging) return;
    if (point.x == nDragLastX) return;
    if (nDragLastX >= 0) DrawXorMarker(nDragLastX);
    DrawXorMarker(point.x);
    nDragLastX = point.x;
}

void TXLAWindow::EvLButtonUp(UINT, const POINT& point)
{
    if (bRunning || bFitting) return;
    recordMousePoint(point.x, point.y);
    if (mouseActionsEvLButtonUp(point)) return;
    if (!bZoomDragging && !bMarkerDragging) return;
    POINT end = point;
    if (bMarkerDragging && pDataPlot && fClientWidth > 0) {
        // a marker let go while the mouse still moves slides on inside the frame
        int nLow = static_cast<int>(std::ceil(pDataPlot->nFrameLeft * fClientWidth / 1400.0f));
        int nHigh = static_cast<int>(std::floor(pDataPlot->nFrameRight * fClientWidth / 1400.0f));
        int* pnPositions = nullptr;
        float* pfTimes = nullptr;
        int nCount = 0;
        if (evaluateMouseGesture(&pnPositions, &pfTimes, &nCount, nLow, nHigh, nDragLastX) && pnPositions) {
            for (int k = 1; k <= nCount; ++k) {
                if (!(pfTimes[k] > 0)) continue;
                int nKey = 0;
                if (readKeyChar(&nKey)) break;
                waitSeconds(pfTimes[k]);
                DrawXorMarker(nDragLastX);
                nDragLastX = pnPositions[k];
                DrawXorMarker(nDragLastX);
            }
            end.x = nDragLastX;
        }
        free_ivector(pnPositions, 1, nCount);
        free_vector(pfTimes, 1, nCount);
    }
    if (nDragLastX >= 0) DrawXorMarker(nDragLastX);
    if (bZoomDragging) DrawXorMarker(nDragStartX);
    bool bZoom = bZoomDragging;
    bZoomDragging = bMarkerDragging = false;
    if (!dataPlotShown() || fClientWidth <= 0 || fClientHeight <= 0) return;

    float fY = pixelToPerMilleY(end.y, fClientHeight);
    float fValueA = 0, fValueB = 0, fDummy = 0;
    float fXA = nDragStartX * 1000.0f / fClientWidth, fXB = end.x * 1000.0f / fClientWidth;
    // a position left or right of the frame counts as its edge
    float fLeft = pDataPlot->nFrameLeft / 1.4f, fRight = pDataPlot->nFrameRight / 1.4f;
    fXA = std::fmin(std::fmax(fXA, fLeft), fRight);
    fXB = std::fmin(std::fmax(fXB, fLeft), fRight);
    float fYIn = std::fmin(std::fmax(fY, static_cast<float>(pDataPlot->nFrameTop) + pDataPlot->nButtonSize),
                           static_cast<float>(pDataPlot->nFrameBottom));
    if (!pDataPlot->PixelToValue(fXA, fYIn, &fValueA, &fDummy)) return;
    if (!pDataPlot->PixelToValue(fXB, fYIn, &fValueB, &fDummy)) return;

    if (bZoom) {
        if (std::abs(point.x - nDragStartX) <= 3) return;
        if (nZoomLevel >= nMaxZoomLevels - 1) return;
        if (nZoomLevel == 0) {
            fZoomXMin[0] = pDataPlot->fXMin;
            fZoomXMax[0] = pDataPlot->fXMax;
            fZoomYMin[0] = pDataPlot->fYMin;
            fZoomYMax[0] = pDataPlot->fYMax;
        }
        pDataPlot->ZoomTo(std::fmin(fValueA, fValueB), std::fmax(fValueA, fValueB));
        ++nZoomLevel;
        fZoomXMin[nZoomLevel] = pDataPlot->fXMin;
        fZoomXMax[nZoomLevel] = pDataPlot->fXMax;
        fZoomYMin[nZoomLevel] = pDataPlot->fYMin;
        fZoomYMax[nZoomLevel] = pDataPlot->fYMax;
        Invalidate(true);
        return;
    }

    // the dragged marker takes the radius under the mouse; the fit limits
    // are kept valid by the rules of the scan data
    float* pValue = markerValue(nDragMarker);
    if (!pValue) return;
    *pValue = fValueB;
    // meniscus and bottom are also entries 13 and 14 of the parameter vector,
    // which the fits read back: they must not take the old place there
    if (nDragMarker == MARKER_MENISCUS) pParamValue[13] = fMeniscus;
    if (nDragMarker == MARKER_BOTTOM) pParamValue[14] = fBottom;
    if (nDragMarker == MARKER_LEFT || nDragMarker == MARKER_MENISCUS) updateLeftFitLimit();
    if (nDragMarker == MARKER_RIGHT || nDragMarker == MARKER_BOTTOM) updateRightFitLimit();
    if (nDragMarker == MARKER_MENISCUS || nDragMarker == MARKER_BOTTOM) setAutoMeniscusBottomLimits();
    DrawMarkers();
}

void TXLAWindow::EvLButtonDblClk(UINT, const POINT& point)
{
    if (bRunning || bFitting) return;
    if (mouseActionsEvLButtonDblClk(point)) return;
}

void TXLAWindow::EvRButtonDown(UINT, const POINT& point)
{
    if (bRunning || bFitting) return;
    nRightDragStartX = nRightDragStartY = -1;
    if (mouseActionsEvRButtonDown(point)) return;
    nRightDragStartX = point.x;
    nRightDragStartY = point.y;
}

void TXLAWindow::EvRButtonUp(UINT, const POINT& point)
{
    if (bRunning || bFitting) return;
    if (mouseActionsEvRButtonUp(point)) return;
    // a drag armed on the M* screens sets an extrapolation range
    const int nStart = nRightDragStartX, nStartY = nRightDragStartY;
    nRightDragStartX = nRightDragStartY = -1;
    // a rectangle on the distribution plot ends a range selection
    if (FinishRangeSelection(nStart, nStartY, point)) return;
    if (bMStarMode && (bMStarDragA || bMStarDragB) && nStart >= 0 && std::abs(point.x - nStart) > 10) {
        mStarDragExtrapolation(this, bMStarDragA ? 1 : 4, static_cast<float>(nStart), static_cast<float>(point.x));
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return;
    }
    // one zoom level back
    if (!dataPlotShown() || nZoomLevel <= 0) return;
    --nZoomLevel;
    if (nZoomLevel == 0)
        pDataPlot->ResetZoom();
    else
        pDataPlot->SetAxisRanges(fZoomXMin[nZoomLevel], fZoomXMax[nZoomLevel], fZoomYMin[nZoomLevel],
                                 fZoomYMax[nZoomLevel]);
    Invalidate(true);
}

void TXLAWindow::EvRButtonDblClk(UINT, const POINT& point)
{
    if (bRunning || bFitting) return;
    if (mouseActionsEvRButtonDblClk(point)) return;
}

void TXLAWindow::EvKeyDown(UINT key, UINT repeatCount, UINT flags)
{
    if (bRealtimeUpdate) bAbortRequested = 1;
    if (bRunning || bFitting) return;
    if (mouseActionsEvKeyDown(key, repeatCount, flags)) return;
    if (key == VK_DELETE) DeletePointUnderMouse();
}

void TXLAWindow::DeletePointUnderMouse()
{
    if (bZoomDragging || bMarkerDragging || !PointInDataPlot(ptMouse.x, ptMouse.y)) return;
    const float fX = pixelToPerMilleX(ptMouse.x, fClientWidth), fY = pixelToPerMilleY(ptMouse.y, fClientHeight);
    const float fTolX = pixelToPerMilleX(nMarkerHitTolerance, fClientWidth);
    const float fTolY = pixelToPerMilleY(nMarkerHitTolerance, fClientHeight);
    // the scan drawn last lies on top
    int nScan = nScans, nPoint = 0;
    for (; nScan >= 1; --nScan)
        if (HitDataPoint(nScan, fX, fY, fTolX, fTolY)) {
            nPoint = nHitScan;
            break;
        }
    if (nPoint < 1) return;
    char sz[600];
    std::snprintf(sz, sizeof sz, "remove point %d (r = %.4f cm) from the file %.300s?", nPoint,
                  ppRadius[nScan][nPoint], ppScanFileName[nScan]);
    if (MessageBox(HWindow, sz, "DELETE POINT", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    if (!deleteScanPoint(nScan, nPoint)) return;
    redrawDataPlot(0);
    if (bModelComputed) updateResidualsPlot(1);
    InvalidateUnlessBatch();
}

void TXLAWindow::EvChar(UINT key, UINT, UINT)
{
    if (bRunning || bFitting) return;
    if (key == 0x1B) {
        if (endActiveMouseActions()) return;
        // Escape ends a drag of the window's own, else a tool's side plot
        // that stands in for the data plots
        if (bZoomDragging || bMarkerDragging) {
            if (nDragLastX >= 0) DrawXorMarker(nDragLastX);
            if (bZoomDragging) DrawXorMarker(nDragStartX);
            bZoomDragging = bMarkerDragging = false;
        } else if (pAuxPlot) {
            releaseResultArrays();
            Invalidate(true);
        }
        // and the result plot of the boundary analyses
        releaseAreaFractionDisplay(this);
        // Escape ends the approach-to-equilibrium test and leaves the M* screens
        if (bEqTestPlotShown) endEqTestMode(this);
        if (bMStarMode && bMStarAllSets) {
            if (bMStarDragA || bMStarDragB) SetCursor(LoadCursor(nullptr, IDC_ARROW));
            mStarFreeScreenPlots(this);
        }
        return;
    }
    if (key == 0x0D || key == 0x09) {
        if (finishActiveMouseAction()) return;
    }
}
