// Nonlinear detection: the transform of data and model and its copies.
//
// What must hold: the data set's signal and fit arrays hold exactly the raw or
// exactly the transformed copies (bTransformedDataShown says which), so
// switching back to the raw scale restores the values as they were, bit for
// bit; a copy is never indexed beyond the scan it was made for; and an edit of
// the data set's values (a tool that subtracts, inverts, mirrors, adds noise
// or model) is the user's: the copies follow it before the next transform
// shows them, never the other way round.
#include "tools/fluorescence/nonlinear_detection.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/power_above.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/fluorescence/fluorescence_options.h"

float** ppRawSignal = nullptr;
float** ppRawFit = nullptr;
float** ppTransSignal = nullptr;
float** ppTransFit = nullptr;
double dAppliedDetectionPower = 1.0;
double dAppliedDetectionBaseline = 0.0;
unsigned char bTransformedDataShown = 0;
float fTransformedRmsd = 0.0f;
float fRawRmsd = 0.0f;
unsigned char bApplyingNonlinearDetection = 0;
unsigned char bSkipNoiseGridRebuild = 0;

namespace {

// The transform rebuilds the noise grid, whose set-up re-applies the
// transform: not while this one runs (it would show the user's choice instead
// of the one asked for).
bool bRebuildingNoiseGrid = false;

// The layout the copies were made for: scans and each scan's point count
// (index 0 unused).
std::vector<int> copyPoints;

int copyScans()
{
    return copyPoints.empty() ? 0 : static_cast<int>(copyPoints.size()) - 1;
}

bool copiesHeld()
{
    return ppRawSignal && ppRawFit && ppTransSignal && ppTransFit;
}

bool slotMatches(int k)
{
    return k <= copyScans() && copyPoints[k] == pScanPoints[k];
}

bool layoutMatches()
{
    if (copyScans() != nScans) return false;
    for (int k = 1; k <= nScans; k++)
        if (!slotMatches(k)) return false;
    return true;
}

void freeSlot(int k)
{
    const int n = copyPoints[k];
    for (float** pp : {ppRawSignal, ppRawFit, ppTransSignal, ppTransFit}) {
        free_vector(pp[k], 1, n);
        pp[k] = nullptr;
    }
    copyPoints[k] = 0;
}

// The exponent of the inverse transform (0 for an exponent that is not positive).
double inversePower(double p)
{
    return p > 0.0 ? 1.0 / p : 0.0;
}

void copyValues(float* pTo, const float* pFrom, int n)
{
    if (pTo && pFrom && n > 0) std::memcpy(pTo + 1, pFrom + 1, sizeof(float) * static_cast<size_t>(n));
}

// A value v of the data set in the scale shown into the raw and the
// transformed copy (exponent p, baseline b).
void takeShownValue(float v, bool bShownTransformed, double p, double b, float* pRaw, float* pTrans)
{
    if (bShownTransformed) {
        *pTrans = v;
        *pRaw = nonlinearDetectionInverse(v, p, b);
    } else {
        *pRaw = v;
        *pTrans = nonlinearDetectionTransform(v, p, b);
    }
}

// New copies of scan k from the values the data set holds, in the scale
// bShownTransformed names; the transformed copies with exponent p and
// baseline b.
void makeSlot(int k, double p, double b, bool bShownTransformed)
{
    const int n = pScanPoints[k];
    copyPoints[k] = n;
    ppRawSignal[k] = vector(1, n);
    ppRawFit[k] = vector(1, n);
    ppTransSignal[k] = vector(1, n);
    ppTransFit[k] = vector(1, n);
    const float* fit = ppFit ? ppFit[k] : nullptr;
    for (int i = 1; i <= n; i++) {
        takeShownValue(ppSignal[k][i], bShownTransformed, p, b, &ppRawSignal[k][i], &ppTransSignal[k][i]);
        takeShownValue(fit ? fit[i] : 0.0f, bShownTransformed, p, b, &ppRawFit[k][i], &ppTransFit[k][i]);
    }
}

// The values of scan k that differ from the copy shown were edited since the
// last transform: the copies take them, each in the scale it was made in.
void followEdits(int k)
{
    const bool bShown = bTransformedDataShown != 0;
    const double p = dAppliedDetectionPower, b = dAppliedDetectionBaseline;
    auto follow = [&](const float* set, float* raw, float* trans) {
        if (!set) return;
        const float* shown = bShown ? trans : raw;
        for (int i = 1; i <= pScanPoints[k]; i++)
            if (!(set[i] == shown[i])) takeShownValue(set[i], bShown, p, b, &raw[i], &trans[i]);
    };
    follow(ppSignal[k], ppRawSignal[k], ppTransSignal[k]);
    follow(ppFit ? ppFit[k] : nullptr, ppRawFit[k], ppTransFit[k]);
}

// Copies held for another layout of the set (scans added or removed, a scan
// of another length): slots that still fit keep their values, the others are
// made anew from the values now in the set, with the exponent and baseline
// already applied: a scan that was there before holds the scale shown (points
// were removed from it), a scan beyond the old ones was just added and holds
// raw values.
void fitCopiesToLayout()
{
    const int nOld = copyScans();
    for (int k = nScans + 1; k <= nOld; k++) freeSlot(k);
    std::vector<int> keep(static_cast<size_t>(nScans) + 1, 0);
    for (int k = 1; k <= nScans && k <= nOld; k++) keep[k] = slotMatches(k) ? 1 : 0;
    auto regrow = [](float**& pp, const std::vector<int>& kept) {
        float** grown = new float*[static_cast<size_t>(nScans) + 1]();
        for (int k = 1; k < static_cast<int>(kept.size()); k++)
            if (kept[k]) grown[k] = pp[k];
        delete[] pp;
        pp = grown;
    };
    for (int k = 1; k <= nScans && k <= nOld; k++)
        if (!keep[k]) freeSlot(k);
    regrow(ppRawSignal, keep);
    regrow(ppRawFit, keep);
    regrow(ppTransSignal, keep);
    regrow(ppTransFit, keep);
    copyPoints.resize(static_cast<size_t>(nScans) + 1, 0);
    for (int k = 1; k <= nScans; k++)
        if (!keep[k])
            makeSlot(k, dAppliedDetectionPower, dAppliedDetectionBaseline, k <= nOld && bTransformedDataShown);
}

void showCopies(float** ppFrom, float** ppFitFrom)
{
    for (int k = 1; k <= nScans; k++) {
        copyValues(ppSignal[k], ppFrom[k], pScanPoints[k]);
        if (ppFit) copyValues(ppFit[k], ppFitFrom[k], pScanPoints[k]);
    }
}

void updateRmsds()
{
    fTransformedRmsd = rmsdOfScanArrays(ppTransSignal, ppTransFit);
    fRawRmsd = rmsdOfScanArrays(ppRawSignal, ppRawFit);
}

}  // namespace

float nonlinearDetectionTransform(float v, double p, double b)
{
    return powerAboveBaseline(v, p, b);
}

float nonlinearDetectionInverse(float v, double p, double b)
{
    return powerAboveBaseline(v, inversePower(p), b);
}

void allocNonlinearDetectionCopies()
{
    freeNonlinearDetectionCopies();
    if (nScans < 1 || !ppSignal) return;
    ppRawSignal = new float*[static_cast<size_t>(nScans) + 1]();
    ppRawFit = new float*[static_cast<size_t>(nScans) + 1]();
    ppTransSignal = new float*[static_cast<size_t>(nScans) + 1]();
    ppTransFit = new float*[static_cast<size_t>(nScans) + 1]();
    copyPoints.assign(static_cast<size_t>(nScans) + 1, 0);
    // Made with exponent 1 and baseline 0: the transformed copies equal the raw ones.
    dAppliedDetectionPower = 1.0;
    dAppliedDetectionBaseline = 0.0;
    for (int k = 1; k <= nScans; k++) makeSlot(k, 1.0, 0.0, false);
    bTransformedDataShown = 0;
}

void freeNonlinearDetectionCopies()
{
    if (ppRawSignal && ppRawFit && ppTransSignal && ppTransFit)
        for (int k = 1; k <= copyScans(); k++) freeSlot(k);
    delete[] ppRawSignal;
    delete[] ppRawFit;
    delete[] ppTransSignal;
    delete[] ppTransFit;
    ppRawSignal = ppRawFit = ppTransSignal = ppTransFit = nullptr;
    copyPoints.clear();
    bTransformedDataShown = 0;
}

bool transformScansNonlinearDetection(double p, double b, bool bShowTransformed)
{
    if (nScans < 1 || !ppSignal || !bNonlinearDetection) return false;
    if (!copiesHeld()) {
        allocNonlinearDetectionCopies();
    } else {
        for (int k = 1; k <= nScans; k++)
            if (slotMatches(k)) followEdits(k);
        if (!layoutMatches()) fitCopiesToLayout();
    }

    if (p != dAppliedDetectionPower || b != dAppliedDetectionBaseline) {
        for (int k = 1; k <= nScans; k++) {
            const float* rs = ppRawSignal[k];
            const float* rf = ppRawFit[k];
            float* ts = ppTransSignal[k];
            float* tf = ppTransFit[k];
            powerAboveBaseline(rs + 1, ts + 1, pScanPoints[k], p, b);
            powerAboveBaseline(rf + 1, tf + 1, pScanPoints[k], p, b);
        }
    }

    bTransformedDataShown = bShowTransformed ? 1 : 0;
    if (bShowTransformed)
        showCopies(ppTransSignal, ppTransFit);
    else
        showCopies(ppRawSignal, ppRawFit);
    updateRmsds();

    if (!bSkipNoiseGridRebuild) {
        struct Mark {
            Mark() { bRebuildingNoiseGrid = true; }
            ~Mark() { bRebuildingNoiseGrid = false; }
        } mark;
        setupNoiseRadialGrid();
    }
    redrawDataPlot(1);
    updateResidualsPlot(1);
    updateResidualsBitmapPlot(1);
    calcRmsd();

    dAppliedDetectionPower = p;
    dAppliedDetectionBaseline = b;
    return true;
}

bool applyNonlinearDetection(double p, double b, bool bShowTransformed)
{
    if (!bNonlinearDetection) return false;
    bApplyingNonlinearDetection = 1;
    transformScansNonlinearDetection(p, b, bShowTransformed);
    bApplyingNonlinearDetection = 0;
    return true;
}

bool refreshNonlinearDetectionCopies()
{
    if (nScans < 1 || !bNonlinearDetection || !ppFit || !ppRawFit || !ppTransFit) return false;
    // Copies of another layout cannot hold this model; the next transform
    // fits them to the set.
    if (!copiesHeld() || !layoutMatches()) return false;
    const double p = dAppliedDetectionPower, b = dAppliedDetectionBaseline;
    for (int k = 1; k <= nScans; k++) {
        const float* f = ppFit[k];
        float* raw = ppRawFit[k];
        float* trans = ppTransFit[k];
        const int n = pScanPoints[k];
        if (bTransformedDataShown) {
            copyValues(trans, f, n);
            powerAboveBaseline(f + 1, raw + 1, n, inversePower(p), b);
        } else {
            copyValues(raw, f, n);
            powerAboveBaseline(f + 1, trans + 1, n, p, b);
        }
    }
    updateRmsds();
    return true;
}

float nonlinearDetectionRawRmsd()
{
    return fRawRmsd;
}

void reapplyNonlinearDetection(bool bRebuildNoiseGrid)
{
    if (nScans < 1 || !bNonlinearDetection || bApplyingNonlinearDetection || bRebuildingNoiseGrid) return;
    if (!bRebuildNoiseGrid) bSkipNoiseGridRebuild = 1;
    transformScansNonlinearDetection(dAppliedDetectionPower, dAppliedDetectionBaseline, bShowTransformedData != 0);
    bSkipNoiseGridRebuild = 0;
}

float rmsdOfScanArrays(float** ppA, float** ppB)
{
    if (!ppA || !ppB || nScans < 1 || !pScanTimeOrder) return 0.0f;
    int nFirst = 1, nLast = nScans;
    fitScanRange(&nFirst, &nLast);
    double dSum = 0.0;
    long nCount = 0;
    for (int pos = nFirst; pos <= nLast; pos++) {
        const int k = pScanTimeOrder[pos];
        const float* a = ppA[k];
        const float* b = ppB[k];
        if (!a || !b) continue;
        const int i0 = pFitFirstIndex ? pFitFirstIndex[k] : 1;
        const int i1 = pFitLastIndex ? pFitLastIndex[k] : pScanPoints[k];
        const int first = i0 < 1 ? 1 : i0, last = i1 < pScanPoints[k] ? i1 : pScanPoints[k];
        if (last < first) continue;
        // four partial sums (a fit evaluates this twice per evaluation)
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        int i = first;
        for (; i + 3 <= last; i += 4) {
            const double d0 = static_cast<double>(a[i]) - b[i], d1 = static_cast<double>(a[i + 1]) - b[i + 1];
            const double d2 = static_cast<double>(a[i + 2]) - b[i + 2], d3 = static_cast<double>(a[i + 3]) - b[i + 3];
            s0 += d0 * d0;
            s1 += d1 * d1;
            s2 += d2 * d2;
            s3 += d3 * d3;
        }
        for (; i <= last; i++) {
            const double d = static_cast<double>(a[i]) - b[i];
            s0 += d * d;
        }
        dSum += (s0 + s1) + (s2 + s3);
        nCount += last - first + 1;
    }
    return nCount > 0 ? static_cast<float>(std::sqrt(dSum / static_cast<double>(nCount))) : 0.0f;
}

float* rawScaleOfScan(int k, bool bFit, std::vector<float>& buffer)
{
    float** ppShown = bFit ? ppFit : ppSignal;
    if (!ppShown || k < 1 || k > nScans) return nullptr;
    float* shown = ppShown[k];
    if (!bTransformedDataShown || !shown) return shown;
    const int n = pScanPoints[k];
    const bool bCopies = copiesHeld() && slotMatches(k);
    const float* raw = bCopies ? (bFit ? ppRawFit : ppRawSignal)[k] : nullptr;
    const float* trans = bCopies ? (bFit ? ppTransFit : ppTransSignal)[k] : nullptr;
    buffer.assign(static_cast<size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; i++)
        buffer[static_cast<size_t>(i)] = raw && shown[i] == trans[i]
                                             ? raw[i]
                                             : nonlinearDetectionInverse(shown[i], dAppliedDetectionPower,
                                                                         dAppliedDetectionBaseline);
    return buffer.data();
}

void switchOffNonlinearDetection(TXLAWindow* pWindow)
{
    // The raw values come back before the option goes off, or they could
    // never come back; copies of a switched-off option would only go stale.
    if (bNonlinearDetection && bTransformedDataShown) {
        bShowTransformedData = 0;
        transformScansNonlinearDetection(dAppliedDetectionPower, dAppliedDetectionBaseline, false);
        if (pWindow) pWindow->InvalidateUnlessBatch();
    }
    freeNonlinearDetectionCopies();
    bShowTransformedData = 0;
    bFitDetectionPower = 0;
    bNonlinearDetection = 0;
}
