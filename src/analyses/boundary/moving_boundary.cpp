// The moving-boundary model of the extrapolated fraction lines, and its
// direct fit to the scans.
//
// Each fraction c has the line s_c(t) = intercept_c + slope_c / sqrt(t). At a
// scan's time t its boundary stands where a non-diffusing species of that s
// has got to, r_c = m exp(omega^2 t s_c 1e-13), and beyond it the fraction
// adds 1/n of the loading, diluted radially by exp(-2 omega^2 t s_c 1e-13).
// The sum of the n steps is the signal of one discrete species at unit
// amplitude; its amplitude (the loading), baseline and systematic noise are
// solved linearly by the discrete-species routines. So every fraction carries
// the same share of the loading whatever the spacing of the lines.
#include <cmath>
#include <cstdio>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_globals.h"
#include "fitting/linear_parts.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "numerics/statistics.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

namespace {

// The direct fit: entries 1..n the intercepts, n + 1..2n the slopes, and
// the fraction whose line the simplex moves.
float* pFitLines = nullptr;
int nFitLineFractions = 0;
int nFittedFraction = 0;

// The linear routine the noise options choose for the boundary model.
void solveLinearParts()
{
    if (bFitTINoise) {
        if (bFitRINoise)
            calcLinearPartsTiRiNoise();
        else
            calcLinearPartsTiNoise();
    } else if (!bAlgebraicBaseline) {
        calcAmplitudesOnly();
    } else if (bFitRINoise) {
        calcLinearPartsBaselineRiNoise();
    } else {
        calcLinearPartsWithBaseline();
    }
}

void writeLine(TXLAWindow* pWindow, int y, const char* szText) { writeToolText(pWindow, 10, y, szText); }

// A blank line over earlier text.
void clearLine(TXLAWindow* pWindow, int y)
{
    writeLine(pWindow, y, "                                                                              ");
}

// Simplex of fraction c around vertex 1: vertices 2 and 3 spread by normal
// deviates of 1 % of each coordinate, evaluated 3, 2, 1.
void spreadAndEvaluate(TXLAWindow* pWindow, float** p, float* y)
{
    for (int i = 2; i <= 3; i++)
        for (int j = 1; j <= 2; j++) p[i][j] = p[1][j] + static_cast<float>(gaussianRandom(0.01f * p[1][j]));
    for (int i = 3; i >= 1; i--) y[i] = areaFractionObjective(p[i], pWindow);
}

// The best vertex (the lowest value, the lower index of equals) becomes the
// line of fraction c and vertex 1; its value is returned.
float takeBestVertex(float** p, float* y, int c, int n)
{
    int iBest = 1;
    for (int i = 2; i <= 3; i++)
        if (y[i] < y[iBest]) iBest = i;
    pFitLines[c] = pFractionIntercept[c] = p[iBest][1];
    pFitLines[n + c] = pFractionSlope[c] = p[iBest][2];
    p[1][1] = p[iBest][1];
    p[1][2] = p[iBest][2];
    y[1] = y[iBest];
    return y[iBest];
}

}  // namespace

float calcSvsTime(const float* pSlopes, const float* pIntercepts)
{
    const int n = nBoundaryFractions;
    if (nScans < 1 || n < 1 || !ppFractionS || fractionArrayFractions() < n) return 0.0f;
    // 1. the exponent omega^2 t s(t) 1e-13 of every scan and fraction
    for (int k = 1; k <= nScans; k++) {
        const double t = pScanHeaders[k].time;
        for (int c = 1; c <= n; c++)
            ppFractionS[k][c] = static_cast<float>(dLsgOmega2 * t * 1e-13 * (pSlopes[c] / std::sqrt(t) + pIntercepts[c]));
    }
    // 2. the steps into the basis of species 1 on the noise grid
    if (!pppExtraNoiseScan[1]) {
        const int nIncluded = pSpeciesIncluded[1];
        pSpeciesIncluded[1] = 1;
        allocExtraNoiseArrays();
        pSpeciesIncluded[1] = nIncluded;
    }
    float** ppBasis = pppExtraNoiseScan[1];
    if (!ppBasis) return 0.0f;
    const float a = fLoadingConcentration / static_cast<float>(n);
    for (int k = 1; k <= nScans; k++) {
        for (int p = 1; p <= pScanPoints[k]; p++) ppFit[k][p] = 0.0f;
        float* B = ppBasis[k];
        for (int j = 1; j <= nNoiseGridPoints; j++) B[j] = 0.0f;
        for (int c = 1; c <= n; c++) {
            const float x = ppFractionS[k][c];
            const float rb = fMeniscus * std::exp(x);
            ppModelBoundaryRadius[k][c] = rb;
            const float h = std::exp(-2.0f * x) * a;
            for (int j = nNoiseGridLast; j >= nNoiseGridFirst && rb < pNoiseGrid[j]; j--) B[j] += h;
        }
    }
    // 3. one discrete species carries the model; the flags and species rows
    // are put back afterwards
    const unsigned char bContinuous = bModelContinuous, bDiscrete = bModelDiscreteSpecies;
    int nIncluded[5];
    for (int s = 1; s <= 4; s++) nIncluded[s] = pSpeciesIncluded[s];
    const float fConc1 = pSpeciesConc[1];
    bModelContinuous = 0;
    bModelDiscreteSpecies = 1;
    pSpeciesIncluded[1] = 1;
    for (int s = 2; s <= 4; s++) pSpeciesIncluded[s] = 0;
    pSpeciesConc[1] = fLoadingConcentration;
    fSpeciesAmplitude[1] = fLoadingConcentration;
    solveLinearParts();
    // 4.
    fLoadingConcentration = pSpeciesConc[1];
    pParamValue[9] = fSGridResolution;
    pParamValue[11] = static_cast<float>(n);
    bModelDiscreteSpecies = bDiscrete;
    bModelContinuous = bContinuous;
    for (int s = 1; s <= 4; s++) pSpeciesIncluded[s] = nIncluded[s];
    pSpeciesConc[1] = fConc1;
    return calcRmsd();
}

float areaFractionObjective(float* pVertex, TXLAWindow*)
{
    if (keyPressed()) bStopFit = 1;
    if (bStopFit) return 1e10f;
    const int n = nFitLineFractions;
    const int c = nFittedFraction;
    pFitLines[c] = pVertex[1];
    pFitLines[n + c] = pVertex[2];
    ++nSimCount;
    return calcSvsTime(pFitLines + n, pFitLines);
}

bool fitAreaFractionExtrapolation(TXLAWindow* pWindow)
{
    const int n = nBoundaryFractions;
    if (n < 1 || !pFractionIntercept) return true;
    // 1.
    nStepSimCount = nSimCount = nFitSteps = 0;
    showAreaFractionStep(pWindow);
    nFitLineFractions = n;
    pFitLines = vector(1, 2 * n);
    for (int c = 1; c <= n; c++) {
        pFitLines[c] = pFractionIntercept[c];
        pFitLines[n + c] = pFractionSlope[c];
    }
    float** p = matrix(1, 3, 1, 2);
    float* y = vector(1, 3);
    int nEvaluations = 0;
    // 2. two sweeps over the fractions
    for (int nSweep = 1; nSweep <= 2; nSweep++) {
        for (int c = 1; c <= n; c++) {
            nFittedFraction = c;
            p[1][1] = pFitLines[c];
            p[1][2] = pFitLines[n + c];
            spreadAndEvaluate(pWindow, p, y);
            y[1] = areaFractionObjective(p[1], pWindow);
            bStopFit = 0;
            amoeba(pWindow, p, y, 2, 0.0005f, areaFractionObjective, &nEvaluations);
            float fPrevious = takeBestVertex(p, y, c, n);
            showAreaFractionStep(pWindow);
            // 3. restarted around the best vertex until the best value
            // changes by at most 0.001 of itself (or a key stops it)
            while (!bStopFit) {
                spreadAndEvaluate(pWindow, p, y);
                // A key during the spread gives vertex 1 the stop value, but
                // it is the best line so far and its value is known: it must
                // not lose to a worse vertex of the stopped simplex.
                if (bStopFit) y[1] = fPrevious;
                amoeba(pWindow, p, y, 2, 0.0005f, areaFractionObjective, &nEvaluations);
                const float fBest = takeBestVertex(p, y, c, n);
                showAreaFractionStep(pWindow);
                const bool bConverged = std::fabs(fBest - fPrevious) <= 0.001f * fPrevious;
                fPrevious = fBest;
                if (bConverged) break;
            }
        }
    }
    // 4. the model of the last best vertex stays for the display
    bStopFit = 0;
    areaFractionObjective(p[1], pWindow);
    free_matrix(p, 1, 3, 1, 2);
    free_vector(y, 1, 3);
    free_vector(pFitLines, 1, 2 * n);
    pFitLines = nullptr;
    nFitLineFractions = nFittedFraction = 0;
    return true;
}

void showAreaFractionStep(TXLAWindow* pWindow)
{
    if (!pWindow || !pWindow->HWindow) return;
    for (int y = 30; y <= 230; y += 20) clearLine(pWindow, y);
    char sz[200];
    std::snprintf(sz, sizeof sz, "s%d, step #%d                          ", nFitSteps, nStepSimCount);
    writeLine(pWindow, 30, sz);
    std::snprintf(sz, sizeof sz, "rmsd=%f (n=%.0f,SSR=%f)", fRmsd, fNumFitPoints, fRmsd * fRmsd * fNumFitPoints);
    writeLine(pWindow, 50, sz);
    std::snprintf(sz, sizeof sz, "loccload = %.3f", fLoadingConcentration);
    writeLine(pWindow, 110, sz);
    const float fZ = runsTestZ(ppSignal, ppFit, 1, nScans, pScanTimeOrder, pFitFirstIndex, pFitLastIndex);
    std::snprintf(sz, sizeof sz, "Runs test Z (#stddev) = %.2f", fZ);
    writeLine(pWindow, 230, sz);
}

void showSimplexStep(TXLAWindow* pWindow)
{
    char sz1[200], sz2[200];
    std::snprintf(sz1, sizeof sz1, "s%d, step #%d                                  ", nFitSteps, nStepSimCount);
    ++nStepSimCount;
    std::snprintf(sz2, sizeof sz2, "rmsd=%f (n=%.0f,SSR=%f)", fRmsd, fNumFitPoints, fRmsd * fRmsd * fNumFitPoints);
    if (!pWindow || !pWindow->HWindow) return;
    clearLine(pWindow, 30);
    clearLine(pWindow, 50);
    writeLine(pWindow, 30, sz1);
    writeLine(pWindow, 50, sz2);
}
