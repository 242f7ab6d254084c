// Model autocorrelation of light-scattering data: the scattering vector, the
// decay into the three destinations, the D <= 0 rule, the cumulant form, the
// stops, and the conversions between g(2)-1 and g(1).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "distributions/conti_globals.h"
#include "distributions/lamm_solution_store.h"
#include "lamm/lamm_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "tools/dls/dls_data.h"
#include "tools/dls/dls_kernels.h"
#include "tools/dls_set_fixture.h"

using dlstest::DlsRecipe;

namespace {

// Lags 1e-6 .. 1e-2 s, 10 per decade (1e-4 s is point 21).
DlsRecipe gridRecipe(double time, double angle = 90.0)
{
    DlsRecipe r = dlstest::decayRecipe(5e-7, 41);
    r.time = time;
    r.angle = angle;
    return r;
}

class DlsKernelTest : public DlsSetTest {
protected:
    void LoadTwo(double angle2 = 90.0, int n2 = 41)
    {
        const std::string folder = Folder("k");
        DlsRecipe second = gridRecipe(2.0, angle2);
        second.lags.resize(static_cast<size_t>(n2));
        second.values.resize(static_cast<size_t>(n2));
        LoadFiles({WriteDls(folder, "a.dlsdat", gridRecipe(1.0)), WriteDls(folder, "b.dlsdat", second)});
        ASSERT_EQ(nScans, 2);
    }
};

double expectedG1(double dD, double tau, double angle = 90.0)
{
    const double q = 1.8717962e7 * std::sin(angle * M_PI / 360.0) / std::sin(M_PI / 4.0);
    return std::exp(-1e-4 * dD * q * q * tau);
}

}  // namespace

TEST(DlsScatteringVector, NinetyDegreesInWaterAtTheHeliumNeonLine)
{
    DlsScanHeader h{};
    h.angle = 90.0f;
    h.refractiveIndex = 1.333f;
    h.wavelength = 632.8e-9f;
    double q2 = 0.0;
    ASSERT_TRUE(dlsScatteringVectorSquared(h, &q2));
    EXPECT_NEAR(std::sqrt(q2), 1.8718e7, 1.8718e7 * 1e-4);
    h.wavelength = 0.0f;
    EXPECT_FALSE(dlsScatteringVectorSquared(h, &q2));
    h.wavelength = 632.8e-9f;
    h.refractiveIndex = -1.0f;
    EXPECT_FALSE(dlsScatteringVectorSquared(h, &q2));
}

TEST_F(DlsKernelTest, DistributionSolutionsOnTheCommonGrid)
{
    LoadTwo(60.0);
    AllocSolutionRow();
    bModelDlsRh = 1;
    dLammD = 6e-7;
    dDlsKernelAmplitude = 1.0;
    ASSERT_TRUE(calcDlsModelAcf());
    ASSERT_EQ(nNoiseGridPoints, 41);
    // D = 6e-7 cm^2/s at 1e-4 s: exp(-2.1022).
    EXPECT_NEAR(pNoiseGrid[21], -4.0f, 1e-6);
    EXPECT_NEAR(pLammSolutions[1][1][21], 0.12219, 2e-5);
    EXPECT_NEAR(pLammSolutions[1][1][21], expectedG1(6e-7, 1e-4), 2e-5);
    EXPECT_NEAR(pLammSolutions[1][2][21], expectedG1(6e-7, 1e-4, 60.0), 2e-5);

    // The solution index is the loop position; q comes from the record the
    // time order names there.
    pScanTimeOrder[1] = 2;
    pScanTimeOrder[2] = 1;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(pLammSolutions[1][1][21], expectedG1(6e-7, 1e-4, 60.0), 2e-5);
    EXPECT_NEAR(pLammSolutions[1][2][21], expectedG1(6e-7, 1e-4), 2e-5);
    pScanTimeOrder[1] = 1;
    pScanTimeOrder[2] = 2;

    // D = 0: the amplitude at the first lag only.
    dLammD = 0.0;
    dDlsKernelAmplitude = 0.7;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_FLOAT_EQ(pLammSolutions[1][1][1], 0.7f);
    for (int j = 2; j <= 41; ++j) EXPECT_EQ(pLammSolutions[1][1][j], 0.0f);
}

TEST_F(DlsKernelTest, DistributionStopsWithoutFieldAcfOrScatteringVector)
{
    LoadTwo();
    AllocSolutionRow();
    bModelDlsD = 1;
    dLammD = 6e-7;
    pDlsHeaders[2].fieldAcf = 0;
    {
        win::headless::Script script;
        script.expectMessageBox("Error", win::IDOK);
        EXPECT_FALSE(calcDlsModelAcf());
        ASSERT_EQ(shownErrorMessages().size(), 1u);
        EXPECT_EQ(shownErrorMessages()[0], "no field ACF in DLS distribution model");
    }
    // Measurement 1 was done before the stop.
    EXPECT_GT(pLammSolutions[1][1][2], 0.0f);
    EXPECT_EQ(pLammSolutions[1][2][2], 0.0f);

    pDlsHeaders[2].fieldAcf = 1;
    pDlsHeaders[2].wavelength = 0.0f;
    {
        win::headless::Script script;
        script.expectMessageBox("Error", win::IDOK);
        EXPECT_FALSE(calcDlsModelAcf());
        EXPECT_EQ(shownErrorMessages().back(), "no valid scattering vector in DLS measurement 2");
    }
    for (int j = 1; j <= 41; ++j) EXPECT_TRUE(std::isfinite(pLammSolutions[1][2][j]));
}

TEST_F(DlsKernelTest, ScanRadiiStopAtTheShorterMeasurement)
{
    // Measurement 2 is the longer one here: measurement 1 is cut to 30 lags.
    const std::string folder = Folder("r");
    DlsRecipe shortOne = gridRecipe(1.0);
    shortOne.lags.resize(30);
    shortOne.values.resize(30);
    LoadFiles({WriteDls(folder, "a.dlsdat", shortOne), WriteDls(folder, "b.dlsdat", gridRecipe(2.0))});
    ASSERT_EQ(pScanPoints[1], 30);
    ASSERT_EQ(pScanPoints[2], 41);
    AllocSolutionRow(41);
    bModelDlsRh = 1;
    bUseScanRadii = 1;
    dLammD = 1e-8;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(pLammSolutions[1][2][30], expectedG1(1e-8, std::pow(10.0, ppRadius[1][30])), 1e-5);
    for (int j = 31; j <= 41; ++j) EXPECT_EQ(pLammSolutions[1][2][j], 0.0f) << j;

    // The other way round: measurement 2 of 30 lags on the 41 lags of
    // measurement 1 stops at its own 30th point.
    const std::string folder2 = Folder("r2");
    LoadFiles({WriteDls(folder2, "a.dlsdat", gridRecipe(1.0)), WriteDls(folder2, "b.dlsdat", shortOne)});
    ASSERT_EQ(pScanPoints[1], 41);
    ASSERT_EQ(pScanPoints[2], 30);
    AllocSolutionRow(41);
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(pLammSolutions[1][2][30], expectedG1(1e-8, std::pow(10.0, ppRadius[1][30])), 1e-5);
    for (int j = 31; j <= 41; ++j) EXPECT_EQ(pLammSolutions[1][2][j], 0.0f) << j;
    EXPECT_NEAR(pLammSolutions[1][1][41], expectedG1(1e-8, std::pow(10.0, ppRadius[1][41])), 1e-5);
}

TEST_F(DlsKernelTest, DiscreteModelsAddToTheFitOrFillTheSpeciesBasis)
{
    LoadTwo();
    // Without linear amplitudes: added to the model values on the own lags.
    dLammD = 6e-7;
    dDlsKernelAmplitude = 2.0;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(ppFit[1][21], 2.0 * expectedG1(6e-7, 1e-4), 5e-5);
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(ppFit[2][21], 4.0 * expectedG1(6e-7, 1e-4), 1e-4);

    // D = 0: only the first model value grows, by the amplitude.
    std::vector<float> before(ppFit[1] + 1, ppFit[1] + 42);
    dLammD = 0.0;
    dDlsKernelAmplitude = 0.5;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_FLOAT_EQ(ppFit[1][1], before[0] + 0.5f);
    for (int j = 2; j <= 41; ++j) EXPECT_EQ(ppFit[1][j], before[static_cast<size_t>(j - 1)]);

    // With linear amplitudes: written into the basis of the current species;
    // the cumulant form with K2 = K3 = 0 is the plain decay with D = K1.
    pSpeciesIncluded[1] = 1;
    allocExtraNoiseArrays();
    ASSERT_TRUE(pppExtraNoiseScan[1]);
    bAlgebraicConcentrations = 1;
    nSimSpeciesIndex = 1;
    dLammD = 6e-7;
    dDlsKernelAmplitude = 1.0;
    ASSERT_TRUE(calcDlsModelAcf());
    std::vector<float> plain(pppExtraNoiseScan[1][2] + 1, pppExtraNoiseScan[1][2] + 42);
    EXPECT_NEAR(plain[20], expectedG1(6e-7, 1e-4), 2e-5);
    bModelDlsCumulants = 1;
    dDlsCumulant1 = 6e-7;
    dDlsCumulant2 = dDlsCumulant3 = 0.0;
    ASSERT_TRUE(calcDlsModelAcf());
    for (int j = 1; j <= 41; ++j) EXPECT_FLOAT_EQ(pppExtraNoiseScan[1][2][j], plain[static_cast<size_t>(j - 1)]);
    // A second cumulant widens the decay.
    dDlsCumulant2 = 4e-14;
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_GT(pppExtraNoiseScan[1][2][21], plain[20]);
    // The third: exp(-K1 u t) (1 + K2 (u t)^2 / 2 - K3 (u t)^3 / 6) with
    // u = 1e-4 q^2; at 1e-4 s u t = 3.5036e6, so K3 = 1e-20 takes 0.0717 off
    // the bracket.
    dDlsCumulant3 = 1e-20;
    ASSERT_TRUE(calcDlsModelAcf());
    const double q = 1.8717962e7;
    for (int j : {11, 21, 26}) {
        const double ut = 1e-4 * q * q * std::pow(10.0, pNoiseGrid[j]);
        const double g = std::exp(-6e-7 * ut) * (1 + 0.5 * 4e-14 * ut * ut - 1e-20 * ut * ut * ut / 6);
        EXPECT_NEAR(pppExtraNoiseScan[1][2][j], g, 1e-4 * std::fabs(g) + 1e-7) << j;
    }

    // A measurement of a single lag (1e-6 s) gets its model value too.
    bAlgebraicConcentrations = 0;
    bModelDlsCumulants = 0;
    dDlsKernelAmplitude = 2.0;
    const std::string folder = Folder("one");
    DlsRecipe one = gridRecipe(2.0);
    one.lags.resize(1);
    one.values.resize(1);
    LoadFiles({WriteDls(folder, "a.dlsdat", gridRecipe(1.0)), WriteDls(folder, "b.dlsdat", one)});
    ASSERT_EQ(pScanPoints[2], 1);
    const float fBefore = ppFit[2][1];
    ASSERT_TRUE(calcDlsModelAcf());
    EXPECT_NEAR(ppFit[2][1] - fBefore, 2.0 * expectedG1(6e-7, 1e-6), 1e-5);
}

TEST_F(DlsKernelTest, TimeCourseKernelsOfTheChosenMeasurements)
{
    LoadTwo();
    AllocSolutionRow();
    nTimeCourseFirst = 2;
    nTimeCourseLast = 5;  // beyond the set: held to it
    dLammD = 6e-7;
    ASSERT_TRUE(calcDlsKernels());
    EXPECT_EQ(pLammSolutions[1][1][21], 0.0f);
    EXPECT_NEAR(pLammSolutions[1][2][21], expectedG1(6e-7, 1e-4), 2e-5);

    pDlsHeaders[2].fieldAcf = 0;
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    EXPECT_FALSE(calcDlsKernels());
    EXPECT_EQ(shownErrorMessages().back(), "no field ACF in DLS distribution model");
}

TEST(DlsConversions, OnceEachWayWithSignsKept)
{
    DlsScanHeader h{};
    float v[] = {0.0f, 0.25f, -0.04f, 0.0f, 0.81f};
    ASSERT_TRUE(convertDlsG2ToG1(4, v, &h));
    EXPECT_EQ(h.fieldAcf, 1);
    EXPECT_FLOAT_EQ(v[1], 0.5f);
    EXPECT_FLOAT_EQ(v[2], -0.2f);
    EXPECT_EQ(v[3], 0.0f);
    // A second call changes nothing.
    EXPECT_FALSE(convertDlsG2ToG1(4, v, &h));
    EXPECT_FLOAT_EQ(v[1], 0.5f);
    ASSERT_TRUE(convertDlsG1ToG2(4, v, &h));
    EXPECT_EQ(h.fieldAcf, 0);
    EXPECT_NEAR(v[1], 0.25f, 1e-7);
    EXPECT_NEAR(v[2], -0.04f, 1e-7);
    EXPECT_NEAR(v[4], 0.81f, 1e-7);
    EXPECT_FALSE(convertDlsG1ToG2(4, v, &h));
    // No points: only the flag.
    EXPECT_TRUE(convertDlsG2ToG1(0, nullptr, &h));
    EXPECT_EQ(h.fieldAcf, 1);
}
