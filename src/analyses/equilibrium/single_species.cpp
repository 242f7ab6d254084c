// Single-species sedimentation equilibrium: the kernels, the normal equations
// with TI and RI noise eliminated (RI noise alone where the scans cannot tell
// TI noise from the species), the model curves and the restarted simplex of
// the fit.
#include "analyses/equilibrium/single_species.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "app/xla_window.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/regularization.h"
#include "distributions/solver_output.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/interpolate_grid.h"
#include "numerics/nrutil.h"
#include "numerics/physical_constants.h"
#include "numerics/random.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

double dBuoyantMolarMass = 0.0;
double dEqReferenceRadius = 0.0;
double dEqRpm = 0.0;
double dEqTemperature = 0.0;
unsigned char bEquilibriumInFit = 0;

namespace {

// Start spread of the simplex vertices and the simplex's own tolerance.
constexpr float fVertexSpread = 0.05f;
constexpr float fSimplexTolerance = 0.005f;
constexpr float fFailedRmsd = 1e10f;

// Points of the fit window on the noise grid; 0 without a grid.
int windowPoints()
{
    if (!pNoiseGrid || nNoiseGridPoints < 1) return 0;
    return std::max(0, nNoiseGridLast - nNoiseGridFirst + 1);
}

// The kernel of scan i on the noise grid (the store's diagonal).
float* kernelOf(int i) { return pLammSolutions[i][i]; }

// Said by Run and once by Fit when the scans determine no TI noise.
void tellTINoiseLeftOut(TXLAWindow* pWindow)
{
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "the rotor speeds and temperatures of the scans differ too little (the exponents of their kernels "
                  "spread by %.2f %%, %.0f %% are needed): the time-invariant noise cannot be told from the species "
                  "and is left out (radial-invariant noise only)",
                  100.0 * equilibriumExponentSpread(), 100.0 * dEqTINoiseMinSpread);
    win::MessageBox(pWindow ? pWindow->HWindow : nullptr, sz, "ATTENTION", win::MB_OK);
}

// The straight line through (r1, v1) and (r2, v2) at r.
float lineAt(float r, float r1, float v1, float r2, float v2)
{
    if (r2 == r1) return v1;
    return v1 + (r - r1) * (v2 - v1) / (r2 - r1);
}

}  // namespace

double equilibriumExponential(double r, double dMb, double dRpm, double dTemperature, double r0)
{
    const double dPi = 3.14159265358979f;  // single precision, as the formula has it
    const double omega = 2.0 * dPi * dRpm / 60.0;
    return std::exp(dMb * omega * omega * (r * r - r0 * r0) / (2.0 * kGasConstant2006 * (dTemperature + kZeroCelsius)));
}

double equilibriumBuoyantMass(double dTemperature)
{
    if (bUseMolarMass) return static_cast<double>(pSpeciesMw[1]) * (1.0 - static_cast<double>(fVbarRho));
    // D is kept in units of 1e-7 cm^2/s
    const double dD = static_cast<double>(pSpeciesMw[1]) * 1e-7;
    if (!(dD > 0.0)) return 0.0;
    return static_cast<double>(pSpeciesS[1]) * 1e-13 * kGasConstant * (dTemperature + kZeroCelsius) / dD;
}

// Measured on two scans of 50000 g/mol with a TI profile and noise
// (docs/analyses.md): a fit with TI noise returned its start at spreads up to
// 7.5 %; 15000 and 16000 rpm (12 %) recovered M.
double dEqTINoiseMinSpread = 0.10;

double equilibriumExponentSpread()
{
    double dLeast = 0.0, dMost = 0.0;
    for (int k = 1; k <= nScans; ++k) {
        const double dOmega = omegaOfRpm(pScanHeaders[k].rpm);
        double e = dOmega * dOmega;
        if (bUseMolarMass) e /= pScanHeaders[k].temperature + kZeroCelsius;
        if (k == 1 || e < dLeast) dLeast = e;
        if (k == 1 || e > dMost) dMost = e;
    }
    return dMost > 0.0 ? (dMost - dLeast) / dMost : 0.0;
}

bool equilibriumTINoiseDetermined()
{
    return equilibriumExponentSpread() >= dEqTINoiseMinSpread;
}

bool allocEquilibriumArrays()
{
    if (!allocLammSolutionStore(nScans, nScans, nNoiseGridPoints)) {
        showErrorMessage("could not allocate arrays, increase memory or take fewer scans", 0);
        return false;
    }
    if (!allocNormalArrays(nScans, nScans, nNoiseGridPoints)) {
        freeLammSolutionStore(nScans);
        return false;
    }
    return true;
}

void buildEquilibriumNE()
{
    const int N = nScans, f = nNoiseGridFirst, l = nNoiseGridLast, W = windowPoints(), G = nNoiseGridPoints;
    if (N < 1 || W < 1) return;
    // the solver works on one amplitude per scan, nothing folded in
    nNEQSize = N;
    bBufferMismatchInNEQ = 0;

    // means of the data per scan over the window, over everything, and per
    // grid point over the scans (the whole grid)
    double dGrand = 0.0;
    for (int s = 1; s <= N; ++s) {
        double d = 0.0;
        for (int p = f; p <= l; ++p) d += ppScanOnNoiseGrid[s][p];
        pNEMeanDataRI[s] = d / W;
        dGrand += d;
    }
    dGrand /= static_cast<double>(W) * N;
    fNEMeanData = dGrand;
    for (int p = 1; p <= G; ++p) {
        double d = 0.0;
        for (int s = 1; s <= N; ++s) d += ppScanOnNoiseGrid[s][p];
        pNEMeanDataTI[p] = d / N;
    }
    // the kernels centred over the window, the data centred over the window
    // and, with TI noise, over the scans as well
    const bool bTI = bFitTINoise != 0;
    std::vector<double> kc(static_cast<size_t>(N) * W), yc(static_cast<size_t>(N) * W), ybar(W, 0.0);
    for (int i = 1; i <= N; ++i) {
        const float* K = kernelOf(i);
        double d = 0.0;
        for (int p = f; p <= l; ++p) d += K[p];
        const double dMean = d / W;
        pNEMeanBasisRI[i][i] = dMean;
        double* k = &kc[static_cast<size_t>(i - 1) * W];
        double* y = &yc[static_cast<size_t>(i - 1) * W];
        for (int q = 0; q < W; ++q) {
            const int p = f + q;
            k[q] = K[p] - dMean;
            y[q] = ppScanOnNoiseGrid[i][p] - pNEMeanDataRI[i] + (bTI ? dGrand - pNEMeanDataTI[p] : 0.0);
            if (bTI) ybar[q] += y[q];
        }
    }
    for (double& d : ybar) d /= N;
    // With TI noise the kernel of amplitude i seen in scan s is
    // (delta_si - 1/N) Kc_i, so A_ij = (delta_ij - 1/N) sum_p Kc_i(p) Kc_j(p)
    // and b_i = sum_p Kc_i(p) (yc(i, p) - mean over s of yc(s, p)); without
    // it the kernel is delta_si Kc_i, A diagonal and the mean term 0.
    double dSumSquares = 0.0;
    for (int i = 1; i <= N; ++i) {
        const double* ki = &kc[static_cast<size_t>(i - 1) * W];
        const double* yi = &yc[static_cast<size_t>(i - 1) * W];
        double b = 0.0;
        for (int q = 0; q < W; ++q) {
            b += ki[q] * (yi[q] - ybar[q]);
            dSumSquares += yi[q] * yi[q];
        }
        pNERightSide[i] = b;
        for (int j = i; j <= N; ++j) {
            const double* kj = &kc[static_cast<size_t>(j - 1) * W];
            double g = 0.0;
            for (int q = 0; q < W; ++q) g += ki[q] * kj[q];
            const double a = ((i == j ? 1.0 : 0.0) - (bTI ? 1.0 / N : 0.0)) * g;
            pNEMatrix[i][j] = pNEMatrix[j][i] = a;
            pNEWork[i][j] = pNEWork[j][i] = a;
        }
    }
    dSumSquaredData = dSumSquares;
}

double equilibriumChiSquare()
{
    const int N = nScans;
    double chi2 = dSumSquaredData;
    for (int i = 1; i <= N; ++i) chi2 -= 2.0 * pNESolution[i] * pNERightSide[i];
    for (int i = 1; i <= N; ++i) {
        double d = 0.0;
        for (int j = 1; j <= N; ++j) d += pNEWork[i][j] * pNESolution[j];
        chi2 += pNESolution[i] * d;
    }
    // a perfect fit can come out a rounding error below 0
    return std::max(chi2, 0.0);
}

float equilibriumRmsd()
{
    const double dCount = static_cast<double>(windowPoints()) * nScans;
    return dCount > 0.0 ? static_cast<float>(std::sqrt(equilibriumChiSquare() / dCount)) : fFailedRmsd;
}

void buildEquilibriumModel()
{
    const int N = nScans, f = nNoiseGridFirst, l = nNoiseGridLast, G = nNoiseGridPoints;
    if (N < 1 || windowPoints() < 1) return;
    if (pParamValue) pParamValue[15] = 0.0f;
    fBaseline = 0.0f;
    for (int i = 1; i <= N; ++i)
        pRINoiseSaved[i] = static_cast<float>(pNEMeanDataRI[i] - pNESolution[i] * pNEMeanBasisRI[i][i]);
    for (int p = 1; p <= G; ++p) {
        double d = 0.0;
        for (int i = 1; i <= N; ++i) d += pNESolution[i] * (kernelOf(i)[p] - pNEMeanBasisRI[i][i]);
        pTINoiseSaved[p] = bFitTINoise ? static_cast<float>(pNEMeanDataTI[p] - fNEMeanData - d / N) : 0.0f;
    }
    // the two grid points on either side of the window, where there are
    // such, on the straight line of the two window points next to them
    const float* r = pNoiseGrid;
    float* ti = pTINoiseSaved;
    if (l > f) {
        for (int p = f - 1; p >= f - 2 && p >= 1; --p) ti[p] = lineAt(r[p], r[f], ti[f], r[f + 1], ti[f + 1]);
        for (int p = l + 1; p <= l + 2 && p <= G; ++p) ti[p] = lineAt(r[p], r[l - 1], ti[l - 1], r[l], ti[l]);
    } else {
        for (int p = f - 2; p <= l + 2; ++p)
            if (p >= 1 && p <= G && p != f) ti[p] = ti[f];
    }
    for (int t = 1; t <= N; ++t) {
        const int s = pScanTimeOrder[t];
        const int n = pScanPoints[s];
        std::fill(ppFit[s] + 1, ppFit[s] + n + 1, 0.0f);
        std::fill(ppModelPart[s] + 1, ppModelPart[s] + n + 1, 0.0f);
        interpolateOnGrid(n, ppRadius[s], ppFit[s], G, pNoiseGrid, pTINoiseSaved);
        interpolateOnGrid(n, ppRadius[s], ppModelPart[s], G, pNoiseGrid, kernelOf(s));
        const float c = static_cast<float>(pNESolution[s]);
        for (int k = 1; k <= n; ++k) ppFit[s][k] += pRINoiseSaved[s] + c * ppModelPart[s][k];
    }
}

void applyEquilibriumResult()
{
    buildEquilibriumModel();
    freeLammSolutionStore(nScans);
    freeNormalArrays(nScans);
    // the scans' amplitudes were the solver's variables; the distribution's
    // length is that of its vectors again (none after the change of model)
    nResolution = allocatedDistributionPoints();
    bModelComputed = 1;
    updateResidualsPlot(0);
}

void runEquilibriumSingleSpecies(TXLAWindow* pWindow)
{
    if (nScans < 1) return;
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        win::MessageBox(pWindow ? pWindow->HWindow : nullptr, "set Meniscus and Bottom first", "", win::MB_OK);
        return;
    }
    fSGridResolution = static_cast<float>(nScans);
    nResolution = nScans;
    if (fFitLeftLim == 0.0f) {
        fFitLeftLim = fMeniscus;
        updateLeftFitLimit();
    }
    if (fFitRightLim == 0.0f) {
        fFitRightLim = fBottom;
        updateRightFitLimit();
    }
    if (!bEquilibriumInFit) {
        if (!allocEquilibriumArrays()) return;
        paramVectorToGlobals();
    }
    if (!pLammSolutions || !pNEWork) return;

    // one kernel per scan at its own speed and temperature, over the window
    // and one grid point beyond it on each side
    dEqReferenceRadius = fMeniscus + (fBottom - fMeniscus) / 2.0;
    const int nFirst = nNoiseGridFirst > 1 ? nNoiseGridFirst - 1 : nNoiseGridFirst;
    const int nLast = nNoiseGridLast < nNoiseGridPoints ? nNoiseGridLast + 1 : nNoiseGridLast;
    bool bKernelsFinite = true;
    for (int i = 1; i <= nScans; ++i) {
        dEqRpm = pScanHeaders[i].rpm;
        dEqTemperature = pScanHeaders[i].temperature;
        dBuoyantMolarMass = equilibriumBuoyantMass(dEqTemperature);
        float* K = kernelOf(i);
        for (int p = std::max(nFirst, 1); p <= nLast; ++p) {
            K[p] = static_cast<float>(
                equilibriumExponential(pNoiseGrid[p], dBuoyantMolarMass, dEqRpm, dEqTemperature, dEqReferenceRadius));
            if (!std::isfinite(K[p])) bKernelsFinite = false;
        }
    }
    bEquilibriumDiscrete = 1;
    bFitTINoise = equilibriumTINoiseDetermined() ? 1 : 0;
    if (!bFitTINoise && !bEquilibriumInFit) tellTINoiseLeftOut(pWindow);
    // A mass far too large for the speeds takes the kernel beyond the float
    // range towards the bottom; its centred values are then not numbers.
    // The evaluation fails like a failed solve (the fit's simplex turns away).
    if (!bKernelsFinite && !bEquilibriumInFit)
        showErrorMessage("the buoyant molar mass is too large for the rotor speeds: the model exceeds the "
                         "floating-point range",
                         0);

    bool bSolved = bKernelsFinite && windowPoints() >= 1;
    if (bSolved) {
        buildEquilibriumNE();
        bSolved = nnlsNormalEquations();
    }
    if (!bSolved) {
        for (int i = 1; i <= nScans; ++i) pNESolution[i] = 0.0;
        fRmsd = fFailedRmsd;
        return;
    }
    dChiSquare = equilibriumChiSquare();
    fRmsd = equilibriumRmsd();
    if (!bEquilibriumInFit) applyEquilibriumResult();
}

// ---------------------------------------------------------------- the fit

int packEquilibriumVertex(int n, float* pVertex)
{
    if (!pParamFloat || pParamFloat[1] != 1) return 0;
    if (!pVertex && n < 1) return 1;
    pParamValue[1] = pSpeciesMw[1];
    if (pVertex) pVertex[1] = pSpeciesMw[1];
    return 1;
}

void unpackEquilibriumVertex(const float* pVertex)
{
    if (!pParamFloat || pParamFloat[1] != 1 || !pVertex) return;
    pParamValue[1] = pSpeciesMw[1] = pVertex[1];
}

float equilibriumObjective(float* pVertex, TXLAWindow* pWindow)
{
    if (keyPressed()) {
        bStopFit = 1;
        return fFailedRmsd;
    }
    ++nStepSimCount;
    unpackEquilibriumVertex(pVertex);
    dChiSquare = 1e10;
    // the run's rmsd, or that of a failed evaluation where it computes none
    fRmsd = fFailedRmsd;
    bEquilibriumInFit = 1;
    runEquilibriumSingleSpecies(pWindow);
    bEquilibriumInFit = 0;
    if (bInterruptComputation) {
        bInterruptComputation = 0;
        bStopFit = 1;
    }
    return fRmsd;
}

void formatEquilibriumFitStep(char szLines[3][120])
{
    std::snprintf(szLines[0], 120, "s%d, step #%d        ", nFitSteps, nStepSimCount);
    std::snprintf(szLines[1], 120, "sosq=%e             ", fRmsd);
    double dMb = 0.0;
    if (pParamValue) {
        if (bUseMolarMass)
            dMb = (1.0 - fVbarRho) * pParamValue[1];
        else if (pParamValue[1] != 0.0f)
            // D in units of 1e-7 cm^2/s
            dMb = 1e-13 * pParamValue[5] * (dEqTemperature + kZeroCelsius) * kGasConstantSI * 1e7 / (pParamValue[1] * 1e-7);
    }
    std::snprintf(szLines[2], 120, "buoyant molar mass = %.0f        ", dMb);
}

void showEquilibriumFitStep(TXLAWindow*)
{
    static const char szBlank[] = "                                                            ";
    char szLines[3][120];
    formatEquilibriumFitStep(szLines);
    for (int k = 0; k < 3; ++k) solverProgressText(10, 70 + 20 * k, szBlank);
    for (int k = 0; k < 3; ++k) solverProgressText(10, 70 + 20 * k, szLines[k]);
}

namespace {

// The vertex of the lowest value, the lower index on ties.
int bestVertex(const float* y, int nVertices)
{
    int b = 1;
    for (int v = 2; v <= nVertices; ++v)
        if (y[v] < y[b]) b = v;
    return b;
}

// The vertex v spread around the vertex b.
void spreadVertex(float** p, int v, int b, int n)
{
    for (int j = 1; j <= n; ++j)
        p[v][j] = p[b][j] + static_cast<float>(gaussianRandom(fVertexSpread * p[b][j]));
}

}  // namespace

void fitEquilibriumSingleSpecies(TXLAWindow* pWindow)
{
    const unsigned char bRepaint = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    auto finish = [&]() {
        bRepaintAfterCalc = bRepaint;
        if (pWindow) pWindow->InvalidateUnlessBatch();
        showEquilibriumFitStep(pWindow);
    };
    if (!pWindow || nScans < 1) {
        bRepaintAfterCalc = bRepaint;
        return;
    }
    if (fMeniscus == 0.0f || fBottom == 0.0f) {
        // the run says so once, rather than at every evaluation of the fit
        runEquilibriumSingleSpecies(pWindow);
        bRepaintAfterCalc = bRepaint;
        return;
    }
    if (!allocEquilibriumArrays()) {
        bRepaintAfterCalc = bRepaint;
        return;
    }
    if (!equilibriumTINoiseDetermined()) tellTINoiseLeftOut(pWindow);
    nStepSimCount = nSimCount = 0;
    nFitSteps = 1;
    showEquilibriumFitStep(pWindow);
    // the same start simplices, fit after fit
    seedRandomNumbers(1);

    const int n = packEquilibriumVertex(0, nullptr);
    if (n == 0) {
        // nothing to fit: the model of the current parameters, without a simplex
        paramVectorToGlobals();
        bEquilibriumInFit = 1;
        runEquilibriumSingleSpecies(pWindow);
        bEquilibriumInFit = 0;
        applyEquilibriumResult();
        finish();
        return;
    }

    const int nVertices = n + 1;
    float** p = matrix(1, nVertices, 1, n);
    float* y = vector(1, nVertices);
    float* pSaved = vector(1, n);
    int nCount = 0;
    bStopFit = 0;
    packEquilibriumVertex(n, p[1]);
    for (int v = 2; v <= nVertices; ++v) spreadVertex(p, v, 1, n);
    for (int v = nVertices; v >= 1; --v) y[v] = equilibriumObjective(p[v], pWindow);
    amoeba(pWindow, p, y, n, fSimplexTolerance, equilibriumObjective, &nCount);
    nSimCount += nCount;
    int b = bestVertex(y, nVertices);
    unpackEquilibriumVertex(p[b]);
    for (int j = 1; j <= n; ++j) pSaved[j] = p[b][j];
    float fPrevious = y[b];

    while (!bStopFit) {
        showEquilibriumFitStep(pWindow);
        for (int v = 1; v <= nVertices; ++v)
            if (v != b) spreadVertex(p, v, b, n);
        for (int v = 1; v <= nVertices; ++v)
            if (v != b) y[v] = equilibriumObjective(p[v], pWindow);
        amoeba(pWindow, p, y, n, fSimplexTolerance, equilibriumObjective, &nCount);
        nSimCount += nCount;
        b = bestVertex(y, nVertices);
        unpackEquilibriumVertex(p[b]);
        // relative change of the best value, sound for a perfect fit (0)
        bool bConverged = std::fabs(y[b] - fPrevious) <= fTolerance * fPrevious;
        for (int j = 1; j <= n; ++j) {
            const float fChange = pSaved[j] != 0.0f ? (p[b][j] - pSaved[j]) / pSaved[j] : p[b][j];
            if (std::fabs(fChange) > fTolerance) bConverged = false;
        }
        for (int j = 1; j <= n; ++j) pSaved[j] = p[b][j];
        fPrevious = y[b];
        if (bConverged) break;
    }
    if (bStopFit) {
        bStopFit = 0;
        allocEquilibriumArrays();
    }
    equilibriumObjective(p[b], pWindow);
    unpackEquilibriumVertex(pSaved);
    applyEquilibriumResult();
    free_matrix(p, 1, nVertices, 1, n);
    free_vector(y, 1, nVertices);
    free_vector(pSaved, 1, n);
    finish();
}
