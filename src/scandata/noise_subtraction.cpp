// Systematic-noise subtraction from the raw data and the Display commands
// that run it.
#include "scandata/noise_subtraction.h"

#include <algorithm>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/mouse_actions.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"

namespace {

bool noiseModelPresent()
{
    return !bDLSData && nScans > 0 && nNoiseGridPoints > 0 && pNoiseGrid && ppScanOnNoiseGrid && pTINoise &&
           pRINoise;
}

// The scans' own values on the grid change with the signal when the grid
// shares them (equal interference scans); only resampled copies need the
// change as well.
bool ownOnGridCopies() { return bScanOnNoiseGridOwned != 0; }

// signal and fit += f x the profile over the grid, interpolated at each
// point's radius; the resampled on-grid copies += f x the profile.
void addGridProfile(const float* pProfile, float f)
{
    for (int i = 1; i <= nScans; ++i) {
        const int n = pScanPoints[i];
        float* pAtPoints = vector(1, n);
        interpolateOnGrid(n, ppRadius[i], pAtPoints, nNoiseGridPoints, pNoiseGrid, pProfile);
        for (int j = 1; j <= n; ++j) {
            ppSignal[i][j] += f * pAtPoints[j];
            if (ppFit && ppFit[i]) ppFit[i][j] += f * pAtPoints[j];
        }
        free_vector(pAtPoints, 1, n);
        if (ownOnGridCopies() && ppScanOnNoiseGrid[i])
            for (int k = 1; k <= nNoiseGridPoints; ++k) ppScanOnNoiseGrid[i][k] += f * pProfile[k];
    }
}

// signal, fit and resampled on-grid copies of scan i -= d.
void subtractFromScan(int i, float d)
{
    for (int j = 1; j <= pScanPoints[i]; ++j) {
        ppSignal[i][j] -= d;
        if (ppFit && ppFit[i]) ppFit[i][j] -= d;
    }
    if (ownOnGridCopies() && ppScanOnNoiseGrid[i])
        for (int k = 1; k <= nNoiseGridPoints; ++k) ppScanOnNoiseGrid[i][k] -= d;
}

// Mean profile, mean of each scan and the normalisers over the whole grid.
void refreshNoiseProfiles()
{
    const int n = nNoiseGridPoints;
    for (int k = 1; k <= n; ++k) {
        double dSum = 0.0;
        for (int i = 1; i <= nScans; ++i) dSum += ppScanOnNoiseGrid[i][k];
        pTINoise[k] = static_cast<float>(dSum / nScans);
    }
    for (int i = 1; i <= nScans; ++i) {
        double dSum = 0.0;
        for (int k = 1; k <= n; ++k) dSum += ppScanOnNoiseGrid[i][k];
        pRINoise[i] = static_cast<float>(dSum / n);
    }
    float fSum = 0.0f;
    for (int k = 1; k <= n; ++k) fSum += pTINoise[k];
    fNoiseGridSum = static_cast<float>(nScans) * fSum;
    fNoiseGridCount = static_cast<float>(nScans) * static_cast<float>(n);
    calcMeanScan();
}

// Shows the data inside the fit range on a new zoom level, then the residuals.
void showNoiseSubtracted()
{
    if (pDataPlot) {
        const int nFirst = std::max(1, nNoiseGridFirst);
        const int nLast = std::min(nNoiseGridPoints, nNoiseGridLast);
        float fXMin = 0, fXMax = 0, fYMin = 0, fYMax = 0;
        if (nFirst <= nLast) {
            fXMin = pNoiseGrid[nFirst];
            fXMax = pNoiseGrid[nLast];
            fYMin = fYMax = ppScanOnNoiseGrid[1][nFirst];
            for (int i = 1; i <= nScans; ++i)
                for (int k = nFirst; k <= nLast; ++k) {
                    fYMin = std::min(fYMin, ppScanOnNoiseGrid[i][k]);
                    fYMax = std::max(fYMax, ppScanOnNoiseGrid[i][k]);
                }
        }
        nZoomLevel = std::min(nZoomLevel + 1, nMaxZoomLevels - 1);
        fZoomXMin[nZoomLevel] = fXMin - 0.01f;
        fZoomXMax[nZoomLevel] = fXMax + 0.01f;
        fZoomYMin[nZoomLevel] = fYMin - 0.1f;
        fZoomYMax[nZoomLevel] = fYMax + 0.1f;
        if (fXMax > fXMin && fYMax > fYMin) {
            pDataPlot->SetAxisRanges(fZoomXMin[nZoomLevel], fZoomXMax[nZoomLevel], fZoomYMin[nZoomLevel],
                                     fZoomYMax[nZoomLevel]);
            pDataPlot->Draw();
        } else {
            redrawDataPlot(1);
        }
    }
    updateResidualsPlot(1);
    updateResidualsBitmapPlot(1);
}

void subtractTiStep()
{
    if (!pTINoiseSaved || !pTINoiseAux) return;
    addGridProfile(pTINoiseSaved, -1.0f);
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseAux[k] += pTINoiseSaved[k];
        pTINoiseSaved[k] = 0.0f;
    }
    refreshNoiseProfiles();
}

void subtractRiStep()
{
    if (!pRINoiseSaved) return;
    for (int i = 1; i <= nScans; ++i) {
        subtractFromScan(i, pRINoiseSaved[i]);
        pRINoiseSaved[i] = 0.0f;
    }
    refreshNoiseProfiles();
}

}  // namespace

void subtractTiNoiseFromData()
{
    if (!noiseModelPresent() || !bFitTINoise) return;
    endActiveMouseActions();  // no tool works on scans changed under it
    subtractTiStep();
    showNoiseSubtracted();
}

void restoreOriginalTiNoise()
{
    if (!noiseModelPresent() || !bFitTINoise || !pTINoiseSaved || !pTINoiseAux) return;
    endActiveMouseActions();  // no tool works on scans changed under it
    addGridProfile(pTINoiseAux, 1.0f);
    for (int k = 1; k <= nNoiseGridPoints; ++k) {
        pTINoiseSaved[k] += pTINoiseAux[k];
        pTINoiseAux[k] = 0.0f;
    }
    refreshNoiseProfiles();
    showNoiseSubtracted();
}

void subtractRiNoiseFromData()
{
    if (!noiseModelPresent() || !bFitRINoise) return;
    endActiveMouseActions();  // no tool works on scans changed under it
    subtractRiStep();
    showNoiseSubtracted();
}

void subtractAllNoiseFromData()
{
    if (!noiseModelPresent() || !bFitRINoise) return;
    endActiveMouseActions();  // no tool works on scans changed under it
    subtractRiStep();
    if (bFitTINoise) subtractTiStep();
    showNoiseSubtracted();
}

void subtractBaselineFromData()
{
    if (!noiseModelPresent() || !bAlgebraicBaseline) return;
    endActiveMouseActions();  // no tool works on scans changed under it
    for (int i = 1; i <= nScans; ++i) subtractFromScan(i, fBaseline);
    fBaseline = 0.0f;
    refreshNoiseProfiles();
    showNoiseSubtracted();
}

// ---------------------------------------------------------------- Display commands

namespace {

constexpr const char* szNoiseCaption = "SUBTRACT NOISE";

bool confirmNoiseCommand(const char* szText)
{
    if (nScans == 0) return false;
    return scanYesNoBox(szText, szNoiseCaption);
}

}  // namespace

void TXLAWindow::CmSubtractTiNoise()
{
    if (!bFitTINoise) {
        scanNoticeBox("no time-invariant noise is fitted", szNoiseCaption);
        return;
    }
    if (!confirmNoiseCommand("subtract the calculated time-invariant noise from the raw data?\n"
                             "(Restore Original TI Noise to Data puts it back)"))
        return;
    subtractTiNoiseFromData();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmSubtractRiNoise()
{
    if (!bFitRINoise) {
        scanNoticeBox("no radial-invariant noise is fitted", szNoiseCaption);
        return;
    }
    if (!confirmNoiseCommand("subtract the calculated radial-invariant noise from the raw data?\n"
                             "(this cannot be undone)"))
        return;
    subtractRiNoiseFromData();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmSubtractAllNoise()
{
    if (!bFitRINoise && !bFitTINoise) {
        scanNoticeBox("no systematic noise is fitted", szNoiseCaption);
        return;
    }
    if (!confirmNoiseCommand("subtract all calculated systematic noise from the raw data?\n"
                             "(only the time-invariant part can be restored)"))
        return;
    // with TI noise alone the TI part is all there is
    if (bFitRINoise)
        subtractAllNoiseFromData();
    else
        subtractTiNoiseFromData();
    InvalidateUnlessBatch();
}

void TXLAWindow::CmRestoreTiNoise()
{
    if (!bFitTINoise) {
        scanNoticeBox("no time-invariant noise is fitted", szNoiseCaption);
        return;
    }
    if (!confirmNoiseCommand("add the subtracted time-invariant noise back to the raw data?")) return;
    restoreOriginalTiNoise();
    InvalidateUnlessBatch();
}
