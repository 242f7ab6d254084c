// The van Holde-Weischet analysis.
//
// Every scan's boundary, between the baseline of the cleared region and the
// plateau, is cut into n equal steps of signal; band f holds the signals
// within half a step of (f / (n + 1)) of the plateau height above the
// baseline, and the mean radius of its points is the radius of fraction f.
// The radius gives an apparent s = ln(r / m) / (omega^2 t); because
// diffusion spreads a boundary as sqrt(t) while it moves as t, each
// fraction's apparent s is linear in 1/sqrt(t) and its intercept at infinite
// time is free of diffusion. The intercepts with the cumulative values
// f / (n + 1) form G(s). Flotation mirrors everything about the bottom.
#include <cmath>
#include <cstdio>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/straight_line.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

namespace {

constexpr float fAveragingWidth = 0.05f;  // cm

double omega2OfScan1()
{
    const double w = omegaOfRpm(pScanHeaders[1].rpm);
    return w * w;
}

// The radius the apparent s is measured from.
float referenceRadius() { return bVhwFlotation ? fBottom : fMeniscus; }

// The signal step between the bands of scan k.
float bandStep(int k) { return pPlateauHeight[k] / (fSGridResolution + 1.0f); }

// The distribution result for nVhwFractions fractions, its plot (symbols of
// size 4) and the fraction arrays.
bool prepareVhwArrays()
{
    clearDistributionResults();
    allocDistributionVectors(nVhwFractions);
    for (int j = 1; j <= nResolution; j++) pDistAxisS[j] = pDistValues[j] = 0.0f;
    plotDistribution();
    if (pDistPlot) {
        pDistPlot->SetCurveStyle(0, 6);
        pDistPlot->nSymbolSize = 4;
        nErrorBarCapWidth = static_cast<int>(std::floor(1.5 * 4));
    }
    return allocVhwArrays();
}

void calcApparentS()
{
    const double w2 = omega2OfScan1();
    const float m = referenceRadius();
    const bool bScanTime = fScanVelocity > 0.0f && bSimTimeResolution;
    for (int k = 1; k <= nScans; k++) {
        const double t = pScanHeaders[k].time;
        for (int f = 1; f <= nVhwFractions; f++) {
            const float r = ppFractionRadius[k][f];
            // the scanner reaches radius r later than the scan's time
            const double dt = bScanTime ? (r - fMeniscus) / (fScanVelocity / 60.0) : 0.0;
            ppFractionS[k][f] = static_cast<float>(std::log(r / m) * 1e13 / ((t + dt) * w2));
        }
    }
}

// The abscissa of scan k in the extrapolation.
float inverseRootTime(int k) { return static_cast<float>(1.0 / std::sqrt(pScanHeaders[k].time)); }

// Whether the scans' 1/sqrt(t) spread: scans at one time (or at a time
// that is not above 0) determine no line.
bool scanTimesSpread()
{
    std::vector<float> x(static_cast<size_t>(nScans) + 1);
    for (int k = 1; k <= nScans; k++) x[k] = inverseRootTime(k);
    return abscissaeSpread(x.data(), nScans);
}

void extrapolateFractions()
{
    float* x = vector(1, nScans);
    float* y = vector(1, nScans);
    for (int k = 1; k <= nScans; k++) x[k] = inverseRootTime(k);
    for (int f = 1; f <= nVhwFractions; f++) {
        for (int k = 1; k <= nScans; k++) y[k] = ppFractionS[k][f];
        fitStraightLine(&pFractionIntercept[f], &pFractionSlope[f], x, y, nScans);
    }
    free_vector(x, 1, nScans);
    free_vector(y, 1, nScans);
}

void storeVhwResult()
{
    for (int f = 1; f <= nVhwFractions; f++) {
        pDistAxisS[f] = pFractionIntercept[f];
        pDistValues[f] = static_cast<float>(f) / (fSGridResolution + 1.0f);
    }
}

// The staircase of the extrapolated lines in every scan, and its rmsd.
void buildVhwModel()
{
    const double w2 = omega2OfScan1();
    const float m = referenceRadius();
    const int n = nVhwFractions;
    for (int k = 1; k <= nScans; k++) {
        const double t = pScanHeaders[k].time;
        for (int f = 1; f <= n; f++)
            ppModelBoundaryRadius[k][f] = static_cast<float>(
                m * std::exp(w2 * t * 1e-13 * (pFractionSlope[f] / std::sqrt(t) + pFractionIntercept[f])));
    }
    for (int k = 1; k <= nScans; k++) {
        const float h = bandStep(k);
        const float* r = ppRadius[k];
        float* fit = ppFit[k];
        const float* R = ppModelBoundaryRadius[k];
        const int N = pScanPoints[k];
        const float fPlateau = fBaseline + pPlateauHeight[k];
        if (!bVhwFlotation) {
            int i = 1;
            for (; i <= N && i <= pFitFirstIndex[k]; i++) fit[i] = fBaseline;
            for (; i <= N && r[i] <= R[1]; i++) fit[i] = fBaseline;
            for (int f = 2; f <= n; f++)
                for (; i <= N && r[i] <= R[f]; i++) fit[i] = (static_cast<float>(f) - 0.5f) * h + fBaseline;
            for (; i <= N; i++) fit[i] = fPlateau;
        } else {
            int i = N;
            for (; i >= 1 && i >= pFitLastIndex[k]; i--) fit[i] = fBaseline;
            for (; i >= 1 && r[i] >= R[1]; i--) fit[i] = fBaseline;
            for (int f = 1; f <= n; f++)
                for (; i >= 1 && r[i] >= R[f]; i--) fit[i] = (static_cast<float>(f) - 0.5f) * h + fBaseline;
            for (; i >= 1; i--) fit[i] = fPlateau;
        }
    }
    calcRmsd();
}

}  // namespace

float calcVhwBaseline(float fWidth)
{
    const int k = pScanTimeOrder[nScans];
    const float* r = ppRadius[k];
    const float* y = ppSignal[k];
    double dSum = 0.0;
    int nCount = 0;
    if (!bVhwFlotation) {
        const int i0 = pFitFirstIndex[k];
        for (int i = i0; i <= pScanPoints[k] && r[i] <= r[i0] + fWidth; i++, nCount++) dSum += y[i];
    } else {
        const int i0 = pFitLastIndex[k];
        for (int i = i0; i >= 1 && r[i] >= r[i0] - fWidth; i--, nCount++) dSum += y[i];
    }
    return nCount > 0 ? static_cast<float>(dSum / nCount) : 0.0f;
}

void calcPlateauHeights(float fWidth)
{
    for (int k = 1; k <= nScans; k++) {
        const float* r = ppRadius[k];
        const float* y = ppSignal[k];
        double dSum = 0.0;
        int nCount = 0;
        if (!bVhwFlotation) {
            const int i0 = pFitLastIndex[k];
            for (int i = i0; i >= 1 && r[i] >= r[i0] - fWidth; i--, nCount++) dSum += y[i];
        } else {
            const int i0 = pFitFirstIndex[k];
            for (int i = i0; i <= pScanPoints[k] && r[i] <= r[i0] + fWidth; i++, nCount++) dSum += y[i];
        }
        pPlateauHeight[k] = (nCount > 0 ? static_cast<float>(dSum / nCount) : 0.0f) - fBaseline;
    }
}

bool divideBoundaryFractions(TXLAWindow* pWindow)
{
    const int n = nVhwFractions;
    char sz[100];
    std::snprintf(sz, sizeof sz, "dividing data in %d boundary fractions       ", n);
    writeToolText(pWindow, 10, 50, sz);
    std::vector<double> radiusSum(n + 1);
    std::vector<int> count(n + 1);
    for (int k = 1; k <= nScans; k++) {
        const float h = bandStep(k);
        std::fill(radiusSum.begin(), radiusSum.end(), 0.0);
        std::fill(count.begin(), count.end(), 0);
        for (int i = pFitFirstIndex[k]; i <= pFitLastIndex[k]; i++) {
            const float y = ppSignal[k][i];
            // the first band that holds the signal: a signal on the border of
            // two bands belongs to the lower one
            for (int f = 1; f <= n; f++) {
                const float fc = static_cast<float>(f);
                if ((fc - 0.5f) * h + fBaseline <= y && (fc + 0.5f) * h + fBaseline >= y) {
                    radiusSum[f] += ppRadius[k][i];
                    count[f]++;
                    break;
                }
            }
        }
        for (int f = 1; f <= n; f++) {
            if (count[f] > 0) {
                ppFractionRadius[k][f] = static_cast<float>(radiusSum[f] / count[f]);
            } else if (f == 1) {
                // the boundary has not cleared the first fit point yet
                ppFractionRadius[k][f] = ppRadius[k][bVhwFlotation ? pFitLastIndex[k] : pFitFirstIndex[k]];
            } else {
                return false;
            }
        }
    }
    return true;
}

bool runVanHoldeWeischet(TXLAWindow* pWindow)
{
    // 1.
    if (!pWindow) return false;
    if (nScans < 1) return false;
    // An apparent s needs a reference radius, and a line through the
    // scans' values two scans at least.
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        win::MessageBox(pWindow->HWindow, "set Meniscus and Bottom first", "", win::MB_OK);
        return false;
    }
    if (nScans < 2) {
        win::MessageBox(pWindow->HWindow, "the van Holde-Weischet analysis needs two scans at least",
                        "Van Holde Weischet Analysis", win::MB_OK);
        return false;
    }
    if (!scanTimesSpread()) {
        win::MessageBox(pWindow->HWindow,
                        "the scan times do not spread (or are not above 0): no line against 1/sqrt(t) can be "
                        "extrapolated",
                        "Van Holde Weischet Analysis", win::MB_OK);
        return false;
    }
    nResolution = nVhwFractions = static_cast<int>(std::floor(fSGridResolution));
    if (nVhwFractions < 1) return false;
    if (!prepareVhwArrays()) return false;
    // 2.
    fBaseline = calcVhwBaseline(fAveragingWidth);
    calcPlateauHeights(fAveragingWidth);
    // 3. fewer fractions while some stay empty, down to 4
    bool bLowered = false;
    while (!divideBoundaryFractions(pWindow)) {
        freeVhwArrays();
        if (nVhwFractions < 5) return false;
        fSGridResolution -= 1.0f;
        nVhwFractions -= 1;
        nResolution -= 1;
        bLowered = true;
        if (!prepareVhwArrays()) return false;
        calcPlateauHeights(fAveragingWidth);
    }
    // 4.
    if (bLowered) {
        char sz[120];
        std::snprintf(sz, sizeof sz, "to avoid empty fractions, resolution was reduced to %.0f", fSGridResolution);
        win::MessageBox(nullptr, sz, "Van Holde Weischet Analysis", win::MB_OK);
    }
    // 5.
    calcApparentS();
    extrapolateFractions();
    storeVhwResult();
    buildVhwModel();
    // 6. one set per scan in the result plot
    if (bShowExtrapolationPlot) {
        bAreaFractionResults = 1;
        nBoundaryFractions = nVhwFractions;
        float* pTimes = vector(1, nScans);
        for (int k = 1; k <= nScans; k++) pTimes[k] = static_cast<float>(pScanHeaders[k].time);
        plotAreaFractionResults(pTimes, ppFractionS, nScans, pFractionIntercept, pFractionSlope);
        free_vector(pTimes, 1, nScans);
    }
    // 7.
    bModelComputed = 1;
    if (pDistPlot) {
        pDistPlot->Rescale();
        pDistPlot->Draw();
    }
    pWindow->InvalidateUnlessBatch();
    return true;
}
