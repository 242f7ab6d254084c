// The extrapolation of ls-g*(s) area fractions: the piecewise-linear
// integral and its inverse, the sets of scans, the equal-area targets and the
// result values, the runs on sharp-boundary scans (the program's own sharp
// boundary, so the extrapolation must find the s values exactly), the
// direct fit of the fraction lines, and sets without any signal.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>
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
#include "numerics/nrutil.h"
#include "numerics/random.h"
#include "numerics/straight_line.h"
#include "platform/headless.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"

using namespace boundarytest;

namespace {

// The area under the straight-line interpolation, summed in double.
double exactIntegral(const std::vector<float>& x, const std::vector<float>& y, double a, double b)
{
    double sum = 0.0;
    for (size_t i = 1; i + 1 < x.size(); i++) {
        const double lo = std::max<double>(a, x[i]), hi = std::min<double>(b, x[i + 1]);
        if (hi <= lo) continue;
        const double m = (y[i + 1] - y[i]) / double(x[i + 1] - x[i]);
        const double ylo = y[i] + m * (lo - x[i]), yhi = y[i] + m * (hi - x[i]);
        sum += 0.5 * (ylo + yhi) * (hi - lo);
    }
    return sum;
}

// The x values of the set curves of the result plot.
std::vector<float> setAbscissae()
{
    std::vector<float> v;
    for (int k = 0; k < nPlotSets; k++) v.push_back(pAreaFractionPlot->pCurves[k]->pX->pData[0]);
    return v;
}

float meanTime(int nFirst, int nLast)
{
    double d = 0.0;
    for (int pos = nFirst; pos <= nLast; pos++) d += pScanHeaders[pScanTimeOrder[pos]].time;
    return static_cast<float>(d / (nLast - nFirst + 1));
}

class AreaFractionTest : public BoundaryWindowTest {
protected:
    // Two sharp boundaries of 3 S and 7 S with half the loading each, 30 scans
    // every 270 s from 600 s; a grid 0..10 S in 0.05 S steps, 4 fractions,
    // sets of 3.
    void TwoSpeciesExperiment()
    {
        LoadExperiment(writeStepScans(scratch, {{3.0, 0.0, 0.5}, {7.0, 0.0, 0.5}}, evenTimes(30, 600.0, 270.0)));
        SelectExtrapolation(0.0f, 10.0f, 201, 4, 3);
    }
};

}  // namespace

TEST(PiecewiseLinear, TheIntegralIsExactNegatedWhenReversedAndZeroOutside)
{
    const std::vector<float> x = {0, 1.0f, 2.0f, 2.5f, 4.0f, 6.0f};
    const std::vector<float> y = {0, 0.0f, 2.0f, 2.0f, 0.5f, 3.0f};
    const int n = 5;
    const double cases[][2] = {{1.0, 6.0}, {1.3, 2.2}, {2.1, 2.4}, {0.0, 3.0}, {3.7, 9.0}, {1.5, 1.5}};
    for (const auto& c : cases) {
        const float fForward = integratePiecewiseLinear(x.data(), y.data(), float(c[0]), float(c[1]), n);
        EXPECT_NEAR(fForward, exactIntegral(x, y, c[0], c[1]), 1e-5) << c[0] << ".." << c[1];
        EXPECT_FLOAT_EQ(integratePiecewiseLinear(x.data(), y.data(), float(c[1]), float(c[0]), n), -fForward);
    }
    // both limits beyond one end
    EXPECT_EQ(integratePiecewiseLinear(x.data(), y.data(), -3.0f, 0.5f, n), 0.0f);
    EXPECT_EQ(integratePiecewiseLinear(x.data(), y.data(), 6.0f, 8.0f, n), 0.0f);
    EXPECT_EQ(integratePiecewiseLinear(x.data(), y.data(), 8.0f, 7.0f, n), 0.0f);
}

TEST(PiecewiseLinear, TheInversionFindsEveryTargetOnRandomNonNegativeData)
{
    std::mt19937 gen(37);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    for (int nCase = 0; nCase < 300; nCase++) {
        const int n = 2 + static_cast<int>(u(gen) * 30);
        std::vector<float> x(n + 1), y(n + 1);
        x[1] = -1.0f + 2.0f * u(gen);
        for (int i = 2; i <= n; i++) x[i] = x[i - 1] + 0.01f + u(gen);
        // flat segments, zero runs and ramps
        for (int i = 1; i <= n; i++) {
            const float r = u(gen);
            y[i] = r < 0.25f ? 0.0f : (r < 0.45f && i > 1 ? y[i - 1] : 5.0f * u(gen));
        }
        const float fArea = integratePiecewiseLinear(x.data(), y.data(), x[1], x[n], n);
        for (int t = 0; t < 10; t++) {
            const float fTarget = u(gen) * fArea;
            const float r = invertPiecewiseLinearIntegral(fTarget, x.data(), y.data(), x[1], x[1], n);
            ASSERT_TRUE(std::isfinite(r)) << "case " << nCase;
            ASSERT_GE(r, x[1]);
            ASSERT_LE(r, x[n]);
            EXPECT_NEAR(exactIntegral(x, y, x[1], r), fTarget, 1e-4 * (1.0 + fArea)) << "case " << nCase;
        }
        // a target beyond the area gives the last abscissa
        EXPECT_EQ(invertPiecewiseLinearIntegral(fArea * 1.01f + 1.0f, x.data(), y.data(), x[1], x[1], n), x[n]);
    }
    // a flat segment is inverted exactly: 1.5 of area over y = 2 from x = 1
    const std::vector<float> fx = {0, 0.0f, 1.0f, 3.0f}, fy = {0, 0.0f, 2.0f, 2.0f};
    EXPECT_FLOAT_EQ(invertPiecewiseLinearIntegral(2.5f, fx.data(), fy.data(), 0.0f, 0.0f, 3), 1.75f);
}

TEST(PiecewiseLinear, TheStraightLineIsExactOnALineWithItsResidualSum)
{
    const float x[] = {0, 1, 2, 3, 4}, yLine[] = {0, 3.5f, 5.0f, 6.5f, 8.0f};
    float a = 0, b = 0;
    EXPECT_NEAR(fitStraightLine(&a, &b, x, yLine, 4), 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(a, 2.0f);
    EXPECT_FLOAT_EQ(b, 1.5f);
    // y = 0, 1, 1, 3: the line -1 + 0.9 x leaves 0.1, 0.2, -0.7, 0.4
    const float y[] = {0, 0, 1, 1, 3};
    EXPECT_NEAR(fitStraightLine(&a, &b, x, y, 4), 0.7f, 1e-5);
    EXPECT_NEAR(a, -1.0f, 1e-5);
    EXPECT_NEAR(b, 0.9f, 1e-5);

    // No line where the abscissae do not spread: one point, 1/sqrt(t) of one
    // time, and abscissae one float step apart, whose single-precision D is
    // its own rounding; the intercept and slope stay as they were.
    const float x1 = 1.0f / std::sqrt(3600.0f), x1Next = std::nextafter(x1, 1.0f);
    const float same[] = {0, x1, x1, x1, x1, x1}, residue[] = {0, x1, x1Next, x1, x1Next, x1};
    const float s5[] = {0, 2.0f, 4.0f, 8.0f, 3.0f, 5.0f};
    for (const float* xs : {same, residue}) {
        a = 7.0f, b = 9.0f;
        EXPECT_EQ(fitStraightLine(&a, &b, xs, s5, 5), -1.0f);
        EXPECT_EQ(a, 7.0f);
        EXPECT_EQ(b, 9.0f);
    }
    EXPECT_EQ(fitStraightLine(&a, &b, x, y, 1), -1.0f);
    const float infinite[] = {0, 1.0f / std::sqrt(0.0f), 0.01f};
    EXPECT_EQ(fitStraightLine(&a, &b, infinite, y, 2), -1.0f);
    // times 3600 and 14400 s spread: the line goes through both
    const float two[] = {0, x1, 1.0f / std::sqrt(14400.0f)}, twoY[] = {0, 5.0f + 30.0f * two[1], 5.0f + 30.0f * two[2]};
    EXPECT_NEAR(fitStraightLine(&a, &b, two, twoY, 2), 0.0f, 1e-8f);
    EXPECT_NEAR(a, 5.0f, 1e-4f);
    EXPECT_NEAR(b, 30.0f, 0.01f);
    // at the bound: abscissae 1 and 1 + d spread when n sum (x - mean)^2 = d^2
    // exceeds n eps n Sxx, about 8 eps, so d = 2 sqrt(2 eps); 20 % either side decides
    const float d = 2 * std::sqrt(2 * FLT_EPSILON);
    const float wide[] = {0, 1.0f, 1.0f + 1.2f * d}, narrow[] = {0, 1.0f, 1.0f + 0.8f * d};
    EXPECT_GE(fitStraightLine(&a, &b, wide, twoY, 2), 0.0f);
    EXPECT_EQ(fitStraightLine(&a, &b, narrow, twoY, 2), -1.0f);
}

TEST(PiecewiseLinear, FourFractionsTakeTheirTargetsAtTheOddEighthsOfTheArea)
{
    // a uniform distribution over 0..8: the targets 1/8, 3/8, 5/8, 7/8 of
    // the area lie at 1, 3, 5 and 7
    const int n = 17;
    allocDistributionVectors(n);
    for (int j = 1; j <= n; j++) {
        pDistAxisS[j] = 0.5f * (j - 1);
        pDistValues[j] = 0.25f;
    }
    nBoundaryFractions = 4;
    ppSetFractionS = matrix(1, 1, 1, 4);
    EXPECT_FLOAT_EQ(calcBoundaryFractionS(1), 2.0f);
    for (int c = 1; c <= 4; c++) EXPECT_NEAR(ppSetFractionS[1][c], 2.0f * c - 1.0f, 1e-5) << c;
    free_matrix(ppSetFractionS, 1, 1, 1, 4);
    ppSetFractionS = nullptr;
    freeDistributionVectors();
}

TEST_F(AreaFractionTest, SlidingAndConsecutiveSetsOfTheTimeOrderedScans)
{
    LoadExperiment(writeStepScans(scratch, {{5.0, 0.0, 1.0}}, evenTimes(10, 1000.0, 300.0)));
    SelectExtrapolation(0.0f, 10.0f, 51, 2, 3);
    bShowExtrapolationPlot = 1;
    struct Case {
        int nPerSet;
        bool bConsecutive;
        std::vector<std::pair<int, int>> sets;
    } cases[] = {
        {3, false, {{1, 3}, {2, 4}, {3, 5}, {4, 6}, {5, 7}, {6, 8}, {7, 9}, {8, 10}}},
        {3, true, {{1, 3}, {4, 6}, {7, 9}}},  // scan 10 takes no part
        {1, false, {{1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}}},
    };
    for (const Case& c : cases) {
        pParamValue[3] = static_cast<float>(c.nPerSet);
        bNonOverlappingSets = c.bConsecutive;
        ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
        ASSERT_EQ(nSetLsgDistributions, static_cast<int>(c.sets.size()));
        ASSERT_EQ(nPlotSets, static_cast<int>(c.sets.size()));
        const std::vector<float> x = setAbscissae();
        for (size_t k = 0; k < c.sets.size(); k++)
            EXPECT_FLOAT_EQ(x[k], 1.0f / std::sqrt(meanTime(c.sets[k].first, c.sets[k].second))) << "set " << k + 1;
    }
    EXPECT_EQ(nScansPerLsgSet, 2);  // the set of 1 was raised to 2

    // One fraction, the least count allowed: its target is half the area, the
    // median of each set's distribution, here the one boundary's 5 S; the
    // plot shows the 9 set curves of one point and the fraction's line,
    // which ends on 5 S at 1/sqrt(t) = 0.
    pParamValue[11] = 1.0f;
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    ASSERT_EQ(nBoundaryFractions, 1);
    EXPECT_NEAR(pDistAxisS[1], 5.0f, 0.1f);
    ASSERT_TRUE(pAreaFractionPlot);
    ASSERT_EQ(pAreaFractionPlot->nCurves, 9 + 1);
    for (int k = 0; k < 9; k++) {
        ASSERT_EQ(pAreaFractionPlot->pCurves[k]->pY->nSize, 1u);
        EXPECT_NEAR(pAreaFractionPlot->pCurves[k]->pY->pData[0], 5.0f, 0.1f) << "set " << k + 1;
    }
    const CCurve* line = pAreaFractionPlot->pCurves[9];
    ASSERT_EQ(line->pX->nSize, 10u);
    EXPECT_EQ(line->pX->pData[9], 0.0f);
    EXPECT_NEAR(line->pY->pData[9], 5.0f, 0.1f);

    // the set curves shown in the distribution plot leave it when they go
    ASSERT_TRUE(pDistPlot);
    EXPECT_EQ(pDistPlot->nCurves, 1 + 9);
    // each of them, the first set's too, is that set's distribution of the
    // one boundary: its area (trapezoids over the curve's points) is the
    // loading, 1
    for (int k = 1; k <= 9; k++) {
        const CCurve* set = pDistPlot->pCurves[k];
        ASSERT_TRUE(set) << "set " << k;
        ASSERT_EQ(set->pX->nSize, 51u) << "set " << k;
        double dArea = 0.0;
        for (unsigned j = 1; j < set->pX->nSize; j++)
            dArea += 0.5 * (set->pY->pData[j] + set->pY->pData[j - 1]) * (set->pX->pData[j] - set->pX->pData[j - 1]);
        EXPECT_NEAR(dArea, 1.0, 0.02) << "set " << k;
    }
    freeBoundaryAnalyses();
    EXPECT_EQ(pDistPlot->nCurves, 1);
    window->Invalidate(true);
    win::headless::processMessages();
}

TEST_F(AreaFractionTest, TwoSharpBoundariesGiveTheirSAndEqualShares)
{
    TwoSpeciesExperiment();
    bShowExtrapolationPlot = 1;
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    // G(s): the intercepts with c / (n + 1) of the loading, the last point
    // repeated to the end of the grid
    const float expected[] = {3.0f, 3.0f, 7.0f, 7.0f};
    for (int c = 1; c <= 4; c++) {
        EXPECT_NEAR(pDistAxisS[c], expected[c - 1], 0.05) << "fraction " << c;
        EXPECT_NEAR(pDistValues[c], 0.2 * c, 0.004) << "fraction " << c;
    }
    for (int j = 5; j <= nResolution; j++) {
        EXPECT_EQ(pDistAxisS[j], pDistAxisS[4]);
        EXPECT_EQ(pDistValues[j], pDistValues[4]);
    }
    EXPECT_NEAR(fLoadingConcentration, 1.0, 0.01);
    EXPECT_TRUE(bModelComputed);
    // each set's distribution stays for copying, with its area the loading
    ASSERT_EQ(nSetLsgDistributions, 28);
    for (int k = 1; k <= nSetLsgDistributions; k++)
        EXPECT_NEAR(integratePiecewiseLinear(pSetLsgGrid, ppSetLsgDistributions[k], 0.0f, 10.0f, nResolution), 1.0,
                    0.02)
            << "set " << k;
    // the result plot: 28 set curves of 4 points, then 4 lines that end at
    // 1/sqrt(t) = 0 on their intercepts
    ASSERT_TRUE(pAreaFractionPlot);
    ASSERT_EQ(pAreaFractionPlot->nCurves, 28 + 4);
    for (int c = 1; c <= 4; c++) {
        const CCurve* line = pAreaFractionPlot->pCurves[27 + c];
        ASSERT_EQ(line->pX->nSize, 29u);
        EXPECT_EQ(line->pX->pData[28], 0.0f);
        EXPECT_EQ(line->pY->pData[28], pDistAxisS[c]);
        EXPECT_EQ(pAreaFractionPlot->GetCurveStyle(27 + c), -1);
    }
}

// Diffusing boundaries of 3 S (7e-7 cm^2/s) and 7 S (5e-7 cm^2/s), equal
// amounts, 30 scans every 120 s from 2400 s: the scans fit closely and the
// non-negative solution of some sets met positive semi-definite subsystems;
// every set is solved, none is empty, and the intercepts lie at the species.
TEST_F(AreaFractionTest, EverySetOfDiffusingBoundariesIsSolved)
{
    LoadExperiment(writeLammScans(scratch, {{3.0, 7e-7, 0.5}, {7.0, 5e-7, 0.5}}, evenTimes(30, 2400.0, 120.0)));
    SelectExtrapolation(0.0f, 15.0f, 50, 4, 3);
    win::headless::Script script;
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    EXPECT_TRUE(script.lines().empty());
    ASSERT_EQ(nSetLsgDistributions, 28);
    for (int k = 1; k <= nSetLsgDistributions; k++)
        EXPECT_NEAR(integratePiecewiseLinear(pSetLsgGrid, ppSetLsgDistributions[k], 0.0f, 15.0f, nResolution), 1.0,
                    0.05)
            << "set " << k;
    for (int c = 1; c <= 4; c++) EXPECT_NEAR(pDistAxisS[c], c <= 2 ? 3.0 : 7.0, 0.15) << "fraction " << c;
}

TEST_F(AreaFractionTest, TheDirectFitNeverRaisesTheRmsdAndKeepsTheIntercepts)
{
    TwoSpeciesExperiment();
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    const float fFirstRmsd = fRmsd;
    std::vector<float> first(pDistAxisS + 1, pDistAxisS + 5);

    bFitBoundaryFractions = 1;
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    const float fFitted = fRmsd;
    EXPECT_LE(fFitted, fFirstRmsd);
    for (int c = 1; c <= 4; c++) {
        EXPECT_NEAR(pDistAxisS[c], first[c - 1], 0.05) << "fraction " << c;
        EXPECT_NEAR(pDistAxisS[c], c <= 2 ? 3.0 : 7.0, 0.05) << "fraction " << c;
    }

    // A key ends only the simplex of the fraction it falls into, and that
    // fraction keeps the best line found so far: the fit still ends at the
    // rmsd of the fit without a key. Every evaluation takes one message off
    // the queue, so the key comes at a chosen evaluation (with the same
    // random spreads: here the 201st and the 325th, in the spread of a
    // restart). The lines start near the species.
    ASSERT_TRUE(allocAreaFractionArrays(4));  // as the run holds them
    const float intercepts[5] = {0, 3.0f, 3.0f, 7.0f, 7.0f}, slopes[5] = {0, -0.3f, 0.7f, -0.3f, 1.5f};
    // the start lines, and a key pressed after nBefore other messages (one
    // is taken per evaluation)
    auto startLines = [&] {
        seedRandomNumbers(1);
        for (int c = 1; c <= 4; c++) {
            pFractionIntercept[c] = intercepts[c];
            pFractionSlope[c] = slopes[c];
        }
    };
    auto queueKey = [&](int nBefore) {
        for (int m = 0; m < nBefore; m++) win::PostMessage(window->HWindow, win::WM_MOUSEMOVE, 0, 0);
        win::PostMessage(window->HWindow, win::WM_KEYDOWN, 'X', 0);
        win::PostMessage(window->HWindow, win::WM_KEYUP, 'X', 0);
    };
    for (const int nBefore : {200, 324}) {
        startLines();
        queueKey(nBefore);
        fitAreaFractionExtrapolation(window.get());
        win::MSG msg;
        ASSERT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) << "the key came after the fit";
        EXPECT_LE(fRmsd, 1.01f * fFitted) << "a key after " << nBefore << " evaluations";
        for (int c = 1; c <= 4; c++)
            EXPECT_NEAR(pFractionIntercept[c], intercepts[c], 0.05) << "fraction " << c << ", key after " << nBefore;
    }

    // Keys in the simplex of the last fraction in both sweeps (the 153rd and
    // the 329th evaluation): the second stops it where another vertex than
    // the first is the best. The fit ends showing the model of the lines it
    // keeps: those lines give the same rmsd and loading again.
    startLines();
    for (const int nBefore : {152, 175}) queueKey(nBefore);
    fitAreaFractionExtrapolation(window.get());
    win::MSG msg;
    ASSERT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, win::PM_REMOVE)) << "a key came after the fit";
    const float fShownRmsd = fRmsd, fShownLoading = fLoadingConcentration;
    const float fKeptRmsd = calcSvsTime(pFractionSlope, pFractionIntercept);
    EXPECT_NEAR(fShownRmsd, fKeptRmsd, 1e-5f * fKeptRmsd);
    EXPECT_NEAR(fShownLoading, fLoadingConcentration, 1e-6f);
}

// Each step of the direct fit shows its lines on cleared rows, 30 to 230 at
// x = 10, each as wide as a blank line: whatever was drawn there (a curve, a
// line of an earlier fit) goes, also beside the last line, the runs test.
// The step and the rmsd stand where the simplex's own step text puts them.
TEST_F(AreaFractionTest, TheStepLinesStandOnAClearedBlock)
{
    TwoSpeciesExperiment();
    win::HDC dc = window->GetDC();
    const std::string blank(78, ' ');
    win::SIZE line{0, 0};
    ASSERT_TRUE(win::GetTextExtentPoint32(dc, blank.c_str(), 78, &line));
    const int right = 10 + line.cx, bottom = 230 + line.cy;
    const win::RECT block{10, 30, right, bottom};
    win::HBRUSH black = win::CreateSolidBrush(win::RGB(0, 0, 0));
    win::FillRect(dc, &block, black);
    win::DeleteObject(black);
    showAreaFractionStep(window.get());
    // the lines end before x = 360; from there every row is white (but for
    // its last pixel row and column, which the rounded extent may exceed)
    for (int row = 30; row <= 230; row += 20)
        for (int y = row; y < row + line.cy - 1; y++)
            for (int x = 360; x < right - 1; x++)
                ASSERT_EQ(win::GetPixel(dc, x, y), win::RGB(255, 255, 255)) << x << ", " << y;
    // the simplex steps between show the same step and rmsd on rows 30 and
    // 50: the lines stay where they stand, not a pixel moves
    std::vector<win::COLORREF> area;
    for (int y = 30; y < 70; y++)
        for (int x = 10; x < right - 1; x++) area.push_back(win::GetPixel(dc, x, y));
    showSimplexStep(window.get());
    size_t i = 0;
    for (int y = 30; y < 70; y++)
        for (int x = 10; x < right - 1; x++, i++) ASSERT_EQ(win::GetPixel(dc, x, y), area[i]) << x << ", " << y;
    window->ReleaseDC(dc);
}

// The direct fit evaluates the model of the lines again and again: the same
// lines give the same model and rmsd at every evaluation, also where a
// boundary still lies left of the first radius of the fitted range (a
// meniscus 0.05 cm inside the data's start, the left limit on the first
// radius, and the first scan at 600 s).
TEST_F(AreaFractionTest, TheSameLinesGiveTheSameModelAtEveryEvaluation)
{
    TwoSpeciesExperiment();
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    ASSERT_TRUE(allocAreaFractionArrays(4));  // as the run holds them
    fMeniscus = pParamValue[13] = 5.95f;
    fFitLeftLim = 6.0f;
    updateLeftFitLimit();
    ASSERT_EQ(nNoiseGridFirst, 1);
    const float slopes[5] = {0, 0, 0, 0, 0}, intercepts[5] = {0, 3, 3, 7, 7};
    const float fFirst = calcSvsTime(slopes, intercepts);
    ASSERT_LT(ppModelBoundaryRadius[1][1], pNoiseGrid[1]);
    const std::vector<float> model(ppFit[1] + 1, ppFit[1] + pScanPoints[1] + 1);
    for (int k = 0; k < 3; k++) EXPECT_EQ(calcSvsTime(slopes, intercepts), fFirst) << k;
    for (int p = 1; p <= pScanPoints[1]; p++) ASSERT_EQ(ppFit[1][p], model[p - 1]) << p;
    // species 1 carries the model only while it is solved: the four species
    // rows come back included or not as they were, whatever else they held
    for (const int nFourth : {1, 0}) {
        const int included[5] = {0, 0, 1, 0, nFourth};
        for (int s = 1; s <= 4; s++) pSpeciesIncluded[s] = included[s];
        calcSvsTime(slopes, intercepts);
        for (int s = 1; s <= 4; s++) EXPECT_EQ(pSpeciesIncluded[s], included[s]) << "species " << s;
    }
}

TEST_F(AreaFractionTest, GridValuesBeyondTheFitRangeOfASetsFirstScanStayZero)
{
    // late scans and a near right limit: only s below about 6 S stay inside
    LoadExperiment(writeStepScans(scratch, {{3.0, 0.0, 1.0}}, evenTimes(8, 6000.0, 300.0)));
    fFitRightLim = 6.6f;
    updateRightFitLimit();
    SelectExtrapolation(0.0f, 10.0f, 101, 2, 3);
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    ASSERT_EQ(nSetLsgDistributions, 6);
    const double w2 = std::pow(kRpm * 2 * M_PI / 60, 2);
    for (int k = 1; k <= 6; k++) {
        const double sMax = std::log(pNoiseGrid[nNoiseGridLast] / kMeniscus) * 1e13 / (w2 * meanTime(k, k));
        ASSERT_LT(sMax, 7.0);
        int nBeyond = 0;
        for (int j = 1; j <= nResolution; j++)
            if (pSetLsgGrid[j] > sMax + 1e-4) {
                nBeyond++;
                EXPECT_EQ(ppSetLsgDistributions[k][j], 0.0f) << "set " << k << ", s = " << pSetLsgGrid[j];
            }
        EXPECT_GT(nBeyond, 20);
    }
}

// A set whose ls-g*(s) has no area (no boundary left inside the fitted
// range) takes no part in the lines, and the run names it: a 7 S boundary
// that leaves the range after 8800 s, ten scans every 1000 s, sets of two.
// Without any signal (0, or below 0 where no non-negative amplitude fits) no
// set remains and the run stops with the sets kept for copying.
TEST_F(AreaFractionTest, SetsWithoutSignalTakeNoPartInTheLines)
{
    LoadExperiment(writeStepScans(scratch, {{7.0, 0.0, 1.0}}, evenTimes(10, 1000.0, 1000.0)));
    SelectExtrapolation(0.0f, 10.0f, 101, 2, 2);
    bShowExtrapolationPlot = 1;
    {
        win::headless::Script script;
        script.expectMessageBox("set 9 (scans 9 to 10)", win::IDOK);
        ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_NE(script.lines()[0].find("no signal, or a boundary that has left the fitted range, in the "
                                         "ls-g*(s) distribution of set 9 (scans 9 to 10) (less than 95 % of the "
                                         "loading the other sets hold, 1.000"),
                  std::string::npos)
            << script.lines()[0];
    }
    EXPECT_EQ(nSetLsgDistributions, 9);
    EXPECT_EQ(nPlotSets, 8);
    for (int c = 1; c <= 2; c++) EXPECT_NEAR(pDistAxisS[c], 7.0, 0.05) << c;
    EXPECT_NEAR(fLoadingConcentration, 1.0, 0.02);

    // A set without signal ahead of the others (two empty scans taken first)
    // is left out, and the sets after it move up whole: the line of every
    // fraction, the first too, ends at 7 S.
    {
        std::vector<std::string> files = writeStepScans(scratch, {}, {500.0, 700.0}, 0.0, "empty");
        const std::vector<std::string> later = writeStepScans(scratch, {{7.0, 0.0, 1.0}}, evenTimes(8, 1000.0, 1000.0));
        files.insert(files.end(), later.begin(), later.end());
        LoadExperiment(files);
        SelectExtrapolation(0.0f, 10.0f, 101, 2, 2);
        bNonOverlappingSets = 1;
        win::headless::Script script;
        script.expectMessageBox("set 1 (scans 1 to 2)", win::IDOK);
        ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
        EXPECT_EQ(script.pending(), 0u);
        bNonOverlappingSets = 0;
        EXPECT_EQ(nSetLsgDistributions, 5);
        for (int c = 1; c <= 2; c++) EXPECT_NEAR(pDistAxisS[c], 7.0, 0.05) << c;
    }

    // the sets that remain must still spread in time: two sets at 1000 s and
    // one without signal at 10000 s leave no line
    LoadExperiment(writeStepScans(scratch, {{7.0, 0.0, 1.0}}, {1000.0, 1000.0, 1000.0, 1000.0, 10000.0, 10000.0}));
    SelectExtrapolation(0.0f, 10.0f, 101, 2, 2);
    bNonOverlappingSets = 1;
    {
        win::headless::Script script;
        script.expectMessageBox("set 3 (scans 5 to 6)", win::IDOK)
            .expectMessageBox("the mean times of the sets do not spread", win::IDOK);
        EXPECT_FALSE(runAreaFractionExtrapolation(window.get()));
        EXPECT_EQ(script.pending(), 0u);
    }
    bNonOverlappingSets = 0;

    for (double baseline : {0.0, -0.1}) {
        LoadExperiment(writeStepScans(scratch, {}, evenTimes(6, 1000.0, 300.0), baseline));
        SelectExtrapolation(0.0f, 10.0f, 41, 3, 3);
        win::headless::Script script;
        script.expectMessageBox("fewer than two sets remain", win::IDOK);
        EXPECT_FALSE(runAreaFractionExtrapolation(window.get()));
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_NE(script.lines()[0].find("set 1 (scans 1 to 3), set 2 (scans 2 to 4)"), std::string::npos);
        ASSERT_EQ(nSetLsgDistributions, 4);
        for (int k = 1; k <= nSetLsgDistributions; k++)
            for (int j = 1; j <= nResolution; j++) EXPECT_EQ(ppSetLsgDistributions[k][j], 0.0f);
    }
}

// One diffusing 7 S species (5e-7 cm^2/s, loading 0.8), 12 scans every
// 1000 s: its boundary passes the right fit limit of 7.1 cm at about 8800 s.
// The sets with part of the boundary beyond it kept 84 %, 37 %, 6 % and 0.3 %
// of the loading, took part in the lines and brought the intercepts down to
// 5.0-6.4 S; they are left out and named, and the intercepts are those of
// the first 8 scans alone (6.92-7.10 S).
TEST_F(AreaFractionTest, SetsWhoseBoundaryLeftTheFitRangeAreLeftOut)
{
    LoadExperiment(writeLammScans(scratch, {{7.0, 5e-7, 0.8}}, evenTimes(12, 1000.0, 1000.0)));
    SelectExtrapolation(0.0f, 15.0f, 151, 10, 2);
    win::headless::Script script;
    script.expectMessageBox("set 8 (scans 8 to 9: 84.", win::IDOK);
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_FALSE(script.lines().empty());
    const std::string box = script.lines().back();
    for (const char* szSet : {"set 9 (scans 9 to 10: 3", "set 10 (scans 10 to 11: ", "set 11 (scans 11 to 12: 0."})
        EXPECT_NE(box.find(szSet), std::string::npos) << szSet << " in " << box;
    EXPECT_EQ(box.find("set 7 "), std::string::npos) << box;
    EXPECT_EQ(nSetLsgDistributions, 11);
    for (int c = 1; c <= 10; c++) EXPECT_NEAR(pDistAxisS[c], 7.0, 0.15) << "fraction " << c;
    EXPECT_NEAR(fLoadingConcentration, 0.8, 0.002);

    // Sharp boundaries of 3 S (0.6) and 7 S (0.4), five sets of two scans:
    // the 7 S boundary has passed 7.1 cm before the last two sets, which hold
    // the 3 S species alone, 60 % of the loading. Two of the five sets are
    // low: the loading is still that of the three sets of both species, and
    // the lines of the two fractions of 7 S end at 7 S.
    LoadExperiment(writeStepScans(scratch, {{3.0, 0.0, 0.6}, {7.0, 0.0, 0.4}},
                                  {1500.0, 2500.0, 3500.0, 4500.0, 5500.0, 6500.0, 9500.0, 10500.0, 11500.0, 12500.0},
                                  0.0, "fast"));
    SelectExtrapolation(0.0f, 10.0f, 201, 5, 2);
    bNonOverlappingSets = 1;
    script.expectMessageBox("set 4 (scans 7 to 8: 60.", win::IDOK);
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    bNonOverlappingSets = 0;
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(script.lines().back().find("set 5 (scans 9 to 10: 60."), std::string::npos) << script.lines().back();
    for (int c = 1; c <= 5; c++) EXPECT_NEAR(pDistAxisS[c], c <= 3 ? 3.0 : 7.0, 0.1) << "fraction " << c;
    EXPECT_NEAR(fLoadingConcentration, 1.0, 0.01);
}

TEST_F(AreaFractionTest, RefusedWithoutGeometryWithOneSetOrAtOneTime)
{
    LoadExperiment(writeStepScans(scratch, {{4.0, 0.0, 1.0}}, evenTimes(4, 1000.0, 300.0)));
    SelectExtrapolation(0.0f, 10.0f, 41, 2, 4);
    win::headless::Script script;
    script.expectMessageBox("fewer than two sets", win::IDOK);
    EXPECT_FALSE(runAreaFractionExtrapolation(window.get()));
    fMeniscus = 0.0f;
    script.expectMessageBox("set Meniscus and Bottom first", win::IDOK);
    EXPECT_FALSE(runAreaFractionExtrapolation(window.get()));
    EXPECT_EQ(script.pending(), 0u);

    // sets of one mean time give the lines of the fractions no spread
    LoadExperiment(writeStepScans(scratch, {{4.0, 0.0, 1.0}}, evenTimes(6, 2000.0, 0.0), 0.0, "same"));
    SelectExtrapolation(0.0f, 10.0f, 41, 2, 2);
    script.expectMessageBox("the mean times of the sets do not spread", win::IDOK);
    EXPECT_FALSE(runAreaFractionExtrapolation(window.get()));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_FALSE(bModelComputed);
    EXPECT_EQ(nSetLsgDistributions, 0);
}

TEST_F(AreaFractionTest, AKeyStopsTheObjectiveOfTheDirectFit)
{
    TwoSpeciesExperiment();
    ASSERT_TRUE(runAreaFractionExtrapolation(window.get()));
    float vertex[3] = {0, 3.0f, 0.0f};
    win::PostMessage(window->HWindow, win::WM_KEYDOWN, 'X', 0);
    EXPECT_EQ(areaFractionObjective(vertex, window.get()), 1e10f);
    EXPECT_TRUE(bStopFit);
    EXPECT_EQ(areaFractionObjective(vertex, window.get()), 1e10f);  // until the fit clears the flag
}
