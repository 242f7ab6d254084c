// Raw-data editing tools: rotor stretch, region exclusion, six-channel split,
// one point removed from a file, the fringe-jump threshold.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "models/model_globals.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "scandata/noise_grid.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/raw_edit_tools.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/scan_test_files.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

// Writes an absorbance scan of radii r0, r0 + dr, ... r1 and returns its path.
std::string writeFlatScan(const std::string& dir, const std::string& name, const char* szTitle, float rpm,
                          double time, float r0 = 6.0f, float r1 = 6.9f, float dr = 0.01f)
{
    const int n = static_cast<int>(std::lround((r1 - r0) / dr)) + 1;
    float* r = vector(1, n);
    float* s = vector(1, n);
    for (int j = 1; j <= n; ++j) {
        r[j] = r0 + dr * (j - 1);
        s[j] = 0.1f + 0.01f * j;
    }
    ScanHeader h{};
    std::snprintf(h.title, sizeof h.title, "%s", szTitle);
    h.dataType = 'R';
    h.cell = 1;
    h.temperature = 20.0f;
    h.rpm = rpm;
    h.time = h.timeWritten = time;
    h.omega2t = std::pow(rpm * 0.10471975511965977, 2) * time;
    h.wavelength = 280;
    h.count = 1;
    const std::string path = dir + name;
    writeScanFile(path.c_str(), n, r, s, nullptr, nullptr, 1, &h);
    free_vector(r, 1, n);
    free_vector(s, 1, n);
    return path;
}

std::set<std::string> filesBelow(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) names.insert(e.path().string());
    return names;
}

class RawEditTest : public MainWindowTest {
protected:
    void TearDown() override
    {
        freeScanFileList();
        scantest::resetScanState();
        MainWindowTest::TearDown();
    }
    // Three scans at 60000 rpm; the third has an 85-character title.
    void loadStretchSet()
    {
        OpenWindow();
        const std::string longTitle = "[T OK]" + std::string(79, 'x');
        LoadScans({writeFlatScan(scratch, "00001.RA1", "[T OK] scan one", 60000, 1000),
                   writeFlatScan(scratch, "00002.RA1", "[T OK] scan two", 60000, 1600),
                   writeFlatScan(scratch, "00003.RA1", longTitle.c_str(), 60000, 2200)});
        ASSERT_EQ(nScans, 3);
    }
};

}  // namespace

TEST_F(RawEditTest, RotorStretchWritesShiftedScansIntoTheChosenFolder)
{
    loadStretchSet();
    const std::string target = scratch + "unstretch/newscandata";
    headless::Script script;
    script.expectInput("rotor (4 or 8)", "8")
        .expectMessageBox("save new data?", IDYES)
        .expectSaveFile("select save path", target)
        .expectMessageBox("maintain field?", IDYES)
        .expectInput("stretch module", "9.59e-6")
        .expectMessageBox("reload stretched data?", IDNO);
    window->EvCommand(927, nullptr, 0);
    // the proposal was the new folder beside the data
    bool bProposed = false;
    for (const std::string& l : script.lines())
        if (l.rfind("SaveFile", 0) == 0 && l.find("unstretch") != std::string::npos &&
            l.find("newscandata") != std::string::npos)
            bProposed = true;
    EXPECT_TRUE(bProposed);

    // rotor 8 at 60000 rpm: -9.59e-6 cm x 60^2 = -0.034524 cm; the speed keeps
    // omega^2 r at the middle of the cell (6.45 cm)
    const double dShift = -9.59e-6 * 3600.0;
    const double dRpm = std::floor(60000.0 * std::sqrt(6.45 / (6.45 + dShift)));
    for (const char* szName : {"1000.RA1", "1600.RA1", "2200.RA1"}) {
        ScanHeader h{};
        int n = 0;
        float *r = nullptr, *s = nullptr;
        ASSERT_TRUE(readScanFile((scratch + "unstretch/" + szName).c_str(), &h, &n, &r, &s, nullptr, nullptr, 0))
            << szName;
        EXPECT_EQ(n, 91);
        EXPECT_NEAR(r[1], 6.0 + dShift, 6e-5);
        EXPECT_NEAR(r[91], 6.9 + dShift, 6e-5);
        EXPECT_FLOAT_EQ(h.rpm, static_cast<float>(dRpm));
        const bool bNoted = std::strstr(h.title, ", shift -0.035") != nullptr;
        EXPECT_EQ(bNoted, std::string(szName) != "2200.RA1") << h.title;
        free_vector(r, 1, n);
        free_vector(s, 1, n);
    }
    // the loaded scans stay as they were
    EXPECT_FLOAT_EQ(ppRadius[1][1], 6.0f);
    EXPECT_FLOAT_EQ(pScanHeaders[1].rpm, 60000.0f);
    EXPECT_STREQ(ppScanFileName[1], "00001.RA1");
}

TEST_F(RawEditTest, RotorStretchWithoutSavingWritesNothing)
{
    loadStretchSet();
    const std::set<std::string> before = filesBelow(scratch);
    const fs::path cwd = fs::current_path();
    const std::set<std::string> cwdBefore = filesBelow(cwd.string());
    {
        // the save dialog cancelled: no file, no folder left behind
        headless::Script script;
        script.expectInput("rotor (4 or 8)", "8")
            .expectMessageBox("save new data?", IDYES)
            .expectFileCancel("select save path");
        window->EvCommand(927, nullptr, 0);
    }
    EXPECT_EQ(filesBelow(scratch), before);
    EXPECT_FLOAT_EQ(ppRadius[2][1], 6.0f);

    // declined: the loaded scans are corrected, nothing is written anywhere
    headless::Script script;
    script.expectInput("rotor (4 or 8)", "8")
        .expectMessageBox("save new data?", IDNO)
        .expectMessageBox("maintain field?", IDNO)
        .expectInput("stretch module", "9.59e-6");
    window->EvCommand(927, nullptr, 0);
    EXPECT_EQ(filesBelow(scratch), before);
    EXPECT_EQ(filesBelow(cwd.string()), cwdBefore);
    for (int i = 1; i <= nScans; ++i) {
        EXPECT_NEAR(ppRadius[i][1], 6.0f - 0.034524f, 2e-6);
        EXPECT_FLOAT_EQ(pScanHeaders[i].rpm, 60000.0f);
    }
    EXPECT_NEAR(pNoiseGrid[1], 6.0f - 0.034524f + fRadialResolution, 1e-5);  // the grid follows
}

TEST_F(RawEditTest, RegionsChannelsAndSinglePoints)
{
    // exclude 6.5..6.6: exactly the points inside, both ends included
    std::vector<float> r = {6.40f, 6.45f, 6.5f, 6.55f, 6.6f, 6.65f, 6.70f};
    std::vector<float> s = {1, 2, 3, 4, 5, 6, 7};
    scantest::installScans({{r, s, 100.0}, {r, s, 200.0}});
    bAbsorbanceData = 1;
    ppRadiusVec = new CVector*[3]();  // the view a plot would draw
    ppRadiusVec[1] = new CVector;
    ppRadiusVec[1]->Attach(ppRadius[1], 7, 1);
    excludeRegion(6.7f, 6.8f);  // beyond scan 1's end: nothing
    EXPECT_EQ(pScanPoints[1], 7);
    excludeRegion(6.5f, 6.6f);
    ASSERT_EQ(pScanPoints[2], 4);
    const float kept[] = {6.40f, 6.45f, 6.65f, 6.70f};
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(ppRadius[2][j], kept[j - 1]);
        EXPECT_EQ(ppSignal[2][j], j <= 2 ? float(j) : float(j + 3));
        EXPECT_EQ(ppResidual[2][j], ppSignal[2][j]);
    }
    EXPECT_EQ(ppRadiusVec[1]->nSize, 4u);  // the plot's view sees the new array
    EXPECT_EQ(ppRadiusVec[1]->Get(2), 6.65f);

    // six channels cut at 6.2 and 6.75 on 5.90..7.20 cm: each boundary point
    // belongs to both neighbouring subsets
    freeScanData();
    OpenWindow();
    LoadScans({writeFlatScan(scratch, "00001.RA1", "[T OK] six", 20000, 1000, 5.9f, 7.2f),
               writeFlatScan(scratch, "00002.RA1", "[T OK] six", 20000, 2000, 5.9f, 7.2f)});
    saveSixChannelSubsets(6.2f, 6.75f);
    auto range = [this](const char* szName, float* pFirst, float* pLast) {
        ScanHeader h{};
        int n = 0;
        float *rr = nullptr, *ss = nullptr;
        if (!readScanFile((scratch + szName).c_str(), &h, &n, &rr, &ss, nullptr, nullptr, 0)) return false;
        *pFirst = rr[1];
        *pLast = rr[n];
        free_vector(rr, 1, n);
        free_vector(ss, 1, n);
        return true;
    };
    float a = 0, b = 0;
    ASSERT_TRUE(range("i00002.RA1", &a, &b));
    EXPECT_NEAR(a, 5.90f, 1e-4);
    EXPECT_NEAR(b, 6.21f, 1e-4);
    ASSERT_TRUE(range("m00002.RA1", &a, &b));
    EXPECT_NEAR(a, 6.21f, 1e-4);
    EXPECT_NEAR(b, 6.76f, 1e-4);
    ASSERT_TRUE(range("o00002.RA1", &a, &b));
    EXPECT_NEAR(a, 6.76f, 1e-4);
    EXPECT_NEAR(b, 7.20f, 1e-4);

    // one point out of a file: a pending list left from another set must not
    // send it elsewhere
    fs::create_directories(scratch + "other");
    std::vector<std::string> other = {scratch + "other/elsewhere1.RA1", scratch + "other/elsewhere2.RA1"};
    nPendingFiles = 2;
    ppPendingFileName = new char*[3]();
    for (int k = 1; k <= 2; ++k) {
        ppPendingFileName[k] = new char[260];
        std::snprintf(ppPendingFileName[k], 260, "%s", other[k - 1].c_str());
    }
    const int n2 = pScanPoints[2];
    noteModifiedFrom(2, 5, false);
    EXPECT_TRUE(fs::is_empty(scratch + "other"));
    EXPECT_STREQ(ppScanFileName[2], "00002_mod.RA1");
    EXPECT_EQ(pScanPoints[2], n2);
    ScanHeader h{};
    int n = 0;
    float *rr = nullptr, *ss = nullptr;
    ASSERT_TRUE(readScanFile((scratch + "00002_mod.RA1").c_str(), &h, &n, &rr, &ss, nullptr, nullptr, 0));
    EXPECT_EQ(n, n2 - 1);
    EXPECT_NEAR(rr[4], ppRadius[2][4], 1e-4);
    EXPECT_NEAR(rr[5], ppRadius[2][6], 1e-4);
    EXPECT_NE(std::string(h.title).find("_modified from 00002.RA1"), std::string::npos);
    free_vector(rr, 1, n);
    free_vector(ss, 1, n);
}

TEST_F(RawEditTest, FringeJumpThresholdHasAFloor)
{
    OpenWindow();
    // one interference scan with a +1 fringe step at 6.5 cm
    std::vector<float> r, s;
    for (int j = 0; j <= 100; ++j) {
        r.push_back(6.0f + 0.01f * j);
        s.push_back(r.back() >= 6.5f ? 1.02f : 0.02f);
    }
    scantest::installScans({{r, s, 100.0}, {r, s, 200.0}});
    bInterferenceData = 1;
    fMeniscus = 5.9f;
    fBottom = 7.2f;
    fFitLeftLim = 6.05f;
    fFitRightLim = 6.95f;
    setupNoiseRadialGrid();
    headless::Script script;
    script.expectInput("enter threshold value", "0.3")
        .expectMessageBox("threshold cannot be smaller than 0.5", IDOK)
        .expectMessageBox("judge from residuals?", IDNO)
        .expectMessageBox("save data?", IDNO);
    window->EvCommand(287, nullptr, 0);
    for (int j = 1; j <= 101; ++j) EXPECT_NEAR(ppSignal[1][j], 0.02f, 1e-6) << j;
}

namespace {

// Speed of a run in three steps (10000, 20000, 40000 rpm from 0, 3000 and
// 6000 s), each reached by a linear ramp of 280 rpm/s.
double multiSpeedRpm(double t)
{
    const double starts[] = {0.0, 3000.0, 6000.0}, speeds[] = {10000.0, 20000.0, 40000.0};
    double w = 0.0;
    for (int k = 0; k < 3; ++k) {
        if (t < starts[k]) break;
        w = std::min(speeds[k], w + 280.0 * (t - starts[k]));
        if (k < 2 && t >= starts[k + 1]) w = speeds[k];
    }
    return w;
}

}  // namespace

TEST_F(RawEditTest, MultiSpeedAutoLoadEndToEnd)
{
    // Fifteen scans between the ramps, their omega^2 t integrated along the
    // speed profile; the file time stamps run 1 % faster than the recorded
    // times and the titles carry no time-stamp mark.
    OpenWindow();
    std::vector<std::string> paths;
    double dW2t = 0.0, t = 0.0;
    const double dt = 0.01;
    const auto base = fs::file_time_type::clock::now() - std::chrono::hours(24);
    for (int k = 0; k < 15; ++k) {
        const double tScan = 900.0 + 600.0 * k;
        for (; t < tScan - 1e-9; t += dt) {
            const double wa = multiSpeedRpm(t) * 0.10471975511965977, wb = multiSpeedRpm(t + dt) * 0.10471975511965977;
            dW2t += dt * (wa * wa + wa * wb + wb * wb) / 3.0;
        }
        scantest::ScanRecipe recipe;
        recipe.title = "multi-speed scan";
        recipe.rpm = static_cast<float>(multiSpeedRpm(tScan));
        recipe.time = tScan;
        recipe.omega2t = dW2t;
        recipe.points = 91;
        recipe.r0 = 6.0f;
        recipe.dr = 0.01f;
        char szName[32];
        std::snprintf(szName, sizeof szName, "%05d.RA1", k + 1);
        const std::string path = scratch + szName;
        scantest::writeText(path, scantest::scanText(recipe));
        fs::last_write_time(path, base + std::chrono::seconds(std::lround(1.01 * (tScan - 900.0))));
        paths.push_back(path);
    }

    headless::Script script;
    script.expectOpenFile("select files to fit", paths)
        .expectInput("load every n'th file:", "1")
        .expectInput("rotor (4 or 8) or 0 for manual", "8");
    window->EvCommand(949, nullptr, 0);
    EXPECT_EQ(script.pending(), 0u);

    // loaded: the corrected, shifted copies in "unstretch", named by time
    ASSERT_EQ(nScans, 15);
    EXPECT_NE(std::string(szScanDir).find("unstretch"), std::string::npos);
    EXPECT_TRUE(fs::exists(scratch + "unstretch/909.RA1"));
    const ScanHeader first = pScanHeaders[pScanTimeOrder[1]];
    EXPECT_NE(std::strstr(first.title, "[TIMESTAMP CORRECTED 1.01"), nullptr) << first.title;
    EXPECT_NEAR(first.time, 909.0, 1.0);

    // each speed's stretch undone, its speed keeping the field at 6.45 cm
    for (int k = 1; k <= nScans; ++k) {
        const int i = pScanTimeOrder[k];
        const double w = multiSpeedRpm(900.0 + 600.0 * (k - 1));
        const double dShift = -9.59e-6 * (w / 1000.0) * (w / 1000.0);
        EXPECT_NEAR(ppRadius[i][1], 6.0 + dShift, 6e-5) << k;
        EXPECT_NEAR(pScanHeaders[i].rpm, std::floor(w * std::sqrt(6.45 / (6.45 + dShift))), 1.0) << k;
    }
    // the speed profile found in the scans, in the same speeds, beside them
    ASSERT_NE(pRotorSpeedProfile, nullptr);
    ASSERT_EQ(pRotorSpeedProfile->nSteps, 3);
    EXPECT_NEAR(pRotorSpeedProfile->stepStart[2], 1.01 * 3000.0, 40.0);
    EXPECT_NEAR(pRotorSpeedProfile->stepStart[3], 1.01 * 6000.0, 70.0);
    EXPECT_NEAR(pRotorSpeedProfile->stepRpm[3], pScanHeaders[pScanTimeOrder[15]].rpm, 1.0);
    EXPECT_TRUE(fs::exists(scratch + "unstretch/speedsteps.txt"));
    EXPECT_TRUE(pRotorSpeedProfile->CheckScans(nScans, pScanHeaders));
    EXPECT_EQ(bAutoLoadMultiSpeed, 0);
}
