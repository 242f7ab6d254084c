// The Marquardt-Levenberg core shared by the discrete and the distribution
// fits: the work set, the scaling, the curvature by finite differences and
// one damped iteration; the discrete driver MLOptimize and its report.
//
// What the iteration keeps: the curvature and gradient of the last accepted
// point (pMLAlpha, pMLBeta) and its chi-square (the core's dOldChisq); a trial
// is accepted only when its chi-square is lower, so chi-square never rises
// from one accepted point to the next. A damped system that cannot be solved
// changes nothing but lambda (x 10).
#include "fitting/marquardt.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <vector>

#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/xla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/conti_globals.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/linear_algebra.h"
#include "numerics/nrutil.h"
#include "plot/error_box.h"
#include "plot/progress_line.h"
#include "scandata/scan_data.h"

double** pMLCovar = nullptr;
double** pMLInverse = nullptr;
double** pMLAlpha = nullptr;
double* pMLTrial = nullptr;
double* pMLBeta = nullptr;
double* pMLDelta = nullptr;
double* pMLStepValue = nullptr;
float* pMLEvalVector = nullptr;
float*** pMLDerivatives = nullptr;
float** pMLBaseFit = nullptr;

CMarquardtCore mlDiscreteCore = {SimplexSim, false, 0, 0.0};
CMarquardtCore mlContiCore = {ContiSimplexSim, true, 0, 0.0};

namespace {

// The size the set was made for (0: none), and the scans of the derivative
// arrays.
int nMLAllocated = 0;
std::vector<int> derivativePoints;  // [s] points of scan s, index 0 unused

void trace(TXLAWindow* pWindow, const char* szText)
{
    if (pWindow && szText) pWindow->DebugLog(szText);
}

int countFitted(const int* ia, int n)
{
    int m = 0;
    for (int i = 1; i <= n; ++i)
        if (ia[i]) ++m;
    return m;
}

// The scaled vector a as floats in model units, in the evaluation vector.
float* modelVector(const double* a, int n)
{
    for (int i = 1; i <= n; ++i) pMLEvalVector[i] = static_cast<float>(a[i]);
    scaleParameters(pMLEvalVector, n);
    return pMLEvalVector;
}

// Solves the symmetric system m x = b of order n; false (x undefined) when
// the matrix or the right side is not finite, the solver found the matrix
// not positive definite, or the solution is not finite.
bool solveDamped(double** m, const double* b, int n, double* x)
{
    for (int i = 1; i <= n; ++i) {
        if (!std::isfinite(b[i])) return false;
        for (int j = 1; j <= n; ++j)
            if (!std::isfinite(m[i][j])) return false;
    }
    double* work = dvector(1, n);
    CScopeExit release([&] { free_dvector(work, 1, n); });
    if (!solveNormalEquationsD(m, b, n, x, work)) return false;
    for (int i = 1; i <= n; ++i)
        if (!std::isfinite(x[i])) return false;
    return true;
}

// The inverse of m[1..n][1..n] into inv, column by column on unit vectors.
void invertSymmetric(double** m, int n, double** inv)
{
    double* e = dvector(1, n);
    double* x = dvector(1, n);
    double* work = dvector(1, n);
    CScopeExit release([&] {
        free_dvector(e, 1, n);
        free_dvector(x, 1, n);
        free_dvector(work, 1, n);
    });
    for (int c = 1; c <= n; ++c) {
        for (int i = 1; i <= n; ++i) e[i] = i == c ? 1.0 : 0.0;
        solveNormalEquationsD(m, e, n, x, work);
        for (int i = 1; i <= n; ++i) inv[i][c] = x[i];
    }
}

// The slot of the j-th fitted parameter.
int slotOfFitted(const int* ia, int n, int j)
{
    for (int i = 1, k = 0; i <= n; ++i)
        if (ia[i] && ++k == j) return i;
    return 0;
}

// The covariance call: the curvature in model units and its inverse.
void covariance(const int* ia, int n, int mfit)
{
    invertSymmetric(pMLAlpha, mfit, pMLInverse);
    for (int j = 1; j <= mfit; ++j) {
        const float fScaleJ = pMLParamScale[slotOfFitted(ia, n, j)];
        if (fScaleJ != 0.0f) pMLBeta[j] /= fScaleJ;
        for (int k = 1; k <= mfit; ++k) {
            const float fScaleK = pMLParamScale[slotOfFitted(ia, n, k)];
            if (fScaleJ != 0.0f) pMLAlpha[j][k] /= fScaleJ;
            if (fScaleK != 0.0f) pMLAlpha[j][k] /= fScaleK;
        }
    }
    invertSymmetric(pMLAlpha, mfit, pMLCovar);
}

}  // namespace

// ---------------------------------------------------------------- the work set

bool allocDerivativeArrays(int n)
{
    freeDerivativeArrays();
    if (nScans < 1 || !pScanPoints) return true;
    derivativePoints.assign(nScans + 1, 0);
    pMLDerivatives = new (std::nothrow) float**[nScans + 1]();
    pMLBaseFit = new (std::nothrow) float*[nScans + 1]();
    bool bOk = pMLDerivatives && pMLBaseFit;
    for (int s = 1; s <= nScans && bOk; ++s) {
        const int m = pScanPoints[s];
        derivativePoints[s] = m;
        // n rows of m points in one block, 1-based both ways (element 0 unused)
        const size_t nm = static_cast<size_t>(n) * static_cast<size_t>(m > 0 ? m : 0);
        float* block = new (std::nothrow) float[nm + 1]();
        float** rows = new (std::nothrow) float*[n + 1];
        float* base = new (std::nothrow) float[static_cast<size_t>(m > 0 ? m : 0) + 1]();
        if (!block || !rows || !base) {
            delete[] block;
            delete[] rows;
            delete[] base;
            bOk = false;
            break;
        }
        rows[0] = block;
        for (int i = 1; i <= n; ++i) rows[i] = block + static_cast<size_t>(i - 1) * static_cast<size_t>(m);
        pMLDerivatives[s] = rows;
        pMLBaseFit[s] = base;
    }
    if (!bOk) {
        freeDerivativeArrays();
        nrerror("could not allocate arrays in Marquard Levenberg routine, increase memory");
    }
    return true;
}

void freeDerivativeArrays()
{
    const int nRows = static_cast<int>(derivativePoints.size()) - 1;
    for (int s = 1; s <= nRows; ++s) {
        if (pMLDerivatives && pMLDerivatives[s]) {
            delete[] pMLDerivatives[s][0];
            delete[] pMLDerivatives[s];
        }
        if (pMLBaseFit) delete[] pMLBaseFit[s];
    }
    delete[] pMLDerivatives;
    delete[] pMLBaseFit;
    pMLDerivatives = nullptr;
    pMLBaseFit = nullptr;
    derivativePoints.clear();
}

bool allocMLArrays(int n)
{
    if (nMLAllocated) freeMLArrays(nMLAllocated);
    if (n < 1) return false;
    pMLCovar = dmatrix(1, n, 1, n);
    pMLInverse = dmatrix(1, n, 1, n);
    pMLAlpha = dmatrix(1, n, 1, n);
    pMLTrial = dvector(1, n);
    pMLBeta = dvector(1, n);
    pMLDelta = dvector(1, n);
    pMLStepValue = dvector(1, n);
    pMLRelStep = dvector(1, n);
    pMLAbsStep = dvector(1, n);
    pMLParamScale = vector(1, n);
    pMLEvalVector = vector(1, n);
    pMLFitFlags = ivector(1, n);
    nMLAllocated = n;
    return allocDerivativeArrays(n);
}

void freeMLArrays(int)
{
    freeDerivativeArrays();
    if (!nMLAllocated) return;
    const int n = nMLAllocated;
    free_dmatrix(pMLCovar, 1, n, 1, n);
    free_dmatrix(pMLInverse, 1, n, 1, n);
    free_dmatrix(pMLAlpha, 1, n, 1, n);
    free_dvector(pMLTrial, 1, n);
    free_dvector(pMLBeta, 1, n);
    free_dvector(pMLDelta, 1, n);
    free_dvector(pMLStepValue, 1, n);
    free_dvector(pMLRelStep, 1, n);
    free_dvector(pMLAbsStep, 1, n);
    free_vector(pMLParamScale, 1, n);
    free_vector(pMLEvalVector, 1, n);
    free_ivector(pMLFitFlags, 1, n);
    pMLCovar = pMLInverse = pMLAlpha = nullptr;
    pMLTrial = pMLBeta = pMLDelta = pMLStepValue = pMLRelStep = pMLAbsStep = nullptr;
    pMLParamScale = pMLEvalVector = nullptr;
    pMLFitFlags = nullptr;
    nMLAllocated = 0;
}

// ---------------------------------------------------------------- scaling and steps

void setMLStepSizes()
{
    const int n = nMLAllocated;
    if (!n) return;
    std::vector<int> extra(n + 1, 0);
    packedSlotExtras(n, extra.data());
    for (int j = 1; j <= n; ++j) {
        double r = 1.0005, a = 0.001;  // an entry of the parameter vector
        switch (extra[j]) {
        case 0: break;
        case 1:                      // vbar in a gradient
        case 8:                      // radial magnification
        case 9:                      // detection power
        case 10: case 11: case 12: case 13:  // depletion s, D, amplitude, ks
            r = 1.0001;
            a = 0.0001;
            break;
        case 3:  // W-skew
            r = 1.01;
            a = 1e-6;
            break;
        case 15:  // buffer D or Mb
        case 19:  // reference D or Mb
            r = 1.01;
            a = bUseMolarMass ? 10.0 : 0.1;
            break;
        case 17:  // meniscus difference
            r = 1.0001;
            a = 0.001;
            break;
        case 18:  // concentration ratio
            r = 1.01;
            a = 0.01;
            break;
        default:  // cone, bleaching rate and limit, drift, convolution, buffer signal, buffer s, reference s
            r = 1.001;
            a = 0.001;
            break;
        }
        pMLRelStep[j] = r;
        pMLAbsStep[j] = a;
    }
}

void scaleStartVector(float* v, int n)
{
    for (int i = 1; i <= n; ++i) {
        if (v[i] == 0.0f) {
            pMLParamScale[i] = 0.0f;
        } else {
            pMLParamScale[i] = v[i];
            v[i] = 1.0f;
        }
    }
}

void scaleParameters(float* v, int n)
{
    for (int i = 1; i <= n; ++i)
        if (pMLParamScale[i] != 0.0f) v[i] *= pMLParamScale[i];
}

void unscaleParameters(int n, const double* a)
{
    for (int i = 1; i <= n; ++i) {
        pMLStepValue[i] = pMLRelStep[i] * a[i];
        if (pMLStepValue[i] == 0.0) pMLStepValue[i] = pMLAbsStep[i];
    }
}

double limitTrialValue(double a, double dTrial)
{
    if (a == 0.0 || std::fabs(dTrial / a) <= dMLMaxFactor) return dTrial;
    return (dTrial > 0) == (a > 0) ? dMLMaxFactor * a : -dMLMaxFactor * a;
}

// ---------------------------------------------------------------- the core

void marquardtCurvature(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha,
                        double* beta, double* pChisq)
{
    const bool bConti = core.bContiTraces;
    trace(pWindow, bConti ? "\nEntering Contimlcof" : nullptr);
    const int mfit = countFitted(ia, n);
    for (int j = 1; j <= mfit; ++j) {
        for (int k = 1; k <= j; ++k) alpha[j][k] = 0.0;
        beta[j] = 0.0;
    }
    *pChisq = 0.0;

    // the base point and its fit
    core.objective(modelVector(a, n), pWindow);
    if (bStopFit) return;
    long nPoints = 0;
    for (int s = 1; s <= nScans; ++s)
        for (int p = pFitFirstIndex[s]; p <= pFitLastIndex[s]; ++p) {
            pMLBaseFit[s][p] = ppFit[s][p];
            ++nPoints;
        }
    dMLTestPoints = static_cast<double>(nPoints);
    trace(pWindow, bConti ? "\nContimlcof simulated and ref is set" : nullptr);

    // one evaluation per fitted parameter, moved alone to its trial value
    unscaleParameters(n, a);
    for (int i = 1; i <= n; ++i) {
        if (pProgressLine) pProgressLine->Draw(static_cast<float>(i) / static_cast<float>(n), pWindow);
        if (!ia[i]) continue;
        const double h = pMLStepValue[i] - a[i];
        if (h == 0.0) {
            if (bSerialFitRunning)
                nNumericalErrorCode = 9;
            else
                showErrorMessage("zero differential in mlcof", 0);
            for (int s = 1; s <= nScans; ++s)
                for (int p = pFitFirstIndex[s]; p <= pFitLastIndex[s]; ++p) pMLDerivatives[s][i][p] = 0.0f;
            continue;
        }
        const double dSaved = a[i];
        a[i] = pMLStepValue[i];
        float* v = modelVector(a, n);
        a[i] = dSaved;
        core.objective(v, pWindow);
        if (bStopFit) return;
        for (int s = 1; s <= nScans; ++s)
            for (int p = pFitFirstIndex[s]; p <= pFitLastIndex[s]; ++p)
                pMLDerivatives[s][i][p] = static_cast<float>((ppFit[s][p] - pMLBaseFit[s][p]) / h);
    }
    trace(pWindow, bConti ? ", partial derivative done" : nullptr);

    // the sums, over the fitted parameters in their compact order
    std::vector<float> d(n + 1);
    for (int s = 1; s <= nScans; ++s)
        for (int p = pFitFirstIndex[s]; p <= pFitLastIndex[s]; ++p) {
            const double dy = static_cast<double>(ppSignal[s][p]) - pMLBaseFit[s][p];
            for (int i = 1; i <= n; ++i) d[i] = pMLDerivatives[s][i][p];
            for (int l = 1, j = 0; l <= n; ++l) {
                if (!ia[l]) continue;
                ++j;
                const double wt = d[l];
                if (wt == 0.0) continue;
                for (int m = 1, k = 0; m <= l; ++m)
                    if (ia[m]) alpha[j][++k] += wt * d[m];
                beta[j] += dy * wt;
            }
            *pChisq += dy * dy;
        }
    trace(pWindow, bConti ? ", sosq done" : nullptr);
    for (int j = 2; j <= mfit; ++j)
        for (int k = 1; k < j; ++k) alpha[k][j] = alpha[j][k];
    dMLTestRmsd = nPoints > 0 ? std::sqrt(*pChisq / static_cast<double>(nPoints)) : 0.0;
    trace(pWindow, bConti ? " --> Contimlcof done." : nullptr);
}

void marquardtStep(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq,
                   double* pLambda)
{
    const bool bConti = core.bContiTraces;
    trace(pWindow, bConti ? "\nEntering Contimlmin" : "\nEnter mlmin");
    nStepSimCount = 0;
    nMLLimitHit = 0;
    if (*pLambda < 0.0) {
        core.nFit = countFitted(ia, n);
        *pLambda = 0.01;
        marquardtCurvature(core, pWindow, a, ia, n, pMLAlpha, pMLBeta, pChisq);
        if (bStopFit) {
            trace(pWindow, bConti ? " --> JUMPOUT" : nullptr);
            return;
        }
        core.dOldChisq = *pChisq;
        for (int j = 1; j <= n; ++j) pMLTrial[j] = a[j];
    }
    if (*pLambda == 0.0) core.nFit = countFitted(ia, n);
    const int mfit = core.nFit;

    // the damped system; the diagonal product in single precision
    const float fDamping = static_cast<float>(1.0 + *pLambda);
    for (int j = 1; j <= mfit; ++j) {
        for (int k = 1; k <= mfit; ++k) pMLCovar[j][k] = pMLAlpha[j][k];
        pMLCovar[j][j] = static_cast<double>(static_cast<float>(pMLAlpha[j][j]) * fDamping);
    }
    if (*pLambda == 0.0) {
        covariance(ia, n, mfit);
        trace(pWindow, bConti ? " --> *alamda=0 out" : nullptr);
        return;
    }
    if (!solveDamped(pMLCovar, pMLBeta, mfit, pMLDelta)) {
        // no increment: a rejected step
        *pLambda = static_cast<double>(static_cast<float>(*pLambda) * 10.0f);
        *pChisq = core.dOldChisq;
        trace(pWindow, bConti ? " --> Contimlmin done." : " --> done.");
        return;
    }

    // all increments small: no trial
    nMLLimitHit = 1;
    for (int l = 1, j = 0; l <= n && nMLLimitHit; ++l) {
        if (!ia[l]) continue;
        const double d = pMLDelta[++j];
        const double dRel = a[l] == 0.0 ? std::fabs(d) : std::fabs(d / a[l]);
        if (dRel > dMLStepTol) nMLLimitHit = 0;
    }
    if (nMLLimitHit) {
        trace(pWindow, bConti ? " --> *alambda=0 out or bpdaTooSmall" : nullptr);
        return;
    }

    for (int l = 1, j = 0; l <= n; ++l)
        if (ia[l]) pMLTrial[l] = limitTrialValue(a[l], a[l] + pMLDelta[++j]);
    marquardtCurvature(core, pWindow, pMLTrial, ia, n, pMLCovar, pMLDelta, pChisq);
    if (bStopFit) {
        trace(pWindow, bConti ? " --> JUMPOUT" : nullptr);
        return;
    }
    if (*pChisq >= core.dOldChisq) {
        *pLambda = static_cast<double>(static_cast<float>(*pLambda) * 10.0f);
        *pChisq = core.dOldChisq;
    } else {
        *pLambda *= 0.1;
        core.dOldChisq = *pChisq;
        for (int j = 1; j <= mfit; ++j) {
            for (int k = 1; k <= mfit; ++k) pMLAlpha[j][k] = pMLCovar[j][k];
            pMLBeta[j] = pMLDelta[j];
        }
        for (int l = 1; l <= n; ++l) a[l] = pMLTrial[l];
    }
    trace(pWindow, bConti ? " --> Contimlmin done." : " --> done.");
}

void mlmin(TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq, double* pLambda)
{
    marquardtStep(mlDiscreteCore, pWindow, a, ia, n, pChisq, pLambda);
}

void mlcof(TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha, double* beta, double* pChisq)
{
    marquardtCurvature(mlDiscreteCore, pWindow, a, ia, n, alpha, beta, pChisq);
}

void Contimlmin(TXLAWindow* pWindow, double* a, int* ia, int n, double* pChisq, double* pLambda)
{
    marquardtStep(mlContiCore, pWindow, a, ia, n, pChisq, pLambda);
}

void Contimlcof(TXLAWindow* pWindow, double* a, int* ia, int n, double** alpha, double* beta, double* pChisq)
{
    marquardtCurvature(mlContiCore, pWindow, a, ia, n, alpha, beta, pChisq);
}

// ---------------------------------------------------------------- the stop rule

bool CMLStopRule::Step(double dChisqBefore, double dLambdaBefore, double dChisq, double dLambda)
{
    if (dChisq > dChisqBefore || dLambda > dLambdaBefore) return false;  // rejected
    if (!(dChisq < dChisqBefore)) return false;                           // no change
    const bool bSmall = (dChisqBefore - dChisq) / dChisqBefore < dMLRelChisqTol || dChisq < dMLMinChisq;
    if (!bSmall) return false;
    if (bArmed)
        bDone = true;
    else
        bArmed = true;
    return true;
}

void runMarquardtIterations(CMarquardtCore& core, TXLAWindow* pWindow, double* a, int* ia, int n,
                            void (*onSmallStep)(TXLAWindow*))
{
    if (bStopFit || bMLError) return;
    nFitSteps = 0;
    CMLStopRule rule;
    while (!bStopFit && !rule.bDone && nFitSteps < nMLMaxSteps) {
        ++nFitSteps;
        const double dChisqBefore = dMLChisq, dLambdaBefore = dMLLambda;
        marquardtStep(core, pWindow, a, ia, n, &dMLChisq, &dMLLambda);
        if (bMLError) break;
        if (nMLLimitHit) rule.LimitHit();
        if (bStopFit) break;
        if (rule.Step(dChisqBefore, dLambdaBefore, dMLChisq, dMLLambda)) onSmallStep(pWindow);
    }
}

CMLFitVectors::CMLFitVectors(int nParameters)
    : n(nParameters), v(vector(1, nParameters)), a(dvector(1, nParameters)), ia(ivector(1, nParameters))
{
}

CMLFitVectors::~CMLFitVectors()
{
    free_vector(v, 1, n);
    free_dvector(a, 1, n);
    free_ivector(ia, 1, n);
    freeMLArrays(n);
}

void CMLFitVectors::Start()
{
    scaleStartVector(v, n);
    for (int i = 1; i <= n; ++i) {
        a[i] = v[i];
        ia[i] = pMLFitFlags[i] = 1;
    }
}

float* CMLFitVectors::ModelValues()
{
    for (int i = 1; i <= n; ++i) v[i] = static_cast<float>(a[i]);
    scaleParameters(v, n);
    return v;
}

void removeMLProgressLine(TXLAWindow* pWindow)
{
    if (!pProgressLine) return;
    pProgressLine->Hide(pWindow);
    delete pProgressLine;
    pProgressLine = nullptr;
}

// ---------------------------------------------------------------- the report

bool writeMLReport(const char* szPath, int n, const float* pValues)
{
    std::FILE* f = std::fopen(szPath, "w");
    if (!f) {
        char sz[400];
        std::snprintf(sz, sizeof sz, "Attention: could not open %s", szPath);
        showErrorMessage(sz, 0);
        return false;
    }
    for (int i = 1; i <= n; ++i) {
        std::fprintf(f, "%d: %e\t(%e)\t - ", i, static_cast<double>(pValues[i]), std::sqrt(pMLCovar[i][i]));
        for (int j = 1; j <= n; ++j) std::fprintf(f, "%e\t", pMLCovar[i][j]);
        std::fprintf(f, "\n");
    }
    return std::fclose(f) == 0;
}

// ---------------------------------------------------------------- the discrete driver

unsigned char MLOptimize(TXLAWindow* pWindow)
{
    if (pWindow) pWindow->DebugLog("\nEnter MLOptimize");
    const unsigned char bRepaintSaved = bRepaintAfterCalc;
    bRepaintAfterCalc = 0;
    nFitSteps = 0;
    if (!pWindow || !pWindow->HWindow || !checkFitLimits(pWindow)) {
        bRepaintAfterCalc = bRepaintSaved;
        return 0;
    }
    pWindow->InvalidateUnlessBatch();
    bStopFit = 0;
    nStepSimCount = nSimCount = 0;
    pWindow->ShowModelParameters();

    const int n = packFitParameters(0, nullptr);
    if (n == 0) {
        bRepaintAfterCalc = bRepaintSaved;
        return 1;
    }
    if (!allocMLArrays(n)) {
        bRepaintAfterCalc = bRepaintSaved;
        return 0;
    }
    // Every way out, an abandoned computation too, leaves the fit not
    // running, the repaint switch as it was and no work set or bar behind.
    CScopeExit restore([&] {
        removeMLProgressLine(pWindow);
        bFitRunning = 0;
        bRepaintAfterCalc = bRepaintSaved;
    });
    CMLFitVectors fit(n);
    setMLStepSizes();
    packFitParameters(n, fit.v);
    fit.Start();
    double* a = fit.a;
    int* ia = fit.ia;

    pProgressLine = new CProgressLine;
    pProgressLine->Show(pWindow, 10, 10);
    bFitRunning = 1;
    bNonidealityWarned = 0;
    dMLChisq = 0.0;
    dMLLambda = -1.0;
    bMLError = 0;
    mlmin(pWindow, a, ia, n, &dMLChisq, &dMLLambda);
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 0);

    runMarquardtIterations(mlDiscreteCore, pWindow, a, ia, n, [](TXLAWindow* w) {
        if (bSaveBestParams) TmpSaveBestParams(w, 0);
        w->ShowModelParameters();
    });

    const bool bFinished = !bStopFit && !bMLError;
    if (bFinished) {
        dMLLambda = 0.0;
        mlmin(pWindow, a, ia, n, &dMLChisq, &dMLLambda);
    }
    float* v = fit.ModelValues();
    bStopFit = 0;
    if (bFinished) bFitRunning = 0;
    SimplexSim(v, pWindow);
    bFitRunning = 0;
    if (bFinished) {
        char szPath[260];
        workFilePath(szPath, "mlreport.txt");
        writeMLReport(szPath, n, v);
    }
    bRepaintAfterCalc = bRepaintSaved;
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 0);
    pWindow->InvalidateUnlessBatch();
    pWindow->ShowModelParameters();
    if (bFinished) pWindow->DebugLog(" --> MLOptimize DONE");
    return bFinished ? 1 : 0;
}
