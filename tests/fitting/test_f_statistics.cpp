// F-statistics: the critical variance ratio, the variance-ratio command's
// texts, and the intervals of s and D of the example's species (4.3 S,
// 6.1e-7 cm^2/s, noise 0.004): where they lie, how exactly they meet the
// critical rmsd, and how a key or refits that cannot run end them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "fitting/discrete_fit_fixture.h"
#include "fitting/f_statistics.h"
#include "fitting/fit_globals.h"
#include "fitting/parameter_text.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/random.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// The text of the last box with this caption, or "".
std::string boxText(const headless::Script& script, const std::string& caption)
{
    const std::string head = "MessageBox \"" + caption + "\" \"";
    std::string text;
    for (const std::string& l : script.lines())
        if (l.compare(0, head.size(), head) == 0) text = l.substr(head.size());
    return text;
}

class IntervalTest : public DiscreteFitTest {
protected:
    // The example with only s (or only D) floated, fitted: the best fit the
    // commands ask about.
    void bestFit(int nEntry)
    {
        seedRandomNumbers(3);
        exampleModel("6.1", "4.3", false, "0.02", true);
        for (int k = 1; k <= nParams; ++k) pParamFloat[k] = 0;
        pParamFloat[nEntry] = 1;
        pParamValue[5] = 4.28f;
        pParamValue[1] = 6.0f;
        paramVectorToGlobals();
        ASSERT_EQ(window->RunFit(), 1);
        saved.assign(pParamValue + 1, pParamValue + nParams + 1);
    }
    float criticalRmsd() const
    {
        return static_cast<float>(std::sqrt(criticalVarianceRatio(0.683, fittedPointCount())) * fRmsd);
    }
    // The questions of 285 (s) or 286 (D) answered, up to the result box.
    void askInterval(headless::Script& script, bool bS, const char* szStep)
    {
        const char* szTitle = bS ? "calculate error in s" : "calculate error in M";
        script.expectInput("confidence level", "0.683")
            .expectInput(bS ? "test interval for s" : "test interval for M", szStep)
            .expectMessageBox(bS ? "uncheck s (first component only)" : "uncheck M (first component only)", IDYES);
        (void)szTitle;
    }
    std::vector<float> saved;
};

}  // namespace

TEST(FStatisticsTest, TheCriticalRatioOfAThousandPointsAtOneSigma)
{
    // (N / (N - 1)) F(0.683; N - 1, N) for N = 1000
    const double dRatio = criticalVarianceRatio(0.683, 1000);
    EXPECT_NEAR(dRatio, 1.031616, 5e-6);
    EXPECT_NEAR(std::sqrt(dRatio), 1.015685, 5e-6);
}

// The restart test of the refits at fTolerance 1 %: the rmsd and every
// entry of the vector, the last one included.
TEST(FStatisticsTest, ARefitSettlesWhenTheRmsdAndEveryEntrySettled)
{
    fTolerance = 0.01f;
    std::vector<float> previous(nParams + 1, 0.0f), now;
    previous[5] = 4.3f;     // an s
    previous[15] = 0.02f;   // a baseline
    previous[nParams] = 2.0f;
    float* pSaved = pParamValue;
    auto settled = [&](int k, float v, float fRmsdNow) {
        now = previous;
        now[k] = v;
        pParamValue = now.data();
        const bool b = refitSettled(previous, fRmsdNow, 0.01f);
        pParamValue = pSaved;
        return b;
    };
    EXPECT_TRUE(settled(5, 4.3f, 0.01f));
    EXPECT_FALSE(settled(5, 4.3f, 0.0102f));  // the rmsd moved by 2 %
    EXPECT_TRUE(settled(5, 4.33f, 0.01f));    // 0.7 %
    EXPECT_FALSE(settled(5, 4.36f, 0.01f));   // 1.4 %
    EXPECT_FALSE(settled(nParams, 2.04f, 0.01f));
    // an entry at 0 may grow to the tolerance itself
    EXPECT_TRUE(settled(7, 0.005f, 0.01f));
    EXPECT_FALSE(settled(7, 0.02f, 0.01f));
    // a move of 0.001 or less counts as none, however small the entry
    EXPECT_TRUE(settled(15, 0.0205f, 0.01f));  // 2.5 % of it
    EXPECT_FALSE(settled(15, 0.0215f, 0.01f));
    // only entries above 0.001 are held to the relative test: one of 0.001
    // itself may move by more than its value
    previous[16] = 0.001f;
    EXPECT_TRUE(settled(16, 0.0025f, 0.01f));
}

TEST_F(DiscreteFitTest, TheVarianceRatioBoxesForEqualDegreesOfFreedomShowFItself)
{
    // no scans: 1000 points by default, so n1 = n2 and the ratio is F
    fRmsd = 0.004f;
    headless::Script script;
    script.expectInput("enter desired confidence level", "0.683")
        .expectInput("enter first degree of freedom", "1000")
        .expectInput("enter second degree of freedom", "1000")
        .expectMessageBox("CALCUALTE SOSQ RATIO", IDOK)
        .expectMessageBox("CALCULATE SOSQ RATIO", IDOK);
    command(272);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(boxText(script, "CALCUALTE SOSQ RATIO"),
              "variance (or sosq) ratio (chisq1/chisq2) at a 68.3% confidence level (n1=1000, n2=1000) is "
              "1.030578\\ncritical relative rmsd increase is a factor of 1.015174\" MB_OK -> IDOK");
    EXPECT_EQ(boxText(script, "CALCULATE SOSQ RATIO"),
              "for current rmsd (0.004000): critical value is 0.004061\" MB_OK -> IDOK");
    for (const std::string& l : script.lines()) {
        if (l.compare(0, 5, "Input") == 0) {
            EXPECT_NE(l.find("\"CALCULATE SOSQ RATIO\""), std::string::npos) << l;
        }
    }

    // a degree of freedom below 1 ends the command with its message
    headless::Script bad;
    bad.expectInput("enter desired confidence level", "0.683")
        .expectInput("enter first degree of freedom", "0")
        .expectInput("enter second degree of freedom", "10")
        .expectMessageBox("degrees of freedom below 1", IDOK);
    command(272);
    EXPECT_EQ(bad.pending(), 0u);
    EXPECT_EQ(boxText(bad, "CALCUALTE SOSQ RATIO"), "");
}

TEST_F(IntervalTest, TheIntervalOfSBracketsTheTruthAndItsBoundsMeetTheCriticalRmsd)
{
    bestFit(5);
    const float fBest = pParamValue[5], fBestRmsd = fRmsd, fCritical = criticalRmsd();
    float fLower = 0, fUpper = 0;
    ASSERT_EQ(errorIntervalS(window.get(), 0.01f, fCritical, &fLower, &fUpper), nLowerBoundFound | nUpperBoundFound);
    EXPECT_LT(fLower, 4.3f);
    EXPECT_GT(fUpper, 4.3f);
    EXPECT_LT(fLower, fBest);
    EXPECT_GT(fUpper, fBest);
    EXPECT_LT(fUpper - fLower, 0.05f);
    // the model holds the last refit, of the lower bound: its rmsd is the
    // critical one
    const float fLastRefit = calcRmsd();
    EXPECT_NEAR(fLastRefit, fCritical, 1e-6f);
    // the text shown at the start of that refit names its s and the fixed D
    ASSERT_TRUE(bWindowPainted);
    std::string shown;
    for (int k = 0; k < nModelParamLines; k++) shown += std::string(szModelParamLines[k]) + "\n";
    char szD[40], szS[40];
    std::snprintf(szD, sizeof szD, "D*10e7 = %.3f | \n", saved[0]);
    std::snprintf(szS, sizeof szS, "s = %.3f | \n", fLower);
    EXPECT_NE(shown.find(szD), std::string::npos) << shown;
    EXPECT_NE(shown.find(szS), std::string::npos) << shown;
    // the vector as before the search, the flag of s cleared
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), saved);
    EXPECT_EQ(pParamFloat[5], 0);
    EXPECT_EQ(pSpeciesSFloat[1], 0);
    // The bound reported is the s of that refit (not s advanced by the step
    // after it): with s alone floated and now fixed, the model at the bound
    // has that refit's rmsd (to the model's own rounding: two units in the
    // last place of the float rmsd, 1.15e-7 of it each).
    auto rmsdAt = [&](float s) {
        pParamValue[5] = pSpeciesS[1] = s;
        window->CalcModel();
        const float r = calcRmsd();
        pParamValue[5] = pSpeciesS[1] = saved[4];
        return r;
    };
    EXPECT_NEAR(rmsdAt(fLower), fLastRefit, 2.5e-7f * fLastRefit);
    // searched the other way round, the upper bound comes last
    float fUpper2 = 0, fLower2 = 0;
    ASSERT_EQ(errorIntervalS(window.get(), -0.01f, fCritical, &fUpper2, &fLower2), 3);
    const float fLastRefit2 = calcRmsd();
    EXPECT_NEAR(fLastRefit2, fCritical, 1e-6f);
    EXPECT_NEAR(rmsdAt(fUpper2), fLastRefit2, 2.5e-7f * fLastRefit2);
    EXPECT_NEAR(fUpper2, fUpper, 0.001f);
    EXPECT_NEAR(fLower2, fLower, 0.001f);
    if (std::getenv("MORVEX_TEST_FIGURES"))
        std::printf("s %.4f in [%.4f, %.4f] at the critical rmsd %.6f\n", fBest, fLower, fUpper, fCritical);

    // the command after the fit says the same, at its precision
    pParamFloat[5] = 1;
    paramVectorToGlobals();
    ASSERT_EQ(window->RunFit(), 1);
    EXPECT_NEAR(fRmsd, fBestRmsd, 1e-6f);
    const float fCriticalNow = criticalRmsd();
    headless::Script script;
    askInterval(script, true, "0.01");
    script.expectMessageBox("calculate error in s", IDOK);
    command(285);
    EXPECT_EQ(script.pending(), 0u);
    float s = 0, lo = 0, hi = 0, r = 0;
    const std::string text = boxText(script, "calculate error in s");
    ASSERT_EQ(std::sscanf(text.c_str(), "s = %f [%f, %f] S\\n(critical rmsd value is %f)", &s, &lo, &hi, &r), 4)
        << text;
    EXPECT_NEAR(s, pParamValue[5], 0.0005f);
    EXPECT_NEAR(lo, fLower, 0.0015f);
    EXPECT_NEAR(hi, fUpper, 0.0015f);
    EXPECT_NEAR(r, fCriticalNow, 1e-6f);
}

TEST_F(IntervalTest, TheIntervalOfDIsShownInItsUnits)
{
    bestFit(1);
    headless::Script script;
    askInterval(script, false, "0.01");
    script.expectMessageBox("calculate error in M", IDOK);
    command(286);
    EXPECT_EQ(script.pending(), 0u);
    float d = 0, lo = 0, hi = 0, r = 0;
    const std::string text = boxText(script, "calculate error in M");
    ASSERT_EQ(std::sscanf(text.c_str(), "D = %f [%f, %f] 1e-7 cm^2/sec\\n(critical rmsd value is %f)", &d, &lo, &hi,
                          &r),
              4)
        << text;
    EXPECT_LT(lo, d);
    EXPECT_GT(hi, d);
    EXPECT_LT(lo, 6.1f);
    EXPECT_GT(hi, 6.1f);
    EXPECT_EQ(pParamFloat[1], 0);
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), saved);
}

// The refits of the search (s fixed, D refitted) save themselves beside the
// data; afterwards the saved analysis is the best fit again, s floating as it
// was fitted (the next load restored s fixed at a bound of the interval).
TEST_F(IntervalTest, TheSavedAnalysisIsTheBestFitAgain)
{
    bestFit(5);
    pParamFloat[1] = 1;
    paramVectorToGlobals();
    ASSERT_EQ(window->RunFit(), 1);
    const float fS = pParamValue[5], fD = pParamValue[1];
    headless::Script script;
    askInterval(script, true, "0.01");
    script.expectMessageBox("calculate error in s", IDOK);
    command(285);
    EXPECT_EQ(script.pending(), 0u);
    CVector file;
    ASSERT_TRUE(file.Load(szScanExtra.c_str()));
    ASSERT_GT(file.nSize, 7u);
    EXPECT_EQ(file.pData[0], 1.0f);  // a saved fit, not one in progress
    EXPECT_NEAR(file.pData[4], fD, 1e-6f);
    EXPECT_EQ(file.pData[5], 1.0f);
    EXPECT_NEAR(file.pData[6], fS, 1e-6f);
    EXPECT_EQ(file.pData[7], 1.0f);
    EXPECT_EQ(pParamFloat[5], 0);  // in the program s stays fixed
}

TEST_F(IntervalTest, AKeyStopsTheSearchAndTheVectorComesBack)
{
    bestFit(5);
    // the search of s stopped by a key at once: the result box's text
    auto stoppedSearch = [&] {
        headless::Script script;
        askInterval(script, true, "0.01");
        script.expectMessageBox("calculate error in s", IDOK);
        script.pressKey(VK_SPACE);
        command(285);
        EXPECT_EQ(script.pending(), 0u);
        return boxText(script, "calculate error in s");
    };
    char szExpected[80];
    std::snprintf(szExpected, sizeof szExpected, "s = %.3f [stopped, stopped] S\\n(critical rmsd value is ",
                  static_cast<double>(saved[4]));
    const std::string text = stoppedSearch();
    EXPECT_EQ(text.find(szExpected), 0u) << text;
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), saved);
    EXPECT_FALSE(bStopFit);  // the next search is not stopped before it starts

    // the value is shown whole however long its text: -3e38 S has 39 digits
    // before the point (the last one had been cut, a tenth of the value)
    pParamValue[5] = -3e38f;
    paramVectorToGlobals();
    const std::string hugeText = stoppedSearch();
    ASSERT_EQ(hugeText.compare(0, 4, "s = "), 0) << hugeText;
    EXPECT_EQ(std::strtof(hugeText.c_str() + 4, nullptr), -3e38f) << hugeText;
    EXPECT_NE(hugeText.find(".000 [stopped, stopped] S"), std::string::npos) << hugeText;
}

// A confidence level is a probability: 1 (an interval without end) and 1.5
// are refused with the box docs/fitting.md gives, before the best-fit
// question, in both searches, and nothing is refitted.
TEST_F(IntervalTest, AConfidenceLevelOutsideZeroToOneIsRefused)
{
    exampleModel("6.1", "4.3", false, "0.02", true);
    const std::vector<float> before(pParamValue + 1, pParamValue + nParams + 1);
    for (const bool bS : {true, false}) {
        for (const char* szLevel : {"1", "1.5"}) {
            headless::Script script;
            script.expectInput("confidence level", szLevel)
                .expectInput(bS ? "test interval for s" : "test interval for M", "0.01")
                .expectMessageBox("the confidence level must lie between 0 and 1", IDOK);
            command(bS ? 285 : 286);
            EXPECT_EQ(script.pending(), 0u) << szLevel;
            EXPECT_EQ(boxText(script, bS ? "calculate error in s" : "calculate error in M"),
                      "the confidence level must lie between 0 and 1\" MB_OK -> IDOK")
                << szLevel;
        }
    }
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), before);
}

TEST_F(IntervalTest, RefitsThatCannotRunEndEachSideAtTheCap)
{
    bestFit(5);
    // no meniscus: every refit is refused with its message
    pParamValue[13] = fMeniscus = 0.0f;
    saved[12] = 0.0f;
    headless::Script script;
    askInterval(script, true, "0.01");
    // each side gives up after its 200 refits (docs/fitting.md), each refused with its box
    for (int k = 0; k < 2 * 200; ++k) script.expectMessageBox("set meniscus and bottom first", IDOK);
    script.expectMessageBox("calculate error in s", IDOK);
    command(285);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_NE(boxText(script, "calculate error in s").find("[stopped, stopped] S"), std::string::npos);
    EXPECT_EQ(std::vector<float>(pParamValue + 1, pParamValue + nParams + 1), saved);
}
