// Raw-data editing tools: rotor stretch, region exclusion, six-channel split,
// one point removed from a file, and the multi-speed auto-load end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include <utility>

#include "app/app_globals.h"
#include "app/window_fixture.h"
#include "numerics/cvector.h"
#include "numerics/nrutil.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/raw_edit_tools.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_file.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/scan_test_files.h"

using namespace win;
namespace fs = std::filesystem;

namespace {

// An absorbance scan file of radii r0 .. r1 every 0.01 cm.
std::string writeFlatScan(const std::string& path, const std::string& title, float rpm, double time,
                          float r0 = 6.0f, float r1 = 6.9f)
{
    scantest::ScanRecipe recipe;
    recipe.title = title;
    recipe.rpm = rpm;
    recipe.time = time;
    recipe.r0 = r0;
    recipe.dr = 0.01f;
    recipe.points = static_cast<int>(std::lround((r1 - r0) / 0.01f)) + 1;
    scantest::writeText(path, scantest::scanText(recipe));
    return path;
}

// A written scan's header and radii.
std::vector<float> readRadii(const std::string& path, ScanHeader* pHeader)
{
    scantest::WrittenScan w = scantest::readWrittenScan(path);
    *pHeader = w.h;
    return std::move(w.r);
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
};

}  // namespace

TEST_F(RawEditTest, RotorStretchWritesOnlyWhereTheUserSaid)
{
    // three scans at 60000 rpm, the third with an 85-character title
    OpenWindow();
    LoadScans({writeFlatScan(scratch + "00001.RA1", "[T OK] one", 60000, 1000),
               writeFlatScan(scratch + "00002.RA1", "[T OK] two", 60000, 1600),
               writeFlatScan(scratch + "00003.RA1", "[T OK]" + std::string(79, 'x'), 60000, 2200)});
    const std::set<std::string> before = filesBelow(scratch);
    auto stretch = [this](const std::vector<std::pair<std::string, std::string>>& answers) {
        headless::Script script;
        for (const auto& [match, answer] : answers) {
            if (answer == "YES" || answer == "NO")
                script.expectMessageBox(match, answer == "YES" ? IDYES : IDNO);
            else if (answer == "CANCEL")
                script.expectFileCancel(match);
            else if (match == "select save path")
                script.expectSaveFile(match, answer);
            else
                script.expectInput(match, answer);
        }
        window->EvCommand(927, nullptr, 0);
        return script.lines();
    };
    // the target dialog cancelled: no file, no folder left behind
    stretch({{"rotor", "8"}, {"save new data?", "YES"}, {"select save path", "CANCEL"}});
    EXPECT_EQ(filesBelow(scratch), before);

    // saved into the proposed folder beside the data, the loaded scans kept
    const std::vector<std::string> lines =
        stretch({{"rotor", "8"}, {"save new data?", "YES"}, {"select save path", scratch + "unstretch/newscandata"},
                 {"maintain field?", "YES"}, {"stretch module", "9.59e-6"}, {"reload stretched data?", "NO"}});
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("SaveFile", 0) == 0 && l.find("unstretch/newscandata") != std::string::npos;
    }));
    // the prompt offers one of the two rotors it names: 8
    const std::string rotorPrompt = "\"rotor (4 or 8)\" \"";
    const auto offer = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.rfind("Input", 0) == 0 && l.find(rotorPrompt) != std::string::npos;
    });
    ASSERT_NE(offer, lines.end());
    EXPECT_EQ(std::strtod(offer->c_str() + offer->find(rotorPrompt) + rotorPrompt.size(), nullptr), 8.0) << *offer;
    // rotor 8 at 60000 rpm: -9.59e-6 cm x 60^2 = -0.034524 cm; the speed keeps
    // omega^2 r at the middle of the cell (6.45 cm)
    const double dShift = -9.59e-6 * 3600.0;
    for (const char* szName : {"1000.RA1", "1600.RA1", "2200.RA1"}) {
        ScanHeader h{};
        const std::vector<float> r = readRadii(scratch + "unstretch/" + szName, &h);
        ASSERT_EQ(r.size(), 91u) << szName;
        EXPECT_NEAR(r[0], 6.0 + dShift, 6e-5);
        EXPECT_NEAR(r[90], 6.9 + dShift, 6e-5);
        EXPECT_FLOAT_EQ(h.rpm, std::floor(60000.0 * std::sqrt(6.45 / (6.45 + dShift))));
        EXPECT_EQ(std::strstr(h.title, ", shift -0.035") != nullptr, std::string(szName) != "2200.RA1") << h.title;
    }
    EXPECT_FLOAT_EQ(ppRadius[1][1], 6.0f);
    EXPECT_STREQ(ppScanFileName[1], "00001.RA1");

    // declined: nothing written anywhere (the current folder included), the
    // loaded scans corrected
    const std::set<std::string> saved = filesBelow(scratch), cwdBefore = filesBelow(fs::current_path());
    stretch({{"rotor", "8"}, {"save new data?", "NO"}, {"maintain field?", "NO"}, {"stretch module", "9.59e-6"}});
    EXPECT_EQ(filesBelow(scratch), saved);
    EXPECT_EQ(filesBelow(fs::current_path()), cwdBefore);
    for (int i = 1; i <= nScans; ++i) EXPECT_NEAR(ppRadius[i][1], 6.0f - 0.034524f, 2e-6);
    EXPECT_FLOAT_EQ(pScanHeaders[1].rpm, 60000.0f);
    EXPECT_NEAR(pNoiseGrid[1], 6.0f - 0.034524f + fRadialResolution, 1e-5);  // the grid follows

    // Titles without a mark are written with "[T OK]" in front; the shift
    // goes on where the title so written still reads back whole, in 99
    // characters: 6 + 79 + 14 do, 6 + 80 + 14 would not.
    const std::string t79(79, 'y'), t80(80, 'z');
    fs::create_directories(scratch + "titles");
    bCheckTimeStamps = 0;  // the files' times say nothing here
    LoadScans({writeFlatScan(scratch + "titles/00001.RA1", t79, 60000, 1000),
               writeFlatScan(scratch + "titles/00002.RA1", t80, 60000, 1600)});
    // with old file names the parameter file that moves along carries the
    // name of the first scan in time
    bOldFilenameConvention = 1;
    stretch({{"rotor", "8"}, {"save new data?", "YES"}, {"select save path", scratch + "titles/unstretch/newscandata"},
             {"maintain field?", "NO"}, {"stretch module", "9.59e-6"}, {"reload stretched data?", "NO"}});
    for (const auto& [szName, title] : {std::pair{"1000.RA1", "[T OK]" + t79 + ", shift -0.035"},
                                        std::pair{"1600.RA1", "[T OK]" + t80}}) {
        ScanHeader h{};
        ASSERT_EQ(readRadii(scratch + "titles/unstretch/" + szName, &h).size(), 91u) << szName;
        EXPECT_EQ(std::string(h.title), title) << szName;
    }
    EXPECT_EQ(szScanExtra, scratch + "titles/unstretch/00001.~p");
}

TEST_F(RawEditTest, RegionsChannelsAndSinglePoints)
{
    // exclude 6.5..6.6: exactly the points inside, both ends included
    std::vector<float> r = {6.40f, 6.45f, 6.5f, 6.55f, 6.6f, 6.65f, 6.70f}, s = {1, 2, 3, 4, 5, 6, 7};
    scantest::installScans({{r, s, 100.0}, {r, s, 200.0}});
    bAbsorbanceData = 1;
    ppRadiusVec = new CVector*[3]();  // the view a plot would draw
    ppRadiusVec[1] = new CVector;
    ppRadiusVec[1]->Attach(ppRadius[1], 7, 1);
    excludeRegion(6.7f, 6.8f);  // beyond scan 1's end: nothing
    EXPECT_EQ(pScanPoints[1], 7);
    excludeRegion(6.5f, 6.6f);
    ASSERT_EQ(pScanPoints[2], 4);
    const float kept[] = {6.40f, 6.45f, 6.65f, 6.70f}, keptSignal[] = {1, 2, 6, 7};
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(ppRadius[2][j], kept[j - 1]);
        EXPECT_EQ(ppSignal[2][j], keptSignal[j - 1]);
        EXPECT_EQ(ppResidual[2][j], keptSignal[j - 1]);
    }
    EXPECT_EQ(ppRadiusVec[1]->nSize, 4u);  // the plot's view sees the new array
    EXPECT_EQ(ppRadiusVec[1]->Get(2), 6.65f);
    {
        // a region that holds a whole scan would leave it without points
        headless::Script script;
        script.expectMessageBox("every point of", IDOK);
        excludeRegion(6.40f, 6.70f);
    }
    EXPECT_EQ(pScanPoints[1], 4);
    EXPECT_EQ(pScanPoints[2], 4);
    EXPECT_EQ(ppSignal[2][3], 6.0f);
    // a region of no width still holds the point on it: both ends included
    excludeRegion(6.45f, 6.45f);
    ASSERT_EQ(pScanPoints[1], 3);
    ASSERT_EQ(pScanPoints[2], 3);
    EXPECT_EQ(ppRadius[2][2], 6.65f);
    EXPECT_EQ(ppSignal[2][1], 1.0f);
    EXPECT_EQ(ppSignal[2][2], 6.0f);

    // six channels cut at 6.2 and 6.75 on 5.90..7.20 cm: each boundary point
    // belongs to both neighbouring subsets
    OpenWindow();
    LoadScans({writeFlatScan(scratch + "00001.RA1", "[T OK]six", 20000, 1000, 5.9f, 7.2f),
               writeFlatScan(scratch + "00002.RA1", "[T OK]six", 20000, 2000, 5.9f, 7.2f)});
    saveSixChannelSubsets(6.2f, 6.75f);
    const std::pair<const char*, std::pair<float, float>> subsets[] = {
        {"i00002.RA1", {5.90f, 6.21f}}, {"m00002.RA1", {6.21f, 6.76f}}, {"o00002.RA1", {6.76f, 7.20f}}};
    for (const auto& [szName, ends] : subsets) {
        ScanHeader h{};
        const std::vector<float> radii = readRadii(scratch + szName, &h);
        ASSERT_FALSE(radii.empty()) << szName;
        EXPECT_NEAR(radii.front(), ends.first, 1e-4) << szName;
        EXPECT_NEAR(radii.back(), ends.second, 1e-4) << szName;
    }
    // cut 2 among the last radii, and on the last one: no point lies beyond
    // it then, and the middle runs to the scan's end; it holds most of the
    // scan and is always written. Every line a subset's file holds is a
    // point of the scan (a line the loader would pass over is looked at too).
    const std::vector<float> scanRadii(ppRadius[2] + 1, ppRadius[2] + pScanPoints[2] + 1);
    const size_t n = scanRadii.size();
    // (k: the first point beyond cut 2, 0-based; an outer subset of one point
    // is not written)
    for (const size_t k : {n - 3, n - 2, n - 1, n}) {
        for (const auto& subset : subsets) fs::remove(scratch + subset.first);
        const float fCut2 = k == n ? scanRadii[n - 1] : (scanRadii[k - 1] + scanRadii[k]) / 2;
        saveSixChannelSubsets(6.2f, fCut2);
        EXPECT_TRUE(fs::exists(scratch + "i00002.RA1")) << k;
        ScanHeader h{};
        const std::vector<float> middle = readRadii(scratch + "m00002.RA1", &h);
        ASSERT_FALSE(middle.empty()) << "cut 2 at " << fCut2;
        EXPECT_NEAR(middle.front(), 6.21f, 1e-4);
        EXPECT_NEAR(middle.back(), scanRadii[std::min(k, n - 1)], 1e-4) << "cut 2 at " << fCut2;
        EXPECT_EQ(fs::exists(scratch + "o00002.RA1"), k < n - 1) << "cut 2 at " << fCut2;
    }
    // cut 1 on the first radius: the inner subset holds that point and the
    // boundary point 5.91 cm, and two points are written
    for (const auto& subset : subsets) fs::remove(scratch + subset.first);
    saveSixChannelSubsets(scanRadii[0], 6.75f);
    {
        ScanHeader h{};
        const std::vector<float> inner = readRadii(scratch + "i00002.RA1", &h);
        ASSERT_EQ(inner.size(), 2u);
        EXPECT_NEAR(inner[0], 5.90f, 1e-4);
        EXPECT_NEAR(inner[1], 5.91f, 1e-4);
    }
    for (const auto& subset : subsets) {
        std::ifstream f(scratch + subset.first);
        std::string line;
        for (int k = 1; std::getline(f, line); ++k) {
            // the title and the scan's header; blank lines
            if (k <= 2 || line.find_first_not_of(" \t\r") == std::string::npos) continue;
            std::istringstream in(line);
            in.imbue(std::locale::classic());
            float r = 0.0f;
            in >> r;
            auto near = [r](float x) { return std::fabs(x - r) < 1e-4f; };
            EXPECT_TRUE(std::any_of(scanRadii.begin(), scanRadii.end(), near)) << subset.first << ": " << line;
        }
    }

    // one point out of a file: a pending list left from another set must not
    // send it elsewhere
    fs::create_directories(scratch + "other");
    nPendingFiles = 2;
    ppPendingFileName = new char*[3]();
    for (int k = 1; k <= 2; ++k) {
        ppPendingFileName[k] = new char[260];
        std::snprintf(ppPendingFileName[k], 260, "%sother/elsewhere%d.RA1", scratch.c_str(), k);
    }
    const int n2 = pScanPoints[2];
    noteModifiedFrom(2, 5, false);
    EXPECT_TRUE(fs::is_empty(scratch + "other"));
    EXPECT_STREQ(ppScanFileName[2], "00002_mod.RA1");
    EXPECT_EQ(pScanPoints[2], n2);
    ScanHeader h{};
    const std::vector<float> radii = readRadii(scratch + "00002_mod.RA1", &h);
    ASSERT_EQ(static_cast<int>(radii.size()), n2 - 1);
    EXPECT_NEAR(radii[3], ppRadius[2][4], 1e-4);
    EXPECT_NEAR(radii[4], ppRadius[2][6], 1e-4);
    EXPECT_NE(std::string(h.title).find("_modified from 00002.RA1"), std::string::npos);

    // A copy that cannot be written leaves the scan its name; the point
    // deletion names the file and keeps the loaded points.
    fs::create_directories(scratch + "00001_mod.RA1");
    const int n1 = pScanPoints[1];
    const std::string szConsole = "\n\aAttention: could not open " + scratch + "00001_mod.RA1\n";
    testing::internal::CaptureStdout();  // the writer's own line
    EXPECT_FALSE(noteModifiedFrom(1, 5, false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), szConsole);
    EXPECT_STREQ(ppScanFileName[1], "00001.RA1");
    {
        headless::Script script;
        script.expectMessageBox("Attention: could not open " + scratch + "00001_mod.RA1", IDOK);
        testing::internal::CaptureStdout();
        EXPECT_FALSE(deleteScanPoint(1, 5));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), szConsole);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_EQ(pScanPoints[1], n1);
    EXPECT_STREQ(ppScanFileName[1], "00001.RA1");

    // the first point of a scan can go as any other
    const float fSecond = ppRadius[2][2];
    EXPECT_TRUE(deleteScanPoint(2, 1));
    EXPECT_EQ(pScanPoints[2], n2 - 1);
    EXPECT_EQ(ppRadius[2][1], fSecond);

    // the menu command takes the visible radial range: 6.495..6.605 cm
    // holds the 11 grid points 6.50 .. 6.60 of each scan
    ASSERT_TRUE(pDataPlot);
    pDataPlot->fXMin = 6.495f;
    pDataPlot->fXMax = 6.605f;
    {
        headless::Script script;
        script.expectMessageBox("region to exclude", IDYES).expectMessageBox("save new data?", IDNO);
        window->EvCommand(581, nullptr, 0);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_EQ(pScanPoints[1], n1 - 11);
    EXPECT_EQ(pScanPoints[2], n2 - 1 - 11);
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= pScanPoints[i]; ++j)
            EXPECT_FALSE(ppRadius[i][j] > 6.495f && ppRadius[i][j] < 6.605f) << i << ": " << ppRadius[i][j];
}

TEST_F(RawEditTest, InterferenceSubsetsAreAlignedToWholeFringesInTheMiddleOfEachBand)
{
    // Two interference scans on 5.90..7.20 cm cut at 6.205 and 6.755 cm; the
    // later one lies 2, -1 and 3 fringes from the earlier in the inner,
    // middle and outer band. Each band is aligned at its middle (6.0025,
    // 6.48 and 6.9775 cm), so in every subset the two scans agree inside
    // their own band.
    const float fCut1 = 6.205f, fCut2 = 6.755f;
    auto offset = [=](float r) { return r < fCut1 ? 2.0f : r < fCut2 ? -1.0f : 3.0f; };
    std::vector<std::string> paths;
    for (int k = 1; k <= 2; ++k) {
        scantest::ScanRecipe recipe;
        recipe.title = "[T OK] six";
        recipe.letter = 'P';
        recipe.columns = 2;
        recipe.time = 1000.0 * k;
        recipe.r0 = 5.9f;
        recipe.dr = 0.01f;
        recipe.points = 131;
        recipe.signal = [k, offset](int, float r) { return 0.25f * r + (k == 2 ? offset(r) : 0.0f); };
        const std::string name = "0000" + std::to_string(k) + ".IP1";
        scantest::writeText(scratch + name, scantest::scanText(recipe));
        paths.push_back(scratch + name);
    }
    OpenWindow();
    LoadScans(paths);
    ASSERT_EQ(nScans, 2);
    ASSERT_TRUE(bInterferenceData);
    saveSixChannelSubsets(fCut1, fCut2);
    const std::pair<char, std::pair<float, float>> bands[] = {
        {'i', {5.8f, fCut1}}, {'m', {fCut1, fCut2}}, {'o', {fCut2, 7.2f}}};
    for (const auto& [cPrefix, range] : bands) {
        float *r[3] = {}, *s[3] = {};
        int n[3] = {};
        for (int k = 1; k <= 2; ++k) {
            const std::string path = scratch + cPrefix + "0000" + std::to_string(k) + ".IP1";
            ScanHeader h{};
            ASSERT_TRUE(readScanFile(path.c_str(), &h, &n[k], &r[k], &s[k], nullptr, nullptr, 0)) << path;
        }
        ASSERT_EQ(n[1], n[2]) << cPrefix;
        int nInside = 0;
        float fWorst = 0.0f;  // the largest difference inside the band
        for (int j = 1; j <= n[1]; ++j) {
            if (r[1][j] <= range.first || r[1][j] >= range.second) continue;
            ++nInside;
            fWorst = std::max(fWorst, std::fabs(s[2][j] - s[1][j]));
        }
        EXPECT_GT(nInside, 20) << cPrefix;
        EXPECT_LT(fWorst, 1e-4f) << cPrefix;
        for (int k = 1; k <= 2; ++k) {
            free_vector(r[k], 1, n[k]);
            free_vector(s[k], 1, n[k]);
        }
    }
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
