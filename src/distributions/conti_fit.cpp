// The fit of a continuous distribution's non-linear parameters by the
// restarted simplex, and its objective.
//
// Every trial vector costs one whole distribution computation without
// regularization (the amplitudes are solved non-negatively each time); the
// simplex of each restart is spread around the best vertex by a tenth of each
// parameter (a hundredth of that for meniscus and bottom), and the search
// ends when a whole restart changed the rmsd and every parameter by at most
// fTolerance, relative to the previous accepted values. The change of a
// parameter is divided by its previous value itself: a negative previous
// value always passes. The best point is evaluated once more with
// regularization, and that distribution is the result.
#include "distributions/conti_fit.h"

#include <cmath>
#include <cstdio>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/distribution_finish.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"
#include "tools/fluorescence/fluorescence_options.h"
#include "tools/fluorescence/nonlinear_detection.h"

namespace {

constexpr float fSimplexTolerance = 0.005f;
constexpr float fNoResult = 1e10f;

// The models whose finished fit is saved beside the data.
bool savingModel()
{
    const bool bAny = bModelCSFlotation || bModelCSOneDiscreteM || bModelCS || bModelCSFf0 || bModelCSFf0OneDiscrete ||
                      bModelCSScalingLaw || bModelFMScalingLaw;
    const bool bExcluded = bModelLsgs || bModelHybridCSLsgs || bModelCSLinearRods || bModelCSInvariantD ||
                           bModelCSWithMsTable || bModelNonidealCS || bModelCSConformationalChange ||
                           bModelCSFixFf0FloatingVbar || bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete ||
                           bModelCSBimodalFf0 || bModelCMVbarM || bModelLsgsOneDiscrete || bDLSData ||
                           bModelElectrophoresisCV || bEquilibriumDataMode;
    return bAny && !bExcluded;
}

// Rows j != nKeep of p are spread around row nFrom: p[j][i] = p[nFrom][i] +
// a Gaussian of standard deviation scale(i) x step x p[nFrom][i]; meniscus
// and bottom on a bound of their ranges step inward.
void spreadVertices(float** p, int n, int nFrom, int nKeep, float fStep)
{
    for (int j = 1; j <= n + 1; ++j) {
        if (j == nFrom || j == nKeep) continue;
        for (int i = 1; i <= n; ++i) {
            const float c = p[nFrom][i];
            float v = c + static_cast<float>(gaussianRandom(contiVertexScale(i) * fStep * c));
            if (i == nContiPosMeniscus) v = stepInwardFromBound(c, v, fMinMeniscus, fMaxMeniscus);
            if (i == nContiPosBottom) v = stepInwardFromBound(c, v, fMinBottom, fMaxBottom);
            p[j][i] = v;
        }
    }
}

// The lowest value; the lowest index of equal values.
int bestVertex(const float* y, int n)
{
    int b = 1;
    for (int j = 2; j <= n + 1; ++j)
        if (y[j] < y[b]) b = j;
    return b;
}

// The progress step of the simplex minimising ContiSimplexSim.
void showContiBestVertex(TXLAWindow* pWindow, float* pVertex, int, float)
{
    contiSetAndDisplay(pWindow, pVertex);
}

bool restartSettled(const float* x, const float* pBest, int n, float fRmsdNow, float fRmsdBefore)
{
    if (!rmsdChangeSettled(fRmsdBefore, fRmsdNow, fTolerance)) return false;
    for (int i = 1; i <= n; ++i) {
        if (x[i] == 0.0f) {
            if (!(pBest[i] <= fTolerance)) return false;
        } else if (!(std::fabs(x[i] - pBest[i]) / x[i] <= fTolerance)) {
            return false;
        }
    }
    return true;
}

void progressLines(TXLAWindow* pWindow)
{
    if (!bWindowPainted) return;
    char szStep[200], szRmsd[200];
    if (bMarquardLevenbergMin) {
        std::snprintf(szStep, sizeof szStep, "sim #%d, ML step #%d, step #%d         ", nSimCount, nFitSteps,
                      nStepSimCount);
        std::snprintf(szRmsd, sizeof szRmsd, "testrmsd=%f (n=%.0f,lambda=%.1e)     ", dMLTestRmsd, dMLTestPoints,
                      dMLLambda);
    } else {
        if (bSimulatedAnnealing)
            std::snprintf(szStep, sizeof szStep, "sim #%d, SA step #%d, step #%d, T=%.3f        ", nSimCount,
                          nFitSteps, nStepSimCount, fSATemperature);
        else
            std::snprintf(szStep, sizeof szStep, "s%d, step #%d        ", nFitSteps, nStepSimCount);
        std::snprintf(szRmsd, sizeof szRmsd, "testrmsd=%e             ", fRmsd);
    }
    writeToolText(pWindow, 10, 30, szStep);
    writeToolText(pWindow, 10, 50, szRmsd);
}

}  // namespace

bool contiSavingModel() { return savingModel(); }
void contiSpreadVertices(float** p, int n, int nFrom, int nKeep, float fStep) { spreadVertices(p, n, nFrom, nKeep, fStep); }
int contiBestVertex(const float* y, int n) { return bestVertex(y, n); }
bool contiRestartSettled(const float* x, const float* pBest, int n, float fRmsdNow, float fRmsdBefore)
{
    return restartSettled(x, pBest, n, fRmsdNow, fRmsdBefore);
}

float contiVertexScale(int i)
{
    if (i == nContiPosMeniscus) return 0.01f;
    if (i == nContiPosBottom) return 0.01f;
    if (i == nContiPosLamella) return 0.1f;
    if (i == nContiPosNonidealKs) return 0.2f;
    if (i == nContiPosNonidealKd) return 0.2f;
    if (i == nContiPosFrictionalRatio) return 0.1f;
    return 1.0f;
}

void contiSetAndDisplay(TXLAWindow* pWindow, float* p)
{
    setContiParameters(p);
    DisplayBestContiParams(pWindow);
}

float ContiSimplexSim(float* p, TXLAWindow* pWindow)
{
    if (bStopFit) return fNoResult;
    if (pWindow) pWindow->DebugLog("\nEntering ContiSimplexSim");
    ++nStepSimCount;
    setContiParameters(p);
    dChiSquare = fNoResult;
    bSkipRegularization = 1;
    if (bModelZone) DisplayBestContiParams(pWindow);
    if (bModelNonidealCS) checkExternalMeanField();
    bProgressTick = bProgressTick ? 0 : 1;
    RunContiSed(pWindow);
    if (pWindow) pWindow->DebugLog("\n start CalculateppAFit in ContiSimplexSim");
    // a run that computed no distribution (it refused the model or the data,
    // or its solver failed, and has said why) ends the fit: another trial
    // would only say it again
    const bool bComputed = dChiSquare < fNoResult && pLammSolutions && pNEMatrix;
    if (bComputed) CalculateppAFit();
    if (pWindow) pWindow->DebugLog(" --> done");
    bSkipRegularization = 0;
    if (bInterruptComputation) {
        bRealtimeError = 1;
        bFitStoppedByUser = 1;
        bInterruptComputation = 0;
        bStopFit = 1;
    }
    if (!bComputed) bStopFit = 1;
    const int nPoints = nNoiseGridLast - nNoiseGridFirst + 1;
    fRmsd = nPoints > 0 && nScans > 0 ? static_cast<float>(std::sqrt(dChiSquare / (static_cast<double>(nPoints) * nScans)))
                                      : fNoResult;
    if (bNonlinearDetection) fRmsd = nonlinearDetectionRawRmsd();
    ++nStepSimCount;
    ++nSimCount;
    if (pWindow) pWindow->DebugLog("\n start info output  in ContiSimplexSim");
    progressLines(pWindow);
    if (pWindow) {
        pWindow->DebugLog(" --> done(1)");
        pWindow->DebugLog(" --> done(2)");
        pWindow->DebugLog("\nExit ContiSimplexSim");
    }
    return fRmsd;
}

bool contiFit(TXLAWindow* pWindow)
{
    if (bSimulatedAnnealing && fSATemperature > 0) return contiAnnealingFit(pWindow);
    if (bMarquardLevenbergMin || (bSimulatedAnnealing && bSAFinalML && fSATemperature == 0))
        return MLContiFit(pWindow);

    // 1. - 4.
    bFinalFitEvaluation = 0;
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    auto leave = [&](bool bResult) {
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
        return bResult;
    };
    if (!checkFitLimits(pWindow)) return leave(false);
    // Nothing floats: the shown result stays as it is (the grid set-up would
    // release it, and there is nothing to compute it anew for).
    const int n = getContiParameters(0, nullptr);
    if (n == 0) return leave(true);
    if (!setupSGrid()) return leave(false);
    bFitRunning = 1;
    const float fStep = (bModelNonidealCS || bModelHinderedCS) ? 0.03f : 0.1f;
    nStepSimCount = 0;
    nSimCount = 0;
    int nEvaluations = 0;
    fBestRmsd = fShownBestRmsd = fNoResult;
    DisplayBestContiParams(pWindow);

    // 5. - 7.
    float** p = matrix(1, n + 1, 1, n);
    float* x = vector(1, n);
    float* y = vector(1, n + 1);
    bStopFit = 0;
    // the same start simplices, fit after fit: a fit is reproducible
    seedRandomNumbers(1);
    getContiParameters(n, p[1]);
    spreadVertices(p, n, 1, 1, fStep);
    const bool bStartEvaluated = evaluateStartSimplex(pWindow, p, y, n, ContiSimplexSim);
    amoeba(pWindow, p, y, n, fSimplexTolerance, ContiSimplexSim, &nEvaluations, showContiBestVertex);
    int b = bStartEvaluated ? bestVertex(y, n) : 1;
    setContiParameters(p[b]);
    getContiParameters(n, x);
    fBestRmsd = fShownBestRmsd = y[b];
    float r = y[b];

    // 8. Restarts until a whole one changes nothing beyond the tolerance.
    while (!bStopFit) {
        spreadVertices(p, n, b, b, fStep);
        for (int j = 1; j <= n + 1; ++j)
            if (j != b) y[j] = ContiSimplexSim(p[j], pWindow);
        amoeba(pWindow, p, y, n, fSimplexTolerance, ContiSimplexSim, &nEvaluations, showContiBestVertex);
        b = bestVertex(y, n);
        setContiParameters(p[b]);
        // the vertex as it was evaluated: a value beyond its bound (a
        // meniscus outside MinMeniscus..MaxMeniscus) counts at the bound, so
        // that a vertex the objective cannot tell from its bound settles
        getContiParameters(n, p[b]);
        const bool bConverged = restartSettled(x, p[b], n, y[b], r);
        getContiParameters(n, x);
        r = y[b];
        if (bConverged) break;
    }

    // 9. - 10.
    if (bStopFit) {
        bRealtimeError = 1;
        bStopFit = 0;
        bFitStoppedByUser = 1;
        setupSGrid();
    }
    bFitRunning = 0;
    bFinalFitEvaluation = 1;
    ContiSimplexSim(p[b], pWindow);
    // a final run that computed nothing (it has said why) leaves nothing to show
    const bool bFinalComputed = dChiSquare < fNoResult && pLammSolutions && pNEMatrix;
    bStopFit = 0;
    setContiParameters(x);
    if (pWindow) pWindow->InvalidateUnlessBatch();
    DisplayBestContiParams(pWindow);
    if (bFinalComputed) finishContiSed(pWindow);
    free_matrix(p, 1, n + 1, 1, n);
    free_vector(x, 1, n);
    free_vector(y, 1, n + 1);
    bRepaintAfterCalc = bRepaintSaved;
    if (savingModel()) TmpSaveBestParams(pWindow, 0);
    return true;
}
