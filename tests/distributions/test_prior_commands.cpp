// Prior knowledge: the reader of peak-table ("GJT") prior files, the prior
// dialog of Use Prior Probabilities, and Prior Knowledge of Discrete Species
// on the example's c(s).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/app_globals.h"
#include "distributions/conti_globals.h"
#include "distributions/distribution_result.h"
#include "distributions/distribution_fixture.h"
#include "distributions/example_run_fixture.h"
#include "distributions/prior_dialog.h"
#include "distributions/prior_probabilities.h"
#include "distributions/regularization.h"
#include "models/model_globals.h"
#include "platform/win.h"

using namespace win;

namespace {

float zero(float) { return 0.0f; }

// A number as the file reader gives it back exactly.
std::string exact(float v)
{
    char sz[40];
    std::snprintf(sz, sizeof sz, "%.9g", double(v));
    return sz;
}

// The grid interval j with s_j <= s < s_j+1.
int intervalOf(float s)
{
    for (int i = 1; i < nResolution; i++)
        if (pDistAxisS[i] <= s && s < pDistAxisS[i + 1]) return i;
    return 0;
}

// Signal and first moment of the shown distribution from grid point a to b,
// each segment a straight line.
void moments(int a, int b, double* pArea, double* pMoment)
{
    *pArea = *pMoment = 0.0;
    for (int i = a; i < b; i++) {
        const double x0 = pDistAxisS[i], x1 = pDistAxisS[i + 1], c0 = pDistValues[i], c1 = pDistValues[i + 1];
        *pArea += (x1 - x0) * (c0 + c1) / 2;
        *pMoment += (x1 - x0) / 6 * (c0 * (2 * x0 + x1) + c1 * (x0 + 2 * x1));
    }
}

// The spread of the peak of the example (3.5 to 5 S): the square root of
// its second central moment.
double spread()
{
    const int a = intervalOf(3.5f), b = intervalOf(5.0f);
    double dArea = 0, dMoment = 0, dSecond = 0;
    moments(a, b, &dArea, &dMoment);
    const double m = dMoment / dArea;
    for (int i = a; i < b; i++) {
        const double x0 = pDistAxisS[i], x1 = pDistAxisS[i + 1];
        dSecond += (x1 - x0) * (pDistValues[i] * (x0 - m) * (x0 - m) + pDistValues[i + 1] * (x1 - m) * (x1 - m)) / 2;
    }
    return std::sqrt(dSecond / dArea);
}

}  // namespace

class GJPriorTest : public ExampleRunTest {
protected:
    void SetUp() override
    {
        ExampleRunTest::SetUp();
        bModelContinuous = 1;
        SetDistribution(41, 0.0f, 0.2f, zero);  // 0 to 8 S in steps of 0.2 S
        path = scratch + "prior.dat";
    }
    int Import(const std::string& text)
    {
        writeText(path, text);
        return importGJPriorFile(path.c_str());
    }
    std::string path;
};

TEST_F(GJPriorTest, SharpComponentsOnAndBetweenGridPoints)
{
    // two lines: no curve, two boundary components; the first exactly on
    // the grid point 2 S: 2h there (h = 2 x 0.5 / 0.8), nothing on the next
    const int j = 11;
    ASSERT_EQ(pDistAxisS[j], 2.0f);
    ASSERT_EQ(Import(exact(pDistAxisS[j]) + " 0.5\n5.13 0.3\n"), 1);
    EXPECT_NEAR(pPriorProbability[j], 2.5, 1e-6);  // the grid of float steps
    EXPECT_EQ(pPriorProbability[j + 1], 0.0);
    // the second between grid points: the pair's centroid at its s, its area
    const int k = intervalOf(5.13f);
    const double a = pPriorProbability[k], b = pPriorProbability[k + 1];
    EXPECT_NEAR((pDistAxisS[k] * a + pDistAxisS[k + 1] * b) / (a + b), 5.13, 1e-4);
    EXPECT_NEAR((a + b) * 0.2, 0.3, 1e-6);
    // nothing else; the discrete-species prior 0.01 x the second area above it
    double dSum = 0.0;
    for (int i = 1; i <= nResolution; i++) dSum += pPriorProbability[i];
    EXPECT_DOUBLE_EQ(dSum, pPriorProbability[j] + a + b);
    ASSERT_EQ(nPriorDiscreteSpecies, 41);
    for (int i = 1; i <= nResolution; i++) {
        EXPECT_EQ(pPriorDiscreteSpecies[i], double(pDistAxisS[i]));
        EXPECT_NEAR(pPriorDiscreteSpeciesValues[i], pPriorProbability[i] + 0.003, 1e-9);  // the area read as a float
    }

    // between grid points the centroid is the component's s within the
    // root finder's tolerance, for areas of 0.1 and more
    for (float fArea : {0.1f, 0.5f, 2.0f})
        for (float s : {2.13f, 3.05f, 4.19f, 6.01f}) {
            ASSERT_EQ(Import(exact(s) + " " + exact(fArea) + "\n1.0 0.1\n"), 1);
            const int i = intervalOf(s);
            const double p = pPriorProbability[i], q = pPriorProbability[i + 1];
            EXPECT_NEAR((pDistAxisS[i] * p + pDistAxisS[i + 1] * q) / (p + q), s, 1e-4) << s << " " << fArea;
            EXPECT_NEAR((p + q) * 0.2, fArea, 1e-5);
        }
}

TEST_F(GJPriorTest, CurveAndRefusals)
{
    // the curve (listed in descending s) over the grid points it spans; the
    // first component sharp at 1 S; the second only lifts the
    // discrete-species prior
    ASSERT_EQ(Import("4.0 1\n3.8 2\n3.6 1\n1.0 0.2\n6.0 0.1\n"), 1);
    EXPECT_NEAR(pPriorProbability[19], 1.0, 1e-3);  // 3.6 S
    EXPECT_NEAR(pPriorProbability[20], 2.0, 1e-6);  // 3.8 S
    EXPECT_NEAR(pPriorProbability[21], 1.0, 1e-3);  // 4.0 S
    EXPECT_EQ(pPriorProbability[18], 0.0);
    EXPECT_EQ(pPriorProbability[22], 0.0);
    EXPECT_NEAR(pPriorProbability[6], 2 * 2 * 0.2 / 0.8, 1e-6);  // 1.0 S
    EXPECT_EQ(pPriorProbability[31], 0.0);                      // 6.0 S
    EXPECT_NEAR(pPriorDiscreteSpeciesValues[31], 0.001, 1e-9);

    headless::Script script;
    bUsePriorProbabilities = 1;
    // beyond grid point n - 2 (7.6 S)
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(Import("7.9 1\n7.5 1\n1.0 0.2\n6.0 0.1\n"), 0);
    EXPECT_EQ(boxText(script, "Error"), "GJ boundary out of s-range");
    EXPECT_EQ(bUsePriorProbabilities, 0);
    // a first component on grid point 1
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(Import("0.1 1\n6.0 0.1\n"), 0);
    // one line holds no second component
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(Import("3.0 1\n"), 0);
    EXPECT_EQ(boxText(script, "Error"), "Could Not Open MaxEnt Prior File");
    // only for the c(s) models
    bModelLsgs = 1;
    script.expectMessageBox("Error", IDOK);
    EXPECT_EQ(Import("3.0 1\n6.0 0.1\n"), 0);
    EXPECT_EQ(boxText(script, "Error"), "Error: Importing GJ Prior requires c(s) model to be active");
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(GJPriorTest, DialogChecksAndItsFileChoice)
{
    headless::Script script;
    // an amplitude of -1 is refused; 0 passes and frees the row, and a first
    // row that is free turns the prior off
    script
        .expectDialog("776", headless::DialogAnswer()
                                 .check(818)
                                 .check(820)
                                 .check(778)
                                 .set(788, "4.3")
                                 .set(798, "0")
                                 .set(808, "-1"))
        .expectMessageBox("Input Error", IDOK)
        .expectDialog("776", headless::DialogAnswer().set(808, "0"));
    Run(script, 529);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(dPriorPeakWidth[1], -1.0);
    EXPECT_EQ(bUsePriorProbabilities, 0);
    // a delta peak of amplitude 1
    script.expectDialog("776", headless::DialogAnswer()
                                   .check(818)
                                   .check(820)
                                   .check(778)
                                   .set(788, "4.3")
                                   .set(798, "0")
                                   .set(808, "1"));
    Run(script, 529);
    EXPECT_EQ(dPriorPeakLocation[1], 4.3);
    EXPECT_EQ(dPriorPeakWidth[1], 0.0);
    EXPECT_EQ(dPriorPeakAmplitude[1], 1.0);
    EXPECT_EQ(bUsePriorProbabilities, 1);
    EXPECT_EQ(GetMenuState(window->GetMenu(), 529, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    PriorParamsTransfer t;
    fillPriorParamsTransfer(&t);
    EXPECT_STREQ(t.eLocation[0], "4.300 ");
    EXPECT_STREQ(t.e777, "no filename selected");
    EXPECT_EQ(t.r820, 1u);

    // Cancel in the file dialog: the prior off, and said so
    script.expectDialog("776", headless::DialogAnswer().check(818).check(819).check(821))
        .expectFileCancel("Select Prior Probability Data File")
        .expectMessageBox("Error", IDOK);
    Run(script, 529);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(boxText(script, "Error"), "Could Not Open MaxEnt Prior File");
    EXPECT_EQ(bUsePriorProbabilities, 0);
    EXPECT_STREQ(szPriorFileName, "");

    // a GJT file read at once: the name switched off, the flag stored, and
    // the dialog shows both
    writeText(path, "2.0 0.5\n5.13 0.3\n");
    script.expectDialog("776", headless::DialogAnswer().check(818).check(819).check(821).check(822))
        .expectOpenFile("Select Prior Probability Data File", {path});
    Run(script, 529);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bGJPriorLoaded, 1);
    EXPECT_EQ(bUsePriorProbabilities, 1);
    EXPECT_EQ(bGJTPriorFile, 1);
    EXPECT_EQ(szPriorFileName[0], 0);
    EXPECT_EQ(cPriorFileStash, path[0]);
    fillPriorParamsTransfer(&t);
    EXPECT_EQ(std::string(t.e777), path + " [GJT file]");
    EXPECT_EQ(t.c822, 1u);
    // the check box taken off on OK takes the flag and the suffix with it
    script.expectDialog("776", headless::DialogAnswer().check(818).check(822, false));
    Run(script, 529);
    EXPECT_EQ(bGJTPriorFile, 0);
    fillPriorParamsTransfer(&t);
    EXPECT_EQ(std::string(t.e777), path);
    // "From File" without a new file puts the name back
    script.expectDialog("776", headless::DialogAnswer().check(818).check(819));
    Run(script, 529);
    EXPECT_EQ(std::string(szPriorFileName), path);
}

TEST_F(ExampleRunTest, PriorKnowledgeOfDiscreteSpeciesOnTheExample)
{
    RunExample();
    const double dSpreadPlain = spread();
    const double dRatioPlain = dChiSquare / dChiSquareUnreg;

    // from the second derivative: the command switches to maximum entropy
    bRegSecondDerivative = 1;
    bRegMaxEnt = 0;
    std::error_code ec;
    std::filesystem::current_path(scratch, ec);
    headless::Script script;
    Run(script, 633);
    // one delta prior at the peak
    EXPECT_NEAR(dPriorPeakLocation[1], 4.30, 0.05);
    EXPECT_EQ(dPriorPeakWidth[1], 0.0);
    EXPECT_NEAR(dPriorPeakAmplitude[1], 0.80, 0.02);
    for (int k = 2; k <= nPriorPeakRows; k++) EXPECT_EQ(dPriorPeakWidth[k], -1.0);
    EXPECT_EQ(bRegMaxEnt, 1);
    EXPECT_EQ(bRegSecondDerivative + bRegWeightedThirdDerivative + bRegBothShown, 0);
    HMENU menu = window->GetMenu();
    EXPECT_EQ(GetMenuState(menu, 295, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    EXPECT_EQ(GetMenuState(menu, 294, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(menu, 529, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    // it served this run only
    EXPECT_EQ(bUsePriorProbabilities, 0);
    EXPECT_EQ(bDiscreteSpeciesPriorUsed, 1);

    // the report in the current folder, opened in the text editor
    EXPECT_EQ(script.lines().back().rfind("Start WinExec \"notepad.exe DiscInts.dat\"", 0), 0u);
    const std::string report = readText(scratch + "DiscInts.dat");
    EXPECT_EQ(report.rfind("peak #1: from ", 0), 0u) << report;
    EXPECT_NEAR(numberAfter(report, "sw = "), 4.30, 0.05);
    EXPECT_NEAR(numberAfter(report, "signal = "), 0.80, 0.02);
    // the other material: the signal and weight-average s of all but the
    // four grid points around the placed peak
    const int j = intervalOf(static_cast<float>(dPriorPeakLocation[1]));
    double dTotal = 0, dTotalMoment = 0, dPeak = 0, dPeakMoment = 0;
    moments(2, nResolution - 1, &dTotal, &dTotalMoment);
    moments(j - 1, j + 2, &dPeak, &dPeakMoment);
    const double dRestSw = (dTotalMoment - dPeakMoment) / (dTotal - dPeak);
    EXPECT_NEAR(numberAfter(report, "OTHER MATERIAL:  "), 100 * (dTotal - dPeak) / dTotal, 0.006);
    EXPECT_NEAR(numberAfter(report, "(sw="), dRestSw, 0.006) << report;

    // with the prior the peak is narrower at the same chi-square ratio
    const double dSpreadPrior = spread();
    EXPECT_LT(dSpreadPrior, 0.9 * dSpreadPlain);
    EXPECT_NEAR(dChiSquare / dChiSquareUnreg, dRatioPlain, 1e-3 * dRatioPlain);

    // the next Run has no prior
    Run(script, 213);
    EXPECT_EQ(bPriorFromDiscreteSpecies, 0);
    EXPECT_EQ(bDiscreteSpeciesPriorUsed, 0);
    // twice in a row: the second run takes its own discrete-species prior
    Run(script, 633);
    Run(script, 633);
    EXPECT_EQ(bPriorFromDiscreteSpecies, 1);  // not dropped by that run's own start
    EXPECT_LT(spread(), 0.9 * dSpreadPlain);
}

// Each peak is one row of the table: the flat top with two maxima (both of
// whose extents take the whole top) once, not twice at the same s, and the
// overlapping peaks at 3 and 4.2 S each with its own signal.
TEST_F(ExampleRunTest, TheDiscreteSpeciesPriorTakesEachPeakOnce)
{
    LoadExample();
    SetDistribution(91, 1.0f, 0.1f, threePeaksFourMaxima);
    headless::Script script;
    window->PriorKnowledgeDiscreteSpecies(true);
    EXPECT_EQ(script.pending(), 0u);
    std::vector<double> location;
    double dAmplitudes = 0.0;
    for (int k = 1; k <= nPriorPeakRows && dPriorPeakWidth[k] == 0.0; k++) {
        location.push_back(dPriorPeakLocation[k]);
        dAmplitudes += dPriorPeakAmplitude[k];
    }
    for (size_t k = location.size() + 1; k <= static_cast<size_t>(nPriorPeakRows); k++)
        EXPECT_EQ(dPriorPeakWidth[k], -1.0) << k;
    std::sort(location.begin(), location.end());
    ASSERT_EQ(location.size(), 3u);
    EXPECT_NEAR(location[0], 3.0, 0.15);
    EXPECT_NEAR(location[1], 4.2, 0.15);
    EXPECT_NEAR(location[2], 7.1, 0.05);
    float fArea = 0, fMean = 0, fTotal = 0;
    integrateDistribution(pDistAxisS[1], pDistAxisS[nResolution], &fArea, &fMean, &fTotal, nullptr, nullptr, nullptr);
    EXPECT_LE(dAmplitudes, fTotal * (1 + 1e-5));

    // ten sharp species fill all ten rows of the table, the last one too:
    // Gaussians of 0.1 S at 1.5, 2.5, ... 10.5 S, heights 1, 0.95, ... 0.55,
    // each of signal h 0.1 sqrt(2 pi)
    SetDistribution(101, 1.0f, 0.1f, +[](float s) {
        float c = 0.0f;
        for (int k = 0; k < 10; k++) {
            const float d = (s - (1.5f + k)) / 0.1f;
            c += (1.0f - 0.05f * k) * std::exp(-0.5f * d * d);
        }
        return c;
    });
    window->PriorKnowledgeDiscreteSpecies(true);
    std::vector<std::pair<double, double>> rows;
    for (int k = 1; k <= nPriorPeakRows; k++) {
        EXPECT_EQ(dPriorPeakWidth[k], 0.0) << k;
        rows.emplace_back(dPriorPeakLocation[k], dPriorPeakAmplitude[k]);
    }
    std::sort(rows.begin(), rows.end());
    for (int k = 0; k < 10; k++) {
        EXPECT_NEAR(rows[static_cast<size_t>(k)].first, 1.5 + k, 1e-3) << k;
        EXPECT_NEAR(rows[static_cast<size_t>(k)].second, (1.0 - 0.05 * k) * 0.1 * std::sqrt(2 * M_PI), 1e-3) << k;
    }
}

TEST_F(ExampleRunTest, DialogTakesThePeaksOfTheDistributionIntoItsTable)
{
    RunExample();
    // a Gaussian of an earlier table in row 3
    dPriorPeakLocation[3] = 6.0;
    dPriorPeakWidth[3] = 1.0;
    dPriorPeakAmplitude[3] = 1.0;
    headless::Script script;
    script.expectDialog("776", headless::DialogAnswer().check(818).check(823));
    Run(script, 529);
    EXPECT_EQ(script.pending(), 0u);
    // the table only, no run: the peak table is the prior of the next run
    EXPECT_NEAR(dPriorPeakLocation[1], 4.30, 0.05);
    EXPECT_EQ(dPriorPeakWidth[1], 0.0);
    // the table holds the peaks found and nothing else
    for (int k = 2; k <= nPriorPeakRows; k++) EXPECT_EQ(dPriorPeakWidth[k], -1.0) << k;
    EXPECT_EQ(bUsePriorProbabilities, 1);
    EXPECT_EQ(bPriorFromDiscreteSpecies, 0);
    EXPECT_EQ(bDiscreteSpeciesPriorUsed, 0);
    EXPECT_EQ(bRegMaxEnt, 1);
    for (const std::string& l : script.lines()) EXPECT_EQ(l.find("WinExec"), std::string::npos) << l;
}
