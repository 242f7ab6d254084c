// The program-wide radial grid: blocks, layouts, size choice, truncation, the
// co-solute block, the rotor speed while accelerating, and the loading
// equilibrium of A + B <-> AB.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include "fegrid/global_grid.h"
#include "fegrid/hetero_assoc.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "scandata/scan_data.h"

namespace {

constexpr double m = 6.0, b = 7.2;

class GlobalGridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fMeniscus = static_cast<float>(m);
        fBottom = static_cast<float>(b);
    }
    // The radii as they stand.
    static std::vector<double> radii()
    {
        return std::vector<double>(pGridRadius + 1, pGridRadius + nGridPointsAllocated + 1);
    }
    static void expectIncreasingToBottom()
    {
        const int n = nGridPointsAllocated;
        for (int i = 2; i <= n; ++i) ASSERT_GT(pGridRadius[i], pGridRadius[i - 1]) << "at " << i;
        EXPECT_EQ(pGridRadius[1], (double)fMeniscus);
        EXPECT_EQ(pGridRadius[n], (double)fBottom);
    }
};

}  // namespace

TEST_F(GlobalGridTest, LayoutsOfTheRadii)
{
    // moving hat (the default): geometric with a half step at the meniscus
    nGridPoints = 101;
    ASSERT_TRUE(allocRadialGridArrays());
    const double q = std::pow(b / (double)fMeniscus, 0.01);
    EXPECT_NEAR(pGridRadius[2], m * std::pow((double)fBottom / fMeniscus, 0.5 / 100), 1e-12);
    for (int i = 3; i <= 100; ++i) ASSERT_NEAR(pGridRadius[i] / pGridRadius[i - 1], q, 1e-6);
    expectIncreasingToBottom();
    dSGrid = -2;
    setupRadialGrid();
    EXPECT_NEAR(pGridRadius[2], m * std::pow((double)fBottom / fMeniscus, 1.5 / 100), 1e-12);
    EXPECT_EQ(pGridRadius[101], (double)fBottom);
    dSGrid = 0;

    // Claverie: equidistant
    bMovingHat = 0;
    bClaverie = 1;
    setupRadialGrid();
    for (int i = 1; i <= 101; ++i) ASSERT_NEAR(pGridRadius[i], m + (i - 1) * 0.012, 1e-6);
    expectIncreasingToBottom();

    // neither: the centres of N equal cells
    bClaverie = 0;
    setupRadialGrid();
    const double h = ((double)fBottom - fMeniscus) / 101;
    EXPECT_NEAR(pGridRadius[1], m + 0.5 * h, 1e-12);
    EXPECT_NEAR(pGridRadius[101], (double)fBottom - 0.5 * h, 1e-12);

    // nothing while light-scattering data are loaded
    const std::vector<double> before = radii();
    bDLSData = 1;
    bClaverie = 1;
    setupRadialGrid();
    EXPECT_EQ(radii(), before);
    bDLSData = 0;

    // a one-point grid has no spacing to divide by
    freeRadialGridArrays();
    nGridPoints = 1;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(pGridRadius[1], (double)fMeniscus);
}

TEST_F(GlobalGridTest, BlocksFollowTheAlgorithmAndTheModel)
{
    // the default moving hat: its block, the moving radii in slice 10
    nGridPoints = 200;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(nGridPointsAllocated, 200);
    ASSERT_NE(pFeGridRadius, nullptr);
    EXPECT_EQ(pFeGridRadius, pMovingHatBlock[10]);
    EXPECT_EQ(pMovingHatBlock[2] - pMovingHatBlock[1], 201);
    EXPECT_EQ(pMassDiag - pMassUpper, 201);
    EXPECT_EQ(pTridagPivot - pMassLower, 201);
    EXPECT_EQ(pNonidealBlock[1], nullptr);
    EXPECT_EQ(pHeteroBlock[1], nullptr);
    for (int i = 1; i <= 200; ++i) ASSERT_EQ(pGridConc[i], 0.0);  // zero-filled

    // a set without the moving-hat block is refused once the moving hat is
    // wanted: it is freed and made again
    freeRadialGridArrays();
    bMovingHat = 0;
    bClaverie = 1;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(pFeGridRadius, nullptr);
    bMovingHat = 1;
    EXPECT_FALSE(allocRadialGridArrays());
    EXPECT_FALSE(bGridArraysAllocated);
    EXPECT_EQ(pGridRadius, nullptr);
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_NE(pFeGridRadius, nullptr);

    // the self-association and hetero-association blocks with their models
    freeRadialGridArrays();
    bModelMonomerTrimer = 1;
    bModelHeteroAssociation = 1;
    bHeteroAssocRun = 1;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(pLocalS, pNonidealBlock[1]);
    EXPECT_EQ(pLocalD, pNonidealBlock[16]);
    EXPECT_EQ(pGridConcTrial, pNonidealBlock[17]);
    EXPECT_EQ(pHeteroBlock[34] - pHeteroBlock[1], 33 * 201);
    ASSERT_NE(pHeteroProfileA, nullptr);
    EXPECT_EQ(pHeteroProfileA->nSize, 200u);
    EXPECT_NE(pHeteroCurve, nullptr);

    // resizing: without arrays nothing happens; with them a new set
    ASSERT_TRUE(resizeRadialGrid(300));
    EXPECT_EQ(nGridPointsAllocated, 300);
    freeRadialGridArrays();
    EXPECT_EQ(pHeteroProfileA, nullptr);
    freeRadialGridArrays();  // twice is harmless
    EXPECT_FALSE(resizeRadialGrid(400));
    EXPECT_EQ(nGridPoints, 300);
    EXPECT_FALSE(bGridArraysAllocated);
}

TEST_F(GlobalGridTest, AGridBeyondTheMachinesMemoryIsRefused)
{
    // A size read from a damaged settings file: refused, not a process that
    // runs out of memory while it lays out the radii.
    nGridPoints = INT_MAX - 1;
    EXPECT_FALSE(allocRadialGridArrays());
    EXPECT_FALSE(bGridArraysAllocated);
    EXPECT_EQ(pGridRadius, nullptr);
    nGridPoints = 0;
    EXPECT_FALSE(allocRadialGridArrays());
    nGridPoints = 500;
    EXPECT_TRUE(allocRadialGridArrays());
    // a default that did not parse is not taken as the next size
    EXPECT_FALSE(resizeRadialGrid(INT_MAX));
    EXPECT_EQ(nGridPoints, INT_MAX - 1);
}

TEST_F(GlobalGridTest, GridSizeOfTheVariableGrid)
{
    bMovingHat = 0;
    bClaverie = 1;

    // kept: fewer than 50 points, the moving hat, no Claverie, x at the meniscus
    nGridPoints = 40;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(chooseRadialGridSize(6.5f), 40);
    EXPECT_FALSE(bVariableGridBuilt);
    nGridPoints = 1000;
    for (auto set : {+[] { bMovingHat = 1; }, +[] { bClaverie = 0; }, +[] { fMeniscus = 6.5f; }}) {
        bMovingHat = 0;
        bClaverie = 1;
        fMeniscus = 6.0f;
        set();
        EXPECT_EQ(chooseRadialGridSize(6.5f), 1000);
        EXPECT_FALSE(bVariableGridBuilt);
    }
    fMeniscus = 6.0f;
    bMovingHat = 0;
    bClaverie = 1;

    // equidistant to x, then growing steps to the bottom
    const int n = chooseRadialGridSize(6.6f);
    EXPECT_GE(n, 50);
    EXPECT_LT(n, 1000);
    EXPECT_EQ(nGridPointsAllocated, n);
    EXPECT_TRUE(bVariableGridBuilt);
    EXPECT_FALSE(bVariableGridRequest);
    const double h = ((double)fBottom - m) / 999;
    EXPECT_NEAR(pGridRadius[2] - pGridRadius[1], h, 1e-12);
    int k = 1;
    while (pGridRadius[k + 1] < 6.6) ++k;  // the first point at or beyond x
    EXPECT_NEAR(pGridRadius[k] - pGridRadius[k - 1], h, 1e-12);
    const double r = pGridRadius[k + 5];
    const double x = 6.6f;
    EXPECT_NEAR(pGridRadius[k + 6] - r, h * std::sqrt((r - m) / (x - m) * (x / r)), 1e-12);
    EXPECT_GT(pGridRadius[n - 1] - pGridRadius[n - 2], 1.3 * h);
    expectIncreasingToBottom();

    // a grid that would need fewer than 50 points: 50 equidistant ones
    freeRadialGridArrays();
    nGridPoints = 60;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(chooseRadialGridSize(6.02f), 50);
    EXPECT_FALSE(bVariableGridBuilt);
    EXPECT_NEAR(pGridRadius[2] - pGridRadius[1], 1.2 / 49, 1e-6);
    expectIncreasingToBottom();
    // one that reaches exactly 50 (from 6.018 with the step of 200 points) is
    // taken as it is: the step of 200 points at the meniscus, growing to the
    // bottom, not 50 equidistant ones
    freeRadialGridArrays();
    nGridPoints = 200;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_EQ(chooseRadialGridSize(6.018f), 50);
    EXPECT_TRUE(bVariableGridBuilt);
    EXPECT_NEAR(pGridRadius[2] - pGridRadius[1], 1.2 / 199, 1e-6);
    EXPECT_GT(pGridRadius[49] - pGridRadius[48], 2 * (pGridRadius[2] - pGridRadius[1]));
    expectIncreasingToBottom();

    // a start radius within one step of the meniscus still grows away from it
    nGridPoints = 1000;
    freeRadialGridArrays();
    ASSERT_TRUE(allocRadialGridArrays());
    chooseRadialGridSize(6.0005f);
    expectIncreasingToBottom();
}

TEST_F(GlobalGridTest, TruncationStretchesTheInnerPartAndGrowsToTheBottom)
{
    bMovingHat = 0;
    bClaverie = 1;
    nGridPoints = 1000;
    ASSERT_TRUE(allocRadialGridArrays());
    EXPECT_FALSE(truncateRadialGrid(5.0));  // not a variable grid
    const int n = chooseRadialGridSize(6.6f);
    const std::vector<double> before = radii();
    bBackDiffusionShutOffActive = 1;
    EXPECT_FALSE(truncateRadialGrid(5.0));
    EXPECT_EQ(radii(), before);
    bBackDiffusionShutOffActive = 0;

    // sigma <= 10: cut at meniscus + 10 % of the column
    ASSERT_TRUE(truncateRadialGrid(5.0));
    const int k = nTruncationIndex;
    const double rCut = m + 0.1 * ((double)fBottom - m);
    EXPECT_GE(pGridRadius[k], rCut);
    EXPECT_LT(pGridRadius[k - 1], rCut);
    EXPECT_EQ(dTruncationRadius, pGridRadius[k]);
    for (int i = 2; i <= k; ++i) ASSERT_NEAR(pGridRadius[i], m + 1.1 * (before[i - 1] - m), 1e-12);
    EXPECT_NEAR(dTruncationStep, pGridRadius[k] - pGridRadius[k - 1], 1e-15);
    // beyond the cut every step is the one before times one factor
    const double g = (pGridRadius[k + 1] - pGridRadius[k]) / dTruncationStep;
    for (int i = k + 2; i < n; ++i)
        ASSERT_NEAR((pGridRadius[i] - pGridRadius[i - 1]) / (pGridRadius[i - 1] - pGridRadius[i - 2]), g, 1e-9);
    EXPECT_EQ(pGridRadius[n], (double)fBottom);
    EXPECT_NEAR(pGridRadius[n - 1] - pGridRadius[n - 2], dTruncationStep * std::pow(g, n - 1 - k), 1e-9);
    // the progression ends on the bottom to the root finder's tolerance
    EXPECT_NEAR(pGridRadius[n - 1] + (pGridRadius[n - 1] - pGridRadius[n - 2]) * g, (double)fBottom, 1e-4);
    expectIncreasingToBottom();

    // a steep gradient cuts nearer the bottom: b sqrt(1 - 10/(sigma b^2))
    chooseRadialGridSize(6.6f);
    const double sigma = 40.0;
    const double rSteep = (double)fBottom * std::sqrt(1 - 10 / (sigma * (double)fBottom * fBottom));
    ASSERT_TRUE(truncateRadialGrid(sigma));
    EXPECT_GE(pGridRadius[nTruncationIndex], rSteep);
    EXPECT_LT(pGridRadius[nTruncationIndex - 1], rSteep);
    expectIncreasingToBottom();
}

// A grid on which no geometric progression from the stretched cut point can
// end on the bottom is left as it was, and quietly: the cut point beyond the
// bottom, the cut on the last point, the cut point exactly on the bottom. The
// root finder is not asked (it would find no sign change and show its
// message, or, on the bottom, a factor of 0: two more points on the bottom).
TEST_F(GlobalGridTest, TruncationLeavesAGridItCannotEndOnTheBottom)
{
    bMovingHat = 0;
    bClaverie = 1;
    nGridPoints = 5;
    ASSERT_TRUE(allocRadialGridArrays());
    // a coarse grid whose stretched cut point lies beyond the bottom
    const double coarse[] = {6.0, 6.5, 7.1, 7.15, 7.2};
    for (int i = 1; i <= 5; ++i) pGridRadius[i] = coarse[i - 1];
    pGridRadius[5] = fBottom;
    bVariableGridBuilt = 1;
    const std::vector<double> before = radii();
    EXPECT_FALSE(truncateRadialGrid(100.0));
    EXPECT_EQ(radii(), before);
    // and one whose cut is the last point
    pGridRadius[3] = 7.0;
    const std::vector<double> before2 = radii();
    EXPECT_FALSE(truncateRadialGrid(100.0));
    EXPECT_EQ(radii(), before2);
    // and one whose stretched cut point lands on the bottom itself, with two
    // points still to come: steps from there could only be of no length
    // (a growth factor of 0 matches the bottom exactly)
    double rOnBottom = m + ((double)fBottom - m) / 1.1;
    for (int q = 0; q < 64 && m + 1.1 * (rOnBottom - m) != (double)fBottom; q++)
        rOnBottom = std::nextafter(rOnBottom, m + 1.1 * (rOnBottom - m) < (double)fBottom ? 8.0 : 6.0);
    ASSERT_EQ(m + 1.1 * (rOnBottom - m), (double)fBottom);
    pGridRadius[3] = rOnBottom;
    const std::vector<double> before3 = radii();
    EXPECT_FALSE(truncateRadialGrid(100.0));
    EXPECT_EQ(radii(), before3);
}

TEST_F(GlobalGridTest, CosoluteWorkBlock)
{
    nCosoluteGridSize = 50;
    ASSERT_TRUE(allocSolverWorkBlock());
    EXPECT_EQ(nCosoluteGridAllocated, 50);
    EXPECT_EQ(pCosoluteGridRadius, pCosoluteBlock[1]);
    EXPECT_EQ(pCosoluteGridRadius[1], (double)fMeniscus);
    EXPECT_NEAR(pCosoluteGridRadius[50], (double)fBottom, 1e-12);
    EXPECT_NEAR(pCosoluteGridRadius[26] - pCosoluteGridRadius[25], ((double)fBottom - m) / 49, 1e-12);
    EXPECT_EQ(pNonidealCosoluteBlock[1], nullptr);
    // another size: freed and made again, with the non-ideal block when asked
    nCosoluteGridSize = 80;
    bNonidealCosolute = 1;
    ASSERT_TRUE(allocSolverWorkBlock());
    EXPECT_EQ(nCosoluteGridAllocated, 80);
    ASSERT_NE(pNonidealCosoluteBlock[14], nullptr);
    EXPECT_EQ(pNonidealCosoluteBlock[14] - pNonidealCosoluteBlock[1], 13 * 81);
    freeSolverWorkBlock();
    freeSolverWorkBlock();
    EXPECT_FALSE(bCosoluteArraysAllocated);
    EXPECT_EQ(pCosoluteGridRadius, nullptr);
}

TEST_F(GlobalGridTest, RotorSpeedDuringAcceleration)
{
    dOmega = 60000;
    dAngularAcceleration = 200;
    // a ramp under 10 s counts as full speed at once
    dAccelerationTime = 9.9;
    bRotorAccelerating = 1;
    EXPECT_EQ(effectiveOmegaDuringAcceleration(0, 10), 60000);
    EXPECT_FALSE(bRotorAccelerating);
    // the mean square speed over the step
    dAccelerationTime = 300;
    EXPECT_NEAR(effectiveOmegaDuringAcceleration(0, 10), 1414.2, 0.05);
    EXPECT_NEAR(effectiveOmegaDuringAcceleration(100, 10), std::sqrt((20000.0 * 20000 + 22000.0 * 22000) / 2), 1e-9);
    EXPECT_EQ(effectiveOmegaDuringAcceleration(300, 10), 60000);
    dOmega = 1000;
    EXPECT_EQ(effectiveOmegaDuringAcceleration(0, 10), 1000);
}

TEST(HeteroAssociation, LoadingEquilibriumSolvesTheMassAction)
{
    EXPECT_NEAR(complexLoadingConcentration(1, 1, 1), (3 - std::sqrt(5.0)) / 2, 1e-15);
    EXPECT_EQ(complexLoadingConcentration(0, 1, 1), 0);
    EXPECT_EQ(complexLoadingConcentration(1, 1, 0), 0);
    // weak and strong binding: the root keeps its digits
    for (const auto& ab : {std::pair{1.0, 1.0}, std::pair{1.0, 0.5}}) {
        const double a = ab.first, bb = ab.second;
        for (double lk = -10; lk <= 6; lk += 0.5) {
            const double K = std::pow(10.0, lk);
            const double x = complexLoadingConcentration(a, bb, K);
            ASSERT_GT(x, 0);
            ASSERT_LE(x, std::min(a, bb));
            EXPECT_NEAR((a - x) * (bb - x) * K, x, 1e-10 * x) << "log K " << lk;
            const float fx = static_cast<float>(x);
            EXPECT_NEAR(fx, x, 1e-6 * x);
        }
    }
    // K to 0: no complex, the free concentrations are the loadings
    EXPECT_NEAR(complexLoadingConcentration(1, 1, 1e-40), 1e-40, 1e-50);

    fLoadingA = 2;
    fSignalCoefA = 2;
    fLoadingB = 1;
    fSignalCoefB = 1;
    fLogAssocK = 0;
    dLastHeteroStep = 5;
    heteroAssocEquilibrium();
    EXPECT_FLOAT_EQ(fAssocK, 1);
    EXPECT_NEAR(fComplexLoading, 0.381966, 1e-6);
    EXPECT_EQ(dComplexSignalFactor, 3);
    EXPECT_EQ(dLastHeteroStep, 0);
    // a species without signal has no concentration to bind
    fSignalCoefB = 0;
    heteroAssocEquilibrium();
    EXPECT_EQ(fComplexLoading, 0);
}
