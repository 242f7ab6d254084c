// The scratch-tracking tool on scans that share a narrow Gaussian feature of
// the time-invariant noise, each scan's copy moved by a known distance and
// lying on a baseline of its own offset and slope.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_globals.h"
#include "numerics/random.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "plot/key_polling.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/noise_grid.h"
#include "scandata/scan_data.h"
#include "scandata/scratch_tracking_tool.h"

using namespace win;

namespace {

// Scan k (1-based) has its feature at 6.5 cm + kShift[k - 1]; the scans are
// recorded in the order 2, 3, 1, 4, 5.
const double kShift[] = {0.0, 0.002, -0.002, 0.002, -0.002};
const double kTime[] = {3000, 1000, 2000, 4000, 5000};

// The signal scan k was written with.
double scanSignal(int k, double x)
{
    const double u = (x - 6.5 - kShift[k - 1]) / 0.002;
    return 0.4 + 0.05 * k + 0.1 * k * (x - 6.5) + 0.05 * std::exp(-0.5 * u * u);
}

// Whether the client area shows the line of text at (x, y): every pixel of
// ink of the text drawn alone on white, with the same default font, is there
// (the plot may show through below the glyphs).
bool ShowsText(HWND hWnd, int x, int y, const std::string& text)
{
    HDC dc = GetDC(hWnd);
    SIZE size{0, 0};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(mem, size.cx, size.cy);
    HGDIOBJ old = SelectObject(mem, bmp);
    const RECT all{0, 0, size.cx, size.cy};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    TextOut(mem, 0, 0, text.c_str(), static_cast<int>(text.size()));
    bool bSame = size.cx > 0 && size.cy > 0;
    for (int v = 0; bSame && v < size.cy; ++v)
        for (int u = 0; bSame && u < size.cx; ++u) {
            const COLORREF ink = GetPixel(mem, u, v);
            bSame = ink == RGB(255, 255, 255) || GetPixel(dc, x + u, y + v) == ink;
        }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(hWnd, dc);
    return bSame;
}

class ScratchTrackingTest : public DataMenuTest {
protected:
    void SetUp() override
    {
        DataMenuTest::SetUp();
        saved = mouseActions[MOUSE_ACTION_TRACK_SCRATCH];
        mouseActions[MOUSE_ACTION_TRACK_SCRATCH] = &tool;
        tool.SetWindow(window.get());
        seedRandomNumbers(4711);
        LoadScans(WriteScans("scratch", 5, [](int k, float x) { return static_cast<float>(scanSignal(k, x)); }));
    }
    // Scans 1..n of the signal (scan, radius) on 6.0..7.0 cm (or the points
    // from r0 on) every 0.001 cm, recorded at kTime (scans past the fifth
    // every 1000 s from 6000 s on).
    std::vector<std::string> WriteScans(const char* szFolder, int n, float (*signal)(int, float), float r0 = 6.0f,
                                        int points = 1001)
    {
        std::vector<std::string> paths;
        for (int k = 1; k <= n; ++k) {
            scantest::ScanRecipe r;
            r.points = points;
            r.r0 = r0;
            r.dr = 0.001f;
            r.time = k <= 5 ? kTime[k - 1] : 1000.0 * k;
            r.signal = [k, signal](int, float x) { return signal(k, x); };
            paths.push_back(WriteScan(Folder(szFolder), "0000" + std::to_string(k) + ".RA1", r));
        }
        return paths;
    }
    void TearDown() override
    {
        endActiveMouseActions();
        mouseActions[MOUSE_ACTION_TRACK_SCRATCH] = saved;
        delete pAdHocPlotOwner;
        forgetAdHocPlot(window.get());
        fTrackScratchWindowWidth = 0.01f;
        fTrackScratchRandomShift = 0.002f;
        DataMenuTest::TearDown();
    }
    void Start(headless::Script& script, const char* szWidth, const char* szRandom = "0.002")
    {
        script.expectMessageBox("Track Scratch", IDYES)
            .expectInput("window width (cm)", szWidth)
            .expectInput("randomize shift (cm)", szRandom)
            .expectInput("rmsd precision", "0.001");
        Run(script, 1109);
        ASSERT_TRUE(tool.active);
    }
    // A click on the data plot at the radius (client 1400 x 1000).
    static POINT DataPixel(float r) { return {static_cast<int>(pDataPlot->MapX(r) * 1400.0 / 1399.0 + 0.5), 300}; }

    CMouseAction_TrackScratch tool;
    CMouseAction* saved = nullptr;
};

}  // namespace

TEST_F(ScratchTrackingTest, RecoversTheShiftsOfTheFeatureAndSavesThem)
{
    headless::Script script;
    Start(script, "0.02");
    const POINT p = DataPixel(6.5f);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    ASSERT_EQ(tool.windowPoints, 21);
    // nothing stored yet: the prompt offers the first number
    EXPECT_TRUE(ShowsText(window->HWindow, 10, 70, "press 'y' or 'n' to store scratch as #1        "));
    EXPECT_FALSE(ShowsText(window->HWindow, 10, 70, "press 'y' or 'n' to store scratch as #2        "));
    // the shifted radii and linear model of every scan, a line per window
    // point: five pairs of columns around the click
    {
        std::ifstream lin(std::string(szTempDir) + "trackscratchlinfit.txt");
        int nLines = 0;
        for (std::string line; std::getline(lin, line); ++nLines) {
            std::istringstream row(line);
            std::vector<double> v;
            for (double d; row >> d;) v.push_back(d);
            ASSERT_EQ(v.size(), 10u) << line;
            for (size_t c = 0; c < v.size(); c += 2) EXPECT_NEAR(v[c], 6.5, 0.05) << line;
        }
        EXPECT_EQ(nLines, 21);
    }
    // scan 1 never moves; the results count from the earliest scan (scan 2)
    EXPECT_EQ(tool.bestShift[1], 0.0);
    for (int i = 1; i <= 5; ++i) {
        const int t = pScanTimeOrder[i];
        EXPECT_NEAR(tool.relativeShift[i], kShift[t - 1] - kShift[1], 2e-4) << "time position " << i;
    }
    // the slopes of the baselines come back relative to the feature's own
    for (int i = 2; i <= 5; ++i)
        EXPECT_NEAR(tool.relativeSlope[i] - tool.relativeSlope[1], 0.1 * (pScanTimeOrder[i] - pScanTimeOrder[1]), 0.02);

    // 'y' keeps it; Return saves the file and plots shifts against slopes
    const std::string path = scratch + "drift.scratch";
    script.pressKey('Y');
    headless::processMessages();
    EXPECT_EQ(tool.nScratches, 1);
    EXPECT_EQ(tool.windowPoints, 0);
    // one kept: the next click offers the second number, and 'n' keeps one
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    EXPECT_TRUE(ShowsText(window->HWindow, 10, 70, "press 'y' or 'n' to store scratch as #2        "));
    script.pressKey('N');
    headless::processMessages();
    EXPECT_EQ(tool.nScratches, 1);
    script.expectSaveFile("save scratch data in file", path);
    script.pressKey(VK_RETURN);
    headless::processMessages();
    EXPECT_FALSE(tool.active);

    std::ifstream in(path);
    int nStored = 0, nScansInFile = 0;
    double dRadius = 0.0;
    in >> nStored >> nScansInFile >> dRadius;
    EXPECT_EQ(nStored, 1);
    EXPECT_EQ(nScansInFile, 5);
    EXPECT_NEAR(dRadius, 6.5, 0.0015);
    // a line per scan in time order: its baseline's slope, 0.1 x its number
    // as written (the feature adds the same to every scan), and its shift
    std::vector<double> slopes;
    for (int i = 1; i <= 5; ++i) {
        double dSlope = 0.0, dShift = 0.0;
        in >> dSlope >> dShift;
        slopes.push_back(dSlope);
        EXPECT_NEAR(dShift, kShift[pScanTimeOrder[i] - 1] - kShift[1], 2e-4) << i;
    }
    for (int i = 2; i <= 5; ++i)
        EXPECT_NEAR(slopes[i - 1] - slopes[0], 0.1 * (pScanTimeOrder[i] - pScanTimeOrder[1]), 0.02) << i;
    ASSERT_TRUE(pAdHocWinPlot);
    EXPECT_EQ(pAdHocWinPlot->nCurves, 1 + 5 + 1);

    // two scans, the fewest there is a shift between: scan 1 sits 0.002 cm
    // below scan 2, the earlier one
    LoadScans({Folder("scratch") + "/00001.RA1", Folder("scratch") + "/00002.RA1"});
    Start(script, "0.02");
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    ASSERT_EQ(pScanTimeOrder[1], 2);
    EXPECT_EQ(tool.relativeShift[1], 0.0);
    EXPECT_NEAR(tool.relativeShift[2], -0.002, 2e-4);

    // flat scans hold nothing to track: every shift fits alike (the figure is
    // 0 throughout, which the search says), and none is found
    LoadScans(WriteScans("flat", 3, [](int k, float) { return 0.3f + 0.1f * k; }));
    Start(script, "0.02");
    script.expectMessageBox("Error in Optimize Shift Nelder-Mead", IDOK);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(tool.relativeShift[i], 0.0f) << "time position " << i;

    // two scans on 6.48..6.52 cm, a grid not much wider than the window, and a
    // random start spread far beyond it: the shifts that move the window off
    // the grid count as infinitely bad, and the search comes back onto the
    // grid all the same (shrinking towards its best vertex) and finds scan 1
    // 0.002 cm below scan 2, without a message
    script.expectMessageBox("possible problem with right limit", IDOK);  // they end inside the right fit limit
    LoadScans(WriteScans("narrow", 2, [](int k, float x) { return static_cast<float>(scanSignal(k, x)); }, 6.48f, 41));
    Start(script, "0.02", "0.05");
    const POINT q = DataPixel(6.5f);
    script.mouse(WM_LBUTTONDOWN, q.x, q.y, MK_LBUTTON).mouse(WM_LBUTTONUP, q.x, q.y);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(tool.windowPoints, 21);
    EXPECT_EQ(tool.relativeShift[1], 0.0);
    EXPECT_NEAR(tool.relativeShift[2], -0.002, 2e-4);

    // forty-five scans whose feature drifts outward by 0.0001 cm from scan to
    // scan, on the same narrow grid with the 0.01 cm window: the search over
    // 44 shifts and its restarts evaluate the figure some 55000 times, more
    // than half the cap of 100000 that each single search has; every search
    // ends by itself, so the restarts go on until two agree, without a
    // message, and find the drift
    LoadScans(WriteScans("drift", 45, [](int k, float x) {
        const double u = (x - 6.5 - 0.0001 * (k - 1)) / 0.002;
        return static_cast<float>(0.4 + 0.01 * k + 0.05 * std::exp(-0.5 * u * u));
    }, 6.48f, 41));
    seedRandomNumbers(4711);
    Start(script, "0.01");
    script.mouse(WM_LBUTTONDOWN, q.x, q.y, MK_LBUTTON).mouse(WM_LBUTTONUP, q.x, q.y);
    headless::processMessages();
    EXPECT_EQ(script.pending(), 0u);
    ASSERT_EQ(tool.windowPoints, 11);
    ASSERT_EQ(pScanTimeOrder[1], 2);
    for (int i = 1; i <= 45; ++i)
        EXPECT_NEAR(tool.relativeShift[i], 0.0001 * (pScanTimeOrder[i] - 2), 2e-4) << "time position " << i;
}

TEST_F(ScratchTrackingTest, AKeyStopsTheSearchAndReturnWithoutResultsWritesNothing)
{
    headless::Script script;
    Start(script, "0.01");
    // the key pressed while the search runs stops it and is used up by it
    const POINT p = DataPixel(6.5f);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).pressKey('Y');
    headless::processMessages();
    EXPECT_EQ(tool.windowPoints, 11);  // 0.01 cm on a 0.001 cm grid
    EXPECT_EQ(tool.nScratches, 0);
    EXPECT_EQ(bInterruptComputation.load(), 0);
    // a click outside the fit limits is consumed and examines nothing; its
    // prompt is answered all the same
    const RECT promptBand{0, 70, 700, 90};
    const POINT q = DataPixel(6.005f);
    script.mouse(WM_LBUTTONDOWN, q.x, q.y, MK_LBUTTON);
    headless::processMessages();
    const std::vector<COLORREF> asked = PixelsOf(promptBand);
    script.pressKey('Y');
    headless::processMessages();
    EXPECT_EQ(tool.nScratches, 0);
    const std::vector<COLORREF> answered = PixelsOf(promptBand);
    EXPECT_FALSE(answered == asked);
    // a click without a key searches in full: the narrower window finds the
    // scans' shifts as well (its search shrinks the simplex on the way)
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON);
    headless::processMessages();
    for (int i = 1; i <= 5; ++i)
        EXPECT_NEAR(tool.relativeShift[i], kShift[pScanTimeOrder[i] - 1] - kShift[1], 2e-4) << "time position " << i;
    // Return with nothing kept: no file dialog, no plot
    script.pressKey(VK_RETURN);
    headless::processMessages();
    EXPECT_FALSE(tool.active);
    EXPECT_EQ(pAdHocWinPlot, nullptr);

    // a width below the 0.001 cm grid spacing spans a single point, fewer
    // than a click can examine: the click still asks, and 'y' answers as it
    // does after any other click, keeping nothing
    Start(script, "0.0005");
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON);
    headless::processMessages();
    EXPECT_EQ(tool.windowPoints, 1);
    EXPECT_FALSE(PixelsOf(promptBand) == answered);
    script.pressKey('Y');
    headless::processMessages();
    EXPECT_EQ(tool.nScratches, 0);
    EXPECT_EQ(tool.windowPoints, 0);
    EXPECT_TRUE(PixelsOf(promptBand) == answered);
    script.pressKey(VK_RETURN);
    headless::processMessages();
    EXPECT_FALSE(tool.active);
}

TEST_F(ScratchTrackingTest, TheLocalModelFilesFollowEveryScansSignal)
{
    headless::Script script;
    Start(script, "0.02");
    const POINT p = DataPixel(6.5f);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    ASSERT_EQ(tool.windowPoints, 21);
    const auto signal = scanSignal;

    // one line per window point: radius and model of each scan in time order
    // (the window is centred on the grid point nearest the clicked pixel)
    ASSERT_EQ(std::string(szTempDir).rfind(work, 0), 0u);  // inside this test's own folder
    std::ifstream lin(std::string(szTempDir) + "trackscratchlinfit.txt");
    ASSERT_TRUE(lin.good());
    std::string line;
    int nLines = 0;
    while (std::getline(lin, line)) {
        ++nLines;
        std::istringstream in(line);
        std::vector<double> v;
        for (double d; in >> d;) v.push_back(d);
        ASSERT_EQ(v.size(), 10u) << "line " << nLines;
        for (int i = 1; i <= 5; ++i) {
            const int t = pScanTimeOrder[i];
            const double r = v[2 * (i - 1)], c = v[2 * i - 1];
            EXPECT_NEAR(r, 6.49 + 0.001 * (nLines - 1) + kShift[t - 1], 1.5e-3) << "line " << nLines << ", scan " << t;
            EXPECT_NEAR(c, signal(t, r), 2e-3) << "line " << nLines << ", scan " << t;
        }
    }
    EXPECT_EQ(nLines, 21);

    // one line per scan in time order: the model at the window's centre
    std::ifstream disp(std::string(szTempDir) + "trackscratchdisplacement.txt");
    ASSERT_TRUE(disp.good());
    for (int i = 1; i <= 5; ++i) {
        const int t = pScanTimeOrder[i];
        double r = 0.0, c = 0.0;
        ASSERT_TRUE(disp >> r >> c) << i;
        EXPECT_NEAR(r, 6.5 + kShift[t - 1], 1.5e-3) << "scan " << t;
        EXPECT_NEAR(c, signal(t, r), 2e-3) << "scan " << t;
    }
    double d = 0.0;
    EXPECT_FALSE(disp >> d);
}

// The click draws each scan's local model in red over its window, where the
// scan's own signal lies (docs/scandata.md).
TEST_F(ScratchTrackingTest, TheLocalModelOfEveryScanIsDrawnOverItsData)
{
    headless::Script script;
    Start(script, "0.02");
    // the window white, so that only what the click draws is there
    WhiteOut(RECT{0, 0, 1400, 1000});
    const POINT p = DataPixel(6.5f);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
    headless::processMessages();
    ASSERT_EQ(tool.windowPoints, 21);
    // near the ends of every scan's window, where each copy of the feature
    // has fallen to a pixel or less; the scans lie some 35 pixels apart there
    for (float x : {6.4925f, 6.5075f}) {
        const int nX = static_cast<int>(pDataPlot->MapX(x) * 1400.0 / 1399.0 + 0.5);
        const std::vector<COLORREF> column = PixelsOf(RECT{nX, 0, nX + 1, 1000});
        for (int k = 1; k <= 5; ++k) {
            const float fSignal = static_cast<float>(scanSignal(k, x));
            const int nY = static_cast<int>(pDataPlot->MapY(fSignal) * 1000.0 / 999.0 + 0.5);
            bool bRed = false;
            for (int y = std::max(0, nY - 2); y <= std::min(999, nY + 2); ++y)
                bRed = bRed || column[static_cast<size_t>(y)] == RGB(255, 0, 0);
            EXPECT_TRUE(bRed) << "scan " << k << " at " << x << " cm, pixel row " << nY;
        }
    }
}

// The window's centre is the first grid point beyond the click among those
// inside the fit limits (docs/scandata.md): with the right limit moved to
// 6.5009 cm, between the grid points 6.500 and 6.501 cm, a click near
// 6.4985 cm (a pixel spans about 0.001 cm) takes the 11 points around 6.499
// or 6.500 cm, finds the shifts the scans were written with and is kept
// there; a click at 6.5005 cm, inside the limit but past its last grid point,
// is consumed and 'y' keeps nothing more.
TEST_F(ScratchTrackingTest, TheCentreIsAGridPointInsideTheFitLimits)
{
    fFitRightLim = 6.5009f;
    updateRightFitLimit();
    ASSERT_FLOAT_EQ(fFitRightLim, 6.5009f);
    headless::Script script;
    Start(script, "0.01");
    const POINT p = DataPixel(6.4985f);
    script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON);
    headless::processMessages();
    ASSERT_EQ(tool.windowPoints, 11);
    for (int i = 1; i <= 5; ++i)
        EXPECT_NEAR(tool.relativeShift[i], kShift[pScanTimeOrder[i] - 1] - kShift[1], 2e-4) << "time position " << i;
    script.pressKey('Y');
    headless::processMessages();
    ASSERT_EQ(tool.nScratches, 1);
    EXPECT_GT(pNoiseGrid[tool.scratchGridIndex[1]], 6.4975);
    EXPECT_LT(pNoiseGrid[tool.scratchGridIndex[1]], 6.5005);

    const POINT q = DataPixel(6.5005f);
    script.mouse(WM_LBUTTONDOWN, q.x, q.y, MK_LBUTTON);
    headless::processMessages();
    script.pressKey('Y');
    headless::processMessages();
    EXPECT_EQ(tool.nScratches, 1);
}
