// The quantities of the M* analysis, set by set.
//
// With k = (1 - vbar rho) omega^2 / (2 RT), Ja the signal at the meniscus m
// and c the signal above the baseline, the M* function
//   M*(r) = (c(r) - Ja) / (2k int_m^r (c - Ja) r dr + k Ja (r^2 - m^2))
// equals M for every r for one ideal species (the denominator is
// 2k int_m^r c r dr - k Ja (r^2 - m^2), and for c = Ja exp(kM(r^2 - m^2)) the
// integral is Ja (exp(..) - 1) / (2kM)). At the bottom, by conservation of
// mass, it is the weight-average molar mass of the loading for any mixture of
// ideal species (Mwavg). ln c against r^2 has slope kM; its local slope, and
// (1/2)(1/(c r)) dc/dr, give the apparent weight average Mwapp at each radius.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analyses/mstar/mstar_internal.h"
#include "analyses/mstar/poly_fit.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/error_stop.h"
#include "numerics/interpolate_grid.h"
#include "numerics/physical_constants.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/screen_button.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace mstar;

namespace {

const char kTooFewPoints[] = "Error: extrapolation order higher than number of data points";

// Points a..a + N - 1 of r[1..n] inside [lo, hi]: a is the first radius at or
// beyond lo, and the search stops at the first radius beyond hi. N = 0 when
// there is none.
int pointsInRange(const float* r, int n, float lo, float hi, int* pa)
{
    int a = 1;
    while (a <= n && r[a] < lo) ++a;
    *pa = a;
    int last = a - 1;
    for (int j = a; j <= n && r[j] <= hi; ++j) last = j;
    return last - a + 1;
}

// The polynomial of the given order through (r, y) of points a..a + N - 1,
// evaluated on the grid into the curve.
void fitOnGrid(int order, const float* r, const float* y, int a, int N, MStarColumn& grid, MStarColumn& curve)
{
    std::vector<double> x(static_cast<size_t>(N) + 1), v(static_cast<size_t>(N) + 1);
    for (int j = 1; j <= N; ++j) {
        x[static_cast<size_t>(j)] = r[a + j - 1];
        v[static_cast<size_t>(j)] = y[a + j - 1];
    }
    polyFit(order, x.data(), v.data(), N, grid.p, curve.p, grid.n, nullptr, nullptr, 0, 0.0f, 0.0f);
}

// The straight line through (x1, y1) and (x2, y2) at x (y1 when x1 = x2).
float lineAt(float x1, float y1, float x2, float y2, float x)
{
    if (x2 == x1) return y1;
    return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
}

// Smoothing of a copy that the toolbox may refuse (its message is shown and
// the copy stays as it was).
void smoothOnEvenGrid(MStarColumn& y, MStarColumn& x, int nHalf, int nOrder)
{
    CVector vy, vx;
    vy.Attach(y.p, static_cast<unsigned>(y.n), 1);
    vx.Attach(x.p, static_cast<unsigned>(x.n), 1);
    runAbandonable([&] { vy.SmoothOnEvenGrid(1000, vx, nHalf, nHalf, nOrder); });
}

void movingAverage(MStarColumn& y, int nHalf)
{
    CVector vy;
    vy.Attach(y.p, static_cast<unsigned>(y.n), 1);
    runAbandonable([&] { vy.Smooth(nHalf, nHalf, 1); });
}

// Mwapp from the difference quotient of ln c over r^2, the last point
// repeating the one before.
void mwappFromLnC(const MStarSetData& S, const float* lnc, float* out)
{
    const int n = S.nPts;
    const float* r2 = S.rSquared.p;
    const float k = S.kFactor;
    for (int j = 1; j < n; ++j) {
        const float d = r2[j + 1] - r2[j];
        out[j] = (k != 0.0f && d != 0.0f) ? (0.001f / k) * (lnc[j + 1] - lnc[j]) / d : 0.0f;
    }
    if (n >= 2) out[n] = out[n - 1];
}

int nearestIndex(MStarSetData& S, float x)
{
    if (S.pSignalCurve) return S.pSignalCurve->NearestIndex(x);
    CCurve c(view(S.setRadiusX), view(S.setSignal));
    return c.NearestIndex(x);
}

}  // namespace

// ---------------------------------------------------------------- ranges

void mStarClampRanges()
{
    const float m = fMeniscus, b = fBottom;
    bool bLeft = false, bRight = false;
    if (fFitLeftLim < m) {
        fFitLeftLim = m + 0.01f;
        bLeft = true;
    }
    if (fFitRightLim > b) {
        fFitRightLim = b - 0.01f;
        bRight = true;
    }
    // the points inside the limits follow them
    if (bLeft) updateLeftFitLimit();
    if (bRight) updateRightFitLimit();
    for (float* range : {meniscusFitRange, bottomFitRange}) {
        if (!range) continue;
        if (range[2] < range[1]) std::swap(range[1], range[2]);
        if (range[1] < m) range[1] = m + 0.01f;
        if (range[2] > b) range[2] = b - 0.01f;
        if (range[1] < fFitLeftLim) range[1] = fFitLeftLim;
        if (range[2] > fFitRightLim) range[2] = fFitRightLim;
    }
}

// ---------------------------------------------------------------- one set

void mStarExtrapolateMeniscus(int i)
{
    MStarSetData& S = pMStarSets[i];
    const float m = fMeniscus, b = fBottom, left = fFitLeftLim;
    const float B = mStarBaseline(i);
    const int n = S.nPts;
    const float* R = S.setRadius.p;
    const float* Y = S.setSignal.p;
    float* C = S.cleanSignal.p;

    if (bMStarCMSmoothing) {
        const float* F = S.cmFitSignal.p;
        // the fitted curve starts at the first point inside the column (it is
        // 0 in front of the meniscus); a fit of any sign counts, since with a
        // negative baseline the whole curve can lie below 0
        int j0 = 1;
        while (j0 <= n && F[j0] == 0.0f) ++j0;
        if (j0 > n) j0 = 1;
        const int j1 = std::min(j0 + 1, n);
        S.meniscusSignal = std::max(0.0f, lineAt(R[j0], F[j0], R[j1], F[j1], m) - B);
        for (int j = 1; j <= n; ++j) {
            float v = 0.0f;
            if (R[j] >= m && R[j] <= left)
                v = F[j];
            else if (R[j] > left && R[j] <= b)
                v = Y[j];
            C[j] = std::max(0.0f, v);
        }
        return;
    }

    if (!bMeniscusSignalFixed) {
        int a = 1;
        const int N = pointsInRange(R, n, meniscusFitRange[1], meniscusFitRange[2], &a);
        if (N <= nMeniscusExtrapOrder) {
            showErrorMessage(kTooFewPoints, 0);
            return;
        }
        fitOnGrid(nMeniscusExtrapOrder, R, Y, a, N, S.meniscusGrid, S.meniscusCurve);
        S.meniscusSignal = std::max(0.0f, S.meniscusCurve.p[1] - B);
    } else {
        S.meniscusSignal = std::max(0.0f, S.meniscusSignal);
        interpolateOnGrid(S.meniscusGrid.n, S.meniscusGrid.p, S.meniscusCurve.p, n, R, Y);
    }
    // between the meniscus and the left limit the signal is the straight line
    // from the meniscus value to the first point inside the limits
    const int f = clampIndex(S.firstIdx, n);
    const float y0 = S.meniscusSignal + B;
    if (bMeniscusSignalFixed)
        for (int k = 1; k <= S.meniscusGrid.n; ++k) {
            const float x = S.meniscusGrid.p[k];
            if (x >= m && x <= left) S.meniscusCurve.p[k] = lineAt(m, y0, R[f], Y[f], x);
        }
    for (int j = 1; j <= n; ++j) {
        float v = 0.0f;
        if (R[j] >= m && R[j] <= left)
            v = lineAt(m, y0, R[f], Y[f], R[j]);
        else if (R[j] > left && R[j] <= b)
            v = Y[j];
        C[j] = std::max(0.0f, v);
    }
}

namespace {

// M* of the signal c (kDa) into out where the point is taken; 0 elsewhere.
void mStarOf(const MStarSetData& S, double B, const float* c, float* out, bool (*taken)(float r))
{
    const int n = S.nPts;
    const float* R = S.setRadius.p;
    const double m = fMeniscus;
    const double k = S.kFactor;
    const double Ja = S.meniscusSignal;
    // j0: the last point before the meniscus; the integral starts there
    int j0 = n;
    for (int j = 1; j < n; ++j)
        if (R[j + 1] > m) {
            j0 = j;
            break;
        }
    double I = 0.0;
    for (int j = 1; j <= n; ++j) {
        const double r = R[j];
        const double net = c[j] - B - Ja;
        if (j == j0 + 1) {
            I = net * r * (r - m);
        } else if (j > j0 + 1) {
            const double rp = R[j - 1];
            I += 0.5 * (net * r + (c[j - 1] - B - Ja) * rp) * (r - rp);
        }
        float v = 0.0f;
        if (taken(R[j])) {
            const double denom = 2.0 * k * I + k * Ja * (r * r - m * m);
            if (!(I == 0.0 && Ja == 0.0) && denom != 0.0) v = static_cast<float>(net / denom * 0.001);
            if (v < 0.0f) bNegativeMStar = 1;
        }
        out[j] = v;
    }
}

bool insideFitLimits(float r) { return r >= fFitLeftLim && r <= fFitRightLim; }
bool insideCell(float r) { return r > fMeniscus && r < fBottom; }

}  // namespace

void mStarComputeMStar(int i)
{
    MStarSetData& S = pMStarSets[i];
    const float rpm = pScanHeaders ? pScanHeaders[i].rpm : 0.0f;
    const double omega = omegaOfRpm(rpm);
    S.kFactor = static_cast<float>((1.0 - fVbarRho) * omega * omega / (2.0 * fRT));
    const double B = mStarBaseline(i);
    mStarOf(S, B, S.cleanSignal.p, S.mStarR.p, insideFitLimits);
    if (bMStarCMSmoothing) mStarOf(S, B, S.cmFitSignal.p, S.mStarCM.p, insideCell);
}

void mStarComputeLnC(int i)
{
    MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const float B = mStarBaseline(i);
    const float* R = S.setRadius.p;
    const float* C = S.cleanSignal.p;
    for (int j = 1; j <= n; ++j) {
        S.rSquared.p[j] = R[j] * R[j];
        S.radiusLin.p[j] = R[j];
        const bool bIn = R[j] >= fFitLeftLim && R[j] <= fFitRightLim && C[j] > B;
        S.lnC.p[j] = bIn ? std::log(C[j] - B) : 0.0f;
        S.cNet.p[j] = bIn ? C[j] - B : 0.0f;
    }
    std::memcpy(S.lnCSmooth.p + 1, S.lnC.p + 1, sizeof(float) * static_cast<size_t>(n));
    std::memcpy(S.cNetSmooth.p + 1, S.cNet.p + 1, sizeof(float) * static_cast<size_t>(n));
    smoothOnEvenGrid(S.lnCSmooth, S.rSquared, nLnCSmoothHalfWidth, nLnCSmoothOrder);
    smoothOnEvenGrid(S.cNetSmooth, S.radiusLin, nLnCSmoothHalfWidth, nLnCSmoothOrder);
    if (bMStarCMSmoothing) {
        const float* F = S.cmFitSignal.p;
        for (int j = 1; j <= n; ++j) S.lnCCM.p[j] = F[j] > B ? std::log(F[j] - B) : 0.0f;
    }
}

void mStarFitLnCLine(int i)
{
    MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const int lo = std::max(1, S.firstIdx), hi = std::min(n, S.lastIdx - 1);
    if (hi - lo + 1 < 2) return;
    const float* x = S.rSquared.p;
    const float* y = S.lnC.p;
    double sx = 0, sy = 0;
    for (int j = lo; j <= hi; ++j) {
        sx += x[j];
        sy += y[j];
    }
    const double N = hi - lo + 1;
    const double mx = sx / N, my = sy / N;
    double sxx = 0, sxy = 0;
    for (int j = lo; j <= hi; ++j) {
        sxx += (x[j] - mx) * (x[j] - mx);
        sxy += (x[j] - mx) * (y[j] - my);
    }
    if (sxx == 0.0) return;
    const double slope = sxy / sxx;
    const double intercept = my - slope * mx;
    for (int j = 1; j <= n; ++j) S.lnCLineFit.p[j] = static_cast<float>(intercept + slope * x[j]);
    S.mwLnFit = S.kFactor != 0.0f ? static_cast<float>(slope * 0.001 / S.kFactor) : 0.0f;
}

void mStarComputeMwapp(int i)
{
    MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const float k = S.kFactor;
    const float* r = S.radiusLin.p;
    const float* c = S.cNetSmooth.p;
    mwappFromLnC(S, S.lnCSmooth.p, S.mwAppR.p);
    for (int j = 1; j < n; ++j) {
        const float sum = c[j] + c[j + 1];
        const float dr = r[j + 1] - r[j];
        float v = 0.0f;
        if (sum != 0.0f && dr != 0.0f && k != 0.0f) {
            const float cbar = 0.5f * sum, rbar = 0.5f * (r[j] + r[j + 1]);
            v = (0.001f / k) * 0.5f * (c[j + 1] - c[j]) / (dr * cbar * rbar);
        }
        S.mwAppDcDr.p[j] = v;
    }
    if (n >= 2) S.mwAppDcDr.p[n] = S.mwAppDcDr.p[n - 1];
    movingAverage(bMwappFromDcDr ? S.mwAppDcDr : S.mwAppR, nMwappSmoothHalfWidth);
    if (bMStarCMSmoothing) mwappFromLnC(S, S.lnCCM.p, S.mwAppCM.p);
}

void mStarExtrapolateToBottom(int i)
{
    MStarSetData& S = pMStarSets[i];
    const int n = S.nPts;
    const float b = fBottom;
    const float* R = S.setRadius.p;
    if (!bMStarCMSmoothing) {
        int a = 1;
        const int N = pointsInRange(R, n, bottomFitRange[1], bottomFitRange[2], &a);
        if (N <= nBottomExtrapOrder) {
            showErrorMessage(kTooFewPoints, 0);
            return;
        }
        fitOnGrid(nBottomExtrapOrder, R, S.mStarR.p, a, N, S.bottomGrid, S.bottomCurve);
        S.mwAvg = S.bottomCurve.p[S.bottomCurve.n];
        return;
    }
    CCurve c(view(S.setRadiusX), view(S.mStarCM));
    const int p = c.NearestIndex(b);
    const int j1 = p - 2, j2 = p - 1;
    if (j1 < 1 || j2 > n) return;
    S.mwAvg = lineAt(R[j1], S.mStarCM.p[j1], R[j2], S.mStarCM.p[j2], b);
}

// ---------------------------------------------------------------- all sets

void mStarCompute(TXLAWindow* pWindow)
{
    if (!pMStarSets || !pMStarPlotA) return;
    if (!mStarCheckDataRange(pWindow)) return;
    mStarClampRanges();
    const float m = fMeniscus, b = fBottom;
    for (int i = 1; i <= nMStarSets; ++i) {
        MStarSetData& S = pMStarSets[i];
        const float B = mStarBaseline(i);
        fillGrid(S.baselineGrid, m, b);
        for (int k = 1; k <= S.baselineLine.n; ++k) S.baselineLine.p[k] = B;
        if (pFitFirstIndex) S.firstIdx = pFitFirstIndex[i] + S.padFront;
        if (pFitLastIndex) S.lastIdx = pFitLastIndex[i];
        S.meniscusIdx = nearestIndex(S, m);
        S.bottomIdx = nearestIndex(S, b);
        fillGrid(S.meniscusGrid, m, meniscusFitRange[2]);
        mStarExtrapolateMeniscus(i);
        S.meniscusMarkX.p[1] = m;
        S.meniscusMarkY.p[1] = S.meniscusSignal + B;
        mStarComputeMStar(i);
        mStarComputeLnC(i);
        mStarFitLnCLine(i);
        mStarComputeMwapp(i);
        fillGrid(S.bottomGrid, bottomFitRange[1], b);
        mStarExtrapolateToBottom(i);
        S.mwAvgMarkX.p[1] = b;
        S.mwAvgMarkY.p[1] = S.mwAvg;
    }
    curveRanges();
    rangePlotB();
    rangePlotC();
    rangePlotD();
    rangePlotA();
    setLabels();
    if (pWindow) pWindow->InvalidateUnlessBatch();
    if (bMStarCMSmoothing) mStarShowCMStatistics(pWindow);
}

// ---------------------------------------------------------------- plot ranges and labels

namespace mstar {

int clampIndex(int k, int n) { return k < 1 ? 1 : (k > n ? n : k); }

void extremes(const MStarColumn& c, int lo, int hi, float* pMin, float* pMax, bool* pbFound)
{
    if (!c.p) return;
    lo = std::max(lo, 1);
    hi = std::min(hi, c.n);
    for (int j = lo; j <= hi; ++j) {
        const float v = c.p[j];
        if (!*pbFound) {
            *pMin = *pMax = v;
            *pbFound = true;
        }
        *pMin = std::min(*pMin, v);
        *pMax = std::max(*pMax, v);
    }
}

void setCurveRange(CWINPlot* p, int k, int first, int last, int nStyle)
{
    if (!p || k < 0 || k >= p->nCurves) return;
    const CCurve* c = p->pCurves[k];
    const int n = (c && c->pX) ? static_cast<int>(c->pX->nSize) : 0;
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    if (first > last) {
        p->SetCurveStyle(k, 0);
        return;
    }
    p->SetCurveStyle(k, nStyle);
    p->SetCurveIndexRange(k, first, last);
}

}  // namespace mstar

namespace {

// The curve's number in the plot, or -1.
int curveNumber(const CWINPlot* p, const CCurve* c)
{
    if (!p || !c) return -1;
    for (int k = 0; k < p->nCurves; ++k)
        if (p->pCurves[k] == c) return k;
    return -1;
}

void rangeOf(CWINPlot* p, const CCurve* c, int first, int last, int nStyle)
{
    setCurveRange(p, curveNumber(p, c), first, last, nStyle);
}

// x range always; y range when there is one.
void applyRanges(CWINPlot* p, float x0, float x1, bool bY, float y0, float y1)
{
    if (!p || p->nCurves <= 0) return;
    if (x1 > x0) p->SetXRange(x0, x1);
    if (bY && y1 > y0)
        p->SetYRange(y0, y1);
    else
        p->bZoomY = 0;
}

}  // namespace

namespace mstar {

void curveRanges()
{
    if (!pMStarSets) return;
    const int hL = nLnCSmoothHalfWidth, h = mwappHalfWidth();
    for (int i = 1; i <= nMStarSets; ++i) {
        const MStarSetData& S = pMStarSets[i];
        const int f = S.firstIdx, l = S.lastIdx;
        const int cm0 = S.meniscusIdx + 1, cm1 = S.bottomIdx - 1;
        rangeOf(pMStarPlotA, S.pCMFitCurve, cm0, cm1, -1);
        rangeOf(pMStarPlotB, S.pMStarCurve, f, l - 1, -1);
        rangeOf(pMStarPlotB, S.pMStarCMCurve, cm0, cm1, -1);
        rangeOf(pMStarPlotC, S.pLnCCurve, f, l - 1, -1);
        rangeOf(pMStarPlotC, S.pLnCSmoothCurve, f + hL, l - hL - 1, -1);
        rangeOf(pMStarPlotC, S.pLnCLineCurve, f, l - 1, 14);
        rangeOf(pMStarPlotC, S.pLnCCMCurve, cm0, cm1, -1);
        rangeOf(pMStarPlotD, S.pMwappCurve, f + h, l - h - 1, -1);
        rangeOf(pMStarPlotD, S.pMwappCMCurve, cm0, cm1, -1);
    }
}

void rangePlotA()
{
    if (!pMStarSets) return;
    float lo = 0, hi = 0;
    bool bFound = false;
    for (int i = 1; i <= nMStarSets; ++i) {
        const MStarSetData& S = pMStarSets[i];
        extremes(S.setSignal, S.meniscusIdx + 2, S.bottomIdx, &lo, &hi, &bFound);
        if (bMStarCMSmoothing) {
            extremes(S.cmFitSignal, S.meniscusIdx + 2, S.lastIdx - 1, &lo, &hi, &bFound);
        } else if (S.meniscusCurve.p) {
            extremes(S.meniscusCurve, 1, 1, &lo, &hi, &bFound);
            extremes(S.meniscusCurve, S.meniscusCurve.n, S.meniscusCurve.n, &lo, &hi, &bFound);
        }
    }
    const float top = hi + 0.05f * (hi - lo);
    const float bottom = lo - 0.05f * (top - lo);
    applyRanges(pMStarPlotA, fMeniscus - 0.01f, fBottom + 0.01f, bFound, bottom, top);
}

void rangePlotB()
{
    if (!pMStarSets) return;
    float lo = 0, hi = 0, fLargestMwavg = 0;
    bool bFound = false;
    for (int i = 1; i <= nMStarSets; ++i) {
        const MStarSetData& S = pMStarSets[i];
        // over the points the M* curve draws (curve points f .. l - 1)
        extremes(S.mStarR, S.firstIdx + 1, S.lastIdx, &lo, &hi, &bFound);
        if (bMStarCMSmoothing)
            extremes(S.mStarCM, S.firstIdx + 1, S.bottomIdx, &lo, &hi, &bFound);
        else if (S.bottomCurve.p)
            extremes(S.bottomCurve, S.bottomCurve.n, S.bottomCurve.n, &lo, &hi, &bFound);
        fLargestMwavg = i == 1 ? S.mwAvg : std::max(fLargestMwavg, S.mwAvg);
    }
    if (!bFound) return;
    // a wild end of the curve does not take the scale away from Mwavg
    const float fCap = 1.5f * fLargestMwavg;
    if (fCap > lo && hi > fCap) hi = fCap;
    if (lo < 0.0f) lo = 0.0f;
    hi += 0.05f * (hi - lo);
    if (lo > 0.0f) lo -= 0.05f * (hi - lo);
    mStarYMin = lo;
    mStarYMax = hi;
    applyRanges(pMStarPlotB, fMeniscus - 0.01f, fBottom + 0.01f, true, lo, hi);
}

void rangePlotC()
{
    if (!pMStarSets) return;
    float lo = 0, hi = 0;
    bool bFound = false;
    for (int i = 1; i <= nMStarSets; ++i) {
        const MStarSetData& S = pMStarSets[i];
        // over the points the ln c curve draws (curve points f .. l - 1)
        extremes(S.lnC, S.firstIdx + 1, S.lastIdx, &lo, &hi, &bFound);
    }
    const float top = hi + 0.05f * (hi - lo);
    const float bottom = lo - 0.05f * (top - lo);
    applyRanges(pMStarPlotC, fMeniscus * fMeniscus, fBottom * fBottom, bFound, bottom, top);
}

void rangePlotD()
{
    if (!pMStarSets) return;
    const int h = mwappHalfWidth();
    float lo = 0, hi = 0, fSignalMax = 0;
    bool bFound = false;
    for (int i = 1; i <= nMStarSets; ++i) {
        const MStarSetData& S = pMStarSets[i];
        // the form of Mwapp the plot shows, over the points its curve draws
        // (curve points f + h .. l - h - 1 are array points f + h + 1 .. l - h)
        extremes(bMwappFromDcDr ? S.mwAppDcDr : S.mwAppR, S.firstIdx + h + 1, S.lastIdx - h, &lo, &hi, &bFound);
        if (S.setSignal.p) fSignalMax = std::max(fSignalMax, S.setSignal.p[clampIndex(S.lastIdx - h - 1, S.nPts)]);
    }
    const float top = hi + 0.3f * (hi - lo);
    const float bottom = lo - 0.3f * (top - lo);
    float x0 = fMeniscus, x1 = fBottom;
    if (bMwappVsSignal && fSignalMax > 0.0f) {
        x0 = 0.0f;
        x1 = 1.1f * fSignalMax;
    }
    applyRanges(pMStarPlotD, x0, x1, bFound, bottom, top);
}

void meniscusCaption(char* sz, int nSize, int i)
{
    const float v = pMStarSets ? pMStarSets[i].meniscusSignal : 0.0f;
    std::snprintf(sz, static_cast<size_t>(nSize), bInterferenceData ? "Ja(%d) = %.4f" : "A0(%d) = %.4f", i, v);
}

void setCaption(int k, const char* sz)
{
    CScreenButton* b = mStarButton(k);
    if (!b) return;
    const int n = static_cast<int>(std::strlen(sz));
    b->SetText(sz, n, sz, n);
    b->Render();
}

void setLabels()
{
    if (!pMStarSets) return;
    const int n = nMStarSets, base = nMStarButtonBase;
    char sz[200];
    for (int i = 1; i <= n; ++i) {
        const MStarSetData& S = pMStarSets[i];
        std::snprintf(sz, sizeof sz, "Mwavg(%d) = %.1f (kDa)", i, S.mwAvg);
        setCaption(base + i, sz);
        if (!bMStarCMSmoothing) {
            std::snprintf(sz, sizeof sz, "linear fit to lnc(r^2)(%d) --> %.1f (kDa)", i, S.mwLnFit);
            setCaption(base + n + i, sz);
        }
        if (bFitRINoise)
            std::snprintf(sz, sizeof sz, "Baseline(%d) = %.4f", i, mStarBaseline(i));
        else
            std::snprintf(sz, sizeof sz, "Baseline = %.4f", fBaseline);
        setCaption(base + 2 * n + i, sz);
        meniscusCaption(sz, sizeof sz, i);
        setCaption(base + 3 * n + i, sz);
    }
}

}  // namespace mstar
