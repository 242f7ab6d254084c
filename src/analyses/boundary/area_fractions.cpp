// Extrapolation of ls-g*(s) area fractions against 1/sqrt(t).
//
// The scans, in time order, are cut into sets of a few scans. For each set an
// ls-g*(s) is computed: the amplitudes of sharp, radially diluted boundaries
// (no diffusion) on the s grid, solved non-negatively with regularization
// against the set's scans only. Each set's distribution is divided into n
// fractions of equal area; the s where the cumulative area reaches the middle
// of fraction c, (c - 0.5) A / n, is that fraction's apparent s at the set's
// mean time. Diffusion spreads a boundary as sqrt(t) while sedimentation moves
// it as t, so the apparent s of a fraction is linear in 1/sqrt(t) and its
// intercept at 1/sqrt(t) = 0 is the diffusion-free s. The intercepts, with
// the cumulative values c / (n + 1) of the loading, are the integral
// distribution G(s).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/neq_builders.h"
#include "distributions/neq_rows.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/s_grid.h"
#include "distributions/step_profiles.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/straight_line.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

unsigned char bNonOverlappingSets = 0;
unsigned char bFitBoundaryFractions = 0;
int nVhwFractions = 0;

double dLsgOmega2 = 0.0;
float* pSetTimes = nullptr;
float** ppSetFractionS = nullptr;
int nLsgSets = 0;
float fLoadingConcentration = 0.0f;
float** ppSetLsgDistributions = nullptr;
int nSetLsgDistributions = 0;
float* pSetLsgGrid = nullptr;
CCurve** ppSetLsgCurves = nullptr;
float fLsgMaxS = 0.0f;

float** ppFractionRadius = nullptr;
float** ppModelBoundaryRadius = nullptr;
float** ppFractionS = nullptr;
float* pPlateauHeight = nullptr;
float* pFractionIntercept = nullptr;
float* pFractionSlope = nullptr;

namespace {

// The share of the loading a set's distribution must hold to take part in
// the lines (below it, part of its boundary has left the fitted range).
// Closer to 1 the noise of the areas (a few per cent with noise at 2.5 % of
// the loading) leaves out sets that hold the whole boundary.
constexpr float fSetAreaKept = 0.95f;

// ---------------------------------------------------------------- the fraction block

// One zeroed block: four [scan][fraction] matrices (the fourth unused), the
// plateau heights per scan, intercept and slope per fraction.
struct FractionBlock {
    float* pData = nullptr;
    float** ppRows = nullptr;  // 4 nScans row pointers
    float** ppUnused = nullptr;
    int nFractions = 0;
};
FractionBlock block;

bool allocFractionBlock(int n)
{
    freeAreaFractionArrays();
    const int nS = nScans;
    if (n < 1 || nS < 1) return false;
    const size_t nMatrix = static_cast<size_t>(nS) * static_cast<size_t>(n);
    const size_t nTotal = 4 * nMatrix + static_cast<size_t>(nS) + 2 * static_cast<size_t>(n);
    // one float in front, so that every 1-based view points into the block
    block.pData = new (std::nothrow) float[nTotal + 1]();
    block.ppRows = new (std::nothrow) float*[4 * (static_cast<size_t>(nS) + 1)];
    if (!block.pData || !block.ppRows) {
        delete[] block.pData;
        delete[] block.ppRows;
        block = FractionBlock();
        showErrorMessage("could not allocate arrays, increase memory or take fewer scans", 0);
        return false;
    }
    float* p = block.pData + 1;
    float*** matrices[4] = {&ppFractionRadius, &ppModelBoundaryRadius, &ppFractionS, &block.ppUnused};
    for (int m = 0; m < 4; m++) {
        float** rows = block.ppRows + m * (nS + 1);
        rows[0] = nullptr;
        for (int k = 1; k <= nS; k++, p += n) rows[k] = p - 1;
        *matrices[m] = rows;
    }
    pPlateauHeight = p - 1;
    p += nS;
    pFractionIntercept = p - 1;
    p += n;
    pFractionSlope = p - 1;
    block.nFractions = n;
    return true;
}

// ---------------------------------------------------------------- the set distributions kept for copying

int nSetLsgRows = 0;
int nSetLsgPoints = 0;
CVector* pSetLsgGridVector = nullptr;
CVector** ppSetLsgRowVectors = nullptr;

// The set curves were appended to the distribution plot, which does not own
// them: a plot that still shows them lets them go first.
void removeSetCurvesFromPlot()
{
    if (!pDistPlot || !ppSetLsgCurves) return;
    auto isSetCurve = [](const CCurve* p) {
        for (int k = 1; k <= nSetLsgRows; k++)
            if (ppSetLsgCurves[k] == p) return true;
        return false;
    };
    while (pDistPlot->nCurves > 0 && isSetCurve(pDistPlot->pCurves[pDistPlot->nCurves - 1]))
        pDistPlot->RemoveLastCurve();
}

void freeSetLsgDistributions()
{
    removeSetCurvesFromPlot();
    if (ppSetLsgCurves)
        for (int k = 1; k <= nSetLsgRows; k++) delete ppSetLsgCurves[k];
    if (ppSetLsgRowVectors)
        for (int k = 1; k <= nSetLsgRows; k++) delete ppSetLsgRowVectors[k];
    delete[] ppSetLsgCurves;
    delete[] ppSetLsgRowVectors;
    delete pSetLsgGridVector;
    ppSetLsgCurves = nullptr;
    ppSetLsgRowVectors = nullptr;
    pSetLsgGridVector = nullptr;
    if (ppSetLsgDistributions) free_matrix(ppSetLsgDistributions, 1, nSetLsgRows, 1, nSetLsgPoints);
    free_vector(pSetLsgGrid, 1, nSetLsgPoints);
    ppSetLsgDistributions = nullptr;
    pSetLsgGrid = nullptr;
    nSetLsgRows = nSetLsgPoints = 0;
    nSetLsgDistributions = 0;
}

// Rows for every scan (the most sets there can be), the grid copy, and one
// curve per row on views of the grid copy and the row.
void allocSetLsgDistributions(int nRows, int nPoints)
{
    freeSetLsgDistributions();
    nSetLsgRows = nRows;
    nSetLsgPoints = nPoints;
    ppSetLsgDistributions = matrix(1, nRows, 1, nPoints);
    pSetLsgGrid = vector(1, nPoints);
    for (int j = 1; j <= nPoints; j++) pSetLsgGrid[j] = pDistAxisS[j];
    pSetLsgGridVector = new CVector();
    pSetLsgGridVector->Attach(pSetLsgGrid, static_cast<unsigned>(nPoints), 1);
    ppSetLsgRowVectors = new CVector*[nRows + 1]();
    ppSetLsgCurves = new CCurve*[nRows + 1]();
    for (int k = 1; k <= nRows; k++) {
        ppSetLsgRowVectors[k] = new CVector();
        ppSetLsgRowVectors[k]->Attach(ppSetLsgDistributions[k], static_cast<unsigned>(nPoints), 1);
        ppSetLsgCurves[k] = new CCurve(pSetLsgGridVector, ppSetLsgRowVectors[k]);
    }
    nSetLsgDistributions = 0;
}

// ---------------------------------------------------------------- run-time arrays

// Fractions of ppSetFractionS as allocated.
int nSetFractionColumns = 0;

void freeSetArrays()
{
    free_vector(pSetTimes, 1, nLsgSets);
    if (ppSetFractionS) free_matrix(ppSetFractionS, 1, nLsgSets, 1, nSetFractionColumns);
    pSetTimes = nullptr;
    ppSetFractionS = nullptr;
    nSetFractionColumns = 0;
}

// The end of a run that stops early: nothing of the run stays but the sets
// computed so far.
bool abandonRun()
{
    freeSetArrays();
    nLsgSets = 0;
    freeAreaFractionArrays();
    return false;
}

// Time-order positions of the scans of set k.
void setScans(int k, int n, int* pFirst, int* pLast)
{
    *pFirst = bNonOverlappingSets ? (k - 1) * n + 1 : k;
    *pLast = *pFirst + n - 1;
}

// The mean time of the scans of set k (n scans per set).
float setMeanTime(int k, int n)
{
    int nFirst = 0, nLast = 0;
    setScans(k, n, &nFirst, &nLast);
    double dTime = 0.0;
    for (int pos = nFirst; pos <= nLast; pos++) dTime += pScanHeaders[pScanTimeOrder[pos]].time;
    return static_cast<float>(dTime / n);
}

// Whether the sets' 1/sqrt(t) spread enough for the lines of the fractions.
bool setTimesSpread(int nSets, int n)
{
    std::vector<float> x(static_cast<size_t>(nSets) + 1);
    for (int k = 1; k <= nSets; k++) x[k] = 1.0f / std::sqrt(setMeanTime(k, n));
    return abscissaeSpread(x.data(), nSets);
}

// The scans (by index) of a set, for the builders.
std::vector<int> scansOfSet(int nFirst, int nLast)
{
    std::vector<int> v;
    for (int pos = nFirst; pos <= nLast; pos++) v.push_back(pScanTimeOrder[pos]);
    return v;
}

void buildSetNEFor(ENoiseModel model, int nFirst, int nLast)
{
    CNERowJob job = makeNERowJob(model);
    job.n = nResolution;
    job.nGridOffset = 0;
    job.scans = scansOfSet(nFirst, nLast);
    job.dBaseline = 0.0;  // the data as they are: the baseline is a grid point of s = 0
    buildNormalEquationsOfJob(job);
}

bool keyStopsFit()
{
    if (keyPressed()) bStopFit = 1;
    return bStopFit != 0;
}

void tellSetTimesDoNotSpread(TXLAWindow* pWindow)
{
    win::MessageBox(pWindow->HWindow,
                    "the mean times of the sets do not spread (or are not above 0): no line against 1/sqrt(t) can "
                    "be extrapolated",
                    "", win::MB_OK);
}

// The loading the sets show: the median area of the sets that hold at least
// half the largest (a set of noise fitted as signal can hold a few per cent
// more than the rest); 0 when no set has area.
float loadingOfSets(const std::vector<float>& areas, int nSets)
{
    float fLargest = 0.0f;
    for (int k = 1; k <= nSets; k++)
        if (areas[k] > fLargest) fLargest = areas[k];
    std::vector<float> upper;
    for (int k = 1; k <= nSets; k++)
        if (areas[k] >= 0.5f * fLargest) upper.push_back(areas[k]);
    if (upper.empty() || !(fLargest > 0.0f)) return 0.0f;
    std::sort(upper.begin(), upper.end());
    const size_t m = upper.size();
    return m % 2 ? upper[m / 2] : 0.5f * (upper[m / 2 - 1] + upper[m / 2]);
}

// Moves the sets whose distribution holds the loading (areas[1..*pnSets],
// moved along) to the front of pSetTimes and ppSetFractionS and counts them
// in *pnSets; says which sets were left out. False, after saying so, when
// fewer than two remain.
//
// The ls-g*(s) of a set whose boundaries all lie inside the fitted range has
// the loading as its area (the sharp boundaries are radially diluted), the
// same in every such set. A set in whose scans part of a boundary has left
// the range misses that part, the fastest: its fractions all come out low
// and pull the lines down (a 7 S boundary leaving a range that ends at 7.1
// cm gave intercepts of 5.0-6.4 S). Such a set holds less than the loading
// the other sets show; it takes no part, nor does a set of no signal.
bool keepSetsWithLoading(TXLAWindow* pWindow, std::vector<float>& areas, int nPerSet, int* pnSets)
{
    const int nSets = *pnSets;
    const float fLoading = loadingOfSets(areas, nSets);
    std::string left;
    int nKept = 0;
    for (int k = 1; k <= nSets; k++) {
        if (fLoading > 0.0f && areas[k] >= fSetAreaKept * fLoading) {
            nKept++;
            areas[nKept] = areas[k];
            pSetTimes[nKept] = pSetTimes[k];
            for (int c = 1; c <= nBoundaryFractions; c++) ppSetFractionS[nKept][c] = ppSetFractionS[k][c];
            continue;
        }
        int nFirst = 0, nLast = 0;
        setScans(k, nPerSet, &nFirst, &nLast);
        char sz[120];
        if (fLoading > 0.0f && areas[k] > 0.0f)
            std::snprintf(sz, sizeof sz, "%sset %d (scans %d to %d: %.1f %%)", left.empty() ? "" : ", ", k, nFirst,
                          nLast, 100.0 * areas[k] / fLoading);
        else
            std::snprintf(sz, sizeof sz, "%sset %d (scans %d to %d)", left.empty() ? "" : ", ", k, nFirst, nLast);
        left += sz;
    }
    *pnSets = nKept;
    if (left.empty()) return true;
    char szShare[160];
    std::snprintf(szShare, sizeof szShare, " (less than %.0f %% of the loading the other sets hold, %.4f)",
                  100.0 * fSetAreaKept, fLoading);
    std::string text = "no signal, or a boundary that has left the fitted range, in the ls-g*(s) distribution of " +
                       left + (fLoading > 0.0f ? szShare : "") + ":\nleft out of the extrapolation versus time";
    if (nKept < 2) text += "\nfewer than two sets remain: no extrapolation is possible";
    win::MessageBox(pWindow->HWindow, text.c_str(), "", win::MB_OK);
    return nKept >= 2;
}

void showSetDistribution(TXLAWindow* pWindow, int k)
{
    if (!pDistPlot || !ppSetLsgCurves || k > nSetLsgRows) return;
    pDistPlot->AddCurve(ppSetLsgCurves[k]);
    pDistPlot->SetCurveColor(pDistPlot->nCurves - 1, win::RGB(0, 0, 0));
    pDistPlot->Rescale();
    if (pWindow && pWindow->HWindow && !bBatchMode && pDistPlot->Draw())
        playIntoClientArea(pWindow, pDistPlot->hMetaFile);
}

}  // namespace

// ---------------------------------------------------------------- the fraction arrays

bool allocAreaFractionArrays(int n) { return allocFractionBlock(n); }

bool allocVhwArrays() { return allocFractionBlock(nVhwFractions); }

void freeAreaFractionArrays()
{
    delete[] block.pData;
    delete[] block.ppRows;
    block = FractionBlock();
    ppFractionRadius = ppModelBoundaryRadius = ppFractionS = nullptr;
    pPlateauHeight = pFractionIntercept = pFractionSlope = nullptr;
}

void freeVhwArrays() { freeAreaFractionArrays(); }

int fractionArrayFractions() { return block.nFractions; }

// ---------------------------------------------------------------- piecewise-linear integrals

float integratePiecewiseLinear(const float* x, const float* y, float a, float b, int n)
{
    if (a > b) return -integratePiecewiseLinear(x, y, b, a, n);
    if (n < 2 || a >= x[n] || b <= x[1] || a == b) return 0.0f;
    if (a < x[1]) a = x[1];
    if (b > x[n]) b = x[n];
    // the intervals [x_i, x_i+1] that hold a and b
    int ia = 1;
    while (ia < n - 1 && x[ia + 1] <= a) ia++;
    int ib = ia;
    while (ib < n - 1 && x[ib + 1] < b) ib++;
    auto at = [&](int i, float v) {
        const float dx = x[i + 1] - x[i];
        return dx != 0.0f ? y[i] + (y[i + 1] - y[i]) * (v - x[i]) / dx : y[i];
    };
    const float ya = at(ia, a), yb = at(ib, b);
    if (ia == ib) return 0.5f * (ya + yb) * (b - a);
    float fSum = 0.5f * (ya + y[ia + 1]) * (x[ia + 1] - a);
    for (int i = ia + 1; i < ib; i++) fSum += 0.5f * (y[i] + y[i + 1]) * (x[i + 1] - x[i]);
    fSum += 0.5f * (y[ib] + yb) * (b - x[ib]);
    return fSum;
}

float invertPiecewiseLinearIntegral(float fTarget, const float* x, const float* y, float fLower, float fStart, int n)
{
    if (n < 1) return 0.0f;
    int i = 1;
    while (i <= n && x[i] < fStart) i++;
    for (; i <= n; i++)
        if (integratePiecewiseLinear(x, y, fLower, x[i], n) > fTarget) break;
    if (i > n) return x[n];
    // the interval [x_i, x_i+1] in which the integral passes the target
    i--;
    if (i < 1) return x[1];
    const float R = fTarget - integratePiecewiseLinear(x, y, fLower, x[i], n);
    if (!(R > 0.0f)) return x[i];
    const float m = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    // The root d of y_i d + m d^2 / 2 = R, in the form that is exact for a
    // flat segment (m = 0: d = R / y_i) and free of cancellation for small m.
    // The interval holds more than R of area, so the root lies inside it.
    const float q = y[i] * y[i] + 2.0f * m * R;
    const float d = 2.0f * R / (y[i] + std::sqrt(q > 0.0f ? q : 0.0f));
    if (!std::isfinite(d)) return x[i + 1];
    return x[i] + d;
}

// ---------------------------------------------------------------- the set normal equations

void buildSetNE(int nFirst, int nLast) { buildSetNEFor(ENoiseModel::Plain, nFirst, nLast); }
void buildSetNEBaseline(int nFirst, int nLast) { buildSetNEFor(ENoiseModel::Baseline, nFirst, nLast); }
void buildSetNETiNoise(int nFirst, int nLast) { buildSetNEFor(ENoiseModel::TI, nFirst, nLast); }
void buildSetNERiNoise(int nFirst, int nLast) { buildSetNEFor(ENoiseModel::RI, nFirst, nLast); }
void buildSetNETiRiNoise(int nFirst, int nLast) { buildSetNEFor(ENoiseModel::TIRI, nFirst, nLast); }

// ---------------------------------------------------------------- one set

bool calcSetLsgDistribution(int nFirst, int nLast)
{
    if (keyStopsFit()) return false;
    const int n = nResolution;
    // 2. unit sharp boundaries of every grid s at the set's scan times
    for (int j = 1; j <= n; j++) {
        dAreaFractionS = dLsgOmega2 * pDistAxisS[j] * 1e-13;
        for (int pos = nFirst; pos <= nLast; pos++) {
            const int k = pScanTimeOrder[pos];
            stepFunctionProfile(1.0f, pScanHeaders[k].time, pNoiseGrid, pLammSolutions[j][k], nNoiseGridPoints);
        }
    }
    // 3.
    if (!bFitTINoise) {
        if (bFitRINoise)
            buildSetNERiNoise(nFirst, nLast);
        else if (bAlgebraicBaseline)
            buildSetNEBaseline(nFirst, nLast);
        else
            buildSetNE(nFirst, nLast);
    } else if (bFitRINoise) {
        buildSetNETiRiNoise(nFirst, nLast);
    } else {
        buildSetNETiNoise(nFirst, nLast);
    }
    // the builder polls the keys per scan; a key it saw stops the run too
    if (bInterruptComputation.load()) {
        bInterruptComputation = 0;
        bStopFit = 1;
        return false;
    }
    // 4.
    nNEQSize = n;
    regularizeDistribution();
    if (keyStopsFit()) return false;
    // 5. grid s beyond the fit range in the set's first scan cannot be seen
    const double tFirst = pScanHeaders[pScanTimeOrder[nFirst]].time;
    fLsgMaxS = static_cast<float>(std::log(pNoiseGrid[nNoiseGridLast] / fMeniscus) * 1e13 / (dLsgOmega2 * tFirst));
    for (int j = 1; j <= n; j++)
        pDistValues[j] = pDistAxisS[j] > fLsgMaxS ? 0.0f : static_cast<float>(pNESolution[j]);
    // 6. the area becomes the summed amplitudes; a distribution of no area
    // stays 0 everywhere
    float S = 0.0f, T = 0.0f;
    for (int j = 1; j <= n; j++) S += pDistValues[j];
    for (int j = 1; j < n; j++) T += 0.5f * (pDistValues[j] + pDistValues[j + 1]) * (pDistAxisS[j + 1] - pDistAxisS[j]);
    const float f = S / T;
    if (T != 0.0f && std::isfinite(f))
        for (int j = 1; j <= n; j++) pDistValues[j] *= f;
    return true;
}

float calcBoundaryFractionS(int k)
{
    const int n = nResolution;
    const float* x = pDistAxisS;
    const float A = integratePiecewiseLinear(x, pDistValues, x[1], x[n], n);
    const int nFr = nBoundaryFractions;
    for (int c = 1; c <= nFr; c++) {
        const float fTarget = (static_cast<float>(c) - 0.5f) * A / static_cast<float>(nFr);
        ppSetFractionS[k][c] = invertPiecewiseLinearIntegral(fTarget, x, pDistValues, x[1], x[1], n);
    }
    return A;
}

// ---------------------------------------------------------------- the run

bool runAreaFractionExtrapolation(TXLAWindow* pWindow)
{
    // 1.
    bStopFit = 0;
    bInterruptComputation = 0;
    if (!pWindow || nScans < 1) return false;
    // 2.
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        win::MessageBox(pWindow->HWindow, "set Meniscus and Bottom first", "", win::MB_OK);
        return false;
    }
    // 3.
    if (fFitLeftLim == 0.0f) {
        fFitLeftLim = fMeniscus;
        updateLeftFitLimit();
    }
    if (fFitRightLim == 0.0f) {
        fFitRightLim = fBottom;
        updateRightFitLimit();
    }
    paramVectorToGlobals();
    // Sets of fewer than 2 scans are taken as 2; a line needs two sets, and
    // the fractions a count of at least one.
    if (nScansPerLsgSet < 2) nScansPerLsgSet = 2;
    const int nPerSet = nScansPerLsgSet;
    int nSets = bNonOverlappingSets ? nScans / nPerSet : nScans - nPerSet + 1;
    if (nSets < 2 || nBoundaryFractions < 1) {
        char sz[200];
        if (nBoundaryFractions < 1)
            std::snprintf(sz, sizeof sz, "the number of boundary fractions must be at least 1");
        else
            std::snprintf(sz, sizeof sz,
                          "%d scans in sets of %d give fewer than two sets: no extrapolation versus time is possible",
                          nScans, nPerSet);
        win::MessageBox(pWindow->HWindow, sz, "", win::MB_OK);
        return false;
    }
    if (!setTimesSpread(nSets, nPerSet)) {
        tellSetTimesDoNotSpread(pWindow);
        return false;
    }
    // 4.
    const int nLast = nScans;
    const double dOmega = omegaOfRpm(pScanHeaders[nLast].rpm);
    dLsgOmega2 = dOmega * dOmega;
    bModelLsgs = 1;
    nResolution = static_cast<int>(std::floor(fSGridResolution));
    if (!setupSGrid()) return false;
    if (!allocAreaFractionArrays(nBoundaryFractions)) return false;
    // 5.
    allocSetLsgDistributions(nScans, nResolution);
    const int n = nBoundaryFractions;
    nLsgSets = nSets;
    ppSetFractionS = matrix(1, nSets, 1, n);
    nSetFractionColumns = n;
    pSetTimes = vector(1, nSets);
    fLoadingConcentration = 0.0f;
    // 6.
    std::vector<float> areas(static_cast<size_t>(nSets) + 1, 0.0f);
    for (int k = 1; k <= nSets; k++) {
        if (bStopFit) return abandonRun();
        int nFirst = 0, nLastPos = 0;
        setScans(k, nPerSet, &nFirst, &nLastPos);
        pSetTimes[k] = setMeanTime(k, nPerSet);
        if (!calcSetLsgDistribution(nFirst, nLastPos)) return abandonRun();
        nSetLsgDistributions = k;
        for (int j = 1; j <= nResolution; j++) ppSetLsgDistributions[k][j] = pDistValues[j];
        showSetDistribution(pWindow, k);
        areas[k] = calcBoundaryFractionS(k);
    }
    // A set whose distribution misses part of the loading (or all of it: its
    // fractions would all sit at the end of the grid) takes no part.
    if (!keepSetsWithLoading(pWindow, areas, nPerSet, &nSets)) return abandonRun();
    // 7.
    for (int k = 1; k <= nSets; k++) fLoadingConcentration += areas[k];
    fLoadingConcentration /= static_cast<float>(nSets);
    // 8.
    float* x = vector(1, nSets);
    float* y = vector(1, nSets);
    for (int k = 1; k <= nSets; k++) x[k] = 1.0f / std::sqrt(pSetTimes[k]);
    bool bLines = true;
    for (int c = 1; c <= n; c++) {
        for (int k = 1; k <= nSets; k++) y[k] = ppSetFractionS[k][c];
        if (fitStraightLine(&pFractionIntercept[c], &pFractionSlope[c], x, y, nSets) < 0.0f) bLines = false;
    }
    free_vector(x, 1, nSets);
    free_vector(y, 1, nSets);
    // the sets left after those without area may no longer spread
    if (!bLines) {
        tellSetTimesDoNotSpread(pWindow);
        return abandonRun();
    }
    // 9.
    for (int j = 1; j <= nResolution; j++) pDistAxisS[j] = pDistValues[j] = 0.0f;
    if (pDistPlot) {
        pDistPlot->SetCurveStyle(0, 6);
        pDistPlot->nSymbolSize = 3;
        nErrorBarCapWidth = static_cast<int>(std::floor(1.5 * 3));
    }
    // 10.
    if (bFitBoundaryFractions)
        fitAreaFractionExtrapolation(pWindow);
    else
        calcSvsTime(pFractionSlope, pFractionIntercept);
    // 11.
    if (bShowExtrapolationPlot) {
        bAreaFractionResults = 1;
        plotAreaFractionResults(pSetTimes, ppSetFractionS, nSets, pFractionIntercept, pFractionSlope);
    }
    // 12. G(s): the intercepts with c / (n + 1) of the loading
    freeSetArrays();
    nLsgSets = 0;
    const int nShown = n < nResolution ? n : nResolution;
    for (int c = 1; c <= nShown; c++) {
        pDistAxisS[c] = pFractionIntercept[c];
        pDistValues[c] = static_cast<float>(c) * fLoadingConcentration / static_cast<float>(n + 1);
    }
    for (int j = nShown + 1; j <= nResolution; j++) {
        pDistAxisS[j] = pDistAxisS[nShown];
        pDistValues[j] = pDistValues[nShown];
    }
    // 13.
    freeAreaFractionArrays();
    bModelComputed = 1;
    if (pDistPlot) {
        pDistPlot->Rescale();
        pDistPlot->Draw();
    }
    pWindow->InvalidateUnlessBatch();
    return true;
}

// ---------------------------------------------------------------- release

void freeBoundaryAnalyses()
{
    clearExtrapolationResults();
    freeSetArrays();
    nLsgSets = 0;
    freeSetLsgDistributions();
    freeAreaFractionArrays();
}
