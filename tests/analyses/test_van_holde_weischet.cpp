// The van Holde-Weischet analysis: on scans from the Lamm solver object the
// extrapolated fractions give the s of the species (one species; a pair of
// 3 S and 7 S; flotation); on drawn staircases the bands, their borders, the
// empty first fraction and the lowered resolution; the scan-time correction
// and the result plot with its release.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/boundary/boundary_fractions.h"
#include "analyses/boundary_fixture.h"
#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace boundarytest;

namespace {

class VanHoldeWeischetTest : public BoundaryWindowTest {};

// A staircase at every time: 0 below 6.3 cm, then steps of 0.02 cm (ten
// points each) at the given levels, then the plateau.
std::function<double(double, double)> staircase(std::vector<double> levels, double plateau)
{
    return [levels, plateau](double r, double) {
        if (r < 6.2999) return 0.0;
        const int nStep = static_cast<int>((r - 6.2999) / 0.02);
        return nStep < static_cast<int>(levels.size()) ? levels[nStep] : plateau;
    };
}

// The mean of the radii 6.3 + 0.02 (f - 1) .. + 0.018: step f's ten points.
double stepRadius(int f) { return 6.3 + 0.02 * (f - 1) + 0.009; }

}  // namespace

TEST_F(VanHoldeWeischetTest, OneSpeciesGivesItsSInEveryFraction)
{
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(30, 1200.0, 200.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(nVhwFractions, 10);
    for (int f = 1; f <= 10; f++) {
        EXPECT_NEAR(pDistAxisS[f], 5.0, 0.15) << "fraction " << f;
        // the cumulative values are f / (resolution + 1)
        EXPECT_FLOAT_EQ(pDistValues[f], f / 11.0f);
    }
    // the staircase of the lines fits the boundaries to a few per cent
    EXPECT_TRUE(bModelComputed);
    EXPECT_LT(fRmsd, 0.05);
    EXPECT_GT(fRmsd, 0.0);
}

TEST_F(VanHoldeWeischetTest, TwoSpeciesSeparateIntoTheirFractions)
{
    LoadExperiment(writeLammScans(scratch, {{3.0, 7e-7, 0.5}, {7.0, 5e-7, 0.5}}, evenTimes(30, 2400.0, 120.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    for (int f = 1; f <= 3; f++) EXPECT_NEAR(pDistAxisS[f], 3.0, 0.15) << "fraction " << f;
    for (int f = 8; f <= 10; f++) EXPECT_NEAR(pDistAxisS[f], 7.0, 0.35) << "fraction " << f;
}

TEST_F(VanHoldeWeischetTest, FlotationGivesNegativeS)
{
    // the floating material piles up at the meniscus: the plateau is taken
    // beyond the pile-up
    LoadExperiment(writeLammScans(scratch, {{-3.0, 6e-7, 1.0}}, evenTimes(30, 4000.0, 200.0)));
    fFitLeftLim = 6.15f;
    updateLeftFitLimit();
    SelectVanHoldeWeischet(10.0f, true, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    for (int f = 1; f <= 10; f++) EXPECT_NEAR(pDistAxisS[f], -3.0, 0.15) << "fraction " << f;
}

// Flotation mirrors the cleared region about the bottom: from the last fitted
// point on to the bottom the model is the baseline. With a fit range of one
// point, the first of every scan, that is the whole scan; the baseline is that
// point's signal, so a profile that stays as it is leaves no residual.
TEST_F(VanHoldeWeischetTest, FlotationWithTheFirstPointAloneFittedIsTheBaselineEverywhere)
{
    LoadExperiment(writeProfileScans(scratch, evenTimes(4, 2000.0, 500.0),
                                     [](double r, double) { return 1.0 + 10.0 * (r - 6.0); }));
    fMeniscus = pParamValue[13] = 5.95f;
    fFitLeftLim = fFitRightLim = 6.0f;
    updateLeftFitLimit();
    updateRightFitLimit();
    for (int k = 1; k <= nScans; k++) {
        ASSERT_EQ(pFitFirstIndex[k], 1);
        ASSERT_EQ(pFitLastIndex[k], 1);
    }
    SelectVanHoldeWeischet(1.0f, true, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_FLOAT_EQ(fBaseline, 1.0f);
    for (int k = 1; k <= nScans; k++) {
        EXPECT_GT(pPlateauHeight[k], 0.2f);  // the mean of the first 0.05 cm above it
        for (int i = 1; i <= pScanPoints[k]; i++) ASSERT_EQ(ppFit[k][i], fBaseline) << "scan " << k << " point " << i;
    }
    EXPECT_LT(fRmsd, 1e-6f);
}

// Sedimentation: up to the first fitted point the model is the baseline, the
// mean signal of the last scan over the first 0.05 cm of the fit range; for
// 1 + 10 (r - 6) from 6.0 cm that is 1.25. With the meniscus below the data
// the fit range starts on every scan's first point, which the staircase takes.
TEST_F(VanHoldeWeischetTest, AFitFromTheFirstPointStartsOnTheBaseline)
{
    LoadExperiment(writeProfileScans(scratch, evenTimes(4, 2000.0, 500.0),
                                     [](double r, double) { return 1.0 + 10.0 * (r - 6.0); }));
    fMeniscus = pParamValue[13] = 5.95f;
    fFitLeftLim = 6.0f;
    updateLeftFitLimit();
    SelectVanHoldeWeischet(1.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_NEAR(fBaseline, 1.25f, 0.011f);
    for (int k = 1; k <= nScans; k++) {
        ASSERT_EQ(pFitFirstIndex[k], 1);
        EXPECT_EQ(ppFit[k][1], fBaseline) << "scan " << k;
    }
}

TEST_F(VanHoldeWeischetTest, BandsAreCentredAtTheElevenths)
{
    // plateau 11 above a baseline of 0: band f holds the signals within 0.5
    // of f; a signal of 1.5, on the border of bands 1 and 2, is band 1's, and
    // so is one of 0.5, band 1's lower border
    std::vector<double> levels;
    for (int f = 1; f <= 10; f++) levels.push_back(f);
    auto profile = staircase(levels, 11.0);
    auto withBorder = [profile](double r, double t) {
        if (std::fabs(r - 6.300) < 1e-4) return 0.5;
        return std::fabs(r - 6.318) < 1e-4 ? 1.5 : profile(r, t);
    };
    LoadExperiment(writeProfileScans(scratch, evenTimes(3, 2000.0, 500.0), withBorder));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(fBaseline, 0.0f);
    for (int k = 1; k <= nScans; k++) {
        EXPECT_EQ(pPlateauHeight[k], 11.0f);
        for (int f = 1; f <= 10; f++) EXPECT_NEAR(ppFractionRadius[k][f], stepRadius(f), 1e-4) << "fraction " << f;
    }
}

TEST_F(VanHoldeWeischetTest, AFirstFractionWithoutPointsTakesTheFirstFitRadius)
{
    // the boundary has not cleared the meniscus: no signal near 1/11 of the
    // plateau
    std::vector<double> levels;
    for (int f = 2; f <= 10; f++) levels.push_back(f);
    LoadExperiment(writeProfileScans(scratch, evenTimes(3, 2000.0, 500.0), staircase(levels, 11.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    for (int k = 1; k <= nScans; k++) {
        EXPECT_EQ(ppFractionRadius[k][1], ppRadius[k][pFitFirstIndex[k]]);
        EXPECT_NEAR(ppFractionRadius[k][2], stepRadius(1), 1e-4);
    }
}

TEST_F(VanHoldeWeischetTest, AnEmptyHigherFractionLowersTheResolution)
{
    // signals at 0.09, 0.19, .. 0.89 of the plateau fill the nine bands of
    // resolution 9 but leave band 7 of resolution 10 empty
    std::vector<double> levels;
    for (int f = 1; f <= 9; f++) levels.push_back(f / 10.0 - 0.01);
    LoadExperiment(writeProfileScans(scratch, evenTimes(3, 2000.0, 500.0), staircase(levels, 1.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    win::headless::Script script;
    script.expectMessageBox("to avoid empty fractions, resolution was reduced to 9", win::IDOK);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(fSGridResolution, 9.0f);
    EXPECT_EQ(nVhwFractions, 9);
    EXPECT_EQ(nResolution, 9);
    for (int f = 1; f <= 9; f++) EXPECT_FLOAT_EQ(pDistValues[f], f / 10.0f);
}

TEST_F(VanHoldeWeischetTest, FractionsEmptyDownToFourEndTheRunWithoutAMessage)
{
    // sharp boundaries: nothing between baseline and plateau
    LoadExperiment(writeStepScans(scratch, {{5.0, 0.0, 1.0}}, evenTimes(5, 2000.0, 300.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    win::headless::Script script;
    EXPECT_FALSE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(nVhwFractions, 4);
    for (const std::string& l : script.lines()) EXPECT_EQ(l.find("MessageBox"), std::string::npos) << l;
}

TEST_F(VanHoldeWeischetTest, ScansAtOneTimeAreRefused)
{
    // every line against 1/sqrt(t) would divide by a spread of 0 or rounding
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(8, 3000.0, 0.0)));
    SelectVanHoldeWeischet(10.0f, false, false);
    win::headless::Script script;
    script.expectMessageBox("the scan times do not spread", win::IDOK);
    EXPECT_FALSE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bModelComputed);
    EXPECT_EQ(pDistAxisS, nullptr);
}

TEST_F(VanHoldeWeischetTest, TheScanTimeCorrectionNeedsSpeedAndOption)
{
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(20, 1200.0, 250.0)));
    auto intercepts = [this] {
        SelectVanHoldeWeischet(10.0f, false, false);
        EXPECT_TRUE(runVanHoldeWeischet(window.get()));
        return std::vector<float>(pDistAxisS + 1, pDistAxisS + 11);
    };
    bSimTimeResolution = 0;
    fScanVelocity = 2.43f;
    const std::vector<float> plain = intercepts();
    bSimTimeResolution = 1;
    fScanVelocity = 0.0f;
    EXPECT_EQ(intercepts(), plain);
    // with both, every fraction is seen later, so its apparent s is lower
    fScanVelocity = 2.43f;
    const std::vector<float> corrected = intercepts();
    for (int f = 0; f < 10; f++) EXPECT_LT(corrected[f], plain[f]) << "fraction " << f + 1;
}

TEST_F(VanHoldeWeischetTest, TheResultPlotShowsEveryScanAndIsReleasedByEscapeOrAClick)
{
    LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, evenTimes(2, 3000.0, 1000.0)));
    SelectVanHoldeWeischet(6.0f, false, true);
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    EXPECT_EQ(nBoundaryFractions, 6);
    ASSERT_TRUE(pAreaFractionPlot);
    EXPECT_TRUE(bAreaFractionResults);
    ASSERT_EQ(nPlotSets, 2);
    // two scan curves of 6 points, then 6 lines over both scans and 0
    ASSERT_EQ(pAreaFractionPlot->nCurves, 2 + 6);
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(pAreaFractionPlot->pCurves[k]->pX->nSize, 6u);
        EXPECT_FLOAT_EQ(pAreaFractionPlot->pCurves[k]->pX->pData[0], 1.0f / std::sqrt(3000.0f + 1000.0f * k));
    }
    for (int f = 1; f <= 6; f++) {
        const CCurve* line = pAreaFractionPlot->pCurves[1 + f];
        ASSERT_EQ(line->pX->nSize, 3u);
        EXPECT_EQ(line->pX->pData[2], 0.0f);
        EXPECT_EQ(line->pY->pData[2], pDistAxisS[f]);
        // a straight line fitted to two scans passes through both of their s
        for (int k = 0; k < 2; k++)
            EXPECT_NEAR(line->pY->pData[k], pAreaFractionPlot->pCurves[k]->pY->pData[f - 1], 1e-4)
                << "fraction " << f << ", scan " << k + 1;
    }
    window->EvChar(0x1B, 1, 0);
    EXPECT_FALSE(pAreaFractionPlot);
    EXPECT_FALSE(bAreaFractionResults);
    EXPECT_EQ(nPlotSets, 0);

    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    ASSERT_TRUE(pAreaFractionPlot);
    window->EvLButtonDown(0, win::POINT{300, 300});
    EXPECT_FALSE(pAreaFractionPlot);

    // a plot that a model change hid goes without taking the click
    ASSERT_TRUE(runVanHoldeWeischet(window.get()));
    bAreaFractionResults = 0;
    EXPECT_FALSE(releaseAreaFractionDisplay(window.get()));
    EXPECT_FALSE(pAreaFractionPlot);
}
