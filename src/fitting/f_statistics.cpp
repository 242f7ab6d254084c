// F-statistics: the variance ratio (272), the intervals of s (285) and of M
// or D (286), and the refit with some parameters held fixed that the
// intervals and the error contours share.
//
// The interval search is a bracketing walk on a noisy function (every point
// is a refit): it steps away from the best fit by the test interval until the
// rmsd passes the critical value, then reverses and halves the step at every
// crossing until the rmsd lies within 1e-6 of it. The reported bound is the
// last refitted value, whose rmsd met that tolerance. A side that does not
// get there in 200 refits (a parameter the data do not bound, or refits that
// cannot run) is reported as "stopped", as is everything after a key; the
// parameter vector is always put back.
#include "fitting/f_statistics.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/xla_window.h"
#include "fitting/fit_driver.h"
#include "fitting/fit_globals.h"
#include "fitting/simplex.h"
#include "models/model_globals.h"
#include "numerics/error_stop.h"
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "numerics/statistics.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "plot/number_entry.h"
#include "scandata/scan_data.h"

namespace {

constexpr float fRmsdTolerance = 1e-6f;
constexpr const char* szRatioTitle = "CALCULATE SOSQ RATIO";

// The parameter of species 1 that an interval search moves: s (entry 5) or
// M or D (entry 1), in the vector and in the species row.
void setSearched(int k, float x)
{
    pParamValue[k] = x;
    if (k == 5)
        pSpeciesS[1] = x;
    else
        pSpeciesMw[1] = x;
}

// The best vertex of a simplex (the first of equal values).
int lowestVertex(const float* y, int n)
{
    int b = 1;
    for (int i = 2; i <= n + 1; ++i)
        if (y[i] < y[b]) b = i;
    return b;
}

// The parameter vector as it stands, entries 0..nParams, as refitSettled
// compares it and as a search puts it back.
std::vector<float> parameterSnapshot() { return std::vector<float>(pParamValue, pParamValue + nParams + 1); }

}  // namespace

bool refitSettled(const std::vector<float>& previous, float fRmsdNow, float fRmsdBefore)
{
    if (!rmsdChangeSettled(fRmsdBefore, fRmsdNow, fTolerance)) return false;
    for (int k = 1; k <= nParams; ++k) {
        const float fOld = previous[k], fNew = pParamValue[k];
        if (fOld == 0.0f) {
            if (!(fNew <= fTolerance)) return false;
        } else if (fOld > 0.001f && std::fabs(fNew - fOld) > 0.001f) {
            if (!(std::fabs(fNew - fOld) / fOld <= fTolerance)) return false;
        }
    }
    return true;
}

namespace {

// One side of the search from x0 in the direction of h: 1 with the bound,
// 0 when the refits ran out, -1 after a key.
int searchSide(TXLAWindow* pWindow, int k, float x0, float h, float fCritical, float* pBound)
{
    float x = x0 + h;
    float step = h;
    setSearched(k, x0);
    float rmsd = fitWithFixedParameters(pWindow);
    int nRefits = 1;
    if (rmsd < 0.0f || bStopFit) return -1;
    float fLast = x0;
    bool bAbove = rmsd > fCritical - fRmsdTolerance;
    if (bAbove) step = -0.5f * step;
    x += step;
    while (rmsd >= fCritical + fRmsdTolerance || rmsd <= fCritical - fRmsdTolerance) {
        if (nRefits >= nIntervalRefitCap) return 0;
        setSearched(k, x);
        rmsd = fitWithFixedParameters(pWindow);
        ++nRefits;
        if (rmsd < 0.0f || bStopFit) return -1;
        fLast = x;
        if (rmsd < fCritical + fRmsdTolerance && bAbove) step = -0.5f * step;  // fell back below: reverse, halve
        if (rmsd > fCritical + fRmsdTolerance && !bAbove) step = -0.5f * step;  // rose past it: reverse, halve
        x += step;
        bAbove = rmsd > fCritical - fRmsdTolerance;
    }
    *pBound = fLast;
    return 1;
}

int errorInterval(TXLAWindow* pWindow, int k, float h, float fCritical, float* pLower, float* pUpper)
{
    const std::vector<float> saved = parameterSnapshot();
    auto putBack = [&] {
        std::copy(saved.begin(), saved.end(), pParamValue);
        paramVectorToGlobals();
    };
    // The fixed parameter's fit flag, cleared from here on (it stays so).
    auto fixSearched = [k] {
        pParamFloat[k] = 0;
        if (k == 5)
            pSpeciesSFloat[1] = 0;
        else
            pSpeciesMwFloat[1] = 0;
    };
    const int nFlagBefore = pParamFloat[k];
    // the vector comes back and no stop stays pending, also when a refit
    // abandons the search; the refits saved themselves beside the data, so
    // the best fit is saved again, as it was fitted (its flag floated)
    CScopeExit restore([&] {
        putBack();
        bStopFit = 0;
        if (bSaveBestParams) {
            pParamFloat[k] = nFlagBefore;
            TmpSaveBestParams(pWindow, 0);
            fixSearched();
        }
    });
    fixSearched();
    calcRmsd();
    const float x0 = saved[k];
    int nFound = 0;
    const int nUpper = searchSide(pWindow, k, x0, h, fCritical, pUpper);
    if (nUpper == 1) nFound |= nUpperBoundFound;
    putBack();
    if (nUpper >= 0 && searchSide(pWindow, k, x0, -h, fCritical, pLower) == 1) nFound |= nLowerBoundFound;
    return nFound;
}

// 285 and 286: the questions, the critical rmsd, the search and its result.
void errorCommand(TXLAWindow* pWindow, bool bS)
{
    if (nScans < 1) return;
    const char* szTitle = bS ? "calculate error in s" : "calculate error in M";
    float fConfidence = 0.683f;
    if (!inputPositiveFloatInWindow(pWindow, &fConfidence, 0.683f, true, "confidence level", szTitle)) return;
    const float fDefaultStep = (!bS && bUseMolarMass) ? 100.0f : 0.01f;
    float h = fDefaultStep;
    if (!inputPositiveFloatInWindow(pWindow, &h, fDefaultStep, true, bS ? "test interval for s" : "test interval for M",
                                    szTitle))
        return;
    if (!(fConfidence > 0.0f && fConfidence < 1.0f)) {
        win::MessageBox(pWindow->HWindow, "the confidence level must lie between 0 and 1", szTitle, win::MB_OK);
        return;
    }
    if (!(h > 0.0f)) {
        win::MessageBox(pWindow->HWindow, "the test interval must be above 0", szTitle, win::MB_OK);
        return;
    }
    const char* szQuestion = bS ? "are current parameters best fit? \nuncheck s (first component only), but float "
                                  "all other unknowns"
                                : "are current parameters best fit? \nuncheck M (first component only), but float "
                                  "all other unknowns";
    if (win::MessageBox(pWindow->HWindow, szQuestion, szTitle, win::MB_YESNO | win::MB_ICONQUESTION) != win::IDYES)
        return;

    win::SetCursor(win::LoadCursor(nullptr, win::IDC_WAIT));
    double dRatio = 0.0;
    const bool bRatio =
        runAbandonable([&] { dRatio = criticalVarianceRatio(fConfidence, static_cast<double>(fittedPointCount())); });
    if (!bRatio) {
        win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));
        return;
    }
    const float fCritical = static_cast<float>(std::sqrt(dRatio) * fRmsd);
    const int k = bS ? 5 : 1;
    const float fBest = pParamValue[k];
    float fLower = 0.0f, fUpper = 0.0f;
    int nFound = 0;
    runAbandonable([&] {
        nFound = bS ? errorIntervalS(pWindow, h, fCritical, &fLower, &fUpper)
                    : errorIntervalM(pWindow, h, fCritical, &fLower, &fUpper);
    });
    win::SetCursor(win::LoadCursor(nullptr, win::IDC_ARROW));

    const char* szValue = bS ? "%.3f" : bUseMolarMass ? "%.0f" : "%.3f";
    auto bound = [&](char* sz, size_t nSize, int nBit, float f) {
        if (nFound & nBit)
            std::snprintf(sz, nSize, szValue, static_cast<double>(f));
        else
            std::snprintf(sz, nSize, "stopped");
    };
    // any float whole: "%.3f" of -3.4e38 has a sign, 39 digits and ".000"
    char szBest[48], szLower[48], szUpper[48], szText[300];
    std::snprintf(szBest, sizeof szBest, szValue, static_cast<double>(fBest));
    bound(szLower, sizeof szLower, nLowerBoundFound, fLower);
    bound(szUpper, sizeof szUpper, nUpperBoundFound, fUpper);
    const char* szName = bS ? "s" : bUseMolarMass ? "M" : "D";
    const char* szUnit = bS ? "S" : bUseMolarMass ? "Da" : "1e-7 cm^2/sec";
    std::snprintf(szText, sizeof szText, "%s = %s [%s, %s] %s\n(critical rmsd value is %f)", szName, szBest, szLower,
                  szUpper, szUnit, static_cast<double>(fCritical));
    win::MessageBox(pWindow->HWindow, szText, szTitle, win::MB_OK);
}

}  // namespace

int fittedPointCount()
{
    if (nScans < 1 || !pFitFirstIndex || !pFitLastIndex) return 1000;
    int n = 0;
    for (int s = 1; s <= nScans; ++s) n += pFitLastIndex[s] - pFitFirstIndex[s] + 1;
    return n;
}

double criticalVarianceRatio(double dConfidence, double dPoints)
{
    return dPoints / (dPoints - 1.0) * fStatCriticalRatio(dConfidence, dPoints - 1.0, dPoints);
}

float fitWithFixedParameters(TXLAWindow* pWindow)
{
    if (bStopFit) return -1.0f;
    nFitSteps = 0;
    if (!checkFitLimits(pWindow)) return 0.0f;
    bStopFit = 0;
    nStepSimCount = 0;
    pWindow->ShowModelParameters();
    const int n = packFitParameters(0, nullptr);
    if (n == 0) {
        pWindow->CalcModel();
        if (bInterruptComputation) {
            bInterruptComputation = 0;
            bStopFit = 1;
        }
        return calcRmsd();
    }

    float** p = matrix(1, n + 1, 1, n);
    float* y = vector(1, n + 1);
    CScopeExit release([&] {
        free_matrix(p, 1, n + 1, 1, n);
        free_vector(y, 1, n + 1);
    });
    const float ftol = 0.0005f;
    int nEvaluations = 0;
    // the same start simplices, fit after fit: a fit is reproducible
    seedRandomNumbers(1);
    packFitParameters(n, p[1]);
    initSimplexVertices(n, p);
    for (int i = 1; i <= n + 1; ++i) y[i] = SimplexSim(p[i], pWindow);
    amoeba(pWindow, p, y, n, ftol, SimplexSim, &nEvaluations, showFitBestVertex);
    int b = lowestVertex(y, n);
    storeBestFitVertex(p[b]);
    std::vector<float> previous = parameterSnapshot();
    float fPreviousRmsd = y[b];
    while (!bStopFit) {
        // a new simplex around the best vertex
        if (b != 1) {
            for (int j = 1; j <= n; ++j) p[1][j] = p[b][j];
            y[1] = y[b];
        }
        initSimplexVertices(n, p);
        for (int i = 1; i <= n + 1; ++i) y[i] = SimplexSim(p[i], pWindow);
        amoeba(pWindow, p, y, n, ftol, SimplexSim, &nEvaluations, showFitBestVertex);
        b = lowestVertex(y, n);
        storeBestFitVertex(p[b]);
        const bool bSettled = refitSettled(previous, y[b], fPreviousRmsd);
        previous = parameterSnapshot();
        fPreviousRmsd = y[b];
        if (bSettled) break;
    }
    const float fBest = y[b];
    SimplexSim(p[b], pWindow);
    if (bSaveBestParams) TmpSaveBestParams(pWindow, 0);
    return fBest;
}

int errorIntervalS(TXLAWindow* pWindow, float h, float fCritical, float* pLower, float* pUpper)
{
    return errorInterval(pWindow, 5, h, fCritical, pLower, pUpper);
}

int errorIntervalM(TXLAWindow* pWindow, float h, float fCritical, float* pLower, float* pUpper)
{
    return errorInterval(pWindow, 1, h, fCritical, pLower, pUpper);
}

void TXLAWindow::CmErrorInS() { errorCommand(this, true); }

void TXLAWindow::CmErrorInM() { errorCommand(this, false); }

void TXLAWindow::CmVarianceRatio()
{
    const float fPoints = static_cast<float>(fittedPointCount());
    float fConfidence = 0.683f, n1 = fPoints, n2 = fPoints;
    if (!inputFloat(&fConfidence, 0.683f, true, "enter desired confidence level", szRatioTitle)) return;
    if (!inputFloat(&n1, fPoints, true, "enter first degree of freedom", szRatioTitle)) return;
    if (!inputFloat(&n2, fPoints, true, "enter second degree of freedom", szRatioTitle)) return;
    if (!(fConfidence > 0.0f && fConfidence < 1.0f)) {
        win::MessageBox(HWindow, "the confidence level must lie between 0 and 1", szRatioTitle, win::MB_OK);
        return;
    }
    double F = 0.0;
    // fewer than one degree of freedom ends here with its message
    if (!runAbandonable([&] { F = fStatCriticalRatio(fConfidence, n1, n2); })) return;
    const double dRatio = static_cast<double>(n2) / static_cast<double>(n1) * F;
    char sz[400];
    std::snprintf(sz, sizeof sz,
                  "variance (or sosq) ratio (chisq1/chisq2) at a %2.1f%% confidence level (n1=%.0f, n2=%.0f) is "
                  "%f\ncritical relative rmsd increase is a factor of %f",
                  100.0 * fConfidence, static_cast<double>(n1), static_cast<double>(n2), dRatio, std::sqrt(dRatio));
    win::MessageBox(HWindow, sz, "CALCUALTE SOSQ RATIO", win::MB_OK);
    std::snprintf(sz, sizeof sz, "for current rmsd (%f): critical value is %f", static_cast<double>(fRmsd),
                  static_cast<double>(fRmsd) * std::sqrt(dRatio));
    win::MessageBox(HWindow, sz, szRatioTitle, win::MB_OK);
}
