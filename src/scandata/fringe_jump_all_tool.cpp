// The all-scans fringe-jump tool: at one clicked radius every scan's residual
// just inside is compared with the one just outside; where they differ by more
// than half a fringe, one whole fringe is taken off (or added to) the outer
// part of that scan.
#include <cstdio>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "numerics/nrutil.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "plot/number_entry.h"
#include "scandata/fringe_jump_tools.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_data_commands.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "scandata/tool_plots.h"

using namespace win;

float fScratchJumpCheckDistance = 0.003f;

namespace {

// One whole fringe, and the difference that calls for it.
constexpr float fFringe = 1.0f;
constexpr float fFringeThreshold = 0.5f;

}  // namespace

CMouseAction_FixScratchJump::~CMouseAction_FixScratchJump() { ReleaseArrays(); }

void CMouseAction_FixScratchJump::ReleaseArrays()
{
    free_ivector(outerPoint, 1, nAllocated);
    free_ivector(innerPoint, 1, nAllocated);
    outerPoint = innerPoint = nullptr;
    float** arrays[] = {&outerResidual, &innerResidual, &outerCorrected, &innerCorrected, &scanNumber};
    for (float** pp : arrays) {
        free_vector(*pp, 1, nAllocated);
        *pp = nullptr;
    }
    nAllocated = 0;
}

void CMouseAction_FixScratchJump::Cancel() { ReleaseArrays(); }

void CMouseAction_FixScratchJump::Start()
{
    ReleaseArrays();
    jumpRadius = 0.0;
    if (nScans < 1) return;
    nAllocated = nScans;
    outerPoint = ivector(1, nAllocated);
    innerPoint = ivector(1, nAllocated);
    outerResidual = vector(1, nAllocated);
    innerResidual = vector(1, nAllocated);
    outerCorrected = vector(1, nAllocated);
    innerCorrected = vector(1, nAllocated);
    scanNumber = vector(1, nAllocated);
    for (int k = 1; k <= nAllocated; ++k) scanNumber[k] = static_cast<float>(k);
}

bool CMouseAction_FixScratchJump::Compared(int i) const
{
    if (i < 1 || i > nAllocated || i > nScans || jumpRadius <= 0.0) return false;
    const int n = pScanPoints[i];
    return outerPoint[i] >= 1 && outerPoint[i] <= n && innerPoint[i] >= 1 && innerPoint[i] <= n;
}

int CMouseAction_FixScratchJump::Correction(int i) const
{
    if (!Compared(i)) return 0;
    if (outerResidual[i] > innerResidual[i] + fFringeThreshold) return -1;
    if (outerResidual[i] < innerResidual[i] - fFringeThreshold) return 1;
    return 0;
}

void CMouseAction_FixScratchJump::Compare()
{
    double dOuter = 0.0, dInner = 0.0;
    int nCompared = 0;
    for (int i = 1; i <= nAllocated; ++i) {
        scanNumber[i] = static_cast<float>(i);
        if (Compared(i)) {
            outerResidual[i] = ppResidual[i][outerPoint[i]];
            innerResidual[i] = ppResidual[i][innerPoint[i]];
            dOuter += outerResidual[i];
            dInner += innerResidual[i];
            ++nCompared;
        } else {
            // a scan without points on both sides takes no part
            outerResidual[i] = innerResidual[i] = 0.0f;
        }
        innerCorrected[i] = innerResidual[i];
        outerCorrected[i] = outerResidual[i] + static_cast<float>(Correction(i)) * fFringe;
    }
    meanOuter = nCompared ? static_cast<float>(dOuter / nCompared) : 0.0f;
    meanInner = nCompared ? static_cast<float>(dInner / nCompared) : 0.0f;
}

bool CMouseAction_FixScratchJump::LocateJump(const POINT& point)
{
    if (nAllocated < 1 || !pResidualsPlot) return false;
    float x = 0, y = 0;
    if (!clickPerMille(window, point, &x, &y, nullptr, nullptr)) return false;
    if (!(y > nResidPlotTop && y < nResidPlotBottom)) return false;
    double dRadius = 0.0;
    if (!plotXValue(pResidualsPlot, x, &dRadius)) return false;
    if (dRadius < fFitLeftLim || dRadius > fFitRightLim) return false;

    jumpRadius = dRadius;
    const double d = fScratchJumpCheckDistance;
    for (int i = 1; i <= nAllocated; ++i) {
        const float* r = ppRadius[i];
        const int n = pScanPoints[i];
        // "none" lies outside 1..n: past the last point, or before the first
        int nOuter = 1;
        while (nOuter <= n && !(r[nOuter] > jumpRadius + d)) ++nOuter;
        int nInner = n;
        while (nInner >= 1 && !(r[nInner] < jumpRadius - d)) --nInner;
        outerPoint[i] = nOuter;
        innerPoint[i] = nInner;
    }
    Compare();
    return true;
}

void CMouseAction_FixScratchJump::WriteDistance(const char* szFormat)
{
    double dr = 0.0;
    if (Compared(1)) dr = ppRadius[1][outerPoint[1]] - jumpRadius;
    char sz[100];
    std::snprintf(sz, sizeof sz, szFormat, dr);
    writeToolText(window, 10, 70, sz);
}

void CMouseAction_FixScratchJump::Draw()
{
    if (nAllocated < 1) return;
    CAdHocPlot* p = newToolPlot("scan #", "residuals");
    addToolCurve(p, scanNumber, outerResidual, nAllocated, RGB(0, 0, 0), 6);
    addToolCurve(p, scanNumber, outerCorrected, nAllocated, RGB(255, 0, 0), 15);
    addToolCurve(p, scanNumber, innerResidual, nAllocated, RGB(0, 0, 0), 5);
    addToolCurve(p, scanNumber, innerCorrected, nAllocated, RGB(255, 0, 0), 5);
    showToolPlot(window, p);
}

bool CMouseAction_FixScratchJump::LButtonDown(const POINT& point)
{
    Start();
    // a click outside the residuals band or the fit limits changes nothing
    LocateJump(point);
    Draw();
    WriteDistance("dr = %f      ");
    return true;
}

bool CMouseAction_FixScratchJump::KeyDown(UINT key, UINT, UINT)
{
    if (nAllocated < 1) return false;
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT: {
        // all compared points move together, one index inward or outward
        const int nStep = key == VK_LEFT ? -1 : 1;
        if (jumpRadius > 0.0) {
            for (int i = 1; i <= nAllocated; ++i) {
                outerPoint[i] += nStep;
                innerPoint[i] += nStep;
            }
            Compare();
        }
        Draw();
        WriteDistance("dr = %f       ");
        return true;
    }
    case VK_ESCAPE:
        // the active tool is this one: it ends as Escape ends it
        endActiveMouseActions();
        return true;
    default: return false;
    }
}

void CMouseAction_FixScratchJump::ApplyToScans()
{
    const int n = nAllocated < nScans ? nAllocated : nScans;
    for (int i = 1; i <= n; ++i) {
        const int nCorrection = Correction(i);
        if (!nCorrection) continue;
        // the outer part from the compared point on, not from the clicked radius
        for (int j = outerPoint[i]; j <= pScanPoints[i]; ++j) ppSignal[i][j] += static_cast<float>(nCorrection) * fFringe;
        bDataChanged = 1;
    }
    if (nScans > 0) setupNoiseRadialGrid();
}

void CMouseAction_FixScratchJump::Finish()
{
    Draw();
    ApplyToScans();
    if (window) offerSaveRawDataSet(window, "save scan data?");
    ReleaseArrays();
}

void TXLAWindow::CmFixScratchJump()
{
    bCtotBusy = 1;
    bool bGo = scanYesNoBox(
        "after fit, click on radial value where jump occurs in residuals plot, then use arrow keys to refine",
        "Fix Scratch Jump");
    if (bGo)
        bGo = inputFloat(&fScratchJumpCheckDistance, fScratchJumpCheckDistance, true, "check residuals at distance (cm)",
                         "FIX SCRATCH JUMP");
    bCtotBusy = 0;
    if (bGo) startFixScratchJump();
}
