// The single-scan fringe-jump tool: up to three jump points placed on one
// interference scan while a zoomed window of its data and residuals shows the
// effect, then added to the scan's signal.
#include <algorithm>
#include <cstdio>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "plot/adhoc_plot.h"
#include "scandata/fringe_jump_tools.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_data_commands.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "scandata/tool_plots.h"

using namespace win;

int nFringeJumpWindowPoints = 41;

namespace {

// The points a jump (r, d, j) shifts: outside it for d > 0, inside for d < 0.
bool jumpShifts(double dRadius, double dDirection, double x)
{
    return (dDirection > 0 && x > dRadius) || (dDirection < 0 && x < dRadius);
}

}  // namespace

CMouseAction_FixPointScanFringeJump::CMouseAction_FixPointScanFringeJump() = default;

CMouseAction_FixPointScanFringeJump::~CMouseAction_FixPointScanFringeJump() { ReleaseArrays(); }

void CMouseAction_FixPointScanFringeJump::ReleaseArrays()
{
    free_vector(winResidual, 1, windowPoints);
    free_vector(winResidualCorrected, 1, windowPoints);
    free_vector(winSignal, 1, windowPoints);
    free_vector(winSignalCorrected, 1, windowPoints);
    free_vector(winRadius, 1, windowPoints);
    winResidual = winResidualCorrected = winSignal = winSignalCorrected = winRadius = nullptr;
    float** markers[] = {&markerX1, &markerY1, &markerX2, &markerY2, &markerX3, &markerY3};
    for (float** pp : markers) {
        free_vector(*pp, 1, 2);
        *pp = nullptr;
    }
    free_vector(workSignal, 1, nPoints);
    free_vector(workResidual, 1, nPoints);
    workSignal = workResidual = nullptr;
    nPoints = 0;
    windowPoints = 0;
    windowUsed = 0;
    scan = 0;
}

void CMouseAction_FixPointScanFringeJump::Cancel()
{
    ReleaseArrays();
    jumpRadius1 = jumpRadius2 = jumpRadius3 = 0.0;
    focus = 1;
}

void CMouseAction_FixPointScanFringeJump::Start()
{
    if (windowPoints > 0) Cancel();
    windowPoints = std::max(1, nFringeJumpWindowPoints);
    winResidual = vector(1, windowPoints);
    winResidualCorrected = vector(1, windowPoints);
    winSignal = vector(1, windowPoints);
    winSignalCorrected = vector(1, windowPoints);
    winRadius = vector(1, windowPoints);
    markerX1 = vector(1, 2);
    markerY1 = vector(1, 2);
    markerX2 = vector(1, 2);
    markerY2 = vector(1, 2);
    markerX3 = vector(1, 2);
    markerY3 = vector(1, 2);
}

void CMouseAction_FixPointScanFringeJump::TakeScan(int nScan)
{
    free_vector(workSignal, 1, nPoints);
    free_vector(workResidual, 1, nPoints);
    scan = nScan;
    nPoints = pScanPoints[nScan];
    workSignal = vector(1, nPoints);
    workResidual = vector(1, nPoints);
    for (int j = 1; j <= nPoints; ++j) {
        workSignal[j] = ppSignal[nScan][j];
        workResidual[j] = ppResidual[nScan][j];
    }
}

void CMouseAction_FixPointScanFringeJump::PickScan(const POINT& point)
{
    int nFound = 0;
    float x = 0, y = 0, tolX = 0, tolY = 0;
    if (clickPerMille(window, point, &x, &y, &tolX, &tolY)) {
        // the scans in time order, first on the data plot, then on the residuals
        if (pDataPlot) {
            for (int t = 1; t <= nScans && !nFound; ++t) {
                const int i = pScanTimeOrder[t];
                if (window->HitDataPoint(i, x, y, tolX, tolY)) {
                    nFound = i;
                    cursorPoint = nHitScan;
                }
            }
        }
        if (!nFound && pResidualsPlot) {
            for (int t = 1; t <= nScans && !nFound; ++t) {
                const int i = pScanTimeOrder[t];
                if (window->HitResidualPoint(i, x, y, tolX, tolY)) {
                    nFound = i;
                    cursorPoint = nHitResidualScan;
                }
            }
        }
    }
    TakeScan(nFound ? nFound : 1);
}

void CMouseAction_FixPointScanFringeJump::Recompute()
{
    if (scan < 1 || !workSignal || windowPoints < 1) return;
    const float* r = ppRadius[scan];
    cursorPoint = std::clamp(cursorPoint, 1, nPoints);
    cursorRadius = r[cursorPoint];

    // the jump with the focus follows the cursor
    double* pRadius[] = {nullptr, &jumpRadius1, &jumpRadius2, &jumpRadius3};
    double* pDirection[] = {nullptr, &jumpDirection1, &jumpDirection2, &jumpDirection3};
    double* pSize[] = {nullptr, &jumpSize1, &jumpSize2, &jumpSize3};
    float* pMarkerX[] = {nullptr, markerX1, markerX2, markerX3};
    float* pMarkerY[] = {nullptr, markerY1, markerY2, markerY3};
    const int f = std::clamp(focus, 1, 3);
    *pRadius[f] = cursorRadius;
    *pDirection[f] = cursorDirection;
    *pSize[f] = cursorJump;
    pMarkerX[f][1] = pMarkerX[f][2] = static_cast<float>(cursorRadius);
    pMarkerY[f][1] = 0.0f;
    pMarkerY[f][2] = static_cast<float>(cursorJump);

    // the window around the cursor, inside the scan
    const int n = std::min(windowPoints, nPoints);
    int s = std::max(1, cursorPoint - (windowPoints - 1) / 2);
    if (s + n - 1 > nPoints) s = nPoints - n + 1;
    double dResidual = 0.0, dSignal = 0.0;
    for (int k = 1; k <= n; ++k) {
        dResidual += workResidual[s + k - 1];
        dSignal += workSignal[s + k - 1];
    }
    const float fMeanResidual = static_cast<float>(dResidual / n);
    const float fMeanSignal = static_cast<float>(dSignal / n);
    for (int k = 1; k <= n; ++k) {
        const int j = s + k - 1;
        winRadius[k] = r[j];
        winResidual[k] = workResidual[j] - fMeanResidual;
        winSignal[k] = workSignal[j] - fMeanSignal;
        const float fShift = jumpShifts(cursorRadius, cursorDirection, r[j]) ? static_cast<float>(cursorJump) : 0.0f;
        winResidualCorrected[k] = winResidual[k] + fShift;
        winSignalCorrected[k] = winSignal[k] + fShift;
    }
    windowUsed = n;
}

void CMouseAction_FixPointScanFringeJump::ApplyToWorkingCopies()
{
    if (scan < 1 || !workSignal) return;
    const float* r = ppRadius[scan];
    for (int j = 1; j <= nPoints; ++j) {
        float fAdd = 0.0f;
        if (jumpShifts(jumpRadius1, jumpDirection1, r[j])) fAdd += static_cast<float>(jumpSize1);
        if (jumpRadius2 > 0 && jumpShifts(jumpRadius2, jumpDirection2, r[j])) fAdd += static_cast<float>(jumpSize2);
        if (jumpRadius3 > 0 && jumpShifts(jumpRadius3, jumpDirection3, r[j])) fAdd += static_cast<float>(jumpSize3);
        workSignal[j] += fAdd;
        workResidual[j] += fAdd;
    }
}

void CMouseAction_FixPointScanFringeJump::ApplyToScan(int nScan) const
{
    if (nScan < 1 || nScan > nScans) return;
    const float* r = ppRadius[nScan];
    float* y = ppSignal[nScan];
    for (int j = 1; j <= pScanPoints[nScan]; ++j) {
        // each jump in turn, as on the working copies
        if (jumpShifts(jumpRadius1, jumpDirection1, r[j])) y[j] += static_cast<float>(jumpSize1);
        if (jumpRadius2 > 0 && jumpShifts(jumpRadius2, jumpDirection2, r[j])) y[j] += static_cast<float>(jumpSize2);
        if (jumpRadius3 > 0 && jumpShifts(jumpRadius3, jumpDirection3, r[j])) y[j] += static_cast<float>(jumpSize3);
    }
    bDataChanged = 1;
}

void CMouseAction_FixPointScanFringeJump::Draw()
{
    if (scan < 1 || windowUsed < 1) return;
    const int n = windowUsed;
    CAdHocPlot* p = newToolPlot("radius (cm)", "fringes");
    addToolCurve(p, winRadius, winResidual, n, RGB(0, 0, 0), 6);
    addToolCurve(p, winRadius, winSignal, n, RGB(100, 100, 100), -1);
    addToolCurve(p, winRadius, winResidualCorrected, n, RGB(255, 0, 0), 15);
    addToolCurve(p, winRadius, winSignalCorrected, n, RGB(255, 0, 255), -1);
    const float fLow = std::min(winRadius[1], winRadius[n]);
    const float fHigh = std::max(winRadius[1], winRadius[n]);
    auto inWindow = [&](double d) { return d > 0 && d >= fLow && d <= fHigh; };
    if (inWindow(jumpRadius1)) addToolCurve(p, markerX1, markerY1, 2, RGB(255, 0, 0), 12);
    if (inWindow(jumpRadius2)) addToolCurve(p, markerX2, markerY2, 2, RGB(0, 0, 255), 12);
    if (inWindow(jumpRadius3)) addToolCurve(p, markerX3, markerY3, 2, RGB(255, 0, 255), 12);
    showToolPlot(window, p);

    char sz[400];
    std::snprintf(sz, sizeof sz, "scan %s, r = %f cm     ", ppScanFileName[scan], cursorRadius);
    writeToolText(window, 10, 20, sz);
    writeToolText(window, 10, 45, "current residuals(circles) and data (lines) are black/gray, corrected red/magenta");
    writeToolText(window, 10, 70, "press L (fix to left) R (fix to right), up/down to increase/decrease, left/right to move");
    std::snprintf(sz, sizeof sz, "press '1', '2', '3' key to add new or modify current jump point (current focus #%d)",
                  focus);
    writeToolText(window, 10, 95, sz);
    writeToolText(window, 10, 120, "press 'N' or 'P' for next or previous scan, ENTER to apply changes");
}

bool CMouseAction_FixPointScanFringeJump::LButtonDown(const POINT& point)
{
    // every click starts with no jumps placed
    Start();
    if (nScans < 1) return true;
    PickScan(point);
    Recompute();
    Draw();
    return true;
}

void CMouseAction_FixPointScanFringeJump::MoveToScan(int nNext)
{
    char sz[400];
    std::snprintf(sz, sizeof sz, "apply changes to %s?", ppScanFileName[scan]);
    if (scanYesNoBox(sz, "")) ApplyToScan(scan);
    // past the first or the last scan the working copies stay
    if (nNext >= 1 && nNext <= nScans) TakeScan(nNext);
}

bool CMouseAction_FixPointScanFringeJump::KeyDown(UINT key, UINT, UINT)
{
    if (scan < 1) return false;
    switch (key) {
    case VK_LEFT: --cursorPoint; break;
    case VK_RIGHT: ++cursorPoint; break;
    case VK_UP: cursorJump += 1.0; break;
    case VK_DOWN: cursorJump -= 1.0; break;
    case 'L': cursorDirection = -1.0; break;
    case 'R': cursorDirection = 1.0; break;
    case '1':
    case '2':
    case '3':
        ApplyToWorkingCopies();
        focus = static_cast<int>(key - '0');
        break;
    case 'N': MoveToScan(scan + 1); break;
    case 'P': MoveToScan(scan - 1); break;
    case VK_ESCAPE:
        // the active tool is this one: it ends as Escape ends it
        endActiveMouseActions();
        return true;
    default: return false;
    }
    Recompute();
    Draw();
    return true;
}

void CMouseAction_FixPointScanFringeJump::Finish()
{
    // Enter applies nothing by itself: the user says whether 'N' or 'P' did
    if (!scanYesNoBox("were changes applied?", "") && scanYesNoBox("apply now?", "")) ApplyToScan(scan);
    setupNoiseRadialGrid();
    if (window)
        offerSaveRawDataSet(window, "save scan data? (don't use speed/wl info in file option; best to save in new directory)");
    Cancel();
}

void TXLAWindow::CmFixPointScanFringeJump()
{
    bCtotBusy = 1;
    const bool bGo = scanYesNoBox("after fit, click on single scan where jump occurs in residuals plot", "Fix Scratch Jump");
    bCtotBusy = 0;
    if (bGo) startFixPointScanFringeJump();
}

void TXLAWindow::CmFixScratchJumpSingleScan() { CmFixPointScanFringeJump(); }
