// Rotor-speed profiles made from scans and from instrument methods, written
// as method rows, and the multi-speed load that builds one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "numerics/ccurve.h"
#include "plot/cwinplot.h"
#include "plot/error_box.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/speed_analysis.h"

using scantest::ScanRecipe;

namespace {

constexpr double kRadPerRpm = M_PI / 30.0;

// Omega squared t (rad^2/s) of a speed programme at the given times,
// integrated numerically with the midpoint rule in steps of 5 ms.
std::vector<double> integrateOmega2t(const std::function<double(double)>& rpm, const std::vector<double>& times) {
    std::vector<double> w2t;
    const double dt = 0.005;
    double t = 0.0, sum = 0.0;
    for (double target : times) {
        while (t + dt <= target + 1e-9) {
            const double w = rpm(t + 0.5 * dt) * kRadPerRpm;
            sum += w * w * dt;
            t += dt;
        }
        w2t.push_back(sum);
    }
    return w2t;
}

// From rest at rate a to w0, held, then at rate a to w1 from tStep on.
std::function<double(double)> twoStepRun(double w0, double w1, double a, double tStep) {
    return [=](double t) {
        if (t < tStep) return std::min(a * t, w0);
        return std::min(w0 + a * (t - tStep), w1);
    };
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t eol = text.find('\n', start);
        if (eol == std::string::npos) eol = text.size();
        out.push_back(text.substr(start, eol - start));
        start = eol + 1;
    }
    return out;
}

}  // namespace

TEST(SpeedProfiles, VariableSpeedRampStartAndPolyline) {
    // 10009 rpm against 10000 is the same speed; 10010 is another.
    ScanHeader h[4] = {};
    h[1].rpm = 10000.0f;
    h[2].rpm = 10009.0f;
    h[3].rpm = 10000.0f;
    unsigned char bApproach = 9, bChanges = 9;
    EXPECT_FALSE(scansHaveVariableSpeed(3, h));
    EXPECT_FALSE(analyseScanSpeeds(3, h, &bApproach, &bChanges));
    EXPECT_EQ(bApproach, 0);
    EXPECT_EQ(bChanges, 0);
    h[2].rpm = 10010.0f;
    EXPECT_TRUE(scansHaveVariableSpeed(3, h));

    // A scan at 30000 rpm after 5000 rpm from rest, 200 rpm/s both ways,
    // the second ramp starting at 600 s: its time and omega squared t give
    // that start back.
    const std::vector<double> w2t = integrateOmega2t(twoStepRun(5000, 30000, 200, 600), {2000.0});
    ScanHeader scan{};
    scan.rpm = 30000.0f;
    scan.timeWritten = 2000.0;
    scan.omega2t = w2t[0];
    EXPECT_NEAR(speedStepStartTime(5000.0f, 200.0f, &scan), 600.0f, 0.05f);

    // The polyline of two steps: from rest, up to 10000 rpm in 33.3 s, the
    // second ramp from 1000 s for 100 s, and 600 s beyond it.
    CRotorSpeedProfile profile;
    float start[3] = {0, 0, 1000}, rpm[3] = {0, 10000, 40000}, rate[3] = {0, 300, 300};
    EXPECT_TRUE(profile.SetSteps(2, start, rpm, rate));
    ASSERT_EQ(profile.GetRpmCurveSize(), 5);
    const float* t = profile.GetRpmCurve();
    const float* w = profile.GetRpmCurveRpm();
    const float expectT[6] = {0, 0, 10000.0f / 300.0f, 1000, 1100, 1700};
    const float expectW[6] = {0, 0, 10000, 10000, 40000, 40000};
    for (int j = 1; j <= 5; ++j) {
        EXPECT_NEAR(t[j], expectT[j], 1e-3) << j;
        EXPECT_EQ(w[j], expectW[j]) << j;
    }
    EXPECT_EQ(profile.GetFinalRpm(), 40000.0f);
}

// A scan counts as taken at a step's speed only after that step's ramp (plus
// a second): 10000 rpm from rest at 200 rpm/s takes 50 s, the next step from
// 10000 to 40000 rpm at 300 rpm/s 100 s. Then the other way round, 10000 rpm
// at 100 rpm/s (100 s) and 40000 rpm at 600 rpm/s (50 s).
TEST(SpeedProfiles, ScansDuringTheFirstRampAreInconsistent) {
    struct Case {
        float rate1, rate2;  // rpm/s
        float tEarly, tLate;  // s, within and after the first ramp
    } cases[] = {{200.0f, 300.0f, 45.0f, 80.0f}, {100.0f, 600.0f, 95.0f, 130.0f}};
    for (const Case& c : cases) {
        CRotorSpeedProfile profile;
        float start[3] = {0, 0, 1000}, rpm[3] = {0, 10000, 40000}, rate[3] = {0, c.rate1, c.rate2};
        ASSERT_TRUE(profile.SetSteps(2, start, rpm, rate));
        ScanHeader h[2] = {};
        h[1].rpm = 10000.0f;
        h[1].time = c.tLate;
        win::headless::Script script;
        EXPECT_TRUE(profile.CheckScans(1, h)) << c.rate1;
        h[1].time = c.tEarly;
        clearShownErrorMessages();
        script.expectMessageBox("Error", win::IDOK);
        EXPECT_FALSE(profile.CheckScans(1, h)) << c.rate1;
        EXPECT_EQ(script.pending(), 0u);
        char sz[120];
        std::snprintf(sz, sizeof sz, "inconsistent file 1 (t = %f, om = 10000.000000) with speed step 1",
                      static_cast<double>(c.tEarly));
        ASSERT_EQ(shownErrorMessages().size(), 1u);
        EXPECT_EQ(shownErrorMessages()[0], sz);
        clearShownErrorMessages();

        // The same rule holds for a profile of the first step alone.
        CRotorSpeedProfile single;
        float start1[2] = {0, 0}, rpm1[2] = {0, 10000}, rate1[2] = {0, c.rate1};
        EXPECT_FALSE(single.SetSteps(1, start1, rpm1, rate1));  // one step is no multi-speed run
        h[1].time = c.tLate;
        EXPECT_TRUE(single.CheckScans(1, h)) << c.rate1;
        h[1].time = c.tEarly;
        EXPECT_FALSE(single.CheckScans(1, h)) << c.rate1;
        clearShownErrorMessages();
    }
}

TEST(SpeedProfiles, ARampWithoutRateMakesNoProfile) {
    // Two scans, 10000 rpm at 600 s and 40000 rpm at 3000 s, beside a
    // profile the user keeps.
    scantest::TempFolder dir;
    scantest::resetScanState();
    scantest::installScans({{{6.0f, 6.1f}, {1.0f, 1.0f}, 600.0}, {{6.0f, 6.1f}, {1.0f, 1.0f}, 3000.0}});
    const double rpm[3] = {0, 10000, 40000};
    const std::vector<double> w2t = integrateOmega2t(twoStepRun(10000, 40000, 200, 1500), {600.0, 3000.0});
    for (int i = 1; i <= 2; ++i) {
        pScanHeaders[i].rpm = static_cast<float>(rpm[i]);
        pScanHeaders[i].timeWritten = pScanHeaders[i].time;
        pScanHeaders[i].omega2t = w2t[i - 1];
    }
    szScanExtra = dir.Path("~tmppars.RA1");
    const std::string kept = "0.000000\t10000.000000\t200.000000\n1500.000000\t40000.000000\t200.000000\n";
    scantest::writeText(dir.Path("speedsteps.txt"), kept);

    clearShownErrorMessages();
    win::headless::Script script;
    script.expectMessageBox("Error", win::IDOK);
    EXPECT_FALSE(createSpeedStepsFile(0.0f, 100.0f));
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(pRotorSpeedProfile, nullptr);
    EXPECT_EQ(scantest::readText(dir.Path("speedsteps.txt")), kept);

    // With the rate (its sign does not matter) the step start comes back.
    EXPECT_TRUE(createSpeedStepsFile(-200.0f, 100.0f));
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    EXPECT_NEAR(pRotorSpeedProfile->stepStart[2], 1500.0f, 0.1f);
    EXPECT_EQ(pRotorSpeedProfile->stepRate[2], 200.0f);

    // An omega squared t the rotor only reaches by staying at 10000 rpm up to
    // the later scan: the 150 s ramp to 40000 rpm at 200 rpm/s still has to
    // end before that scan, so the step starts 1 s before 3000 - 150 s.
    pScanHeaders[2].omega2t = integrateOmega2t(twoStepRun(10000, 40000, 200, 3000), {600.0, 3000.0})[1];
    EXPECT_TRUE(createSpeedStepsFile(200.0f, 100.0f));
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    EXPECT_FLOAT_EQ(pRotorSpeedProfile->stepStart[2], 2849.0f);
    delete pRotorSpeedProfile;
    pRotorSpeedProfile = nullptr;
    bUsingSpeedSteps = 0;
    szScanExtra.clear();
    scantest::resetScanState();
}

TEST(SpeedProfiles, MethodRowsWrittenAndReadBack) {
    scantest::TempFolder dir;
    // Ramps of 45 s, 90 s and 112.5 s written as 1.5 times in whole
    // minutes; scans of 90 s take 2 minutes and 1.3 times that per scan.
    CRotorSpeedProfile profile;
    float start[4] = {0, 0, 600, 4200}, rpm[4] = {0, 12000, 30000, 45000}, rate[4] = {0, 400, 300, 200};
    profile.SetSteps(3, start, rpm, rate);
    const std::string method = dir.Path("run.EQU");
    ASSERT_TRUE(profile.WriteMethodRows(method.c_str(), 90.0f, 20, 5, 3, 1));
    EXPECT_EQ(scantest::readText(dir.Path("MethodRows.txt")),
              "12000\t400\t0:00\t20\t3\n"    // 600 s / 156 s: 3 scans, at most 3
              "12000\t400\t0:10\t20\t0\n"
              "30000\t300\t0:01\t20\t3\n"    // (3600 - 60) / 156 = 22, capped at 3
              "30000\t300\t0:59\t20\t0\n"
              "45000\t200\t0:01\t20\t5\n"
              "45000\t200\thold\t20\t0\n");
    const std::string text = scantest::readText(method);
    const std::vector<std::string> rows = lines(text);
    ASSERT_EQ(rows.size(), 600u);
    EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 12),
              (std::vector<std::string>{"12000", "400", "0:00", "20", "3", "NO", "12000", "400", "0:10", "20", "0",
                                        "NO"}));
    EXPECT_EQ(std::vector<std::string>(rows.end() - 6, rows.end()),
              (std::vector<std::string>{"0", "400", "0:00", "20", "0", "NO"}));
    EXPECT_NE(text.back(), '\n');
    // Converted back: the same steps.
    CRotorSpeedProfile back;
    ASSERT_TRUE(back.Load(dir.Path("speedsteps.txt").c_str()));
    ASSERT_EQ(back.nSteps, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_FLOAT_EQ(back.stepStart[k], start[k]);
        EXPECT_FLOAT_EQ(back.stepRpm[k], rpm[k]);
        EXPECT_FLOAT_EQ(back.stepRate[k], rate[k]);
    }

    // The rows another profile writes beside its method (scan time 90 s, 20
    // scans a row, 5 in the last step); each profile is one that a
    // speed-steps file keeps as it is.
    auto methodRowsOf = [&](int n, float* s, float* r, float* a, int nMaxScans, const char* name) {
        CRotorSpeedProfile other;
        other.SetSteps(n, s, r, a);
        EXPECT_TRUE(other.FixFile(false)) << name;
        EXPECT_TRUE(other.WriteMethodRows(dir.Path(name).c_str(), 90.0f, 20, 5, nMaxScans, 0)) << name;
        return scantest::readText(dir.Path("MethodRows.txt"));
    };

    // Steps that repeat the speed before them change nothing: one at
    // 30000 rpm from 2000 s and two at 45000 rpm at the end. The rotor still
    // turns at 30000 rpm from 600 s up to 4200 s (a hold of 4200 - 600 - 60 s,
    // 59 min), then ramps to 45000 rpm and holds there: the rows above.
    {
        float start6[7] = {0, 0, 600, 2000, 4200, 5000, 6000},
              rpm6[7] = {0, 12000, 30000, 30000, 45000, 45000, 45000}, rate6[7] = {0, 400, 300, 300, 200, 200, 200};
        EXPECT_EQ(methodRowsOf(6, start6, rpm6, rate6, 3, "t.EQU"),
                  "12000\t400\t0:00\t20\t3\n"
                  "12000\t400\t0:10\t20\t0\n"
                  "30000\t300\t0:01\t20\t3\n"
                  "30000\t300\t0:59\t20\t0\n"
                  "45000\t200\t0:01\t20\t5\n"
                  "45000\t200\thold\t20\t0\n");
    }

    // A step that repeats the speed before it at the very time the next
    // speed starts changes nothing either (such a file loads unchanged): the
    // rows are those of 12000 rpm from 0 s and 30000 rpm from 600 s alone,
    // the 30000 rpm step held to the end.
    {
        float startRepeat[4] = {0, 0, 600, 600}, rpmRepeat[4] = {0, 12000, 12000, 30000},
              rateRepeat[4] = {0, 400, 400, 300};
        EXPECT_EQ(methodRowsOf(3, startRepeat, rpmRepeat, rateRepeat, 3, "r.EQU"),
                  "12000\t400\t0:00\t20\t3\n"
                  "12000\t400\t0:10\t20\t0\n"
                  "30000\t300\t0:01\t20\t5\n"
                  "30000\t300\thold\t20\t0\n");
    }

    // A ramp row of hours: 0 to 60000 rpm at 10 rpm/s takes 6000 s, the row
    // 1.5 times that, 2:30. With the hold row (the rest of the step) it makes
    // up the step's 18000 s, 5:00; 9000 s of it hold 57 scans of 156 s.
    {
        float startSlow[3] = {0, 0, 18000}, rpmSlow[3] = {0, 60000, 50000}, rateSlow[3] = {0, 10, 10};
        EXPECT_EQ(methodRowsOf(2, startSlow, rpmSlow, rateSlow, 100, "slow.EQU"),
                  "60000\t10\t2:30\t20\t57\n"
                  "60000\t10\t2:30\t20\t0\n"
                  "50000\t10\t0:25\t20\t5\n"
                  "50000\t10\thold\t20\t0\n");
    }

    // A method whose second row changes the speed after scans in the
    // first: the scan cycle time is asked, and the 4 scans of 90 s move the
    // second step from 30 min to 36 min.
    scantest::writeText(dir.Path("b.EQU"), "10000\n300\n0:30\n20\n4\nNO\n20000\n300\n1:00\n20\n2\nNO\n"
                                           "20000\n300\nhold\n20\n0\nNO");
    win::headless::Script script;
    script.expectInput("scan cycle time (sec)", "90");
    ASSERT_TRUE(convertEquMethodToSpeedSteps(dir.Path("b.EQU").c_str(), dir.Path("b.txt").c_str()));
    EXPECT_EQ(scantest::readText(dir.Path("b.txt")), "0.000000\t10000.000000\t300.000000\n"
                                                     "2160.000000\t20000.000000\t300.000000\n");
    EXPECT_TRUE(transcriptShows(script, "CREATE SPEEDSTEPS from EQU"));
    // A NUL byte in a line (a damaged copy) ends neither the line nor the
    // number before it: the method reads as the same two steps, not as a
    // first speed of 10000300 rpm with every later line one row off.
    const std::string damaged = std::string("10000") + '\0' + " x\n300\n0:30\n20\n4\nNO\n" +
                                "20000\n300\n1:00\n20\n2\nNO\n20000\n300\nhold\n20\n0\nNO";
    scantest::writeText(dir.Path("d.EQU"), damaged);
    script.expectInput("scan cycle time (sec)", "90");
    ASSERT_TRUE(convertEquMethodToSpeedSteps(dir.Path("d.EQU").c_str(), dir.Path("d.txt").c_str()));
    EXPECT_EQ(scantest::readText(dir.Path("d.txt")), scantest::readText(dir.Path("b.txt")));

    // 50 steps are more than a method takes.
    std::vector<float> s(51), w(51), r(51, 100.0f);
    for (int k = 1; k <= 50; ++k) {
        s[k] = 1000.0f * k;
        w[k] = 1000.0f * k;
    }
    CRotorSpeedProfile many;
    many.SetSteps(50, s.data(), w.data(), r.data());
    script.expectMessageBox("too many speed steps", win::IDOK);
    EXPECT_FALSE(many.WriteMethodRows(dir.Path("c.EQU").c_str(), 90.0f, 20, 1, 1, 0));
}

TEST_F(DataMenuTest, MultiSpeedLoadRecoversTheStepStart) {
    // 10000 rpm, from 1234.5 s on up to 40000 rpm at 280 rpm/s; a scan every
    // 200 s, each with its numerically integrated omega squared t.
    const double tStep = 1234.5;
    auto run = twoStepRun(10000, 40000, 280, tStep);
    std::vector<double> times;
    for (int k = 1; k <= 15; ++k) times.push_back(200.0 * k);
    const std::vector<double> w2t = integrateOmega2t(run, times);
    const std::string folder = Folder("multispeed");
    std::vector<std::string> paths;
    for (int k = 1; k <= 15; ++k) {
        ScanRecipe recipe;
        recipe.title = "two-step run";
        recipe.time = times[k - 1];
        recipe.rpm = static_cast<float>(run(times[k - 1]));
        recipe.omega2t = w2t[k - 1];
        char name[32];
        std::snprintf(name, sizeof(name), "%05d.RA1", k);
        paths.push_back(WriteScan(folder, name, recipe));
    }
    // The scans carry no time-stamp marker and were all written just now, so
    // their file times span far less than the 2800 s recorded: with the
    // check on, as the program starts, the load asks once for a factor, and
    // the auto-load has no corrected copies to load after it.
    bCheckTimeStamps = 1;
    win::headless::Script script;
    script.expectOpenFile("select files to fit", paths)
        .expectInput("load every n'th file:", "1")
        .expectMessageBox("no time stamp information available", win::IDNO)
        .expectInput("rotor (4 or 8) or 0 for manual", "8")
        // the 40000 rpm scans move in by 0.0153 cm, inside the right fit limit
        .expectMessageBox("possible problem with right limit", win::IDOK);
    Run(script, 949);
    ASSERT_EQ(nScans, 15);
    EXPECT_EQ(script.pending(), 0u);

    CRotorSpeedProfile created;
    ASSERT_TRUE(created.Load((folder + "/speedsteps.txt").c_str()));
    ASSERT_EQ(created.nSteps, 2);
    EXPECT_EQ(created.stepRpm[1], 10000.0f);
    EXPECT_EQ(created.stepRpm[2], 40000.0f);
    EXPECT_EQ(created.stepRate[2], 280.0f);
    EXPECT_NEAR(created.stepStart[2], tStep, 0.1);
    EXPECT_EQ(bUsingSpeedSteps, 1);
    // the loaded scans are the shifted copies at the field-keeping speeds,
    // which the loaded profile follows
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    EXPECT_TRUE(pRotorSpeedProfile->CheckScans(nScans, pScanHeaders));
    // The rotor-speed plot shown while the stretch is corrected gives the
    // window back to the corrected scans at the end.
    EXPECT_EQ(pAuxPlot, nullptr);
    ASSERT_NE(pDataPlot, nullptr);
    EXPECT_EQ(pDataPlot->nCurves, 15);
    EXPECT_TRUE(window->PointInDataPlot(700, 250));
    Run(script, 946);
    ASSERT_NE(pAuxPlot, nullptr);
    EXPECT_EQ(pAuxPlot->nCurves, 2);
    // the profile in blue, the scans in red (docs/scandata.md)
    EXPECT_EQ(pAuxPlot->GetCurveColor(0), win::RGB(0, 0, 255));
    EXPECT_EQ(pAuxPlot->GetCurveColor(1), win::RGB(255, 0, 0));
    EXPECT_EQ(bAutoLoadMultiSpeed, 0);
    EXPECT_EQ(bLoadFromList, 0);

    // Cancelled, the auto-load corrects nothing of the loaded set (the
    // rotor-stretch prompt would fail the test).
    const float fSignal = ppSignal[1][50];
    script.expectFileCancel("select files to fit");
    Run(script, 949);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 15);
    EXPECT_EQ(ppSignal[1][50], fSignal);
}

// The speed steps asked for by the Lamm settings are read beside a set of a
// single scan as beside any other: one scan at 40000 rpm after the step from
// 10000 rpm at 1234.5 s, its profile written after the load.
TEST_F(DataMenuTest, OneScanTakesTheSpeedStepsBesideIt) {
    const double tStep = 1234.5;
    auto run = twoStepRun(10000, 40000, 280, tStep);
    const std::string folder = Folder("onescan");
    ScanRecipe recipe;
    recipe.title = "[T OK] two-step run";
    recipe.time = 3000.0;
    recipe.rpm = 40000.0f;
    recipe.omega2t = integrateOmega2t(run, {3000.0})[0];
    LoadScans({WriteScan(folder, "00001.RA1", recipe)});
    ASSERT_EQ(nScans, 1);
    EXPECT_EQ(bUsingSpeedSteps, 0);

    CRotorSpeedProfile steps;
    const float start[] = {0, 0.0f, static_cast<float>(tStep)}, rpm[] = {0, 10000.0f, 40000.0f},
                rate[] = {0, 280.0f, 280.0f};
    ASSERT_TRUE(steps.SetSteps(2, start, rpm, rate));
    ASSERT_TRUE(steps.Save((folder + "/speedsteps.txt").c_str()));
    EXPECT_TRUE(checkSpeedStepsForLammParams());
    EXPECT_EQ(bUsingSpeedSteps, 1);
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    EXPECT_EQ(pRotorSpeedProfile->nSteps, 2);
    EXPECT_EQ(pRotorSpeedProfile->stepRpm[1], 10000.0f);
}
