// Noise radial grid, fit limits and edge extrapolation.
#include "scandata/noise_grid.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/sorting_interpolation.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_messages.h"
#include "tools/fluorescence/nonlinear_detection.h"


namespace {

// Scan count and grid length the extra noise arrays were allocated with.
int nExtraNoiseScans = 0;
int nExtraNoiseGridPoints = 0;

// Fallback step of the resampled grid when the resolution is not positive.
constexpr float fDefaultGridStep = 0.001f;

// Sums over the grid range inside the fit limits and each scan's mean there.
void updateNoiseGridSums() {
    double dSum = 0.0;
    int nCount = 0;
    for (int j = nNoiseGridFirst; j <= nNoiseGridLast; ++j) {
        dSum += pTINoise[j];
        ++nCount;
    }
    fNoiseGridSum = static_cast<float>(nScans * dSum);
    fNoiseGridCount = static_cast<float>(nScans) * nCount;
    for (int i = 1; i <= nScans; ++i) {
        double dScan = 0.0;
        for (int j = nNoiseGridFirst; j <= nNoiseGridLast; ++j) dScan += ppScanOnNoiseGrid[i][j];
        pRINoise[i] = nCount > 0 ? static_cast<float>(dScan / nCount) : 0.0f;
    }
}

// First index of r[1..n] at or beyond x; n + 1 when none (an empty range).
int firstAtOrBeyond(const float* r, int n, float x) {
    for (int j = 1; j <= n; ++j)
        if (r[j] >= x) return j;
    return n + 1;
}

// Last index of r[1..n] at or below x; 0 when none (an empty range).
int lastAtOrBelow(const float* r, int n, float x) {
    for (int j = n; j >= 1; --j)
        if (r[j] <= x) return j;
    return 0;
}

void gridLastFromRightLimit() {
    if (!pNoiseGrid || nNoiseGridPoints < 1) return;
    if (fFitRightLim != 0.0f)
        nNoiseGridLast = lastAtOrBelow(pNoiseGrid, nNoiseGridPoints, fFitRightLim);
}

}  // namespace

void setupNoiseRadialGrid() {
    reapplyNonlinearDetection(false);
    if (pNoiseGrid || ppScanOnNoiseGrid) freeNoiseArrays(nScans);
    if (nScans < 1) return;

    bool bResample = bAbsorbanceData || bIntensityData;
    for (int i = 2; i <= nScans && !bResample; ++i)
        if (pScanPoints[i] != pScanPoints[1] || ppRadius[i][1] != ppRadius[1][1]) bResample = true;

    ppScanOnNoiseGrid = new float*[nScans + 1]();
    int n;
    if (!bResample) {
        int nEarliest = pScanTimeOrder[1];
        pNoiseGrid = ppRadius[nEarliest];
        n = pScanPoints[nEarliest];
        for (int i = 1; i <= nScans; ++i) ppScanOnNoiseGrid[i] = ppSignal[i];
        bScanOnNoiseGridOwned = 0;
    } else {
        double dA = 0.0, dB = 0.0;
        for (int i = 1; i <= nScans; ++i) {
            dA += ppRadius[i][1];
            dB += ppRadius[i][pScanPoints[i]];
        }
        float a = static_cast<float>(dA / nScans);
        float b = static_cast<float>(dB / nScans);
        float h = fRadialResolution > 0.0f ? fRadialResolution : fDefaultGridStep;
        n = 1;
        float x = a;
        while (x <= b) {
            float xNext = x + h;
            if (xNext == x) break;  // a step below the float resolution ends the grid
            ++n;
            x = xNext;
        }
        pNoiseGrid = vector(1, n);
        for (int j = 1; j <= n; ++j) pNoiseGrid[j] = a + static_cast<float>(j) * h;
        float* pWork = nullptr;
        int nWork = 0;
        for (int i = 1; i <= nScans; ++i) {
            ppScanOnNoiseGrid[i] = vector(1, n);
            float* pValues = ppSignal[i];
            if (bIntensityData) {
                if (pScanPoints[i] > nWork) {
                    free_vector(pWork, 1, nWork);
                    nWork = pScanPoints[i];
                    pWork = vector(1, nWork);
                }
                // absorbance log10(reference / sample): the signal of loaded
                // intensity data is the sample, the third column the reference
                for (int k = 1; k <= pScanPoints[i]; ++k) {
                    float s = ppSignal[i][k];
                    float t = ppThirdColumn[i] ? ppThirdColumn[i][k] : 0.0f;
                    pWork[k] = (s > 0.0f && t > 0.0f) ? std::log10(t / s) : 0.0f;
                }
                pValues = pWork;
            }
            interpolateOnGrid(n, pNoiseGrid, ppScanOnNoiseGrid[i], pScanPoints[i], ppRadius[i],
                              pValues);
        }
        free_vector(pWork, 1, nWork);
        bScanOnNoiseGridOwned = 1;
    }
    nNoiseGridPoints = n;

    pTINoise = vector(1, n);
    pTINoiseSaved = vector(1, n);
    pTINoiseAux = vector(1, n);
    pRINoise = vector(1, nScans);
    pRINoiseSaved = vector(1, nScans);
    for (int j = 1; j <= n; ++j) {
        double d = 0.0;
        for (int i = 1; i <= nScans; ++i) d += ppScanOnNoiseGrid[i][j];
        pTINoise[j] = static_cast<float>(d / nScans);
    }
    nNoiseGridFirst = 1;
    nNoiseGridLast = n;
    updateNoiseGridSums();

    if (fFitLeftLim != 0.0f) updateLeftFitLimit();
    if (fFitRightLim != 0.0f) updateRightFitLimit();
    allocExtraNoiseArrays();
}

void freeNoiseArrays(int n) {
    if (ppScanOnNoiseGrid) {
        if (bScanOnNoiseGridOwned)
            for (int i = 1; i <= n; ++i) free_vector(ppScanOnNoiseGrid[i], 1, nNoiseGridPoints);
        delete[] ppScanOnNoiseGrid;
        ppScanOnNoiseGrid = nullptr;
    }
    // The grid is owned exactly when it was resampled (also for
    // light-scattering lags); a shared grid is the earliest scan's radius array.
    if (bScanOnNoiseGridOwned) free_vector(pNoiseGrid, 1, nNoiseGridPoints);
    pNoiseGrid = nullptr;
    free_vector(pTINoise, 1, nNoiseGridPoints);
    free_vector(pTINoiseSaved, 1, nNoiseGridPoints);
    free_vector(pTINoiseAux, 1, nNoiseGridPoints);
    free_vector(pRINoise, 1, n);
    free_vector(pRINoiseSaved, 1, n);
    pTINoise = pTINoiseSaved = pTINoiseAux = pRINoise = pRINoiseSaved = nullptr;
    freeExtraNoiseArrays();
    nNoiseGridPoints = 0;
    fNoiseGridSum = fNoiseGridCount = 0.0f;
    nNoiseGridFirst = nNoiseGridLast = 0;
    bScanOnNoiseGridOwned = 0;
}

void updateLeftFitLimit() {
    bDataChanged = 1;
    for (int i = 1; i <= nScans; ++i)
        if (pScanPoints[i] >= 1 && ppRadius[i][1] > fFitLeftLim) fFitLeftLim = ppRadius[i][1];
    if (!bDLSData && (fFitLeftLim < fMeniscus + 0.01f || fFitLeftLim > fBottom))
        fFitLeftLim = fMeniscus + 0.01f;
    if (pExtrapolation1) extrapolateAtLeftLimit();
    if (pFitFirstIndex)
        for (int i = 1; i <= nScans; ++i)
            pFitFirstIndex[i] = firstAtOrBeyond(ppRadius[i], pScanPoints[i], fFitLeftLim);
    if (pNoiseGrid && nNoiseGridPoints >= 1) {
        nNoiseGridFirst = firstAtOrBeyond(pNoiseGrid, nNoiseGridPoints, fFitLeftLim);
        gridLastFromRightLimit();
        updateNoiseGridSums();
    }
}

void updateRightFitLimit() {
    bDataChanged = 1;
    if (!bDLSData) {
        // Each scan that ends inside the limit moves it in; the messages come
        // once the limit is settled, so they state the value actually set.
        std::vector<int> shortScans;
        for (int i = 1; i <= nScans; ++i) {
            if (pScanPoints[i] < 1) continue;
            float fLast = ppRadius[i][pScanPoints[i]];
            if (fLast < fFitRightLim) {
                shortScans.push_back(i);
                fFitRightLim = fLast;
            }
        }
        if (fFitRightLim < fMeniscus || fFitRightLim < fFitLeftLim || fFitRightLim > fBottom - 0.01f)
            fFitRightLim = fBottom - 0.01f;
        if (!bSerialFitRunning)
            for (int i : shortScans) {
                char sz[600];
                std::snprintf(sz, sizeof(sz),
                              "possible problem with right limit in file %s\nsetting right limit to %1.3f",
                              ppScanFileName && ppScanFileName[i] ? ppScanFileName[i] : "", fFitRightLim);
                showErrorMessage(sz, 0);
            }
    }
    if (pExtrapolation1) extrapolateAtRightLimit();
    if (pFitLastIndex)
        for (int i = 1; i <= nScans; ++i)
            pFitLastIndex[i] = lastAtOrBelow(ppRadius[i], pScanPoints[i], fFitRightLim);
    if (pNoiseGrid && nNoiseGridPoints >= 1) {
        gridLastFromRightLimit();
        updateNoiseGridSums();
    }
}

void allocExtraNoiseArrays() {
    for (int k = 1; k <= 4; ++k)
        if (pppExtraNoiseScan[k] || ppExtraNoiseProfile[k] || ppExtraNoiseAmplitude[k]) {
            freeExtraNoiseArrays();
            break;
        }
    if (!pSpeciesIncluded || nNoiseGridPoints < 1) return;
    nExtraNoiseScans = nScans;
    nExtraNoiseGridPoints = nNoiseGridPoints;
    for (int k = 1; k <= 4; ++k) {
        if (!pSpeciesIncluded[k]) continue;
        pppExtraNoiseScan[k] = new float*[nScans + 1]();
        for (int i = 1; i <= nScans; ++i) pppExtraNoiseScan[k][i] = vector(1, nNoiseGridPoints);
        ppExtraNoiseProfile[k] = vector(1, nNoiseGridPoints);
        ppExtraNoiseAmplitude[k] = vector(1, nScans);
    }
}

void freeExtraNoiseArrays() {
    for (int k = 1; k <= 4; ++k) {
        if (pppExtraNoiseScan[k]) {
            for (int i = 1; i <= nExtraNoiseScans; ++i)
                free_vector(pppExtraNoiseScan[k][i], 1, nExtraNoiseGridPoints);
            delete[] pppExtraNoiseScan[k];
            pppExtraNoiseScan[k] = nullptr;
        }
        free_vector(ppExtraNoiseProfile[k], 1, nExtraNoiseGridPoints);
        free_vector(ppExtraNoiseAmplitude[k], 1, nExtraNoiseScans);
        ppExtraNoiseProfile[k] = ppExtraNoiseAmplitude[k] = nullptr;
    }
    nExtraNoiseScans = nExtraNoiseGridPoints = 0;
}

void freeExtrapolationArrays() {
    free_vector(pExtrapolation1, 1, nExtrapolationPoints);
    free_vector(pExtrapolation2, 1, nExtrapolationPoints);
    free_vector(pExtrapolation3, 1, nExtrapolationPoints);
    pExtrapolation1 = pExtrapolation2 = pExtrapolation3 = nullptr;
    nExtrapolationPoints = 0;
}

void extrapolateAtLeftLimit() {
    if (!(fMeniscus < fFitLeftLim) || !bExperimentalInitialDistribution) return;
    if (bIntensityData) {
        scanInfoBox("initial extrapolation not implemented yet!", "ERROR");
        return;
    }
    const int n = nExtrapolationPoints;
    float* r = pExtrapolation1;
    float* s = pExtrapolation2;
    if (!r || !s || n < 1) return;
    int i0 = firstAtOrBeyond(r, n, fMeniscus);
    int i1 = i0;
    while (i1 <= n && r[i1] < fFitLeftLim) ++i1;
    if (i1 > n) return;
    const float fReach = fFitLeftLim + (fFitLeftLim - fMeniscus) * fExtrapolationDistanceFactor;
    int c = 0;
    while (i1 + c <= n && r[i1 + c] < fReach) ++c;
    const int p = nPolynomOrder;
    if (p < 0 || c < p + 1) return;
    const int g = c / (p + 1);
    if (g < 1) return;
    // One-based support points; vectors, so that nothing leaks when the
    // polynomial cannot be formed and the computation is abandoned.
    std::vector<float> xa(p + 2), ya(p + 2);
    for (int m = 1; m <= p + 1; ++m) {
        double dx = 0.0, dy = 0.0;
        for (int q = 0; q < g; ++q) {
            dx += r[i1 + (m - 1) * g + q];
            dy += s[i1 + (m - 1) * g + q];
        }
        xa[m] = static_cast<float>(dx / g);
        ya[m] = static_cast<float>(dy / g);
    }
    for (int j = 1; j <= i1; ++j) {
        float y = 0.0f, dy = 0.0f;
        polint(xa.data(), ya.data(), p + 1, r[j], &y, &dy);
        s[j] = y < fBaseline ? fBaseline : y;
    }
    // The extrapolated profile never rises towards the meniscus.
    for (int j = i1 - 1; j >= 1; --j)
        if (s[j] > s[j + 1]) s[j] = s[j + 1];
}

void extrapolateAtRightLimit() {
    if (!bExperimentalInitialDistribution || !(fFitRightLim < fBottom)) return;
    if (bIntensityData) {
        scanInfoBox("initial extrapolation not implemented yet!", "ERROR");
        return;
    }
    const int n = nExtrapolationPoints;
    float* r = pExtrapolation1;
    float* s = pExtrapolation2;
    if (!r || !s || n < 1) return;
    int i1 = n;
    while (i1 >= 1 && r[i1] > fBottom) --i1;
    while (i1 >= 1 && r[i1] > fFitRightLim) --i1;
    if (i1 < 1) return;
    const float fReach = fFitRightLim - (fBottom - fFitRightLim) * 3.0f;
    int c = 0;
    while (i1 - c >= 1 && r[i1 - c] > fReach) ++c;
    const int p = nPolynomOrder;
    if (p < 0 || c < p + 1) return;
    const int g = c / (p + 1);
    if (g < 1) return;
    // One-based support points; vectors, so that nothing leaks when the
    // polynomial cannot be formed and the computation is abandoned.
    std::vector<float> xa(p + 2), ya(p + 2);
    // Groups are taken inwards from i1 and stored in ascending radius.
    for (int m = 1; m <= p + 1; ++m) {
        double dx = 0.0, dy = 0.0;
        for (int q = 0; q < g; ++q) {
            dx += r[i1 - (m - 1) * g - q];
            dy += s[i1 - (m - 1) * g - q];
        }
        xa[p + 2 - m] = static_cast<float>(dx / g);
        ya[p + 2 - m] = static_cast<float>(dy / g);
    }
    for (int j = i1; j <= n; ++j) {
        float y = 0.0f, dy = 0.0f;
        polint(xa.data(), ya.data(), p + 1, r[j], &y, &dy);
        s[j] = y < fBaseline ? fBaseline : y;
    }
}

void findFringeJumps(float fThreshold, unsigned char bUseResiduals) {
    if (fFitLeftLim == 0.0f || fFitRightLim == 0.0f) return;
    // One fringe changes a jump by 1: a jump of half a fringe or less cannot
    // be made smaller, and a jump the float arithmetic does not move is left.
    constexpr int nMaxFringesAtOnePoint = 1000;
    for (int i = 1; i <= nScans; ++i) {
        if (pFitFirstIndex[i] <= 0 || pFitLastIndex[i] <= 0) continue;
        float* y = ppSignal[i];
        float* res = ppResidual[i];
        const int nLast = pFitLastIndex[i] < pScanPoints[i] ? pFitLastIndex[i] : pScanPoints[i];
        for (int j = pFitFirstIndex[i] + 3; j <= nLast; ++j) {
            for (int nRepeat = 0; nRepeat < nMaxFringesAtOnePoint; ++nRepeat) {
                float d;
                if (bUseResiduals)
                    d = res[j] - (res[j - 1] + res[j - 2] + res[j - 3]) / 3.0f;
                else
                    d = y[j] - y[j - 1];
                float fJump = std::fabs(d);
                if (!(fJump > fThreshold) || !(fJump > 0.5f)) break;
                float fStep = d <= 0.0f ? -1.0f : 1.0f;
                for (int k = j; k <= pScanPoints[i]; ++k) {
                    y[k] -= fStep;
                    if (bUseResiduals) res[k] -= fStep;
                }
                float dAfter = bUseResiduals ? res[j] - (res[j - 1] + res[j - 2] + res[j - 3]) / 3.0f
                                             : y[j] - y[j - 1];
                if (!(std::fabs(dAfter) < fJump)) break;
            }
        }
    }
    calcMeanScan();
}

void eliminateJitter(float r1, float r2) {
    if (!bInterferenceData || nScans < 1 || !pNoiseGrid || nNoiseGridPoints < 1) return;
    const int j1 = firstAtOrBeyond(pNoiseGrid, nNoiseGridPoints, r1);
    const int j2 = firstAtOrBeyond(pNoiseGrid, nNoiseGridPoints, r2) - 1;
    if (j1 > j2) return;
    auto bandMean = [j1, j2](int i) {
        double d = 0.0;
        for (int j = j1; j <= j2; ++j) d += ppScanOnNoiseGrid[i][j];
        return static_cast<float>(d / (j2 - j1 + 1));
    };
    const int nEarliest = pScanTimeOrder[1];
    const float m1 = bandMean(nEarliest);
    pRINoiseSaved[nEarliest] = 0.0f;
    for (int t = 2; t <= nScans; ++t) {
        const int i = pScanTimeOrder[t];
        const float d = bandMean(i) - m1;
        pRINoiseSaved[i] = d;
        // The whole scan moves; a resampled grid keeps its copy in step.
        for (int k = 1; k <= pScanPoints[i]; ++k) ppSignal[i][k] -= d;
        if (bScanOnNoiseGridOwned)
            for (int j = 1; j <= nNoiseGridPoints; ++j) ppScanOnNoiseGrid[i][j] -= d;
    }
    redrawDataPlot(1);
}

void alignOffsetAtRadius(float fOffset, float fRadius) {
    if (nScans < 1) return;
    const int nEarliest = pScanTimeOrder[1];
    const int nRef = firstAtOrBeyond(ppRadius[nEarliest], pScanPoints[nEarliest], fRadius);
    if (nRef > pScanPoints[nEarliest]) return;
    const float fRef = ppSignal[nEarliest][nRef];
    for (int t = 2; t <= nScans; ++t) {
        const int i = pScanTimeOrder[t];
        const int j = firstAtOrBeyond(ppRadius[i], pScanPoints[i], fRadius);
        if (j > pScanPoints[i]) continue;
        const float d = ppSignal[i][j] - fRef;
        float k = 0.0f;
        if (d > 0.5f)
            k = std::floor(d + 0.5f);
        else if (d < -0.5f)
            k = -std::floor(-d + 0.5f);
        if (k != 0.0f)
            for (int q = 1; q <= pScanPoints[i]; ++q) ppSignal[i][q] -= k;
    }
    if (fOffset != 0.0f)
        for (int i = 1; i <= nScans; ++i)
            for (int q = 1; q <= pScanPoints[i]; ++q) ppSignal[i][q] += fOffset;
    calcMeanScan();
    redrawDataPlot(1);
}
