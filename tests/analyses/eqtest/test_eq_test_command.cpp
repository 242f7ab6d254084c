// The approach-to-equilibrium test (command 645) in the main window on the
// headless screen: the selection, the three plots, the saved files, the
// repeated test and its end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/analysis_globals.h"
#include "analyses/equilibrium/equilibrium_fixture.h"
#include "analyses/eqtest/eq_test_state.h"
#include "app/app_globals.h"
#include "models/model_globals.h"
#include "platform/headless.h"
#include "platform/win.h"
#include "plot/cwinplot.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/scan_data.h"

namespace {

// Population standard deviation of the radii 6.80, 6.81, ... (n of them).
double radiusSpread(int n) { return 0.01 * std::sqrt((n * n - 1) / 12.0); }

// The offsets a_k of the four scans of each speed; the latest has 0.01.
constexpr double kSlopes[4] = {0.04, 0.03, 0.02, 0.01};

std::vector<std::string> lines(const std::string& path)
{
    std::ifstream f(path);
    std::vector<std::string> v;
    for (std::string s; std::getline(f, s);) v.push_back(s);
    return v;
}

}  // namespace

class EqTestCommandTest : public DataMenuTest {
protected:
    void SetUp() override
    {
        DataMenuTest::SetUp();
        fMeniscus = pParamValue[13] = 6.7f;
        fBottom = pParamValue[14] = 7.3f;
        fFitLeftLim = 6.79f;
        fFitRightLim = 7.2f;
        bUseMolarMass = 1;
        folder = Folder("eqtest");
    }

    // Scan k (0..3) of speed v: the equilibrium profile of that speed plus
    // a_k (r - 7.0), on 41 radii 6.80..7.20; scans in time order, one hour
    // apart, speeds rising.
    std::string WriteScan(int nNumber, int nCell, double rpm, double slope, double hours)
    {
        std::string text = "approach to equilibrium\n";
        char line[200];
        const double time = 3600.0 * hours;
        std::snprintf(line, sizeof line, "R %d 20.0 %.0f %.0f %.6e 280 1\n", nCell, rpm, time,
                      std::pow(rpm * 2.0 * M_PI / 60.0, 2) * time);
        text += line;
        const double k = 1.2 * std::pow(rpm / 20000.0, 2);
        for (int i = 0; i <= 40; ++i) {
            const double r = 6.8 + 0.01 * i;
            const double c = 0.4 * std::exp(k * (r * r - 49.0)) + slope * (r - 7.0);
            std::snprintf(line, sizeof line, "%.4f %.9e %.6e\n", r, c, 0.01);
            text += line;
        }
        char name[32];
        std::snprintf(name, sizeof name, "%05d.RA%d", nNumber, nCell);
        const std::string path = folder + "/" + name;
        scantest::writeText(path, text);
        return path;
    }

    // Three speeds of cell 1, four scans each.
    std::vector<std::string> WriteRun()
    {
        std::vector<std::string> paths;
        const double speeds[3] = {10000, 15000, 20000};
        for (int v = 0; v < 3; ++v)
            for (int k = 0; k < 4; ++k)
                paths.push_back(WriteScan(4 * v + k + 1, 1, speeds[v], kSlopes[k], 4 * v + k + 1));
        return paths;
    }

    // Load Equilibrium Data (515); scans of several cells look like an
    // approach-to-equilibrium pattern to the loader, which says so.
    void Load(const std::vector<std::string>& paths, bool bSeveralCells = false)
    {
        win::headless::Script script;
        script.expectOpenFile("select files in set 1 to fit", paths);
        if (bSeveralCells)
            script.expectMessageBox("LOAD ERROR", win::IDOK);
        else
            expectSpeedStepsBoxes(script);
        Run(script, 515);
    }

    static void AcceptLimits(win::headless::Script& script, const char* szKrpm)
    {
        script.expectMessageBox(std::string("accept radial limits for comparison of ") + szKrpm + " kprm series?",
                                win::IDYES);
    }

    std::string folder;
};

TEST_F(EqTestCommandTest, ThreeSpeedsGiveThreeCurvesAndThreeFiles)
{
    const std::vector<std::string> paths = WriteRun();
    Load(paths);
    ASSERT_EQ(nScans, 12);
    ASSERT_EQ(pFitFirstIndex[1], 1);
    ASSERT_EQ(pFitLastIndex[1], 41);
    const std::string base = folder + "/base.txt";
    {
        win::headless::Script script;
        AcceptLimits(script, "10");
        AcceptLimits(script, "15");
        AcceptLimits(script, "20");
        script.expectMessageBox("save approach to equilibrium data?", win::IDYES)
            .expectSaveFile("select files", base)
            .expectMessageBox("realtime update?", win::IDNO);
        Run(script, 645);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_TRUE(bEqTestMode);
    EXPECT_TRUE(bEqTestPlotShown);
    ASSERT_EQ(nEqTestSeries, 3);

    // the data plot: one rmsd curve of three points per speed; each rmsd is
    // |a_k - a_latest| times the spread of the 41 radii
    ASSERT_EQ(pDataPlot->nCurves, 3);
    for (int s = 1; s <= 3; ++s) {
        const CCurve* c = pDataPlot->pCurves[s - 1];
        ASSERT_EQ(c->pY->nSize, 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(c->pY->pData[k], (kSlopes[k] - kSlopes[3]) * radiusSpread(41), 2e-6) << s << " " << k;
            EXPECT_FLOAT_EQ(c->pX->pData[k], static_cast<float>(k - 3));  // hours before the latest
        }
    }
    EXPECT_STREQ(pDataPlot->pCurveNames[0], "cell 1, 280 nm, 10 krpm (>= 00001.RA1)");
    EXPECT_EQ(pDataPlot->GetCurveStyle(2), 6);  // 20000 rpm is the latest speed
    EXPECT_EQ(pDataPlot->GetCurveStyle(0), -1);

    // the residuals plot and the inset: those of 20000 rpm
    ASSERT_EQ(pResidualsPlot->nCurves, 1);
    ASSERT_EQ(pEqTestPlot->nCurves, 1);
    EXPECT_EQ(pResidualsPlot->pCurves[0], ppEqTestDiffCurve[3]);
    EXPECT_EQ(pEqTestPlot->pCurves[0], ppEqTestRelCurve[3]);
    EXPECT_NEAR(pEqTestLastRmsd[3], 0.01 * radiusSpread(41), 2e-6);
    // the difference of the last two scans: 0.01 (r - 7.0) without its mean
    const CCurve* d = pResidualsPlot->pCurves[0];
    ASSERT_EQ(d->pX->nSize, 41u);
    EXPECT_NEAR(d->pY->pData[0], 0.01 * (6.8 - 7.0), 1e-6);
    EXPECT_NEAR(d->pY->pData[40], 0.01 * (7.2 - 7.0), 1e-6);
    EXPECT_NE(std::string(pResidualsPlot->pCurveNames[0]).find("rmsd=0.0012"), std::string::npos);
    // the latest scan's shape around its mean radius: a span of 1, centred
    // on 0 (its values sum to nothing)
    const CCurve* rel = pEqTestPlot->pCurves[0];
    EXPECT_NEAR(rel->pX->pData[0], -0.2, 1e-5);
    EXPECT_NEAR(rel->pY->Max() - rel->pY->Min(), 1.0, 1e-5);
    ASSERT_EQ(rel->pY->nSize, 41u);
    double dShapeSum = 0;
    for (int i = 0; i < 41; ++i) dShapeSum += rel->pY->pData[i];
    EXPECT_NEAR(dShapeSum / 41, 0.0, 1e-6);

    // one file per series: recorded time and time before the latest in hours, rmsd
    for (int s = 1; s <= 3; ++s) {
        const std::vector<std::string> v = lines(folder + "/base_" + std::to_string(s) + ".txt");
        ASSERT_EQ(v.size(), 3u) << s;
        double t = 0, dt = 0, rmsd = 0;
        ASSERT_EQ(std::sscanf(v[0].c_str(), "%lf %lf %lf", &t, &dt, &rmsd), 3);
        EXPECT_DOUBLE_EQ(t, 4.0 * (s - 1) + 1.0);
        EXPECT_DOUBLE_EQ(dt, -3.0);
        EXPECT_NEAR(rmsd, 0.03 * radiusSpread(41), 1e-6);
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "/base_4.txt"));
    // painting the test's plots
    win::headless::processMessages();
}

TEST_F(EqTestCommandTest, RepeatedCancelledEscapedAndEndedByALoad)
{
    const std::vector<std::string> paths = WriteRun();
    Load(paths);
    {
        win::headless::Script script;
        AcceptLimits(script, "10");
        AcceptLimits(script, "15");
        AcceptLimits(script, "20");
        script.expectMessageBox("save approach to equilibrium data?", win::IDNO)
            .expectMessageBox("realtime update?", win::IDNO);
        Run(script, 645);
    }
    // the same series again: no selection questions; Cancel writes nothing
    {
        win::headless::Script script;
        script.expectMessageBox("save approach to equilibrium data?", win::IDYES)
            .expectFileCancel("select files")
            .expectMessageBox("realtime update?", win::IDNO);
        Run(script, 645);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_EQ(pDataPlot->nCurves, 3);
    for (const auto& e : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find("approach_to_eq_test"), std::string::npos);

    // Escape brings the scans back
    {
        win::headless::Script script;
        script.typeChar('\x1b');
        win::headless::processMessages();
    }
    EXPECT_FALSE(bEqTestMode);
    EXPECT_FALSE(bEqTestPlotShown);
    EXPECT_EQ(pEqTestPlot, nullptr);
    ASSERT_NE(pDataPlot, nullptr);
    EXPECT_EQ(pDataPlot->nCurves, 12);

    // after the end the selection is asked again; a load ends the test
    {
        win::headless::Script script;
        AcceptLimits(script, "10");
        AcceptLimits(script, "15");
        AcceptLimits(script, "20");
        script.expectMessageBox("save approach to equilibrium data?", win::IDNO)
            .expectMessageBox("realtime update?", win::IDNO);
        Run(script, 645);
        EXPECT_EQ(script.pending(), 0u);
    }
    ASSERT_TRUE(bEqTestPlotShown);
    Load(paths);
    EXPECT_FALSE(bEqTestMode);
    EXPECT_FALSE(bEqTestPlotShown);
    EXPECT_EQ(pDataPlot->nCurves, 12);
    EXPECT_STREQ(pDataPlot->szXLabel, "radius (cm)");
    win::headless::processMessages();
}

TEST_F(EqTestCommandTest, SelectionOfSeriesAndRadii)
{
    std::vector<std::string> paths = WriteRun();
    // two scans of cell 2 at 20000 rpm: not a single cell any more
    paths.push_back(WriteScan(13, 2, 20000, 0.02, 13));
    paths.push_back(WriteScan(14, 2, 20000, 0.01, 14));
    Load(paths, true);
    const std::string base = folder + "/sel.txt";
    // while a series' boxes are up, the side plot shows its compared points
    // again in red: at each radial-limits box, the lines of that overlay
    std::vector<int> redLines;
    win::headless::setTranscriptObserver([&](const std::string& l) {
        if (l.find("accept radial limits") == std::string::npos) return;
        win::HDC dc = win::CreateMetaFile(nullptr);
        paintEqTestSelection(dc);
        win::HMETAFILE h = win::CloseMetaFile(dc);
        int n = 0;
        bool bRed = false;
        for (const std::string& rec : win::metaFileListing(h)) {
            bRed = rec.rfind("SelectPen(", 0) == 0 ? rec.find("0x0000ff") != std::string::npos : bRed;
            n += bRed && rec.rfind("LineTo(", 0) == 0;
        }
        redLines.push_back(n);
        win::DeleteMetaFile(h);
    });
    {
        win::headless::Script script;
        script.expectMessageBox("cell 1, 280 nm, 10 krpm\nInclude this (cell/wl) series in time-course plot?",
                                win::IDYES)
            .expectMessageBox("accept radial limits for comparison of 10 kprm series?", win::IDNO)
            .expectInput("r-min:", "9")    // above every radius: the first point stays
            .expectInput("r-max:", "7.1")  // the last point below 7.1 cm
            .expectMessageBox("accept radial limits for comparison of 10 kprm series?", win::IDYES);
        // cell 1 at 280 nm is confirmed: no include question; new limits
        // are shown again with the points inside them and kept when
        // accepted: from the first radius above r-min (6.91 cm)
        script.expectMessageBox("accept radial limits for comparison of 15 kprm series?", win::IDNO)
            .expectInput("r-min:", "6.905")
            .expectInput("r-max:", "9")  // above every radius: the last point stays
            .expectMessageBox("accept radial limits for comparison of 15 kprm series?", win::IDYES);
        // r-max between the first two radii: the first alone is compared
        script.expectMessageBox("accept radial limits for comparison of 20 kprm series?", win::IDNO)
            .expectInput("r-min:", "6.7")
            .expectInput("r-max:", "6.805")
            .expectMessageBox("accept radial limits for comparison of 20 kprm series?", win::IDYES);
        script.expectMessageBox("cell 2, 280 nm, 20 krpm\nInclude this (cell/wl) series in time-course plot?",
                                win::IDNO)
            .expectMessageBox("save approach to equilibrium data?", win::IDYES)
            .expectSaveFile("select files", base)
            .expectMessageBox("realtime update?", win::IDNO);
        Run(script, 645);
        EXPECT_EQ(script.pending(), 0u);
    }
    win::headless::setTranscriptObserver(nullptr);
    // series 1 over its 41 points, then over the 30 below r-max (40 and 29
    // segments, drawn alike); series 2 over 41, then over the 30 from
    // 6.91 cm; series 3 over 41 at its first box (at its second an overlay
    // from its one point to itself runs on to the end, docs/plots.md)
    ASSERT_EQ(redLines.size(), 6u);
    EXPECT_GT(redLines[0], 0);
    EXPECT_EQ(redLines[1] * 40, redLines[0] * 29);
    EXPECT_EQ(redLines[2], redLines[0]);
    EXPECT_EQ(redLines[3], redLines[1]);
    EXPECT_EQ(redLines[4], redLines[0]);
    ASSERT_EQ(nEqTestSeries, 4);
    EXPECT_EQ(pEqTestFirstPoint[1], 1);
    EXPECT_EQ(pEqTestLastPoint[1], 30);
    EXPECT_EQ(pEqTestFirstPoint[2], 12);
    EXPECT_EQ(pEqTestLastPoint[2], 41);
    // series 3 compares the one radius below r-max, 6.80 cm, in the test
    // too; the offset-free difference of a single radius is 0
    EXPECT_EQ(pEqTestFirstPoint[3], 1);
    EXPECT_EQ(pEqTestLastPoint[3], 1);
    EXPECT_EQ(nEqTestRangeLength[3], 1);
    EXPECT_EQ(pEqTestInclude[4], 0);
    ASSERT_EQ(pDataPlot->nCurves, 3);
    // absorbance data: the three speeds of cell 1 are told apart by colour
    EXPECT_NE(pDataPlot->GetCurveColor(0), pDataPlot->GetCurveColor(1));
    EXPECT_NE(pDataPlot->GetCurveColor(1), pDataPlot->GetCurveColor(2));
    EXPECT_NE(pDataPlot->GetCurveColor(0), pDataPlot->GetCurveColor(2));
    EXPECT_NEAR(pDataPlot->pCurves[0]->pY->pData[0], 0.03 * radiusSpread(30), 2e-6);
    EXPECT_NEAR(pDataPlot->pCurves[1]->pY->pData[0], 0.03 * radiusSpread(30), 2e-6);
    EXPECT_EQ(pDataPlot->pCurves[2]->pY->pData[0], 0.0f);
    EXPECT_EQ(pResidualsPlot->nCurves, 1);
    EXPECT_EQ(pAuxPlot, nullptr);  // the side plot of the selection is gone
    // files of the three included series only; the first compares 30 radii
    const std::vector<std::string> v = lines(folder + "/sel_1.txt");
    ASSERT_EQ(v.size(), 3u);
    double t = 0, dt = 0, rmsd = 0;
    ASSERT_EQ(std::sscanf(v[0].c_str(), "%lf %lf %lf", &t, &dt, &rmsd), 3);
    EXPECT_NEAR(rmsd, 0.03 * radiusSpread(30), 1e-6);
    const std::vector<std::string> v2 = lines(folder + "/sel_2.txt");
    ASSERT_EQ(v2.size(), 3u);
    ASSERT_EQ(std::sscanf(v2[0].c_str(), "%lf %lf %lf", &t, &dt, &rmsd), 3);
    EXPECT_NEAR(rmsd, 0.03 * radiusSpread(30), 1e-6);
    const std::vector<std::string> v3 = lines(folder + "/sel_3.txt");
    ASSERT_EQ(v3.size(), 3u);
    ASSERT_EQ(std::sscanf(v3[0].c_str(), "%lf %lf %lf", &t, &dt, &rmsd), 3);
    EXPECT_EQ(rmsd, 0.0);
    EXPECT_FALSE(std::filesystem::exists(folder + "/sel_4.txt"));  // cell 2 was left out
}

TEST_F(EqTestCommandTest, ASeriesOfOneScanShowsNoCurveAndWritesNoFile)
{
    std::vector<std::string> paths = {WriteScan(1, 1, 15000, 0.02, 1), WriteScan(2, 1, 15000, 0.01, 2),
                                      WriteScan(3, 1, 20000, 0.0, 3)};
    Load(paths);
    const std::string base = folder + "/one.txt";
    win::headless::Script script;
    AcceptLimits(script, "15");
    AcceptLimits(script, "20");
    script.expectMessageBox("save approach to equilibrium data?", win::IDYES)
        .expectSaveFile("select files", base)
        .expectMessageBox("realtime update?", win::IDNO);
    Run(script, 645);
    EXPECT_EQ(pDataPlot->nCurves, 1);
    // the pair at 15000 rpm is the one curve shown, so the last of them: the
    // end of the rainbow, dark red (128, 0, 0)
    EXPECT_EQ(pDataPlot->GetCurveColor(0), win::RGB(128, 0, 0));
    EXPECT_EQ(pResidualsPlot->nCurves, 0);  // 20000 rpm has no pair of scans
    EXPECT_EQ(lines(folder + "/one_1.txt").size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder + "/one_2.txt"));
}

TEST_F(EqTestCommandTest, NoDataNoTest)
{
    win::headless::Script script;
    script.expectMessageBox("please load data first", win::IDOK);
    Run(script, 645);
    EXPECT_FALSE(bEqTestMode);
}

// The realtime update and Run repeat the test on the scans as they stand: a
// new latest scan gives new rmsd values, and the rmsd plot stays in the view
// the user zoomed it to (one drag, zoom level 1) until a right click goes
// back to the whole of it.
TEST_F(EqTestCommandTest, RunAndTheRealtimeUpdateRepeatTheTest)
{
    Load(WriteRun());
    {
        win::headless::Script script;
        AcceptLimits(script, "10");
        AcceptLimits(script, "15");
        AcceptLimits(script, "20");
        script.expectMessageBox("save approach to equilibrium data?", win::IDNO)
            .expectMessageBox("realtime update?", win::IDYES)
            .expectMessageBox("keep going automatically", win::IDYES)
            .expectMessageBox("load data from all cells?", win::IDNO)
            .expectMessageBox("save approach to equilibrium data?", win::IDNO);
        Run(script, 645);
        EXPECT_EQ(script.pending(), 0u);
    }
    ASSERT_TRUE(bRealtimeUpdate);
    ASSERT_EQ(pDataPlot->nCurves, 3);
    EXPECT_EQ(pDataPlot->pCurves[2]->pY->nSize, 3u);

    // a fifth scan at 20000 rpm arrives: the next tick reloads and repeats
    // the test, without selection questions
    WriteScan(13, 1, 20000, 0.005, 13);
    {
        win::headless::Script script;
        expectSpeedStepsBoxes(script);  // the reload's
        script.expectMessageBox("save approach to equilibrium data?", win::IDNO);
        script.advanceTime(60000);
        win::headless::processMessages();
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_EQ(nScans, 13);
    ASSERT_EQ(pDataPlot->nCurves, 3);
    ASSERT_EQ(pDataPlot->pCurves[2]->pY->nSize, 4u);
    // against the new latest scan
    EXPECT_NEAR(pDataPlot->pCurves[2]->pY->pData[3], 0.005 * radiusSpread(41), 2e-6);

    // a drag over the rmsd plot from 2.5 to 1.5 hours before the latest scan
    // zooms it (one zoom level); the whole plot runs from -4.15 to -0.85 h
    const float fWholeMin = pDataPlot->fXMin, fWholeMax = pDataPlot->fXMax;
    {
        const int x1 = static_cast<int>(pDataPlot->MapX(-2.5f) * 1400.0 / 1399 + 0.5);
        const int x2 = static_cast<int>(pDataPlot->MapX(-1.5f) * 1400.0 / 1399 + 0.5);
        win::headless::Script script;
        script.mouse(win::WM_LBUTTONDOWN, x1, 300, win::MK_LBUTTON)
            .mouse(win::WM_MOUSEMOVE, x2, 300, win::MK_LBUTTON)
            .mouse(win::WM_LBUTTONUP, x2, 300);
        win::headless::processMessages();
    }
    ASSERT_EQ(nZoomLevel, 1);
    EXPECT_NEAR(pDataPlot->fXMin, -2.5f, 0.01f);
    EXPECT_NEAR(pDataPlot->fXMax, -1.5f, 0.01f);
    const float fZoomMin = pDataPlot->fXMin, fZoomMax = pDataPlot->fXMax;

    // Run repeats it too, in the view the user zoomed to
    {
        win::headless::Script script;
        script.expectMessageBox("save approach to equilibrium data?", win::IDNO);
        Run(script, 213);
        EXPECT_EQ(script.pending(), 0u);
    }
    EXPECT_TRUE(bEqTestPlotShown);
    EXPECT_EQ(nZoomLevel, 1);
    EXPECT_EQ(pDataPlot->fXMin, fZoomMin);
    EXPECT_EQ(pDataPlot->fXMax, fZoomMax);
    // and a right click goes back to the whole plot
    {
        win::headless::Script script;
        script.mouse(win::WM_RBUTTONDOWN, 500, 300, win::MK_RBUTTON).mouse(win::WM_RBUTTONUP, 500, 300);
        win::headless::processMessages();
    }
    EXPECT_EQ(nZoomLevel, 0);
    EXPECT_FLOAT_EQ(pDataPlot->fXMin, fWholeMin);
    EXPECT_FLOAT_EQ(pDataPlot->fXMax, fWholeMax);
    win::headless::Script script;
    Run(script, 541);
}
