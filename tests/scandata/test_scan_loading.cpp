// Loading, appending and releasing the scan data set.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/xla_window.h"
#include "fitting/fit_globals.h"
#include "models/model_globals.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/noise_grid.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data.h"
#include "scandata/scan_list.h"
#include "scandata/scan_loading.h"
#include "scandata/scan_set_fixture.h"
#include "scandata/scan_test_files.h"

using scantest::ScanRecipe;
using scantest::TempFolder;

namespace {

class ScanLoadingTest : public scantest::LoadingTest {
protected:

    // Files f01.RA1 ... with 1000 points from 6.0 cm; the time of file k is
    // given, its signal is k everywhere and its temperature 20 + k / 10.
    std::vector<std::string> makeFiles(const std::vector<double>& times, const std::string& ext = ".RA1") {
        std::vector<std::string> names;
        for (size_t k = 1; k <= times.size(); ++k) {
            ScanRecipe recipe;
            recipe.points = 1000;
            recipe.time = times[k - 1];
            recipe.temperature = 20.0f + 0.1f * k;
            recipe.signal = [k](int, float) { return static_cast<float>(k); };
            char name[32];
            std::snprintf(name, sizeof(name), "f%02zu%s", k, ext.c_str());
            scantest::writeScan(dir, name, recipe);
            names.push_back(name);
        }
        return names;
    }

    void load(const std::vector<std::string>& names) {
        std::vector<char> sel = scantest::selection(dir.Dir(), names);
        LoadAllData(&window, sel.data());
    }

    TempFolder dir;
};

}  // namespace

TEST_F(ScanLoadingTest, EveryNthFileInTimeOrderWithDefaults) {
    std::vector<std::string> names = makeFiles({1000, 900, 800, 700, 900, 500, 400, 300, 200, 700});
    nLoadEveryNth = 3;
    load(names);
    ASSERT_EQ(nScans, 4);  // names 1, 4, 7, 10
    EXPECT_STREQ(ppScanFileName[1], "f01.RA1");
    EXPECT_STREQ(ppScanFileName[2], "f04.RA1");
    EXPECT_STREQ(ppScanFileName[3], "f07.RA1");
    EXPECT_STREQ(ppScanFileName[4], "f10.RA1");
    // Times 1000, 700, 400, 700: the two scans at 700 s keep their load order.
    EXPECT_EQ(pScanTimeOrder[1], 3);
    EXPECT_EQ(pScanTimeOrder[2], 2);
    EXPECT_EQ(pScanTimeOrder[3], 4);
    EXPECT_EQ(pScanTimeOrder[4], 1);

    EXPECT_EQ(ppSignal[2][500], 4.0f);
    // Meniscus and bottom from scan 1, the limits inside them.
    EXPECT_FLOAT_EQ(fMeniscus, 6.0f);
    EXPECT_FLOAT_EQ(pParamValue[13], 6.0f);
    EXPECT_FLOAT_EQ(fBottom, 6.999f);
    EXPECT_FLOAT_EQ(fFitLeftLim, 6.01f);  // meniscus + 0.005, raised to meniscus + 0.01
    EXPECT_FLOAT_EQ(fFitRightLim, 6.999f - 0.15f);
    // Temperature of the last scan (file 10).
    EXPECT_FLOAT_EQ(fTemperatureK, 21.0f + 273.15f);
    EXPECT_EQ(std::string(szScanExtra), dir.Dir() + "/~tmppars.RA1");
    EXPECT_EQ(std::string(szDistCurvePath), dir.Dir() + "/sdist.RA1");

    // Two names with step 2 are one scan, still read from the directory.
    nLoadEveryNth = 2;
    load({names[1], names[2]});
    ASSERT_EQ(nScans, 1);
    EXPECT_STREQ(ppScanFileName[1], "f02.RA1");

    // A second load keeps a meniscus, bottom and limits that are set.
    fMeniscus = 5.98f;
    fFitLeftLim = 6.2f;
    nLoadEveryNth = 1;
    // Old file names: the parameter and notes files take the first scan's
    // name with their own extensions.
    bOldFilenameConvention = 1;
    load({names[1], names[2]});
    bOldFilenameConvention = 0;
    EXPECT_EQ(nScans, 2);
    EXPECT_FLOAT_EQ(fMeniscus, 5.98f);
    EXPECT_FLOAT_EQ(fFitLeftLim, 6.2f);
    EXPECT_EQ(std::string(szScanExtra), dir.Dir() + "/f02.~p");
    EXPECT_EQ(std::string(szNotesPath), dir.Dir() + "/f02.not");
}

TEST_F(ScanLoadingTest, DataTypesMixedAndIntensity) {
    // Interference with absorbance is refused ...
    ScanRecipe ip;
    ip.letter = 'P';
    ip.columns = 2;
    scantest::writeScan(dir, "a.IP1", ip);
    scantest::writeScan(dir, "b.RA1", ScanRecipe());
    win::headless::Script script;
    script.expectMessageBox("mixed data types", win::IDOK);
    load({"a.IP1", "b.RA1"});
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(bMixedDataTypes, 1);
    EXPECT_EQ(script.pending(), 0u);
    // ... whichever comes first
    script.expectMessageBox("mixed data types", win::IDOK);
    load({"b.RA1", "a.IP1"});
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(script.pending(), 0u);

    // ... absorbance with intensity is not. For intensity data the signal is
    // the file's third column and the third column holds its second.
    ScanRecipe ri;
    ri.letter = 'I';
    ri.signal = [](int i, float) { return 100.0f + i; };
    scantest::writeScan(dir, "c.RI1", ri);
    scantest::writeScan(dir, "d.RI1", ri);
    load({"c.RI1", "d.RI1"});
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(bMixedDataTypes, 0);
    EXPECT_FLOAT_EQ(ppSignal[1][3], 0.01f);
    EXPECT_FLOAT_EQ(ppThirdColumn[1][3], 103.0f);

    load({"b.RA1", "c.RI1"});
    EXPECT_EQ(nScans, 2);

    // Interference data: both noises fitted, 3.3 signal per mg/ml, a shared grid.
    scantest::writeScan(dir, "e.IP1", ip);
    bFitTINoise = bFitRINoise = 0;
    load({"a.IP1", "e.IP1"});
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(bFitRINoise, 1);
    EXPECT_EQ(dSignalPerMgMl, 3.3);
    EXPECT_EQ(pNoiseGrid, ppRadius[pScanTimeOrder[1]]);
    // The same files read through a list, after an absorbance set: 3.3 again.
    load({"b.RA1"});
    ASSERT_EQ(dSignalPerMgMl, 1.0);
    scantest::writeText(dir.Path("ip.lst"), "newformat n=1\n" + dir.Dir() + "\na.IP1\ne.IP1\n");
    ASSERT_EQ(readScanListFile(&window, dir.Path("ip.lst").c_str()), 1);
    window.LoadScanFileList();
    ASSERT_EQ(nScans, 2);
    EXPECT_EQ(bInterferenceData, 1);
    EXPECT_EQ(dSignalPerMgMl, 3.3);

    // Until a fit the residuals are the signal: two fringes up from point 41,
    // judged from the residuals, come off there and the scan is flat again.
    ScanRecipe jump = ip;
    jump.signal = [](int i, float) { return i < 41 ? 3.0f : 5.0f; };
    scantest::writeScan(dir, "j.IP1", jump);
    load({"j.IP1"});
    ASSERT_EQ(nScans, 1);
    findFringeJumps(0.5f, 1);
    for (int k = 1; k <= 100; ++k) EXPECT_EQ(ppSignal[1][k], 3.0f) << k;
}

TEST_F(ScanLoadingTest, AFailedFileLeavesNoHalfLoadedSet) {
    std::vector<std::string> names = makeFiles({100, 200, 300, 400, 500, 600, 700, 800, 900, 1000});
    load({names[0], names[1]});
    ASSERT_EQ(nScans, 2);
    scantest::writeText(dir.Path("f05.RA1"), "broken file without a header line");

    win::headless::Script script;
    script.expectMessageBox(dir.Dir() + "/f05.RA1", win::IDOK);
    load(names);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(ppRadius, nullptr);
    EXPECT_NE(script.lines().back().find("\"LOAD ERROR\""), std::string::npos);

    // Adding a set that holds a failing file empties the whole set, after
    // every file was tried.
    load({names[0], names[1]});
    ASSERT_EQ(nScans, 2);
    script.expectMessageBox("f05.RA1", win::IDOK);
    std::vector<char> sel = scantest::selection(dir.Dir(), {names[2], names[4], names[5]});
    window.AddMoreFiles(sel.data());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(ppScanFileName, nullptr);
}

TEST_F(ScanLoadingTest, ScansThatCannotBeAnalysedAreRefusedByName) {
    std::vector<std::string> names = makeFiles({100, 200, 300});
    // one point; radii that run backwards; files that are no scans: empty,
    // bytes that are no text, a header without data
    scantest::writeText(dir.Path("one.RA1"), "single\nR 1 20.0 50000 250 0 280 1\n6.0 0.5 0\n");
    scantest::writeText(dir.Path("back.RA1"),
                        "reversed\nR 1 20.0 50000 250 0 280 1\n6.2 0.5 0\n6.1 0.5 0\n6.0 0.5 0\n");
    scantest::writeText(dir.Path("empty.RA1"), "");
    scantest::writeText(dir.Path("bytes.RA1"), std::string("\x89\x13\xfe\n\x07\xc3\x00\x9a\n\x01\x02", 11));
    scantest::writeText(dir.Path("header.RA1"), "title\nR 1 20.0 50000 250 0 280 1\n");
    const std::map<std::string, std::string> reasons = {
        {"one.RA1", "holds fewer than two points"},
        {"back.RA1", "radii do not increase: point 2 at 6.1000 cm follows 6.2000 cm"},
        {"empty.RA1", "is empty: no scan"},
        {"bytes.RA1", "has no scan header in line 2: it must begin with a data letter (R, W, I, V, P or F)"},
        {"header.RA1", "holds no data lines after its header"}};
    for (const auto& [szBad, reason] : reasons) {
        win::headless::Script script;
        script.expectMessageBox(dir.Path(szBad) + "\n" + reason, win::IDOK);
        load({names[0], szBad, names[1]});
        EXPECT_EQ(script.pending(), 0u) << szBad;
        EXPECT_EQ(nScans, 0) << szBad;
        // the same when added to a loaded set: nothing stays
        load({names[0], names[1]});
        ASSERT_EQ(nScans, 2);
        script.expectMessageBox(dir.Path(szBad) + "\n" + reason, win::IDOK);
        std::vector<char> sel = scantest::selection(dir.Dir(), {szBad});
        window.AddMoreFiles(sel.data());
        EXPECT_EQ(script.pending(), 0u) << szBad;
        EXPECT_EQ(nScans, 0) << szBad;
    }
    // so the fit limits of the good scans stay where the data lie
    fFitLeftLim = fFitRightLim = fMeniscus = fBottom = 0.0f;
    load(names);
    ASSERT_EQ(nScans, 3);
    EXPECT_GT(fFitRightLim - fFitLeftLim, 0.5f);
}

TEST_F(ScanLoadingTest, PointsLeftOutAreSaidOncePerLoad) {
    std::vector<std::string> names = makeFiles({100, 200, 300, 400});
    // two bad points in f02, one in f04
    for (const auto& [szName, nBad] : {std::pair<const char*, int>{"f02.RA1", 2}, {"f04.RA1", 1}}) {
        std::string text = scantest::readText(dir.Path(szName));
        for (int k = 0; k < nBad; ++k) text += "7.5 nan 0\n";
        scantest::writeText(dir.Path(szName), text);
    }
    win::headless::Script script;
    script.expectMessageBox("points whose numbers are not finite were left out:\n2 in f02.RA1\n1 in f04.RA1",
                            win::IDOK);
    load(names);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nScans, 4);
    EXPECT_EQ(pScanPoints[2], 1000);
    // appending says it for the files added
    load({names[0], names[2]});
    script.expectMessageBox("points whose numbers are not finite were left out:\n1 in f04.RA1", win::IDOK);
    std::vector<char> sel = scantest::selection(dir.Dir(), {names[3]});
    window.AddMoreFiles(sel.data());
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(nScans, 3);
}

TEST_F(ScanLoadingTest, OneFileTooManyAndAppending) {
    std::vector<std::string> names = makeFiles({500, 100, 300, 200});
    load({names[0], names[1]});
    ASSERT_EQ(nScans, 2);

    // One file: No keeps the loaded set, Yes loads it in equilibrium mode.
    win::headless::Script script;
    script.expectMessageBox("only one file selected", win::IDOK)
        .expectMessageBox("switch to Equilibrium Data Mode?", win::IDNO);
    std::string one = dir.Path(names[2]);
    std::vector<char> sel(one.begin(), one.end());
    sel.insert(sel.end(), {'\0', '\0', '\0'});
    LoadAllData(&window, sel.data());
    EXPECT_EQ(nScans, 2);
    EXPECT_EQ(bEquilibriumDataMode, 0);
    script.expectMessageBox("only one file selected", win::IDOK)
        .expectMessageBox("LOAD ERROR", win::IDYES);
    LoadAllData(&window, sel.data());
    ASSERT_EQ(nScans, 1);
    EXPECT_STREQ(ppScanFileName[1], "f03.RA1");
    EXPECT_EQ(bEquilibriumDataMode, 1);
    buildScanFileList(0);  // the list of that set names the file itself
    ASSERT_EQ(nPendingFiles, 1);
    EXPECT_EQ(std::string(ppPendingFileName[1]), one);
    bEquilibriumDataMode = 0;

    // More than 1000 names are refused and leave no set.
    std::vector<std::string> many;
    for (int k = 0; k < 1001; ++k) many.push_back("x" + std::to_string(k) + ".RA1");
    script.expectMessageBox("too many scans selected", win::IDOK);
    load(many);
    EXPECT_EQ(nScans, 0);
    EXPECT_EQ(script.pending(), 0u);

    // Appending merges the time order and keeps meniscus and limits; it
    // never grows the set beyond 1000 scans.
    load({names[0], names[1]});
    script.expectMessageBox("too many scans selected", win::IDOK);
    std::vector<char> tooMany = scantest::selection(dir.Dir(), std::vector<std::string>(many.begin() + 2, many.end()));
    window.AddMoreFiles(tooMany.data());
    EXPECT_EQ(nScans, 2);
    float fLeft = fFitLeftLim;
    fMeniscus = 5.99f;
    std::vector<char> more = scantest::selection(dir.Dir(), {names[2], names[3]});
    window.AddMoreFiles(more.data());
    ASSERT_EQ(nScans, 4);
    EXPECT_EQ(pScanTimeOrder[1], 2);
    EXPECT_EQ(pScanTimeOrder[2], 4);
    EXPECT_EQ(pScanTimeOrder[3], 3);
    EXPECT_EQ(pScanTimeOrder[4], 1);
    EXPECT_FLOAT_EQ(fMeniscus, 5.99f);
    EXPECT_FLOAT_EQ(fFitLeftLim, fLeft);

    // A time-stamp marker that differs from scan 1's is reported once.
    bCheckTimeStamps = 1;
    ScanRecipe marked;
    marked.title = "[T OK] checked";
    marked.points = 1000;
    scantest::writeScan(dir, "m1.RA1", marked);
    scantest::writeScan(dir, "m2.RA1", marked);
    script.expectMessageBox("time stamp correction discrepancy with previous data!", win::IDOK);
    std::vector<char> sel2 = scantest::selection(dir.Dir(), {"m1.RA1", "m2.RA1"});
    window.AddMoreFiles(sel2.data());
    EXPECT_EQ(nScans, 6);
    EXPECT_EQ(script.pending(), 0u);
}

TEST_F(ScanLoadingTest, InitialData) {
    win::headless::Script script;
    script.expectMessageBox("please load data files first", win::IDOK);
    EXPECT_EQ(setInitialData(&window, dir.Path("none.RA1").c_str()), 0);

    std::vector<std::string> names = makeFiles({300, 100});
    // The earliest scan slopes, so each point of its fit shows which point of
    // the data it took.
    ScanRecipe earliest;
    earliest.points = 1000;
    earliest.time = 100.0;
    earliest.signal = [](int i, float) { return 2.0f + 0.001f * i; };
    scantest::writeScan(dir, names[1], earliest);
    load(names);
    ScanRecipe init;
    init.time = 100.0;
    init.signal = [](int, float) { return 0.75f; };
    scantest::writeScan(dir, "init.RA1", init);
    ASSERT_EQ(setInitialData(&window, dir.Path("init.RA1").c_str()), 1);
    EXPECT_EQ(nExtrapolationPoints, 100);
    EXPECT_EQ(bUseInitialData, 1);  // the time of the earliest scan
    // whose fit became its own signal, point by point
    ASSERT_EQ(pScanPoints[2], 1000);
    int nOther = 0;
    for (int j = 1; j <= 1000; ++j)
        if (std::fabs(ppFit[2][j] - (2.0f + 0.001f * j)) > 1e-5f) ++nOther;
    EXPECT_EQ(nOther, 0) << "first point's fit " << ppFit[2][1] << ", last " << ppFit[2][1000];
    EXPECT_EQ(ppFit[1][10], 0.0f);

    script.expectMessageBox("LOAD ERROR", win::IDOK);
    EXPECT_EQ(setInitialData(&window, dir.Path("none.RA1").c_str()), 0);
    EXPECT_EQ(nExtrapolationPoints, 0);
    EXPECT_EQ(pExtrapolation1, nullptr);

    // Releasing the set takes its plots along.
    if (!pDataPlot) pDataPlot = new CWINPlot;
    freeScanData();
    EXPECT_EQ(pDataPlot, nullptr);
    EXPECT_EQ(nScans, 0);
}

TEST_F(ScanLoadingTest, ApproachToEquilibriumWithoutProfileFile) {
    // A profile of an earlier set is in force.
    pRotorSpeedProfile = new CRotorSpeedProfile;
    float start[3] = {0, 0, 5000}, rpm[3] = {0, 20000, 30000}, rate[3] = {0, 300, 300};
    pRotorSpeedProfile->SetSteps(2, start, rpm, rate);
    bUsingSpeedSteps = 1;

    // 20000 rpm, 30000 rpm, then back to 20000 rpm after ten hours: an
    // approach to equilibrium, with no profile beside the scans.
    const double times[3] = {1000, 20000, 40000};
    const float speeds[3] = {20000, 30000, 20000};
    std::vector<std::string> names;
    for (int k = 0; k < 3; ++k) {
        ScanRecipe recipe;
        recipe.time = times[k];
        recipe.rpm = speeds[k];
        names.push_back("e" + std::to_string(k) + ".RA1");
        scantest::writeScan(dir, names.back(), recipe);
    }
    win::headless::Script script;
    script.expectMessageBox("detecting approach to equilibrium data without speedsteps file", win::IDOK);
    load(names);
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(nScans, 3);
    EXPECT_EQ(bApproachToEqPattern, 1);
    EXPECT_EQ(pRotorSpeedProfile, nullptr);
    EXPECT_EQ(bUsingSpeedSteps, 0);
}
