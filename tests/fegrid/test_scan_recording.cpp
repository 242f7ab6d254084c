// Scan-time recording of the global-grid propagators: each scan at its own
// time, the bands of a scan taken at a finite scan velocity, the end of a run,
// the key stop, the all-zero profile, and the two early ends.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fegrid/global_grid.h"
#include "fegrid/grid_run_fixture.h"
#include "fegrid/propagators.h"
#include "fegrid/scan_recording.h"
#include "lamm/lamm_fixture.h"
#include "fitting/fit_globals.h"
#include "lamm/lamm_globals.h"
#include "models/model_evaluation.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/key_polling.h"
#include "scandata/scan_data.h"
#include "scandata/tool_plots.h"

using namespace gridtest;

namespace {

double omega2(double rpm)
{
    const double w = rpm * 2 * M_PI / 60;
    return w * w;
}

int pointAt(double r, const Experiment& e)
{
    return int(std::lround((r - e.meniscus) / (e.bottom - e.meniscus) * (e.nPoints - 1))) + 1;
}

bool allZero(int p)
{
    const int k = pScanTimeOrder[p];
    for (int j = 1; j <= pScanPoints[k]; j++)
        if (ppFit[k][j] != 0.0f) return false;
    return true;
}

// The recorder on its own: scan position 1 due at time t.
void recorderAt(double t)
{
    nSimOutputMode = 1;
    nSimSpeciesIndex = 1;
    nSimScanIndex = 1;
    dNextScanTime = t;
    dSimTime = t;
    bStepToScanTime = 0;
    bSimulationRunning = 1;
    resetScanTimeRecorder();
}

}  // namespace

// The plateau dilutes as exp(-2 s omega^2 t) to far better than a second's
// worth: it tells each scan's time. Scans at uneven times, both algorithms.
TEST(ScanRecording, EveryScanIsTakenAtItsOwnTime)
{
    Experiment e;
    e.nScans = 17;
    e.tFirst = 123.4567;
    e.tLast = 4321.0123;
    installExperiment(e);
    const double k = omega2(e.rpm) * 4e-13;
    for (bool bHat : {false, true}) {
        layOutGrid(1000, bHat);
        prepareRun(4, 6e-7, 1.0);
        propagate();
        ASSERT_EQ(bSimulationRunning, 0);
        EXPECT_EQ(dSimTime, +pScanHeaders[pScanTimeOrder[nScans]].time) << bHat;
        for (int p = 1; p <= nScans; p++) {
            const double t = pScanHeaders[pScanTimeOrder[p]].time;
            // a second off would move the plateau by 2.7e-5
            EXPECT_NEAR(modelAt(p, pointAt(6.95, e)), std::exp(-2 * k * t), 4e-6) << bHat << " scan " << p;
        }
    }
}

// At a finite scan velocity a scan is taken in 100 bands at successive times;
// grid points beyond a band's radius wait for a later band, so a scan with
// no point below its first band's radius starts as zeros.
TEST(ScanRecording, BandsOfAScanAtAFiniteScanVelocity)
{
    Experiment e;
    e.nScans = 1;
    e.tFirst = e.tLast = 100;
    installExperiment(e);
    // cell centres: the first point lies 0.03 cm inside, beyond the first band
    bClaverie = bMovingHat = 0;
    nGridPoints = 20;
    freeRadialGridArrays();
    ASSERT_TRUE(allocRadialGridArrays());
    bSimTimeResolution = 1;
    fScanVelocity = 2.43f;
    const double v = fScanVelocity / 60.0, dBand = (double(fBottom) - fMeniscus) / v / 100;

    recorderAt(100);
    for (int i = 1; i <= 20; i++) pGridConc[i] = 100;
    recordScanTimeProfile(1.0);
    for (int i = 1; i <= 20; i++) ASSERT_EQ(pGridConcSnapshot[i], 0.0) << i;
    EXPECT_EQ(bStepToScanTime, 1);
    EXPECT_NEAR(dStepTargetTime, 100 + dBand, 1e-9);

    // Each band sees the grid at its own time: the profile holds the time.
    int nCalls = 1;
    while (bSimulationRunning && nCalls < 200) {
        dSimTime = dStepTargetTime;
        for (int i = 1; i <= 20; i++) pGridConc[i] = dSimTime;
        recordScanTimeProfile(1.0);
        nCalls++;
    }
    EXPECT_EQ(nCalls, 100);
    EXPECT_EQ(bSimulationRunning, 0);
    for (int i = 1; i <= 20; i++) {
        int n = 0;  // the band whose radius first lies beyond the point
        while (n < 99 && !(pGridRadius[i] < fMeniscus + v * (n + 1) * dBand)) n++;
        EXPECT_NEAR(pGridConcSnapshot[i], 100 + n * dBand, 1e-6) << i;
    }
    EXPECT_GT(pGridConcSnapshot[1], 100 + dBand);  // not taken by the first band

    // The Claverie grid ends on the bottom: the last band takes that point,
    // and the meniscus point is taken by the first.
    layOutGrid(20, false);
    ASSERT_EQ(pGridRadius[20], double(fBottom));
    bSimTimeResolution = 1;
    recorderAt(100);
    for (int i = 1; i <= 20; i++) pGridConc[i] = 100;
    recordScanTimeProfile(1.0);
    for (nCalls = 1; bSimulationRunning && nCalls < 200; nCalls++) {
        dSimTime = dStepTargetTime;
        for (int i = 1; i <= 20; i++) pGridConc[i] = dSimTime;
        recordScanTimeProfile(1.0);
    }
    EXPECT_EQ(nCalls, 100);
    for (int i = 1; i <= 20; i++) {
        int n = 0;
        while (n < 99 && !(pGridRadius[i] < fMeniscus + v * (n + 1) * dBand)) n++;
        EXPECT_NEAR(pGridConcSnapshot[i], 100 + n * dBand, 1e-6) << i;
    }
    EXPECT_EQ(pGridConcSnapshot[1], 100.0);
    EXPECT_NEAR(pGridConcSnapshot[20], 100 + 99 * dBand, 1e-6);
}

// After the last scan the run ends; with bSimulateBeyondLastScan it goes on
// unclipped, and ends when it reaches the time that stands for "no scan".
TEST(ScanRecording, EndOfTheRunAndBeyondTheLastScan)
{
    Experiment e;
    e.nScans = 2;
    e.tFirst = 100;
    e.tLast = 200;
    installExperiment(e);
    layOutGrid(50, false);
    recorderAt(100);
    recordScanTimeProfile(1.0);
    EXPECT_EQ(nSimScanIndex, 2);
    EXPECT_EQ(dNextScanTime, 200.0);
    EXPECT_EQ(bStepToScanTime, 1);
    dSimTime = 200;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 0);

    bSimulateBeyondLastScan = 1;
    recorderAt(100);
    nSimScanIndex = 2;
    dSimTime = dNextScanTime = 200;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 1);
    EXPECT_EQ(dNextScanTime, 1e8);
    EXPECT_EQ(bStepToScanTime, 0);
    dSimTime = 5e4;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 1);
    dSimTime = 1e8;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 0);
}

// A key pressed while a run reaches a scan ends the run after that scan and
// stops the rest of the computation; before the scan time keys are not read.
TEST(ScanRecording, AKeyAtAScanTimeEndsTheRun)
{
    Experiment e;
    e.nScans = 3;
    installExperiment(e);
    layOutGrid(50, false);
    for (int i = 1; i <= 50; i++) pGridConc[i] = 0.5;
    win::headless::Script script;
    script.pressKey('A');
    recorderAt(e.tFirst);
    dSimTime = e.tFirst - 1;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 1);
    dSimTime = e.tFirst;
    bInterruptComputation = 0;
    recordScanTimeProfile(1.0);
    EXPECT_EQ(bSimulationRunning, 0);
    EXPECT_EQ(bInterruptComputation, 1);
    EXPECT_FLOAT_EQ(modelAt(1, 100), 0.5f);  // the scan itself is written
    EXPECT_TRUE(allZero(2));
    EXPECT_FALSE(keyPressed());  // the key was taken
}

// Nothing loaded: the run steps through the scans by 10 s and leaves zeros.
TEST(ScanRecording, AnAllZeroProfileWritesZeroModels)
{
    Experiment e;
    e.nScans = 4;
    e.tFirst = 105;
    e.tLast = 1234;
    installExperiment(e);
    layOutGrid(200, false);
    prepareRun(4, 6e-7, 0.0);
    for (int k = 1; k <= nScans; k++)
        for (int j = 1; j <= pScanPoints[k]; j++) ppFit[k][j] = 7.0f;  // to be overwritten
    propagateLammStatic();
    EXPECT_EQ(bSimulationRunning, 0);
    EXPECT_EQ(dTimeStep, 10.0);
    EXPECT_EQ(dSimTime, 1240.0);
    for (int p = 1; p <= nScans; p++) EXPECT_EQ(modelAt(p, 1), 7.0f) << "the recorder adds into the fit";
    prepareRun(4, 6e-7, 0.0);
    propagateLammStatic();
    for (int p = 1; p <= nScans; p++) EXPECT_TRUE(allZero(p)) << p;
}

// A run whose profile no longer changes ends early, and every later scan gets
// the final profile; a run whose boundary has left the fit limits ends with
// the later scans left at zero.
TEST(ScanRecording, EarlyEndsOfARun)
{
    Experiment e;
    e.nScans = 5;
    e.tFirst = 2e5;
    e.tLast = 3e5;
    e.rpm = 15000;
    e.meniscus = 6.9;
    e.bottom = 7.2;
    e.fitLeft = 6.91;
    e.fitRight = 7.19;
    e.nPoints = 300;
    installExperiment(e);
    layOutGrid(200, false);
    prepareRun(1.0, 1e-6, 1.0);
    propagate();
    EXPECT_LT(dSimTime, e.tFirst);  // steady before the first scan
    for (int p = 1; p <= nScans; p++)
        for (int j = 1; j <= e.nPoints; j += 7) {
            ASSERT_GT(modelAt(p, j), 0.5f);
            ASSERT_EQ(modelAt(p, j), modelAt(1, j)) << p << " " << j;
        }

    Experiment fast;
    installExperiment(fast);
    layOutGrid(1000, true);
    prepareRun(100, 6e-7, 1.0);
    propagate();
    EXPECT_EQ(bSimulationRunning, 0);
    EXPECT_LT(dSimTime, 2000.0);
    EXPECT_FALSE(allZero(1));
    EXPECT_TRUE(allZero(nScans));
}

// The back-diffusion test asks whether the equilibrium profile at the last
// scan's speed, exp(s omega^2 (r^2 - rf^2) / (2 D)) by the Svedberg relation
// in the Boltzmann distribution, leaves less than the level (1e-4) of its cell
// mean at the right fit limit rf; the mean is summed over the cell in the
// test. The earlier scans, at a third of the speed, do not count. A shallow
// gradient keeps back-diffusion, a floating or non-diffusing species too.
TEST(ScanRecording, BackDiffusionIsShutOffOnlyForASteepEquilibriumGradient)
{
    Experiment e;
    e.nScans = 3;
    e.rpm = 15000;
    installExperiment(e);
    const double rpm = 45000, w = rpm * 2 * M_PI / 60, m = e.meniscus, b = e.bottom, rf = e.fitRight;
    pScanHeaders[pScanTimeOrder[nScans]].rpm = float(rpm);
    bShutOffBackDiffusion = 1;
    dBackDiffusionLevel = 1e-4;
    int nSteep = 0, nShallow = 0;
    for (const double s : {0.5, 1.0, 2.0, 4.0, 10.0})
        for (const double D : {1e-7, 6e-7, 1e-6}) {
            const double ratio = equilibriumRatioAt(s, D, w, m, b, rf);
            ASSERT_TRUE(ratio < 0.5e-4 || ratio > 2e-4) << s << " " << D << " " << ratio;  // far from the level
            (ratio < 1e-4 ? nSteep : nShallow)++;
            EXPECT_EQ(checkBackDiffusionShutOff(s, D), ratio < 1e-4) << "s " << s << " D " << D << " " << ratio;
        }
    EXPECT_GT(nSteep, 2);
    EXPECT_GT(nShallow, 2);
    EXPECT_FALSE(checkBackDiffusionShutOff(-4.0, 6e-7));
    EXPECT_FALSE(checkBackDiffusionShutOff(4.0, 0.0));
    bShutOffBackDiffusion = 0;
    EXPECT_FALSE(checkBackDiffusionShutOff(10.0, 1e-7));
}

// The four progress lines of a run (y = 70, 90, 110 and 130) stand where the
// c(s) fit's progress text has its first four lines, and every simulation of
// the fit writes over them: each replaces the line at its place, so no stub of
// the longer fit line stays beside the run's shorter one.
TEST(ScanRecording, TheProgressLinesReplaceTheLinesAtTheirPlaces)
{
    TXLAWindow window{nullptr, "Sedimentation Analysis"};
    ASSERT_TRUE(window.Create());
    win::headless::processMessages();
    win::HDC dc = window.GetDC();
    const win::RECT client{0, 0, 1000, 300};
    win::FillRect(dc, &client, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
    window.ReleaseDC(dc);
    const std::string szFitLine(90, 'W');
    for (int y : {70, 90, 110, 130}) writeToolText(&window, 10, y, szFitLine.c_str());
    dc = window.GetDC();
    win::SIZE fit{};
    ASSERT_TRUE(win::GetTextExtentPoint32(dc, szFitLine.c_str(), int(szFitLine.size()), &fit));
    window.ReleaseDC(dc);
    ASSERT_GT(fit.cx, 500);  // far beyond the run's lines (at most 30 characters)
    // the pixels of the fit line at y beyond x = 400 that are not white
    auto stub = [&](int y) {
        int n = 0;
        win::HDC dcWindow = window.GetDC();
        for (int yy = y; yy < y + fit.cy; yy++)
            for (int x = 400; x < 10 + fit.cx; x++)
                if (win::GetPixel(dcWindow, x, yy) != win::RGB(255, 255, 255)) n++;
        window.ReleaseDC(dcWindow);
        return n;
    };
    for (int y : {70, 90, 110, 130}) ASSERT_GT(stub(y), 0) << y;

    pLammOwnerWindow = &window;
    nTimeStepCount = 12;
    dTimeStep = 2.5;
    dSimTime = 1234;
    showStepCountText();
    showStepTimeText();
    showSimTimeText();
    showRelativeChangeText(0.25f);
    pLammOwnerWindow = nullptr;
    for (int y : {70, 90, 110, 130}) EXPECT_EQ(stub(y), 0) << "the line at y = " << y;
}
