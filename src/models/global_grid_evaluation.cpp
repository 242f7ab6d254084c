// The global-grid road of the model evaluation: the models the solver objects
// do not serve are evaluated on the program's radial grid.
//
// Discrete species go through one loop (per species: the algorithm and the
// grid size, the initial profile, then a constant profile, the sharp boundary
// of D = 0, the closed-form boundary of the Faxen approximation, the
// light-scattering autocorrelation, the equilibrium exponential or a Lamm
// propagation with its retries). The self-associating and non-ideal single
// species are one profile of the total, propagated with concentration-
// dependent s and D. The A + B <-> AB model runs its own propagation from the
// loading equilibrium.
#include <cmath>
#include <cstring>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/hydrodynamics.h"
#include "distributions/step_profiles.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/hetero_assoc.h"
#include "fegrid/propagators.h"
#include "fegrid/radial_profile_filters.h"
#include "fegrid/scan_recording.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/key_polling.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/wiener_settings.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

float fGridSpreadSigma = 0.0f;
float fFrictionalRatioEstimate = 0.0f;
float fDynGridEquidistantSize = 0.0f;
float fDynGridGeometricSize = 0.0f;
float fDynGridFirstFitRadius = 0.0f;

namespace {

// The first step of every propagation (s).
constexpr double dInitialTimeStep = 1.0;

const ScanHeader& lastScan() { return pScanHeaders[pScanTimeOrder[nScans]]; }
const ScanHeader& firstScan() { return pScanHeaders[pScanTimeOrder[1]]; }

double radPerSec(double rpm) { return rpm * 2.0 * M_PI * (1.0 / 60.0); }

// The cells whose cross-section does not grow with the radius: their elements
// assume the equidistant grid of the static propagator.
bool specialGeometry() { return bGeometryLinear || bGeometryExternalLoadingCell || bGeometryReserved || bElectrophoresis; }

// The model of a species goes into its basis on the noise grid.
bool intoSpeciesBasis() { return bModelContinuous || bAlgebraicConcentrations || bFitTINoise || bFitRINoise; }

// The time of a header as the propagations count it (the recorded time under
// the simulated rotor ramp).
double headerTime(const ScanHeader& h) { return bRampRotorSpeed && !bDLSData ? h.timeWritten : h.time; }

void nonlinearDetectionFollowUps()
{
    refreshNonlinearDetectionCopies();
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData);
}

// The species basis of species k, cleared; null when it cannot be had.
float** clearedBasis(int k)
{
    if (!pppExtraNoiseScan[k]) allocExtraNoiseArrays();
    float** B = pppExtraNoiseScan[k];
    if (!B) return nullptr;
    for (int s = 1; s <= nScans; s++)
        if (B[s])
            for (int j = 1; j <= nNoiseGridPoints; j++) B[s][j] = 0.0f;
    return B;
}

void clearModelParts()
{
    for (int s = 1; s <= nScans; s++)
        for (int j = 1; j <= pScanPoints[s]; j++) ppModelPart[s][j] = 0.0f;
}

// Each scan's model part into its fit.
void addModelPartsToFit()
{
    for (int s = 1; s <= nScans; s++)
        for (int j = 1; j <= pScanPoints[s]; j++) ppFit[s][j] += ppModelPart[s][j];
}

void subtractModelPartsFromFit()
{
    for (int s = 1; s <= nScans; s++)
        for (int j = 1; j <= pScanPoints[s]; j++) ppFit[s][j] -= ppModelPart[s][j];
}

// Per scan a profile f(scan, radii, out, n), into the model parts added to the
// fits, or into the species basis on the noise grid.
template <class F>
void profilePerScan(int k, F f)
{
    if (intoSpeciesBasis()) {
        float** B = clearedBasis(k);
        if (!B || !pNoiseGrid) return;
        for (int s = 1; s <= nScans; s++) f(s, pNoiseGrid, B[s], nNoiseGridPoints);
    } else {
        for (int s = 1; s <= nScans; s++) f(s, ppRadius[s], ppModelPart[s], pScanPoints[s]);
        addModelPartsToFit();
    }
}

// ---------------------------------------------------------------- preparation

// The grid in place for the current size, algorithm and meniscus.
void prepareGrid()
{
    if (!bGridArraysAllocated) {
        allocRadialGridArrays();
        return;
    }
    if (nGridPoints != nGridPointsAllocated) resizeRadialGrid(nGridPoints);
    if (bMovingHat && !pFeGridRadius) resizeRadialGrid(nGridPoints);
    if (bGridArraysAllocated && std::fabs(pGridRadius[1] - fMeniscus) > 1e-5) setupRadialGrid();
}

// The first scan as the initial distribution: its radii and signal are kept
// (the extrapolation arrays), its fit is its own signal.
void takeInitialScan()
{
    if (!bExperimentalInitialDistribution) {
        bUseInitialData = 0;
        return;
    }
    if (pExtrapolation1) return;
    const int s = pScanTimeOrder[1];
    const int n = pScanPoints[s];
    if (n < 1) return;
    bUseInitialData = 1;
    nExtrapolationPoints = n;
    pExtrapolation1 = vector(1, n);
    pExtrapolation2 = vector(1, n);
    for (int j = 1; j <= n; j++) {
        pExtrapolation1[j] = ppRadius[s][j];
        pExtrapolation2[j] = ppSignal[s][j];
        ppFit[s][j] = ppSignal[s][j];
    }
    std::memcpy(&hdrInitialScan, &pScanHeaders[s], sizeof(ScanHeader));
}

// The rotor ramp of the first scan's header: accelerating from the start
// unless the acceleration phase is shorter than 10 s.
void resetRotorRamp()
{
    if (!bRampRotorSpeed || bDLSData) {
        bRotorAccelerating = 0;
        return;
    }
    bRotorAccelerating = 1;
    if (dAccelerationTime < 10) {
        dAccelerationTime = 0;
        bRotorAccelerating = 0;
        dOmegaNow = dOmega;
    }
}

// Time and scan state of a propagation from the scan at position
// nFirstModelScan.
void timeSetUp(TXLAWindow* w)
{
    bSimulationRunning = 1;
    nTimeStepCount = 0;
    dSimTime = bUseInitialData && bExperimentalInitialDistribution ? headerTime(hdrInitialScan) : 0.0;
    nSimScanIndex = nFirstModelScan;
    dNextScanTime = scanSimulationTime(pScanTimeOrder[nSimScanIndex]);
    bInterruptComputation = 0;
    bStepToScanTime = 1;
    dStepTargetTime = dNextScanTime;
    dTimeStep = dInitialTimeStep;
    dMaxDcOverCWork = dMaxDcOverC;
    dMaxDcOverCLow = 0.05 * dMaxDcOverCWork;
    dMaxDcOverCHigh = 0.2 * dMaxDcOverCWork;
    pLammOwnerWindow = w;
}

// ---------------------------------------------------------------- per species

// The automatic choice between Claverie and the moving hat, by |s| against
// the norm scaled to the speed of the last scan.
float algorithmThreshold()
{
    const float fNorm =
        bOptimizeGridSpacing && bAutoDynamicGridSize && !bModelZone ? fAutoAlgorithmNormSOptimized : fAutoAlgorithmNormS;
    const float x = lastScan().rpm / 30000.0f;
    return fNorm / (x * x);
}

void chooseAlgorithm(float s)
{
    const float thr = algorithmThreshold();
    if (std::fabs(s) < thr && !bClaverie) {
        bClaverie = 1;
        bFixedTimestep = 0;
        bMovingHat = 0;
        resizeRadialGrid(nGridPoints);
    } else if (std::fabs(s) > thr && !bMovingHat) {
        bClaverie = 0;
        bMovingHat = 1;
        bAutoSGrid = 1;
        resizeRadialGrid(nGridPoints);
    }
}

int clampGridSize(int n)
{
    if (n < nDynGridLowerLimit) n = nDynGridLowerLimit;
    if (n > nDynGridUpperLimit) n = nDynGridUpperLimit;
    return n;
}

// The grid size from the spread of the boundary when it reaches the first
// fitted radius: fPointsPerSigma points per sqrt(D t).
void dynamicGridSize(double s, double D)
{
    const double m = fMeniscus, b = fBottom;
    const float M = DFromSM(static_cast<float>(s), static_cast<float>(D), fTemperatureK - kZeroCelsiusF);
    const float f0 = sphereFrictionCoefficient(M, VBAR);
    fFrictionalRatioEstimate = f0 > 0 ? frictionCoefficientFromSM(M, static_cast<float>(s), VBAR, fBufferDensity) / f0 : 0.0f;
    if (fFrictionalRatioEstimate < 0.5f) {
        bBackDiffusionShutOffActive = 0;
        bFullGridActive = 1;
        nGridPoints = nDefaultGridSize;
        resizeRadialGrid(nGridPoints);
        return;
    }
    bFullGridActive = 0;
    bBackDiffusionShutOffActive = checkBackDiffusionShutOff(s, D) ? 1 : 0;
    const double w = radPerSec(lastScan().rpm);
    dAreaFractionS = w * w * std::fabs(s) * 1e-13;
    double rf = ppRadius[1][pFitFirstIndex[1]];
    if (rf < m + 0.001) rf = m + 0.001;
    const ScanHeader& h1 = pScanHeaders[1];
    const double alpha = omegaOfRpm(h1.accelRate), ta = h1.accelTime;
    const double dra = std::fabs(s) * (1.0 / 3.0) * 1e-13 * alpha * alpha * m * ta * ta * ta;
    const double tb = rf - m <= dra ? (rf - m) / (dAreaFractionS * rf) : (rf - dra - m) / (dAreaFractionS * rf) + ta;
    double sigma = std::sqrt(D * tb);
    if (!(sigma >= 0.001)) sigma = 0.001;
    fGridSpreadSigma = static_cast<float>(sigma);
    const double h = sigma / fPointsPerSigma;
    fDynGridEquidistantSize = static_cast<float>(std::floor((b - m) * fPointsPerSigma / sigma));
    fDynGridFirstFitRadius = static_cast<float>(rf);
    int n = static_cast<int>(fDynGridEquidistantSize);
    int nGeometric = nDynGridLowerLimit;
    for (; n > nDynGridLowerLimit; n--)
        if (m * (std::pow(b / m, 1.5 / (n - 1)) - std::pow(b / m, 0.5 / (n - 1))) > h) {
            nGeometric = n + 1;
            break;
        }
    fDynGridGeometricSize = static_cast<float>(nGeometric);
    nGridPoints = clampGridSize(static_cast<int>(std::floor(bMovingHat ? fDynGridGeometricSize : fDynGridEquidistantSize)));
    if (bClaverie && bOptimizeGridSpacing && bBackDiffusionShutOffActive && !bModelZone && !specialGeometry())
        chooseRadialGridSize(static_cast<float>(rf));
    else
        resizeRadialGrid(nGridPoints);
}

// The loading on the grid: constant, or the zone's lamella.
void loadConstantProfile(float fAmplitude)
{
    const int N = nGridPointsAllocated;
    const double edge = pGridRadius[1] + fZoneLamellaWidth;
    for (int i = 1; i <= N; i++) {
        double c = fAmplitude;
        if (bModelZone) {
            const bool inLamella = pGridRadius[i] <= edge;
            c = bInvertBand ? (pGridRadius[i] < edge ? 0.0 : fAmplitude) : (inLamella ? fAmplitude : 0.0);
        }
        pGridConc[i] = c;
    }
}

// The first scan on the grid, less the baseline, without negative values,
// times the species' share.
void loadExperimentalProfile(float fFraction)
{
    const int N = nGridPointsAllocated;
    for (int i = 1; i <= N; i++) pGridConc[i] = 0.0;
    interpolateOnGridDF(N, pGridRadius, pGridConc, nExtrapolationPoints, pExtrapolation1, pExtrapolation2);
    for (int i = 1; i <= N; i++) {
        double c = pGridConc[i] - fBaseline;
        if (c < 0) c = 0;
        pGridConc[i] = c * fFraction;
    }
}

// The grid profile on the noise grid as the species basis of every scan.
void gridProfileAsBasis(int k)
{
    float** B = clearedBasis(k);
    if (!B || !pNoiseGrid) return;
    for (int s = 1; s <= nScans; s++)
        interpolateOnGridFD(nNoiseGridPoints, pNoiseGrid, B[s], nGridPointsAllocated, pGridRadius, pGridConc);
}

// A species that is not propagated: the loading c everywhere, at every point
// of every scan (added into ppFit), or its grid profile as the species basis.
void constantModel(int k, float c)
{
    if (intoSpeciesBasis()) {
        gridProfileAsBasis(k);
    } else {
        for (int i = 1; i <= nScans; i++)
            for (int j = 1; j <= pScanPoints[i]; j++) ppModelPart[i][j] = c;
        addModelPartsToFit();
    }
}

// Runs the propagator of the algorithm in force; false when speed steps are
// loaded (refused with a message).
bool runPropagator(TXLAWindow* w)
{
    if (bUsingSpeedSteps) {
        MessageBox(w->HWindow, "Cannot account for variable rotor speed in this model!", "ERROR in simulation", MB_OK);
        return false;
    }
    if (bMovingHat) {
        propagateLammMovingHatLogGrid();
        updateMovingGridRadii();
    } else if (bClaverie) {
        propagateLammStatic();
    }
    return true;
}

struct Species {
    int k;
    float s;
    double D;
    float fAmplitude;
};

// A failed propagation once more: the start profile and time again, the
// model of the failed attempt taken back.
void retryPropagation(TXLAWindow* w, const Species& sp)
{
    loadConstantProfile(sp.fAmplitude);
    resetRotorRamp();
    timeSetUp(w);
    nSimScanIndex = 1;
    dNextScanTime = scanSimulationTime(pScanTimeOrder[1]);
    dStepTargetTime = dNextScanTime;
    // the retries start at the start time of the first attempt
    dSimTime = bSedimentationTimeOffset ? fStartTime : 0.0;
    if (!intoSpeciesBasis()) {
        subtractModelPartsFromFit();
        clearModelParts();
    } else {
        clearedBasis(sp.k);
    }
    bSimulationError = bDiscretizationError = 0;
    runPropagator(w);
}

bool failed() { return bSimulationError || bDiscretizationError; }

// The retries of a failed propagation: the same algorithm without truncation;
// after Claverie the moving hat; at last with the meniscus repaired.
void retries(TXLAWindow* w, const Species& sp)
{
    if (bExperimentalInitialDistribution || bDLSData || !bConstantInitialDistribution || bEquilibriumDataMode ||
        !failed())
        return;
    const unsigned char bTruncateSaved = bTruncateGrid;
    bTruncateGrid = 0;
    retryPropagation(w, sp);
    if (failed() && bClaverie && !specialGeometry()) {
        bClaverie = 0;
        bMovingHat = 1;
        nGridPoints = clampGridSize(static_cast<int>(std::floor(fDynGridGeometricSize)));
        resizeRadialGrid(nGridPoints);
        retryPropagation(w, sp);
        bClaverie = 1;
        bMovingHat = 0;
        bFixedTimestep = 0;
        nGridPoints = static_cast<int>(std::floor(fDynGridEquidistantSize));
        if (bOptimizeGridSpacing && checkBackDiffusionShutOff(sp.s, sp.D) && !bModelZone) {
            chooseRadialGridSize(fDynGridFirstFitRadius);
        } else {
            nGridPoints = clampGridSize(nGridPoints);
            resizeRadialGrid(nGridPoints);
        }
    }
    if (failed()) {
        bApplyMeniscusCorrection = 1;
        retryPropagation(w, sp);
        bApplyMeniscusCorrection = 0;
    }
    bTruncateGrid = bTruncateSaved;
}

// The final profile past the last scan, into the last scan's model.
void endProfileBeyondLastScan()
{
    if (bSimulateBeyondLastScan && bGridArraysAllocated) {
        const int s = pScanTimeOrder[nScans];
        interpolateOnGridFD(pScanPoints[s], ppRadius[s], ppFit[s], nGridPointsAllocated, pGridRadius, pGridConc);
    }
}

// The messages of a propagation (the non-ideality one where the model has a
// non-ideal species), and the final profile past the last scan.
void afterPropagation(TXLAWindow* w, bool bNonidealModel = false)
{
    if (bSimulationError) w->ReportSimulationError(3);
    if (bNonidealModel && bNonidealityOutOfRange) w->ReportSimulationError(7);
    if (bDiscretizationError) w->ReportSimulationError(2);
    endProfileBeyondLastScan();
}

void lammPropagation(TXLAWindow* w, const Species& sp)
{
    if (bInhomogeneousSolvent && bCosoluteGradient && !specialGeometry() && !allocSolverWorkBlock() &&
        !allocSolverWorkBlock()) {
        // the co-solute grid the settings ask for cannot be had
        w->ReportSimulationError(1);
        return;
    }
    bBackDiffusionShutOffActive = checkBackDiffusionShutOff(sp.s, sp.D) ? 1 : 0;
    const float fT = fTemperatureK - kZeroCelsiusF;
    const double w2 = radPerSec(lastScan().rpm) * radPerSec(lastScan().rpm);
    if (!bBackDiffusionShutOffActive && bConstantInitialDistribution && !bModelZone && sp.s > 0) {
        const double sigma =
            (fT + kZeroCelsius) * 9.999999999999999e-14 * sp.s * kGasConstantSI * 1e7 / sp.D * w2 / ((fT + kZeroCelsius) * (2.0 * kGasConstant2006));
        truncateRadialGrid(sigma);
    }
    dOmegaNow = lastScan().rpm;
    timeSetUp(w);
    if (bSedimentationTimeOffset) dSimTime = fStartTime;
    resetRotorRamp();
    if (intoSpeciesBasis())
        clearedBasis(sp.k);
    else
        clearModelParts();
    bSimulationError = bDiscretizationError = bNonidealityOutOfRange = 0;
    const unsigned char bTruncateSaved = bTruncateGrid;
    if (sp.k == 1 && bSpecies1Nonideal) {
        // the non-ideal species on the propagators of interacting species;
        // its messages (ks c_1 > 1 too) and the final profile are taken on the
        // grid of the run, before the resize drops the non-ideal arrays
        bModelNonidealSingle = 1;
        fSAMonomerS = static_cast<float>(dLammS);
        fSAMonomerMorD = static_cast<float>(dLammD);
        if (bMovingHat) {
            propagateLammMovingHat();
            updateMovingGridRadii();
        } else {
            propagateLammB();
        }
        afterPropagation(w, true);
        bModelNonidealSingle = 0;
        resizeRadialGrid(nGridPoints);
        bTruncateGrid = bTruncateSaved;
        return;
    } else if (runPropagator(w)) {
        retries(w, sp);
    }
    bTruncateGrid = bTruncateSaved;
    if (bMovingHat) updateMovingGridRadii();
    afterPropagation(w);
}

// The species that cannot sediment (density matching), named once.
int pDensityMatched[4];
int nDensityMatched = 0;

void discreteSpecies(TXLAWindow* w, int k)
{
    const float s = pSpeciesS[k];
    const float fMorD = pSpeciesMw[k];
    if (specialGeometry()) {
        // the static grid, whatever the settings chose since the model command
        if (!bClaverie || bMovingHat) {
            bClaverie = 1;
            bMovingHat = 0;
            bFixedTimestep = 0;
            resizeRadialGrid(nGridPoints);
        }
    } else if (pSpeciesIncluded[k] && !bDLSData && bAutoFEAlgorithm && !bEquilibriumDataMode) {
        chooseAlgorithm(s);
    }
    double D = 0.0;
    const bool bD = speciesDiffusionCoefficient(k, &D);
    if (pSpeciesIncluded[k] && !bD) {
        fSpeciesAmplitude[k] = 0.0f;
        if (pppExtraNoiseScan[k]) clearedBasis(k);
        pDensityMatched[nDensityMatched++] = k;
        return;
    }
    if (pSpeciesIncluded[k]) {
        if (!bAutoDynamicGridSize || bDLSData || bModelZone || bEquilibriumDataMode || fMorD <= 0)
            resizeRadialGrid(nDefaultGridSize);
        else
            dynamicGridSize(s, D);
    }
    if (!bDLSData && bRampRotorSpeed && bClaverie && !bAutoFEAlgorithm && !bEquilibriumDataMode &&
        std::fabs(s) > algorithmThreshold())
        dMaxAccelTimeStep = 1.0;
    if (!pSpeciesIncluded[k]) {
        fSpeciesAmplitude[k] = 0.0f;
        return;
    }
    const float fAmplitude = speciesAmplitude(k);
    fSpeciesAmplitude[k] = fAmplitude;
    if (k == 1 && bSpecies1Nonideal) {
        bModelNonidealSingle = 1;
        resizeRadialGrid(nGridPoints);
        bModelNonidealSingle = 0;
    }
    if (!bDLSData && !bGridArraysAllocated) return;

    // the initial profile on the grid
    if (bGridArraysAllocated) {
        if (bExperimentalInitialDistribution && bUseInitialData && pExtrapolation1)
            loadExperimentalProfile(fSpeciesFraction);
        else if (bModelZone || (!bDLSData && !bEquilibriumDataMode))
            loadConstantProfile(fAmplitude);
    }

    if (!bDLSData && s == 0 && fMorD == 0) {
        // nothing sediments or diffuses: the loading at every point
        bModelConstantSignal = 1;
        constantModel(k, fAmplitude);
        return;
    }
    const double omega = radPerSec(lastScan().rpm);
    if (!bDLSData && !bEquilibriumDataMode && fMorD == 0 && s != 0 && !bExperimentalInitialDistribution) {
        // no diffusion: the sharp boundary
        if (bInhomogeneousSolvent && !bCompressibleSolvent)
            MessageBox(w->HWindow, "D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent", "",
                       MB_OK | MB_ICONEXCLAMATION);
        dOmegaNow = lastScan().rpm;
        dAreaFractionS = omega * omega * s * 1e-13;
        if (bCompressibleSolvent) dLammS = s;
        profilePerScan(k, [&](int i, float* r, float* out, int n) {
            stepFunctionProfile(fAmplitude, pScanHeaders[i].time, r, out, n);
        });
        return;
    }
    bModelConstantSignal = 0;
    dLammD = D;
    dLammS = s;
    if (bFaxenApproximation) {
        dOmegaNow = lastScan().rpm;
        dAreaFractionS = omega * omega * s * 1e-13;
        profilePerScan(k, [&](int i, float* r, float* out, int n) {
            approximateBoundaryProfile(fAmplitude, scanSimulationTime(i), r, out, n, static_cast<float>(dAreaFractionS),
                                       static_cast<float>(D), fMeniscus);
        });
    } else if (bDLSData) {
        dDlsKernelAmplitude = fAmplitude;
        if (bModelDlsStokesRadii) dLammD = DFromStokesRadius(static_cast<float>(dLammD * 1e-9), fTemperatureK - kZeroCelsiusF) * 1e-7;
        if (bModelDlsCumulants) {
            dDlsCumulant1 = dLammD;
            dDlsCumulant2 = pSpeciesMw[2] * 1e-14;
            dDlsCumulant3 = pSpeciesMw[3] * 1e-21;
        }
        if (bAlgebraicConcentrations) {
            dDlsKernelAmplitude = 1.0;
            fSpeciesAmplitude[k] = 1.0f;
        }
        if (intoSpeciesBasis()) clearedBasis(k);
        calcDlsModelAcf();
    } else if (bEquilibriumDataMode) {
        const double Mb = bUseMolarMass ? (1.0 - fVbarRho) * fMorD : std::fabs(s) * 1e-6 * fRT / fMorD;
        if (intoSpeciesBasis() && !bModelContinuous) clearedBasis(k);
        equilibriumExponentialPerScan(Mb, fAmplitude);
    } else {
        lammPropagation(w, Species{k, s, D, fAmplitude});
    }
}

// The light-scattering data hold the intensity autocorrelation g(2) - 1.
bool intensityAcfData() { return bDLSData && pDlsHeaders && !pDlsHeaders[1].fieldAcf; }

void squareRows(float** pp, int nRows, const int* pCounts, int nCommon)
{
    if (!pp) return;
    for (int s = 1; s <= nRows; s++) {
        if (!pp[s]) continue;
        const int n = pCounts ? pCounts[s] : nCommon;
        for (int j = 1; j <= n; j++) pp[s][j] *= pp[s][j];
    }
}

void discreteSpeciesLoop(TXLAWindow* w)
{
    int nIncluded = 0;
    for (int k = 1; k <= 4; k++)
        if (pSpeciesIncluded[k]) nIncluded++;
    if (intensityAcfData() && nIncluded > 1) bAlgebraicConcentrations = 0;
    bInterruptComputation = 0;
    nDensityMatched = 0;
    for (int k = 1; k <= 4 && !bInterruptComputation; k++) {
        nSimSpeciesIndex = k;
        if (bBufferMismatch && k == 4) {
            pSpeciesIncluded[4] = 1;
            if (bAlgebraicConcentrations) {
                dBufferSignal = 1.0;
                fSpeciesAmplitude[4] = 1.0f;
            } else {
                fSpeciesAmplitude[4] = static_cast<float>(dBufferSignal);
            }
            w->SimulateBufferSignal();
            continue;
        }
        discreteSpecies(w, k);
        pLammOwnerWindow = nullptr;
    }
    reportDensityMatchedSpecies(w, pDensityMatched, nDensityMatched);
    if (intensityAcfData()) {
        if (!bAlgebraicConcentrations)
            squareRows(ppFit, nScans, pScanPoints, 0);
        else
            squareRows(pppExtraNoiseScan[1], nScans, nullptr, nNoiseGridPoints);
    }
}

// ---------------------------------------------------------------- self-association and the non-ideal species

bool interactingModel()
{
    return bModelMonomerDimer || bModelMonomerTrimer || bModelSelfAssoc148 || bModelSelfAssoc124 ||
           bModelNonidealSingle;
}

bool higherAssociation() { return bModelSelfAssoc148 || bModelSelfAssoc124; }

// D (cm^2/s) of an oligomer of s (S) and M (g/mol, not above 0 counts as
// 1e-10) by the Svedberg relation, made positive.
float svedbergD(float s, float M)
{
    const double m = M > 0 ? M : 1e-10;
    return static_cast<float>(std::fabs(s * 1e-13 * fRT / ((1 - fVbarRho) * m)));
}

// The M or D values of the model into D in cm^2/s, in place (the next
// unpacking of the vector brings them back). With M and s, a monomer without
// a positive mass (the oligomers' masses follow it), or the last oligomer of
// 1-2-4 and 1-4-8 without one, makes the model a constant: its D would have
// no bound, and the loading stays even.
void interactingDiffusionCoefficients()
{
    if (!bUseMolarMass) {
        fSAMonomerMorD *= 1e-7f;
        fSAOligomerMorD *= 1e-7f;
        if (higherAssociation()) fSAOligomerMorD2 *= 1e-7f;
        return;
    }
    if (!(fSAMonomerMorD > 0)) {
        bModelConstantSignal = 1;
        return;
    }
    fSAMonomerMorD = svedbergD(fSAMonomerS, fSAMonomerMorD);
    fSAOligomerMorD = svedbergD(fSAOligomerS, fSAOligomerMorD);
    if (higherAssociation()) {
        bModelConstantSignal = fSAOligomerMorD2 > 0 ? 0 : 1;
        if (fSAOligomerMorD2 > 0) fSAOligomerMorD2 = svedbergD(fSAOligomerS2, fSAOligomerMorD2);
    }
}

// The hindered species' model skewed by the refraction of the light in the
// steep gradient (Wiener skewing), per scan: the model value at r lies at
// the skewed radius, taken back onto the radii. The model is in the scans'
// fits, or, with the linear parts, in species basis 1 on the noise grid
// (which they then scale): the skew goes where the model is.
void wienerSkewProfile(int n, const float* r, float* y)
{
    if (n < 2) return;
    std::vector<float> rs(n + 1), ys(y, y + n + 1);
    wienerSkewedRadii(n, r, ys.data(), rs.data());
    interpolateOnGrid(n, r, y, n, rs.data(), ys.data());
}

void wienerSkewModel()
{
    float** B = intoSpeciesBasis() ? pppExtraNoiseScan[1] : nullptr;
    if (intoSpeciesBasis() && (!B || !pNoiseGrid)) return;
    for (int p = nFirstModelScan; p <= nScans; p++) {
        const int k = pScanTimeOrder[p];
        if (B)
            wienerSkewProfile(nNoiseGridPoints, pNoiseGrid, B[k]);
        else
            wienerSkewProfile(pScanPoints[k], ppRadius[k], ppFit[k]);
    }
}

// The radii the propagation of these models starts from: the equidistant
// grid of the static propagator (which also takes 1-2-4 and 1-4-8 with the
// moving hat chosen), or the moving hat's layout. The grid in place can hold
// other radii with its first on the meniscus, which the preparation of the
// evaluation keeps: a moving-hat run before leaves them moved outward, and
// the moving hat's layout stays where the static propagator is to run.
void layOutInteractingStartGrid()
{
    if (higherAssociation() || !bMovingHat)
        layOutStaticGridB();
    else
        setupRadialGrid();
}

// The self-associating models and the non-ideal single species: one profile
// of the total loading, species basis 1. False when the profile was not
// propagated to the end because the non-ideality is out of range (said in
// its box): the model is that profile alone, so there is no model.
bool interactingModelRoad(TXLAWindow* w)
{
    // whether it is propagated is decided here, not by the evaluation before
    bModelConstantSignal = 0;
    if (bInhomogeneousSolvent)
        MessageBox(w->HWindow, "this model is not implemented yet for inhomogeneous solvent", "",
                   MB_OK | MB_ICONEXCLAMATION);
    if (bEquilibriumDataMode) MessageBox(w->HWindow, "not implemented yet for sed eq data", "", MB_OK | MB_ICONEXCLAMATION);
    nSimSpeciesIndex = 1;
    fSpeciesAmplitude[1] = 1.0f;
    // the model is species 1, its basis the one the linear parts take: they
    // take the basis of an included species only, and the rows of these
    // models have no included box (the discrete model's command leaves every
    // species out)
    pSpeciesIncluded[1] = 1;
    if (bAutoFEAlgorithm) {
        // the signed s: a floating monomer always takes Claverie
        const float x = lastScan().rpm / 30000.0f;
        if (fSAMonomerS < fAutoAlgorithmNormS / (x * x)) {
            if (!bClaverie) {
                bClaverie = 1;
                bFixedTimestep = 0;
                bMovingHat = 0;
                resizeRadialGrid(nGridPoints);
            }
        } else if (!bMovingHat) {
            bClaverie = 0;
            bMovingHat = 1;
            bAutoSGrid = 1;
            resizeRadialGrid(nGridPoints);
        }
    }
    if (!bGridArraysAllocated) return true;
    // the initial profile after the choice, whose resize would lose it, on
    // the radii the propagation starts from
    layOutInteractingStartGrid();
    if (bExperimentalInitialDistribution && bUseInitialData && pExtrapolation1)
        loadExperimentalProfile(1.0f);
    else
        loadConstantProfile(fSATotalConc);
    dOmegaNow = lastScan().rpm;
    if (bUseMolarMass && 1 - fVbarRho == 0) {
        // density matching: no finite D from M and s, nothing is simulated
        const int one = 1;
        reportDensityMatchedSpecies(w, &one, 1);
        if (intoSpeciesBasis()) clearedBasis(1);
        pLammOwnerWindow = nullptr;
        return true;
    }
    interactingDiffusionCoefficients();
    if (!bModelConstantSignal) {
        timeSetUp(w);
        dMaxTimeStep = 500;
        if (intoSpeciesBasis())
            clearedBasis(1);
        else
            clearModelParts();
        bSimulationError = bDiscretizationError = bNonidealityOutOfRange = 0;
        if (higherAssociation() || !bMovingHat) {
            propagateLammB();
        } else {
            propagateLammMovingHat();
            updateMovingGridRadii();
        }
        afterPropagation(w, true);
        if (bNonidealityOutOfRange) {
            pLammOwnerWindow = nullptr;
            return false;
        }
        if (bModelHindered && !bModelHinderedCS && bWienerSkewing) wienerSkewModel();
    } else {
        constantModel(1, fSATotalConc);
    }
    pLammOwnerWindow = nullptr;
    if (bBufferMismatch) w->SimulateBufferSignal();
    return true;
}

// ---------------------------------------------------------------- A + B <-> AB

// The hetero-association model is evaluated (neither discrete species nor a
// self-associating or non-ideal single species).
bool heteroAssociationRoad()
{
    return !bModelDiscreteSpecies && !bModelMonomerDimer && !bModelMonomerTrimer && !bModelSelfAssoc148 &&
           !bModelSelfAssoc124 && !bModelNonidealSingle && bModelHeteroAssociation;
}

// The run needs the moving-hat grid (its radii and work arrays) and the
// hetero block: the moving hat the model command chose comes back when the
// Lamm settings changed the algorithm since.
void prepareHeteroAssociationGrid()
{
    if (!bMovingHat) {
        bMovingHat = 1;
        bClaverie = 0;
    }
    if (bGridArraysAllocated && (!pFeGridRadius || !pHeteroBlock[1])) resizeRadialGrid(nGridPoints);
}

// The loading concentrations are the loadings over the signal coefficients:
// a coefficient of 0 refuses the run.
bool heteroSignalCoefficientsUsable(TXLAWindow* w)
{
    if (fSignalCoefA != 0 && fSignalCoefB != 0) return true;
    playErrorSound();
    MessageBox(w->HWindow,
               "signal coefficient of A or B is 0: the loading concentrations (loading / signal coefficient) cannot "
               "be formed - not simulated",
               "ERROR in simulation", MB_OK);
    return false;
}

// The run of A + B <-> AB from the loading equilibrium (always a constant
// loading), the three D values in cm^2/s, the messages of the run.
bool heteroAssociationRun(TXLAWindow* w)
{
    if (bEquilibriumDataMode)
        MessageBox(w->HWindow, "not implemented yet for sed eq data", "", MB_OK | MB_ICONEXCLAMATION);
    nSimSpeciesIndex = 1;
    fSpeciesAmplitude[1] = 1.0f;
    pSpeciesIncluded[1] = 1;  // species 1's basis is the model, as in interactingModelRoad
    heteroAssocEquilibrium();
    dOmegaNow = lastScan().rpm;
    // the rows hold A, B and the complex (its M is M(A) + M(B))
    double D[4] = {};
    bool bFinite[4] = {};
    for (int k = 1; k <= 3; k++) bFinite[k] = speciesDiffusionCoefficient(k, &D[k]);
    if (!bFinite[2]) {  // B sets the pace of all three
        const int nSpecies = 2;
        reportDensityMatchedSpecies(w, &nSpecies, 1);
        return false;
    }
    dRunSedA = fSedA;
    dRunSedB = fSedB;
    dRunSedAB = fSedAB;
    dRunDiffA = D[1];
    dRunDiffB = D[2];
    dRunDiffAB = D[3];
    timeSetUp(w);
    dSimTime = 0.0;
    dMaxTimeStep = 500.0;
    if (intoSpeciesBasis())
        clearedBasis(1);
    else
        clearModelParts();
    simulateHeteroAssociation();
    updateMovingGridRadii();
    if (bSimulationError) w->ReportSimulationError(3);
    if (bDiscretizationError) {
        // shown after every run, also during fits
        playInfoSound();
        MessageBox(w->HWindow, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR",
                   MB_OK | MB_ICONEXCLAMATION);
    }
    endProfileBeyondLastScan();
    pLammOwnerWindow = nullptr;
    if (bBufferMismatch) w->SimulateBufferSignal();
    return true;
}

}  // namespace

void wienerSkewedRadii(int n, const float* r, const float* y, float* rs)
{
    for (int j = 1; j <= n; j++) {
        float slope = 0.0f;
        if (j == n && n > 1)
            slope = (y[n] - y[n - 1]) / (r[n] - r[n - 1]);
        else if (j > 1)
            slope = (y[j + 1] - y[j - 1]) / (r[j + 1] - r[j - 1]);
        rs[j] = r[j] + fWSkew * (slope / fWSkewSignalPerMgMl);
        if (j > 1 && rs[j] <= rs[j - 1]) rs[j] = rs[j - 1] + 1e-6f;
    }
}

bool evaluateOnGlobalGrid(TXLAWindow* w)
{
    // The A + B <-> AB model, the self-associating and non-ideal models and
    // the discrete species: anything else computes nothing.
    const bool bHeteroRoad = heteroAssociationRoad();
    if (!bModelDiscreteSpecies && !bHeteroRoad && !interactingModel()) {
        nonlinearDetectionFollowUps();
        return false;
    }
    if (!bDLSData) {
        if (fMeniscus == 0 || fBottom == 0) {
            MessageBox(w->HWindow, "set Meniscus and Bottom first", "", MB_OK);
            nonlinearDetectionFollowUps();
            return false;
        }
        if (bHeteroRoad) prepareHeteroAssociationGrid();
        prepareGrid();
        if (!bGridArraysAllocated) {
            nonlinearDetectionFollowUps();
            return false;
        }
        if (fFitLeftLim == 0) {
            fFitLeftLim = fMeniscus;
            updateLeftFitLimit();
        }
        if (fFitRightLim == 0) {
            fFitRightLim = fBottom;
            updateRightFitLimit();
        }
    }
    paramVectorToGlobals();
    if (bHeteroRoad) {
        if (!heteroSignalCoefficientsUsable(w)) {
            nonlinearDetectionFollowUps();
            return false;
        }
        // the model starts from its loading equilibrium, never from a scan
        bConstantInitialDistribution = 1;
        bExperimentalInitialDistribution = 0;
    }
    takeInitialScan();
    nFirstModelScan = bUseInitialData && bExperimentalInitialDistribution ? 2 : 1;
    for (int p = nFirstModelScan; p <= nScans; p++) {
        const int s = pScanTimeOrder[p];
        for (int j = 1; j <= pScanPoints[s]; j++) ppFit[s][j] = 0.0f;
    }
    if (bRepaintAfterCalc) w->InvalidateUnlessBatch();
    if (bRampRotorSpeed && !bDLSData) {
        dAccelerationTime = firstScan().accelTime;
        dAngularAcceleration = firstScan().accelRate;
        dOmega = lastScan().rpm;
        dMaxAccelTimeStep = 10.0;
    }
    resetRotorRamp();
    bBackDiffusionShutOffActive = 0;

    if (bHeteroRoad) return heteroAssociationRun(w);
    if (!interactingModel()) {
        discreteSpeciesLoop(w);
        return true;
    }
    if (interactingModelRoad(w)) return true;
    nonlinearDetectionFollowUps();
    return false;
}
