// Model evaluation: the current model and parameters turned into model values
// at every data point (ppFit), with the per-species bases on the noise grid
// (pppExtraNoiseScan, the species basis) that the linear parts combine.
// Every Run, fit iteration, synthetic data set and scan reload comes here.
//
// Two roads: the plain discrete species with one CLammIdeal solver object
// per included species (CalcDiscreteSpeciesModel), and the global radial grid
// for the interacting models and the discrete configurations the solver
// object does not serve. After either, one routine of fitting/linear_parts
// solves what enters linearly (amplitudes, baseline, TI and RI noise).
//
// The amplitude of a species is its share of the total loading: the lowest
// included species holds the total ("c tot"), the others their fractions.
// Without a linear solution each species' profile goes to the scans' own
// radii through ppModelPart and is added into ppFit, so several species add
// up; with one, each species fills its basis on the noise grid scaled by its
// amplitude, and the linear routine builds ppFit.
#include "models/model_evaluation.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "lamm/lamm_globals.h"
#include "lamm/lamm_ideal.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "plot/sounds.h"
#include "scandata/noise_grid.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/wiener_settings.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

using namespace win;

float fSpeciesFraction = 0.0f;
unsigned char bDiscretizationWarned = 0;
unsigned char bNonidealityWarned = 0;
TXLAWindow* pLammOwnerWindow = nullptr;
unsigned char bSedimentationTimeOffset = 0;

namespace {

// The tolerance the solver objects get: the settings have none of their own.
constexpr float fLammTolerance = 1e-4f;

// The species basis is filled instead of the scans: continuous models, a
// linear solution of the loadings, or systematic noise.
bool modelInSpeciesBasis()
{
    return bModelContinuous || bAlgebraicConcentrations || bFitTINoise || bFitRINoise;
}

void zeroRows(float** pp, int nRows, const int* pCounts, int nCommon)
{
    if (!pp) return;
    for (int k = 1; k <= nRows; ++k) {
        if (!pp[k]) continue;
        const int n = pCounts ? pCounts[k] : nCommon;
        for (int p = 1; p <= n; ++p) pp[k][p] = 0.0f;
    }
}

// The setters of one solver object, in the order the solver reads them.
// bSelfAssociation: the non-ideal multiple-species row.
void configureSolver(TXLAWindow* w, CLammIdeal& L, int k, double dAmplitude, bool bSelfAssociation)
{
    L.SetNonReactingModel();
    L.SetSedimentationParams(dLammS, dLammD, fMeniscus, fBottom, dAmplitude, fFitLeftLim, fFitRightLim);
    if (!bCheckRotorAcceleration) L.SkipAccelerationCheck();
    if (bFloRadialMagnification) L.SetRadialSignalSlope(true, fFloRadialMagFactor);
    if (bFloMagnificationDrift) L.SetSignalTimeDrift(true, bFloDrift, fFloDrift, bFloBleaching, fFloKBleach, fFloAlim);
    if (bFloExcitationCone) L.SetBottomZone(true, fFloExcitationCone);
    if (bFloConvolution) L.SetRadialConvolution(true, fFloConvolution, fConvolutionDistFactor);
    const int nSpeciesRow = bSelfAssociation ? 1 : k;
    if (modelInSpeciesBasis())
        L.SetScanData(w->HWindow, pDataPlot, pScanHeaders, pppExtraNoiseScan[nSpeciesRow], pNoiseGrid,
                      nNoiseGridPoints, nullptr, nullptr, bRepaintAfterCalc, pScanTimeOrder, nScans, nSpeciesRow,
                      bFitRunning, bSkipRegularization, bSimTimeResolution, fScanVelocity, bSimRadialResolution,
                      fConvolutionRange, bAbsorbanceData);
    else
        L.SetScanData(w->HWindow, pDataPlot, pScanHeaders, ppModelPart, nullptr, 0, ppRadius, pScanPoints,
                      bRepaintAfterCalc, pScanTimeOrder, nScans, nSpeciesRow, bFitRunning, bSkipRegularization,
                      bSimTimeResolution, fScanVelocity, bSimRadialResolution, fConvolutionRange, bAbsorbanceData);
    L.SetSolverOptions(nDynGridLowerLimit, nDynGridUpperLimit, fPointsPerSigma, 0, dBackDiffusionLevel,
                       bShutOffBackDiffusion, bOptimizeGridSpacing, bAutoDynamicGridSize, 1.0f, bRampRotorSpeed,
                       bFixedTimestep, bHeteroAssocRun, dMaxRelativeChange, dSGrid, bAutoSGrid,
                       bSimulateBeyondLastScan, bAutoFEAlgorithm, dMaxDcOverCWork, dMaxDcOverCLow, dMaxDcOverCHigh,
                       dMaxDcOverC, nDefaultGridSize, nGridPointsAllocated, bMovingHat, bClaverie, fLammTolerance,
                       dTruncateLevel, bTruncateGrid, dLammDefaultC, dLammDefaultB, fAutoAlgorithmNormS,
                       fAutoAlgorithmNormSOptimized);
    if (bSedimentationTimeOffset) L.SetStartTime(fStartTime);
    // the profile alone: the shut-off level of variable speeds stays with the settings
    if (bUsingSpeedSteps) L.CheckRotorSpeeds(pRotorSpeedProfile);
    if (!bSelfAssociation) {
        if (bModelZone) L.SetBandForming(true, fZoneLamellaWidth, bInvertBand);
        // the solver takes the temperature in degrees Celsius
        L.SetSolventAndParticle(fTemperatureK - kZeroCelsius, VBAR, fBufferDensity, RELVISCOSITY);
        if (bInhomogeneousSolvent) {
            setSolverInhomogeneousSolvent(&L);
            if (bCosoluteGradient) setSolverCosoluteSolvent(&L);
        }
    } else {
        // loading, s, D (cm^2/s) and signal extinction of up to three species
        const bool bThree = fNonidealConc2 > 0 || fNonidealConc3 > 0;
        double* pLoad = nullptr;
        double* pS = nullptr;
        double* pD = nullptr;
        double* pExt = nullptr;
        if (bThree) {
            pLoad = dvector(1, 3);
            pS = dvector(1, 3);
            pD = dvector(1, 3);
            pExt = dvector(1, 3);
            pLoad[1] = pSpeciesConc[1];
            pLoad[2] = fNonidealConc2;
            pLoad[3] = fNonidealConc3;
            pS[1] = fSAMonomerS;
            pS[2] = fNonidealS2;
            pS[3] = fNonidealS3;
            pD[1] = fSAMonomerMorD * 1e-7;
            pD[2] = fNonidealD2 * 1e-7;
            pD[3] = fNonidealD3 * 1e-7;
            pExt[1] = fNonidealExtinction1;
            pExt[2] = fNonidealExtinction2;
            pExt[3] = fNonidealExtinction3;
        }
        L.SetSelfAssociation(false, true, true, bNonidealMultiSwitch != 0, bThree, bThree ? 3 : 0, pLoad, pS, pD,
                             pExt, fNonidealKs, fNonidealKd, bNonidealRepulsive != 0, bNonidealOption2 != 0,
                             dSignalPerMgMl, bModelHinderedCS || bModelHindered, bHydrodynamicNonideality != 0,
                             fSAMonomerS, fSAMonomerMorD * 1e-7, pSpeciesConc[1]);
        if (bThree) {
            free_dvector(pLoad, 1, 3);
            free_dvector(pS, 1, 3);
            free_dvector(pD, 1, 3);
            free_dvector(pExt, 1, 3);
        }
        if (bWienerSkewing) L.SetWienerSkewing(fWSkew, fWSkewSignalPerMgMl);
    }
    if (bAbsorbanceData && bSimTimeResolution && fScanVelocity > 0 && nScans > 0 && pScanPoints[1] > 0)
        L.SetTimeOffsetFromMeniscus(ppRadius[1][1]);
}

// The model delivered at the scans' radii (ppModelPart) goes into ppFit.
void addModelPartToFit()
{
    for (int k = 1; k <= nScans; ++k)
        for (int p = 1; p <= pScanPoints[k]; ++p) ppFit[k][p] += ppModelPart[k][p];
}

// One species (or the non-ideal multiple-species row) through its solver.
void simulateSpecies(TXLAWindow* w, int k, double dAmplitude, bool bSelfAssociation)
{
    const bool bBasis = modelInSpeciesBasis();
    const int nRow = bSelfAssociation ? 1 : k;
    if (bBasis) {
        // a solver that fails leaves no earlier profile behind
        if (!pppExtraNoiseScan[nRow]) return;
        zeroRows(pppExtraNoiseScan[nRow], nScans, nullptr, nNoiseGridPoints);
    } else {
        zeroRows(ppModelPart, nScans, pScanPoints, 0);
    }
    bSimulationError = bDiscretizationError = bNonidealityOutOfRange = 0;
    CLammIdeal* pSolver = new CLammIdeal;
    configureSolver(w, *pSolver, k, dAmplitude, bSelfAssociation);
    const int nError = pSolver->Solve();
    w->ReportSimulationError(nError);
    delete pSolver;
    if (!bBasis) addModelPartToFit();
}

// Steps 6-8 of both roads: the linear parts, the nonlinear-detection
// follow-ups and the intensity conversion.
void finishModelEvaluation(TXLAWindow* w)
{
    linearPartsRoutine()();
    refreshNonlinearDetectionCopies();
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData);
    if (bIntensityData) {
        // absorbance model into intensity: I = I0 10^(-A)
        for (int pos = nFirstModelScan; pos <= nScans; ++pos) {
            const int k = pScanTimeOrder[pos];
            for (int p = 1; p <= pScanPoints[k]; ++p)
                ppFit[k][p] = static_cast<float>(std::exp(-2.30258509 * ppFit[k][p]) * ppThirdColumn[k][p]);
        }
    }
    bModelComputed = 1;
    if (bRepaintAfterCalc) w->InvalidateUnlessBatch();
}

// The low-speed phase before the acceleration: a short dialogue that can
// write and load a speed-step profile for it.
void offerLowSpeedPhaseRepair(TXLAWindow* w)
{
    if (MessageBox(w->HWindow, "possible error: initial low-speed phase before full acceleration?", "ERROR",
                   MB_YESNO) != IDYES)
        return;
    if (MessageBox(w->HWindow, "was the low-speed phase already temperature equilibrated?", "ERROR", MB_YESNO) !=
        IDYES) {
        MessageBox(w->HWindow,
                   "possible error in setup: SV requires temperature equilibration at 0 rpm in RUN mode (please refer "
                   "to experimental protocol)\n --> please switch to \"times from wwt\" in Lamm equation parameters "
                   "(Options menu)\n(this is suboptimal and prohibits simulating of the rotor acceleration phase, but "
                   "is a fix to analyze this data)",
                   "ERROR in simulation", MB_OK | MB_ICONEXCLAMATION);
        w->CmLammEquationParameters();
        return;
    }
    float fRpm0 = 3000.0f, fAcceleration = 280.0f;
    if (!inputFloat(&fRpm0, 3000.0f, true, "rotor speed of low-speed phase (rpm)", "timing correction")) fRpm0 = 3000.0f;
    if (!inputFloat(&fAcceleration, 280.0f, true, "acceleration (rpm/sec) (usually 280)", "timing correction"))
        fAcceleration = 280.0f;
    ScanHeader* pFirst = &pScanHeaders[pScanTimeOrder[1]];
    const float fDuration = speedStepStartTime(fRpm0, fAcceleration, pFirst);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "found low speed %.0f rpm phase had to be %.0f sec, to account for t and w^2t entries of file "
                  "headers\n\n --> want to account for it by creating and loading speedsteps.txt file (recommended)?",
                  fRpm0, fDuration);
    if (MessageBox(w->HWindow, sz, "ERROR", MB_YESNO) == IDYES) {
        readSpeedStepsForSim(fDuration, fRpm0, pFirst, fAcceleration);
        return;
    }
    MessageBox(w->HWindow,
               "--> please switch to \"times from wwt\" in Lamm equation parameters (Options menu)\n(this is "
               "suboptimal and prohibits simulating of the rotor acceleration phase, but is a fix to analyze this data)",
               "ERROR in data", MB_OK | MB_ICONEXCLAMATION);
    w->CmLammEquationParameters();
}

}  // namespace

// ---------------------------------------------------------------- shared pieces

float speciesAmplitude(int k)
{
    int k1 = 0;
    for (int j = 1; j <= 4 && !k1; ++j)
        if (pSpeciesIncluded[j]) k1 = j;
    if (!k1) k1 = k;
    const int nLast = bBufferMismatch ? 3 : 4;
    float fFraction;
    if (k == k1) {
        fFraction = 1.0f;
        for (int j = k1 + 1; j <= nLast; ++j)
            if (pSpeciesIncluded[j]) fFraction -= pSpeciesConc[j];
    } else {
        fFraction = pSpeciesConc[k];
    }
    if (fFraction < 0) fFraction = 0.0f;
    fSpeciesFraction = fFraction;
    float fAmplitude = fFraction * pSpeciesConc[k1];
    if (bAlgebraicConcentrations && fAmplitude == 0) fAmplitude = 1.0f;
    return fAmplitude;
}

bool speciesDiffusionCoefficient(int k, double* pD)
{
    double D;
    if (!bUseMolarMass) {
        D = pSpeciesMw[k] * 1e-7;
    } else {
        const float fBuoyancy = 1.0f - fVbarRho;
        const double M = pSpeciesMw[k] > 0 ? pSpeciesMw[k] : 1e-10;
        if (fBuoyancy == 0) {
            *pD = 0.0;
            return false;
        }
        D = pSpeciesS[k] * 1e-13 * fRT / (fBuoyancy * M);
    }
    if (!std::isfinite(D)) {
        *pD = 0.0;
        return false;
    }
    *pD = std::fabs(D);
    return true;
}

void reportDensityMatchedSpecies(TXLAWindow* pWindow, const int* pSpecies, int nCount)
{
    if (nCount < 1) return;
    std::string list;
    for (int i = 0; i < nCount; ++i) list += (i ? ", " : "") + std::to_string(pSpecies[i]);
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "vbar x density = 1 (density matching): species %s cannot sediment, its diffusion coefficient "
                  "from M and s is infinite - not simulated",
                  list.c_str());
    playErrorSound();
    MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, "ERROR in simulation", MB_OK);
}

// ---------------------------------------------------------------- the evaluation

void TXLAWindow::CalcModel()
{
    nSimOutputMode = 1;
    if (nScans < 1) return;
    // a compressibility taken while other data (or none) were loaded
    if (!compressibleSolventDensityUsable(this)) {
        bModelComputed = 0;
        return;
    }
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, true);
    // the solver objects serve the plain discrete species and the non-ideal
    // multiple species (the Faxen approximation is the global grid's; so are
    // the special geometries, which a solver object refuses)
    const bool bSpecialGeometry = bGeometryLinear || bGeometryExternalLoadingCell || bGeometryReserved || bElectrophoresis;
    const bool bSolverRoad = (bModelDiscreteSpecies && !bBufferMismatch && !bDLSData && !bEquilibriumDataMode &&
                              !bExperimentalInitialDistribution && !bSpecies1Nonideal && !bFaxenApproximation &&
                              !bSpecialGeometry) ||
                             bModelNonidealMultiple;
    if (bSolverRoad) {
        CalcDiscreteSpeciesModel();
        refreshNonlinearDetectionCopies();
        applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData);
        return;
    }

    // ---- the global-grid road ----
    // a propagation that failed (and said so) leaves no model to judge
    const int nFailuresBefore = simulationFailuresReported();
    if (!evaluateOnGlobalGrid(this) || simulationFailuresReported() != nFailuresBefore) {
        bModelComputed = 0;
        return;
    }
    finishModelEvaluation(this);
}

int TXLAWindow::CalcDiscreteSpeciesModel()
{
    if (nScans < 1) return 0;
    if (fMeniscus == 0 || fBottom == 0) {
        MessageBox(HWindow, "set Meniscus and Bottom first", "", MB_OK);
        return 0;
    }
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, true);
    if (fFitLeftLim == 0) {
        fFitLeftLim = fMeniscus;
        updateLeftFitLimit();
    }
    if (fFitRightLim == 0) {
        fFitRightLim = fBottom;
        updateRightFitLimit();
    }
    paramVectorToGlobals();
    zeroRows(ppFit, nScans, pScanPoints, 0);
    if (bRepaintAfterCalc) InvalidateUnlessBatch();
    bInterruptComputation = 0;
    if (modelInSpeciesBasis()) {
        // every species simulated needs its basis (the non-ideal multiple
        // species are the model's species 1); the arrays are made for all
        // of them at once
        if (bModelNonidealMultiple) pSpeciesIncluded[1] = 1;
        bool bMissing = false;
        for (int k = 1; k <= 4; ++k)
            if (pSpeciesIncluded[k] && !pppExtraNoiseScan[k]) bMissing = true;
        if (bMissing) allocExtraNoiseArrays();
    }

    int pDensityMatched[4];
    int nDensityMatched = 0;
    // A solver that failed (and said why) ends the evaluation without a
    // model: its rows hold nothing or a partial profile, and an rmsd of them
    // would be taken for a result.
    const int nFailuresBefore = simulationFailuresReported();
    auto failed = [&] { return simulationFailuresReported() != nFailuresBefore; };
    for (int k = 1; k <= 4 && !bInterruptComputation && !failed(); ++k) {
        nSimSpeciesIndex = k;
        if (bBufferMismatch && k == 4) {
            // the buffer component in the fourth row
            pSpeciesIncluded[4] = 1;
            if (bAlgebraicConcentrations) {
                dBufferSignal = 1.0;
                fSpeciesAmplitude[4] = 1.0f;
            } else {
                fSpeciesAmplitude[4] = static_cast<float>(dBufferSignal);
            }
            SimulateBufferSignal();
            continue;
        }
        const bool bSelfAssociation = k == 1 && bModelNonidealMultiple;
        if (!bSelfAssociation && !pSpeciesIncluded[k]) {
            fSpeciesAmplitude[k] = 0.0f;
            continue;
        }
        // s and D of the species (of species 1 for the non-ideal row)
        double D = 0.0;
        if (!speciesDiffusionCoefficient(k, &D)) {
            fSpeciesAmplitude[k] = 0.0f;
            if (pppExtraNoiseScan[k]) zeroRows(pppExtraNoiseScan[k], nScans, nullptr, nNoiseGridPoints);
            pDensityMatched[nDensityMatched++] = k;
            continue;
        }
        dLammS = pSpeciesS[k];
        dLammD = D;
        const float fAmplitude = bSelfAssociation ? 1.0f : speciesAmplitude(k);
        fSpeciesAmplitude[k] = fAmplitude;
        simulateSpecies(this, k, fAmplitude, bSelfAssociation);
    }
    reportDensityMatchedSpecies(this, pDensityMatched, nDensityMatched);
    if (failed()) {
        bModelComputed = 0;
        return 0;
    }
    finishModelEvaluation(this);
    return 0;
}

namespace {
int nSimulationFailures = 0;
}  // namespace

bool isSimulationFailure(int nError)
{
    return nError == 1 || nError == 3 || nError == 4 || nError == 5 || nError == 6;
}

int simulationFailuresReported() { return nSimulationFailures; }

void TXLAWindow::ReportSimulationError(int nError)
{
    if (isSimulationFailure(nError)) ++nSimulationFailures;
    switch (nError) {
    case 1:
        playErrorSound();
        MessageBox(HWindow, "could not allocate Lamm simulation arrays", "ERROR in simulation", MB_OK);
        break;
    case 2:
        bDiscretizationError = 1;
        if (!bFitRunning || !bDiscretizationWarned) {
            playInfoSound();
            MessageBox(HWindow, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR",
                       MB_OK | MB_ICONEXCLAMATION);
            if (bFitRunning) bDiscretizationWarned = 1;
        }
        break;
    case 3:
        bSimulationError = 1;
        playErrorSound();
        MessageBox(HWindow, "singular tridiagonal matrix!", "ERROR in simulation", MB_OK);
        break;
    case 5:
        playErrorSound();
        offerLowSpeedPhaseRepair(this);
        break;
    case 6:
        playErrorSound();
        MessageBox(HWindow, "possible error in setupof Lamm eq. solution, nonideal parameters", "ERROR in simulation",
                   MB_OK | MB_ICONEXCLAMATION);
        break;
    case 7:
        bNonidealityOutOfRange = 1;
        if (!bFitRunning || !bNonidealityWarned) {
            playErrorSound();
            MessageBox(HWindow, "nonideality out of range", "ERROR in simulation", MB_OK);
            if (bFitRunning) bNonidealityWarned = 1;
        }
        break;
    default:  // success, 4 (reported by the solver itself) and unknown numbers
        break;
    }
}
