// The downhill simplex and its trial points.
#include "fitting/simplex.h"

#include <cmath>
#include <utility>

#include "analyses/boundary/boundary_fractions.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "plot/error_box.h"

namespace {

constexpr int nMaxEvaluations = 5000;

void columnSums(float** p, int n, float* psum)
{
    for (int j = 1; j <= n; ++j) {
        float sum = 0.0f;
        for (int i = 1; i <= n + 1; ++i) sum += p[i][j];
        psum[j] = sum;
    }
}

}  // namespace

float simplexRelativeSpread(float yLow, float yHigh)
{
    const float fDifference = std::fabs(yHigh - yLow);
    if (fDifference == 0.0f) return 0.0f;
    return 2.0f * fDifference / (std::fabs(yLow) + std::fabs(yHigh));
}

bool rmsdChangeSettled(float fBefore, float fNow, float fTol)
{
    if (fNow == fBefore || fBefore == 0.0f) return true;
    return std::fabs(fNow - fBefore) / fBefore <= fTol;
}

bool evaluateStartSimplex(TXLAWindow* pWindow, float** p, float* y, int n, SimplexObjective objective)
{
    for (int i = n + 1; i >= 2; --i) y[i] = objective(p[i], pWindow);
    const bool bStoppedBefore = bStopFit != 0;
    y[1] = objective(p[1], pWindow);
    return !bStoppedBefore;
}

float amotry(TXLAWindow* pWindow, float** p, float* y, float* psum, int n, SimplexObjective objective, int ihi,
             float fac)
{
    float* ptry = vector(1, n);
    const float fac1 = (1.0f - fac) / n;
    const float fac2 = fac1 - fac;
    for (int j = 1; j <= n; ++j) ptry[j] = psum[j] * fac1 - p[ihi][j] * fac2;
    const float ytry = objective(ptry, pWindow);
    if (ytry < y[ihi]) {
        y[ihi] = ytry;
        for (int j = 1; j <= n; ++j) {
            psum[j] += ptry[j] - p[ihi][j];
            p[ihi][j] = ptry[j];
        }
    }
    free_vector(ptry, 1, n);
    return ytry;
}

float amotsa(float tt, TXLAWindow* pWindow, float** p, float* y, float* psum, int n, float* pb, float* pyb,
             SimplexObjective objective, int ihi, float* pyhi, float fac)
{
    float* ptry = vector(1, n);
    const float fac1 = (1.0f - fac) / n;
    const float fac2 = fac1 - fac;
    for (int j = 1; j <= n; ++j) ptry[j] = psum[j] * fac1 - p[ihi][j] * fac2;
    const float ytry = objective(ptry, pWindow);
    if (ytry <= *pyb) {
        for (int j = 1; j <= n; ++j) pb[j] = ptry[j];
        *pyb = ytry;
    }
    const float yflu = ytry - tt * std::log(ran1(&nAnnealingSeed));
    if (yflu < *pyhi) {
        y[ihi] = ytry;
        *pyhi = yflu;
        for (int j = 1; j <= n; ++j) {
            psum[j] += ptry[j] - p[ihi][j];
            p[ihi][j] = ptry[j];
        }
    }
    free_vector(ptry, 1, n);
    return yflu;
}

void showSimplexProgress(TXLAWindow* pWindow, float*, int, float)
{
    showSimplexStep(pWindow);
}

void amoeba(TXLAWindow* pWindow, float** p, float* y, int n, float ftol, SimplexObjective objective, int* pnCount,
            SimplexProgress progress)
{
    bSimplexStarted = 0;
    ++nFitSteps;
    nStepSimCount = 0;
    *pnCount = 0;
    float* psum = vector(1, n);
    columnSums(p, n, psum);
    for (;;) {
        if (bStopFit) break;
        int ilo = 1, ihi, inhi;
        if (y[1] <= y[2]) {
            ihi = 2;
            inhi = 1;
        } else {
            ihi = 1;
            inhi = 2;
        }
        for (int i = 1; i <= n + 1; ++i) {
            if (y[i] <= y[ilo]) ilo = i;
            if (y[i] > y[ihi]) {
                inhi = ihi;
                ihi = i;
            } else if (y[i] > y[inhi] && i != ihi) {
                inhi = i;
            }
        }
        if (progress) progress(pWindow, p[ilo], n, y[ilo]);

        if (simplexRelativeSpread(y[ilo], y[ihi]) < ftol) {
            std::swap(y[1], y[ilo]);
            for (int j = 1; j <= n; ++j) std::swap(p[1][j], p[ilo][j]);
            break;
        }
        if (*pnCount >= nMaxEvaluations) {
            if (bSerialFitRunning)
                nNumericalErrorCode = 10;
            else
                showErrorMessage("Nelder-Mead not converged", 0);
            break;
        }
        bSimplexStarted = 1;
        for (int i = 1; i <= n + 1 && bSimplexStarted; ++i)
            for (int j = 1; j <= n; ++j) {
                const float best = p[ilo][j];
                const float spread = best == 0.0f ? std::fabs(p[i][j]) : std::fabs((p[i][j] - best) / best);
                if (spread > 2e-6f) {
                    bSimplexStarted = 0;
                    break;
                }
            }
        if (bSimplexStarted) break;

        *pnCount += 2;
        float ytry = amotry(pWindow, p, y, psum, n, objective, ihi, -1.0f);
        if (ytry <= y[ilo]) {
            amotry(pWindow, p, y, psum, n, objective, ihi, 2.0f);
        } else if (ytry >= y[inhi]) {
            const float ysave = y[ihi];
            ytry = amotry(pWindow, p, y, psum, n, objective, ihi, 0.5f);
            if (ytry >= ysave) {
                for (int i = 1; i <= n + 1; ++i) {
                    if (i == ilo) continue;
                    for (int j = 1; j <= n; ++j) p[i][j] = psum[j] = 0.5f * (p[i][j] + p[ilo][j]);
                    y[i] = objective(psum, pWindow);
                }
                *pnCount += n;
                columnSums(p, n, psum);
            }
        } else {
            --*pnCount;
        }
    }
    free_vector(psum, 1, n);
}

void simplexColumnSums(float** p, int n, float* psum) { columnSums(p, n, psum); }
