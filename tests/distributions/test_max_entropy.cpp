// Maximum-entropy regularization.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_run.h"
#include "distributions/conti_scene.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_integration.h"
#include "distributions/distribution_result.h"
#include "distributions/conti_run_fixture.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/max_entropy.h"
#include "distributions/neq_builders.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/statistics.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"

using namespace contitest;

namespace {

void csProblem(int nGrid, int nUnreached = 0)
{
    bRegMaxEnt = 1;
    installCsProblem(nGrid, nUnreached);
}

// The peaks of the shown c(s), highest first: weight-average s and fraction
// of the total.
std::vector<std::pair<float, float>> peaksOfDistribution()
{
    const std::vector<int> maxima = shownMaxima();
    std::vector<std::pair<float, float>> peaks;
    for (const DistributionPeak& p : distinctPeaks(maxima.data(), static_cast<int>(maxima.size()) - 1, 0.9f))
        peaks.emplace_back(p.fMean, p.fFraction);
    return peaks;
}

// The fraction of the total below s.
float fractionBelow(float s)
{
    float fArea = 0, fMean = 0, fTotal = 0;
    integrateDistribution(pDistAxisS[1], s, &fArea, &fMean, &fTotal, nullptr, nullptr, nullptr);
    return fArea / fTotal;
}

double levelOf(double ratio)
{
    return 1.0 - fDistributionTail(ratio, fRegDof1, fRegDof2);
}

}  // namespace

// P = 0.95 (and levels from 0.55 to 0.99): the chi-square ratio at the
// F-statistics target, or the level reached within 0.005, and the amplitudes
// the minimum of chi-square + alpha sum c_i ln(c_i / r) with the flat
// reference r = T / n of the unregularized total T; P = 2: the notice and the
// ratio 2; P = 1.0001 the ratio 1.0001 to 1e-7.
TEST(MaxEntropy, ReachesTheConfidenceLevel)
{
    csProblem(20);
    addRegularization(0.0);
    ASSERT_TRUE(nnlsNormalEquations());
    double T = 0.0;
    for (int i = 1; i <= 20; i++) T += pNESolution[i];
    csProblem(20);
    fConfidenceLevel = 0.95f;
    regularizeMaxEntropy();
    const double ratio = dChiSquare / dChiSquareUnreg;
    const double tol = (dRegTargetRatio - 1.0) * 0.001;
    EXPECT_EQ(fRegDof1, 990.0f);
    EXPECT_NEAR(dRegTargetRatio, fStatCriticalRatio(0.95, 990.0, 990.0), 1e-6);
    EXPECT_TRUE(std::fabs(ratio - dRegTargetRatio) <= tol || std::fabs(levelOf(ratio) - 0.95) < 0.005)
        << "ratio " << ratio << " target " << dRegTargetRatio;
    for (int i = 1; i <= 20; i++) EXPECT_GE(pNESolution[i], 1e-20);
    EXPECT_EQ(bInterruptComputation.load(), 0);
    // At the minimum the gradient 2 (A c - b)_i + alpha (ln(c_i / r) + 1)
    // vanishes for every amplitude inside its bound, so each one tells the
    // reference it was regularized towards: r = c_i exp(1 + 2 (A c - b)_i / alpha).
    int nInside = 0;
    for (int i = 1; i <= 20; i++) {
        if (pNESolution[i] < 1e-6 * T) continue;
        double residual = -pNERightSide[i];
        for (int l = 1; l <= 20; l++) residual += pNEMatrix[i][l] * pNESolution[l];
        const double r = pNESolution[i] * std::exp(1.0 + 2.0 * residual / dMaxEntAlpha);
        EXPECT_NEAR(r / (T / 20), 1.0, 0.01) << "amplitude " << i;
        nInside++;
    }
    EXPECT_GE(nInside, 15);

    // the same for the levels a user may choose from 0.55 to 0.99
    for (int k = 55; k <= 99; k += 4) {
        csProblem(20);
        fConfidenceLevel = k / 100.0f;
        regularizeMaxEntropy();
        const double r = dChiSquare / dChiSquareUnreg, t = (dRegTargetRatio - 1.0) * 0.001;
        EXPECT_TRUE(std::fabs(r - dRegTargetRatio) <= t || std::fabs(levelOf(r) - fConfidenceLevel) < 0.005)
            << "P " << fConfidenceLevel << " ratio " << r << " target " << dRegTargetRatio;
    }

    csProblem(20);
    fConfidenceLevel = 2.0f;
    win::headless::Script script;
    script.expectMessageBox("", win::IDOK);
    regularizeMaxEntropy();
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_NE(script.lines()[0].find("P > 1 => interpreting P value as chi-square ratio"), std::string::npos);
    EXPECT_NEAR(dChiSquare / dChiSquareUnreg, 2.0, 0.002);

    // a ratio just above 1 leaves the search a tolerance of 1e-7, which the
    // Newton iterations at each alpha must resolve: the target is reached
    // quietly, with no fall-back notice
    csProblem(20);
    fConfidenceLevel = 1.0001f;
    win::headless::Script near1;
    near1.expectMessageBox("", win::IDOK);
    regularizeMaxEntropy();
    EXPECT_EQ(near1.lines().size(), 1u);
    EXPECT_LE(std::fabs(dChiSquare / dChiSquareUnreg - dRegTargetRatio), (dRegTargetRatio - 1.0) * 0.001);
}

// Fewer than 10 variables, or an all-zero unregularized solution: the
// unregularized solution, silently.
TEST(MaxEntropy, SilentWithoutEnoughVariablesOrSignal)
{
    csProblem(9);
    bWizardMessages = 1;
    fConfidenceLevel = 0.95f;
    addRegularization(0.0);
    ASSERT_TRUE(nnlsNormalEquations());
    const std::vector<double> unregularized(pNESolution + 1, pNESolution + 10);
    win::headless::Script script;
    regularizeMaxEntropy();
    EXPECT_TRUE(script.lines().empty());
    EXPECT_EQ(std::vector<double>(pNESolution + 1, pNESolution + 10), unregularized);
    EXPECT_EQ(dChiSquare, dChiSquareUnreg);

    csProblem(12);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= nNoiseGridPoints; j++) ppScanOnNoiseGrid[k][j] = -0.1f;
    buildNormalEquations(nullptr, 1);
    regularizeMaxEntropy();
    EXPECT_TRUE(script.lines().empty());
    for (int i = 1; i <= 12; i++) EXPECT_EQ(pNESolution[i], 0.0);
}

// The Marquardt step: Q never rises, every amplitude stays at least 1e-20; a
// discrete first variable has no entropy curvature or gradient.
TEST(MaxEntropy, StepsLowerTheFunctionalAndKeepAmplitudesPositive)
{
    csProblem(20);
    bModelCSOneDiscreteM = 1;
    addRegularization(0.0);
    ASSERT_TRUE(nnlsNormalEquations());
    const int n = 20;
    dMaxEntTotal = 0.0;
    for (int i = 2; i <= n; i++) dMaxEntTotal += pNESolution[i];
    dMaxEntMean = dMaxEntTotal / n;
    dMaxEntAlpha = 50.0;
    for (int i = 1; i <= n; i++) {
        pNNLSReducedMatrix[i][i] = 0.0;
        if (pNESolution[i] == 0.0) pNESolution[i] = dMaxEntMean * 1e-7;
        for (int j = 1; j <= n; j++) pNNLSReducedMatrix[i][j] = pNEMatrix[i][j];
    }
    double Q = 0.0, lambda = -1.0;
    double previous = 1e300;
    int nAccepted = 0;
    for (int step = 0; step < 60; step++) {
        maxEntMarquardtStep(pNEMatrix, pNERightSide, dSumSquaredData, dMaxEntAlpha, pNESolution, pNNLSReducedMatrix,
                            pMaxEntWork, n, &Q, &lambda);
        EXPECT_LE(Q, previous);
        if (Q < previous) nAccepted++;
        previous = Q;
        for (int i = 1; i <= n; i++) ASSERT_GE(pNESolution[i], 1e-20) << "step " << step;
    }
    EXPECT_GT(nAccepted, 3);
    // Variable 1 carries no entropy term.
    double Qc = 0.0;
    maxEntMrqcof(pNEMatrix, pNERightSide, dSumSquaredData, dMaxEntAlpha, pNESolution, pNNLSReducedMatrix,
                 pMaxEntWork, n, &Qc);
    EXPECT_EQ(pNNLSReducedMatrix[1][1], pNEMatrix[1][1]);
    EXPECT_GT(pNNLSReducedMatrix[2][2], pNEMatrix[2][2]);
    double beta1 = pNERightSide[1];
    for (int l = 1; l <= n; l++) beta1 -= pNEMatrix[1][l] * pNESolution[l];
    EXPECT_NEAR(pMaxEntWork[1], beta1, 1e-12 * (1.0 + std::fabs(beta1)));
}

// Grid points the data do not see (their Lamm solutions 0 in the fitted
// range) stay at 0, with or without a prior; a point the data see only
// faintly (a thousandth of another point's profile, no signal of its own) gets
// less than the flat share T / n.
TEST(MaxEntropy, PointsTheDataDoNotSeeGainNoSignal)
{
    auto install = [] {
        csProblem(20, 16);
        for (int k = 1; k <= nScans; k++)
            for (int j = 1; j <= nNoiseGridPoints; j++) pLammSolutions[16][k][j] = 1e-3f * pLammSolutions[10][k][j];
        buildNormalEquations(nullptr, 1);
        fConfidenceLevel = 0.95f;
    };
    install();
    regularizeMaxEntropy();
    EXPECT_GT(pNESolution[16], 0.0);
    EXPECT_LT(pNESolution[16], dMaxEntTotal / 20);
    for (int g = 17; g <= 20; g++) EXPECT_EQ(pNESolution[g], 0.0) << g;

    install();
    std::vector<double> prior(21);
    for (int g = 1; g <= 20; g++) prior[g] = 0.01 + 0.004 * g;
    pPriorProbability = prior.data();
    bUsePriorProbabilities = 1;
    regularizeMaxEntropy();
    EXPECT_EQ(bMaxEntUsePrior, 1);
    for (int g = 17; g <= 20; g++) EXPECT_EQ(pNESolution[g], 0.0) << g;
    pPriorProbability = nullptr;
}

// A key during the search ends it at its next fall-back with the notice and
// the amplitudes of the best alpha.
TEST(MaxEntropy, AKeyEndsTheSearch)
{
    csProblem(20);
    fConfidenceLevel = 0.95f;
    win::headless::Script script;
    script.pressKey('K');
    script.expectMessageBox("ATTENTION", win::IDOK);
    regularizeMaxEntropy();
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_NE(script.lines()[0].find("caught in local minimum or user interrupt at P = "), std::string::npos);
    for (int i = 1; i <= 20; i++) EXPECT_GE(pNESolution[i], 1e-20);
    EXPECT_EQ(bInterruptComputation.load(), 0);
}

// A local minimum of the excess above the target ends the search with the
// same notice: every step away from the best alpha is worse, the halved steps
// shrink to nothing, and the search stops at the best point (its level in the
// notice) instead of running on to the iteration limit.
TEST(MaxEntropy, ALocalMinimumEndsTheSearch)
{
    // The excess is 0.05 at x0 and rises on both sides; to the left (where the
    // search walks, the excess being above the target) it jumps to 0.3 at once,
    // so no shorter step ever comes within the tolerance of the best.
    static const double x0 = std::log(1e-4);
    static int nEvaluations;
    nEvaluations = 0;
    auto excess = [](double x) {
        nEvaluations++;
        return x >= x0 ? 0.05 + (x - x0) : 0.3 + (x0 - x);
    };
    ASSERT_EQ(nNEQSize, 0);  // no amplitudes to keep: the search alone
    dRegTargetRatio = 1.1;
    fRegDof1 = fRegDof2 = 1000.0f;
    fConfidenceLevel = 0.95f;
    win::headless::Script script;
    script.expectMessageBox("ATTENTION", win::IDOK);
    const double x = searchMaxEntAlpha(excess, x0, 0.01, 1e-4, 0.005);
    ASSERT_EQ(script.lines().size(), 1u);
    // the level of a ratio 1.15 with 1000 and 1000 degrees of freedom
    char sz[80];
    std::snprintf(sz, sizeof sz, "at P = %f", levelOf(1.15));
    EXPECT_NE(script.lines()[0].find(std::string("caught in local minimum or user interrupt ") + sz), std::string::npos)
        << script.lines()[0];
    EXPECT_EQ(x, x0);
    // the step from 0.01 halved at every trial: a few dozen trials, far from
    // the limit of 1000
    EXPECT_LT(nEvaluations, 60);
    EXPECT_EQ(bInterruptComputation.load(), 0);
}

// An excess that falls too slowly ever to reach the target gives up after
// 1000 iterations with "too many iterations finding root" and the alpha of
// the last trial.
TEST(MaxEntropy, ASearchThatNeverArrivesStopsAtTheIterationLimit)
{
    // Above the target everywhere and falling by 1e-4 per unit of ln(alpha):
    // every trial is a new best, so each iteration is one step of the largest
    // size 0.25 down (the first one the start step of 0.01).
    static const double x0 = std::log(1e-4);
    static int nEvaluations;
    nEvaluations = 0;
    auto excess = [](double x) {
        nEvaluations++;
        return 0.5 + 1e-4 * (x - x0);
    };
    ASSERT_EQ(nNEQSize, 0);  // no amplitudes to keep: the search alone
    dRegTargetRatio = 1.1;
    fRegDof1 = fRegDof2 = 1000.0f;
    fConfidenceLevel = 0.95f;
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("too many iterations finding root", win::IDOK);
    const double x = searchMaxEntAlpha(excess, x0, 0.01, 1e-4, 0.005);
    ASSERT_EQ(shownErrorMessages().size(), 1u);
    EXPECT_EQ(shownErrorMessages().front(), "too many iterations finding root");
    // the start and one trial in each of 1000 iterations
    EXPECT_EQ(nEvaluations, 1001);
    EXPECT_NEAR(x, x0 - 0.01 - 999 * 0.25, 1e-9);
}

// With s min 0 and TI and RI noise eliminated, the 0 S point is blind (its
// constant profile is the noise's) and those just above it nearly so: they get
// no signal and the species keep their shares. 4 S and 9 S in 2 : 1.
TEST_F(ContiRunTest, MaxEntropyLeavesTheBlindPointsEmpty)
{
    SpeciesScans four;
    four.s = 4.0;
    four.D = diffusionOf(4.0, 1.3);
    four.loading = 0.6;
    four.noise = 0.004;
    four.tiNoise = four.riNoise = 0.01;
    four.nScans = 30;
    four.nPoints = 400;
    SpeciesScans nine = four;
    nine.s = 9.0;
    nine.D = diffusionOf(9.0, 1.3);
    nine.loading = 0.3;
    LoadMixture({four, nine});
    ChooseContinuous(&bModelCS, 0.0f, 15.0f, 100, 1.3f, 0.95f);
    bFitTINoise = bFitRINoise = 1;
    bRegMaxEnt = 1;
    win::headless::Script script;
    RunContiSed(window.get());
    const auto peaks = peaksOfDistribution();
    ASSERT_GE(peaks.size(), 2u);
    EXPECT_NEAR(peaks[0].first, 4.0, 0.05);
    EXPECT_NEAR(peaks[0].second, 2.0 / 3.0, 0.02);
    EXPECT_NEAR(peaks[1].first, 9.0, 0.05);
    EXPECT_NEAR(peaks[1].second, 1.0 / 3.0, 0.02);
    EXPECT_LE(fractionBelow(1.0f), 0.02);
}
