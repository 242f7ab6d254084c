// Integration of distributions (the shown values are floats; the sums are
// formed in double) with the region statistics of the two-dimensional
// results, and the extent of a peak.
#include "distributions/distribution_integration.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "models/model_globals.h"
#include "numerics/physical_constants.h"
#include "scandata/scan_data.h"

float fIntegrateYMin = -1e30f;
float fIntegrateYMax = 1e30f;

namespace {

// The light-scattering diffusion axis (I(D)); else the radius axis.
bool dlsDiffusionAxis() { return bModelDlsD && !bModelDlsRh && !bModelDlsRhTime; }

// The region statistics of a two-dimensional result over the points whose
// coordinates lie in [lo, hi] x [fIntegrateYMin, fIntegrateYMax].
void twoDimensionalRegionStatistics(float lo, float hi)
{
    if (!pCsFf0Values || !pCsFf0S || !pCsFf0M || !pCsFf0D || !pCsFf0Rh || !pCsFf0Ratio) return;
    const float* pX = pCsFf0S;
    const float* pY = pCsFf0Ratio;
    if (bCsFf0ShowSM) {
        pY = pCsFf0M;
    } else if (bCsFf0ShowRh) {
        pY = pCsFf0Rh;
    } else if (bCsFf0ShowD) {
        pY = pCsFf0D;
    } else if (bCsFf0ShowMFf0) {
        pX = pCsFf0M;
    }
    const int n = std::min(nCsGridTotal, allocatedCsFf0Points());
    auto inRegion = [&](int j) {
        return pX[j] >= lo && pX[j] <= hi && pY[j] >= fIntegrateYMin && pY[j] <= fIntegrateYMax;
    };
    float w = 0.0f, wM = 0.0f, wD = 0.0f, wS = 0.0f, wRh = 0.0f, wFf0 = 0.0f;
    for (int j = 1; j <= n; j++) {
        if (!inRegion(j)) continue;
        const float c = pCsFf0Values[j];
        w += c;
        wM += pCsFf0M[j] * c;
        wD += pCsFf0D[j] * c;
        wS += pCsFf0S[j] * c;
        wRh += pCsFf0Rh[j] * c;
        wFf0 += pCsFf0Ratio[j] * c;
    }
    if (w <= 0.0f) {
        fCsFf0MeanM = fCsFf0SdM = fCsFf0MeanRh = fCsFf0SdRh = fCsFf0MeanFf0 = fCsFf0MsD = 0.0f;
        return;
    }
    fCsFf0MeanM = wM / w;
    fCsFf0MeanRh = wRh / w;
    fCsFf0MeanFf0 = wFf0 / w;
    // D in the place of M: the Svedberg relation gives the molar mass
    fCsFf0MsD = wD > 0.0f ? DFromSM(wS / w, wD / w, fTemperatureK - kZeroCelsiusF) : 0.0f;
    float vRh = 0.0f, vM = 0.0f;
    for (int j = 1; j <= n; j++) {
        if (!inRegion(j)) continue;
        const float c = pCsFf0Values[j];
        vRh += (pCsFf0Rh[j] - fCsFf0MeanRh) * (pCsFf0Rh[j] - fCsFf0MeanRh) * c;
        vM += (pCsFf0M[j] - fCsFf0MeanM) * (pCsFf0M[j] - fCsFf0MeanM) * c;
    }
    fCsFf0SdRh = std::sqrt(vRh / w);
    fCsFf0SdM = std::sqrt(vM / w);
}

void put(float* p, float v)
{
    if (p) *p = v;
}

// The grid abscissae of the peaks' limits.
const float* peakAxis()
{
    return bDLSData ? (dlsDiffusionAxis() ? pDistAxisM : pDistAxisS) : (isSTypeModel() ? pDistAxisS : pDistAxisM);
}

}  // namespace

void integrateDistribution(float fLow, float fHigh, float* pfArea, float* pfMean, float* pfTotal, float* pfSigma,
                           float* pfHarmonicMean, float* pfZMean)
{
    const int n = nResolution;
    const bool bDls = bDLSData != 0;
    const bool bAllMoments = pfSigma && pfHarmonicMean && pfZMean;
    if (!pDistValues || !pDistAxisS || !pDistAxisM || n < 1) {
        for (float* p : {pfArea, pfMean, pfTotal, pfSigma, pfHarmonicMean, pfZMean}) put(p, 0.0f);
        return;
    }
    // 1. The abscissa.
    std::vector<float> x(static_cast<size_t>(n) + 1, 0.0f);
    int f = 1;
    float lo = fLow, hi = fHigh;
    if (!bDls) {
        const float* pAxis = isSTypeModel() ? pDistAxisS : pDistAxisM;
        for (int i = 1; i <= n; i++) x[i] = pAxis[i];
        f = hasDiscreteSpeciesAtPoint1ForIntegrals() ? 2 : 1;
    } else {
        const float* pAxis = dlsDiffusionAxis() ? pDistAxisM : pDistAxisS;
        const float fShift = dlsDiffusionAxis() ? 7.0f : 9.0f;
        for (int i = 1; i <= n; i++) x[i] = bDlsDensityLinear ? std::pow(10.0f, pAxis[i] + fShift) : pAxis[i];
        if (bDlsDensityLinear) {
            lo = std::pow(10.0f, lo + fShift);
            hi = std::pow(10.0f, hi + fShift);
        }
    }
    const float* c = pDistValues;
    // 2. The segments, each a straight line clipped to [lo, hi], in double
    // and about the middle of each clipped piece: over a range a few
    // thousandths of the grid wide, moments about 0 in single precision
    // cancel to nothing (a mean outside the range, a spread far too large).
    struct Piece {
        double dArea, dMiddle, dHalf, dSlope, dMiddleValue;
    };
    std::vector<Piece> pieces;
    double dTotal = 0.0, dArea = 0.0, dFirst = 0.0;
    for (int i = f; i <= n - 1; i++) {
        const double x1 = x[i], x2 = x[i + 1];
        if (x2 == x1) continue;
        dTotal += (x2 - x1) * (static_cast<double>(c[i]) + c[i + 1]) / 2.0;
        const double a = (static_cast<double>(c[i + 1]) - c[i]) / (x2 - x1);
        const double xa = std::min(x1, x2), xb = std::max(x1, x2);
        if (xb <= lo || xa >= hi) continue;
        const double u = std::max<double>(xa, lo), v = std::min<double>(xb, hi);
        if (v - u == 0.0) continue;
        Piece p;
        p.dMiddle = 0.5 * (u + v);
        p.dHalf = 0.5 * (v - u);
        p.dSlope = a;
        p.dMiddleValue = c[i] + a * (p.dMiddle - x1);
        p.dArea = 2.0 * p.dHalf * p.dMiddleValue;
        // the first moment about the middle: a 2 h^3 / 3
        dArea += p.dArea;
        dFirst += p.dArea * p.dMiddle + a * 2.0 * p.dHalf * p.dHalf * p.dHalf / 3.0;
        pieces.push_back(p);
    }
    // 3. The region statistics of a two-dimensional result.
    if (isTwoDimensionalModel()) twoDimensionalRegionStatistics(fLow, fHigh);
    // 4. - 6.
    const float fArea = static_cast<float>(dArea);
    if (fArea == 0.0f) {
        for (float* p : {pfArea, pfMean, pfTotal, pfSigma, pfHarmonicMean, pfZMean}) put(p, 0.0f);
        return;
    }
    const double dMean = dFirst / dArea;
    put(pfArea, fArea);
    put(pfTotal, static_cast<float>(dTotal));
    if (bDls && !bDlsDensityLinear)
        put(pfMean, std::pow(10.0f, static_cast<float>(dMean) + (dlsDiffusionAxis() ? 7.0f : 9.0f)));
    else
        put(pfMean, static_cast<float>(dMean));
    // The second moment about the mean, piece by piece: about its middle m
    // the piece holds c(m) 2 h^3 / 3, its first moment a 2 h^3 / 3.
    double dSecond = 0.0;
    for (const Piece& p : pieces) {
        const double h3 = 2.0 * p.dHalf * p.dHalf * p.dHalf / 3.0, dm = p.dMiddle - dMean;
        dSecond += p.dMiddleValue * h3 + 2.0 * dm * p.dSlope * h3 + dm * dm * p.dArea;
    }
    const double dVariance = dSecond / dArea;
    if (pfSigma) *pfSigma = bDls ? 0.0f : static_cast<float>(std::sqrt(std::fabs(dVariance)));
    if (bAllMoments) {
        const bool bMoments = !bDls && fLow > 0.0f && fHigh > 0.0f;
        // the integral of c / x: (c(m) - a m) ln(v / u) + a (v - u)
        double dInverse = 0.0;
        if (bMoments)
            for (const Piece& p : pieces) {
                const double u = p.dMiddle - p.dHalf;
                dInverse += (p.dMiddleValue - p.dSlope * p.dMiddle) * std::log1p(2.0 * p.dHalf / u) +
                            p.dSlope * 2.0 * p.dHalf;
            }
        // the z-average, m2 / m1 = (variance + mean^2) / mean
        *pfHarmonicMean = bMoments && dInverse != 0.0 ? static_cast<float>(dArea / dInverse) : 0.0f;
        *pfZMean = bMoments && dFirst != 0.0 ? static_cast<float>(dMean + dVariance / dMean) : 0.0f;
    }
}

void findPeakExtent(int nPeak, float* pfLow, float* pfHigh, float* pfMean, int* pnFirst, int* pnLast,
                    float* pfHeight, float* pfFraction, float* pfSignal, float fFactor)
{
    for (float* p : {pfLow, pfHigh, pfMean, pfHeight, pfFraction, pfSignal}) put(p, 0.0f);
    if (pnFirst) *pnFirst = 0;
    if (pnLast) *pnLast = 0;
    const int n = nResolution;
    if (!pDistValues || !pDistAxisS || !pDistAxisM || nPeak < 1 || nPeak > n || !(fFactor > 0.0f)) return;
    const float* c = pDistValues;
    const float* x = peakAxis();
    const int f = (!bDLSData && hasDiscreteSpeciesAtPoint1ForIntegrals()) ? 2 : 1;
    const float fHeight = c[nPeak];
    const float fFloor = 0.01f * fHeight;
    // The walk takes the first point that has fallen to 1 % of the height
    // (the tail down to it belongs to the peak) but stops before a point
    // that rises (a valley belongs to neither side's tail beyond its bottom).
    auto walk = [&](int nStep) {
        int i = nPeak;
        float fLowest = c[i];
        while (i + nStep >= f && i + nStep <= n) {
            const float v = c[i + nStep];
            if (!(v <= fLowest / fFactor)) break;
            i += nStep;
            if (!(v > fFloor)) break;
            fLowest = std::min(fLowest, v);
        }
        return i;
    };
    const int nFirst = walk(-1), nLast = walk(+1);
    const float fLow = x[nFirst], fHigh = x[nLast];
    float fSignal = 0.0f, fMean = 0.0f, fTotal = 0.0f;
    integrateDistribution(fLow, fHigh, &fSignal, &fMean, &fTotal, nullptr, nullptr, nullptr);
    put(pfLow, fLow);
    put(pfHigh, fHigh);
    put(pfMean, fMean);
    if (pnFirst) *pnFirst = nFirst;
    if (pnLast) *pnLast = nLast;
    put(pfHeight, fHeight);
    put(pfSignal, fSignal);
    put(pfFraction, fTotal != 0.0f ? fSignal / fTotal : 0.0f);
}

std::vector<DistributionPeak> distinctPeaks(const int* pIndex, int nPeaks, float fFactor)
{
    std::vector<DistributionPeak> peaks;
    for (int k = 1; k <= nPeaks; k++) {
        DistributionPeak p;
        p.nIndex = pIndex[k];
        bool bInside = false;
        for (const DistributionPeak& q : peaks) bInside = bInside || (q.nFirst <= p.nIndex && p.nIndex <= q.nLast);
        if (bInside) continue;
        float fHeight = 0.0f;
        findPeakExtent(p.nIndex, &p.fLow, &p.fHigh, &p.fMean, &p.nFirst, &p.nLast, &fHeight, &p.fFraction,
                       &p.fSignal, fFactor);
        if (p.nFirst < 1) continue;  // no distribution
        bool bClipped = false;
        for (const DistributionPeak& q : peaks) {
            if (q.nLast < p.nIndex && q.nLast > p.nFirst) {
                p.nFirst = q.nLast;
                bClipped = true;
            }
            if (q.nFirst > p.nIndex && q.nFirst < p.nLast) {
                p.nLast = q.nFirst;
                bClipped = true;
            }
        }
        if (bClipped) {
            const float* x = peakAxis();
            p.fLow = x[p.nFirst];
            p.fHigh = x[p.nLast];
            float fTotal = 0.0f;
            integrateDistribution(p.fLow, p.fHigh, &p.fSignal, &p.fMean, &fTotal, nullptr, nullptr, nullptr);
            p.fFraction = fTotal != 0.0f ? p.fSignal / fTotal : 0.0f;
        }
        peaks.push_back(p);
    }
    return peaks;
}
