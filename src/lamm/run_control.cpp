// CLammIdeal: engine choice, grid set-up, steep-gradient tests, the initial
// concentration and the time-stepping entry (slots 1 to 3).
#include <cmath>

#include "lamm/lamm_ideal.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "plot/key_polling.h"
#include "scandata/scan_header.h"

// Equilibrium steepness test: is the concentration at the fit limit below
// the back-diffusion level relative to the mean, at the given speed?
static bool steepAt(const CLammIdeal* p, double T, double rpm, double s, double D)
{
    const double Tk = T + kZeroCelsius;
    const double M = Tk * s * 1e-13 * kGasConstantSI * 1e7 / D;
    const double w = rpm * kRpmToOmega;
    const double q = w * w / (Tk * (2.0 * kGasConstant2006));
    const double m = p->dMeniscus, b = p->dBottom;
    const double rf = s > 0 ? p->fFitOuter : p->fFitInner;
    const double x = M * q;
    if (s > 0 && (x > 100 || (b * b - rf * rf) * x > 100)) return true;
    if (s < 0 && (x < -100 || (m * m - rf * rf) * x > 100)) return true;
    const double E = (std::exp((b * b - rf * rf) * x) - std::exp((m * m - rf * rf) * x)) / (2 * q * M) /
                     ((b * b - m * m) / 2);
    return p->dBackDiffusionLevel > 1 / E;
}

bool CLammIdeal::IsSteepGradient(double s, double D)
{
    if (bSkipSteepGradientTest) return true;
    if (!bShutOffBackDiffusion || s == 0 || D <= 0) return false;
    if (!pScanHeaders || nScans < 1) return false;
    const ScanHeader& h = SelectedHeader(nScans);
    return steepAt(this, h.temperature, h.rpm, s, D);
}

bool CLammIdeal::IsSteepGradientAtSpeed(double t, double rpm, double s, double D)
{
    if (s <= 0 || D <= 0 || !SpeedNeverDropsAfter(t)) return false;
    const double T = (pScanHeaders && nScans > 0) ? SelectedHeader(nScans).temperature : fTemperature;
    return steepAt(this, T, rpm, s, D);
}

void CLammIdeal::SetInitialConcentration()
{
    const int N = nGridPoints;
    if (!pConc || !pRadius) return;
    const double w = fLamellaWidth, r1 = pRadius[1];
    if (bInitialProfile && pInitialRadii && pInitialValues && nInitialPoints >= 5) {
        interpolateOnGridDD(N, pRadius, pConc, nInitialPoints, pInitialRadii, pInitialValues);
    } else {
        for (int i = 1; i <= N; i++) pConc[i] = dLoading;
    }
    if (bBandForming) {
        for (int i = 1; i <= N; i++) {
            const bool inLamella = pRadius[i] <= r1 + w;
            if (bBandFlag ? pRadius[i] < r1 + w : !inLamella) pConc[i] = 0;
        }
    }
}

// ---------------------------------------------------------------- slot 1

void CLammIdeal::ChooseEngine()
{
    if (bUseReactingModel) {
        bEngineStaticGrid = 1;
        bEngineMovingGrid = 0;
        bFixedTimestep = 0;
        bAutoDynamicGridSize = 0;
        bOptimizeGridSpacing = 0;
        return;
    }
    if (bInhomogeneousSolvent) {
        // the local solvent factors exist on the static grid only
        bEngineStaticGrid = 1;
        bEngineMovingGrid = 0;
        bFixedTimestep = 0;
        return;
    }
    if (!bAutoFEAlgorithm) return;
    double norm = (bOptimizeGridSpacing && bAutoDynamicGridSize && !bBandForming) ? dAutoAlgorithmNormSOptimized
                                                                                  : dAutoAlgorithmNormS;
    if (dS < 0 && dD < 1e-8) norm *= 0.1;
    const float rpm = (pScanHeaders && nScans > 0) ? SelectedHeader(nScans).rpm : 0.0f;
    const double f = rpm / 30000.0;
    const bool movingGrid = !bSpeedProfile && f > 0 && norm / (f * f) <= std::fabs(dS);
    if (movingGrid && !bEngineMovingGrid) {
        bEngineMovingGrid = 1;
        bEngineStaticGrid = 0;
        bAutoSGrid = 1;
    } else if (!movingGrid && !bEngineStaticGrid) {
        bEngineStaticGrid = 1;
        bEngineMovingGrid = 0;
        bFixedTimestep = 0;
    }
}

// ---------------------------------------------------------------- slot 2

// The dynamic sizes of the two engines for a species of s and D (algorithm 5,
// steps 1 to 5): the boundary's width sqrt(D tc) when it reaches the inner fit
// limit rb, over the points per sigma. Returns rb.
double CLammIdeal::DynamicGridSizes(double s, double D)
{
    const double m = dMeniscus, b = dBottom;
    double rb = fFitInner;
    if (rb < m + 0.001) rb = m + 0.001;
    const double wa = dAccelRate * kRpmToOmega;
    const double tA = dAccelEnd;
    const double xa = std::fabs(s) * 1e-13 * wa * wa * m * tA * tA * tA / 3;
    const double wf = dFinalRpm * kRpmToOmega;
    const double k = std::fabs(wf * wf * s * 1e-13);
    double tc;
    if (rb - m <= xa)
        tc = (rb - m) / (k * rb);
    else
        tc = (rb - xa - m) / (k * rb) + tA;
    double w = std::sqrt(D * tc);
    if (!(w >= 0.001)) w = 0.001;
    fDynGridSizeEngine1 = fDynGridSizeEngine2 = (float)std::floor((b - m) * fPointsPerSigma / w + 0.5);
    int n = (int)fDynGridSizeEngine1;
    while (n > nDynGridLowerLimit) {
        const double first = m * (std::pow(b / m, 1.5 / (n - 1)) - std::pow(b / m, 0.5 / (n - 1)));
        if (w / fPointsPerSigma < first) {
            n = n + 1;
            break;
        }
        n = n - 1;
    }
    fDynGridSizeEngine1 = (float)n;
    return rb;
}

void CLammIdeal::SetupGrid()
{
    bool twoZone = false;
    double rb = fFitInner;
    if (bUseReactingModel) {
        SetupReactingGrid();
        return;
    }
    if (bSpeedProfile || !bAutoDynamicGridSize || bBandForming || dD <= 0) {
        bSteepGradient = 0;
        nGridPoints = nDefaultGridSize;
    } else if (dS <= 0 || fFrictionalRatio >= 0.5f) {
        bPlainGrid = 0;
        bSteepGradient = IsSteepGradient(dS, dD) ? 1 : 0;
        rb = DynamicGridSizes(dS, dD);
        int size = (int)std::floor((bEngineMovingGrid ? fDynGridSizeEngine1 : fDynGridSizeEngine2) + 0.5f);
        if (size < nDynGridLowerLimit) size = nDynGridLowerLimit;
        if (size > nDynGridUpperLimit) size = nDynGridUpperLimit;
        // engine 1 lays out its own lattice (moving_grid_engine.cpp)
        nGridPoints = bEngineMovingGrid ? MovingGridNodeCount() : size;
        fTwoZoneRadius = (float)rb;
        twoZone = bEngineStaticGrid && bOptimizeGridSpacing && bSteepGradient && !bBandForming && dS >= 0;
    } else {
        bSteepGradient = 0;
        bPlainGrid = 1;
        nGridPoints = nDefaultGridSize;
    }
    AllocGridArrays();
    if (!nGridAllocated) return;
    if (dD == 0) {
        bSteepGradient = 0;
    } else if ((fTemperature + kZeroCelsius) * kGasConstantSI * 1e7 * dS * 1e-13 / dD < -1e7 && dS < -10) {
        bSteepGradient = 1;
    } else if (twoZone) {
        OptimizeGridSize((float)rb);
        if (!bSteepGradient && !bBandForming && dS > 0) {
            const double w2 = dFinalRpm * kRpmToOmega;
            RefineGridForSteepBoundary(dS * 1e-13 * w2 * w2 / (2 * dD));
        }
    }
    RefineGridZones(!bSteepGradient);
}

// The grid of the concentration-dependent loop, sized as the ideal species'
// grid is for the fastest and least diffusing of the model's species (a plain
// grid of the default size would be far too coarse for a fast boundary and
// needlessly fine for a slow one): the dynamic size, the two-zone layout when
// the steep-gradient test holds, and the refinement zones, the layer at the
// cell end always included (the loop has no back-diffusion shut-off).
void CLammIdeal::SetupReactingGrid()
{
    nLayerZoneFirst = 0;
    double s = dS, D = dD;
    if (nReactModel == 1 && nReactSpecies >= 2 && pReactSpecies2 && pReactSpecies3) {
        s = std::max(std::fabs(s), std::fabs(pReactSpecies2[2])) * (dS < 0 ? -1 : 1);
        D = std::min(D, pReactSpecies3[2]);
    } else if (nReactModel == 0 && nReactSpecies > 0 && pReactSpecies2 && pReactSpecies3) {
        for (int k = 1; k <= nReactSpecies; k++) {
            if (std::fabs(pReactSpecies2[k]) > std::fabs(s)) s = pReactSpecies2[k];
            if (pReactSpecies3[k] > 0 && pReactSpecies3[k] < D) D = pReactSpecies3[k];
        }
    }
    bPlainGrid = 0;
    bSteepGradient = IsSteepGradient(s, D) ? 1 : 0;
    if (D <= 0 || s == 0 || bSpeedProfile || bBandForming) {
        bPlainGrid = 1;
        nGridPoints = nDefaultGridSize;
        AllocGridArrays();
        return;
    }
    const double rb = DynamicGridSizes(s, D);
    int size = (int)std::floor(fDynGridSizeEngine2 + 0.5f);
    if (size < nDynGridLowerLimit) size = nDynGridLowerLimit;
    if (size > nDynGridUpperLimit) size = nDynGridUpperLimit;
    nGridPoints = size;
    fTwoZoneRadius = (float)rb;
    AllocGridArrays();
    if (!nGridAllocated) return;
    if (bSteepGradient && s > 0) OptimizeGridSize((float)rb);
    const double savedS = dS, savedD = dD;
    dS = s;
    dD = D;
    RefineGridZones(true);
    dS = savedS;
    dD = savedD;
    RefineConcentrationDependentLayer(s, D);
}

// ---------------------------------------------------------------- slot 3

// The run state every time loop starts from (also before a retry).
void CLammIdeal::ResetRunState()
{
    bRunning = 1;
    nStepCount = 0;
    dTime = dStartTime;
    nNextScanIndex = 1;
    nSubIntervalCount = 0;
    dScanOffset = 0;
    nPointsTaken = 0;
    bScanPending = 0;
    dTargetScanTime = dTimeOffset + ScanTime(1);
    dNextScanTime = dTargetScanTime;
    bNextScanPending = 1;
    dTimeStep = dInitialTimeStep > 0 ? dInitialTimeStep : 1.0;
    dMaxDcOverCWork = dMaxDcOverC;
    dMaxDcOverCLow = 0.05 * dMaxDcOverCWork;
    dMaxDcOverCHigh = 0.2 * dMaxDcOverCWork;
    bAborted = 0;
    nAbort = nDiscretizationError = 0;
    nNonidealOutOfRange = 0;
    bEndedEarly = 0;
    bSteadyState = 0;
    bMovingGridActive = 0;
    if (bSnapshots && pSnapshotTimes && nSnapshotFrames > 0) {  // a retry records its frames anew
        nNextSnapshot = 1;
        dNextSnapshotTime = pSnapshotTimes[1];
        nSnapshotsRecorded = 0;
    }
}

void CLammIdeal::RunTimeStepping()
{
    ResetRunState();
    if (!nGridAllocated || !pConc) {
        nAbort = 1;
        return;
    }
    if (bReactingLoop)
        RunReactingTimeSteps();
    else if (bEngineStaticGrid)
        RunStaticGridEngine();
    else if (bEngineMovingGrid)
        RunMovingGridEngine();
    else
        nAbort = 1;  // no engine chosen: a failure, never an empty result
    if (bPerScanRadii) CopyPrivateOutput();
    if (bAborted) bInterruptComputation = 1;
}
