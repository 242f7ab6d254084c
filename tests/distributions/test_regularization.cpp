// Regularization terms and the regularization level.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/conti_scene.h"
#include "distributions/distribution_result.h"
#include "distributions/neq_builders.h"
#include "distributions/nnls_normal_equations.h"
#include "distributions/normal_equations.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "models/model_globals.h"
#include "numerics/nrutil.h"
#include "numerics/statistics.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "scandata/scan_data.h"

using namespace contitest;

namespace {

// A random symmetric positive matrix A of n variables in the set, W zeroed.
void randomEquations(int n, unsigned seed)
{
    allocNormalArrays(n, 1, 1);
    nResolution = nNEQSize = n;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 1; i <= n; i++)
        for (int j = 1; j <= i; j++) pNEMatrix[i][j] = pNEMatrix[j][i] = (i == j ? 5.0 : 0.0) + u(rng);
}

double addedTerm(int i, int j)
{
    return pNEWork[i][j] - pNEMatrix[i][j];
}

// A c(s)-like problem with 1000 degrees of freedom (10 scans x 101 radii -
// 10 grid points), second derivative.
void csProblem()
{
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
    installCsProblem(10);
}

double secondDifferences()
{
    double d = 0.0;
    for (int i = 2; i < nNEQSize; i++) {
        const double v = pNESolution[i - 1] - 2.0 * pNESolution[i] + pNESolution[i + 1];
        d += v * v;
    }
    return d;
}

}  // namespace

// The penalty matrices: alpha 0, the second derivative on four variables,
// the third with weights, the prior, maximum entropy.
TEST(RegularizationTerms, OneDimensionalPenalties)
{
    randomEquations(4, 1);
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
    addRegularization(0.0);
    for (int i = 1; i <= 4; i++)
        for (int j = 1; j <= 4; j++) EXPECT_EQ(pNEWork[i][j], pNEMatrix[i][j]);
    addRegularization(2.0);
    const double B2[4][4] = {{1, -2, 1, 0}, {-2, 5, -4, 1}, {1, -4, 5, -2}, {0, 1, -2, 1}};
    for (int i = 1; i <= 4; i++)
        for (int j = 1; j <= 4; j++) EXPECT_NEAR(addedTerm(i, j), 2.0 * B2[i - 1][j - 1], 1e-12);

    // The weighted third derivative on eight variables: D3'D3 scaled by w_i w_j.
    randomEquations(8, 2);
    bRegSecondDerivative = 0;
    bRegWeightedThirdDerivative = 1;
    addRegularization(1.0);
    const int N = 8;
    for (int i = 1; i <= N; i++)
        for (int j = 1; j <= N; j++) {
            double e = 0.0;  // (D3'D3)_ij from the difference rows
            for (int r = 1; r <= N - 3; r++) {
                auto d3 = [r](int c) {
                    const int k = c - r;
                    return k == 0 ? -1.0 : k == 1 ? 3.0 : k == 2 ? -3.0 : k == 3 ? 1.0 : 0.0;
                };
                e += d3(i) * d3(j);
            }
            EXPECT_NEAR(addedTerm(i, j), e, 1e-12) << i << "," << j;
        }
    pRegThirdDerivWeights = dvector(1, N);
    for (int i = 1; i <= N; i++) pRegThirdDerivWeights[i] = 0.5 + 0.1 * i;
    const double unweighted45 = -15.0;
    addRegularization(1.0);
    EXPECT_NEAR(addedTerm(4, 5), unweighted45 * 0.9 * 1.0, 1e-12);
    free_dvector(pRegThirdDerivWeights, 1, N);
    pRegThirdDerivWeights = nullptr;

    // The prior divides by m_i m_j.
    randomEquations(6, 3);
    bRegWeightedThirdDerivative = 0;
    bRegSecondDerivative = 1;
    bUsePriorProbabilities = 1;
    std::vector<double> prior(7);
    for (int i = 1; i <= 6; i++) prior[i] = 0.1 * i;
    pPriorProbability = prior.data();
    addRegularization(3.0);
    EXPECT_NEAR(addedTerm(3, 4), 3.0 * -4.0 / (0.3 * 0.4), 1e-9);
    EXPECT_NEAR(addedTerm(1, 1), 3.0 * 1.0 / (0.1 * 0.1), 1e-9);
    pPriorProbability = nullptr;
    bUsePriorProbabilities = 0;

    // Maximum entropy (and no method) only copies A.
    bRegSecondDerivative = 0;
    bRegMaxEnt = 1;
    addRegularization(5.0);
    for (int i = 1; i <= 6; i++)
        for (int j = 1; j <= 6; j++) EXPECT_EQ(pNEWork[i][j], pNEMatrix[i][j]);
}

// Models that keep a discrete species (or the buffer signal) in variable 1:
// its row and column are A's, the penalty covers 2..n.
TEST(RegularizationTerms, FirstVariableOfOneDiscreteModelsIsLeftOut)
{
    unsigned char* flags[] = {&bModelLsgsOneDiscrete, &bModelHybridCSLsgs, &bModelCSOneDiscreteD,
                              &bModelCSOneDiscreteM,  &bModelCSBimodalFf0OneDiscrete, &bModelNonidealCS,
                              &bModelCSWithMsTable,   &bBufferMismatch};
    bRegMaxEnt = 0;
    bRegSecondDerivative = 1;
    for (unsigned char* flag : flags) {
        randomEquations(6, 4);
        *flag = 1;
        bHybridWithDiscrete = flag == &bModelHybridCSLsgs;
        addRegularization(1.0);
        for (int i = 1; i <= 6; i++) {
            EXPECT_EQ(pNEWork[1][i], pNEMatrix[1][i]);
            EXPECT_EQ(pNEWork[i][1], pNEMatrix[i][1]);
        }
        EXPECT_NEAR(addedTerm(2, 2), 1.0, 1e-12);  // first row of the block
        EXPECT_NEAR(addedTerm(3, 3), 5.0, 1e-12);
        *flag = 0;
        bHybridWithDiscrete = 0;
    }
    // The hybrid model without its discrete species, and the buffer signal
    // already folded into the equations, regularize from variable 1.
    randomEquations(6, 5);
    bModelHybridCSLsgs = 1;
    addRegularization(1.0);
    EXPECT_NEAR(addedTerm(1, 1), 1.0, 1e-12);
    bModelHybridCSLsgs = 0;
    bBufferMismatch = 1;
    nNEQSize = 5;
    pNEWork[6][6] = -3.0;
    addRegularization(1.0);
    EXPECT_NEAR(addedTerm(1, 1), 1.0, 1e-12);
    EXPECT_EQ(pNEWork[6][6], -3.0);  // outside the n - 1 variables
}

// Two dimensions with five f/f0 slices: the second derivative along s in
// every slice, and along f/f0 with the end pairs 10 times the first
// difference, weighted by the factor f.
TEST(RegularizationTerms, TwoDimensionalPenalty)
{
    const int ns = 4, nSlices = 5, n = ns * nSlices;
    randomEquations(n, 6);
    bModelCSFf0 = 1;
    nNEQSize = ns;
    nCsGridTotal = n;
    fFf0Resolution = 5.0f;
    fFf0RegularizationFactor = 2.0f;
    bRegMaxEnt = 1;  // the two-dimensional penalty does not depend on the method
    addRegularization(0.0);
    for (int i = 1; i <= n; i++)
        for (int j = 1; j <= n; j++) ASSERT_EQ(pNEWork[i][j], pNEMatrix[i][j]);
    const double alpha = 0.5, f = 2.0;
    addRegularization(alpha);
    const double F[5][5] = {{11, -12, 1, 0, 0}, {-12, 15, -4, 1, 0}, {1, -4, 6, -4, 1}, {0, 1, -4, 15, -12},
                            {0, 0, 1, -12, 11}};
    const double S[4] = {1, 5, 5, 1};  // the diagonal of the s-direction penalty
    for (int i = 1; i <= ns; i++)
        for (int k = 1; k <= nSlices; k++)
            for (int l = 1; l <= nSlices; l++) {
                const int a = (k - 1) * ns + i, b = (l - 1) * ns + i;
                const double expected = alpha * f * F[k - 1][l - 1] + (k == l ? alpha * S[i - 1] : 0.0);
                EXPECT_NEAR(addedTerm(a, b), expected, 1e-12) << "s " << i << " slices " << k << "," << l;
            }
    EXPECT_NEAR(addedTerm(1, 2), alpha * -2.0, 1e-12);  // along s within slice 1
    EXPECT_EQ(addedTerm(4, 5), 0.0);                      // no coupling across slice ends

    // One discrete species: point 1 of slice 1 has no s-direction term.
    bModelCSFf0 = 0;
    bModelCSFf0OneDiscrete = 1;
    randomEquations(n, 6);
    nNEQSize = ns;
    addRegularization(alpha);
    EXPECT_NEAR(addedTerm(1, 1), alpha * f * 11.0, 1e-12);
    EXPECT_NEAR(addedTerm(2, 2), alpha * 1.0 + alpha * f * 11.0, 1e-12);
    EXPECT_EQ(addedTerm(1, 2), 0.0);
}

// P = 0.95 with 1000 degrees of freedom: the F-statistics target, reached to
// (target - 1) x 0.001; the solution is smoother than the unregularized one;
// the chi-square ratio rises with alpha.
TEST(RegularizationLevel, ReachesTheTargetOfTheConfidenceLevel)
{
    csProblem();
    addRegularization(0.0);
    ASSERT_TRUE(nnlsNormalEquations());
    const double roughness = secondDifferences();
    fConfidenceLevel = 0.95f;
    regularizeDistribution();
    EXPECT_EQ(fRegDof1, 1000.0f);
    EXPECT_NEAR(fTargetChisqRatio, 1.1097, 5e-5);
    EXPECT_NEAR(dChiSquare / dChiSquareUnreg, fTargetChisqRatio, (fTargetChisqRatio - 1.0) * 0.001);
    EXPECT_LT(secondDifferences(), roughness);
    EXPECT_GT(fRegLogAlpha, 0.0f);

    float fPrevious = -1e30f;
    for (float x = -12.0f; x <= 8.0f; x += 1.0f) {
        const float f = regularizationChiSquareExcess(x);
        EXPECT_GE(f, fPrevious - 1e-6f) << x;
        fPrevious = f;
    }

    // The weighted third derivative: a second pass with weights, which are
    // released afterwards.
    bRegSecondDerivative = 0;
    bRegWeightedThirdDerivative = 1;
    regularizeDistribution();
    EXPECT_EQ(pRegThirdDerivWeights, nullptr);
    EXPECT_NEAR(dChiSquare / dChiSquareUnreg, fTargetChisqRatio, (fTargetChisqRatio - 1.0) * 0.001);
}

// P above 1 is the ratio itself, with its notice.
TEST(RegularizationLevel, ConfidenceAboveOneIsTheRatio)
{
    csProblem();
    fConfidenceLevel = 1.05f;
    win::headless::Script script;
    script.expectMessageBox("", win::IDOK);
    regularizeDistribution();
    ASSERT_EQ(script.lines().size(), 1u);
    EXPECT_NE(script.lines()[0].find("P > 1 => interpreting P value as chi-square ratio"), std::string::npos);
    EXPECT_EQ(fTargetChisqRatio, 1.05f);
    EXPECT_NEAR(dChiSquare / dChiSquareUnreg, 1.05, 0.05 * 0.001);
}

// No regularization for P = 0.5, P = 1 or fewer than 4 variables; the box
// only with wizard messages; an all-zero matrix returns unregularized too.
TEST(RegularizationLevel, CasesWithoutRegularization)
{
    csProblem();
    addRegularization(0.0);
    ASSERT_TRUE(nnlsNormalEquations());
    const std::vector<double> unregularized(pNESolution + 1, pNESolution + 11);
    for (float P : {0.5f, 1.0f}) {
        fConfidenceLevel = P;
        for (unsigned char wizard : {0, 1}) {
            bWizardMessages = wizard;
            win::headless::Script script;
            if (wizard) script.expectMessageBox("", win::IDOK);
            regularizeDistribution();
            EXPECT_EQ(script.lines().size(), wizard ? 1u : 0u);
            if (wizard) {
                EXPECT_NE(script.lines()[0].find("no regularization:  either P < 0.5, P = 1, or to low resolution"),
                          std::string::npos);
            }
            EXPECT_EQ(std::vector<double>(pNESolution + 1, pNESolution + 11), unregularized);
            EXPECT_EQ(dChiSquare, dChiSquareUnreg);
        }
    }
    // Three variables.
    fConfidenceLevel = 0.95f;
    bWizardMessages = 0;
    nNEQSize = nResolution = 3;
    fRegAlpha = -1.0f;
    regularizeDistribution();
    EXPECT_EQ(fRegAlpha, -1.0f);  // no search

    // One variable: still its least-squares value b / a = 1.5, and the
    // chi-square of it, 10 - 2 x 1.5 x 6 + 1.5^2 x 4 = 1.
    randomEquations(1, 3);
    pNEMatrix[1][1] = 4.0;
    pNERightSide[1] = 6.0;
    pNESolution[1] = -7.0;
    dSumSquaredData = 10.0;
    regularizeDistribution();
    EXPECT_NEAR(pNESolution[1], 1.5, 1e-12);
    EXPECT_NEAR(dChiSquare, 1.0, 1e-12);
    EXPECT_EQ(fRegAlpha, -1.0f);

    // An all-zero matrix: trace 0.
    randomEquations(6, 9);
    for (int i = 1; i <= 6; i++)
        for (int j = 1; j <= 6; j++) pNEMatrix[i][j] = 0.0;
    dSumSquaredData = 1.0;
    regularizeDistribution();
    EXPECT_EQ(dRegAlphaScale, 0.0);
    EXPECT_EQ(fRegAlpha, -1.0f);
    for (int i = 1; i <= 6; i++) EXPECT_EQ(pNESolution[i], 0.0);
}
