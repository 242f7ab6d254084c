// Scan-time recording of the global-grid propagators and the back-diffusion
// test.
//
// The propagators clip every step to dStepTargetTime while bStepToScanTime is
// set, so a step lands on each scan's time; the recorder then takes the
// profile and sets the next target. Under simulated time resolution a scan is
// taken in 100 radial bands: the band n (from 0) holds the grid points below
// m + v (n + 1) T/100 at the time scan + offset + n T/100, T = (b - m)/v the
// time the scanner takes over the column, v the scan velocity.
#include "fegrid/scan_recording.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/step_profiles.h"
#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fegrid/radial_profile_filters.h"
#include "fitting/fit_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

namespace {

constexpr int nScanBands = 100;

// The band state of the scan being taken.
struct BandState {
    int nBand = 0;              // the band taken last (from 0)
    double dOffset = 0.0;       // s after the scan time at which band 0 was taken
    int nLastCopied = 0;        // grid points taken so far
    unsigned char bInScan = 0;  // bands of this scan are being taken
} gBands;

void resetBands() { gBands = BandState{}; }

bool progressWindow() { return pLammOwnerWindow && pLammOwnerWindow->HWindow; }

void progressLine(int y, const char* text)
{
    if (progressWindow()) writeToolText(pLammOwnerWindow, 10, y, text);
}

// The filter of simulated absorbance profiles by the optics' radial resolution.
void applyAbsorbanceResolution(int n, float* r, float* y)
{
    if (bAbsorbanceData && !bIntensityData && bSimRadialResolution) convolveAbsorbanceResolution(n, fConvolutionRange, r, y);
}

win::COLORREF speciesColour(int k)
{
    switch (k) {
    case 1: return win::RGB(150, 0, 150);
    case 2: return win::RGB(0, 255, 0);
    case 3: return win::RGB(0, 0, 255);
    case 4: return win::RGB(0, 150, 150);
    default: return win::RGB(0, 0, 0);
    }
}

void drawFitCurve(int scan)
{
    if (!progressWindow() || !bRepaintAfterCalc || !pDataPlot || !ppFitCurve || !ppFitCurve[scan]) return;
    win::HMETAFILE h = pDataPlot->OverlayCurveAll(ppFitCurve[scan], speciesColour(nSimSpeciesIndex), -1, 0);
    if (!h) return;
    playIntoClientArea(pLammOwnerWindow, h);
    win::DeleteMetaFile(h);
}

// The scan the recorder writes next.
int currentScan()
{
    if (nSimOutputMode == 1) return pScanTimeOrder ? pScanTimeOrder[nSimScanIndex] : 0;
    return nSimScanIndex;
}

// The snapshot, or the profile with snapshot == pGridConc, into its place.
void writeScan(int scan, const double* profile)
{
    const int N = nGridPointsAllocated;
    if (scan < 1 || scan > nScans) return;
    if (bModelContinuous) {
        interpolateLammSolution(scan, pGridRadius, profile, N);
        return;
    }
    if (nSimOutputMode != 1) return;
    if (!bAlgebraicConcentrations && !bFitTINoise && !bFitRINoise) {
        if (!ppModelPart || !ppModelPart[scan] || !ppFit || !ppFit[scan]) return;
        const int n = pScanPoints[scan];
        float* part = ppModelPart[scan];
        for (int j = 1; j <= n; j++) part[j] = 0.0f;
        interpolateOnGridFD(n, ppRadius[scan], part, N, pGridRadius, profile);
        applyAbsorbanceResolution(n, ppRadius[scan], part);
        for (int j = 1; j <= n; j++) ppFit[scan][j] += part[j];
        drawFitCurve(scan);
    } else {
        const int s = nSimSpeciesIndex;
        if (s < 1 || s > 4 || !pppExtraNoiseScan[s] || !pppExtraNoiseScan[s][scan] || !pNoiseGrid) return;
        float* basis = pppExtraNoiseScan[s][scan];
        for (int j = 1; j <= nNoiseGridPoints; j++) basis[j] = 0.0f;
        interpolateOnGridFD(nNoiseGridPoints, pNoiseGrid, basis, N, pGridRadius, profile);
        applyAbsorbanceResolution(nNoiseGridPoints, pNoiseGrid, basis);
    }
}

// Copies the grid points below the radius into the snapshot, from the first
// not yet taken.
void takeBand(double dEndRadius)
{
    const int N = nGridPointsAllocated;
    int i = gBands.nLastCopied + 1;
    for (; i <= N && pGridRadius[i] < dEndRadius; i++) pGridConcSnapshot[i] = pGridConc[i];
    gBands.nLastCopied = i - 1;
}

// Under simulated time resolution: true while bands of the scan remain (the
// next band's time is then the step target).
bool bandsRemain(double dScanTime)
{
    const int N = nGridPointsAllocated;
    const double m = fMeniscus, b = fBottom;
    const double v = fScanVelocity / 60.0;  // cm/s
    const double dBand = (b - m) / v / nScanBands;
    if (!gBands.bInScan) {
        gBands.bInScan = 1;
        gBands.nBand = 0;
        gBands.dOffset = dSimTime - dScanTime;
        gBands.nLastCopied = 0;
        takeBand(m + v * dBand);
        for (int i = gBands.nLastCopied + 1; i <= N; i++) pGridConcSnapshot[i] = 0.0;
    } else if (dSimTime >= dScanTime + gBands.dOffset + dBand - 1e-10) {
        gBands.nBand++;
        gBands.dOffset += dBand;
        if (gBands.nBand >= nScanBands - 1) {
            for (int i = gBands.nLastCopied + 1; i <= N; i++) pGridConcSnapshot[i] = pGridConc[i];
            gBands.nLastCopied = N;
            return false;
        }
        takeBand(m + v * (gBands.nBand + 1) * dBand);
    }
    dStepTargetTime = dScanTime + gBands.dOffset + dBand;
    bStepToScanTime = 1;
    return true;
}

bool timeResolutionOn() { return fScanVelocity > 0 && bAbsorbanceData && bSimTimeResolution; }

// Moves on to the next scan, or ends the run after the last.
void advanceScan()
{
    resetBands();
    if (nSimScanIndex < nScans) {
        nSimScanIndex++;
        dNextScanTime = scanSimulationTime(pScanTimeOrder[nSimScanIndex]);
        dStepTargetTime = dNextScanTime;
        bStepToScanTime = 1;
    } else if (bSimulateBeyondLastScan) {
        // The run goes on until the profile no longer changes; should it reach
        // this far, it ends here (past the last scan nothing is written).
        nSimScanIndex = nScans + 1;
        dNextScanTime = 1e8;
        bStepToScanTime = 0;
    } else {
        bSimulationRunning = 0;
    }
}

}  // namespace

double scanSimulationTime(int scan)
{
    const ScanHeader& h = pScanHeaders[scan];
    return bRampRotorSpeed && !bDLSData ? h.timeWritten : h.time;
}

void resetScanTimeRecorder() { resetBands(); }

bool keyStopsPropagation()
{
    if (bHeteroAssocKeys && bModelHeteroAssociation) return false;
    if (!keyPressed()) return false;
    bSimulationRunning = 0;
    bInterruptComputation = 1;
    return true;
}

void showStepCountText()
{
    char text[80];
    std::snprintf(text, sizeof text, "#it = %d   ", nTimeStepCount);
    progressLine(90, text);
}

void showStepTimeText()
{
    char text[80];
    std::snprintf(text, sizeof text, "dt = %f sec  ", dTimeStep);
    progressLine(70, text);
}

void showSimTimeText()
{
    char text[80];
    if (bHeteroAssocRun && bModelHeteroAssociation)
        std::snprintf(text, sizeof text, "t = %.0f sec (M=%f) ", dSimTime, dProgressTotalAmount);
    else
        std::snprintf(text, sizeof text, "t = %.0f sec  ", dSimTime);
    progressLine(110, text);
}

void showRelativeChangeText(float ri)
{
    char text[80];
    std::snprintf(text, sizeof text, "ri=%f  ", ri);
    progressLine(130, text);
}

void recordScanTimeProfile(double ri)
{
    if (bRepaintAfterCalc && progressWindow()) {
        showStepCountText();
        showStepTimeText();
        showSimTimeText();
        showRelativeChangeText(static_cast<float>(ri));
    }
    if (dSimTime < dNextScanTime) {
        resetBands();
        return;
    }
    if (nSimScanIndex > nScans) {  // past the last scan: the run ends
        bSimulationRunning = 0;
        return;
    }
    if (nSimScanIndex < 1 || !bGridArraysAllocated) return;
    keyStopsPropagation();
    const int scan = currentScan();
    if (bMovingHat) updateMovingGridRadii();
    if (bHeteroAssocRun && bModelHeteroAssociation) {
        heteroAssocSignal();
        drawHeteroAssocProfiles();
    }
    const int N = nGridPointsAllocated;
    if (timeResolutionOn()) {
        if (bandsRemain(dNextScanTime)) return;
    } else {
        for (int i = 1; i <= N; i++) pGridConcSnapshot[i] = pGridConc[i];
    }
    writeScan(scan, pGridConcSnapshot);
    showCosoluteProfile(scan);
    advanceScan();
}

void fillRemainingScansWithProfile()
{
    if (!bSimulationRunning || !bGridArraysAllocated) return;
    if (bMovingHat) updateMovingGridRadii();
    while (nSimScanIndex >= 1 && nSimScanIndex <= nScans) {
        writeScan(currentScan(), pGridConc);
        if (nSimScanIndex == nScans) break;
        nSimScanIndex++;
    }
    resetBands();
    bSimulationRunning = 0;
}

bool checkBackDiffusionShutOff(double s, double D)
{
    if (!bShutOffBackDiffusion || !(s > 0) || !(D > 0) || nScans < 1) return false;
    const ScanHeader& h = pScanHeaders[pScanTimeOrder[nScans]];
    const double T = h.temperature + kZeroCelsius;
    const double M = T * s * 1e-13 * kGasConstantSI * 1e7 / D;
    const double w = h.rpm * (1.0 / 60.0) * 2.0 * M_PI;
    const double X = w * w / (T * (2.0 * kGasConstant2006));
    if (M * X > 100) return true;
    const double b = fBottom, m = fMeniscus, f = fFitRightLim;
    const double A = std::exp((b * b - f * f) * M * X), B = std::exp((m * m - f * f) * M * X);
    const double mean = (A - B) / (2 * X * M);
    const double ratio = mean / ((b * b - m * m) / 2);
    return 1 / ratio < dBackDiffusionLevel;
}
