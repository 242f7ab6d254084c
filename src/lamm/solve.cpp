// CLammIdeal::Solve: the checks of the loaded settings, the run, the retries
// after a numerical failure, the closed form without diffusion and the signal
// transforms over whole scans.
#include <cmath>
#include <cstdio>

#include "lamm/lamm_ideal.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_header.h"

namespace {
int roundedClamped(float size, int lo, int hi)
{
    int n = (int)std::floor(size + 0.5f);
    if (n < lo) n = lo;
    if (n > hi) n = hi;
    return n;
}
}  // namespace

int CLammIdeal::Solve()
{
    if (bDiagnostics) {  // a new log for this solution
        delete[] szLogOpeningLine;
        szLogOpeningLine = nullptr;
        bLogOpened = 0;
        DebugLog(nullptr);
    }
    // 1-9: every group of settings must be loaded
    if (bGeometryLinear || bGeometryExternalLoadingCell || bGeometryReserved || bElectrophoresis) {
        showErrorMessage("can't do special geometries in CLammIdeal", 0);
        return 4;
    }
    if (!bSedParamsOk) {
        showErrorMessage(bFitLimitInCell ? "invalid geometry or s, D parameters loaded in CLammIdeal"
                                         : "meniscus or bottom parameters in conflict with fitting limits in CLammIdeal",
                         0);
        if (nGeometryError == 1) showErrorMessage("meniscus or bottom <= 0 loaded in CLammIdeal", 0);
        if (nGeometryError == 2) showErrorMessage("c0 < 0 loaded in CLammIdeal", 0);
        if (nGeometryError == 3) showErrorMessage("diffcoeff < 0 loaded in CLammIdeal", 0);
        return 4;
    }
    if (!bScanDataOk) {
        showErrorMessage("invalid output parameters loaded in CLammIdeal", 0);
        return 4;
    }
    if (!bModelSet) {
        showErrorMessage("model not set properly in CLammIdeal", 0);
        return 4;
    }
    if (!bSolverOptionsOk) {
        showErrorMessage("Lamm discretization parameters not loaded in CLammIdeal", 0);
        return 4;
    }
    if (!bSelfAssocSet) {
        showErrorMessage("self-association parameters not loaded properly in CLammIdeal", 0);
        return 4;
    }
    if (!bReactOk) {
        showErrorMessage("non-ideality parameters not loaded properly in CLammIdeal", 0);
        return 6;
    }
    if (bWienerIncompatible) {
        showErrorMessage("Wiener skewing correction incompatible with finite scan time resolution", 0);
        return 7;
    }
    if (bRampRotorSpeed && bCheckAcceleration && pScanHeaders && nScans > 0) {
        const double rate = SelectedHeader(1).accelRate;
        if (rate > 0.0001 && rate < 150) {
            showErrorMessage("too slow rotor acceleration", 0);
            bInterruptComputation = 1;
            return 5;
        }
    }

    // the run
    InitAcceleration();
    ChooseEngine();
    LimitAccelerationStep();
    SetupGrid();
    DropDiffusionIfNegligible();
    if (!nGridAllocated) return 1;
    SetInitialConcentration();
    if (dD == 0) {
        // Refusals return 4 (a setting combination not supported): the output
        // rows are not touched, and a caller must not take them for a result.
        if (bUseReactingModel) {
            showErrorMessage(
                "D = 0 or s = 0 models are not implemented yet for concentration dependent sedimentation models", 0);
            return 4;
        }
        if (dS == 0) {
            bNoSedimentation = 1;
            InterpolateAtScans();
        } else if (bInhomogeneousSolvent) {
            showErrorMessage("D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent", 0);
            return 4;
        } else {
            SampleAtScansNoDiffusion();
        }
    } else {
        bNoSedimentation = 0;
        RunTimeStepping();
        ApplySignalTransforms();
        if ((nDiscretizationError || nAbort) && !bAborted) RetryAfterNumericalFailure();
    }
    ClearSnapshots();
    if (bWienerSkewing && nEquationNumber <= 1) {
        fWienerSkewMax = dWienerMaxCurvature != 0 ? (float)(1e6 / dWienerMaxCurvature) : 0.0f;
        fWienerSkewMaxAt = (float)dWienerMaxCurvatureAt;
        nWienerSkewMaxScan = nWienerMaxCall;
    }
    if (nDiscretizationError) return 2;
    if (nAbort) return 3;
    if (nNonidealOutOfRange) return 7;
    return 0;
}

// After a run failed numerically: without truncation, then with the other
// engine, then on the dynamic grid with the negative-meniscus fix. Each retry
// that changes the engine or the truncation says so in the solver log, with
// the failure that led to it.
void CLammIdeal::RetryAfterNumericalFailure()
{
    auto rerun = [this] {
        InitAcceleration();
        LimitAccelerationStep();
        SetInitialConcentration();
        RunTimeStepping();
        ApplySignalTransforms();
    };
    auto failed = [this] { return (nDiscretizationError || nAbort) && !bAborted; };
    auto log = [this](const char* what) {
        if (!bDiagnostics) return;
        char line[300];
        std::snprintf(line, sizeof line, "\nretry %s after %s at t = %.4g s (%d steps, %d points)", what,
                      nDiscretizationError ? "a discretisation error" : "a failed step", dTime, nStepCount,
                      nGridPoints);
        DebugLog(line);
    };
    if (bUseReactingModel) {
        log("on the dynamic grid with the negative-meniscus correction");
        bRetryMarker = bRetryNegativeFix = 1;
        ResizeGrid(roundedClamped(fDynGridSizeEngine2, nDynGridLowerLimit, nDynGridUpperLimit));
        rerun();
        bRetryMarker = bRetryNegativeFix = 0;
        return;
    }
    const unsigned char savedTruncate = bTruncateGrid;
    if (bTruncateGrid) log("without grid truncation");
    bTruncateGrid = 0;
    rerun();
    if (failed() && bEngineStaticGrid && !bSpeedProfile && !bInhomogeneousSolvent) {
        log("on the moving grid (engine 1)");
        bEngineStaticGrid = 0;
        bEngineMovingGrid = 1;
        ResizeGrid(roundedClamped(fDynGridSizeEngine1, nDynGridLowerLimit, nDynGridUpperLimit));
        rerun();
        bEngineMovingGrid = 0;
        bEngineStaticGrid = 1;
    }
    if (failed()) {
        log("on the static grid (engine 2) of the dynamic size with the negative-meniscus correction");
        bRetryMarker = bRetryNegativeFix = 1;
        bEngineMovingGrid = 0;
        bEngineStaticGrid = 1;
        const int size = (int)std::floor(fDynGridSizeEngine2 + 0.5f);
        if (bOptimizeGridSpacing && IsSteepGradient(dS, dD) && !bBandForming && size >= 2) {
            nGridPoints = size;
            OptimizeGridSize(fTwoZoneRadius);
        } else {
            ResizeGrid(roundedClamped(fDynGridSizeEngine2, nDynGridLowerLimit, nDynGridUpperLimit));
        }
        RefineGridZones(!bSteepGradient);
        rerun();
        bRetryMarker = bRetryNegativeFix = 0;
    }
    bTruncateGrid = savedTruncate;
    if (bDiagnostics) DebugLog(failed() ? "\nthe retries failed as well" : "\nthe retry succeeded");
}

// ---------------------------------------------------------------- rows of the output

namespace {
struct Row {
    float* v;
    const float* r;
    int n;
};
}  // namespace

static Row outputRow(CLammIdeal* p, int position)
{
    const int row = p->pScanList ? p->pScanList[position] : position;
    Row x{nullptr, nullptr, 0};
    if (!p->ppOutput || !p->ppOutput[row]) return x;
    x.v = p->ppOutput[row];
    if (p->bPerScanRadii) {
        if (!p->ppScanRadii || !p->pScanPoints) return Row{nullptr, nullptr, 0};
        x.r = p->ppScanRadii[row];
        x.n = p->pScanPoints[row];
    } else {
        x.r = p->pCommonRadii;
        x.n = p->nCommonRadii;
    }
    if (!x.r) x.v = nullptr;
    return x;
}

void CLammIdeal::ApplySignalTransforms()
{
    if (bRadialSlope || bTimeSignal || bBottomZone || bRadialConvolution) {
        for (int k = 1; k <= nScans; k++) {
            Row x = outputRow(this, k);
            if (!x.v) continue;
            // drift and bleaching go with the time since the start of the rotor
            const bool factors =
                bTimeSignal && SetSignalFactorsForScans(dTimeOffset + SelectedHeader(k).timeWritten, x.n, x.r);
            for (int i = 1; i <= x.n; i++) {
                double v = x.v[i];
                if (bRadialSlope) v *= 1 + (x.r[i] - dMeniscus) * dRadialSlopeMinus1;
                if (factors) v *= pSignalFactors[i];
                x.v[i] = (float)v;
            }
            if (bBottomZone) BottomZoneRow(x.v, x.r, x.n);
            if (bRadialConvolution) ConvolveRow(x.v, x.r, x.n, dMeniscus, dBottom);
        }
    }
    if (bEndedEarly && !bSteadyState) {
        for (int k = nNextScanIndex; k >= 1 && k <= nScans; k++) {
            Row x = outputRow(this, k);
            for (int i = 1; x.v && i <= x.n; i++) x.v[i] = 0;
        }
    }
}

bool CLammIdeal::DropDiffusionIfNegligible()
{
    if (dD == 0 || !bSpeedProfile || !pScanHeaders || nScans < 1) return false;
    int first = nScans + 1;  // first scan whose boundary has passed the fit limit
    for (int k = 1; k <= nScans; k++) {
        const double x = dS * 1e-13 * SelectedHeader(k).omega2t;
        const bool passed = dS > 0 ? dMeniscus * std::exp(x) >= fFitOuter : dBottom * std::exp(x) <= fFitInner;
        if (dS != 0 && passed) {
            first = k;
            break;
        }
    }
    const int last = first - 1;
    if (last < 1) {
        dD = 0;
        return true;
    }
    const double t = SelectedHeader(last).time;
    const double spacing = (dBottom - dMeniscus) / (nGridPoints > 1 ? nGridPoints - 1 : 1);
    if (!(std::sqrt(dD * t) > (dS < 0 ? 3 : 10) * spacing)) {
        dD = 0;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- no diffusion

// The profile without diffusion at one scan: a step boundary at m exp(x) (b exp(x)
// when floating) with the plateau c0 exp(-2x), x = omega^2 s t.
void CLammIdeal::CLLammNoDiffvec(float c0, double t, double rpm, double omega2t, const float* r, float* out, int n)
{
    if (!r || !out || n < 1) return;
    const double w = rpm * kRpmToOmega;
    const double k = (bRampRotorSpeed || bSpeedProfile) ? dS * 1e-13 * w * w
                                                         : std::pow(dFinalRpm * kRpmToOmega, 2) * dS * 1e-13;
    const double x0 = (bRampRotorSpeed || bSpeedProfile) ? dS * 1e-13 * omega2t : k * t;
    const double m = dMeniscus, b = dBottom, edge0 = m + fLamellaWidth;
    const bool sweep = bSimTimeResolution && fScanVelocity > 0;
    const double v = fScanVelocity / 60.0;  // cm/s
    auto boundaryAt = [&](double x, double& rb, double& re, double& plateau) {
        if (dS > 0) {
            rb = x <= 2 ? m * std::exp(x) : 10.0;
        } else {
            rb = x >= -2 ? b * std::exp(x) : 3.0;
        }
        plateau = (dS > 0 ? x <= 2 : x >= -2) ? c0 * std::exp(-2 * x) : 0.0;
        re = edge0 * std::exp(x);
    };
    double rb, re, plateau;
    boundaryAt(x0, rb, re, plateau);
    if (sweep) {  // the boundary and edge where the sweep meets them
        boundaryAt(x0 + k * (rb - m) / v, rb, re, plateau);
    }
    for (int i = 1; i <= n; i++) {
        double c = plateau;
        if (sweep) {
            const double x = x0 + k * (r[i] - m) / v;
            c = (dS > 0 ? x <= 2 : x >= -2) ? c0 * std::exp(-2 * x) : 0.0;
        }
        bool inside;
        if (bBandForming && !bBandFlag)
            inside = r[i] >= rb && r[i] <= re;
        else if (bBandForming)
            inside = r[i] >= rb && r[i] >= re;
        else
            inside = dS > 0 ? r[i] >= rb : r[i] <= rb;
        out[i] = inside ? (float)c : 0.0f;
    }
    if (bSimRadialResolution) RadialResolutionSmoothing(out, r, n, fConvolutionRange);
}

void CLammIdeal::SampleAtScansNoDiffusion()
{
    for (int k = 1; k <= nScans; k++) {
        Row x = outputRow(this, k);
        if (!x.v) continue;
        const ScanHeader& h = SelectedHeader(k);
        CLLammNoDiffvec((float)dLoading, dTimeOffset + ScanTime(k), h.rpm, h.omega2t, x.r, x.v, x.n);
    }
    nNextScanIndex = nScans + 1;
    ApplySignalTransforms();
}

void CLammIdeal::InterpolateAtScans()
{
    for (int k = 1; k <= nScans; k++) {
        Row x = outputRow(this, k);
        if (x.v) interpolateOnGridFD(x.n, x.r, x.v, nGridPoints, pRadius, pConc);
    }
    nNextScanIndex = nScans + 1;
    ApplySignalTransforms();
}
