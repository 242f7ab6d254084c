// Simulated annealing and Marquardt-Levenberg of a distribution's non-linear
// parameters: the drivers contiAnnealingFit and MLContiFit beside the
// restarted simplex of contiFit, with the same objective ContiSimplexSim.
//
// Annealing spreads its start simplex by a tenth of each parameter (scaled
// by contiVertexScale) and keeps the best point ever tried: that point, not
// the simplex where the schedule left it, is evaluated once more with
// regularization and becomes the result, so the distribution shown belongs
// to the parameters shown. It then chains into contiFit at temperature 0,
// which runs Marquardt-Levenberg or the simplex when one is chosen as the
// polish. Marquardt-Levenberg scales every parameter to 1 (one at 0 stays
// unscaled) and stops after the second small accepted decrease of
// chi-square (CMLStopRule), after 100 iterations, or on a key.
#include <cmath>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_finish.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "fitting/marquardt.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/progress_line.h"
#include "scandata/scan_data.h"

namespace {

constexpr float fSimplexTolerance = 0.005f;
constexpr float fNoResult = 1e10f;

// The last evaluation computed a distribution (a run that refused or failed
// has said why and leaves nothing to finish).
bool distributionComputed() { return dChiSquare < fNoResult && pLammSolutions && pNEMatrix; }

// The end of a fit that a key stopped.
void markStoppedByUser()
{
    bRealtimeError = 1;
    bStopFit = 0;
    bFitStoppedByUser = 1;
    setupSGrid();
}

// The distribution models whose progress during annealing is saved beside
// the data.
bool annealingSavesProgress()
{
    const bool bAny = bModelCSFlotation || bModelCSOneDiscreteM || bModelHybridCSLsgs || bModelCS || bModelCSFf0 ||
                      bModelCSFf0OneDiscrete || bModelCSScalingLaw || bModelFMScalingLaw;
    const bool bExcluded = bModelLsgs || bModelCSLinearRods || bModelCSInvariantD || bModelCSWithMsTable ||
                           bModelNonidealCS || bModelCSConformationalChange || bModelCSFixFf0FloatingVbar ||
                           bModelCSWormlikeChain || bModelCSBimodalFf0OneDiscrete || bModelCSBimodalFf0 ||
                           bModelCMVbarM || bModelLsgsOneDiscrete || bDLSData || bModelElectrophoresisCV ||
                           bEquilibriumDataMode;
    return bAny && !bExcluded;
}

// The progress step of the distribution's annealing: the vertex (a vector of
// ContiSimplexSim) shown, and saved for the models that keep their fits.
void showContiAnnealingVertex(TXLAWindow* pWindow, float* pVertex, int, float fValue)
{
    fRmsd = fValue;
    contiSetAndDisplay(pWindow, pVertex);
    if (bSaveBestParams && annealingSavesProgress()) TmpSaveBestParams(pWindow, 0);
}

}  // namespace

bool contiAnnealingFit(TXLAWindow* pWindow)
{
    // 1. - 3.
    bFinalFitEvaluation = 0;
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    fSATemperature = SAmaxTemp;
    CScopeExit restore([&] {
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
        fSATemperature = SAmaxTemp;
    });
    if (!checkFitLimits(pWindow)) return false;
    // nothing floats: the shown result stays as it is
    const int n = getContiParameters(0, nullptr);
    if (n == 0) return true;
    if (!setupSGrid()) return false;
    nFitSteps = 0;
    if (pWindow) pWindow->InvalidateUnlessBatch();
    const float fStep = 0.1f;
    bFitRunning = 1;
    bStopFit = 0;
    nStepSimCount = 0;
    nSimCount = 0;
    DisplayBestContiParams(pWindow);
    fBestRmsd = fShownBestRmsd = fRmsd;

    // 4. The start simplex; its best vertex is the first best point.
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    float* x = vector(1, n);
    CScopeExit release([&] {
        free_matrix(p, 1, n + 1, 1, n);
        free_vector(y, 1, n + 1);
        free_vector(x, 1, n);
    });
    float yb = fNoResult;
    // the same start simplices, fit after fit: a fit is reproducible
    seedRandomNumbers(1);
    getContiParameters(n, p[1]);
    contiSpreadVertices(p, n, 1, 1, fStep);
    const int b = evaluateStartSimplex(pWindow, p, y, n, ContiSimplexSim) ? contiBestVertex(y, n) : 1;
    setContiParameters(p[b]);
    getContiParameters(n, x);
    fBestRmsd = fShownBestRmsd = yb = y[b];

    // 5. The schedule.
    runAnnealingSchedule(pWindow, p, y, n, x, &yb, fSimplexTolerance, ContiSimplexSim, showContiAnnealingVertex);

    // 6. - 7.
    if (bStopFit) markStoppedByUser();
    bFitRunning = 0;
    bFinalFitEvaluation = 1;
    ContiSimplexSim(x, pWindow);
    const bool bComputed = distributionComputed();
    bStopFit = 0;
    bRepaintAfterCalc = bRepaintSaved;
    fSATemperature = 0.0f;

    // 8. - 9.
    if (!bSAFinalML && !bAnnealFinalSimplex) {
        if (bComputed) finishContiSed(pWindow);
        if (contiSavingModel()) TmpSaveBestParams(pWindow, 0);
        if (pWindow) pWindow->InvalidateUnlessBatch();
        DisplayBestContiParams(pWindow);
    } else {
        contiFit(pWindow);
    }
    return true;
}

bool MLContiFit(TXLAWindow* pWindow)
{
    // 1.
    if (pWindow) pWindow->DebugLog("\nEntering MLContiFit");
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    bFinalFitEvaluation = 0;
    CScopeExit restore([&] {
        removeMLProgressLine(pWindow);
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
    });
    if (!checkFitLimits(pWindow)) return false;
    // nothing floats: the shown result stays as it is
    const int n = getContiParameters(0, nullptr);
    if (n == 0) return true;
    if (!setupSGrid()) return false;

    // 2. - 6.
    pProgressLine = new CProgressLine;
    pProgressLine->Show(pWindow, 10, 10);
    bFitRunning = 1;
    nStepSimCount = 0;
    nSimCount = 0;
    fBestRmsd = fShownBestRmsd = fNoResult;
    DisplayBestContiParams(pWindow);
    if (!allocMLArrays(n)) return false;
    CMLFitVectors fit(n);
    contiSetParameterSteps();

    // 7. - 8.
    getContiParameters(n, fit.v);
    fit.Start();
    double* a = fit.a;
    int* ia = fit.ia;
    dMLChisq = 0.0;
    dMLLambda = -1.0;
    bMLError = 0;
    Contimlmin(pWindow, a, ia, n, &dMLChisq, &dMLLambda);
    if (bSaveBestParams && contiSavingModel()) TmpSaveBestParams(pWindow, 0);

    // 9.
    runMarquardtIterations(mlContiCore, pWindow, a, ia, n, [](TXLAWindow* w) {
        if (bSaveBestParams && contiSavingModel()) TmpSaveBestParams(w, 0);
        DisplayBestContiParams(w);
    });

    // 10. - 11.
    const bool bFinished = !bStopFit && !bMLError;
    if (bFinished) {
        dMLLambda = 0.0;
        Contimlmin(pWindow, a, ia, n, &dMLChisq, &dMLLambda);
    } else {
        markStoppedByUser();
    }
    bFitRunning = 0;
    bFinalFitEvaluation = 1;
    ContiSimplexSim(fit.ModelValues(), pWindow);
    const bool bComputed = distributionComputed();
    bStopFit = 0;
    removeMLProgressLine(pWindow);
    if (pWindow) pWindow->InvalidateUnlessBatch();
    DisplayBestContiParams(pWindow);
    if (bComputed) finishContiSed(pWindow);
    bRepaintAfterCalc = bRepaintSaved;
    if (bFinished ? contiSavingModel() : (bSaveBestParams && contiSavingModel())) TmpSaveBestParams(pWindow, 0);
    if (bFinished && pWindow) pWindow->DebugLog(" --> MLContiFit done.");
    return bFinished;
}
