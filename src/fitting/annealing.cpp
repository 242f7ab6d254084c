// Simulated annealing of the packed fit parameters: the thermally perturbed
// simplex amebsa and the discrete driver SimplexFit.
//
// The temperature is relative: a step at temperature T perturbs the ranking
// of the vertices by about T times the best value, so the simplex climbs out
// of minima that are shallower than that. The schedule falls as SAmaxTemp
// (1 - k / (n - 1))^2 over the n steps, to 0 at the last; whatever the
// simplex does, the best point ever evaluated by a trial is the result. The
// random draws come from ran1 seeded with -3 at the start of every run, so a
// run from the same start simplex repeats bit for bit. After the schedule the
// result is polished by Marquardt-Levenberg or the restarted simplex (through
// RunFit at temperature 0) when one of them is chosen.
#include <cmath>
#include <utility>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "fitting/simplex.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "scandata/scan_data.h"

namespace {

constexpr float fAnnealingTolerance = 0.0005f;

// The progress step of the discrete fit's annealing: the vertex (a packed
// vector of SimplexSim) into the model, shown and saved in progress.
void showAnnealingFitVertex(TXLAWindow* pWindow, float* pVertex, int, float fValue)
{
    fRmsd = fValue;
    unpackFitParameters(pVertex);
    ShowModelParametersUnlessSuppressed(pWindow);
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 1);
}

}  // namespace

float annealingTemperature(int k, int nTemps, float fStart)
{
    if (nTemps <= 1) return fStart;
    const float f = 1.0f - static_cast<float>(k) / static_cast<float>(nTemps - 1);
    return fStart * f * f;
}

float annealingTemperature(int k, int nTemps) { return annealingTemperature(k, nTemps, SAmaxTemp); }

void amebsa(float T, TXLAWindow* pWindow, float** p, float* y, int n, float* pb, float* pyb, float ftol,
            SimplexObjective objective, int* pnBudget, SimplexProgress progress)
{
    nStepSimCount = 0;
    float* psum = vector(1, n);
    CScopeExit release([&] { free_vector(psum, 1, n); });
    simplexColumnSums(p, n, psum);
    const float tt = -T * *pyb;
    auto perturbed = [&](int i) { return y[i] + tt * std::log(ran1(&nAnnealingSeed)); };
    for (;;) {
        if (bStopFit) return;
        // the ranking of the perturbed values
        int ilo = 1, ihi = 2;
        float ylo = perturbed(1);
        float ynhi = ylo;
        float yhi = perturbed(2);
        if (ylo > yhi) {
            ihi = 1;
            ilo = 2;
            ynhi = yhi;
            yhi = ylo;
            ylo = ynhi;
        }
        for (int i = 3; i <= n + 1; ++i) {
            const float yt = perturbed(i);
            if (yt <= ylo) {
                ilo = i;
                ylo = yt;
            }
            if (yt > yhi) {
                ynhi = yhi;
                ihi = i;
                yhi = yt;
            } else if (yt > ynhi) {
                ynhi = yt;
            }
        }
        if (progress) progress(pWindow, p[ilo], n, y[ilo]);

        if (simplexRelativeSpread(ylo, yhi) < ftol || *pnBudget < 0) {
            std::swap(y[1], y[ilo]);
            for (int j = 1; j <= n; ++j) std::swap(p[1][j], p[ilo][j]);
            return;
        }
        *pnBudget -= 2;
        float ytry = amotsa(tt, pWindow, p, y, psum, n, pb, pyb, objective, ihi, &yhi, -1.0f);
        if (ytry <= ylo) {
            amotsa(tt, pWindow, p, y, psum, n, pb, pyb, objective, ihi, &yhi, 2.0f);
        } else if (ytry >= ynhi) {
            const float ysave = yhi;
            ytry = amotsa(tt, pWindow, p, y, psum, n, pb, pyb, objective, ihi, &yhi, 0.5f);
            if (ytry >= ysave) {
                for (int i = 1; i <= n + 1; ++i) {
                    if (i == ilo) continue;
                    for (int j = 1; j <= n; ++j) p[i][j] = psum[j] = 0.5f * (p[i][j] + p[ilo][j]);
                    y[i] = objective(psum, pWindow);
                }
                *pnBudget -= n;
                simplexColumnSums(p, n, psum);
            }
        } else {
            ++*pnBudget;
        }
    }
}

void runAnnealingSchedule(TXLAWindow* pWindow, float** p, float* y, int n, float* pb, float* pyb, float ftol,
                          SimplexObjective objective, SimplexProgress progress)
{
    nAnnealingSeed = -3;
    for (int k = 0; k < nSANumberOfTemps && !bStopFit; ++k) {
        ++nFitSteps;
        nStepSimCount = 0;
        int nBudget = nSAItMax;
        fSATemperature = annealingTemperature(k, nSANumberOfTemps);
        amebsa(fSATemperature, pWindow, p, y, n, pb, pyb, ftol, objective, &nBudget, progress);
        if (nBudget > 0) break;  // converged
    }
}

unsigned char SimplexFit(TXLAWindow* pWindow)
{
    // outside a run the temperature is the start temperature, however the
    // run ends
    fSATemperature = SAmaxTemp;
    CScopeExit restoreTemperature([] { fSATemperature = SAmaxTemp; });
    nFitSteps = 0;
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    if (!pWindow || !pWindow->HWindow || !checkFitLimits(pWindow)) {
        bRepaintAfterCalc = bRepaintSaved;
        return 0;
    }
    pWindow->InvalidateUnlessBatch();
    bStopFit = 0;
    nStepSimCount = 0;
    nSimCount = 0;
    bFitRunning = 1;
    bNonidealityWarned = 0;
    pWindow->ShowModelParameters();
    fBestRmsd = fShownBestRmsd = fRmsd;

    const int n = packFitParameters(0, nullptr);
    if (n == 0) {
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
        return 1;
    }
    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    float* pb = vector(1, n);
    {
        // an abandoned evaluation leaves no work arrays and no running fit
        CScopeExit release([&] {
            free_matrix(p, 1, n + 1, 1, n);
            free_vector(y, 1, n + 1);
            free_vector(pb, 1, n);
            bFitRunning = 0;
            bRepaintAfterCalc = bRepaintSaved;
        });
        float yb = 1e10f;
        // the same start simplices, fit after fit: a fit is reproducible
        seedRandomNumbers(1);
        packFitParameters(n, p[1]);
        initSimplexVertices(n, p);
        int b = 1;
        if (evaluateStartSimplex(pWindow, p, y, n, SimplexSim))
            for (int i = 2; i <= n + 1; ++i)
                if (y[i] < y[b]) b = i;
        yb = y[b];
        unpackFitParameters(p[b]);
        packFitParameters(n, pb);

        // an exact fit (rmsd 0) is where every search would end
        if (yb != 0.0f)
            runAnnealingSchedule(pWindow, p, y, n, pb, &yb, fAnnealingTolerance, SimplexSim, showAnnealingFitVertex);

        bFitRunning = 0;
        bStopFit = 0;
        unpackFitParameters(pb);
        SimplexSim(pb, pWindow);
    }
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 0);

    fSATemperature = 0.0f;
    if (!bSAFinalML && !bAnnealFinalSimplex) {
        pWindow->InvalidateUnlessBatch();
        pWindow->ShowModelParameters();
    } else {
        pWindow->RunFit();
    }
    return 1;
}
