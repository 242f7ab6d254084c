// What a plot shows: the frame, the displayed ranges (autoscaled, fixed or
// zoomed), the mapping from values to logical units, and the tick values.
#include <cmath>
#include <vector>

#include "plot/cwinplot.h"

const float fPlotXScale = 1.4f;
const float fThousand = 1000.0f;

int plotWindowWidth()
{
    return int(std::floor(double(fPlotXScale) * double(fThousand)));
}

int plotWindowHeight()
{
    return int(std::floor(double(fThousand)));
}

namespace {

bool hasVectors(const CCurve* c)
{
    return c && c->pX && c->pY;
}

// Ends that coincide move apart (log axis: x10 and x0.1, linear: by 1); ends
// that nearly coincide as well (log: a relative gap under 1 %, linear: under
// 1e-15).
void separateEnds(float& lo, float& hi, bool bLog)
{
    if (hi == lo) {
        if (bLog) {
            hi = hi * 10;
            lo = float(lo * 0.1);
        } else {
            hi = hi + 1;
            lo = lo - 1;
        }
    }
    if (hi == 0 && lo == 0) return;
    double r = (double(hi) - lo) / (hi != 0 ? double(hi) : double(lo));
    if (bLog && std::fabs(r) < 0.01) {
        hi = float(hi * 1.1);
        lo = float(lo * 0.9);
    } else if (!bLog && std::fabs(r) < 1e-15) {
        hi = hi + 1;
        lo = lo - 1;
    }
}

// 5 % of the decade span added at both ends.
void logMargin(float& lo, float& hi)
{
    double l = std::log10(double(lo)), h = std::log10(double(hi));
    double d = h - l;
    lo = float(std::pow(10.0, l - 0.05 * d));
    hi = float(std::pow(10.0, h + 0.05 * d));
}

}  // namespace

void CWINPlot::EffectiveRange(int i, int* pFirst, int* pLast) const
{
    int first = 0;
    int last = hasVectors(pCurves[i]) ? int(pCurves[i]->pX->nSize) - 1 : -1;
    if (pRangeSet && pRangeSet[i] == 1) {
        if (pRangeFirst[i] >= 0 && pRangeFirst[i] <= last) first = pRangeFirst[i];
        if (pRangeLast[i] >= 0 && pRangeLast[i] <= last) last = pRangeLast[i];
    }
    *pFirst = first;
    *pLast = last;
}

void CWINPlot::ResetScales()
{
    fXScale = fYScale = fXOffset = fYOffset = 0;
    fXMin = fYMin = -1;
    fXMax = fYMax = 1;
}

// The mapping that puts fXMin on the left edge and fXMax on the right edge;
// bScaleChanged is raised when a non-zero scale or offset moves.
void CWINPlot::SetXMapping()
{
    double lo = bLogX ? std::log10(double(fXMin)) : double(fXMin);
    double hi = bLogX ? std::log10(double(fXMax)) : double(fXMax);
    float fScale = float(double(nFrameRight - nFrameLeft) / (hi - lo));
    float fOffset = float(double(nFrameLeft) - lo * double(fScale));
    if ((fXScale != 0 && fScale != fXScale) || (fXOffset != 0 && fOffset != fXOffset)) bScaleChanged = 1;
    fXScale = fScale;
    fXOffset = fOffset;
}

void CWINPlot::SetYMapping()
{
    double lo = bLogY ? std::log10(double(fYMin)) : double(fYMin);
    double hi = bLogY ? std::log10(double(fYMax)) : double(fYMax);
    float fScale = float(double(nFrameTop - nFrameBottom) / (hi - lo));
    float fOffset = float(double(nFrameBottom) - lo * double(fScale));
    if ((fYScale != 0 && fScale != fYScale) || (fYOffset != 0 && fOffset != fYOffset)) bScaleChanged = 1;
    fYScale = fScale;
    fYOffset = fOffset;
}

void CWINPlot::SetPlotRect(int top, int left, int bottom, int right)
{
    nFrameLeft = int(double(left) * double(fPlotXScale));
    nFrameRight = int(double(right) * double(fPlotXScale));
    nFrameBottom = bottom;
    nFrameTop = top;
    if (nCurves > 0) Rescale();
    nOuterLeft = bNoYAxis ? nFrameLeft - 5 : nFrameLeft - nMajorTickLength;
    nOuterBottom = bNoXAxis ? nFrameBottom : nFrameBottom + nMajorTickLength + 20;
    nOuterRight = bNoYAxis ? nFrameRight + 5 : nFrameRight + nMajorTickLength;
    nOuterTop = bNoTopMargin ? nFrameTop : nFrameTop - nMajorTickLength;
    PlaceButtons();
}

// y range over the points the mask lets through (on a log axis only the
// positive ones); both ends 0 when no point passes.
void CWINPlot::MaskedYRange(const int* pFirst, const int* pLast)
{
    bool bFound = false;
    float fLo = 0, fHi = 0;
    for (int c = 0; c < nCurves; c++) {
        if (!hasVectors(pCurves[c])) continue;
        const CVector* y = pCurves[c]->pY;
        for (int i = pFirst[c]; i <= pLast[c]; i++) {
            if (i >= nPointMask || pPointMask[i + 1] == 0) continue;
            float v = y->Get(i);
            if (!std::isfinite(v) || (bLogY && v <= 0)) continue;
            if (!bFound) {
                fLo = fHi = v;
                bFound = true;
            }
            fLo = minFloat(fLo, v);
            fHi = maxFloat(fHi, v);
        }
    }
    fYMin = fLo;
    fYMax = fHi;
}

// Smallest and largest x (or y) of the curves within their index ranges, on a
// log axis of the positive values only; false when no curve has data. Values
// that are not finite do not count: a curve of nothing else counts as absent.
bool CWINPlot::CurvesRange(bool bY, bool bLog, const int* pFirst, const int* pLast, bool bSkipSecondScale,
                           float* pLo, float* pHi) const
{
    bool bStarted = false;
    for (int c = 0; c < nCurves; c++) {
        if (!hasVectors(pCurves[c])) continue;
        // the colour curve drawn against the second y scale (never the first curve)
        if (bSkipSecondScale && c != 0 && c == nColorCurve && bColorValues && bYValueScale) continue;
        const CVector* v = bY ? pCurves[c]->pY : pCurves[c]->pX;
        float lo, hi;
        if (bLog) {
            bool bNone = false;
            lo = v->MinPositiveInRange(pFirst[c], pLast[c], &bNone);
            hi = v->MaxPositiveInRange(pFirst[c], pLast[c], &bNone);
        } else {
            bool bNone = false;
            lo = v->MinInRange(pFirst[c], pLast[c], &bNone);
            hi = v->MaxInRange(pFirst[c], pLast[c], &bNone);
            if (bNone) continue;
        }
        *pLo = bStarted ? minFloat(*pLo, lo) : lo;
        *pHi = bStarted ? maxFloat(*pHi, hi) : hi;
        bStarted = true;
    }
    return bStarted;
}

void CWINPlot::Rescale()
{
    if (nCurves <= 0) {
        ResetScales();
        return;
    }
    if (bZoomX && bZoomY) return;

    std::vector<int> first(static_cast<size_t>(nCurves)), last(static_cast<size_t>(nCurves));
    for (int c = 0; c < nCurves; c++) EffectiveRange(c, &first[size_t(c)], &last[size_t(c)]);

    if (bLogY) {
        for (int c = 1; c < nCurves; c++) {
            if (hasVectors(pCurves[c]) && pCurves[c]->pY->MinInRange(first[size_t(c)], last[size_t(c)]) < 0) {
                bLogY = 0;
                break;
            }
        }
    }

    if (!bZoomX) {
        // a curve drawn against the second y scale still sets the x range
        if (!CurvesRange(false, bLogX, first.data(), last.data(), false, &fXMin, &fXMax)) fXMin = fXMax = 0;
        separateEnds(fXMin, fXMax, bLogX);
        if (bLogX) {
            logMargin(fXMin, fXMax);
        } else {
            double d = double(fXMax) - fXMin;
            fXMin = float(fXMin - 0.05 * d);
            fXMax = float(fXMax + 0.05 * d);
        }
    }

    if (!bZoomY) {
        if (nPointMask != 0 && bUsePointMask) {
            MaskedYRange(first.data(), last.data());
        } else {
            if (!CurvesRange(true, bLogY, first.data(), last.data(), true, &fYMin, &fYMax)) fYMin = fYMax = 0;
            if (!bLogY && fYMin > 0 && bYFromZero) fYMin = 0;
        }
        separateEnds(fYMin, fYMax, bLogY);
        if (bLogY) {
            logMargin(fYMin, fYMax);
        } else {
            fYMax = float(fYMax + 0.05 * (double(fYMax) - fYMin));
            if (!bYFromZero && fYMin > 0) {
                double lo = fYMin - 0.05 * (double(fYMax) - fYMin);
                fYMin = lo < 0 ? 0.0f : float(lo);
            }
        }
    }

    bScaleChanged = 0;
    if (bLogX && (fXMin < 0 || fXMax < 0)) bLogX = 0;
    SetXMapping();
    SetYMapping();
}

void CWINPlot::ResetZoom()
{
    bZoomX = 0;
    bZoomY = 0;
    Rescale();
}

void CWINPlot::SetAxisRanges(float xmin, float xmax, float ymin, float ymax)
{
    if (nCurves <= 0) {
        ResetScales();
        return;
    }
    if (std::fabs(double(ymin) - ymax) < 1e-10 || std::fabs(double(xmin) - xmax) < 1e-10) return;
    bZoomX = bZoomY = 1;
    fXMin = xmin;
    fXMax = xmax;
    fYMin = ymin;
    fYMax = ymax > 1e10f ? 1.0f : ymax;
    bScaleChanged = 0;
    SetXMapping();
    SetYMapping();
}

void CWINPlot::SetXRange(float xmin, float xmax)
{
    if (nCurves <= 0) {
        ResetScales();
        return;
    }
    bZoomX = 1;
    fXMin = xmin;
    fXMax = xmax;
    bScaleChanged = 0;
    SetXMapping();
}

void CWINPlot::SetYRange(float ymin, float ymax)
{
    if (nCurves <= 0) {
        ResetScales();
        return;
    }
    bZoomY = 1;
    fYMin = ymin;
    fYMax = ymax;
    bScaleChanged = 0;
    SetYMapping();
}

void CWINPlot::ZoomTo(float xmin, float xmax)
{
    if (nCurves <= 0) {
        ResetScales();
        return;
    }
    bZoomX = 1;
    bZoomY = 0;
    fXMin = xmin;
    fXMax = xmax;
    std::vector<int> first(static_cast<size_t>(nCurves)), last(static_cast<size_t>(nCurves));
    for (int c = 0; c < nCurves; c++) EffectiveRange(c, &first[size_t(c)], &last[size_t(c)]);

    if (nPointMask != 0 && bUsePointMask) {
        MaskedYRange(first.data(), last.data());
    } else {
        bool bStarted = false;
        for (int c = 0; c < nCurves; c++) {
            if (!hasVectors(pCurves[c])) continue;
            // the window searches take an exclusive end
            float lo = pCurves[c]->MinYInXWindow(xmin, xmax, first[size_t(c)], last[size_t(c)] + 1);
            fYMin = bStarted ? minFloat(fYMin, lo) : lo;
            bStarted = true;
        }
        if (!bStarted) fYMin = 0;
        if (fYMin > 0 && bYFromZero) fYMin = 0;
        bStarted = false;
        for (int c = 0; c < nCurves; c++) {
            if (!hasVectors(pCurves[c])) continue;
            float hi = pCurves[c]->MaxYInXWindow(xmin, xmax, first[size_t(c)], last[size_t(c)] + 1);
            fYMax = bStarted ? maxFloat(fYMax, hi) : hi;
            bStarted = true;
        }
        if (!bStarted) fYMax = 0;
    }
    if (fYMax == fYMin) {
        if (bLogY) {
            fYMax = fYMax * 10;
            fYMin = float(fYMin * 0.1);
            if (fYMax == 0) fYMax = 1.0f;
            if (fYMin == 0) fYMin = float(0.1 * fYMax);
        } else {
            fYMax = fYMax + 1;
            fYMin = fYMin - 1;
        }
    }
    bScaleChanged = 0;
    SetXMapping();
    SetYMapping();
}

CVector* CWINPlot::ComputeTicks(int coarse, float lo, float hi) const
{
    if (std::fabs(lo) > 1e30f || std::fabs(hi) > 1e30f || lo == hi) return new CVector;
    const double dLo = lo, dHi = hi;
    double step = std::pow(10.0, std::floor(std::log10(std::fabs(dHi - dLo))));
    // Ticks are whole multiples of the step: (nStart + k) * step, so that a
    // zero tick is exactly 0.
    double nStart = 0;
    long nCount = 0;
    auto place = [&]() {
        double n0 = std::floor(dLo / step);
        nStart = (n0 * step == dLo) ? n0 : n0 + 1;
        double c = std::floor((dHi - nStart * step) / step) + 1;
        nCount = !(c > 0) ? 0 : c > 1e9 ? long(1e9) : long(c);
    };
    place();

    std::vector<double> values;
    if (bTickLogMode && coarse == 0) {
        const double start = nStart * step;
        auto major = [&](long k) { return (nStart + double(k)) * step; };
        for (int j = 1; j <= 8; j++) {
            double v = start - (1 - std::log10(10.0 - j)) * step;
            if (!(v > dLo)) break;
            if (v < dHi) values.push_back(v);
        }
        for (long k = 0; k + 1 < nCount && k < 10000; k++)
            for (int m = 2; m <= 9; m++) values.push_back(major(k) + std::log10(double(m)) * step);
        if (nCount > 0) {
            for (int m = 2; m <= 9; m++) {
                double v = major(nCount - 1) + std::log10(double(m)) * step;
                if (!(v < dHi)) break;
                values.push_back(v);
            }
        }
    } else {
        if (!bTickLogMode && nCount < nMinTicks) {
            step *= 0.5;
            place();
        }
        if (coarse == 0) {
            step *= nCount > 2 ? 0.2 : 0.1;
            place();
        }
        if (nCount > 10000) nCount = 10000;
        for (long k = 0; k < nCount; k++) values.push_back((nStart + double(k)) * step);
    }
    CVector* pTicks = new CVector(unsigned(values.size()));
    for (size_t k = 0; k < values.size(); k++) pTicks->pData[k] = float(values[k]);
    return pTicks;
}
