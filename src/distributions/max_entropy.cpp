// Maximum-entropy regularization.
//
// The amplitudes c minimise chi-square + alpha sum c_i ln(c_i / r_i) (with a
// prior m: sum (m_i - c_i) + c_i ln(c_i / m_i)), alpha chosen so that the
// chi-square ratio meets the confidence level. Without a prior the reference
// is the flat distribution of the unregularized total T, r_i = T / n: alone,
// the entropy term holds a variable at r_i / e, so a variable the data see
// only weakly gets no more than T / (n e) from the regularization, and the
// total stays where the data put it. Variables the data do not see at all
// (after the elimination of systematic noise their column of A is zero up to
// rounding: the constant profile of s = 0 under TI or RI noise, points
// beyond the fitted range) take no part: they stay at 0, as the non-negative
// solution and the derivative regularizations leave them. The entropy alone
// would decide them, and the noise would take whatever it put there.
#include "distributions/max_entropy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/distribution_result.h"
#include "distributions/prior_probabilities.h"
#include "distributions/root_finders.h"
#include "distributions/regularization.h"
#include "distributions/solver_output.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/linear_algebra.h"
#include "numerics/statistics.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

double dMaxEntAlpha = 1.0;
double dMaxEntEntropy = 0.0;
double dMaxEntObjective = 0.0;
double dMaxEntLambda = -1.0;
double dMaxEntTotal = 0.0;
double dMaxEntMean = 0.0;
double dMaxEntRelTol = 1e-6;
double dRegTargetRatio = 0.0;
unsigned char bMaxEntUsePrior = 0;
unsigned char bMaxEntStepLimited = 0;
double dMaxEntStepQold = 0.0;

namespace {

constexpr int nMaxEntIterations = 200;

// Work arrays of one regularization: the amplitudes at the best alpha so far
// and the previous iterate; of the step: the held-back mask (1 free, 0 held
// back) and the blocked flags.
std::vector<double> backupAmplitudes;
std::vector<double> previousIterate;
std::vector<int> stepMask;
std::vector<int> blockedList;
// Variables the data do not see (1 = held at 0), for one regularization.
std::vector<unsigned char> unseenVariables;

// A distribution variable whose diagonal of A after the noise elimination is
// at most this fraction of the trace carries no information: a column the
// elimination empties holds 0, or rounding of the float Lamm solutions (of
// the order of 1e-16 of the trace), while the weakest point that data resolve
// (0.15 S on the example's grid under RI noise) holds about 1e-4.
constexpr double dUnseenFractionOfTrace = 1e-10;

int maxEntSize()
{
    return nNEQSize;
}

void ensureStepArrays(int n)
{
    if (static_cast<int>(stepMask.size()) < n + 1) stepMask.resize(static_cast<size_t>(n) + 1, 1);
    if (static_cast<int>(blockedList.size()) < n + 1) blockedList.resize(static_cast<size_t>(n) + 1, 0);
}

void pollKey()
{
    if (keyPressed()) bInterruptComputation = 1;
}

bool unseen(int i) { return i < static_cast<int>(unseenVariables.size()) && unseenVariables[i]; }

// An unseen variable's row and column leave the step's system (its step is 0).
void dropUnseen(double** D, int n)
{
    for (int i = 1; i <= n; i++)
        if (unseen(i))
            for (int j = 1; j <= n; j++) D[i][j] = D[j][i] = 0.0;
}

double reference(int i)
{
    double r = bMaxEntUsePrior ? pPriorProbability[i] : dMaxEntTotal / maxEntSize();
    if (i == 1 && bSuppressBaselineCorrelation) r *= 0.001;
    return r;
}

// Copies K into D with the diagonal multiplied by 1 + lambda.
void dampedCopy(double** K, int n, double lambda, double** D)
{
    for (int i = 1; i <= n; i++) {
        for (int j = 1; j <= n; j++) D[i][j] = K[i][j];
        D[i][i] = K[i][i] * (1.0 + lambda);
    }
}

// The confidence level reached at excess f.
double levelAt(double f)
{
    return 1.0 - fDistributionTail(f + dRegTargetRatio, fRegDof1, fRegDof2);
}

void showSearchProgress(bool bFirst, double f)
{
    if (!bWindowPainted || bMonteCarloRun) return;
    char sz[200];
    const double Pnow = levelAt(f);
    if (bFirst)
        std::snprintf(sz, sizeof sz, "Regularization:  entropy = %f, alpha=%f, P = %f (please wait...)",
                      dMaxEntEntropy, dMaxEntAlpha, Pnow);
    else if (fConfidenceLevel < 1.0f)
        std::snprintf(sz, sizeof sz, "Regularization:  entropy = %f, alpha=%e, P = %f (please wait...)",
                      dMaxEntEntropy, dMaxEntAlpha, Pnow);
    else
        std::snprintf(sz, sizeof sz, "Regularization:  entropy = %f, alpha=%e, P = %f, F = %f (please wait...)",
                      dMaxEntEntropy, dMaxEntAlpha, Pnow, fConfidenceLevel + f);
    solverProgressText(10, 70, sz);
}

void backUp(int n)
{
    for (int i = 1; i <= n; i++) backupAmplitudes[i] = pNESolution[i];
}

void restoreBackup(int n)
{
    for (int i = 1; i <= n; i++) pNESolution[i] = backupAmplitudes[i];
}

// A failure of the search: a box, or the error code of a serialised fit.
void searchFailure(const char* szFormat, double f, int nCode, const char* szTitle)
{
    if (bSerialFitRunning) {
        nNumericalErrorCode = nCode;
        return;
    }
    if (bMonteCarloRun) return;
    char sz[200];
    std::snprintf(sz, sizeof sz, szFormat, levelAt(f));
    if (szTitle)
        solverTitledBox(sz, szTitle);
    else
        showErrorMessage(sz, 0);
}

}  // namespace

bool maxEntIsDistributionVariable(int i)
{
    if (i != 1) return true;
    return !(bModelLsgsOneDiscrete || (bModelHybridCSLsgs && bHybridWithDiscrete) || bModelCSWithMsTable ||
             bModelCSOneDiscreteD || bModelCSOneDiscreteM || bModelNonidealCS);
}

void maxEntMrqcof(double** A, const double* b, double yy, double alpha, const double* c, double** Kout,
                  double* betaOut, int n, double* pQ)
{
    pollKey();
    double Q = yy;
    for (int i = 1; i <= n; i++) Q -= 2.0 * c[i] * b[i];
    double dEntropySum = 0.0;
    for (int i = 1; i <= n; i++) {
        const double* a = A[i];
        double Ac = 0.0;
        for (int l = 1; l <= n; l++) Ac += a[l] * c[l];
        Q += c[i] * Ac;
        double g = 0.0;
        Kout[i][i] = a[i];
        if (maxEntIsDistributionVariable(i) && !unseen(i)) {
            const double r = reference(i);
            const double lnRatio = std::log(c[i] / r);
            if (bMaxEntUsePrior) {
                dEntropySum += (r - c[i]) + c[i] * lnRatio;
                g = lnRatio;
            } else {
                dEntropySum += c[i] * lnRatio;
                g = lnRatio + 1.0;
            }
            Kout[i][i] += alpha / (2.0 * c[i]);
        }
        betaOut[i] = b[i] - Ac - 0.5 * alpha * g;
    }
    Q += alpha * dEntropySum;
    dMaxEntEntropy = -dEntropySum;
    *pQ = Q;
}

void maxEntMarquardtStep(double** A, const double* b, double yy, double alpha, double* c, double** K, double* beta,
                         int n, double* pQ, double* pLambda)
{
    ensureStepArrays(n);
    double** D = pNEWork;
    double* delta = pNNLSTrialSolution;
    double* t = pNNLSReducedSolution;
    double* p = pNNLSCholeskyDiagonal;
    // 1.-3.
    pollKey();
    if (*pLambda > 1e70) {
        *pLambda = 0.0;
        return;
    }
    if (*pLambda < 0.0) {
        *pLambda = 0.001;
        maxEntMrqcof(A, b, yy, alpha, c, K, beta, n, pQ);
        dMaxEntStepQold = *pQ;
    }
    // 4. The damped step.
    dampedCopy(K, n, *pLambda, D);
    dropUnseen(D, n);
    solveNormalEquationsD(D, beta, n, delta, p);
    // 5.
    if (*pLambda == 0.0) return;
    // 6. Keep the amplitudes positive.
    bool bRemoved = false;
    bool bLeavesPositive = false;
    for (int i = 1; i <= n; i++)
        if (!unseen(i) && c[i] + delta[i] <= 0.0) bLeavesPositive = true;
    if (bLeavesPositive || bMaxEntStepLimited) {
        for (;;) {
            int nBlocked = 0;
            for (int i = 1; i <= n; i++) {
                blockedList[i] = !unseen(i) && ((c[i] <= 1e-14 && delta[i] < 0.0) ||
                                                (bMaxEntStepLimited && stepMask[i] == 0 && delta[i] < 0.0));
                if (blockedList[i] && nBlocked == 0) nBlocked = i;
            }
            if (nBlocked == 0) break;
            for (int j = 1; j <= n; j++) D[nBlocked][j] = D[j][nBlocked] = 0.0;
            bRemoved = true;
            solveNormalEquationsD(D, beta, n, delta, p);
        }
        double phi = 1.0;
        for (int i = 1; i <= n; i++) {
            if (!bMaxEntStepLimited) stepMask[i] = 1;
            if (!unseen(i) && c[i] + delta[i] <= 0.0) {
                if (c[i] < 0.0) return;  // nothing changes
                const double ratio = std::fabs(c[i] / delta[i]);
                if (ratio < 0.01) {
                    stepMask[i] = 0;
                    bMaxEntStepLimited = 1;
                }
                phi = std::min(phi, ratio);
            }
        }
        if (phi <= 0.01)
            phi *= 0.9;
        else
            bMaxEntStepLimited = 0;
        for (int i = 1; i <= n; i++) t[i] = c[i] + phi * delta[i];
    } else {
        for (int i = 1; i <= n; i++) t[i] = c[i] + delta[i];
    }
    // 7.
    for (int i = 1; i <= n; i++) {
        if (unseen(i))
            t[i] = 0.0;
        else if (t[i] < 1e-20)
            t[i] = 1e-20;
    }
    // 8. The curvature, gradient and Q at t.
    if (bRemoved) {
        dampedCopy(K, n, *pLambda, D);
        dropUnseen(D, n);
    }
    double Qt = 0.0;
    maxEntMrqcof(A, b, yy, alpha, t, D, delta, n, &Qt);
    // 9. Accept or reject.
    if (Qt >= dMaxEntStepQold) {
        *pLambda *= 10.0;
        *pQ = dMaxEntStepQold;
    } else {
        *pLambda *= 0.1;
        dMaxEntStepQold = Qt;
        *pQ = Qt;
        for (int i = 1; i <= n; i++) {
            K[i][i] = D[i][i];  // the rest of the curvature is A
            beta[i] = delta[i];
            c[i] = t[i];
        }
    }
}

void maxEntMrqmin()
{
    const int n = maxEntSize();
    if (static_cast<int>(previousIterate.size()) < n + 1) previousIterate.resize(static_cast<size_t>(n) + 1);
    double* c = pNESolution;
    double** K = pNNLSReducedMatrix;
    double* beta = pMaxEntWork;
    auto step = [&] {
        maxEntMarquardtStep(pNEMatrix, pNERightSide, dSumSquaredData, dMaxEntAlpha, c, K, beta, n,
                            &dMaxEntObjective, &dMaxEntLambda);
    };
    auto keepPrevious = [&] {
        for (int i = 1; i <= n; i++) previousIterate[i] = c[i];
    };
    dMaxEntLambda = -1.0;
    step();
    keepPrevious();
    bool bSmallChange = false, bDone = false;
    int nIterations = 0;
    while (!bDone && nIterations < nMaxEntIterations) {
        pollKey();
        nIterations++;
        const double Qold = dMaxEntObjective;
        keepPrevious();
        step();
        const double Q = dMaxEntObjective;
        if (Q > Qold || std::fabs((Qold - Q) / Qold) >= dMaxEntRelTol) continue;
        // A small change of Q: are gradient and amplitudes settled too?
        double mean = 0.0;
        for (int i = 1; i <= n; i++) mean += c[i];
        dMaxEntMean = mean / n;
        bool bGradient = false, bAmplitudes = false;
        for (int i = 1; i <= n; i++) {
            if (!(c[i] > 1e-14)) continue;
            if (std::fabs(beta[i] * dMaxEntMean / Qold) > dMaxEntRelTol) bGradient = true;
            if (std::fabs((c[i] - previousIterate[i]) / previousIterate[i]) > dMaxEntRelTol) bAmplitudes = true;
        }
        if (bGradient && bAmplitudes) {
            dMaxEntLambda *= 10.0;
            continue;
        }
        if (bSmallChange) {
            bDone = true;
        } else {
            bSmallChange = true;
            dMaxEntLambda = -1.0;
            step();
            keepPrevious();
        }
    }
    dMaxEntLambda = 0.0;
    step();
}

void maxEntSolveAtAlpha()
{
    const int n = maxEntSize();
    double** K = pNNLSReducedMatrix;
    for (int i = 1; i <= n; i++) {
        for (int j = 1; j <= n; j++) K[i][j] = pNEMatrix[i][j];
        pMaxEntWork[i] = pNERightSide[i];
        if (unseen(i))
            pNESolution[i] = 0.0;
        else if (pNESolution[i] == 0.0)
            pNESolution[i] = dMaxEntMean * 1e-7;
    }
    dMaxEntObjective = 0.0;
    if (bRegMaxEnt || bRegBothShown) maxEntMrqmin();
}

double maxEntChiSquareDeviation(double x)
{
    const int n = maxEntSize();
    dMaxEntAlpha = std::exp(std::min(x, 100.0)) * dRegAlphaScale;
    if (static_cast<int>(backupAmplitudes.size()) >= n + 1) restoreBackup(n);
    maxEntSolveAtAlpha();
    return chiSquareFromNormalEquations() / dChiSquareUnreg - dRegTargetRatio;
}

double searchMaxEntAlpha(double (*function)(double), double x0, double dx0, double tol, double tolP)
{
    const int n = maxEntSize();
    const int nMaxIterations = 1000;
    const double dMaxStep = 0.25;
    int nIteration = 1;
    double x = x0;
    double f = function(x);
    showSearchProgress(true, f);
    if (std::fabs(f) <= tol) return x;
    bool bAbove = f > tol;
    double xBest = x, fBest = f;
    backUp(n);
    dMaxEntRelTol = std::min(0.01 * tol, 1e-6);
    double dx = bAbove ? -std::fabs(dx0) : std::fabs(dx0);
    bool bBracket = false;
    // The step of the last fall-back to the best point: falling back again
    // to the same best point with the same step is a cycle (a plateau widened
    // onto the same jump, as near-exact data give, where chi-square is all
    // rounding); the best point then stands.
    double dxFallBack = 0.0, xFallBack = 0.0;
    while (f > tol || f < -tol) {
        nIteration++;
        bAbove = f > tol;
        const double fPrev = f;
        x += dx;
        f = function(x);
        if (std::fabs(f) < tol) return x;
        // A plateau: widen the step.
        int nPlateauEvaluations = 1;
        while (f == fPrev) {
            if (dx < dMaxStep) dx *= 2.0;
            x += dx;
            f = function(x);
            showSearchProgress(false, f);
            if (++nPlateauEvaluations >= 102) {
                restoreBackup(n);
                searchFailure("problem with regularization, caught at P = %f", f, 6, nullptr);
                return xBest;
            }
        }
        if (std::fabs(f) <= std::fabs(fBest) + tol && std::fabs(f) > 0.02 && !bBracket) {
            dx = f < 0.0 ? dMaxStep : -dMaxStep;
            if ((f < 0.0) != (fBest < 0.0)) {
                dx /= 2.0;
                bBracket = true;
            }
            if (fBest != 0.0) {
                xBest = x;
                fBest = f;
                backUp(n);
            }
        } else if (std::fabs(f) > std::fabs(fBest) + tol || fBest == 0.0) {
            // Worse than the best: back to it with half the step.
            x = xBest;
            f = fBest;
            bBracket = false;
            dx /= 2.0;
            if (dx == dxFallBack && xBest == xFallBack) {
                function(xBest);  // its amplitudes and alpha again
                return xBest;
            }
            dxFallBack = dx;
            xFallBack = xBest;
            if (std::fabs(dx) <= 1e-10 || keyPressed() || bInterruptComputation) {
                restoreBackup(n);
                searchFailure("caught in local minimum or user interrupt at P = %f", f, 6, "ATTENTION");
                return xBest;
            }
        } else {
            if (std::fabs(f) > 0.001) {
                if (f < 0.0 && bAbove) {
                    dx = std::fabs(dx) * 0.5;
                    bBracket = true;
                } else if (f < 0.0) {
                    dx = std::min(2.0 * std::fabs(dx), dMaxStep);
                } else if (!bAbove) {
                    dx = std::fabs(dx) * -0.3;
                    bBracket = true;
                } else {
                    dx = std::fabs(dx) * -1.7;
                    if (std::fabs(dx) > 0.1) dx = -dMaxStep;
                }
            } else if ((f < 0.0) != (fBest < 0.0) && f != fBest) {
                dx = (xBest - (x - xBest) * fBest / (f - fBest)) - x;
            }
            xBest = x;
            fBest = f;
            backUp(n);
        }
        showSearchProgress(false, f);
        if (fConfidenceLevel < 1.0f && std::fabs(levelAt(f) - fConfidenceLevel) < tolP) return x;
        if (nIteration > nMaxIterations) {
            if (bSerialFitRunning)
                nNumericalErrorCode = 8;
            else if (!bMonteCarloRun)
                showErrorMessage("too many iterations finding root", 0);
            return x;
        }
    }
    return x;
}

void regularizeMaxEntropy()
{
    const int n = maxEntSize();
    if (n < 1 || !pNESolution) return;
    // 1. The unregularized solution.
    addRegularization(0.0);
    if (!nnlsNormalEquations()) {
        for (int i = 1; i <= n; i++) pNESolution[i] = 0.0;
        return;
    }
    // 2.
    dChiSquareUnreg = dChiSquare = chiSquareFromNormalEquations();
    float fTrace = 0.0f;
    for (int i = 1; i <= n; i++) fTrace += static_cast<float>(pNEMatrix[i][i]);
    // 3.
    if (n < 10) return;
    dRegAlphaScale = fTrace / static_cast<double>(6 * n - 12);
    // 4. The total over the distribution variables the data see; the others
    // stay at 0.
    std::vector<unsigned char> unseenNow(static_cast<size_t>(n) + 1, 0);
    double T = 0.0;
    for (int i = 1; i <= n; i++) {
        if (!maxEntIsDistributionVariable(i)) continue;
        if (pNEMatrix[i][i] <= dUnseenFractionOfTrace * fTrace)
            unseenNow[i] = 1;
        else
            T += pNESolution[i];
    }
    dMaxEntTotal = T;
    dMaxEntMean = T / n;
    if (T == 0.0) return;
    // 5.
    const float P = fConfidenceLevel;
    if (P <= 0.5f || P == 1.0f) {
        if (bWizardMessages && !bSkipRegularization && !bSerialFitRunning && !bMonteCarloRun)
            solverNoticeBox("no regularization:  either P < 0.5, P = 1, or to low resolution");
        return;
    }
    // 6.
    if (bSkipRegularization && !bFinalFitEvaluation && !bMonteCarloRun) return;
    unseenVariables.swap(unseenNow);
    for (int i = 1; i <= n; i++)
        if (unseen(i)) pNESolution[i] = 0.0;
    // 7. The target ratio.
    setRegularizationDegreesOfFreedom(n);
    if (P > 1.0f) {
        if (!bSerialFitRunning && !bMonteCarloRun) solverNoticeBox("P > 1 => interpreting P value as chi-square ratio");
        fTargetChisqRatio = P;
    } else {
        fTargetChisqRatio =
            static_cast<float>(fStatCriticalRatio(P, fRegDof1, fRegDof2) * (fRegDof2 / fRegDof1));
    }
    dRegTargetRatio = fTargetChisqRatio;
    // 8.
    backupAmplitudes.assign(static_cast<size_t>(n) + 1, 0.0);
    previousIterate.assign(static_cast<size_t>(n) + 1, 0.0);
    stepMask.assign(static_cast<size_t>(n) + 1, 1);
    blockedList.assign(static_cast<size_t>(n) + 1, 0);
    backUp(n);
    bInterruptComputation = 0;
    bMaxEntUsePrior = (bUsePriorProbabilities && pPriorProbability) ? 1 : 0;
    // 9.
    const double tol = (dRegTargetRatio - 1.0) * 0.001;
    fRegLogAlpha = static_cast<float>(searchMaxEntAlpha(maxEntChiSquareDeviation, std::log(1e-4), 0.01, tol, 0.005));
    // 10.
    dChiSquare = chiSquareFromNormalEquations();
    bInterruptComputation = 0;
    freeMaxEntWorkArrays();
}

void freeMaxEntWorkArrays()
{
    std::vector<double>().swap(backupAmplitudes);
    std::vector<double>().swap(previousIterate);
    std::vector<int>().swap(stepMask);
    std::vector<int>().swap(blockedList);
    std::vector<unsigned char>().swap(unseenVariables);
}
