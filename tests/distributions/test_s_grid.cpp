// The grids of the distribution run: s, M, flotation, two-sided, from the
// grid file, with a minimum s, light scattering and two-dimensional; the
// grid file; the ls-g*(s) limit questions; the stores sized for the grid.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/hydrodynamics.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/s_grid.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"
#include "tools/dls/dls_data.h"

namespace {

class SGrid : public DistributionTest {
protected:
    void SetUp() override
    {
        DistributionTest::SetUp();
        bModelCS = 1;
        fSMin = 1.0f;
        fSMax = 10.0f;
        fSGridResolution = 100.0f;
    }
    std::vector<float> grid() const { return std::vector<float>(pDistAxisS + 1, pDistAxisS + 1 + nResolution); }
};

bool ascending(const float* p, int n)
{
    for (int i = 2; i <= n; i++)
        if (!(p[i] > p[i - 1])) return false;
    return true;
}

}  // namespace

TEST_F(SGrid, LinearGridWithItsMassesAndStores)
{
    fSGridResolution = 50.7f;  // 50 points
    fSMin = 0.0f;
    fSMax = 15.0f;
    fFrictionalRatio = 1.3f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 50);
    EXPECT_EQ(pDistAxisS[1], 0.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[50], 15.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[11], 15.0f * 10 / 49);
    for (int i = 1; i <= 50; i++) {
        EXPECT_EQ(pDistAxisM[i], CalculateMff02(pDistAxisS[i], 1.3f));
        EXPECT_EQ(pDistValues[i], 0.0f);
        EXPECT_EQ(pPriorProbability[i], 0.01);
        EXPECT_EQ(pPriorAbscissa[i], static_cast<double>(pDistAxisS[i]));
    }
    // the stores for the grid, the plot, and the settings of this build
    EXPECT_EQ(nLammSolutionStoreRows, 50);
    EXPECT_NE(pNEMatrix, nullptr);
    ASSERT_NE(pDistPlot, nullptr);
    EXPECT_EQ(lastGridSettings.fSGridResolution, 50.7f);
    EXPECT_EQ(lastGridSettings.fSMax, 15.0f);
}

TEST_F(SGrid, MolarMassGridHasExactEnds)
{
    bModelCS = 0;  // the c(M) family
    fSMin = 1000.0f;
    fSMax = 1.0e6f;
    fSGridResolution = 40.0f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pDistAxisM[1], 1000.0f);
    EXPECT_EQ(pDistAxisM[40], 1.0e6f);
    EXPECT_TRUE(ascending(pDistAxisM, 40));
    // even in M^(2/3)
    const float a = std::pow(1000.0f, 0.66666666f), b = std::pow(1.0e6f, 0.66666666f);
    EXPECT_NEAR(std::pow(pDistAxisM[20], 0.66666666f), a + (b - a) * 19 / 39, 0.05);
    for (int i = 1; i <= 40; i++) EXPECT_EQ(pDistAxisS[i], 0.0f);
    EXPECT_EQ(pPriorAbscissa[40], 1.0e6);  // the M axis
}

TEST_F(SGrid, LogarithmicGrids)
{
    bLogSGrid = 1;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_FLOAT_EQ(pDistAxisS[1], 1.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[100], 10.0f);
    EXPECT_NEAR(pDistAxisS[50], std::exp(std::log(10.0) * 49 / 99), 1e-5);
    // from 0: starts at 0.05 S
    fSMin = 0.0f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_FLOAT_EQ(pDistAxisS[1], 0.05f);
    EXPECT_TRUE(ascending(pDistAxisS, 100));
    EXPECT_EQ(bLogSGrid, 1);
}

TEST_F(SGrid, TwoSidedLogGrid)
{
    bLogSGrid = 1;
    fSMin = -10.0f;
    // a negative limit without an accepted warning: silently linear
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bLogSGrid, 0);
    EXPECT_NEAR(pDistAxisS[2] - pDistAxisS[1], 20.0 / 99, 1e-5);
    bLogSGrid = 1;
    bSGridLimitsAccepted = 1;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bLogSGrid, 1);
    EXPECT_FLOAT_EQ(pDistAxisS[1], -10.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[50], -1.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[51], 1.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[100], 10.0f);
    EXPECT_TRUE(ascending(pDistAxisS, 100));
    // the sides split by their magnitudes above 1
    fSMin = -4.0f;  // p = floor(100 x 3 / (9 + 3)) = 25
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_FLOAT_EQ(pDistAxisS[25], -1.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[26], 1.0f);
}

// Limits that leave a side without points above 1 S give the linear grid:
// no negative point count, no division by zero.
TEST_F(SGrid, TwoSidedLogGridWithoutRoomIsLinear)
{
    bSGridLimitsAccepted = 1;
    const float limits[][2] = {{-10.0f, 0.0f}, {-10.0f, 0.5f}, {-10.0f, 1.0f}, {-0.5f, 10.0f}, {-1.0f, 10.0f}};
    for (const auto& l : limits) {
        bLogSGrid = 1;
        fSMin = l[0];
        fSMax = l[1];
        ASSERT_EQ(setupSGrid(), 1) << l[0] << " " << l[1];
        EXPECT_EQ(bLogSGrid, 0);
        for (int i = 1; i <= 100; i++) ASSERT_TRUE(std::isfinite(pDistAxisS[i]));
        EXPECT_FLOAT_EQ(pDistAxisS[1], l[0]);
        EXPECT_FLOAT_EQ(pDistAxisS[100], l[1]);
        EXPECT_TRUE(ascending(pDistAxisS, 100));
    }
    // an upper limit of 0 over a lower one of 0 or above leaves no room
    // either: the linear grid from the one to the other, no NaN in it
    bSGridLimitsAccepted = 0;
    for (float fLow : {0.0f, 2.0f}) {
        bLogSGrid = 1;
        fSMin = fLow;
        fSMax = 0.0f;
        ASSERT_EQ(setupSGrid(), 1) << fLow;
        EXPECT_EQ(bLogSGrid, 0) << fLow;
        for (int i = 1; i <= 100; i++) ASSERT_NEAR(pDistAxisS[i], fLow * (100 - i) / 99.0, 1e-6) << fLow << " " << i;
    }
    // all negative: mirrored magnitudes
    bLogSGrid = 1;
    fSMin = -20.0f;
    fSMax = -2.0f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_FLOAT_EQ(pDistAxisS[1], -20.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[100], -2.0f);
    EXPECT_TRUE(ascending(pDistAxisS, 100));
}

TEST_F(SGrid, FlotationGrids)
{
    bModelCS = 0;
    bModelCSFlotation = 1;
    fFlotationSMin = -30.0f;
    fFlotationSMax = -10.0f;
    nFlotationResolution = 21;
    fSGridResolution = 11.0f;
    fSMin = 1.0f;
    fSMax = 11.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 32);
    EXPECT_EQ(pDistAxisS[1], -30.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[21], -10.0f);
    EXPECT_EQ(pDistAxisS[22], 1.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[32], 11.0f);
    // the masses of the floating points come from their fixed D
    fVbarRho = 1.1f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pDistAxisM[1], buoyantMassOfGridPoint(-30.0f));
    bFlotationOnly = 1;
    bLogSGrid = 1;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 21);
    EXPECT_FLOAT_EQ(pDistAxisS[1], -30.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[21], -10.0f);
    EXPECT_NEAR(pDistAxisS[11], -std::sqrt(300.0), 1e-4);
    // both sides logarithmic: -30..-10 S in 21 points, then 1..16 S in 11
    // (the middle one the geometric mean 4 S), the last one 16 S
    bFlotationOnly = 0;
    fSMax = 16.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 32);
    EXPECT_FLOAT_EQ(pDistAxisS[1], -30.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[21], -10.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[22], 1.0f);
    EXPECT_NEAR(pDistAxisS[27], 4.0, 1e-5);
    EXPECT_FLOAT_EQ(pDistAxisS[32], 16.0f);
    EXPECT_TRUE(ascending(pDistAxisS, 32));
    fSMax = 11.0f;
    // a resolution below 0 (the parameter box takes any number) leaves
    // fewer points than the flotation part: its first ones, written within
    // the grid (the sanitizer build sees any write beyond it)
    bFlotationOnly = 0;
    bLogSGrid = 0;
    fSGridResolution = -5.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 16);
    EXPECT_EQ(pDistAxisS[1], -30.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[16], -15.0f);  // steps of 20 S / 20
}

// The grid file holds the last built grid, "%f" per line; a grid read from it
// is not written back.
TEST_F(SGrid, GridFile)
{
    fSGridResolution = 4.0f;
    fSMin = 1.0f;
    fSMax = 2.5f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(gridFileLines(), (std::vector<std::string>{"1.000000", "1.500000", "2.000000", "2.500000"}));

    writeGridFile({"0.5", "1.25", "7"});
    bSGridFromFile = 1;
    bLogSGrid = 1;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bLogSGrid, 0);
    ASSERT_EQ(nResolution, 3);
    EXPECT_EQ(grid(), (std::vector<float>{0.5f, 1.25f, 7.0f}));
    EXPECT_EQ(fSGridResolution, 3.0f);
    EXPECT_EQ(fSMin, 0.5f);
    EXPECT_EQ(fSMax, 7.0f);
    EXPECT_EQ(gridFileLines(), (std::vector<std::string>{"0.5", "1.25", "7"}));
    EXPECT_EQ(pPriorProbability[3], 0.01);

    // an empty file stops the run without a message of its own
    writeGridFile({});
    EXPECT_EQ(setupSGrid(), 0);
    EXPECT_TRUE(shownErrorMessages().empty());
}

TEST_F(SGrid, FlotationGridFromFile)
{
    bModelCS = 0;
    bModelCSFlotation = 1;
    bSGridFromFile = 1;
    writeGridFile({"-5", "-2", "0", "1", "2"});
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(nFlotationResolution, 3);  // 0 counts as flotation
    EXPECT_EQ(fFlotationSMin, -5.0f);
    EXPECT_EQ(fFlotationSMax, 0.0f);
    EXPECT_EQ(fSGridResolution, 2.0f);
    EXPECT_EQ(fSMin, 1.0f);
    EXPECT_EQ(fSMax, 2.0f);
    EXPECT_EQ(bFlotationOnly, 0);
    writeGridFile({"-5", "-2"});
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bFlotationOnly, 1);

    writeGridFile({"-5", "1", "2"});
    win::headless::Script script;
    script.expectMessageBox("s-grid needs at least two values < 0 in flotation model", win::IDOK);
    EXPECT_EQ(setupSGrid(), 0);
}

TEST(SGridWithMinimum, LinearBelowGeometricAbove)
{
    std::vector<float> out(101);
    buildSGridWithMinimum(out.data(), 0.5f, 50.0f, 5.0f, 100);
    EXPECT_EQ(out[1], 0.5f);
    EXPECT_TRUE(ascending(out.data(), 100));
    EXPECT_NEAR(out[100], 50.0, 2.0);
    // equal steps below smin*, steps growing with s above it
    const float d = out[2] - out[1];
    EXPECT_NEAR(out[3] - out[2], d, 1e-5);
    int j = 1;
    while (out[j + 1] < 5.0f) j++;
    for (int i = j + 2; i < 99; i++) EXPECT_NEAR((out[i + 1] - out[i]) / (out[i] - out[i - 1]), 1.0 + d / 5.0, 0.05);
}

TEST(SGridWithMinimum, SmallOrBelowTheRangeIsNotHybrid)
{
    std::vector<float> out(101);
    buildSGridWithMinimum(out.data(), 1.0f, 10.0f, 5.0f, 10);  // n = 10: linear
    EXPECT_FLOAT_EQ(out[2] - out[1], 1.0f);
    EXPECT_FLOAT_EQ(out[10], 10.0f);
    buildSGridWithMinimum(out.data(), 1.0f, 10.0f, 0.5f, 50);  // smin* <= smin: logarithmic
    EXPECT_FLOAT_EQ(out[1], 1.0f);
    EXPECT_FLOAT_EQ(out[50], 10.0f);
    EXPECT_NEAR(out[2] / out[1], std::pow(10.0, 1.0 / 49), 1e-5);
    // smin* = smin: no linear part, so the whole grid is geometric, a factor
    // of 10^0.2 per step from 0.5 to 50 S in 11 points
    buildSGridWithMinimum(out.data(), 0.5f, 50.0f, 0.5f, 11);
    for (int i = 1; i <= 11; i++) EXPECT_NEAR(out[i], 0.5 * std::pow(10.0, 0.2 * (i - 1)), 1e-6 * out[i]) << i;
}

// Hybrid grids end at smax, ascending, linear below smin* and with steps
// growing as s above it; also where a point count of the linear spacing
// would overshoot (0..50 S with smin* 10 in 30 points, 1..100 S with smin* 2
// in 11).
TEST(SGridWithMinimum, EndsAtSmax)
{
    std::vector<float> out(202);
    struct Case {
        float fMin, fMax, fStar;
        int n;
    } cases[] = {{0.0f, 50.0f, 10.0f, 30}, {1.0f, 100.0f, 2.0f, 11}};
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (int n : {50, 77, 100, 150, 200})
        for (float fStar : {1.0f, 2.0f, 3.0f, 5.0f}) all.push_back({0.5f, 15.0f, fStar, n});
    for (const Case& c : all) {
        buildSGridWithMinimum(out.data(), c.fMin, c.fMax, c.fStar, c.n);
        EXPECT_EQ(out[1], c.fMin) << c.fMax << " " << c.n;
        EXPECT_EQ(out[c.n], c.fMax) << c.fMax << " " << c.n;
        EXPECT_TRUE(ascending(out.data(), c.n)) << c.fMax << " " << c.n;
        int j = 1;
        while (out[j + 1] < c.fStar) j++;
        const float d = out[2] - out[1];
        for (int i = 2; i <= j; i++) EXPECT_NEAR(out[i] - out[i - 1], d, 1e-4f * c.fMax) << i;
        for (int i = j + 2; i < c.n; i++) EXPECT_GT(out[i + 1] - out[i], out[i] - out[i - 1]) << i;
    }
}

TEST_F(SGrid, LogGridWithMinimumS)
{
    bLogSGrid = 1;
    bLogGridMinS = 1;
    fLogGridMinS = 3.0f;
    fSMin = 0.5f;
    fSMax = 20.0f;
    ASSERT_EQ(setupSGrid(), 1);
    std::vector<float> expected(101);
    buildSGridWithMinimum(expected.data(), 0.5f, 20.0f, 3.0f, 100);
    for (int i = 1; i <= 100; i++) EXPECT_EQ(pDistAxisS[i], expected[i]);
}

// Each point of the s x f/f0 grid: its M by f/f0, its D by the Svedberg
// relation and its Stokes radius by Stokes-Einstein.
TEST_F(SGrid, TwoDimensionalGrid)
{
    bModelCS = 0;
    bModelCSFf0 = 1;
    fSMin = 1.0f;
    fSMax = 10.0f;
    fSGridResolution = 10.0f;
    fFf0Min = 1.0f;
    fFf0Max = 2.5f;
    fFf0Resolution = 4.0f;
    nFf0Resolution = 4;
    nCsGridTotal = 40;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(nLammSolutionStoreRows, 40);
    EXPECT_FLOAT_EQ(pFf0Grid[2], 1.5f);
    const float T = 20.0f;
    for (int k = 1; k <= 4; k++)
        for (int i = 1; i <= 10; i++) {
            const int j = (k - 1) * 10 + i;
            EXPECT_EQ(pCsFf0S[j], pDistAxisS[i]);
            EXPECT_EQ(pCsFf0Ratio[j], pFf0Grid[k]);
            const double s = pCsFf0S[j], M = pCsFf0M[j], D = pCsFf0D[j], Rh = pCsFf0Rh[j];
            EXPECT_NEAR(M, CalculateMff02(pCsFf0S[j], pCsFf0Ratio[j]), 1e-5 * M);
            const double RT = (T + 273.15) * 8.31451e7;
            EXPECT_NEAR(D, s * 1e-13 * RT / ((1 - fVbarRho) * M), 1e-5 * D);
            EXPECT_NEAR(Rh * 1e-9, (T + 273.15) * 1.38065e-23 * 1e4 / (6 * M_PI * 0.001002 * D), 1e-5 * Rh * 1e-9);
        }
}

TEST_F(SGrid, LightScatteringRadiusGrid)
{
    bModelCS = 0;
    bModelDlsRh = 1;
    bDLSData = 1;
    bDlsGridLogRh = 1;
    fSMin = 1.0f;   // nm
    fSMax = 100.0f;
    fSGridResolution = 21.0f;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_FLOAT_EQ(pDistAxisS[1], -9.0f);
    EXPECT_FLOAT_EQ(pDistAxisS[21], -7.0f);
    for (int i = 1; i <= 21; i++)
        EXPECT_NEAR(pDistAxisM[i], std::log10(DFromStokesRadius(std::pow(10.0f, pDistAxisS[i]), 20.0f)), 1e-5);
    bDlsGridLogRh = 0;
    bDlsGridLinearD = 1;
    ASSERT_EQ(setupSGrid(), 1);
    const float D1 = DFromStokesRadius(1e-9f, 20.0f), D2 = DFromStokesRadius(1e-7f, 20.0f);
    EXPECT_NEAR(std::pow(10.0f, pDistAxisM[2]), D1 + (D2 - D1) / 20, 1e-3 * D1);
    EXPECT_NEAR(pDistAxisS[1], -9.0, 1e-5);
}

namespace {

// An ls-g*(s) grid against scans at 50000 rpm from 1000 s to 3000 s, meniscus
// 6.0 cm, fit limits 6.1 and 7.0 cm.
class LsgsLimits : public SGrid {
protected:
    void SetUp() override
    {
        SGrid::SetUp();
        bModelLsgs = 1;
        scantest::installScans({{{6.0f, 7.2f}, {0, 0}, 1000.0}, {{6.0f, 7.2f}, {0, 0}, 3000.0}});
        for (int i = 1; i <= 2; i++) pScanHeaders[i].rpm = 50000.0f;
        fMeniscus = 6.0f;
        fFitLeftLim = 6.1f;
        fFitRightLim = 7.0f;
    }
    const char* szLowSMax = "smax 1.00 too low - boundary does not reach left fit limit in last scan!";
};

}  // namespace

TEST_F(LsgsLimits, AcceptedWarningSilencesTheRestUntilReload)
{
    fSMin = 0.1f;
    fSMax = 1.0f;  // reaches 6.0 exp(1e-13 w^2 x 3000) = 6.05 cm only
    win::headless::Script script;
    script.expectMessageBox(szLowSMax, win::IDNO);
    EXPECT_EQ(setupSGrid(), 0);
    EXPECT_EQ(bSGridLimitsAccepted, 0);
    script.expectMessageBox(szLowSMax, win::IDYES);
    EXPECT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bSGridLimitsAccepted, 1);
    fSMin = 200.0f;  // beyond the right limit at once: no question now
    fSMax = 300.0f;
    EXPECT_EQ(setupSGrid(), 1);
    freeScanData();  // a new data set asks again
    EXPECT_EQ(bSGridLimitsAccepted, 0);
}

TEST_F(LsgsLimits, SminBeyondTheRightLimit)
{
    fSMin = 200.0f;
    fSMax = 300.0f;
    win::headless::Script script;
    script.expectMessageBox("smin 200.00 too low - boundary would be beyond right fit limit in last scan!", win::IDNO);
    EXPECT_EQ(setupSGrid(), 0);
    EXPECT_EQ(nLammSolutionStoreRows, 0);  // no stores
    EXPECT_NE(pDistAxisS, nullptr);        // the grid stays
}

// The smallest s is asked against the right limit in the first scan: at
// 1000 s and 50000 rpm, 7.0 cm is reached from 6.0 cm by s = 56.23 S. A grid
// from 56 S (its second point 58.5 S beyond it) is not asked; from 56.5 S it is.
TEST_F(LsgsLimits, SminAgainstTheRightLimitOfTheFirstScan)
{
    fSMin = 56.0f;
    fSMax = 300.0f;  // reaches beyond 10 cm in the last scan
    win::headless::Script script;
    EXPECT_EQ(setupSGrid(), 1);
    EXPECT_GT(pDistAxisS[2], 56.23f);
    EXPECT_EQ(script.lines().size(), 0u);
    fSMin = 56.5f;
    script.expectMessageBox("smin 56.50 too low - boundary would be beyond right fit limit in last scan!\nnote: fit "
                            "limits correspond to s-values of 2.01-56.23",
                            win::IDNO);
    EXPECT_EQ(setupSGrid(), 0);
    EXPECT_EQ(script.pending(), 0u);
}

// Nothing is asked with speed changes between the scans, nor when the first
// scan was taken at time 0: no boundary has left the meniscus there, and the
// s-value of the right fit limit in it would be infinite. Nor without a
// meniscus (none set, or a negative one typed in): the boundary at
// meniscus exp(s 1e-13 w^2 t) has no place, and ln(r / meniscus) no value.
TEST_F(LsgsLimits, SpeedChangesGiveNoWarning)
{
    bSpeedChangesInScans = 1;
    fSMin = 0.1f;
    fSMax = 1.0f;
    EXPECT_EQ(setupSGrid(), 1);
    fSMin = 200.0f;
    fSMax = 300.0f;
    EXPECT_EQ(setupSGrid(), 1);

    bSpeedChangesInScans = 0;
    pScanHeaders[pScanTimeOrder[1]].time = 0.0;
    fSMin = 0.1f;
    fSMax = 1.0f;  // short of the left limit in the last scan, as above
    win::headless::Script script;
    EXPECT_EQ(setupSGrid(), 1);
    EXPECT_EQ(script.lines().size(), 0u);

    pScanHeaders[pScanTimeOrder[1]].time = 1000.0;
    for (float fM : {0.0f, -6.0f}) {
        fMeniscus = fM;
        EXPECT_EQ(setupSGrid(), 1) << fM;
        EXPECT_EQ(script.lines().size(), 0u) << fM;
    }
}

// A single scan is its own first and last: its limits are asked too. At 2000 s
// and 50000 rpm the fit limits 6.1 and 7.0 cm are reached from 6.0 cm, r =
// 6.0 exp(s 1e-13 w^2 t), by s = 3.01 and 28.11 S.
TEST_F(LsgsLimits, ASingleScanIsAskedToo)
{
    scantest::installScans({{{6.0f, 7.2f}, {0, 0}, 2000.0}});
    pScanHeaders[1].rpm = 50000.0f;
    fSMin = 30.0f;
    fSMax = 40.0f;
    win::headless::Script script;
    script.expectMessageBox("smin 30.00 too low - boundary would be beyond right fit limit in last scan!\nnote: fit "
                            "limits correspond to s-values of 3.01-28.11",
                            win::IDNO);
    EXPECT_EQ(setupSGrid(), 0);
    EXPECT_EQ(script.pending(), 0u);
}
