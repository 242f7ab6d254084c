// Time-dependent s and M: the windows of the growing and the sliding series
// with the times stored for them, the refused window sizes, the result files
// named by the kind of series, the circles of the plot, a series of one scan,
// the initial scan of each window, and the s and M that the fits of every
// window find on Lamm-equation scans.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analyses/boundary_fixture.h"
#include "analyses/time_dependent_sm.h"
#include "app/app_globals.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/scan_data.h"

using namespace boundarytest;

namespace {

// Ten scans at uneven times, so that the mean of two scans' times names the
// pair.
std::vector<double> unevenTimes()
{
    std::vector<double> t;
    for (int k = 1; k <= 10; k++) t.push_back(1000.0 * k + 7.0 * k * k);
    return t;
}

class TimeDependentTest : public BoundaryWindowTest {
protected:
    void SetUp() override
    {
        BoundaryWindowTest::SetUp();
        std::filesystem::current_path(scratch);
        LoadExperiment(writeLammScans(scratch, {{5.0, 6e-7, 1.0}}, unevenTimes()));
        bModelDiscreteSpecies = 1;
        bModelContinuous = 0;
        bBoundaryAnalysisMode = 0;
        // the windows and their times: nothing floats, so each fit is quick
        for (int i = 1; i <= nParams; i++) pParamFloat[i] = 0;
    }
    double timeAt(int nPosition) const { return pScanHeaders[pScanTimeOrder[nPosition]].time; }
    // The stored time of a window: the mean of its first and last scan, or
    // its last scan's time.
    float meanOf(int nFirst, int nLast) const { return static_cast<float>(0.5 * (timeAt(nFirst) + timeAt(nLast))); }
    static int lineCount(const std::string& path)
    {
        std::ifstream in(path);
        std::string l;
        int n = 0;
        while (std::getline(in, l)) n++;
        return n;
    }
};

}  // namespace

TEST_F(TimeDependentTest, SlidingWindowsAfterAGrowingStart)
{
    nScansPerSMSet = 4;
    float saved[nParams + 1];
    for (int i = 1; i <= nParams; i++) saved[i] = pParamValue[i];
    ASSERT_TRUE(fitTimeDependentSMSliding(window.get()));
    // windows 1-2, 1-3, 1-4, then 1-5, 2-6 .. 6-10 at indices 1..9
    const int windows[][2] = {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 6}, {3, 7}, {4, 8}, {5, 9}, {6, 10}};
    ASSERT_TRUE(pSMTime);
    for (int i = 1; i <= 9; i++)
        EXPECT_FLOAT_EQ(pSMTime[i], meanOf(windows[i - 1][0], windows[i - 1][1])) << "index " << i;
    // the last window was 6-10; afterwards the first scan is the initial
    // condition again, the window is off and the parameters are the saved ones
    EXPECT_EQ(nSMFirstScan, 6);
    EXPECT_EQ(nSMLastScan, 10);
    EXPECT_FALSE(bSMWindowFit);
    EXPECT_TRUE(bSaveBestParams);
    EXPECT_TRUE(bUseInitialData);
    EXPECT_EQ(fTolerance, 0.001f);
    for (int i = 1; i <= nParams; i++) EXPECT_EQ(pParamValue[i], saved[i]) << "entry " << i;
    EXPECT_FALSE(bSMGrowing);
    EXPECT_EQ(lineCount("MWdcdt.dat"), 9);
    EXPECT_EQ(lineCount("Sdcdt.dat"), 9);
    EXPECT_FALSE(std::filesystem::exists("MW(t).dat"));
    // the plot of M against time, copied by the command and released
    ASSERT_TRUE(pSMPlot);
    EXPECT_EQ(pSMPlot->pCurves[0]->pX->nSize, 9u);
    EXPECT_TRUE(drawTimeDependentSMPlot());
    // each point a circle of radius 8
    int nCircles = 0;
    for (const std::string& rec : win::metaFileListing(pSMPlot->hMetaFile)) {
        int l, t, r, b;
        if (std::sscanf(rec.c_str(), "Ellipse(%d,%d,%d,%d)", &l, &t, &r, &b) != 4) continue;
        nCircles++;
        EXPECT_EQ(r - l, 16) << rec;
        EXPECT_EQ(b - t, 16) << rec;
    }
    EXPECT_EQ(nCircles, 9);
    freeTimeDependentSM();
    EXPECT_FALSE(pSMPlot);
    EXPECT_FALSE(drawTimeDependentSMPlot());
    EXPECT_FALSE(pSMTime);
}

TEST_F(TimeDependentTest, GrowingWindowsKeepTheirLastScansTime)
{
    ASSERT_TRUE(fitTimeDependentSMGrowing(window.get()));
    for (int k = 2; k <= 10; k++) EXPECT_FLOAT_EQ(pSMTime[k - 1], static_cast<float>(timeAt(k))) << "window 1-" << k;
    EXPECT_EQ(nSMFirstScan, 1);
    EXPECT_EQ(nSMLastScan, 10);
    EXPECT_TRUE(bSMGrowing);
    EXPECT_EQ(lineCount("MW(t).dat"), 9);
    EXPECT_EQ(lineCount("S(t).dat"), 9);
    EXPECT_FALSE(std::filesystem::exists("MWdcdt.dat"));

    // one scan: no window, yet the series begins and ends as every series does
    LoadExperiment(writeStepScans(scratch, {{5.0, 0.0, 1.0}}, {2500.0}, 0.0, "one"));
    fTolerance = 0.01f;
    bUseInitialData = 0;
    ASSERT_TRUE(fitTimeDependentSMGrowing(window.get()));
    EXPECT_EQ(fTolerance, 0.001f);
    EXPECT_TRUE(bUseInitialData);
    EXPECT_EQ(+hdrInitialScan.time, 2500.0);
    EXPECT_EQ(nExtrapolationPoints, pScanPoints[pScanTimeOrder[1]]);
}

TEST_F(TimeDependentTest, SetsOutsideTheScansAreRefusedAndNothingIsWritten)
{
    for (int n : {0, 11, -3}) {
        nScansPerSMSet = n;
        win::headless::Script script;
        script.expectMessageBox("the number of scans per set must lie between 1 and 10", win::IDOK);
        EXPECT_FALSE(fitTimeDependentSMSliding(window.get()));
        EXPECT_EQ(script.pending(), 0u);
        EXPECT_FALSE(pSMTime);
        EXPECT_FALSE(bSMWindowFit);
        EXPECT_FALSE(std::filesystem::exists("MWdcdt.dat"));
    }
    // the ends of the range: sets of all scans (growing start only) and of one
    for (int n : {10, 1}) {
        nScansPerSMSet = n;
        ASSERT_TRUE(fitTimeDependentSMSliding(window.get()));
        for (int i = 1; i <= 9; i++) {
            const int nLast = i + 1, nFirst = n == 10 ? 1 : i;
            EXPECT_FLOAT_EQ(pSMTime[i], meanOf(nFirst, nLast)) << "n = " << n << ", index " << i;
        }
    }
}

TEST_F(TimeDependentTest, EachWindowStartsFromItsOwnScan)
{
    setInitialScanForWindow(4);
    const int k = pScanTimeOrder[4];
    EXPECT_FALSE(bUseInitialData);
    ASSERT_EQ(nExtrapolationPoints, pScanPoints[k]);
    EXPECT_EQ(pExtrapolation1[1], ppRadius[k][1]);
    // the header of the scan whose profile is the initial condition
    EXPECT_EQ(+hdrInitialScan.time, timeAt(4));
    EXPECT_EQ(+hdrInitialScan.nPoints, +pScanHeaders[k].nPoints);
    for (int i = 1; i <= pScanPoints[k]; i++) ASSERT_EQ(ppFit[k][i], ppSignal[k][i]);

    // with the times from omega^2 t, the time follows from it at the scan's speed
    bTimesFromW2t = 1;
    setInitialScanFromFirst();
    EXPECT_TRUE(bUseInitialData);
    const float fOmega = 0.10471975511965977f * pScanHeaders[pScanTimeOrder[1]].rpm;
    EXPECT_FLOAT_EQ(static_cast<float>(hdrInitialScan.time),
                    static_cast<float>(pScanHeaders[pScanTimeOrder[1]].omega2t / (fOmega * fOmega)));
}

TEST_F(BoundaryWindowTest, EveryWindowFindsTheSAndMOfTheSpecies)
{
    // s = 5 S, M = 75000 g/mol, vbar 0.73 in water at 20 C: D from the
    // Svedberg relation
    const double D = 5e-13 * 8.31451e7 * 293.15 / (75000.0 * (1.0 - 0.73 * 0.99823));
    LoadExperiment(writeLammScans(scratch, {{5.0, D, 1.0}}, evenTimes(10, 1200.0, 300.0)));
    std::filesystem::current_path(scratch);
    command(198);
    bFitTINoise = bFitRINoise = 0;
    bAlgebraicConcentrations = 1;
    bAlgebraicBaseline = 0;
    bFitBaseline = 0;
    bUseMolarMass = 1;
    VBAR = 0.73f;
    for (int k = 1; k <= 4; ++k) pSpeciesIncluded[k] = 0;
    pSpeciesIncluded[1] = 1;
    pSpeciesConc[1] = 1.0f;
    pSpeciesMw[1] = 70000.0f;
    pSpeciesS[1] = 4.7f;
    globalsToParamVector();
    for (int i = 1; i <= nParams; i++) pParamFloat[i] = 0;
    pParamFloat[1] = pParamFloat[5] = 1;
    nScansPerSMSet = 4;
    ASSERT_TRUE(fitTimeDependentSMSliding(window.get()));
    for (int i = 1; i <= 9; i++) {
        EXPECT_NEAR(pSMSValue[i], 5.0, 0.05) << "window " << i;
        EXPECT_NEAR(pSMMolarMass[i], 75000.0, 750.0) << "window " << i;
    }
    // each window started from the saved start, which is back in place
    EXPECT_EQ(pParamValue[5], 4.7f);
    EXPECT_EQ(pParamValue[1], 70000.0f);
}
