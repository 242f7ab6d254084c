// The commands of the time-to-equilibrium tool through the main window and
// the headless script: Minimize Time to Equilibrium, the conversion between
// speed steps and instrument methods, and the simulator popup.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "analyses/timetoeq/approach_to_eq_sim.h"
#include "analyses/timetoeq/speed_step_optimizer.h"
#include "analyses/timetoeq/time_to_eq_params.h"
#include "app/app_globals.h"
#include "app/data_file_paths.h"
#include "app/window_fixture.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "numerics/ccurve.h"
#include "numerics/cvector.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "resources/dialog_templates.h"
#include "scandata/rotor_speed_profile.h"
#include "time_limit.h"

using namespace win;

namespace {

const char* const kNote = "Please Note:  This estimate is only a guide";
const char* const kDialog = "Parameters For Optimizing Time To Equilibrium";

class TimeToEqCommandTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        installDialogTemplates();
    }
    void TearDown() override
    {
        releaseApproachToEq();
        bModelContinuous = bModelDiscreteSpecies = 0;
        bShowStatusText = 0;
        szStatusText[0] = 0;
        releaseResultArrays();
        MainWindowTest::TearDown();
    }
    // The short column of the tool's example: 7.05 - 7.2 cm at 15000 rpm, two
    // exponential parameters, epsilon 0.01, no instrument method.
    static headless::DialogAnswer shortColumn()
    {
        return headless::DialogAnswer()
            .set(627, "7.05")
            .set(628, "7.2")
            .set(616, "7.15")
            .set(639, "15000")
            .set(619, "2")
            .check(626)
            .set(617, "0.01")
            .check(833, false);
    }
    static bool shows(const headless::Script& script, const std::string& text)
    {
        for (const std::string& l : script.lines())
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    std::string ResultFolder() const { return std::string(szTempDir) + "optimizedoverspeedsteps1/"; }
};

// "epsilon = 0.0100: t(const) = 4 h, t(opt) = 2 h, saved in ..." -> the two times
bool statusTimes(float* pfConst, float* pfOpt, std::string* pPath)
{
    char szPath[300] = "";
    float eps = 0;
    if (std::sscanf(szStatusText, "epsilon = %f: t(const) = %f h, t(opt) = %f h, saved in %299s", &eps, pfConst,
                    pfOpt, szPath) != 4)
        return false;
    *pPath = szPath;
    return true;
}

}  // namespace

TEST_F(TimeToEqCommandTest, MinimizeTimeToEquilibriumOnAShortColumn)
{
    TXLAWindow* w = OpenWindow();
    bModelContinuous = 1;  // the c(s) family is active: the tool switches
    headless::Script script;
    script.expectMessageBox(kNote, IDOK)
        .expectMessageBox("switching to non-interacting species model", IDOK)
        .expectDialog(kDialog, shortColumn());
    w->EvCommand(874, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bModelDiscreteSpecies, 1);
    EXPECT_EQ(bModelContinuous, 0);

    // the status: overspeeding gets there sooner, saved in folder 1
    ASSERT_EQ(bShowStatusText, 1);
    EXPECT_EQ(std::string(szStatusText).rfind("epsilon = 0.0100: t(const) = ", 0), 0u) << szStatusText;
    float fConst = 0, fOpt = 0;
    std::string path;
    ASSERT_TRUE(statusTimes(&fConst, &fOpt, &path)) << szStatusText;
    EXPECT_LT(fOpt, fConst);
    EXPECT_NEAR(fConst, fAppEqConstTime, 0.5f);
    EXPECT_NEAR(fOpt, fAppEqOptTime, 0.5f);
    EXPECT_EQ(path, ResultFolder() + "optimizedoverspeedsteps1.txt");
    EXPECT_GT(nSimCount, 100);  // the second pass, run to its end

    // the folder: both distances from equilibrium, the steps, their course,
    // the parameters that made them and the simulated scans
    for (const char* name : {"constantspeed_DeltaEQ.txt", "optimized_DeltaEQ.txt", "optimizedoverspeedsteps1.txt",
                             "optimizedoverspeedsteps1_rpmtimecourse.txt", "simparams.txt", "00001.R00", "eq.R00"})
        EXPECT_TRUE(std::filesystem::exists(ResultFolder() + name)) << name;
    EXPECT_FALSE(std::filesystem::exists(ResultFolder() + "optimizedoverspeedsteps1.EQU"));
    EXPECT_EQ(readText(ResultFolder() + "simparams.txt"), readText(szSimAppEqParamsIniPath));
    // the steps start above the final speed and end on it
    CRotorSpeedProfile steps;
    steps.Load((ResultFolder() + "optimizedoverspeedsteps1.txt").c_str());
    ASSERT_GE(steps.nSteps, 2);
    EXPECT_GT(steps.stepRpm[1], 15000.0f);
    EXPECT_EQ(steps.stepRpm[steps.nSteps], 15000.0f);
    // the search's last vector is in the optimiser's trace
    EXPECT_EQ(readLines(std::string(szWorkDir) + "AppEqSimplexSim.txt").size(), 2u);

    // the result plots: the rms over time with the speed courses, the inset
    // of the profiles
    ASSERT_NE(pAuxPlot, nullptr);
    EXPECT_EQ(pAuxPlot->nCurves, 4);
    EXPECT_STREQ(pAuxPlot->szXLabel, "elapsed time (h)");
    ASSERT_NE(pTosePlot, nullptr);
    EXPECT_EQ(pTosePlot->nCurves, 2);
    EXPECT_STREQ(pTosePlot->szXLabel, "radius (cm)");
    // the inset, its axes included, lies inside the frame of the plot it is set in
    EXPECT_GE(pTosePlot->nOuterTop, pAuxPlot->nFrameTop);
    EXPECT_LE(pTosePlot->nOuterBottom, pAuxPlot->nFrameBottom);
    EXPECT_GE(pTosePlot->nOuterLeft, pAuxPlot->nFrameLeft);
    EXPECT_LE(pTosePlot->nOuterRight, pAuxPlot->nFrameRight);
    // each run's difference is shown from the left to the right fit limit
    // (meniscus + 0.02 and 7.15 cm), where the rms is taken
    const float left = timeToEqParams.fMeniscus + 0.02f, right = timeToEqParams.fRightLimit;
    ASSERT_EQ(right, 7.15f);
    for (int k = 0; k < 2; ++k) {
        ASSERT_TRUE(pTosePlot->pRangeSet[k]);
        const CVector* r = pTosePlot->pCurves[k]->pX;
        const int a = pTosePlot->pRangeFirst[k], b = pTosePlot->pRangeLast[k];
        ASSERT_GT(a, 0);
        ASSERT_LT(b + 1, static_cast<int>(r->nSize));
        EXPECT_LE(r->Get(a - 1), left) << k;
        EXPECT_GT(r->Get(a), left) << k;
        EXPECT_LE(r->Get(b), right) << k;
        EXPECT_GT(r->Get(b + 1), right) << k;
    }

    // the inset pairs every radius with each run's own difference: built
    // with one run in both places, its two curves are one
    CApproachToEqSim* pOpt = pAppEqOptSim;
    pAppEqOptSim = pAppEqConstSim;
    buildTimeToEqResultPlots(w);
    pAppEqOptSim = pOpt;
    ASSERT_NE(pToseCurve1, nullptr);
    ASSERT_NE(pToseCurve2, nullptr);
    const int n = static_cast<int>(pToseCurve1->pY->nSize);
    ASSERT_EQ(static_cast<int>(pToseCurve2->pY->nSize), n);
    ASSERT_GT(n, 10);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(pToseCurve2->pX->Get(i), pToseCurve1->pX->Get(i)) << i;
        ASSERT_EQ(pToseCurve2->pY->Get(i), pToseCurve1->pY->Get(i)) << i;
    }
}

TEST_F(TimeToEqCommandTest, AKeyStopsTheSearchAndTheFilesAreStillWritten)
{
    TXLAWindow* w = OpenWindow();
    bModelDiscreteSpecies = 1;
    headless::Script script;
    // keys are waiting when the search begins: one stops the first pass, the
    // next the second (the solvers' waits, which would also take keys, are
    // kept out of it, so the constant-speed run goes through)
    script.expectMessageBox(kNote, IDOK).expectDialog(kDialog, shortColumn());
    for (int k = 1; k <= 40; ++k) script.pressKey(VK_SHIFT);
    const WaitPollFunction poll = GetWaitPoll();
    SetWaitPoll(nullptr);
    w->EvCommand(874, nullptr, 0);
    SetWaitPoll(poll);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(bStopFit, 0);
    EXPECT_EQ(bFitRunning, 0);
    float fConst = 0, fOpt = 0;
    std::string path;
    ASSERT_TRUE(statusTimes(&fConst, &fOpt, &path)) << szStatusText;
    EXPECT_LE(fOpt, fConst);
    for (const char* name : {"constantspeed_DeltaEQ.txt", "optimized_DeltaEQ.txt", "optimizedoverspeedsteps1.txt",
                             "optimizedoverspeedsteps1_rpmtimecourse.txt", "simparams.txt"})
        EXPECT_TRUE(std::filesystem::exists(ResultFolder() + name)) << name;
    // the second pass stopped at its key: few evaluations since its start
    // (a whole pass takes hundreds)
    EXPECT_LT(nSimCount, 20);
    headless::processMessages();  // the keys left over go to the window
}

TEST_F(TimeToEqCommandTest, AProgrammeBeyondTheScanArraysIsRefusedWithTheLimit)
{
    // f/f0 = 1e6 takes the estimate to millions of hours
    TXLAWindow* w = OpenWindow();
    bModelDiscreteSpecies = 1;
    headless::Script script;
    script.expectMessageBox(kNote, IDOK)
        .expectDialog(kDialog, shortColumn().check(620).set(413, "1000000"))
        .expectMessageBox("the 20000 scans (10000 h) the simulation can hold", IDOK);
    w->EvCommand(874, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_GT(timeToEqParams.fSimDurationHours, 1e6f);
    EXPECT_EQ(bShowStatusText, 0);
    EXPECT_FALSE(std::filesystem::exists(ResultFolder() + "constantspeed_DeltaEQ.txt"));
}

// f/f0 = 1000 on the short column: equilibrium comes after some 2600 h, long
// after the overspeed phase (8.3 h), so most programmes take the same time.
// The restarts of the search used to go on for ever, the vector wandering
// with their spread while the time stayed put.
TEST_F(TimeToEqCommandTest, ASearchThatCannotGainEndsByItself)
{
    TXLAWindow* w = OpenWindow();
    bModelDiscreteSpecies = 1;
    headless::Script script;
    script.expectMessageBox(kNote, IDOK).expectDialog(kDialog, shortColumn().check(620).set(413, "1000"));
    // about 13 s in the release build, several times that with the sanitizers
    // on a busy machine: the limit only catches a search that never ends
    EXPECT_TRUE(endsWithin(450.0, [&] { w->EvCommand(874, nullptr, 0); }, [] { bInterruptComputation = 1; }));
    EXPECT_EQ(script.pending(), 0u);
    float fConst = 0, fOpt = 0;
    std::string path;
    ASSERT_TRUE(statusTimes(&fConst, &fOpt, &path)) << szStatusText;
    EXPECT_GT(fConst, 2000.0f);
    EXPECT_GT(fOpt, 2000.0f);
    EXPECT_LE(fOpt, fConst);
    EXPECT_TRUE(std::filesystem::exists(ResultFolder() + "optimized_DeltaEQ.txt"));
}

// The final speed is the rotor's top speed (50000 rpm): no step can run
// above it, so no programme of the repeated searches gains on the start's,
// and the start's is kept: every step at the final speed, never slower.
TEST_F(TimeToEqCommandTest, AtTheTopSpeedNoProgrammeGainsAndTheStartIsKept)
{
    TXLAWindow* w = OpenWindow();
    bModelDiscreteSpecies = 1;
    headless::Script script;
    script.expectMessageBox(kNote, IDOK)
        .expectDialog(kDialog, shortColumn().set(639, "50000").check(626, false).set(618, "2"));
    w->EvCommand(874, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(timeToEqParams.nRepeats, 2);
    float fConst = 0, fOpt = 0;
    std::string path;
    ASSERT_TRUE(statusTimes(&fConst, &fOpt, &path)) << szStatusText;
    EXPECT_LE(fOpt, fConst);
    CRotorSpeedProfile steps;
    steps.Load((ResultFolder() + "optimizedoverspeedsteps1.txt").c_str());
    ASSERT_GE(steps.nSteps, 1);
    for (int k = 1; k <= steps.nSteps; ++k) EXPECT_EQ(steps.stepRpm[k], 50000.0f) << k;
    ASSERT_NE(timeToEqParams.pParamVector, nullptr);
    EXPECT_GE(timeToEqParams.pParamVector[1], 1.0f);
}

TEST_F(TimeToEqCommandTest, ConvertSpeedStepsAndInstrumentMethods)
{
    TXLAWindow* w = OpenWindow();
    const std::string txt = scratch + "run7.txt";
    writeText(txt, "0.000000\t30000.000000\t280.000000\n7200.000000\t20000.000000\t280.000000\n"
                   "18000.000000\t15000.000000\t280.000000");
    const std::string equ = scratch + "run7.EQU";
    headless::Script script;

    // Cancel in either dialog writes nothing
    script.expectFileCancel("input file");
    w->EvCommand(928, nullptr, 0);
    script.expectSaveFile("input file", txt).expectFileCancel("output file");
    w->EvCommand(928, nullptr, 0);
    EXPECT_FALSE(std::filesystem::exists(equ));
    EXPECT_FALSE(std::filesystem::exists(std::string(szWorkDir) + "speedsteps.EQU"));

    // speed steps -> method, from the answers, shown in the editor
    script.expectSaveFile("input file", txt)
        .expectSaveFile("output file", equ)
        .expectInput("temperature (C)", "4")
        .expectInput("scan cycle time (sec)", "120")
        .expectInput("max # of scans per step", "3")
        .expectInput("# of final scans", "5");
    w->EvCommand(928, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_TRUE(std::filesystem::exists(equ));
    const std::string reference = scratch + "reference.EQU";
    ASSERT_TRUE(exportSpeedStepsMethodRows(txt.c_str(), reference.c_str(), 120, 4, 5, 3, 0));
    EXPECT_EQ(readText(equ), readText(reference));
    EXPECT_EQ(readLines(equ)[3], "4");
    EXPECT_TRUE(shows(script, "Start WinExec " + headless::quote("notepad.exe " + equ)));
    // the save dialog offered the method beside the steps
    EXPECT_TRUE(shows(script, headless::quote(equ) + " -> " + headless::quote(equ)));

    // method -> speedsteps.txt beside it; Cancel there overwrites nothing
    const std::string steps = scratch + "speedsteps.txt";
    writeText(steps, "keep me");
    script.expectSaveFile("input file", equ).expectFileCancel("output file");
    w->EvCommand(928, nullptr, 0);
    EXPECT_EQ(readText(steps), "keep me");
    script.expectSaveFile("input file", equ).expectSaveFile("output file", steps);
    w->EvCommand(928, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    CRotorSpeedProfile back;
    back.Load(steps.c_str());
    ASSERT_EQ(back.nSteps, 3);
    EXPECT_EQ(back.stepRpm[1], 30000.0f);
    EXPECT_EQ(back.stepRpm[3], 15000.0f);
    EXPECT_TRUE(shows(script, "Start WinExec " + headless::quote("notepad.exe " + steps)));
}

// A second species identical to the first, holding 30 % of the loading:
// together they are the one species, and the constant-speed run (938) gets to
// equilibrium along the same course at the same time.
TEST_F(TimeToEqCommandTest, TwoIdenticalSpeciesApproachEquilibriumAsOne)
{
    TXLAWindow* w = OpenWindow();
    TimeToEqParams& tp = timeToEqParams;
    tp.fMeniscus = 7.05f;
    tp.fRightLimit = 7.15f;
    tp.fEpsilon = 0.01f;
    tp.nParams = 2;
    w->EvCommand(938, nullptr, 0);
    ASSERT_NE(pApproachToEqSim, nullptr);
    const float fOneSpecies = fAppEqConstTime;
    const int nScans = pApproachToEqSim->nScans;
    ASSERT_GT(nScans, 2);
    const std::vector<float> rms(pApproachToEqSim->pRmsDeviation + 1, pApproachToEqSim->pRmsDeviation + nScans + 1);
    ASSERT_GT(rms[0], 0.01f);

    tp.bSecondSpecies = 1;
    tp.fFraction2 = 0.3f;
    tp.fM2 = tp.fM1;
    tp.fVbar2 = tp.fVbar;
    tp.fFf02 = tp.fFf01;
    tp.bUseFf02 = tp.bUseFf01;
    w->EvCommand(938, nullptr, 0);
    ASSERT_EQ(nAppEqOptSpecies, 2);
    EXPECT_EQ(fAppEqConstTime, fOneSpecies);
    ASSERT_EQ(pApproachToEqSim->nScans, nScans);
    for (int j = 1; j <= nScans; ++j)
        EXPECT_NEAR(pApproachToEqSim->pRmsDeviation[j], rms[j - 1], 1e-5f * rms[0]) << "scan " << j;

    // Each species of the pair takes its own values: a pair of twice the mass,
    // the first species too, gets there as that mass alone does, not as a
    // mixture with the mass run before.
    tp.fM1 = tp.fM2 = 2 * tp.fM1;
    w->EvCommand(938, nullptr, 0);
    ASSERT_EQ(nAppEqOptSpecies, 2);
    const float fPair = fAppEqConstTime;
    const std::vector<float> pair(pApproachToEqSim->pRmsDeviation + 1,
                                  pApproachToEqSim->pRmsDeviation + pApproachToEqSim->nScans + 1);
    tp.bSecondSpecies = 0;
    w->EvCommand(938, nullptr, 0);
    ASSERT_EQ(nAppEqOptSpecies, 1);
    EXPECT_EQ(fAppEqConstTime, fPair);
    ASSERT_EQ(static_cast<size_t>(pApproachToEqSim->nScans), pair.size());
    for (int j = 1; j <= pApproachToEqSim->nScans; ++j)
        EXPECT_NEAR(pApproachToEqSim->pRmsDeviation[j], pair[j - 1], 1e-5f * pair[0]) << "scan " << j;
}

TEST_F(TimeToEqCommandTest, SimulatorPopup)
{
    TXLAWindow* w = OpenWindow();
    headless::Script script;
    TimeToEqParams& tp = timeToEqParams;
    tp.fMeniscus = 7.05f;
    tp.fRightLimit = 7.15f;
    tp.fEpsilon = 0.01f;
    tp.nParams = 2;
    // every scan of the global simulation at one speed
    auto expectEveryScanAt = [](float fSpeed) {
        for (int j = 1; j <= pApproachToEqSim->nScans; ++j) {
            const float fRpm = pApproachToEqSim->pScanRecords[j].rpm;  // a packed record: read by value
            EXPECT_EQ(fRpm, fSpeed) << "scan " << j;
        }
    };

    // 934 without steps offers to optimise from scratch
    script.expectMessageBox("no rotor speed profile loaded -> optimize from scratch?", IDNO);
    w->EvCommand(934, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    // 938 before any steps: the time at constant speed
    w->EvCommand(938, nullptr, 0);
    const float fConstant = fAppEqConstTime;
    ASSERT_GT(fConstant, 1.0f);

    // 929 with an instrument method: its rows read as steps, 30000 rpm for
    // 0:30, then 12000 rpm held
    const std::string method = scratch + "profile.equ";
    writeText(method, "30000\n300\n0:30\n20\n0\nNO\n12000\n200\nhold\n20\n0\nNO");
    script.expectOpenFile("Pick Rotor Speed File", {method});
    w->EvCommand(929, nullptr, 0);
    ASSERT_NE(pApproachToEqSim, nullptr);
    ASSERT_EQ(pApproachToEqSim->nSteps, 2);
    EXPECT_EQ(pApproachToEqSim->pStepRpm[1], 30000.0f);
    EXPECT_EQ(pApproachToEqSim->pStepRpm[2], 12000.0f);
    EXPECT_EQ(fAppEqOptDuration, 3600.0f);

    // 929: the steps of a file; the search runs twice as long as the last step
    const std::string steps = scratch + "profile.txt";
    writeText(steps, "0.000000\t25000.000000\t280.000000\n3600.000000\t15000.000000\t280.000000");
    script.expectOpenFile("Pick Rotor Speed File", {steps});
    w->EvCommand(929, nullptr, 0);
    ASSERT_NE(pApproachToEqSim, nullptr);
    EXPECT_EQ(pApproachToEqSim->nSteps, 2);
    EXPECT_EQ(fAppEqOptDuration, 7200.0f);
    EXPECT_EQ(fTosePlotRpmScale, 1.1f * 25000);

    // 938: the constant-speed run into the backup folder, at the final speed
    // throughout whatever profile is loaded; the profile stays loaded
    w->EvCommand(938, nullptr, 0);
    const std::string backup = std::string(szTempDir) + "backupoptimizedoverspeedsteps1/";
    EXPECT_EQ(readLines(backup + "constantspeed_DeltaEQ.txt").size(),
              static_cast<size_t>(pApproachToEqSim->nScans - 1));
    expectEveryScanAt(tp.fFinalRpm);
    EXPECT_NEAR(fAppEqConstTime, fConstant, 0.25f);  // within half a scan
    ASSERT_EQ(pApproachToEqSim->nSteps, 2);

    // 934 with the steps loaded: one run of them in the global simulation
    w->EvCommand(934, nullptr, 0);
    EXPECT_EQ(pApproachToEqSim->nSteps, 2);
    EXPECT_EQ(pApproachToEqSim->pStepRpm[1], 25000.0f);
    EXPECT_NEAR(pApproachToEqSim->nScans * 1800.0f, fAppEqConstTime * 3600, 1800.0f);

    // 935: the scans up to the hours asked, in PLOKA's column layout, and
    // PLOKA's command line
    const std::string ploka = scratch + "PLOKA";
    writeText(ploka, "#!/bin/sh\nexit 0\n");
    chmod(ploka.c_str(), 0755);
    std::snprintf(szPlokaExePath, sizeof szPlokaExePath, "%s", ploka.c_str());
    script.expectInput("max time (hours)", "1");
    w->EvCommand(935, nullptr, 0);
    const std::string data = std::string(szTempDir) + "svdfrdata.dat";
    const std::vector<std::string> rows = readLines(data);
    ASSERT_EQ(rows.size(), static_cast<size_t>(pApproachToEqSim->nRadialPoints));
    float v[9];
    ASSERT_EQ(std::sscanf(rows[10].c_str(), "%e %e %e %e %e %e %e %e %e", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                          &v[6], &v[7], &v[8]),
              9);
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_EQ(v[2], 0.0f);
    EXPECT_FLOAT_EQ(v[3], pApproachToEqSim->pRadii[11]);
    EXPECT_FLOAT_EQ(v[4], pApproachToEqSim->ppTotalScans[1][11]);
    EXPECT_EQ(v[4], v[5]);
    EXPECT_FLOAT_EQ(v[6], pApproachToEqSim->pRadii[11]);
    EXPECT_FLOAT_EQ(v[7], pApproachToEqSim->ppTotalScans[2][11]);
    EXPECT_EQ(std::sscanf(rows[10].c_str(), "%e %e %e %e %e %e %e %e %e %e", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                          &v[6], &v[7], &v[8], &v[8]),
              9);  // two scans for one hour
    EXPECT_TRUE(shows(script, "Start CreateProcess " + headless::quote(ploka + " --svdfr " + data)));

    // without PLOKA the command says where it looked
    std::snprintf(szPlokaExePath, sizeof szPlokaExePath, "%s", (scratch + "nothing").c_str());
    script.expectInput("max time (hours)", "1").expectMessageBox("Can't seem to find PLOKA script at", IDOK);
    w->EvCommand(935, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);

    // 934 with a single step, the rotor from rest at 280 rpm/s to the final
    // 15000 rpm and held: the constant-speed run, every scan at 15000 rpm and
    // at equilibrium within a scan of the time 938 found without steps
    const std::string single = scratch + "single.txt";
    writeText(single, "0.000000\t15000.000000\t280.000000");
    script.expectOpenFile("Pick Rotor Speed File", {single});
    w->EvCommand(929, nullptr, 0);
    ASSERT_EQ(pApproachToEqSim->nSteps, 1);
    w->EvCommand(934, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_GT(pApproachToEqSim->nScans, 2);
    expectEveryScanAt(15000.0f);
    EXPECT_NEAR(pApproachToEqSim->fRmsdTime, fConstant * 3600, 1800.0f);

    // 941 saves the parameters as the preferences; 936 then puts the files
    // of that run where the path picked says and the parameters that made
    // them beside them, with the picked file's extension (here none), also in
    // a folder whose name holds dots
    const std::string dated = scratch + "2026.12.10/";
    std::filesystem::create_directories(dated);
    script.expectSaveFile("Pick A Parameter Filename", szSimAppEqParamsIniPath);
    w->EvCommand(941, nullptr, 0);
    ASSERT_TRUE(std::filesystem::exists(szSimAppEqParamsIniPath));
    script.expectSaveFile("Pick A Path", dated + "best")
        .expectInput("scan cycle time (sec)", "120")
        .expectInput("max # of scans per step", "1")
        .expectInput("# of final scans", "0");
    w->EvCommand(936, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);
    CRotorSpeedProfile saved;
    saved.Load((dated + "best").c_str());
    ASSERT_EQ(saved.nSteps, 1);
    EXPECT_EQ(saved.stepRpm[1], 15000.0f);
    EXPECT_TRUE(std::filesystem::exists(dated + "best_rpmtimecourse"));
    EXPECT_TRUE(std::filesystem::exists(dated + "optimized_DeltaEQ.txt"));
    EXPECT_TRUE(std::filesystem::exists(dated + "best.EQU"));
    EXPECT_EQ(readText(dated + "simparams"), readText(szSimAppEqParamsIniPath));
}
