// The continuous-distribution run and the list of Lamm solutions of its grid.
#include "distributions/conti_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_finish.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fegrid/buffer_sedimentation.h"
#include "fegrid/global_grid.h"
#include "fegrid/inhomogeneous_solvent.h"
#include "fegrid/propagators.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "lamm/lamm_ideal.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "plot/progress_line.h"
#include "plot/sounds.h"
#include "scandata/scan_data.h"
#include "scandata/noise_grid.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

double* pContiSimS = nullptr;
double* pContiSimD = nullptr;
double* pContiSimVbar = nullptr;
float fOmegaSquaredFirstScan = 0.0f;
float fMaxObservableS = 0.0f;

namespace {

// ---------------------------------------------------------------- texts and boxes

win::HWND windowHandle(TXLAWindow* pWindow) { return pWindow ? pWindow->HWindow : nullptr; }

void runText(TXLAWindow* pWindow, int x, int y, const char* szText)
{
    if (!bWindowPainted || !pWindow) return;
    win::HDC dc = pWindow->GetDC();
    if (!dc) return;
    win::TextOut(dc, x, y, szText, static_cast<int>(std::strlen(szText)));
    pWindow->ReleaseDC(dc);
}

void runBox(TXLAWindow* pWindow, const char* szText, const char* szTitle = "", unsigned nType = win::MB_OK)
{
    win::MessageBox(windowHandle(pWindow), szText, szTitle, nType);
}

void log(TXLAWindow* pWindow, const char* szText)
{
    if (pWindow) pWindow->DebugLog(szText);
}

// ---------------------------------------------------------------- the grid-point table

bool isLightScatteringModel() { return bModelDlsRh || bModelDlsRhTime || bModelDlsD; }

// The models of the table's last group: c(s) with one discrete species, the
// buffer signal, the non-ideal c(s) or an M(s) table.
bool lastGroupModel()
{
    return bModelCSOneDiscreteD || bBufferMismatch || bModelNonidealCS || bModelCSOneDiscreteM || bModelCSWithMsTable;
}

struct GridRow {
    EGridPointRule rule;
    bool (*applies)(int i);
};

// One named predicate per row; the first that applies wins.
const GridRow kGridRows[] = {
    {EGridPointRule::LightScattering, [](int) { return isLightScatteringModel(); }},
    {EGridPointRule::CMVbarM, [](int) { return bModelCMVbarM != 0; }},
    {EGridPointRule::CMPowerLaw, [](int) { return bModelCMPowerLaw != 0; }},
    {EGridPointRule::CMBuoyantInvariantD, [](int) { return bModelCMbInvariantD && !bModelElectrophoresisCV; }},
    {EGridPointRule::ElectrophoresisCV, [](int) { return bModelElectrophoresisCV != 0; }},
    {EGridPointRule::Lsgs, [](int) { return bModelLsgs != 0; }},
    {EGridPointRule::HybridCSLsgs, [](int) { return bModelHybridCSLsgs != 0; }},
    {EGridPointRule::LsgsOneDiscrete, [](int) { return bModelLsgsOneDiscrete != 0; }},
    {EGridPointRule::CSFf0, [](int) { return bModelCSFf0 || bModelCSFf0OneDiscrete; }},
    {EGridPointRule::CS, [](int) { return bModelCS != 0; }},
    {EGridPointRule::BimodalFf0, [](int) { return bModelCSBimodalFf0 || bModelCSBimodalFf0OneDiscrete; }},
    {EGridPointRule::Flotation, [](int) { return bModelCSFlotation != 0; }},
    {EGridPointRule::FixFf0FloatingVbar, [](int) { return bModelCSFixFf0FloatingVbar != 0; }},
    {EGridPointRule::ScalingLaw, [](int) { return bModelCSScalingLaw != 0; }},
    {EGridPointRule::FMScalingLaw, [](int) { return bModelFMScalingLaw != 0; }},
    {EGridPointRule::WormlikeChain, [](int) { return bModelCSWormlikeChain != 0; }},
    {EGridPointRule::ConformationalChange, [](int) { return bModelCSConformationalChange != 0; }},
    {EGridPointRule::InvariantD, [](int) { return !lastGroupModel() && bModelCSInvariantD; }},
    {EGridPointRule::LinearRods, [](int) { return !lastGroupModel() && bModelCSLinearRods; }},
    {EGridPointRule::CMOnMGrid, [](int) { return !lastGroupModel(); }},
    {EGridPointRule::BufferSignal, [](int i) { return i == 1 && bBufferMismatch; }},
    {EGridPointRule::NonidealMonomer, [](int i) { return i == 1 && bModelNonidealCS && !bNonidealDiscreteFirst; }},
    // The M(s)-table model keeps its discrete species in point 1 as well;
    // its D comes from the species' s and M like that of the other rows here.
    {EGridPointRule::DiscreteSpeciesByM,
     [](int i) {
         return i == 1 && (bModelCSOneDiscreteM || bModelCSWithMsTable || (bModelNonidealCS && bNonidealDiscreteFirst));
     }},
    {EGridPointRule::DiscreteSpeciesByD, [](int i) { return i == 1 && bModelCSOneDiscreteD; }},
    {EGridPointRule::MsTable, [](int) { return bModelCSWithMsTable != 0; }},
    {EGridPointRule::MassFromS, [](int) { return true; }},
};

// The discrete species: s and M of the discrete component, D by the Svedberg
// relation; s and M also go to the axes (into the two-dimensional arrays for
// the c(s,ff0) model).
struct PointValues {
    double s = 0.0;
    double D = 0.0;
    float M = 0.0f;
    bool bWriteM = false;
};

void discreteSpecies(PointValues& p, float T)
{
    p.s = fDiscreteCompS;
    p.M = fDiscreteCompM;
    p.D = DFromSM(fDiscreteCompS, fDiscreteCompM, T);
    p.bWriteM = true;
}

// D of mass M and s by the Svedberg relation.
double svedbergD(double s, float M, float T) { return DFromSM(static_cast<float>(s), M, T); }
// M of D and s by the Svedberg relation.
float svedbergM(double D, double s, float T) { return MFromSD(static_cast<float>(D), static_cast<float>(s), T); }

}  // namespace

EGridPointRule gridPointRule(int i)
{
    for (const GridRow& r : kGridRows)
        if (r.applies(i)) return r.rule;
    return EGridPointRule::MassFromS;
}

bool setGridPointSD(TXLAWindow* pWindow, int i, float T)
{
    const bool b2D = isTwoDimensionalModel();
    PointValues p;
    const float fGridM = b2D ? 0.0f : pDistAxisM[i];
    const double sGrid = b2D ? 0.0 : pDistAxisS[i];
    switch (gridPointRule(i)) {
    case EGridPointRule::LightScattering:
        p.s = sGrid;
        p.D = std::pow(10.0, static_cast<double>(pDistAxisM[i]));
        break;
    case EGridPointRule::CMVbarM:
        p.M = fGridM;
        VBAR = VbarFromMass(p.M);
        fVbarRho = fBufferDensity * VBAR;
        p.D = CalculateDFromM(p.M, T);
        p.s = SFromMD(p.M, static_cast<float>(p.D), T);
        p.bWriteM = true;
        break;
    case EGridPointRule::CMPowerLaw:
        p.M = fGridM;
        p.s = SFromM(p.M);
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::CMBuoyantInvariantD:
        p.M = fGridM;
        p.D = fFrictionalRatio * 1e-7;
        p.s = p.M * p.D * 1e13 / ((T + kZeroCelsius) * kGasConstant);
        p.bWriteM = true;
        break;
    case EGridPointRule::ElectrophoresisCV:
        p.s = sGrid;
        p.D = fCVConstantD * 1e-7;
        break;
    case EGridPointRule::Lsgs:
        p.s = sGrid;
        p.D = 0.0;
        break;
    case EGridPointRule::HybridCSLsgs:
        if (i == 1 && bHybridWithDiscrete) {
            discreteSpecies(p, T);
        } else {
            p.s = sGrid;
            if (p.s <= dHybridSwitchS) {
                p.M = CalculateM(static_cast<float>(p.s));
                p.D = CalculateDFromM(p.M, T);
                p.bWriteM = true;
            } else {
                p.D = 0.0;
            }
        }
        break;
    case EGridPointRule::LsgsOneDiscrete:
        if (i == 1) {
            discreteSpecies(p, T);
        } else {
            p.s = sGrid;
            p.D = 0.0;
        }
        break;
    case EGridPointRule::CSFf0: {
        const bool bDiscrete = i == 1 && bModelCSFf0OneDiscrete;
        if (bDiscrete) {
            pCsFf0S[1] = fDiscreteCompS;
            pCsFf0M[1] = fDiscreteCompM;
        }
        p.s = pCsFf0S[i];
        p.M = pCsFf0M[i];
        p.D = p.M == 0.0f ? 0.0 : svedbergD(p.s, p.M, T);
        pCsFf0D[i] = static_cast<float>(p.D);
        pCsFf0Rh[i] = DFromStokesRadius2(static_cast<float>(p.D), T) * 1e9f;
        if (bDiscrete)
            pCsFf0Ratio[1] =
                CalculateFrictionalRatio(p.M, static_cast<float>(p.s), VBAR, fBufferDensity, RELVISCOSITY);
        if (p.D == 0.0) {
            char sz[100];
            std::snprintf(sz, sizeof sz, "error: D = 0 encountered species #%d", i);
            runBox(pWindow, sz);
            return false;
        }
        break;
    }
    case EGridPointRule::CS:
        p.s = sGrid;
        p.M = CalculateM(static_cast<float>(p.s));
        p.D = CalculateDFromM(p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::BimodalFf0:
        if (i == 1 && bModelCSBimodalFf0OneDiscrete) {
            discreteSpecies(p, T);
            break;
        }
        p.s = sGrid;
        if (p.s < fBimodalSMin || p.s > fBimodalSMax) {
            p.M = CalculateM(static_cast<float>(p.s));
            p.D = CalculateDFromM(p.M, T);
        } else {
            p.M = CalculateMff02(static_cast<float>(p.s), fBimodalFf0Second);
            p.D = CalculateDFromMff0(p.M, T, fBimodalFf0Second);
        }
        p.bWriteM = true;
        break;
    case EGridPointRule::Flotation:
        p.s = sGrid;
        p.D = diffusionOfGridPoint(static_cast<float>(p.s));
        break;
    case EGridPointRule::FixFf0FloatingVbar:
        p.s = sGrid;
        p.M = CalculateM(static_cast<float>(p.s));
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::ScalingLaw:
        p.s = sGrid;
        p.M = MFromSPowerLaw(static_cast<float>(p.s));
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::FMScalingLaw:
        p.M = fGridM;
        p.s = sFromMPowerLaw(p.M);
        p.D = bFMScalingNoDiffusion ? 0.0 : svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::WormlikeChain:
        p.s = sGrid;
        p.M = wormChainMFromS(static_cast<float>(p.s));
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::ConformationalChange:
        p.s = sGrid;
        p.M = (p.s >= fConfChangeSMin && p.s <= fConfChangeSMax) ? fConfChangeM : CalculateM(static_cast<float>(p.s));
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::InvariantD:
        p.s = sGrid;
        p.D = fCSInvariantD * 1e-7;
        p.M = svedbergM(p.D, p.s, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::LinearRods:
        p.s = sGrid;
        p.M = CalculateMofSforLinearRod(static_cast<float>(p.s), fLinearRodParam);
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::CMOnMGrid:
        p.M = fGridM;
        p.D = CalculateDFromM(p.M, T);
        p.s = SFromMD(p.M, static_cast<float>(p.D), T);
        p.bWriteM = true;
        break;
    case EGridPointRule::BufferSignal:
        p.s = dBufferS;
        p.D = dBufferD * 1e-7;
        p.M = svedbergM(p.D, p.s, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::NonidealMonomer:
        p.s = sGrid;
        p.M = CalculateM(static_cast<float>(p.s));
        p.D = CalculateDFromM(p.M, T);
        fSAMonomerS = static_cast<float>(p.s);
        fSAMonomerMorD = static_cast<float>(p.D);
        p.bWriteM = true;
        break;
    case EGridPointRule::DiscreteSpeciesByM:
        discreteSpecies(p, T);
        break;
    case EGridPointRule::DiscreteSpeciesByD:
        p.s = fDiscreteCompS;
        p.D = fDiscreteCompD * 1e-7;
        p.M = svedbergM(p.D, p.s, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::MsTable:
        p.s = sGrid;
        p.M = mOfSInterpolate(static_cast<float>(p.s));
        p.D = svedbergD(p.s, p.M, T);
        p.bWriteM = true;
        break;
    case EGridPointRule::MassFromS:
        p.s = sGrid;
        p.M = CalculateM(static_cast<float>(p.s));
        p.D = CalculateDFromM(p.M, T);
        if (bModelNonidealCS) {
            fSAMonomerS = static_cast<float>(p.s);
            fSAMonomerMorD = static_cast<float>(p.D);
        }
        p.bWriteM = true;
        break;
    }
    dLammS = p.s;
    dLammD = p.D;
    if (b2D) return true;
    pDistAxisS[i] = static_cast<float>(p.s);
    if (p.bWriteM) pDistAxisM[i] = p.M;
    return true;
}

namespace {

// ---------------------------------------------------------------- checks

bool isLsgsModel() { return bModelLsgs || bModelLsgsOneDiscrete || bModelHybridCSLsgs; }

// The largest s observable at the first scan: its boundary has reached the
// outer end of the noise grid.
void computeMaxObservableS()
{
    const ScanHeader& h = pScanHeaders[pScanTimeOrder[1]];
    const float fOmega = 2.0f * static_cast<float>(M_PI) * h.rpm / 60.0f;
    fOmegaSquaredFirstScan = fOmega * fOmega;
    const float rMax = nNoiseGridPoints > 0 && pNoiseGrid ? pNoiseGrid[nNoiseGridPoints] : fBottom;
    fMaxObservableS = static_cast<float>(1e13 * std::log(rMax / fMeniscus) / h.omega2t);
}

bool checkMaxObservableS() { return !(isLsgsModel() || bDLSData || bModelElectrophoresisCV || bEquilibriumDataMode || bSkipRegularization || bUseScanRadii); }

const char* progressFormat(int i)
{
    if (isLsgsModel() && dLammD == 0.0) return "stepfunctions for s = %.3fS ";
    if (bModelElectrophoresisCV) return "simulating for v = %.3f (D=%1.3e cm^2/sec)    ";
    if (bDLSData) return "simulating for D = %.3e cm^2/sec (log10(rh/cm) = %1.3e)    ";
    if (bModelCSFlotation) return "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, Mb=%.0f), n=%d    ";
    if (i == 1 && ((bModelHybridCSLsgs && bHybridWithDiscrete) || bModelLsgsOneDiscrete))
        return "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, M=%.0f)    ";
    if (bModelHybridCSLsgs || isSTypeModel())
        return "solving Lamm equation for s = %.3f S (D=%1.3e cm^2/sec, M=%.0f), n=%d    ";
    return "solving Lamm equation for M = %.0f Da (D=%1.3e cm^2/sec, s=%.3fS), n=%d    ";
}

void showPointProgress(TXLAWindow* pWindow, int i, int nGrid)
{
    if (bFitRunning) return;
    if (!(bDLSData || bModelElectrophoresisCV || bEquilibriumDataMode || bModelNonidealCS)) return;
    char sz[200];
    const char* f = progressFormat(i);
    const float M = isTwoDimensionalModel() ? pCsFf0M[i] : pDistAxisM[i];
    if (std::strncmp(f, "stepfunctions", 13) == 0)
        std::snprintf(sz, sizeof sz, f, dLammS);
    else if (bModelElectrophoresisCV)
        std::snprintf(sz, sizeof sz, f, dLammS, dLammD);
    else if (bDLSData)
        std::snprintf(sz, sizeof sz, f, dLammD, static_cast<double>(pDistAxisS[i]));
    else if (std::strncmp(f, "solving Lamm equation for M", 27) == 0)
        std::snprintf(sz, sizeof sz, f, static_cast<double>(M), dLammD, dLammS, nGrid);
    else
        std::snprintf(sz, sizeof sz, f, dLammS, dLammD, static_cast<double>(M), nGrid);
    runText(pWindow, 10, 30, sz);
}

// The allocation of the per-run grid vectors.
void allocGridVectors(int nGrid)
{
    pContiSimS = dvector(1, nGrid);
    pContiSimD = dvector(1, nGrid);
    pContiSimVbar = dvector(1, nGrid);
}

void freeGridVectors(int nGrid)
{
    if (pContiSimS) free_dvector(pContiSimS, 1, nGrid);
    if (pContiSimD) free_dvector(pContiSimD, 1, nGrid);
    if (pContiSimVbar) free_dvector(pContiSimVbar, 1, nGrid);
    pContiSimS = pContiSimD = pContiSimVbar = nullptr;
}

// The end of a run that a key stopped while the Lamm solutions were computed.
void endInterruptedRun(TXLAWindow* pWindow, int nGrid)
{
    bRealtimeError = 1;
    if (!bSkipRegularization) {
        bModelComputed = 1;
        if (bRepaintAfterCalc && pWindow) pWindow->InvalidateUnlessBatch();
        freeLammSolutionStore(nGrid);
    }
}

// The evaluation of the distribution read from a file on the scans' radii.
void evaluatePresentDistribution(TXLAWindow* pWindow, int nGrid)
{
    for (int i = 1; i <= nGrid; i++) {
        pNESolution[i] = pDistValues[i];
        pDistValues2[i] = 0.0f;
        pNESolutionMaxEnt[i] = 0.0;
    }
    const int nStorePoints = pScanPoints[1];
    for (int pos = 1; pos <= nScans; pos++) {
        const int k = pScanTimeOrder[pos];
        const int n = std::min(pScanPoints[k], nStorePoints);
        for (int p = 1; p <= n; p++) {
            double v = 0.0;
            for (int i = 1; i <= nGrid; i++) v += pNESolution[i] * pLammSolutions[i][k][p];
            ppFit[k][p] = static_cast<float>(v);
        }
    }
    convertAmplitudesToDensity();
    freeLammSolutionStore(nGrid);
    freeNormalArrays(nGrid);
    if (pDistPlot) {
        pDistPlot->Rescale();
        pDistPlot->Draw();
    }
    refreshNonlinearDetectionCopies();
    (void)pWindow;
}

// The regularization of a one-dimensional model; the buffer signal of fixed
// amplitude in point 1 is taken out of the equations and put back.
void regularizeOneDimensional(TXLAWindow* pWindow)
{
    const int n = nResolution;
    nNEQSize = n;
    double dPrior1 = 0.0;
    if (bBufferMismatchInNEQ && pPriorProbability) {
        dPrior1 = pPriorProbability[1];
        for (int i = 1; i <= n - 1; i++) pPriorProbability[i] = pPriorProbability[i + 1];
        nNEQSize = n - 1;
    }
    const bool bLog = !bSkipRegularization || bFinalFitEvaluation || bMonteCarloRun;
    if (bLog) log(pWindow, "\nStarting Regularization");
    if (bRegBothShown) {
        regularizeDistribution();
        for (int i = 1; i <= nNEQSize; i++) pNESolutionMaxEnt[i] = pNESolution[i];
        regularizeMaxEntropy();
    } else if (bRegMaxEnt) {
        regularizeMaxEntropy();
    } else {
        regularizeDistribution();
    }
    if (bLog) log(pWindow, " --> DONE");
    if (bBufferMismatchInNEQ) {
        for (int i = n; i >= 2; i--) {
            pNESolution[i] = pNESolution[i - 1];
            if (bRegBothShown) pNESolutionMaxEnt[i] = pNESolutionMaxEnt[i - 1];
        }
        pNESolution[1] = dNEFixedFirstAmplitude;
        if (pPriorProbability) {
            for (int i = n; i >= 2; i--) pPriorProbability[i] = pPriorProbability[i - 1];
            pPriorProbability[1] = dPrior1;
        }
    }
}

// Which way the body of the run ended.
enum class ERunEnd { Stopped, StoppedAfterDetection, Finished };

ERunEnd runContiSedSteps(TXLAWindow* pWindow)
{
    // 1.
    log(pWindow, "\nEntering RunContiSed");
    bMsTableRun = 0;
    bDiscretizationError = 0;
    // 2.
    if (bTimesFromW2t && bModelNonidealCS) {
        runBox(pWindow, "nonideal c(s) not implemented for wwt times (switch Lamm Eq settings and reload data)");
        return ERunEnd::Stopped;
    }
    // 3.
    if (bModelCSWithMsTable) {
        bMsTableRun = 1;
        if (bDistConvertedToCM) updateDistributionPlot();
        bDistConvertedToCM = 0;
    }
    // 4.
    if (bDLSData) {
        bInterruptComputation = 0;
        if (pDlsHeaders && nScans > 0 && !pDlsHeaders[1].fieldAcf) {
            if (win::MessageBox(windowHandle(pWindow), "DLS data for this model must be field autocorrelation g(1) - transform?",
                                "ERROR", win::MB_YESNO) != win::IDYES)
                return ERunEnd::Stopped;
            for (int k = 1; k <= nScans; k++) convertDlsG2ToG1(pScanPoints[k], ppSignal[k], &pDlsHeaders[k]);
            setPlotAxisLabels();
            if (pWindow) pWindow->Invalidate(true);
        }
    }
    // 5.
    if (!bMovingHat) {
        bMovingHat = 1;
        bClaverie = 0;
    }
    // 6.
    if (nScans < 1) return ERunEnd::Stopped;
    if (bElectrophoresisData && !(bModelElectrophoresisCV || bModelLsgv)) {
        runBox(pWindow, "not implemented for electrophoresis data");
        return ERunEnd::Stopped;
    }
    if (bEquilibriumDataMode && (bModelLsgs || bModelHybridCSLsgs || bModelLsgsOneDiscrete))
        runBox(pWindow, "not implemented for sed eq data", "", win::MB_OK | win::MB_ICONEXCLAMATION);
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        runBox(pWindow, "set Meniscus and Bottom first");
        return ERunEnd::Stopped;
    }
    // a compressibility taken while other data (or none) were loaded
    if (!compressibleSolventDensityUsable(pWindow)) {
        bModelComputed = 0;
        return ERunEnd::Stopped;
    }
    // Models whose Lamm solutions come from parts not in this version.
    if (bModelElectrophoresisCV) {
        runBox(pWindow, "the electrophoresis c(v) model is not in this version", "NOT AVAILABLE");
        return ERunEnd::Stopped;
    }
    // 7.
    applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, true);
    // 8.
    if (fFitLeftLim == 0.0f) {
        fFitLeftLim = fMeniscus;
        updateLeftFitLimit();
    }
    if (fFitRightLim == 0.0f) {
        fFitRightLim = fBottom;
        updateRightFitLimit();
    }
    // 9.
    if (!bSkipRegularization) paramVectorToGlobals();
    // 10.
    if (!bFitRunning) runText(pWindow, 10, 30, "allocating memory space...    ");
    // 11.
    const bool b2D = isTwoDimensionalModel();
    if (!bDLSData && !bUseScanRadii && !bModelElectrophoresisCV) computeMaxObservableS();
    // 12.
    if (!bSkipRegularization && !bUseScanRadii) {
        if (!b2D) {
            if (!setupSGrid()) return ERunEnd::StoppedAfterDetection;
        } else {
            checkContiKernelsDue();
            if (bContiKernelsDue) {
                if (!setupSGrid()) return ERunEnd::StoppedAfterDetection;
            } else {
                setupPriorProbabilities();
            }
        }
    } else if (bSkipRegularization) {
        bContiKernelsDue = 1;
    }
    if (!pLammSolutions || !pNEMatrix) return ERunEnd::StoppedAfterDetection;
    // 13.
    if (!bDLSData) {
        if (!bGridArraysAllocated) allocRadialGridArrays();
        if (bGridArraysAllocated) resizeRadialGrid(nGridPoints);
        if (!bGridArraysAllocated) return ERunEnd::StoppedAfterDetection;
    }
    // 14.
    const int nGrid = b2D ? nCsGridTotal : nResolution;
    allocGridVectors(nGrid);
    bDistributionTransformed = 0;
    bDistTransformedToRh = 0;
    bool bDiscretizationShown = false, bSimulationShown = false;
    // 15. - 20.
    const bool bKernels = !b2D || bContiKernelsDue;
    if (bKernels) {
        const float T = bDLSData ? fTemperatureK - kZeroCelsiusF : pScanHeaders[nScans].temperature;
        for (int i = 1; i <= nGrid; i++) {
            nLammSolutionSet = i;
            if (!setGridPointSD(pWindow, i, T)) {
                freeGridVectors(nGrid);
                return ERunEnd::StoppedAfterDetection;
            }
            if (checkMaxObservableS() && dLammS > fMaxObservableS) {
                char sz[400];
                std::snprintf(sz, sizeof sz,
                              "sedimentation coefficient #%d (%.3fS) is exceeding maximum observable s-values "
                              "(%.3fS)\nfor given rotor speed, time of first scan, and outer data limit\nload earlier "
                              "scans or reduce maximal size of species",
                              i, dLammS, static_cast<double>(fMaxObservableS));
                runBox(pWindow, sz);
                freeGridVectors(nGrid);
                return ERunEnd::StoppedAfterDetection;
            }
            pContiSimS[i] = dLammS;
            pContiSimD[i] = dLammD;
            pContiSimVbar[i] = bModelCMVbarM ? VbarFromMass(b2D ? pCsFf0M[i] : pDistAxisM[i]) : VBAR;
            showPointProgress(pWindow, i, nGrid);
            if (bDLSData) {
                dDlsKernelAmplitude = 1.0;
                const bool bOk = bModelDlsRhTime ? calcDlsKernels() : calcDlsModelAcf();
                if (!bOk) {
                    // the kernel has said why; every further point would say it again
                    freeGridVectors(nGrid);
                    return ERunEnd::StoppedAfterDetection;
                }
            } else if (bEquilibriumDataMode) {
                equilibriumExponentialPerScan((1.0 - fBufferDensity * VBAR) * (b2D ? pCsFf0M[i] : pDistAxisM[i]),
                                              1.0);
            } else {
                bInterruptComputation = 0;
            }
            if (bInterruptComputation) {
                endInterruptedRun(pWindow, nGrid);
                bInterruptComputation = 0;
                freeGridVectors(nGrid);
                return ERunEnd::StoppedAfterDetection;
            }
            if (bDiscretizationError && !bDiscretizationShown) {
                playErrorSound();
                runBox(pWindow, "discretization error", "ERROR in simulation");
                bDiscretizationShown = true;
            }
            if (bSimulationError && !bSimulationShown) {
                playErrorSound();
                runBox(pWindow, "singular tridiagonal matrix!", "ERROR in simulation");
                bSimulationShown = true;
            }
        }
        // 21.
        if (!bDLSData && !bModelElectrophoresisCV && !bEquilibriumDataMode) {
            bInterruptComputation = 0;
            const bool bSolved = !bModelNonidealCS
                                     ? RunSVContiSedList(pWindow, nGrid, pContiSimS, pContiSimD, pContiSimVbar)
                                     : RunNonidcofsSedList(pWindow, nGrid, pContiSimS, pContiSimD, pContiSimVbar);
            if (!bSolved) {
                // refused or failed (and said why): no solutions, no distribution,
                // and the fits of an earlier run belong to none
                freeGridVectors(nGrid);
                bModelComputed = 0;
                return ERunEnd::StoppedAfterDetection;
            }
            if (bInterruptComputation) {
                endInterruptedRun(pWindow, nGrid);
                freeGridVectors(nGrid);
                return ERunEnd::StoppedAfterDetection;
            }
        }
    }
    // 22.
    log(pWindow, "\n RunContiSed loop and sims done");
    freeGridVectors(nGrid);
    log(pWindow, "\n RunContiSed loop and sims done");
    // 23.
    if (bKernels) {
        if (!bFitRunning) {
            log(pWindow, "\n RunContiSed normal equations output start");
            runText(pWindow, 10, 50, "calculating normal equations (hit any key to interrupt)...");
            log(pWindow, "-end.");
        }
        if (!b2D && bUseScanRadii) {
            evaluatePresentDistribution(pWindow, nGrid);
            return ERunEnd::StoppedAfterDetection;
        }
        buildNormalEquations(pWindow, 1);
        if (bModelNonidealCS) updateMeanFieldParameter();
    }
    // 24.
    if (!bFitRunning) runText(pWindow, 10, 70, "calculating distribution, adjusting variance ratio  ");
    win::HDC dc = pWindow ? pWindow->GetDC() : nullptr;
    CProgressLine* pProgress = new CProgressLine;
    pProgress->SetColorOrange();
    // beside the label "calculating normal equations" when the window's
    // context can place it, else below it
    if (pWindow) pProgress->Show(pWindow, 10, dc ? 65 : 100);
    // 25.
    if (!bInterruptComputation) {
        if (!b2D)
            regularizeOneDimensional(pWindow);
        else
            regularizeDistribution();
    } else {
        bRealtimeError = 1;
        playOkSound();
        win::MessageBox(nullptr, "user interrupt", "ERROR", win::MB_OK);
    }
    // 26.
    if (bBufferMismatch) dBufferSignal = pNESolution[1];
    // 27.
    log(pWindow, "\n RunContiSed cleanup start");
    if (dc) pWindow->ReleaseDC(dc);
    if (pWindow) pProgress->Hide(pWindow);
    delete pProgress;
    if (bSkipRegularization) return ERunEnd::StoppedAfterDetection;
    finishContiSed(pWindow);
    return ERunEnd::Finished;
}

}  // namespace

void RunContiSed(TXLAWindow* pWindow)
{
    const ERunEnd end = runContiSedSteps(pWindow);
    // A stop after the detection transform shows the scale the user chose
    // again; the finishing step has done so already, and a fit's trial runs
    // keep the transformed values.
    if (end == ERunEnd::StoppedAfterDetection && !bSkipRegularization)
        applyNonlinearDetection(fFloNonlinCoeff, fDetectionBaseline, bShowTransformedData != 0);
    // 28. Every exit, also a stop, leaves Claverie with the automatic choice.
    bClaverie = 1;
    bFixedTimestep = 0;
    bMovingHat = 0;
    bAutoFEAlgorithm = 1;
    if (end == ERunEnd::Finished && bModelNonidealCS && (bFitTINoise || bFitRINoise)) endMeanFieldIteration();
    log(pWindow, " --> cleanup done.");
}

// ---------------------------------------------------------------- the Lamm list

void setContiListSolverHead(CLammIdeal* L, TXLAWindow* pWindow, double s, double D, int nGridSize, float* pRadii,
                            int nRadii)
{
    L->SetSedimentationParams(s, D, fMeniscus, fBottom, 1.0, fFitLeftLim, fFitRightLim);
    if (!bCheckRotorAcceleration) L->SkipAccelerationCheck();
    L->SetScanData(windowHandle(pWindow), pDataPlot, pScanHeaders, pLammSolutions[1], pRadii, nRadii, nullptr, nullptr,
                   false, pScanTimeOrder, nScans, 1, bFitRunning != 0, bSkipRegularization != 0,
                   bSimTimeResolution != 0, fScanVelocity, bSimRadialResolution != 0, fConvolutionRange,
                   bAbsorbanceData != 0);
    L->SetSolverOptions(nDynGridLowerLimit, nDynGridUpperLimit, fPointsPerSigma, 0, dBackDiffusionLevel,
                        bShutOffBackDiffusion, bOptimizeGridSpacing, bAutoDynamicGridSize, 1.0f, bRampRotorSpeed,
                        bFixedTimestep, bHeteroAssocRun, dMaxRelativeChange, dSGrid, bAutoSGrid,
                        bSimulateBeyondLastScan, bAutoFEAlgorithm, dMaxDcOverCWork, dMaxDcOverCLow, dMaxDcOverCHigh,
                        dMaxDcOverC, nGridSize, nGridPointsAllocated, bMovingHat, bClaverie, 1e-4f,
                        dTruncateLevel, bTruncateGrid, dLammDefaultC, dLammDefaultB, fAutoAlgorithmNormS,
                        fAutoAlgorithmNormSOptimized);
}

void setContiListSolverTail(CLammIdeal* L)
{
    if (bModelZone) L->SetBandForming(true, fZoneLamellaWidth, bInvertBand != 0);
    // the solver takes the temperature in degrees Celsius
    L->SetSolventAndParticle(fTemperatureK - kZeroCelsius, VBAR, fBufferDensity, RELVISCOSITY);
    if (bSedimentationTimeOffset) L->SetStartTime(fStartTime);
    if (bUsingSpeedSteps) L->CheckRotorSpeeds(pRotorSpeedProfile);
    if (bInhomogeneousSolvent) {
        setSolverInhomogeneousSolvent(L);
        if (bCosoluteGradient) setSolverCosoluteSolvent(L);
    }
    if (bAbsorbanceData && bSimTimeResolution && fScanVelocity > 0.0f && ppRadius && ppRadius[1])
        L->SetTimeOffsetFromMeniscus(ppRadius[1][1]);
    if (bFloRadialMagnification) L->SetRadialSignalSlope(true, fFloRadialMagFactor);
    if (bFloMagnificationDrift)
        L->SetSignalTimeDrift(true, bFloDrift != 0, fFloDrift, bFloBleaching != 0, fFloKBleach, fFloAlim);
    if (bFloExcitationCone) L->SetBottomZone(true, fFloExcitationCone);
    if (bFloConvolution) L->SetRadialConvolution(true, fFloConvolution, fConvolutionDistFactor);
}

bool RunSVContiSedList(TXLAWindow* pWindow, int nGrid, double* pS, double* pD, double* pVbar)
{
    log(pWindow, "\nEnter RunSVContiSedList");
    bDiscretizationError = 0;
    bSimulationError = 0;
    // While a distribution from a file is evaluated the store holds scan 1's
    // radii, not the noise grid.
    float* pRadii = bUseScanRadii ? ppRadius[1] : pNoiseGrid;
    const int nRadii = bUseScanRadii ? std::min(pScanPoints[1], nLammSolutionStorePoints) : nNoiseGridPoints;
    auto L = std::make_unique<CLammIdeal>();
    L->SetNonReactingModel();
    setContiListSolverHead(L.get(), pWindow, dLammS, dLammD, nDefaultGridSize, pRadii, nRadii);
    setContiListSolverTail(L.get());
    const int nResult = L->CLRunMTList(nGrid, pS, pD, pVbar, pLammSolutions, pRadii, nRadii, nullptr, nullptr);
    log(pWindow, " --> done with sims");
    L.reset();
    log(pWindow, " --> pLammSolutions deleted");
    if (pWindow) pWindow->ReportSimulationError(nResult);
    if (isSimulationFailure(nResult)) {
        log(pWindow, " --> OUT (failed)");
        return false;
    }
    if (bBufferMismatch) {
        nLammSolutionSet = 1;
        if (bFitBufferSignal) dBufferSignal = 1.0;
        if (pWindow) pWindow->SimulateBufferSignal();
    }
    log(pWindow, " --> OUT");
    return true;
}
