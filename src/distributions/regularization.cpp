// Regularization terms and the regularization level of continuous
// distributions.
#include "distributions/regularization.h"

#include <cmath>
#include <cstdio>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/neq_builders.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "distributions/solver_output.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/statistics.h"
#include "scandata/scan_data.h"

float fConfidenceLevel = 0.95f;
unsigned char bRegSecondDerivative = 0;
unsigned char bRegWeightedThirdDerivative = 0;
unsigned char bRegMaxEnt = 1;
float fFf0RegularizationFactor = 10.0f;
double dRegMaxLogAlpha = 100.0;

double dChiSquareUnreg = 0.0;
double dChiSquare = 0.0;
float fRegDof1 = 0.0f;
float fRegDof2 = 0.0f;
float fTargetChisqRatio = 0.0f;
double dRegAlphaScale = 0.0;
float fRegLogAlpha = 0.0f;
float fRegAlpha = 0.0f;
float fRegChisq = 0.0f;
float fRegExcess = 0.0f;

namespace {

// Element (r, s) of the second-derivative penalty D2'D2 on a block of N
// variables. Rows are told by position: first, second, second-to-last, last,
// interior, the first matching rule winning (blocks shorter than the stencils
// are not a designed case).
double secondDerivativeElement(int r, int s, int N)
{
    static const double first[] = {1, -2, 1};
    static const double second[] = {-2, 5, -4, 1};
    static const double interior[] = {1, -4, 6, -4, 1};
    static const double nextToLast[] = {1, -4, 5, -2};
    static const double last[] = {1, -2, 1};
    const double* row;
    int nStart, nLen;
    if (r == 1) {
        row = first, nStart = 1, nLen = 3;
    } else if (r == 2) {
        row = second, nStart = 1, nLen = 4;
    } else if (r == N - 1) {
        row = nextToLast, nStart = N - 3, nLen = 4;
    } else if (r == N) {
        row = last, nStart = N - 2, nLen = 3;
    } else {
        row = interior, nStart = r - 2, nLen = 5;
    }
    if (s < 1 || s > N || s < nStart || s >= nStart + nLen) return 0.0;
    return row[s - nStart];
}

// Element (r, s) of the third-derivative penalty D3'D3 on a block of N
// variables; rows by position as above (first, second, third, third-to-last,
// second-to-last, last, interior).
double thirdDerivativeElement(int r, int s, int N)
{
    static const double r1[] = {1, -3, 3, -1};
    static const double r2[] = {-3, 10, -12, 6, -1};
    static const double r3[] = {3, -12, 19, -15, 6, -1};
    static const double interior[] = {-1, 6, -15, 20, -15, 6, -1};
    static const double rN2[] = {-1, 6, -15, 19, -12, 3};
    static const double rN1[] = {-1, 6, -12, 10, -3};
    static const double rN[] = {-1, 3, -3, 1};
    const double* row;
    int nStart, nLen;
    if (r == 1) {
        row = r1, nStart = 1, nLen = 4;
    } else if (r == 2) {
        row = r2, nStart = 1, nLen = 5;
    } else if (r == 3) {
        row = r3, nStart = 1, nLen = 6;
    } else if (r == N - 2) {
        row = rN2, nStart = N - 5, nLen = 6;
    } else if (r == N - 1) {
        row = rN1, nStart = N - 4, nLen = 5;
    } else if (r == N) {
        row = rN, nStart = N - 3, nLen = 4;
    } else {
        row = interior, nStart = r - 3, nLen = 7;
    }
    if (s < 1 || s > N || s < nStart || s >= nStart + nLen) return 0.0;
    return row[s - nStart];
}

// First-difference penalty on the two end pairs of N slices.
double endPairElement(int k, int l, int N)
{
    auto pair = [](int a, int b, int lo) -> double {
        if ((a == lo || a == lo + 1) && (b == lo || b == lo + 1)) return a == b ? 1.0 : -1.0;
        return 0.0;
    };
    double e = pair(k, l, 1);
    if (e == 0.0) e = pair(k, l, N - 1);
    return e;
}

void copyNormalMatrix(int n)
{
    for (int i = 1; i <= n; i++)
        for (int j = 1; j <= n; j++) pNEWork[i][j] = pNEMatrix[i][j];
}

bool usingPrior()
{
    return bUsePriorProbabilities && pPriorProbability;
}

// Adds alpha x the penalty on the variables first..first + N - 1 (positions
// 1..N of the block); with prior, divided by m of the positions pPriorOffset +
// position (the 1-D models index m by variable, the 2-D models by the
// position within the slice).
void addBlockPenalty(double alpha, int first, int N, bool bThird, int nPriorOffset)
{
    const int nBand = bThird ? 3 : 2;
    for (int r = 1; r <= N; r++) {
        for (int s = r - nBand; s <= r + nBand; s++) {
            if (s < 1 || s > N) continue;
            double b = bThird ? thirdDerivativeElement(r, s, N) : secondDerivativeElement(r, s, N);
            if (b == 0.0) continue;
            const int i = first + r - 1, j = first + s - 1;
            double e = alpha * b;
            if (bThird && pRegThirdDerivWeights) e = alpha * pRegThirdDerivWeights[i] * pRegThirdDerivWeights[j] * b;
            if (usingPrior()) e /= pPriorProbability[nPriorOffset + r] * pPriorProbability[nPriorOffset + s];
            pNEWork[i][j] += e;
        }
    }
}

void addTwoDimensionalPenalty(double alpha)
{
    const int ns = nNEQSize;
    const int nSlices = static_cast<int>(fFf0Resolution);
    // s direction: the second derivative within each slice; the first point
    // of slice 1 of the one-discrete model is the discrete species.
    for (float k = 1.0f; k <= fFf0Resolution; k += 1.0f) {
        const int nSlice = static_cast<int>(k);
        const int nFirstPos = (nSlice == 1 && bModelCSFf0OneDiscrete) ? 2 : 1;
        const int N = ns - nFirstPos + 1;
        if (N < 1) continue;
        addBlockPenalty(alpha, (nSlice - 1) * ns + nFirstPos, N, false, nFirstPos - 1);
    }
    // f/f0 direction: between the same s position of all slices.
    const double f = fFf0RegularizationFactor;
    const bool bFf0Prior = bPriorFf0Gaussians && pFf0PriorWeights;
    for (int i = 1; i <= ns; i++) {
        for (float kf = 1.0f; kf <= fFf0Resolution; kf += 1.0f) {
            const int k = static_cast<int>(kf);
            for (int l = k - 2; l <= k + 2; l++) {
                if (l < 1 || l > nSlices) continue;
                double b = secondDerivativeElement(k, l, nSlices) + 10.0 * endPairElement(k, l, nSlices);
                if (b == 0.0) continue;
                double e = alpha * f * b;
                if (bFf0Prior) e /= static_cast<double>(pFf0PriorWeights[k]) * pFf0PriorWeights[l];
                pNEWork[(k - 1) * ns + i][(l - 1) * ns + i] += e;
            }
        }
    }
}

// The light-scattering and sedimentation degrees of freedom of the F test.
float regularizationDegreesOfFreedom(int n)
{
    const float m = static_cast<float>(nNoiseGridLast - nNoiseGridFirst + 1);
    if (bDLSData) {
        if (bModelDlsRhTime) return m * static_cast<float>(nTimeCourseLast - nTimeCourseFirst + 1);
        return m * static_cast<float>(nScans);
    }
    return m * static_cast<float>(nScans) - static_cast<float>(n);
}

void zeroSolution(int n)
{
    for (int i = 1; i <= n; i++) pNESolution[i] = 0.0;
}

}  // namespace

bool regularizationSkipsFirstVariable()
{
    return bModelLsgsOneDiscrete || (bModelHybridCSLsgs && bHybridWithDiscrete) || bModelCSOneDiscreteD ||
           bModelCSOneDiscreteM || bModelCSBimodalFf0OneDiscrete || bModelNonidealCS || bModelCSWithMsTable ||
           (bBufferMismatch && nNEQSize == nResolution);
}

int regularizationVariableCount()
{
    return isTwoDimensionalModel() ? nCsGridTotal : nNEQSize;
}

void addRegularization(double alpha)
{
    if (!pNEWork || !pNEMatrix) return;
    if (isTwoDimensionalModel()) {
        copyNormalMatrix(nCsGridTotal);
        if (alpha != 0.0) addTwoDimensionalPenalty(alpha);
        return;
    }
    const int n = nNEQSize;
    copyNormalMatrix(n);
    if (alpha == 0.0) return;
    const int nFirst = regularizationSkipsFirstVariable() ? 2 : 1;
    const int N = n - nFirst + 1;
    if (N < 1) return;
    // The second derivative takes precedence when both are set.
    if (bRegSecondDerivative)
        addBlockPenalty(alpha, nFirst, N, false, nFirst - 1);
    else if (bRegWeightedThirdDerivative)
        addBlockPenalty(alpha, nFirst, N, true, nFirst - 1);
}

void setRegularizationDegreesOfFreedom(int n)
{
    fRegDof1 = fRegDof2 = regularizationDegreesOfFreedom(n);
}

float regularizationChiSquareExcess(float x)
{
    const int n = regularizationVariableCount();
    const double dX = x < dRegMaxLogAlpha ? static_cast<double>(x) : dRegMaxLogAlpha;
    fRegAlpha = static_cast<float>(std::exp(dX) * dRegAlphaScale);
    addRegularization(fRegAlpha);
    if (!nnlsNormalEquations()) {
        zeroSolution(n);
        return 1e10f;
    }
    fRegChisq = static_cast<float>(chiSquareFromNormalEquations());
    const float fRatio = static_cast<float>(fRegChisq / dChiSquareUnreg);
    fRegExcess = fRatio - fTargetChisqRatio;
    if (!bMonteCarloRun) {
        char sz[200];
        if (fConfidenceLevel < 1.0f)
            std::snprintf(sz, sizeof sz, "Scaling regularization alpha=%f, P = %f (please wait...)", fRegAlpha,
                          1.0 - fDistributionTail(fRatio, fRegDof1, fRegDof2));
        else
            std::snprintf(sz, sizeof sz, "Scaling regularization alpha=%f, ratio = %f (please wait...)", fRegAlpha,
                          fRatio);
        solverProgressText(10, 70, sz);
    }
    return fRegExcess;
}

void regularizeDistribution()
{
    const int n = regularizationVariableCount();
    if (n < 1 || !pNESolution) return;
    // 1. The unregularized solution.
    addRegularization(0.0);
    if (!nnlsNormalEquations()) {
        zeroSolution(n);
        return;
    }
    // 2.
    dChiSquareUnreg = dChiSquare = chiSquareFromNormalEquations();
    // Data fitted exactly (data without any signal): there is no ratio of
    // chi-squares to reach, and the unregularized solution stands.
    if (!(dChiSquareUnreg > 0.0)) return;
    // 3. Regularization needs 0.5 < P != 1 and four variables.
    const float P = fConfidenceLevel;
    if (!(P > 0.5f) || P == 1.0f || n < 4) {
        if (!bSkipRegularization && !bSerialFitRunning && !bMonteCarloRun && bWizardMessages)
            solverNoticeBox("no regularization:  either P < 0.5, P = 1, or to low resolution");
        return;
    }
    // 4. Trial evaluations of a fit are not regularized.
    if (bSkipRegularization && !bFinalFitEvaluation && !bMonteCarloRun) return;
    // 5. The target ratio.
    if (P > 1.0f) {
        if (!bSerialFitRunning && !bMonteCarloRun) solverNoticeBox("P > 1 => interpreting P value as chi-square ratio");
        fTargetChisqRatio = P;
    } else {
        setRegularizationDegreesOfFreedom(n);
        fTargetChisqRatio = static_cast<float>(fStatCriticalRatio(P, fRegDof1, fRegDof2));
    }
    // 6. The scale of alpha: the trace summed in single precision.
    float fTrace = 0.0f;
    for (int i = 1; i <= n; i++) fTrace += static_cast<float>(pNEMatrix[i][i]);
    dRegAlphaScale = fTrace / static_cast<double>(6 * n - 12);
    if (dRegAlphaScale == 0.0) return;
    // 7.
    const float tol = (fTargetChisqRatio - 1.0f) * 0.001f;
    // 8. Bracket the root of the excess, walking from alpha / scale = 1e-7
    // by a factor e per step.
    float x1 = std::log(1e-7f);
    float f1 = regularizationChiSquareExcess(x1);
    float x2 = x1 + 1.0f;
    float f2 = regularizationChiSquareExcess(x2);
    float step = 1.0f;
    int nEqual = 0;
    while (f1 * f2 > 0.0f) {
        x1 = x2;
        f1 = f2;
        x2 = x1 + step;
        f2 = regularizationChiSquareExcess(x2);
        if (f2 == f1) {
            if (++nEqual >= 10) return;  // no sign change reachable
        } else {
            nEqual = 0;
        }
        if ((f1 > 0.0f && f2 > f1) || (f1 < 0.0f && f2 < f1)) {
            std::swap(x1, x2);
            std::swap(f1, f2);
            step = -step;
        }
    }
    // 9. The root; one more evaluation leaves its solution in pNESolution.
    const float x = zbrentFloat(regularizationChiSquareExcess, x1, x2, tol);
    fRegLogAlpha = x;
    regularizationChiSquareExcess(x);
    // 10.
    fRegLogAlpha = static_cast<float>(std::exp(x < dRegMaxLogAlpha ? static_cast<double>(x) : dRegMaxLogAlpha));
    // 11.
    dChiSquare = chiSquareFromNormalEquations();
    // 12. The weighted third derivative: weights from this solution, then the
    // whole regularization once more with them.
    if (bRegWeightedThirdDerivative && !pRegThirdDerivWeights) {
        if (buildThirdDerivativeWeights()) regularizeDistribution();
        freeThirdDerivativeWeights();
    }
}
