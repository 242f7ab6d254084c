// Distribution files, the reuse of the two-dimensional kernels and the prior
// probabilities over the grid.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "distributions/conti_globals.h"
#include "distributions/distribution_file.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/normal_equations.h"
#include "distributions/prior_probabilities.h"
#include "distributions/s_grid.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/error_box.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"

namespace {

class DistributionFile : public DistributionTest {
protected:
    std::string write(const std::string& name, const std::string& text)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
};

}  // namespace

TEST_F(DistributionFile, BecomesTheCurrentDistributionWithItsStores)
{
    scantest::installScans({{{6.0f, 6.5f, 7.0f}, {0, 0, 0}, 100.0}, {{6.0f, 6.5f, 7.0f}, {0, 0, 0}, 200.0}});
    bModelCS = 1;
    ASSERT_EQ(loadDistributionFromFile(write("dist.txt", "1 0.5\n2 1.5\n4 0.25\n").c_str()), 1);
    ASSERT_EQ(nResolution, 3);
    EXPECT_EQ(pDistAxisS[3], 4.0f);
    EXPECT_EQ(pDistAxisM[3], 0.0f);
    EXPECT_EQ(pDistValues[2], 1.5f);
    EXPECT_EQ(pPriorProbability[1], 0.01);
    ASSERT_NE(pDistPlot, nullptr);
    // stores for 3 grid points, 2 scans and the 3 points of scan 1
    EXPECT_EQ(nLammSolutionStoreRows, 3);
    EXPECT_EQ(pLammSolutions[3][2], pLammSolutions[1][1] + 5 * 4);
    EXPECT_NE(pNEMatrix, nullptr);

    // the M family keeps the abscissa as masses
    bModelCS = 0;
    ASSERT_EQ(loadDistributionFromFile(write("distm.txt", "1000 1\n2000 2\n").c_str()), 1);
    EXPECT_EQ(pDistAxisM[2], 2000.0f);
    EXPECT_EQ(pDistAxisS[2], 0.0f);
}

TEST_F(DistributionFile, NormalizedValuesSumToTheirArea)
{
    bModelCS = 1;
    bSyntheticDistNormalized = 1;
    ASSERT_EQ(loadDistributionFromFile(write("d.txt", "1 1\n2 1\n3 1\n").c_str()), 1);
    for (int i = 1; i <= 3; i++) EXPECT_FLOAT_EQ(pDistValues[i], 2.0f / 3.0f);
    // Uneven values on an uneven grid: the trapezoids are (1 + 3) / 2 x 1 and
    // (3 + 2) / 2 x 2, the area 7, the sum 6: every value grows by 7 / 6.
    ASSERT_EQ(loadDistributionFromFile(write("u.txt", "1 1\n2 3\n4 2\n").c_str()), 1);
    const float fIn[4] = {0.0f, 1.0f, 3.0f, 2.0f};
    for (int i = 1; i <= 3; i++) EXPECT_FLOAT_EQ(pDistValues[i], fIn[i] * 7.0f / 6.0f) << i;
}

TEST_F(DistributionFile, RefusedFilesLeaveTheDistributionCleared)
{
    bModelCS = 1;
    ASSERT_EQ(setupSGrid(), 1);
    win::headless::Script script;
    script.expectMessageBox("could not open", win::IDOK);
    EXPECT_EQ(loadDistributionFromFile((folder + "/missing.txt").c_str()), 0);
    EXPECT_EQ(pDistAxisS, nullptr);
    EXPECT_EQ(pDistPlot, nullptr);
    EXPECT_EQ(loadDistributionFromFile(write("bad.txt", "1 2\nx y\n").c_str()), 0);
    EXPECT_EQ(pDistAxisS, nullptr);
    bModelCS = 0;
    bModelCSFf0 = 1;
    EXPECT_EQ(loadDistributionFromFile(write("d.txt", "1 1\n2 1\n").c_str()), 0);
}

TEST_F(DistributionFile, TwoDimensionalKernelsReusedWhileNothingChanged)
{
    EXPECT_TRUE(checkContiKernelsDue());  // one-dimensional: always
    EXPECT_EQ(bContiKernelsDue, 1);
    bModelCSFf0 = 1;
    fSMin = 1.0f;
    fSMax = 10.0f;
    fSGridResolution = 10.0f;
    fFf0Resolution = 3.0f;
    nFf0Resolution = 3;
    nCsGridTotal = 30;
    EXPECT_TRUE(checkContiKernelsDue());  // no stores yet
    ASSERT_EQ(setupSGrid(), 1);
    bDataChanged = 0;
    EXPECT_FALSE(checkContiKernelsDue());
    EXPECT_EQ(bContiKernelsDue, 0);
    fFf0Max += 0.5f;
    EXPECT_TRUE(checkContiKernelsDue());
    fFf0Max -= 0.5f;
    bDataChanged = 1;
    EXPECT_TRUE(checkContiKernelsDue());
    bDataChanged = 0;
    bSkipRegularization = 1;  // decided elsewhere: the flag keeps its value
    bContiKernelsDue = 0;
    EXPECT_TRUE(checkContiKernelsDue());
    EXPECT_EQ(bContiKernelsDue, 0);
}

namespace {

// A c(s) grid 1, 2, ..., 10 S with the prior switched on from the peak table.
class PriorSetup : public DistributionTest {
protected:
    void SetUp() override
    {
        DistributionTest::SetUp();
        bModelCS = 1;
        fSMin = 1.0f;
        fSMax = 10.0f;
        fSGridResolution = 10.0f;
        bUsePriorProbabilities = 1;
        for (int k = 1; k <= nPriorPeakRows; k++) dPriorPeakWidth[k] = -1;
    }
    void peak(int k, double L, double W, double A)
    {
        dPriorPeakLocation[k] = L;
        dPriorPeakWidth[k] = W;
        dPriorPeakAmplitude[k] = A;
    }
};

}  // namespace

TEST_F(PriorSetup, DeltaPeaks)
{
    peak(1, 4.0, 0.0, 0.5);  // on a grid point: 2h there only
    ASSERT_EQ(setupSGrid(), 1);
    for (int i = 1; i <= 10; i++) EXPECT_DOUBLE_EQ(pPriorProbability[i], i == 4 ? 0.001 + 1.0 : 0.001) << i;
    peak(1, 1.5, 0.0, 0.5);  // below x2: nothing
    ASSERT_EQ(setupSGrid(), 1);
    for (int i = 1; i <= 10; i++) EXPECT_DOUBLE_EQ(pPriorProbability[i], 0.001);
    peak(1, 2.0, 0.0, 0.5);  // on x2 itself: the peak stands there, 2h as on any grid point
    ASSERT_EQ(setupSGrid(), 1);
    for (int i = 1; i <= 10; i++) EXPECT_DOUBLE_EQ(pPriorProbability[i], i == 2 ? 0.001 + 1.0 : 0.001) << i;
    // between points: split so that the tent's mean is the location
    peak(1, 5.3, 0.0, 0.5);
    ASSERT_EQ(setupSGrid(), 1);
    const double a = pPriorProbability[5] - 0.001, b = pPriorProbability[6] - 0.001;
    EXPECT_NEAR(a + b, 1.0, 1e-9);
    // tent through (4, 0), (5, a), (6, b), (7, 0): mean 5.3
    EXPECT_NEAR((4.0 * 0 + 5 * a * 3 + 6 * b * 3 + 0) / (3 * (a + b)), 5.3, 1e-3);
    // the tent holds 2A = (a + b) x 1 S = 1.0 on any grid step: on a grid of
    // half the step, 1, 1.5, ..., 10 S, too
    fSGridResolution = 19.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 19);
    double dArea = 0.0;
    for (int i = 2; i <= nResolution; i++)
        dArea += 0.5 * (pPriorProbability[i] + pPriorProbability[i - 1] - 0.002) * (pDistAxisS[i] - pDistAxisS[i - 1]);
    EXPECT_NEAR(dArea, 1.0, 1e-9);
    EXPECT_TRUE(shownErrorMessages().empty());
}

TEST_F(PriorSetup, GaussianIntegratesToItsAmplitude)
{
    fSGridResolution = 2001.0f;
    fSMin = 0.0f;
    fSMax = 20.0f;
    peak(2, 8.0, 1.5, 2.5);
    ASSERT_EQ(setupSGrid(), 1);
    double dArea = 0.0;
    for (int i = 2; i <= nResolution; i++)
        dArea += 0.5 * (pPriorProbability[i] + pPriorProbability[i - 1] - 0.002) * (pDistAxisS[i] - pDistAxisS[i - 1]);
    EXPECT_NEAR(dArea / 2.5, 1.0, 1e-3);  // the normalisation 1.772 is sqrt(pi)
}

TEST_F(PriorSetup, PriorFileAndItsFailure)
{
    const std::string path = folder + "/prior.dat";
    std::ofstream(path) << "0 1\n5 2\n10 3\n12 4\n20 5\n30 6\n";
    std::snprintf(szPriorFileName, sizeof szPriorFileName, "%s", path.c_str());
    ASSERT_EQ(setupSGrid(), 1);
    // the file's line at each grid point, the first one too (1 S: a fifth
    // of the way from 0 to 5 S)
    EXPECT_NEAR(pPriorProbability[1], 1.2, 1e-6);
    EXPECT_NEAR(pPriorProbability[3], 1.6, 1e-6);
    EXPECT_EQ(bUsePriorProbabilities, 1);
    // the models with a discrete species in point 1 take the prior over s as
    // well: 1 + s/5 on the file's first segment
    bModelCS = 0;
    for (unsigned char* b : {&bModelCSOneDiscreteM, &bModelCSOneDiscreteD}) {
        *b = 1;
        ASSERT_EQ(setupSGrid(), 1);
        *b = 0;
        ASSERT_EQ(nResolution, 10);
        for (int i = 2; i <= nResolution; i++) {
            ASSERT_EQ(pPriorAbscissa[i], pDistAxisS[i]) << i;
            EXPECT_NEAR(pPriorProbability[i], 1.0 + pDistAxisS[i] / 5.0, 1e-5) << i;
        }
    }
    bModelCS = 1;
    std::snprintf(szPriorFileName, sizeof szPriorFileName, "%s/none.dat", folder.c_str());
    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("could not open", win::IDOK);
    script.expectMessageBox("Could Not Open MaxEnt Prior File", win::IDOK);
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bUsePriorProbabilities, 0);
    EXPECT_EQ(shownErrorMessages().back(), "Could Not Open MaxEnt Prior File");
}

TEST_F(PriorSetup, FrictionalRatioGaussians)
{
    bModelCS = 0;
    bModelCSFf0 = 1;
    bUsePriorProbabilities = 0;
    bPriorFf0Gaussians = 1;
    fFf0Min = 1.0f;
    fFf0Max = 3.0f;
    fFf0Resolution = 5.0f;
    nFf0Resolution = 5;
    nCsGridTotal = 50;
    dFf0PriorPeakPosition[0] = 1.5;
    dFf0PriorPeakHalfWidth[0] = 0.5;
    dFf0PriorPeakEnhancement[0] = 2.0;
    ASSERT_EQ(setupSGrid(), 1);
    for (int k = 1; k <= 5; k++) {
        const double f = 1.0 + 0.5 * (k - 1);
        EXPECT_NEAR(pFf0PriorWeights[k], 0.001 + 2.0 * std::exp(-(1.5 - f) * (1.5 - f) / 0.25) / (1.772 * 0.5), 1e-6);
    }
}
