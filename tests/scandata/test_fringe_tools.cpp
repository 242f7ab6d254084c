// The fringe-jump tools on interference scans with whole-fringe steps, driven
// by scripted clicks and keys through the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/app_globals.h"
#include "plot/adhoc_plot.h"
#include "plot/cwinplot.h"
#include "scandata/data_menu_fixture.h"
#include "scandata/fringe_jump_tools.h"
#include "scandata/scan_data.h"

using namespace win;

namespace {

// Interference scans of 101 points in steps of 0.01 cm, from 6.00 cm (or the
// given first radius on), flat at 0 with a step of the given height from
// 6.51 cm on; fit 0, so the residuals are the signals (inside the fit limits)
// and show the steps.
class FringeToolTest : public DataMenuTest {
protected:
    void SetUp() override
    {
        DataMenuTest::SetUp();
        savedSingle = mouseActions[MOUSE_ACTION_FIX_POINT_FRINGE_JUMP];
        savedAll = mouseActions[MOUSE_ACTION_FIX_SCRATCH_JUMP];
        // fresh tools: directions and sizes carry over between uses
        mouseActions[MOUSE_ACTION_FIX_POINT_FRINGE_JUMP] = &single;
        mouseActions[MOUSE_ACTION_FIX_SCRATCH_JUMP] = &all;
        single.SetWindow(window.get());
        all.SetWindow(window.get());
    }
    void TearDown() override
    {
        endActiveMouseActions();
        mouseActions[MOUSE_ACTION_FIX_POINT_FRINGE_JUMP] = savedSingle;
        mouseActions[MOUSE_ACTION_FIX_SCRATCH_JUMP] = savedAll;
        delete pAdHocPlotOwner;
        forgetAdHocPlot(window.get());
        bModelComputed = 0;
        fScratchJumpCheckDistance = 0.003f;
        DataMenuTest::TearDown();
    }
    void LoadSteps(const std::vector<float>& steps, const std::vector<float>& firstRadii = {})
    {
        const std::string dir = Folder("ip");
        std::vector<std::string> paths;
        for (size_t k = 0; k < steps.size(); ++k) {
            scantest::ScanRecipe r;
            r.letter = 'P';
            r.columns = 2;
            r.points = 101;
            r.r0 = k < firstRadii.size() ? firstRadii[k] : 6.0f;
            r.dr = 0.01f;
            r.time = 1000.0 * (k + 1);
            const float fStep = steps[k];
            r.signal = [fStep](int, float x) { return x > 6.505f ? fStep : 0.0f; };
            paths.push_back(WriteScan(dir, "0000" + std::to_string(k + 1) + ".IP1", r));
        }
        LoadScans(paths);
        ASSERT_EQ(nScans, static_cast<int>(steps.size()));
        for (size_t k = 0; k < steps.size(); ++k) original.push_back(signalOf(static_cast<int>(k) + 1));
        // a model result: the residuals are shown under the data
        bModelComputed = 1;
        updateResidualsPlot(0);
        window->Invalidate(true);
        headless::processMessages();
        ASSERT_TRUE(pResidualsPlot && pResidualsPlot->nCurves > 0);
    }
    static std::vector<float> signalOf(int i) { return {ppSignal[i] + 1, ppSignal[i] + 1 + pScanPoints[i]}; }
    // The client pixel of point j of scan i on the residuals plot (client
    // 1400 x 1000: a pixel is one per-mille unit).
    static POINT residualPixel(int i, int j)
    {
        return {pResidualsPlot->MapX(ppRadius[i][j]), pResidualsPlot->MapY(ppResidual[i][j])};
    }
    void Click(headless::Script& script, POINT p)
    {
        script.mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON).mouse(WM_LBUTTONUP, p.x, p.y);
        headless::processMessages();
    }
    void Keys(headless::Script& script, const std::vector<UINT>& keys)
    {
        for (UINT k : keys) script.pressKey(k);
        headless::processMessages();
    }
    // Starts the single-scan tool by a command of its own, its box answered
    // Yes; true when the tool is on.
    bool StartSingle(headless::Script& script, int nCommand)
    {
        script.expectMessageBox("Fix Scratch Jump", IDYES);
        Run(script, nCommand);
        return single.active;
    }

    CMouseAction_FixPointScanFringeJump single;
    CMouseAction_FixScratchJump all;
    CMouseAction* savedSingle = nullptr;
    CMouseAction* savedAll = nullptr;
    std::vector<std::vector<float>> original;
};

}  // namespace

TEST_F(FringeToolTest, SingleScanToolRemovesAStepWithArrowKeysAndApplyNow)
{
    LoadSteps({0.0f, 1.0f, 0.0f});
    headless::Script script;
    ASSERT_TRUE(StartSingle(script, 1111));
    // on first use a jump is one fringe down, fixed to the left
    EXPECT_EQ(single.cursorJump, -1.0);
    EXPECT_EQ(single.cursorDirection, -1.0);

    // the residual at 6.51 cm belongs to scan 2 alone
    Click(script, residualPixel(2, 52));
    ASSERT_EQ(single.scan, 2);
    EXPECT_EQ(single.cursorPoint, 52);
    // one point in, fixed to the right, one fringe up and back down to -1
    Keys(script, {VK_LEFT, 'R', VK_UP});
    EXPECT_EQ(single.cursorJump, 0.0);
    Keys(script, {VK_DOWN});
    EXPECT_NEAR(single.cursorRadius, 6.50, 1e-5);
    EXPECT_EQ(single.cursorDirection, 1.0);
    EXPECT_EQ(single.cursorJump, -1.0);
    // the corrected residuals of the window show no step any more
    ASSERT_EQ(single.windowUsed, 41);
    // the window's signal is shown about its own mean
    double dMean = 0;
    for (int k = 1; k <= single.windowUsed; ++k) dMean += single.winSignal[k];
    EXPECT_NEAR(dMean / single.windowUsed, 0.0, 1e-6);
    for (int k = 1; k <= single.windowUsed; ++k)
        EXPECT_NEAR(single.winResidualCorrected[k], single.winResidualCorrected[1], 1e-5) << k;
    EXPECT_EQ(signalOf(2), original[1]);  // nothing applied yet
    // '1' takes the jump out of the working copy: flat to the scan's end
    Keys(script, {'1'});
    for (int j = 1; j <= pScanPoints[2]; ++j) ASSERT_EQ(single.workSignal[j], 0.0f) << j;
    // The jump is marked in the picture as the other two jumps would be, a
    // thick line in its colour at its radius, 6.50 cm, from 0 to its size,
    // -1: three lines side by side (one unit of the 1400 x 1000 picture
    // apart), each drawn with the red pen (COLORREF 0x0000ff).
    {
        ASSERT_TRUE(pAdHocWinPlot && pAdHocWinPlot->bMetaFileValid);
        const int x = pAdHocWinPlot->MapX(6.50f), y0 = pAdHocWinPlot->MapY(0.0f), y1 = pAdHocWinPlot->MapY(-1.0f);
        std::vector<int> redColumns;
        std::string pen;
        int mx = -1, my = -1;
        for (const std::string& rec : metaFileListing(pAdHocWinPlot->hMetaFile)) {
            int a, b, c;
            if (std::sscanf(rec.c_str(), "SelectPen(%d,%d,0x%x)", &a, &b, &c) == 3) pen = rec;
            if (std::sscanf(rec.c_str(), "MoveTo(%d,%d)", &a, &b) == 2) mx = a, my = b;
            if (std::sscanf(rec.c_str(), "LineTo(%d,%d)", &a, &b) == 2 && pen == "SelectPen(0,0,0x0000ff)" &&
                a == mx && std::abs(my - y0) <= 1 && std::abs(b - y1) <= 1)
                redColumns.push_back(a);
        }
        for (int dx : {-1, 0, 1})
            EXPECT_NE(std::find(redColumns.begin(), redColumns.end(), x + dx), redColumns.end()) << "x " << x + dx;
    }
    EXPECT_EQ(signalOf(2), original[1]);

    // Enter applies only when the user says it was not applied yet
    script.expectMessageBox("were changes applied?", IDNO)
        .expectMessageBox("apply now?", IDYES)
        .expectMessageBox("save scan data?", IDNO);
    Keys(script, {VK_RETURN});
    EXPECT_FALSE(single.active);
    for (int j = 1; j <= pScanPoints[2]; ++j) EXPECT_EQ(ppSignal[2][j], 0.0f) << j;
    EXPECT_EQ(signalOf(1), original[0]);
    EXPECT_EQ(signalOf(3), original[2]);
}

// A second jump shifts only the points on its side, as the first does: the
// step of one fringe at 6.51 cm is taken out by jump 2 at 6.50 cm fixed to the
// right, size -1, with jump 1 left at no fringe, and '3' adds the jumps to the
// working copies. The points up to 6.50 cm keep their 0, those beyond come
// down from 1 to 0, and the residuals move with the signal.
TEST_F(FringeToolTest, SingleScanToolSecondJumpShiftsOnlyItsSide)
{
    LoadSteps({1.0f});
    headless::Script script;
    ASSERT_TRUE(StartSingle(script, 1111));
    Click(script, residualPixel(1, 52));
    ASSERT_EQ(single.scan, 1);
    // jump 1 at 6.51 cm of no fringe, then the cursor is jump 2's
    Keys(script, {'R', VK_UP, '2', VK_DOWN, VK_LEFT});
    EXPECT_EQ(single.focus, 2);
    EXPECT_EQ(single.jumpSize1, 0.0);
    EXPECT_NEAR(single.jumpRadius2, 6.50, 1e-5);
    EXPECT_EQ(single.jumpDirection2, 1.0);
    EXPECT_EQ(single.jumpSize2, -1.0);
    const std::vector<float> residual(ppResidual[1] + 1, ppResidual[1] + 1 + pScanPoints[1]);
    Keys(script, {'3'});
    for (int j = 1; j <= pScanPoints[1]; ++j) {
        const float fDown = ppRadius[1][j] > 6.505f ? 1.0f : 0.0f;
        ASSERT_EQ(single.workSignal[j], 0.0f) << j;
        ASSERT_EQ(single.workResidual[j], residual[j - 1] - fDown) << j;
    }
    EXPECT_EQ(signalOf(1), original[0]);  // the scan itself waits for Enter
}

TEST_F(FringeToolTest, SingleScanToolKeysMoveBetweenScansAndEscapeChangesNothing)
{
    LoadSteps({0.0f, 1.0f, 0.0f});
    headless::Script script;
    ASSERT_TRUE(StartSingle(script, 199));
    // keys before a scan is picked are the window's
    EXPECT_FALSE(mouseActionsEvKeyDown('R', 1, 0));

    // a click that hits no point works on scan 1; the cursor stays on point 1
    Click(script, {5, 300});
    ASSERT_EQ(single.scan, 1);
    Keys(script, {VK_LEFT, 'R'});
    EXPECT_EQ(single.cursorPoint, 1);
    // the jump at 6.00 cm fixed to the right shifts every other point
    script.expectMessageBox("apply changes to 00001.IP1?", IDNO);
    Keys(script, {'N'});
    EXPECT_EQ(single.scan, 2);
    script.expectMessageBox("apply changes to 00002.IP1?", IDNO).expectMessageBox("apply changes to 00003.IP1?", IDNO);
    Keys(script, {'N', 'N'});
    EXPECT_EQ(single.scan, 3);
    // 'N' on the last scan asks, applies on Yes and stays there
    script.expectMessageBox("apply changes to 00003.IP1?", IDYES);
    Keys(script, {'N'});
    EXPECT_EQ(single.scan, 3);
    EXPECT_EQ(ppSignal[3][1], original[2][0]);
    for (int j = 2; j <= pScanPoints[3]; ++j) EXPECT_EQ(ppSignal[3][j], original[2][j - 1] - 1.0f) << j;
    EXPECT_EQ(signalOf(1), original[0]);
    EXPECT_EQ(signalOf(2), original[1]);

    // 'P' goes back scan by scan to the first, and stays on the first
    script.expectMessageBox("apply changes to 00003.IP1?", IDNO).expectMessageBox("apply changes to 00002.IP1?", IDNO);
    Keys(script, {'P'});
    EXPECT_EQ(single.scan, 2);
    Keys(script, {'P'});
    EXPECT_EQ(single.scan, 1);
    script.expectMessageBox("apply changes to 00001.IP1?", IDNO);
    Keys(script, {'P'});
    EXPECT_EQ(single.scan, 1);
    EXPECT_EQ(script.pending(), 0u);
    EXPECT_EQ(signalOf(1), original[0]);
    EXPECT_EQ(signalOf(2), original[1]);
    EXPECT_EQ(ppSignal[3][2], original[2][1] - 1.0f);  // what was applied stays

    // Escape ends the tool with nothing more asked and nothing more applied
    const std::vector<float> after = signalOf(3);
    Keys(script, {VK_ESCAPE});
    EXPECT_FALSE(single.active);
    EXPECT_EQ(single.windowPoints, 0);
    EXPECT_EQ(signalOf(3), after);
}

TEST_F(FringeToolTest, AllScansToolTakesOneFringeOffWhereTheResidualsDifferByMoreThanHalf)
{
    LoadSteps({1.7f, 0.5f, 0.0f, -1.2f});
    headless::Script script;
    script.expectMessageBox("Fix Scratch Jump", IDYES).expectInput("check residuals at distance (cm)", "0.003");
    Run(script, 1110);
    ASSERT_TRUE(all.active);
    EXPECT_EQ(fScratchJumpCheckDistance, 0.003f);

    // a click above the residuals band is consumed and locates nothing
    Click(script, {pResidualsPlot->MapX(6.505f), 300});
    EXPECT_EQ(all.jumpRadius, 0.0);
    // nor does one on the residuals plot's frame lines, which bound the band
    // (client 1000 pixels high: a pixel is one per-mille unit)
    Click(script, {pResidualsPlot->MapX(6.505f), pResidualsPlot->nFrameTop});
    Click(script, {pResidualsPlot->MapX(6.505f), pResidualsPlot->nFrameBottom});
    EXPECT_EQ(all.jumpRadius, 0.0);
    Click(script, {pResidualsPlot->MapX(6.505f), 700});
    EXPECT_NEAR(all.jumpRadius, 6.505, 0.002);
    EXPECT_NEAR(ppRadius[1][all.outerPoint[1]], 6.51f, 1e-5);
    EXPECT_NEAR(ppRadius[1][all.innerPoint[1]], 6.50f, 1e-5);
    // 1.7 fringes: one fringe proposed; exactly half a fringe and none: nothing
    EXPECT_EQ(all.Correction(1), -1);
    EXPECT_EQ(all.Correction(2), 0);
    EXPECT_EQ(all.Correction(3), 0);
    EXPECT_NEAR(all.outerCorrected[1] - all.innerCorrected[1], 0.7f, 1e-5);
    // 1.2 fringes down in the last scan: one fringe added
    EXPECT_EQ(all.Correction(4), 1);
    EXPECT_NEAR(all.outerCorrected[4] - all.innerCorrected[4], -0.2f, 1e-5);
    // The picture against the scan number: the outer compared residual and
    // its corrected value are circles, the inner ones squares. So each scan
    // has two circles, at 1.7 and 0.7 for scan 1, at -1.2 and -0.2 for scan
    // 4, and both at the residual where nothing is proposed.
    {
        ASSERT_TRUE(pAdHocWinPlot && pAdHocWinPlot->bMetaFileValid);
        std::vector<std::pair<int, int>> centres;
        for (const std::string& rec : metaFileListing(pAdHocWinPlot->hMetaFile)) {
            int l, t, r, b;
            if (std::sscanf(rec.c_str(), "Ellipse(%d,%d,%d,%d)", &l, &t, &r, &b) == 4)
                centres.push_back({(l + r) / 2, (t + b) / 2});
        }
        EXPECT_EQ(centres.size(), 8u);
        const float fOuter[] = {1.7f, 0.5f, 0.0f, -1.2f}, fCorrected[] = {0.7f, 0.5f, 0.0f, -0.2f};
        for (int i = 1; i <= 4; ++i)
            for (float y : {fOuter[i - 1], fCorrected[i - 1]}) {
                const std::pair<int, int> c = {pAdHocWinPlot->MapX(static_cast<float>(i)), pAdHocWinPlot->MapY(y)};
                EXPECT_NE(std::find(centres.begin(), centres.end(), c), centres.end())
                    << "scan " << i << ", residual " << y;
            }
    }

    // the arrows move every compared point: two in, both lie below the step
    Keys(script, {VK_LEFT, VK_LEFT});
    EXPECT_EQ(all.Correction(1), 0);
    EXPECT_EQ(all.Correction(4), 0);
    Keys(script, {VK_RIGHT, VK_RIGHT});
    EXPECT_EQ(all.Correction(1), -1);

    script.expectMessageBox("save scan data?", IDNO);
    Keys(script, {VK_RETURN});
    EXPECT_FALSE(all.active);
    // one fringe off from the outer compared point to the end of scan 1, one
    // fringe on in the last scan
    for (int j = 1; j <= pScanPoints[1]; ++j) {
        EXPECT_NEAR(ppSignal[1][j], j >= 52 ? 0.7f : 0.0f, 1e-6) << j;
        EXPECT_NEAR(ppSignal[4][j], j >= 52 ? -0.2f : 0.0f, 1e-6) << j;
    }
    EXPECT_EQ(signalOf(2), original[1]);
    EXPECT_EQ(signalOf(3), original[2]);
}

TEST_F(FringeToolTest, AllScansToolLeavesOutScansWithoutPointsOnBothSides)
{
    // the third scan starts at 6.503 cm, inside the check distance of the
    // jump: no point of it lies that far inside, and its step of 1.7 fringes
    // between its first two points is no jump to take off
    LoadSteps({1.7f, 0.0f, 1.7f}, {6.0f, 6.0f, 6.503f});
    // a short second scan: nothing beyond the compared radius
    pScanPoints[2] = 50;
    headless::Script script;
    script.expectMessageBox("Fix Scratch Jump", IDYES).expectInput("check residuals at distance (cm)", "0.003");
    Run(script, 1110);
    Click(script, {pResidualsPlot->MapX(6.505f), 700});
    EXPECT_TRUE(all.Compared(1));
    EXPECT_FALSE(all.Compared(2));
    EXPECT_FALSE(all.Compared(3));
    EXPECT_EQ(all.Correction(3), 0);
    // moving past the ends keeps every index inside its scan
    Keys(script, std::vector<UINT>(60, VK_RIGHT));
    EXPECT_FALSE(all.Compared(1));
    Keys(script, std::vector<UINT>(60, VK_LEFT));
    EXPECT_EQ(all.Correction(1), -1);
    Keys(script, {VK_ESCAPE});
    EXPECT_FALSE(all.active);
    EXPECT_EQ(signalOf(1), original[0]);  // Escape applies nothing
    pScanPoints[2] = 101;
}

TEST_F(FringeToolTest, SingleScanToolPicksTheScanUnderTheClickOnEitherPlot)
{
    // three scans stepping to 1, 2 and 3 fringes: beyond the step every scan
    // has a point of its own, the last in time order as well
    LoadSteps({1.0f, 2.0f, 3.0f});
    headless::Script script;
    ASSERT_TRUE(StartSingle(script, 1111));
    for (int i = 1; i <= 3; ++i) {
        Click(script, residualPixel(i, 70));
        EXPECT_EQ(single.scan, i) << "residuals, scan " << i;
        EXPECT_EQ(single.cursorPoint, 70) << i;
        Click(script, {pDataPlot->MapX(ppRadius[i][80]), pDataPlot->MapY(ppSignal[i][80])});
        EXPECT_EQ(single.scan, i) << "data, scan " << i;
        EXPECT_EQ(single.cursorPoint, 80) << i;
    }
    Keys(script, {VK_ESCAPE});
    EXPECT_FALSE(single.active);
}
