// The solver's own radial grid.
#include <gtest/gtest.h>

#include <cmath>

#include "lamm/lamm_ideal.h"
#include "platform/win.h"
#include "plot/error_box.h"

namespace {
void cell(CLammIdeal& L, double m, double b)
{
    L.SetSedimentationParams(5, 6e-7, m, b, 1.0, (float)(m + 0.1), (float)(b - 0.1));
}
}  // namespace

TEST(LammGrid, LayoutsOfTheGrid)
{
    CLammIdeal L;
    cell(L, 6.0, 7.2);
    EXPECT_EQ(L.ResizeGrid(300), 0);  // nothing allocated yet
    L.nGridPoints = 121;
    ASSERT_EQ(L.AllocGridArrays(), 1);
    EXPECT_NEAR(L.pRadius[1], 6.0, 1e-6);
    EXPECT_NEAR(L.pRadius[61], 6.6, 1e-6);
    EXPECT_EQ(L.pRadius[121], (double)7.2f);

    // geometric grid of the moving-grid engine
    L.bEngineMovingGrid = 1;
    L.bEngineStaticGrid = 0;
    L.BuildGrid();
    const double q = std::pow(7.2 / 6.0, 1.0 / 120);
    EXPECT_NEAR(L.pRadius[2], 6.0 * std::pow(7.2 / 6.0, 0.5 / 120), 1e-6);
    EXPECT_NEAR(L.pRadius[50] / L.pRadius[49], q, 1e-6);
    EXPECT_EQ(L.pRadius[121], (double)7.2f);
    L.dSGrid = -1;
    L.BuildGrid();
    EXPECT_NEAR(L.pRadius[2], 6.0 * std::pow(7.2 / 6.0, 1.5 / 120), 1e-6);
    L.bEngineMovingGrid = 0;
    L.bEngineStaticGrid = 1;

    // two-zone grid: equal steps to the switch radius, then growing steps
    L.nGridPoints = 1201;
    L.ResizeGrid(1201);
    const int n = L.OptimizeGridSize(6.2f);
    EXPECT_GT(n, 50);
    EXPECT_LT(n, 1201);
    EXPECT_EQ(L.nGridPoints, n);
    EXPECT_NEAR(L.pRadius[2] - L.pRadius[1], 0.001, 1e-6);
    EXPECT_NEAR(L.pRadius[150] - L.pRadius[149], 0.001, 1e-6);
    for (int i = 2; i <= n; i++) ASSERT_GT(L.pRadius[i], L.pRadius[i - 1]);
    // beyond the switch the step is sqrt((rs / r)(r - m)/(rs - m)) h
    const int k = n / 2;
    const double r = L.pRadius[k];
    EXPECT_NEAR(L.pRadius[k + 1] - r, std::sqrt((6.2 / r) * (r - 6.0) / 0.2) * 0.001, 2e-6);
    EXPECT_EQ(L.pRadius[n], (double)7.2f);

    // too few points for a two-zone grid: 50 equal steps
    L.nGridPoints = 60;
    L.ResizeGrid(60);
    EXPECT_EQ(L.OptimizeGridSize(6.01f), 50);
    EXPECT_NEAR(L.pRadius[2] - L.pRadius[1], 1.2 / 49, 1e-6);
}

TEST(LammGrid, SteepBoundaryRefinementEndsAtTheBase)
{
    CLammIdeal L;
    cell(L, 6.0, 7.2);
    L.nGridPoints = 200;
    L.AllocGridArrays();
    L.bGridBuilt = 1;
    ASSERT_TRUE(L.RefineGridForSteepBoundary(50.0));
    // the stretch starts beyond b sqrt(1 - 10 / (x b^2))
    EXPECT_GT(L.pRadius[L.nRefineStartIndex], 7.2 * std::sqrt(1 - 10 / (50 * 7.2 * 7.2)));
    for (int i = 2; i <= 200; i++) ASSERT_GT(L.pRadius[i], L.pRadius[i - 1]);
    EXPECT_EQ(L.pRadius[200], 7.2);
    EXPECT_NEAR(L.GridEndMismatch(L.dRefineRatio), 0, 1e-5);
    // from the last step of the stretched inner grid on, the steps form one
    // geometric series to the base: neighbouring steps keep one ratio (the last
    // step takes up the root finder's tolerance)
    const int k = L.nRefineStartIndex;
    const double* r = L.pRadius;
    ASSERT_GE(k, 3);
    ASSERT_LE(k, 190);
    const double ratio = (r[k + 1] - r[k]) / (r[k] - r[k - 1]);
    for (int i = k + 1; i <= 198; i++)
        EXPECT_NEAR((r[i + 1] - r[i]) / (r[i] - r[i - 1]), ratio, 1e-9) << i;
    // an unbracketed root is reported and the search still goes on
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    L.nRefineStartIndex = 199;
    L.dRefineFirstSpacing = 1e-15;  // the last point never reaches the base
    L.zbrent(0, 10, 1e-6);
    ASSERT_FALSE(shownErrorMessages().empty());
    EXPECT_EQ(shownErrorMessages().front(), "too many iterations finding root");
}

// The element integrals of the hat functions against hand-integrated values
// on a two-element grid 6.0, 6.1, 6.3.
TEST(LammGrid, ElementIntegrals)
{
    CLammIdeal L;
    cell(L, 6.0, 6.3);
    L.nGridPoints = 3;
    L.AllocGridArrays();
    L.pRadius[1] = 6.0, L.pRadius[2] = 6.1, L.pRadius[3] = 6.3;
    // int r phi_1 over [6.0, 6.1] = h (2a + b) / 6
    EXPECT_NEAR(L.fePointWeight(1, 3), 0.1 * (12.0 + 6.1) / 6, 1e-14);
    // the weights add up to the integral of r
    EXPECT_NEAR(L.fePointWeight(1, 3) + L.fePointWeight(2, 3) + L.fePointWeight(3, 3), (6.3 * 6.3 - 36) / 2, 1e-13);
    // and cut at row 2, a single element, to the integral of r over [6.0, 6.1]
    EXPECT_NEAR(L.fePointWeight(1, 2) + L.fePointWeight(2, 2), (6.1 * 6.1 - 36) / 2, 1e-13);
    EXPECT_NEAR(L.feMassElement(2, 3, 3), 0.2 * (6.1 + 6.3) / 12, 1e-14);
    EXPECT_EQ(L.feMassElement(1, 3, 3), 0.0);
    // the hats add up to 1: every row of the mass matrix sums to the weight
    // of its point, int r phi_i
    for (int i = 1; i <= 3; i++) {
        double row = 0;
        for (int j = 1; j <= 3; j++) row += L.feMassElement(i, j, 3);
        EXPECT_NEAR(row, L.fePointWeight(i, 3), 1e-14) << i;
    }
    // int r^2 phi_2' phi_2 over both elements
    const double left = (6.0 * 6.0 + 2 * 6.0 * 6.1 + 3 * 6.1 * 6.1) / 12;
    const double right = -(3 * 6.1 * 6.1 + 2 * 6.1 * 6.3 + 6.3 * 6.3) / 12;
    EXPECT_NEAR(L.feSedimentationIntegral(2, 2, 3), left + right, 1e-12);
    // every column of the sedimentation and diffusion parts sums to 0
    for (int j = 1; j <= 3; j++) {
        double sed = 0, dif = 0;
        for (int i = 1; i <= 3; i++) sed += L.feSedimentationIntegral(i, j, 3), dif += L.feDiffusionIntegral(i, j, 3);
        EXPECT_NEAR(sed, 0, 1e-12);
        EXPECT_NEAR(dif, 0, 1e-12);
    }
    EXPECT_NEAR(L.feDiffusionIntegral(1, 2, 3), -(6.0 + 6.1) / (2 * 0.1), 1e-10);
}
