// The distribution result: its release, the plot in its band, the plot
// rebuilds after model changes, the c(s) to c(M) conversion and the
// two-dimensional displays.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "analyses/analysis_globals.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_fixture.h"
#include "distributions/distribution_result.h"
#include "distributions/lamm_solution_store.h"
#include "distributions/s_grid.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"

namespace {

class DistributionResult : public DistributionTest {
protected:
    void SetUp() override
    {
        DistributionTest::SetUp();
        fSMin = 1.0f;
        fSMax = 10.0f;
        fSGridResolution = 10.0f;
    }
    void TearDown() override
    {
        delete pDataPlot;
        pDataPlot = nullptr;
        DistributionTest::TearDown();
    }
    // The grid of a model and the labels of its plot.
    void expectLabels(const char* szX, const char* szY)
    {
        ASSERT_EQ(setupSGrid(), 1);
        ASSERT_NE(pDistPlot, nullptr);
        EXPECT_STREQ(pDistPlot->szXLabel, szX);
        EXPECT_STREQ(pDistPlot->szYLabel, szY);
    }
};

}  // namespace

TEST_F(DistributionResult, ReleaseRestoresTheBandsAndLaysThePlotsOut)
{
    pDataPlot = new CWINPlot();
    setDistributionPlotLayout();
    bDistPlotBuilt = 0;
    clearDistributionResults();  // an empty result: only the bands
    EXPECT_EQ(nPlotTop, 50);
    EXPECT_EQ(nPlotBottom, 475);
    EXPECT_EQ(nResidPlotTop, 550);
    EXPECT_EQ(nResidPlotBottom, 950);
    EXPECT_EQ(pDataPlot->nFrameBottom, 0);  // not laid out again
    setDistributionPlotLayout();
    bDistPlotBuilt = 1;
    clearDistributionResults();
    EXPECT_EQ(nPlotBottom, 475);
    EXPECT_EQ(pDataPlot->nFrameTop, 50);
    EXPECT_EQ(pDataPlot->nFrameBottom, 475);
    clearDistributionResults();  // twice is harmless
    EXPECT_EQ(pDistAxisS, nullptr);
    EXPECT_EQ(pPriorProbability, nullptr);
}

TEST_F(DistributionResult, PlotInItsBandAndTheMainPlotsMoveUp)
{
    bModelCS = 1;
    pDataPlot = new CWINPlot();
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pDistPlot->nFrameTop, nDistPlotFrom);
    EXPECT_EQ(pDistPlot->nFrameBottom, nDistPlotTo);
    EXPECT_EQ(pDistPlot->nFrameLeft, static_cast<int>(75.0 * fPlotXScale));
    EXPECT_EQ(nPlotBottom, 350);
    EXPECT_EQ(nResidPlotTop, 405);
    EXPECT_EQ(nResidPlotBottom, 575);
    EXPECT_EQ(pDataPlot->nFrameBottom, 350);
    // one curve on the s axis; the second solution only when both are shown
    EXPECT_EQ(pDistPlot->nCurves, 1);
    EXPECT_EQ(pDistPlot->pCurves[0], pDistCurve);
    EXPECT_EQ(pDistXVector->pData, pDistAxisS + 1);
    EXPECT_NE(pDistCurve2, nullptr);
    EXPECT_EQ(pDistPlot->bYFromZero, 1);
    EXPECT_EQ(pDistPlot->bConnectSymbols, 1);
    bRegBothShown = 1;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(pDistPlot->nCurves, 2);
    EXPECT_EQ(pDistPlot->GetCurveColor(1), 0xff0000u);
    // the blue curve pairs every s of the grid with its own second value: a
    // second solution of 2 s puts each of its points on the line y = 2 x
    for (int i = 1; i <= nResolution; i++) pDistValues2[i] = 2.0f * pDistAxisS[i];
    const CCurve* pBlue = pDistPlot->pCurves[1];
    ASSERT_EQ(pBlue->pY->nSize, static_cast<unsigned>(nResolution));
    ASSERT_EQ(pBlue->pX->nSize, static_cast<unsigned>(nResolution));
    for (unsigned k = 0; k < pBlue->pY->nSize; k++) EXPECT_EQ(pBlue->pY->pData[k], 2.0f * pBlue->pX->pData[k]) << k;
    EXPECT_NE(paintDistributionPlot(), nullptr);
    // a second plot of the same grid releases the result first: no plot of
    // a grid that is gone
    plotDistribution();
    EXPECT_EQ(pDistPlot, nullptr);
    EXPECT_EQ(pDistAxisS, nullptr);
    EXPECT_EQ(nPlotBottom, 475);
    EXPECT_EQ(paintDistributionPlot(), nullptr);
}

TEST_F(DistributionResult, AxisTextsByModel)
{
    bModelCS = 1;
    bModelLsgs = 1;
    expectLabels("sed coefficient [S]", "ls-g*(s)");
    bModelLsgs = 0;
    bBoundaryAnalysisMode = 1;
    expectLabels("sed coefficient [S]", "fraction");
    bExtrapolateAreaFractions = 1;
    expectLabels("sed coefficient [S]", "c(s)");
    bBoundaryAnalysisMode = bExtrapolateAreaFractions = 0;
    bModelCS = 0;
    bModelElectrophoresisCV = 1;
    expectLabels("migration velocity [um/sec]", "c(s)");
    bModelElectrophoresisCV = 0;
    fSMin = 1000.0f;
    fSMax = 1e5f;
    expectLabels("molar mass [Da]", "c(M)");
    EXPECT_EQ(pDistXVector->pData, pDistAxisM + 1);
    bModelFMScalingLaw = bFMScalingNoDiffusion = 1;
    expectLabels("molar mass [Da]", "f(M)");
}

// After a model change the plot is rebuilt on the model's axis; without a
// plot only the default limits are set: S for every s-type model, Da for the
// M type.
TEST_F(DistributionResult, RebuildAfterModelChange)
{
    for (unsigned char* b : {&bModelCS, &bModelLsgs, &bModelLsgsOneDiscrete, &bModelElectrophoresisCV,
                             &bBoundaryAnalysisMode, &bModelCSFlotation, &bModelCSOneDiscreteD, &bBufferMismatch,
                             &bModelCSOneDiscreteM, &bModelCSWithMsTable, &bModelHybridCSLsgs}) {
        *b = 1;
        updateDistributionPlot();
        EXPECT_EQ(fSMin, 0.0f);
        EXPECT_EQ(fSMax, 20.0f);
        *b = 0;
    }
    updateDistributionPlot();
    EXPECT_EQ(fSMin, 10000.0f);
    EXPECT_EQ(fSMax, 500000.0f);

    bModelCS = 1;
    fSMin = 2.0f;
    fSMax = 12.0f;
    ASSERT_EQ(setupSGrid(), 1);
    bModelCS = 0;  // to c(M): the plot over the masses of the grid
    bModelCommandRebuild = 1;
    updateDistributionPlot();
    EXPECT_EQ(fSMin, pDistAxisM[1]);
    EXPECT_EQ(fSMax, pDistAxisM[10]);
    EXPECT_STREQ(pDistPlot->szXLabel, "molar mass [Da]");
    EXPECT_EQ(nPlotBottom, 350);
    bModelCommandRebuild = 0;
    bModelCS = 1;
    win::headless::Script script;
    script.expectMessageBox("may need to recalculate before integrating distribution data", win::IDOK);
    updateDistributionPlot();
    EXPECT_EQ(fSMin, 2.0f);
    EXPECT_STREQ(pDistPlot->szYLabel, "c(s)");

    // A grid of one point, 4.4 S at f/f0 1.3: both limits of the c(M) plot
    // are its mass, 63,177 Da (docs/distributions.md), not the s limits.
    fSMin = 4.4f;
    fSMax = 12.0f;
    fSGridResolution = 1.0f;
    fFrictionalRatio = 1.3f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 1);
    bModelCS = 0;
    bModelCommandRebuild = 1;
    updateDistributionPlot();
    bModelCommandRebuild = 0;
    EXPECT_NEAR(fSMin, 63177.0, 3.0);
    EXPECT_NEAR(fSMax, 63177.0, 3.0);
    EXPECT_STREQ(pDistPlot->szXLabel, "molar mass [Da]");
    ASSERT_EQ(pDistXVector->nSize, 1u);
    EXPECT_NEAR(pDistXVector->pData[0], 63177.0, 3.0);

    // Four points from 4.4 to 17.6 S at f/f0 1.3: the curve puts each value
    // at the mass of its own s. At a fixed frictional ratio M goes as
    // s^(3/2), so from 63,177 Da at 4.4 S the masses of 4.4, 8.8, 13.2 and
    // 17.6 S are 63,177, 178,691, 328,276 and 505,416 Da.
    bModelCS = 1;
    fSMin = 4.4f;
    fSMax = 17.6f;
    fSGridResolution = 4.0f;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_EQ(nResolution, 4);
    for (int i = 1; i <= 4; i++) pDistValues[i] = static_cast<float>(i);
    bModelCS = 0;
    bModelCommandRebuild = 1;
    updateDistributionPlot();
    bModelCommandRebuild = 0;
    ASSERT_EQ(pDistXVector->nSize, 4u);
    ASSERT_EQ(pDistYVector->nSize, 4u);
    ASSERT_NEAR(pDistXVector->pData[0], 63177.0, 3.0);  // the curve starts at the lowest s
    const double masses[] = {63177.0, 178691.0, 328276.0, 505416.0};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(pDistXVector->pData[i], masses[i], 3e-5 * masses[i]) << i;
        EXPECT_EQ(pDistYVector->pData[i], static_cast<float>(i + 1)) << i;
    }
    EXPECT_NEAR(fSMax, 505416.0, 15.0);
}

// The rebuilt plot names its axes by the model now chosen: the light
// scattering distributions over Rh (also in the time course) and over D, the
// hybrid with its switch-over s, the mass distributions, and the c(s) list.
TEST_F(DistributionResult, RebuildNamesTheAxesOfTheModelNowChosen)
{
    bModelCS = 1;
    ASSERT_EQ(setupSGrid(), 1);
    bModelCS = 0;
    bModelCommandRebuild = 1;
    auto expectRebuilt = [](unsigned char* pFlag, const char* szX, const char* szY) {
        if (pFlag) *pFlag = 1;
        updateDistributionPlot();
        if (pFlag) *pFlag = 0;
        ASSERT_NE(pDistPlot, nullptr);
        EXPECT_STREQ(pDistPlot->szXLabel, szX);
        EXPECT_STREQ(pDistPlot->szYLabel, szY);
    };
    expectRebuilt(&bModelDlsRh, "hydrodynamic radius (nm)", "Scattering Intensity");
    expectRebuilt(&bModelDlsRhTime, "hydrodynamic radius (nm)", "Scattering Intensity");
    expectRebuilt(&bModelDlsD, "diffusion coefficient (10^-7 cm^2/sec)", "Scattering Intensity");
    expectRebuilt(nullptr, "molar mass [Da]", "c(M)");
    dHybridSwitchS = 3.0;
    expectRebuilt(&bModelHybridCSLsgs, "sed coefficient [S]", "c(s)/ls-g*(s)");
    expectRebuilt(&bModelCSScalingLaw, "sed coefficient [S]", "c(s)");
    dHybridSwitchS = 0.0;
    expectRebuilt(&bModelCSInvariantD, "sed coefficient [S]", "c(s)");
    bModelCommandRebuild = 0;
}

// c(s) to c(M): each point keeps its amplitude, value times its local
// spacing; a second conversion changes nothing.
TEST_F(DistributionResult, ConversionToCMKeepsAmplitudes)
{
    bModelCS = 1;
    fFrictionalRatio = 1.25f;
    ASSERT_EQ(setupSGrid(), 1);
    const int n = nResolution;
    for (int i = 1; i <= n; i++) pDistValues[i] = 1.0f + 0.1f * i * i;
    auto spacing = [n](const float* x, int i) {
        if (i == 2) return (x[3] - x[2]) / 2.0f;
        if (i == n) return (x[n] - x[n - 1]) / 2.0f;
        return (x[i + 1] - x[i - 1]) / 2.0f;
    };
    std::vector<float> amplitude(n + 1);
    for (int i = 2; i <= n; i++) amplitude[i] = pDistValues[i] * spacing(pDistAxisS, i);
    plotCMDistribution();
    EXPECT_EQ(bDistConvertedToCM, 1);
    EXPECT_EQ(pDistValues[1], 1.1f);  // point 1 keeps its value
    for (int i = 2; i <= n; i++) EXPECT_NEAR(pDistValues[i] * spacing(pDistAxisM, i) / amplitude[i], 1.0, 1e-5) << i;
    EXPECT_STREQ(pDistPlot->szXLabel, "molar mass [Da]");
    EXPECT_STREQ(pDistPlot->szYLabel, "c(M)");
    EXPECT_EQ(pDistXVector->pData, pDistAxisM + 1);
    const std::vector<float> once(pDistValues, pDistValues + n + 1);
    plotCMDistribution();
    EXPECT_EQ(std::vector<float>(pDistValues, pDistValues + n + 1), once);
    // a new grid is plotted over s again
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bDistConvertedToCM, 0);
    // two points leave point 2 without a neighbour for its interval: the
    // grid stays c(s), its values as they were
    fSGridResolution = 2.0f;
    ASSERT_EQ(setupSGrid(), 1);
    pDistValues[1] = pDistValues[2] = 1.0f;
    plotCMDistribution();
    EXPECT_EQ(bDistConvertedToCM, 0);
    EXPECT_EQ(pDistValues[2], 1.0f);
    EXPECT_STREQ(pDistPlot->szXLabel, "sed coefficient [S]");
}

namespace {

class TwoDimensionalResult : public DistributionResult {
protected:
    void SetUp() override
    {
        DistributionResult::SetUp();
        fFf0Min = 1.0f;
        fFf0Max = 2.0f;
        fFf0Resolution = 5.0f;
        nFf0Resolution = 5;
        nCsGridTotal = 50;
    }
};

}  // namespace

TEST_F(TwoDimensionalResult, MapShowsEveryPointButTheDiscreteSpecies)
{
    bModelCSFf0 = 1;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(bCsFf0Plotted, 1);
    ASSERT_EQ(pDistPlot->nCurves, 2);
    EXPECT_EQ(pCsFf0XVector->nSize, 50u);
    EXPECT_EQ(pDistPlot->GetCurveStyle(0), 11);
    EXPECT_EQ(pDistPlot->nColorValues, 50);
    // cells: (950 - 630) / 4 / 2 + 1 along f/f0, (975 - 75) / 9 x 1.2 / 2 + 1 along s
    EXPECT_EQ(pDistPlot->nSymbolSize, 41);
    EXPECT_EQ(pDistPlot->nSymbolHeight, 61);
    EXPECT_STREQ(pDistPlot->szYLabel, "c(s,*) or ff0");
    EXPECT_STREQ(pDistPlot->szYBottomText, "ff0=1.00");
    EXPECT_STREQ(pDistPlot->szYTopText, "ff0=2.00");

    bModelCSFf0 = 0;
    bModelCSFf0OneDiscrete = 1;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pCsFf0XVector->nSize, 49u);
    EXPECT_EQ(pCsFf0XVector->pData, pCsFf0S + 2);
    EXPECT_EQ(pDistPlot->pColorValues, pCsFf0Values + 2);
    EXPECT_EQ(pDistPlot->nColorValues, 49);
}

TEST_F(TwoDimensionalResult, PointDisplayFollowsTheOptions)
{
    bModelCSFf0 = 1;
    ASSERT_EQ(setupSGrid(), 1);
    bCsFf0ShowRh = 1;
    plotSizeAndShapeDistribution();
    EXPECT_EQ(pDistPlot->GetCurveStyle(0), 9);
    EXPECT_EQ(pCsFf0YVector->pData, pCsFf0Rh + 1);
    bCsFf0ShowRh = 0;
    bCsFf0ShowMFf0 = 1;
    plotSizeAndShapeDistribution();
    EXPECT_EQ(pCsFf0XVector->pData, pCsFf0M + 1);
    EXPECT_STREQ(pDistPlot->szXLabel, "molar mass [Da]");
    EXPECT_STREQ(pDistPlot->szYLabel, "frictional ratio");
    EXPECT_EQ(pDistPlot->nSymbolSize, nDistSymbolSize);
}

// One f/f0 value, or fewer two-dimensional points than s points times f/f0
// values: a grid and a map without cells of no size, and nothing written
// beyond the arrays.
TEST_F(TwoDimensionalResult, DegenerateGrids)
{
    bModelCSFf0 = 1;
    fFf0Resolution = 1.0f;
    nFf0Resolution = 1;
    nCsGridTotal = 10;
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pFf0Grid[1], 1.0f);
    EXPECT_EQ(pCsFf0Ratio[10], 1.0f);
    EXPECT_EQ(pDistPlot->nSymbolSize, 10);  // no cell extent over zero steps
    fFf0Resolution = 5.0f;
    nFf0Resolution = 5;
    nCsGridTotal = 7;  // settings out of step
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(allocatedCsFf0Points(), 7);
    EXPECT_EQ(pCsFf0S[7], pDistAxisS[7]);
    EXPECT_EQ(nLammSolutionStoreRows, 7);
}

// The two-dimensional arrays go with the result whatever model is chosen by
// then, and a one-dimensional grid leaves none behind, nor a map over them.
TEST_F(TwoDimensionalResult, ArraysReleasedAfterAModelSwitch)
{
    bModelCSFf0 = 1;
    ASSERT_EQ(setupSGrid(), 1);
    ASSERT_NE(pCsFf0Values, nullptr);
    bModelCSFf0 = 0;
    bModelCS = 1;
    nCsGridTotal = 7;  // the settings moved on too
    clearDistributionResults();
    for (float* p : {pCsFf0Values, pCsFf0S, pCsFf0Ratio, pCsFf0M, pCsFf0D, pCsFf0Rh, pFf0Grid, pFf0PriorWeights})
        EXPECT_EQ(p, nullptr);
    EXPECT_EQ(pCsFf0Curve, nullptr);
    EXPECT_EQ(bCsFf0Plotted, 0);
    EXPECT_EQ(allocatedCsFf0Points(), 0);
    // a c(s) result, then c(s,ff0) chosen again: until it is run, the plot
    // rebuilt for it still shows the c(s) curve, there being no map to show
    ASSERT_EQ(setupSGrid(), 1);
    EXPECT_EQ(pCsFf0Values, nullptr);
    bModelCS = 0;
    bModelCSFf0 = 1;
    nCsGridTotal = 50;
    bModelCommandRebuild = 1;
    updateDistributionPlot();
    bModelCommandRebuild = 0;
    EXPECT_EQ(bCsFf0Plotted, 0);
    ASSERT_EQ(pDistPlot->nCurves, 1);
    EXPECT_EQ(pDistPlot->pCurves[0], pDistCurve);
    EXPECT_EQ(pDistYVector->pData, pDistValues + 1);
    EXPECT_STREQ(pDistPlot->szYLabel, "c(s)");
}
